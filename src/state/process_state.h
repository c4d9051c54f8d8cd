// The process's own state, the record `Process`: what several subsystems
// share about the running agent, with its thread rules. Two threads work
// once consumption has started: the main thread (the timed loop) and IBM
// MQ's callback thread (the event handler and the two consumers). The
// atomic fields are relaxed atomics so that either thread may read a value
// the other wrote without a data race; no value here orders any other
// memory, and a reader may see a value one pass old, which the timers
// tolerate.
#pragma once

#include <cmqc.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "state/exit_status.h"

constexpr size_t kProgramDirectorySize = 300;

// What the queue manager told the agent about itself when it connected.
struct QMGRFACTS {
  char DeadLetterQName[MQ_Q_NAME_LENGTH + 1];  // its dead-letter queue; empty when it names none
  int32_t MaxHandles;                          // handles one connection may hold open (MAXHANDS)
};

// The command server's queue and the agent's input queue as IBM MQ resolved
// them when start-up opened them (an alias is its base queue): neither may
// be a client's reply queue, and they may not be one queue. (The agent's
// reply queue is actualreplyq.)
struct AGENTQUEUENAMES {
  char CommandQ[MQ_Q_NAME_LENGTH + 1];
  char InputQ[MQ_Q_NAME_LENGTH + 1];
};

struct PROCESSSTATE {
  // Set to 1, never cleared, by whatever must end the agent (STOP, the end
  // of the connection, fatal failures, a termination signal); the main loop
  // acts on it. Lock-free, so a signal handler may store it.
  std::atomic<int> StopRequested{0};
  // How many stops were requested (STOP, signals, failures); an orderly
  // stop's wait for outstanding requests ends when another one comes.
  std::atomic<int> StopRequestCount{0};
  // The termination signal that set StopRequested, or 0; the main loop
  // reports it. Stored by the signal handler alone.
  std::atomic<int> StopSignal{0};
  // The exit status that the stop requested so far calls for: kExitOrderly
  // until a stop that is a failure is requested, then kExitFailure for good.
  std::atomic<int> StopExitStatus{kExitOrderly};

  // Current time in whole seconds since the epoch: refreshed by the main
  // loop, by every message written and by the relay where it needs the time.
  std::atomic<int64_t> CurrentTime{0};
  // Time of the last request or reply taken in (the disconnect interval).
  std::atomic<int64_t> LastActivityTime{0};

  // Length of the console status line on screen, 0 when none is shown.
  std::atomic<int> StatusLineLength{0};
  // The usage text was written: shutdown stays quiet. Main thread only.
  bool UsageShown = false;
  // Directory of the running executable (no trailing '/'); empty until
  // FindProgramDirectory fills it. Written on the main thread at start-up.
  char ProgramDirectory[kProgramDirectorySize] = "";

  // The one connection and the three queue handles; unusable until set.
  // Written by start-up on the main thread before consumption starts.
  MQHCONN QMgrHconn = MQHC_UNUSABLE_HCONN;
  MQHOBJ CommandQueueHobj = MQHO_UNUSABLE_HOBJ;
  MQHOBJ InputQueueHobj = MQHO_UNUSABLE_HOBJ;
  MQHOBJ ReplyQueueHobj = MQHO_UNUSABLE_HOBJ;
  // The CorrelId of every forwarded request: "CSAGNT" and 18 random bytes,
  // chosen once per process. A reply is the agent's only when it carries
  // this CorrelId beside its request's MsgId, so nobody who cannot see the
  // forwarded requests can make the command server answer into the agent's
  // reply queue in a request's name. Written by ChooseForwardCorrelId during
  // start-up, before consumption starts; read-only afterwards.
  MQBYTE24 ForwardCorrelId = {};
  // Written by the connection on the main thread before consumption starts;
  // read-only afterwards. MaxHandles is IBM MQ's default MAXHANDS until the
  // queue manager is asked.
  QMGRFACTS QueueManagerFacts = {"", 256};
  // Written by start-up before consumption starts; read-only afterwards.
  AGENTQUEUENAMES AgentQueueNames = {"", ""};
};
extern PROCESSSTATE Process;

// Puts Process back as at process start. For tests, with no other thread
// running.
void ResetProcessStateForTesting();

// Sets StopRequested (a plain store; the flag is only ever set), remembering
// whether the stop is an orderly one (kExitOrderly: STOP, a termination
// signal) or forced by a failure (kExitFailure); a failure is never turned
// back into an orderly end. Safe in a signal handler.
inline void RequestStop(int exit_status) {
  if (exit_status != kExitOrderly) {
    Process.StopExitStatus.store(exit_status, std::memory_order_relaxed);
  }
  Process.StopRequestCount.fetch_add(1, std::memory_order_relaxed);
  Process.StopRequested.store(1, std::memory_order_relaxed);
}
inline bool IsStopRequested() {
  return Process.StopRequested.load(std::memory_order_relaxed) != 0;
}
