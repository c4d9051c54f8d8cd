// admin_bench: what the agent buys a remote administration client. It asks
// the same request of the command server directly and through the agent,
// run after run in turn (direct, agent, direct, agent, ...), times each from
// its MQPUT to the MQGET of the answer's last message, counts the messages
// and bytes received, and checks after every pair of runs that the answer
// read back from the agent (split by pcf/coalesced_reader.h) says what the
// command server's own answer says. A wrong answer ends the benchmark with
// exit status 1.
//
//   admin_bench define QMGR --queues N
//   admin_bench run QMGR --workload W [--queues N] [--runs R] [--clients C]
//                   [--requests K] [--agent-only] [--meter FILE]
//
// `define` creates the deep reply model queue and N local queues. `run`
// prints one JSON object with every run's figures (scripts/bench gathers
// them into docs/performance.md). With --queues every answer must also
// report each of the N queues once; with --agent-only (for cells where the
// direct path would take too long) only that is checked. Workloads:
//   inquire-queue  PCF Inquire Queue, Q_NAME '*', all attributes
//   escape         Escape "DISPLAY QLOCAL(*) ALL"
//   ping           Ping Queue Manager, K requests one after another
//   inquire-qmgr   Inquire Queue Manager, likewise
// The last two run C clients at once, each with its own connection and
// reply queue, and report per-request latency and throughput.
//
// With --meter, the agent runs on the MQI meter (bench/mqi_meter/meter.h)
// whose counters are in FILE, and a repeated workload also reports the
// agent's own cost per request in each run: its MQI calls by entry point,
// and the time inside its message callbacks.
//
// The client uses whatever MQI library it is linked with; with the stand-in's
// client library, MQEMU_LINK sets the network link it pays for each call.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <utility>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/admin_client.h"
#include "bench/mqi_meter/meter.h"
#include "bench/requests.h"
#include "pcf/coalesced_reader.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/response_diff.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

constexpr Path kPaths[] = {Path::kDirect, Path::kAgent};

struct Workload {
  const char* name;
  std::string (*request)();
  bool repeated;  // a small request, repeated by each of several clients
};

constexpr Workload kWorkloads[] = {
    {"inquire-queue", InquireAllQueues, false},
    {"escape", DisplayAllLocalQueues, false},
    {"ping", PingQueueManager, true},
    {"inquire-qmgr", InquireQueueManager, true},
};

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Reads the agent's answer back into the standard responses; "" or what
// failed.
std::string ReadBack(const Answer& agent, std::vector<pcf::PcfResponse>* responses) {
  responses->clear();
  std::vector<pcf::PcfResponse> split;
  for (const std::string& message : agent.messages) {
    if (MQLONG reason = pcf::SplitCoalescedPcf(message, &split)) {
      return "a message from the agent does not read back (reason " + std::to_string(reason) + ")";
    }
    for (pcf::PcfResponse& r : split) responses->push_back(std::move(r));
  }
  return "";
}

// "" when the responses read back from the agent are the command server's
// own; else what differs.
std::string Difference(const Answer& direct, const std::vector<pcf::PcfResponse>& relayed) {
  if (relayed.size() != direct.messages.size()) {
    return std::to_string(direct.messages.size()) + " responses directly, " +
           std::to_string(relayed.size()) + " through the agent";
  }
  for (size_t i = 0; i < relayed.size(); ++i) {
    pcf::PcfMessage sent;
    if (MQLONG reason = pcf::ParsePcf(direct.messages[i], &sent)) {
      return "the command server's response " + std::to_string(i + 1) + " does not read (reason " +
             std::to_string(reason) + ")";
    }
    std::string difference = pcf::ResponseDifference(sent, relayed[i].message);
    if (!difference.empty()) return "response " + std::to_string(i + 1) + ": " + difference;
  }
  return "";
}

// The queue a response reports: Q_NAME of an Inquire Queue response, or
// the QUEUE(...) of an Escape display's text; "" when none.
std::string ReportedQueue(const pcf::PcfMessage& response) {
  for (const pcf::PcfParameter& p : response.parameters) {
    if (p.type != MQCFT_STRING) continue;
    if (p.parameter == MQCA_Q_NAME) return TrimTrailingBlanks(p.text);
    if (p.parameter == MQCACF_ESCAPE_TEXT) {
      const size_t open = p.text.find("QUEUE(");
      const size_t close = p.text.find(')', open);
      if (open != std::string::npos && close != std::string::npos) {
        return p.text.substr(open + 6, close - open - 6);
      }
    }
  }
  return "";
}

