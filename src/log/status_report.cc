// The counters' increments and the CSAG080I report.
#include "log/status_report.h"

#include <cinttypes>

#include "log/message.h"
#include "log/message_texts.h"
#include "state/process_state.h"
#include "state/settings.h"

AgentStatistics AgentStats;

namespace {

void Add(TrafficCounter TrafficCounters::*counter, uint32_t amount) {
  (AgentStats.since_start.*counter).fetch_add(amount, std::memory_order_relaxed);
  (AgentStats.interval.*counter).fetch_add(amount, std::memory_order_relaxed);
}

constexpr TrafficCounter TrafficCounters::*kAllCounters[] = {
    &TrafficCounters::CommandsReceived, &TrafficCounters::CommandBytesReceived,
    &TrafficCounters::RepliesReceived,  &TrafficCounters::ReplyBytesReceived,
    &TrafficCounters::ResponsesSent,    &TrafficCounters::ResponseBytesSent,
    &TrafficCounters::FailedPuts,       &TrafficCounters::PutsRetried,
};

void Clear(TrafficCounters& counters) {
  for (TrafficCounter TrafficCounters::*counter : kAllCounters) {
    (counters.*counter).store(0, std::memory_order_relaxed);
  }
}

// The counts are written as signed decimal numbers.
int Signed(uint32_t count) {
  return static_cast<int32_t>(count);
}

}  // namespace

void CountCommandReceived(uint32_t bytes) {
  Add(&TrafficCounters::CommandsReceived, 1);
  Add(&TrafficCounters::CommandBytesReceived, bytes);
}

void CountReplyReceived(uint32_t bytes) {
  Add(&TrafficCounters::RepliesReceived, 1);
  Add(&TrafficCounters::ReplyBytesReceived, bytes);
}

void CountResponseSent(uint32_t bytes) {
  Add(&TrafficCounters::ResponsesSent, 1);
  Add(&TrafficCounters::ResponseBytesSent, bytes);
}

void CountFailedPut() {
  Add(&TrafficCounters::FailedPuts, 1);
}

void CountPutRetried() {
  Add(&TrafficCounters::PutsRetried, 1);
}

TrafficCounts ReadCounts(const TrafficCounters& counters) {
  constexpr auto relaxed = std::memory_order_relaxed;
  return {counters.CommandsReceived.load(relaxed), counters.CommandBytesReceived.load(relaxed),
          counters.RepliesReceived.load(relaxed),  counters.ReplyBytesReceived.load(relaxed),
          counters.ResponsesSent.load(relaxed),    counters.ResponseBytesSent.load(relaxed),
          counters.FailedPuts.load(relaxed),       counters.PutsRetried.load(relaxed)};
}

int64_t CompressionPercent(uint32_t received, uint32_t sent) {
  if (received == 0) return 0;
  return (static_cast<int64_t>(received) - static_cast<int64_t>(sent)) * 100 /
         static_cast<int64_t>(received);
}

void StatusReport(int actual_time) {
  const int64_t now = Process.CurrentTime.load(std::memory_order_relaxed);
  const int64_t minutes =
      (actual_time == 1 && now != 0)
          ? (now - AgentStats.IntervalStart.load(std::memory_order_relaxed)) / 60
          : AgentConfig.reportint;
  const TrafficCounts all = ReadCounts(AgentStats.since_start);
  const TrafficCounts last = ReadCounts(AgentStats.interval);

  char interval[kUnitTextSize];
  char bytes[6][kUnitTextSize];
  FormatMinutes(minutes, interval);
  FormatBytes(all.CommandBytesReceived, bytes[0]);
  FormatBytes(last.CommandBytesReceived, bytes[1]);
  FormatBytes(all.ReplyBytesReceived, bytes[2]);
  FormatBytes(last.ReplyBytesReceived, bytes[3]);
  FormatBytes(all.ResponseBytesSent, bytes[4]);
  FormatBytes(last.ResponseBytesSent, bytes[5]);

  Log(kLevelLow, kCsag080I, interval, Signed(all.CommandsReceived), Signed(last.CommandsReceived),
      bytes[0], bytes[1], Signed(all.RepliesReceived), Signed(last.RepliesReceived), bytes[2],
      bytes[3], Signed(all.ResponsesSent), Signed(last.ResponsesSent), bytes[4], bytes[5],
      CompressionPercent(all.ReplyBytesReceived, all.ResponseBytesSent),
      CompressionPercent(last.ReplyBytesReceived, last.ResponseBytesSent), Signed(all.FailedPuts),
      Signed(last.FailedPuts), Signed(all.PutsRetried), Signed(last.PutsRetried));

  Clear(AgentStats.interval);
  AgentStats.IntervalStart.store(Process.CurrentTime.load(std::memory_order_relaxed),
                                 std::memory_order_relaxed);
}

void ResetAgentStatsForTesting() {
  Clear(AgentStats.since_start);
  Clear(AgentStats.interval);
  AgentStats.IntervalStart.store(0, std::memory_order_relaxed);
}
