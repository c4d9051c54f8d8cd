// Test support: many administration clients at once through one or more
// agents, with exactly-once accounting. Each client has its own connection
// and dynamic reply queue and sends its requests one after the other, each
// with identifiers of its own and a report option from a rotation, and
// reads its answer: every reply must carry the identifiers of the request
// that is waiting, the answer must be complete (all the responses the
// command server numbered, or the agent's CSAG501E reply), and nothing may
// arrive after it. The totals of each queue manager's clients are then
// compared with the counters of the agents that served them (their final
// CSAG080I report).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "agent_process.h"

namespace agent_test {

// A client's wait for the next message of an answer before the request
// counts as lost: beyond the agent's own answer (maxage + reqchkdelay).
constexpr int kLoadAnswerWaitMs = 60000;

// The requests of the mix.
enum class LoadRequest {
  kInquireQueue,         // PCF Inquire Queue of SYSTEM.*
  kInquireQueueManager,  // PCF Inquire Queue Manager
  kPing,                 // PCF Ping Queue Manager
  kEscape,               // PCF Escape: DISPLAY QLOCAL(SYSTEM.*)
  kMqsc,                 // MQSC text, for a z/OS command server
};

// The mix for a distributed queue manager and for a z/OS one.
std::vector<LoadRequest> DistributedMix();
std::vector<LoadRequest> ZosMix();

// Where a client sends: the queue manager of the agents' input queue and the
// requests it takes in turn.
struct LoadTarget {
  std::string qmgr;
  std::vector<LoadRequest> mix;
};

// What the clients of one queue manager counted.
struct LoadTotals {
  int64_t requests = 0;       // put to the agents' input queue
  int64_t answered = 0;       // complete answers, each exactly once
  int64_t error_answers = 0;  // of them, the agent's CSAG501E reply
  int64_t lost = 0;           // no complete answer in time
  int64_t duplicated = 0;     // a message for a request already answered
  int64_t misdelivered = 0;   // a message for another client's request, or for none
  int64_t bad_answers = 0;    // wrong identifiers, a malformed or incomplete answer
  int64_t messages = 0;       // messages received
  int64_t bytes = 0;          // their bytes
  int64_t replies = 0;        // command server replies in them (PCF responses, MQSC texts)

  LoadTotals& operator+=(const LoadTotals& other);
};

// The counters of one agent's last CSAG080I report (since start), or all
// -1 when there is none.
struct AgentCounters {
  int64_t commands = -1;
  int64_t replies = -1;
  int64_t responses = -1;
  int64_t failed_puts = -1;
  std::string response_bytes_text;  // as written, with its unit
};
AgentCounters LastReportCounters(const std::string& log);

// The test fails unless every request of `totals` was answered exactly
// once, each answer complete and only to its own client.
void ExpectExactlyOnce(const LoadTotals& totals);

// The test fails unless the agents that served the clients of `totals`
// counted, together, what the clients counted: every request taken in,
// every command server reply, every message and byte delivered, no failed
// put.
void ExpectCountersMatch(const std::vector<AgentCounters>& agents, const LoadTotals& totals);

// The counting sizes: CSAGNT_LOAD_CLIENTS and CSAGNT_LOAD_REQUESTS from the
// environment, else the defaults given.
int LoadSize(const char* variable, int default_value);

// One load: `clients` clients, client i sending `requests` requests to
// targets[i % targets.size()].
class Load {
 public:
  Load(std::vector<LoadTarget> targets, int clients, int requests);

  // Runs every client to its end; `answer_wait_ms` is how long a client
  // waits for the next message of an answer before it counts the request
  // as lost. Returns the wall time in seconds.
  double Run(int answer_wait_ms);

  // Complete answers so far (any thread, during Run).
  int64_t AnsweredSoFar() const { return answered_so_far_.load(std::memory_order_relaxed); }

  // The totals of the clients of `qmgr`, and of all.
  LoadTotals TotalsOf(const std::string& qmgr) const;
  LoadTotals Totals() const;

 private:
  void RunClient(int index, int answer_wait_ms);
  // Records the CorrelId the answer to a request will carry, with its client.
  void Register(const std::string& key, int client);
  int OwnerOf(const std::string& key);

  std::vector<LoadTarget> targets_;
  int clients_;
  int requests_;
  std::vector<LoadTotals> per_client_;
  std::atomic<int64_t> answered_so_far_{0};
  std::mutex keys_mu_;
  std::map<std::string, int> keys_;  // guarded by keys_mu_
};

// Writes the figures of a run as lines beginning with "load: ".
void PrintLoadFigures(const std::string& title, const LoadTotals& totals, double seconds,
                      const std::vector<std::pair<std::string, long>>& peak_memory_kb);

}  // namespace agent_test
