// csagnt-exporter as a monitoring setup runs it: a stand-in queue manager
// with the agent beside it, the exporter collecting through the agent, and
// a real Prometheus server scraping the exporter every second. The test asks
// Prometheus' query API what it stored, as a dashboard would.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>

#include "agent/agent_client.h"
#include "agent/agent_process.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using agent_test::AgentProcess;
using agent_test::CountOf;
using agent_test::LibraryDir;
using agent_test::StandIn;
using agent_test::WaitForProcess;
using agent_test::WaitForText;
using nlohmann::json;

// Long enough for Prometheus to start and scrape a few times on a busy
// machine under a sanitizer.
constexpr int kPrometheusWaitMs = 60000;

// The program `name` on the PATH, or "".
std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// A TCP port on the loopback address that nothing listens on now.
int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

// The body of GET `target` from 127.0.0.1:`port`, or "" when it cannot be had.
std::string HttpGet(int port, const std::string& target) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string response;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
      char buffer[65536];
      for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) response.append(buffer, n);
    }
  }
  close(fd);
  const size_t body = response.find("\r\n\r\n");
  return body == std::string::npos ? "" : response.substr(body + 4);
}

std::string UrlEncoded(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '_' || c == '.' || c == '-') {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

// A program started in the background with its output in a file, ended with
// SIGTERM (then SIGKILL) when the object goes unless the test ended it.
class Background {
 public:
  Background(const std::string& path, const std::vector<std::string>& args,
             const std::string& output, const std::map<std::string, std::string>& env = {})
      : output_(output) {
    int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid_ = StartProgram(path, args, fd, env, {"MQIC_DLL_PATH", "MQSERVER", "MQEMU_LINK"});
    close(fd);
  }
  ~Background() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (WaitForProcess(pid_, 10000) == -2) {
      kill(pid_, SIGKILL);
      WaitForProcess(pid_, 10000);
    }
  }
  // Ends the program with `signal_number`; its exit status (see WaitForProcess).
  int Stop(int signal_number) {
    kill(pid_, signal_number);
    const int status = WaitForProcess(pid_, agent_test::kWaitMs);
    if (status != -2) pid_ = -1;
    return status;
  }
  std::string Output() const { return TempDir::ReadPath(output_); }

 private:
  std::string output_;
  pid_t pid_ = -1;
};

// Stops the queue manager that the test started again itself.
struct Restarted {
  std::string name;
  ~Restarted() { mqemu_test::RunTool("stop " + name + " --immediate"); }
};

class ExporterProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prometheus_ = FindProgram("prometheus");
    promtool_ = FindProgram("promtool");
    stand_in_ = std::make_unique<StandIn>();
    stand_in_->Tool("define QM1 APP.DEPTH");
    stand_in_->Tool("define QM1 APP.OTHER");
    agent_ = std::make_unique<AgentProcess>(std::vector<std::string>{"-k", "-m", "QM1"});
    ASSERT_TRUE(agent_->WaitUntilRunning()) << agent_->Log();
    exporter_port_ = FreePort();
    const std::string config = dir_.Write("csagnt-exporter.yml",
                                          "timeout: 3s\n"
                                          "queue_managers:\n"
                                          "  - name: QM1\n"
                                          "    exclude: [APP.OTHER]\n"
                                          "  - name: QMGONE\n");
    exporter_ = std::make_unique<Background>(
        EXPORTER_PROGRAM,
        std::vector<std::string>{"--config.file", config, "--web.listen-address",
                                 "127.0.0.1:" + std::to_string(exporter_port_)},
        dir_.File("exporter.txt"),
        std::map<std::string, std::string>{{"MQM_DLL_PATH", LibraryDir()}});
    ASSERT_TRUE(WaitForText([&] { return exporter_->Output(); }, "serving /metrics", 1,
                            agent_test::kWaitMs))
        << exporter_->Output();
  }

  // The value of the one series that `query` selects in Prometheus, or "".
  std::string Query(const std::string& query) {
    const std::string body = HttpGet(prometheus_port_, "/api/v1/query?query=" + UrlEncoded(query));
    const json answer = json::parse(body, nullptr, false);
    if (answer.is_discarded() || answer["status"] != "success") return "";
    const json& result = answer["data"]["result"];
    if (result.size() != 1) return "";
    return result[0]["value"][1];
  }

  // Waits until Prometheus answers `query` with `value`.
  bool WaitForValue(const std::string& query, const std::string& value) {
    return WaitForText([&] { return Query(query) == value ? value : ""; }, value, 1,
                       kPrometheusWaitMs);
  }

  void StartPrometheus() {
    prometheus_port_ = FreePort();
    const std::string config = dir_.Write("prometheus.yml",
                                          "global:\n"
                                          "  scrape_interval: 1s\n"
                                          "  scrape_timeout: 1s\n"
                                          "scrape_configs:\n"
                                          "  - job_name: ibmmq\n"
                                          "    static_configs:\n"
                                          "      - targets: ['127.0.0.1:" +
                                              std::to_string(exporter_port_) + "']\n");
    prometheus_process_ = std::make_unique<Background>(
        prometheus_,
        std::vector<std::string>{
            "--config.file=" + config, "--storage.tsdb.path=" + dir_.File("data"),
            "--web.listen-address=127.0.0.1:" + std::to_string(prometheus_port_)},
        dir_.File("prometheus.txt"));
  }

  TempDir dir_;
  std::string prometheus_, promtool_;
  std::unique_ptr<StandIn> stand_in_;
  std::unique_ptr<AgentProcess> agent_;
  int exporter_port_ = 0, prometheus_port_ = 0;
  std::unique_ptr<Background> exporter_;
  std::unique_ptr<Background> prometheus_process_;
};

TEST_F(ExporterProcessTest, PrometheusStoresTheDepthsAndSeesTheQueueManagerGoAndComeBack) {
  if (prometheus_.empty()) GTEST_SKIP() << "no prometheus on the PATH";
  for (int i = 0; i < 3; ++i) stand_in_->Tool("put QM1 APP.DEPTH message");
  StartPrometheus();
  ASSERT_TRUE(WaitForValue(R"(ibmmq_queue_depth{queue="APP.DEPTH"})", "3"))
      << exporter_->Output() << prometheus_process_->Output();
  EXPECT_EQ(Query(R"(csagnt_exporter_qmgr_reached{qmgr="QM1"})"), "1");
  EXPECT_EQ(Query(R"(ibmmq_queue_attribute_max_depth{queue="APP.DEPTH"})"), "5000");
  EXPECT_EQ(Query(R"(ibmmq_qmgr_status{qmgr="QM1",platform="UNIX"})"), "2");
  // Excluded by the configuration, and SYSTEM.* unless named.
  EXPECT_EQ(Query(R"(count(ibmmq_queue_depth{queue="APP.OTHER"}))"), "");
  EXPECT_EQ(Query(R"(count(ibmmq_queue_depth{queue=~"SYSTEM.*"}))"), "");
  // A queue manager that is not there is reported so; the others as usual.
  EXPECT_EQ(Query(R"(csagnt_exporter_qmgr_reached{qmgr="QMGONE"})"), "0");

  // The agent ends: the requests wait on its queue until the timeout.
  agent_->Signal(SIGTERM);
  EXPECT_EQ(agent_->WaitForExit(), 0) << agent_->Log();
  EXPECT_TRUE(WaitForText([&] { return HttpGet(exporter_port_, "/metrics"); },
                          "csagnt_exporter_errors_total{qmgr=\"QM1\",kind=\"timeout\"} 1\n", 1,
                          kPrometheusWaitMs))
      << exporter_->Output();

  // Then the queue manager ends: reached falls to 0, the queue metrics go,
  // the reason is told once however many scrapes fail, for the whole
  // episode.
  stand_in_->Stop("--immediate");
  ASSERT_TRUE(WaitForValue(R"(csagnt_exporter_qmgr_reached{qmgr="QM1"})", "0"))
      << exporter_->Output();
  EXPECT_TRUE(WaitForValue(R"(count(ibmmq_queue_depth{queue="APP.DEPTH"}) or vector(0))", "0"));
  ASSERT_TRUE(
      WaitForValue(R"(csagnt_exporter_errors_total{qmgr="QM1",kind="connect"} > bool 2)", "1"));
  EXPECT_EQ(CountOf(exporter_->Output(), "queue manager QM1 not reached"), 1)
      << exporter_->Output();

  // Started again with its agent: the next scrapes connect anew.
  Restarted restarted{"QM1"};
  ASSERT_EQ(mqemu_test::RunTool("start QM1 --default"), 0);
  for (const char* queue : {agent_test::kAgentInputQueue, "APP.DEPTH"}) {
    stand_in_->Tool(std::string("define QM1 ") + queue);
  }
  stand_in_->Tool("put QM1 APP.DEPTH message");
  agent_ = std::make_unique<AgentProcess>(std::vector<std::string>{"-k", "-m", "QM1"});
  ASSERT_TRUE(agent_->WaitUntilRunning()) << agent_->Log();
  EXPECT_TRUE(WaitForValue(R"(csagnt_exporter_qmgr_reached{qmgr="QM1"})", "1"))
      << exporter_->Output();
  EXPECT_TRUE(WaitForValue(R"(ibmmq_queue_depth{queue="APP.DEPTH"})", "1"));
  EXPECT_EQ(CountOf(exporter_->Output(), "queue manager QM1 reached again"), 1)
      << exporter_->Output();

  agent_->Signal(SIGTERM);
  EXPECT_EQ(agent_->WaitForExit(), 0);
  EXPECT_EQ(exporter_->Stop(SIGTERM), 0) << exporter_->Output();
}

