// The exporter's configuration file: which queue managers to collect, how
// to reach each one, which of its queues to report, and how long a
// collection may take. The file is YAML, in the style of Prometheus
// exporters:
//
//   timeout: 10s            # a collection's longest time, per queue manager
//   min_interval: 15s       # scrapes in between get the last collection
//   queue_managers:
//     - name: QM1           # connected with the server library
//       agent_queue: TOVAN.CSAGNT.COMMAND.QUEUE
//     - name: QM2           # connected as a client
//       channel: SYSTEM.DEF.SVRCONN
//       conname: mqhost(1414)
//       direct: true        # ask the command server itself
//       include: [APP.*]
//       exclude: [APP.TEMP.*]
//       reset_stats: true
//
// A file that cannot be used is refused whole, with the line of the fault
// and the reason; no value that is wrong falls back to a default.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace exporter {

using Milliseconds = std::chrono::milliseconds;

constexpr char kDefaultAgentQueue[] = "TOVAN.CSAGNT.COMMAND.QUEUE";
constexpr char kDefaultReplyModel[] = "SYSTEM.DEFAULT.MODEL.QUEUE";
constexpr Milliseconds kDefaultTimeout{10000};

// One queue manager to collect.
struct QueueManagerConfig {
  std::string name;     // as MQCONNX takes it; never empty
  std::string channel;  // a client's server-connection channel; empty for the server library
  std::string conname;  // a client's connection name, "host(port)"
  std::string agent_queue = kDefaultAgentQueue;
  bool direct = false;  // ask the command server's own queue, not the agent
  std::string reply_model = kDefaultReplyModel;
  // Queue name patterns ('*' any characters, '?' one). A queue is reported
  // when it matches an include pattern and no exclude pattern; SYSTEM.*
  // queues only when an include pattern itself starts with "SYSTEM.".
  std::vector<std::string> include = {"*"};
  std::vector<std::string> exclude;
  Milliseconds timeout = kDefaultTimeout;
  // Reset Queue Statistics at each collection (puts and gets since the last
  // one); off by default, since it resets what other monitors may read.
  bool reset_stats = false;

  bool client() const { return !channel.empty(); }
};

struct Config {
  // Scrapes closer together than this are answered from the last collection.
  Milliseconds min_interval{0};
  std::vector<QueueManagerConfig> queue_managers;
};

// Reads the configuration from YAML `text`. Returns "" and fills *config, or
// the reason it cannot be used, "line N: REASON" (N from 1) where the fault
// has a place.
std::string ParseConfig(std::string_view text, Config* config);

// Reads the file at `path` with ParseConfig. Returns "" or "PATH: REASON"
// ("PATH:N: REASON" with a line).
std::string LoadConfig(const std::string& path, Config* config);

// Whether `queue` is to be reported under `config`'s include and exclude
// patterns.
bool QueueSelected(const QueueManagerConfig& config, std::string_view queue);

// Parses a duration as Prometheus writes them: a whole number and a unit,
// "500ms", "10s", "2m", "1h", one or more in a row ("1m30s"). False when
// `text` is not one.
bool ParseDuration(std::string_view text, Milliseconds* out);

}  // namespace exporter
