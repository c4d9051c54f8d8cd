// The process-wide values that several subsystems share, with their thread
// rules. Two threads work once consumption has started: the main thread (the
// timed loop) and IBM MQ's callback thread (the event handler and the two
// consumers). The values are relaxed atomics so that either thread may read
// a value the other wrote without a data race; no value here orders any
// other memory, and a reader may see a value one pass old, which the timers
// tolerate.
#pragma once

#include <cmqc.h>

#include <atomic>
#include <cstdint>

#include "agent/exit_status.h"

// Set to 1, never cleared, by whatever must end the agent (STOP, the end of
// the connection, fatal failures, a termination signal); the main loop acts
// on it. Lock-free, so a signal handler may store it.
extern std::atomic<int> StopRequested;

// How many stops were requested (STOP, signals, failures); an orderly
// stop's wait for outstanding requests ends when another one comes.
extern std::atomic<int> StopRequestCount;

// The termination signal that set StopRequested, or 0; the main loop reports
// it. Stored by the signal handler alone.
extern std::atomic<int> StopSignal;

// Current time in whole seconds since the epoch: refreshed by the main loop,
// by every message written and by the relay where it needs the time.
extern std::atomic<int64_t> CurrentTime;

// Time of the last request or reply taken in (the disconnect interval).
extern std::atomic<int64_t> LastActivityTime;

// Length of the console status line on screen, 0 when none is shown.
extern std::atomic<int> StatusLineLength;

// The usage text was written: shutdown stays quiet. Main thread only.
extern bool UsageShown;

// The one connection and the three queue handles; -1 until set. Written by
// start-up on the main thread before consumption starts.
extern MQHCONN QMgrHconn;
extern MQHOBJ CommandQueueHobj;
extern MQHOBJ InputQueueHobj;
extern MQHOBJ ReplyQueueHobj;

// What the queue manager told the agent about itself when it connected.
// Written by the connection on the main thread before consumption starts;
// read-only afterwards.
struct QMGRFACTS {
  char DeadLetterQName[MQ_Q_NAME_LENGTH + 1];  // its dead-letter queue; empty when it names none
  int32_t MaxHandles;                          // handles one connection may hold open (MAXHANDS)
};
extern QMGRFACTS QueueManagerFacts;

// The command server's queue and the agent's input queue as IBM MQ resolved
// them when start-up opened them (an alias is its base queue): neither may
// be a client's reply queue, and they may not be one queue. (The agent's
// reply queue is actualreplyq.) Written by start-up before consumption
// starts; read-only afterwards.
struct AGENTQUEUENAMES {
  char CommandQ[MQ_Q_NAME_LENGTH + 1];
  char InputQ[MQ_Q_NAME_LENGTH + 1];
};
extern AGENTQUEUENAMES AgentQueueNames;

// The exit status that the stop requested so far calls for: kExitOrderly
// until a stop that is a failure is requested, then kExitFailure for good.
extern std::atomic<int> StopExitStatus;

// Sets StopRequested (a plain store; the flag is only ever set), remembering
// whether the stop is an orderly one (kExitOrderly: STOP, a termination
// signal) or forced by a failure (kExitFailure); a failure is never turned
// back into an orderly end. Safe in a signal handler.
inline void RequestStop(int exit_status) {
  if (exit_status != kExitOrderly) StopExitStatus.store(exit_status, std::memory_order_relaxed);
  StopRequestCount.fetch_add(1, std::memory_order_relaxed);
  StopRequested.store(1, std::memory_order_relaxed);
}
inline bool IsStopRequested() {
  return StopRequested.load(std::memory_order_relaxed) != 0;
}
