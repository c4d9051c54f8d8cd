// The timed loop of the main thread.
#include "agent/main_loop.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "agent/console.h"
#include "agent/stop_wait.h"
#include "consolidate/ageing.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "log/status_report.h"
#include "mq/consumption.h"
#include "relay/reply_queue_cache.h"
#include "relay/request_table.h"
#include "relay/retry_queue.h"
#include "state/exit_status.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

int64_t Now() {
  return Process.CurrentTime.load(std::memory_order_relaxed);
}

// Sleeps `seconds`, waking early when a stop is requested, so that a signal
// or STOP is acted on at once, and on a console when a key is pressed, so
// that it is answered at once.
void Sleep(int seconds, bool console) {
  constexpr int kSliceMs = 100;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!IsStopRequested() && std::chrono::steady_clock::now() < until) {
    if (!console) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
    } else if (WaitForKey(kSliceMs)) {
      return;
    }
  }
}

// The exit status of a stop: an orderly one first waits for the requests
// still outstanding, as stopwait asks.
int Stopped(int exit_status) {
  return exit_status == kExitOrderly ? WaitForOutstandingRequests() : exit_status;
}

}  // namespace

PassOutcome RunTimedWork(int64_t now) {
  Process.CurrentTime.store(now, std::memory_order_relaxed);
  if (Now() - RequestTable.LastAgeing >= AgentConfig.reqchkdelay &&
      RequestTable.RequestCount.load(std::memory_order_relaxed) != 0) {
    AgeRequests();
  }
  if (Now() - ReplyQCache.LastHobjCheck >= AgentConfig.hobjchkdelay) ExpireReplyQHandles();
  RetryDeferredDeliveries();
  if (IsStopRequested()) return PassOutcome::kStop;
  if (Now() - AgentStats.IntervalStart.load(std::memory_order_relaxed) >=
      int64_t{AgentConfig.reportint} * 60) {
    StatusReport(0);
  }
  if (AgentConfig.discint != 0 && (AgentConfig.AgentFlags & AF_TRIGGERED) &&
      Now() - Process.LastActivityTime.load(std::memory_order_relaxed) >=
          int64_t{AgentConfig.discint} * 60) {
    Log(kLevelLow, kCsag020I, AgentConfig.discint);
    return PassOutcome::kDisconnect;
  }
  return PassOutcome::kGoOn;
}

int RunMainLoop() {
  if (StartConsumption() != MQRC_NONE) return kExitFailure;
  const bool console = (AgentConfig.AgentFlags & AF_NOCONSOLE) == 0;
  if (console) EnterKeyMode();

  for (;;) {
    if (IsStopRequested()) break;
    switch (RunTimedWork(time(nullptr))) {
      case PassOutcome::kGoOn:
        break;
      case PassOutcome::kStop:
        return Stopped(Process.StopExitStatus.load(std::memory_order_relaxed));
      case PassOutcome::kDisconnect:
        return kExitOrderly;
    }
    const ConsoleAction action = console ? ConsolePass() : ConsoleAction::kSleep;
    if (action == ConsoleAction::kQuit) return Stopped(kExitOrderly);
    if (action == ConsoleAction::kSleep) Sleep(AgentConfig.sleeptime, console);
  }
  return Stopped(Process.StopExitStatus.load(std::memory_order_relaxed));
}
