// The traffic counters, AgentStats, and the status report CSAG080I.
//
// Every counter exists twice: since start and for the current interval,
// which begins at IntervalStart and ends with the next report. Each Count*
// call adds to both. The counters are 32-bit and wrap around. They are
// relaxed atomics: the consumer thread and the main thread add, read and
// reset them without a lock, and a report may show a count and its byte
// total from slightly different moments.
#pragma once

#include <atomic>
#include <cstdint>

#include "log/unit_format.h"

using TrafficCounter = std::atomic<uint32_t>;

struct TrafficCounters {
  TrafficCounter CommandsReceived{0};
  TrafficCounter CommandBytesReceived{0};
  TrafficCounter RepliesReceived{0};
  TrafficCounter ReplyBytesReceived{0};
  TrafficCounter ResponsesSent{0};
  TrafficCounter ResponseBytesSent{0};
  TrafficCounter FailedPuts{0};
  TrafficCounter PutsRetried{0};
};

// A copy of one column of counters, read one counter at a time.
struct TrafficCounts {
  uint32_t CommandsReceived;
  uint32_t CommandBytesReceived;
  uint32_t RepliesReceived;
  uint32_t ReplyBytesReceived;
  uint32_t ResponsesSent;
  uint32_t ResponseBytesSent;
  uint32_t FailedPuts;
  uint32_t PutsRetried;
};

struct AgentStatistics {
  TrafficCounters since_start;
  TrafficCounters interval;
  // Start of the current interval (seconds since the epoch): set by
  // start-up, and to CurrentTime by every report.
  std::atomic<int64_t> IntervalStart{0};
};

extern AgentStatistics AgentStats;

// A message taken from the input queue (simple command handled or request
// forwarded), of `bytes` bytes.
void CountCommandReceived(uint32_t bytes);
// A reply matched to an outstanding request, of `bytes` bytes as received.
void CountReplyReceived(uint32_t bytes);
// A message put successfully to a requester's reply queue.
void CountResponseSent(uint32_t bytes);
// One failed MQPUT attempt.
void CountFailedPut();
// A put that succeeded after at least one failed attempt.
void CountPutRetried();

TrafficCounts ReadCounts(const TrafficCounters& counters);

// Writes CSAG080I at level 1 (MSG_ORDINARY) with both columns, then sets the
// interval counters to 0 and IntervalStart to CurrentTime. The interval is
// labelled with reportint minutes, or, when `actual_time` is 1 and
// CurrentTime is set, with the whole minutes since IntervalStart.
void StatusReport(int actual_time);

// Compression achieved: (received - sent) * 100 / received in 64 bits,
// truncated toward zero; 0 when nothing was received. Negative when more
// was sent than received.
int64_t CompressionPercent(uint32_t received, uint32_t sent);

// Sets every counter to 0 and IntervalStart to 0. For tests.
void ResetAgentStatsForTesting();
