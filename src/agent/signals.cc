// Handlers for the termination signals.
#include "agent/signals.h"

#include <csignal>

#include "agent/process_state.h"
#include "log/message.h"

namespace {

static_assert(std::atomic<int>::is_always_lock_free, "the handler stores atomics");

extern "C" void OnTerminationSignal(int signal_number) {
  StopSignal.store(signal_number, std::memory_order_relaxed);
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
  int signal_number = StopSignal.load(std::memory_order_relaxed);
  if (signal_number == 0 || TerminationReported) return;
  TerminationReported = true;
  AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream, "CSAG022I Termination signal %d received\n",
               signal_number);
}
