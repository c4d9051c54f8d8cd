// csagnt-exporter: a Prometheus exporter of IBM MQ queue managers that asks
// them through the CSAGNT agent (or their command servers directly) at each
// scrape of /metrics. Runs until SIGTERM or SIGINT; a failed collection is
// reported in the metrics and on standard error, never an end.
#include <prometheus/exposer.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstring>
#include <iostream>
#include <memory>

#include "config.h"
#include "mq/mqi_table.h"
#include "scraper.h"

namespace {

// civetweb takes "PORT" for every address and "ADDRESS:PORT" for one; the
// Prometheus convention ":PORT" means every address.
std::string ListeningPort(const std::string& address) {
  return address.starts_with(':') ? address.substr(1) : address;
}

// Loads IBM MQ's library `base` ("mqm" or "mqic") into *table, or tells why
// it cannot be loaded.
bool Load(const char* base, MqiEntryPoints* table) {
  if (int rc = LoadMqiLibrary(base, table); rc != 0) {
    const MqLibraryChoice choice = ChooseMqLibrary(base);
    std::cerr << "csagnt-exporter: loading IBM MQ's library " << choice.file_name << " (set "
              << choice.directory_variable << " to the directory that holds it) failed: rc=" << rc
              << " (" << std::strerror(rc) << ")\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string listen_address = ":9157";
  std::string config_file = "/etc/csagnt/csagnt-exporter.yml";
  CLI::App app{
      "Exports the status of IBM MQ queue managers, their queues and channels to Prometheus,\n"
      "collected through the CSAGNT agent (or directly from the command server) at each scrape.",
      "csagnt-exporter"};
  app.add_option("--web.listen-address", listen_address,
                 "Address to serve /metrics on: :PORT (every address) or IP:PORT")
      ->capture_default_str();
  app.add_option("--config.file", config_file, "The configuration file (YAML)")
      ->capture_default_str();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : 2;  // --help, or a command-line error
  }

  exporter::Config config;
  if (std::string error = exporter::LoadConfig(config_file, &config); !error.empty()) {
    std::cerr << "csagnt-exporter: " << error << "\n";
    return 2;
  }
  static MqiEntryPoints server_table, client_table;
  bool server = false, client = false;
  for (const exporter::QueueManagerConfig& qm : config.queue_managers) {
    (qm.client() ? client : server) = true;
  }
  if ((server && !Load("mqm", &server_table)) || (client && !Load("mqic", &client_table))) {
    return 1;
  }

  // SIGTERM and SIGINT are taken by sigwait below; every thread started
  // from here on inherits the mask.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  auto scraper = std::make_shared<exporter::Scraper>(config, admin::MqiOf(server_table),
                                                     admin::MqiOf(client_table));
  std::unique_ptr<prometheus::Exposer> exposer;
  try {
    exposer = std::make_unique<prometheus::Exposer>(ListeningPort(listen_address));
  } catch (const std::exception& e) {
    std::cerr << "csagnt-exporter: cannot listen on " << listen_address << ": " << e.what() << "\n";
    return 1;
  }
  exposer->RegisterCollectable(scraper);
  std::cerr << "csagnt-exporter: serving /metrics on " << listen_address << " for "
            << config.queue_managers.size() << " queue manager(s)" << std::endl;

  int signal_number = 0;
  sigwait(&stop, &signal_number);
  std::cerr << "csagnt-exporter: stopping (" << strsignal(signal_number) << ")" << std::endl;
  exposer.reset();  // no scrape runs after this
  return 0;
}