// "" when the responses all succeeded and report each of the benchmark's
// `queues` queues once; else what is wrong.
std::string Incomplete(const std::vector<pcf::PcfResponse>& relayed, int queues) {
  std::vector<int> seen(static_cast<size_t>(queues) + 1);
  for (const pcf::PcfResponse& r : relayed) {
    if (r.message.header.CompCode != MQCC_OK) return "a response failed";
    const int i = BenchQueueNumber(ReportedQueue(r.message));
    if (i > 0 && i <= queues) ++seen[static_cast<size_t>(i)];
  }
  for (int i = 1; i <= queues; ++i) {
    if (seen[static_cast<size_t>(i)] != 1) {
      return BenchQueueName(i) + " reported " + std::to_string(seen[static_cast<size_t>(i)]) +
             " times";
    }
  }
  return "";
}

// The figures of one path, run by run.
struct PathFigures {
  json seconds = json::array();
  json messages = json::array();
  json bytes = json::array();
  json latency_us = json::array();       // repeated workloads: the run's median
  json throughput = json::array();       // repeated workloads: requests per second
  json mqi_calls = json::array();        // with --meter: the agent's MQI calls per request
  json callback_us = json::array();      // with --meter: its time in callbacks per request
  json callback_mqi_us = json::array();  // with --meter: of that, in its MQI calls

  json ToJson(bool repeated) const {
    json j = {{"seconds", seconds}, {"messages", messages}, {"bytes", bytes}};
    if (repeated) {
      j["latency_us"] = latency_us;
      j["throughput"] = throughput;
    }
    if (!mqi_calls.empty()) {
      j["mqi_calls_per_request"] = mqi_calls;
      j["callback_us_per_request"] = callback_us;
      j["callback_mqi_us_per_request"] = callback_mqi_us;
    }
    return j;
  }
};

// The MQI meter's counters as they stand, read from its file.
struct MeterReading {
  uint64_t calls[mqi_meter::kMeterEntries] = {};
  uint64_t callbacks = 0;
  uint64_t callback_ns = 0;
  uint64_t callback_mqi_ns = 0;
};

class MeterFile {
 public:
  explicit MeterFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    void* p = ::mmap(nullptr, sizeof(mqi_meter::Counters), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (p != MAP_FAILED) counters_ = static_cast<const mqi_meter::Counters*>(p);
  }
  ~MeterFile() {
    if (counters_) ::munmap(const_cast<mqi_meter::Counters*>(counters_), sizeof *counters_);
  }
  MeterFile(const MeterFile&) = delete;
  MeterFile& operator=(const MeterFile&) = delete;
  bool ok() const { return counters_ && counters_->magic.load() == mqi_meter::kMeterMagic; }
  MeterReading Read() const {
    MeterReading r;
    for (int e = 0; e < mqi_meter::kMeterEntries; ++e) r.calls[e] = counters_->calls[e].load();
    r.callbacks = counters_->callbacks.load();
    r.callback_ns = counters_->callback_ns.load();
    r.callback_mqi_ns = counters_->callback_mqi_ns.load();
    return r;
  }

 private:
  const mqi_meter::Counters* counters_ = nullptr;
};

// What the agent did for `requests` requests between two readings.
void AddAgentCost(const MeterReading& before, const MeterReading& after, size_t requests,
                  PathFigures* figures) {
  const double n = static_cast<double>(std::max<size_t>(requests, 1));
  json calls = json::object();
  for (int e = 0; e < mqi_meter::kMeterEntries; ++e) {
    if (uint64_t d = after.calls[e] - before.calls[e]) {
      calls[mqi_meter::kEntryNames[e]] = static_cast<double>(d) / n;
    }
  }
  calls["callbacks"] = static_cast<double>(after.callbacks - before.callbacks) / n;
  figures->mqi_calls.push_back(calls);
  auto us = [n](uint64_t ns) { return static_cast<double>(ns) / n / 1e3; };
  figures->callback_us.push_back(us(after.callback_ns - before.callback_ns));
  figures->callback_mqi_us.push_back(us(after.callback_mqi_ns - before.callback_mqi_ns));
}

struct Options {
  std::string qmgr;
  std::string model = kDeepModelQueue;
  const Workload* workload = nullptr;
  int runs = 5;
  int clients = 1;
  int requests = 100;
  int queues = 0;           // benchmark queues defined, each to be reported
  bool agent_only = false;  // the direct path left out
  std::string meter;        // the MQI meter's file of the agent, or ""
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "admin_bench: %s\n", what.c_str());
  std::exit(1);
}

