// An administration client as the benchmarks run it, on the shared client
// (admin/client.h) with IBM MQ's library linked: one connection to the queue
// manager, the command server's queue and the agent's input queue each
// opened once for output, at its first use (as an administration tool keeps
// them), and a temporary dynamic reply queue of its own. Each Ask puts one
// PCF request to one of the two queues and gets the whole answer, one MQGET
// per message, as a client does over the network.
//
// Also the benchmark's queue set: the deep reply model queue and the N
// local queues that the inquiries report.
#pragma once

#include <cmqc.h>

#include <cstddef>
#include <string>
#include <vector>

#include "admin/client.h"

namespace bench {

inline constexpr char kCommandQueue[] = "SYSTEM.ADMIN.COMMAND.QUEUE";
inline constexpr char kAgentQueue[] = "TOVAN.CSAGNT.COMMAND.QUEUE";
inline constexpr char kDefaultModelQueue[] = "SYSTEM.DEFAULT.MODEL.QUEUE";
// A model queue deep enough for the whole answer about 5,000 queues (the
// default model queue holds 5,000 messages; replies beyond go to the
// dead-letter queue).
inline constexpr char kDeepModelQueue[] = "CSAGNT.BENCH.MODEL";
inline constexpr MQLONG kDeepModelDepth = 100000;

// Where a request goes: to the command server directly, or to the agent.
enum class Path { kDirect, kAgent };
const char* PathName(Path path);

// What the client received for one request.
struct Answer {
  std::vector<std::string> messages;  // each message's data, in order
  size_t bytes = 0;                   // their lengths added up
};

class AdminClient {
 public:
  // Connects to `qmgr` and opens a reply queue made from `reply_model`. On
  // failure ok() is false and error() says why.
  AdminClient(const std::string& qmgr, const std::string& reply_model);

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

  // Puts `request` (a PCF command) to the queue of `path` and replaces
  // *answer with the messages that answer it (CorrelId the request's MsgId),
  // up to and including the last (the first whose MQCFH has MQCFC_LAST),
  // waiting at most `wait_ms` for each. Returns false, with error() set, when a call
  // fails or no last message came in time.
  bool Ask(Path path, const std::string& request, Answer* answer, MQLONG wait_ms = 120000);

 private:
  admin::Client client_;
  std::string error_;
};

// The name of the benchmark's local queue number `i` (from 1), and the
// number of the queue `name` (0 when it is none of the benchmark's).
std::string BenchQueueName(int i);
int BenchQueueNumber(const std::string& name);

// Defines, with PCF Create Queue sent directly to the command server, the
// deep model queue and the local queues 1 to `count`, replacing any of the
// same names. Returns false, with client->error() set or *error the first
// failed reply's reason, when one could not be defined.
bool DefineBenchQueues(AdminClient* client, int count, std::string* error);

}  // namespace bench
