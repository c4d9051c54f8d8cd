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

// Set to 1, never cleared, by whatever must end the agent (STOP, the end of
// the connection, fatal failures, a termination signal); the main loop acts
// on it. Lock-free, so a signal handler may store it.
extern std::atomic<int> StopRequested;

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

// Sets StopRequested (a plain store; the flag is only ever set).
inline void RequestStop() {
  StopRequested.store(1, std::memory_order_relaxed);
}
inline bool IsStopRequested() {
  return StopRequested.load(std::memory_order_relaxed) != 0;
}