// Checks the agent's answer of one run: against the direct answer, when
// there is one, and for every one of the benchmark's queues.
void Check(const Options& o, const Answer* direct, const Answer& agent, int run) {
  std::vector<pcf::PcfResponse> relayed;
  std::string wrong = ReadBack(agent, &relayed);
  if (wrong.empty() && direct != nullptr) wrong = Difference(*direct, relayed);
  if (wrong.empty() && !o.workload->repeated) wrong = Incomplete(relayed, o.queues);
  if (!wrong.empty()) Fail("run " + std::to_string(run) + ": wrong answer: " + wrong);
}

// One request, timed, on each path in turn; run 0 is the warm-up.
json RunLarge(const Options& o) {
  AdminClient client(o.qmgr, o.model);
  const std::string request = o.workload->request();
  PathFigures figures[2];
  json ratios = json::array();
  Answer answers[2];
  // The agent keeps a client's reply queue open once it has answered there
  // (its handle cache), which the queue's open count in the answers shows:
  // so it has before the first answer is compared.
  if (!client.Ask(Path::kAgent, PingQueueManager(), &answers[1])) Fail(client.error());
  for (int run = 0; run <= o.runs; ++run) {
    double seconds[2] = {0, 0};
    for (Path path : kPaths) {
      if (path == Path::kDirect && o.agent_only) continue;
      const int p = static_cast<int>(path);
      const Clock::time_point start = Clock::now();
      if (!client.Ask(path, request, &answers[p])) Fail(client.error());
      seconds[p] = Seconds(Clock::now() - start);
      if (run == 0) continue;
      figures[p].seconds.push_back(seconds[p]);
      figures[p].messages.push_back(answers[p].messages.size());
      figures[p].bytes.push_back(answers[p].bytes);
    }
    Check(o, o.agent_only ? nullptr : &answers[0], answers[1], run);
    if (run > 0 && !o.agent_only) ratios.push_back(seconds[0] / seconds[1]);
    std::fprintf(stderr, "  %s run %d: direct %.4f s (%zu messages), agent %.4f s (%zu)\n",
                 o.workload->name, run, seconds[0], answers[0].messages.size(), seconds[1],
                 answers[1].messages.size());
  }
  json result = {{"agent", figures[1].ToJson(false)}, {"ratios", ratios}};
  if (!o.agent_only) result["direct"] = figures[0].ToJson(false);
  return result;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// C clients, each on a thread of its own with its own connection and reply
// queue, each asking K times one after another; the clients start each
// path's run together and the run ends when the last one is done.
json RunRepeated(const Options& o) {
  const std::string request = o.workload->request();
  const int clients = o.clients;
  // latencies[client][path]: this run's per-request seconds.
  std::vector<std::array<std::vector<double>, 2>> latencies(clients);
  // The first answer of client 0 in each run, per path, for the check.
  Answer first[2];
  std::vector<std::string> errors(clients);
  // spans[client][path]: when this run's first request went and its last
  // answer came. The run lasts from the earliest start to the latest end,
  // so that a main thread slow to wake after a barrier cannot shorten it.
  std::vector<std::array<std::pair<Clock::time_point, Clock::time_point>, 2>> spans(clients);
  std::barrier sync(clients + 1);

  auto worker = [&](int c) {
    auto client = std::make_unique<AdminClient>(o.qmgr, o.model);
    Answer answer;
    // Warm-up: both request queues opened, the agent's handle for the reply
    // queue cached.
    for (Path path : kPaths) {
      if (client->ok()) client->Ask(path, request, &answer);
    }
    if (!client->ok()) errors[c] = client->error();
    sync.arrive_and_wait();
    for (int run = 0; run <= o.runs; ++run) {
      for (Path path : kPaths) {
        const int p = static_cast<int>(path);
        latencies[c][p].clear();
        sync.arrive_and_wait();
        spans[c][p].first = Clock::now();
        for (int k = 0; k < o.requests && errors[c].empty(); ++k) {
          const Clock::time_point start = Clock::now();
          if (!client->Ask(path, request, &answer)) {
            errors[c] = client->error();
            break;
          }
          latencies[c][p].push_back(Seconds(Clock::now() - start));
          if (c == 0 && k == 0) first[p] = answer;
        }
        spans[c][p].second = Clock::now();
        sync.arrive_and_wait();
      }
    }
  };
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c) threads.emplace_back(worker, c);

  std::optional<MeterFile> meter;
  if (!o.meter.empty()) {
    meter.emplace(o.meter);
    if (!meter->ok()) Fail("no MQI meter counters in " + o.meter);
  }
  PathFigures figures[2];
  json ratios = json::array();
  sync.arrive_and_wait();
  for (int run = 0; run <= o.runs; ++run) {
    double seconds[2];
    MeterReading before, after;
    for (Path path : kPaths) {
      const int p = static_cast<int>(path);
      if (meter) before = meter->Read();
      sync.arrive_and_wait();
      sync.arrive_and_wait();
      Clock::time_point start = spans[0][p].first, end = spans[0][p].second;
      for (const auto& span : spans) {
        start = std::min(start, span[p].first);
        end = std::max(end, span[p].second);
      }
      seconds[p] = Seconds(end - start);
      if (meter) after = meter->Read();
      for (const std::string& e : errors) {
        if (!e.empty()) Fail(e);
      }
      if (run == 0) continue;
      std::vector<double> all;
      for (const auto& per_client : latencies) {
        all.insert(all.end(), per_client[p].begin(), per_client[p].end());
      }
      figures[p].seconds.push_back(seconds[p]);
      figures[p].latency_us.push_back(Median(all) * 1e6);
      figures[p].throughput.push_back(static_cast<double>(all.size()) / seconds[p]);
      figures[p].messages.push_back(first[p].messages.size());
      figures[p].bytes.push_back(first[p].bytes);
      if (meter && path == Path::kAgent) AddAgentCost(before, after, all.size(), &figures[p]);
    }
    Check(o, &first[0], first[1], run);
    if (run > 0) ratios.push_back(seconds[0] / seconds[1]);
    std::fprintf(stderr, "  %s x%d run %d: direct %.4f s, agent %.4f s\n", o.workload->name,
                 clients, run, seconds[0], seconds[1]);
  }
  for (std::thread& t : threads) t.join();
  return {
      {"direct", figures[0].ToJson(true)}, {"agent", figures[1].ToJson(true)}, {"ratios", ratios}};
}

