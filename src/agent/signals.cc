// Handlers for the termination signals.
#include "agent/signals.h"

#include <csignal>

#include "log/message.h"
#include "log/message_texts.h"
#include "state/process_state.h"

namespace {

static_assert(std::atomic<int>::is_always_lock_free, "the handler stores atomics");

extern "C" void OnTerminationSignal(int signal_number) {
  Process.StopSignal.store(signal_number, std::memory_order_relaxed);
  RequestStop(kExitOrderly);
}

bool TerminationReported = false;

}  // namespace

void InstallTerminationHandlers() {
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal_number, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

void ReportTerminationSignal() {
  int signal_number = Process.StopSignal.load(std::memory_order_relaxed);
  if (signal_number == 0 || TerminationReported) return;
  TerminationReported = true;
  Log(kLevelQuiet, kCsag022I, signal_number);
}