TEST_F(ExporterProcessTest, PromtoolAcceptsTheExpositionAndTheAlertRules) {
  if (promtool_.empty()) GTEST_SKIP() << "no promtool on the PATH";
  stand_in_->Tool("put QM1 APP.DEPTH message");
  const std::string exposition = HttpGet(exporter_port_, "/metrics");
  ASSERT_NE(exposition.find(
                "\nibmmq_queue_depth{qmgr=\"QM1\",queue=\"APP.DEPTH\",platform=\"UNIX\"} 1\n"),
            std::string::npos)
      << exposition;
  ASSERT_NE(exposition.find("# TYPE csagnt_exporter_errors_total counter\n"), std::string::npos);
  // promtool's linter wants no _count suffix on a gauge; the names that have
  // one are IBM's exporter's, kept so that its dashboards work. Anything
  // else it says is a fault, and status 1 is a parse error.
  const ProgramRun check = RunProgram(
      "/bin/sh", {"-c", promtool_ + " check metrics < " + dir_.Write("metrics.txt", exposition)});
  EXPECT_NE(check.exit_status, 1) << check.output;
  std::string rest = check.output;
  for (const char* kept : {"ibmmq_qmgr_connection_count", "ibmmq_queue_mqput_mqput1_count",
                           "ibmmq_queue_mqget_count"}) {
    const std::string line = std::string(kept) +
                             " non-histogram and non-summary metrics should not have \"_count\" "
                             "suffix\n";
    if (size_t at = rest.find(line); at != std::string::npos) rest.erase(at, line.size());
  }
  EXPECT_EQ(rest, "") << check.output;

  const ProgramRun rules = RunProgram(promtool_, {"check", "rules", ALERT_RULES});
  EXPECT_EQ(rules.exit_status, 0) << rules.output;
  EXPECT_NE(rules.output.find("SUCCESS: 3 rules found"), std::string::npos) << rules.output;
}

}  // namespace