int Define(const std::string& qmgr, int queues) {
  AdminClient client(qmgr, kDefaultModelQueue);
  std::string error;
  if (!client.ok() || !DefineBenchQueues(&client, queues, &error)) {
    Fail(client.ok() ? error : client.error());
  }
  std::fprintf(stderr, "defined %s and %d local queues on %s\n", kDeepModelQueue, queues,
               qmgr.c_str());
  return 0;
}

int Run(const Options& o) {
  json result = o.workload->repeated ? RunRepeated(o) : RunLarge(o);
  result["workload"] = o.workload->name;
  result["clients"] = o.clients;
  result["runs"] = o.runs;
  result["queues"] = o.queues;
  if (o.workload->repeated) result["requests"] = o.requests;
  std::printf("%s\n", result.dump().c_str());
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  using namespace bench;
  CLI::App app{"The administration benchmark: the command server directly and through the agent"};
  app.require_subcommand(1);

  std::string qmgr;
  int queues = 0;
  CLI::App* define = app.add_subcommand("define", "define the reply model queue and N queues");
  define->add_option("QMGR", qmgr, "queue manager")->required();
  define->add_option("--queues", queues, "local queues to define")
      ->required()
      ->check(CLI::Range(0, 100000));

  Options o;
  std::string workload;
  std::vector<std::string> names;
  for (const Workload& w : kWorkloads) names.push_back(w.name);
  CLI::App* run = app.add_subcommand("run", "run one workload on both paths, print JSON");
  run->add_option("QMGR", o.qmgr, "queue manager")->required();
  run->add_option("--workload", workload, "what to ask")->required()->check(CLI::IsMember(names));
  run->add_option("--runs", o.runs, "measured runs of each path (after one warm-up)")
      ->check(CLI::Range(1, 1000));
  run->add_option("--clients", o.clients, "concurrent clients (ping, inquire-qmgr)")
      ->check(CLI::Range(1, 64));
  run->add_option("--requests", o.requests, "requests of each client in a run (ping, inquire-qmgr)")
      ->check(CLI::Range(1, 1000000));
  run->add_option("--model", o.model, "model queue of the reply queues");
  run->add_option("--queues", o.queues, "benchmark queues defined, each checked to be reported")
      ->check(CLI::Range(0, 100000));
  run->add_option("--meter", o.meter, "the MQI meter's file of the agent (ping, inquire-qmgr)");
  run->add_flag("--agent-only", o.agent_only, "leave the direct path out (inquire-queue, escape)");

  CLI11_PARSE(app, argc, argv);
  if (*define) return Define(qmgr, queues);
  for (const Workload& w : kWorkloads) {
    if (workload == w.name) o.workload = &w;
  }
  if (!o.workload->repeated && o.clients != 1) Fail(workload + " runs with one client");
  if (o.workload->repeated && o.agent_only) Fail(workload + " runs on both paths");
  return Run(o);
}
