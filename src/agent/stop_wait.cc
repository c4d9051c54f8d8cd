// The wait of an orderly stop for the requests still outstanding.
#include "agent/stop_wait.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "agent/console.h"
#include "agent/signals.h"
#include "consolidate/ageing.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "mq/consumption.h"
#include "mq/mqi_table.h"
#include "pcf/names/constant_names.h"
#include "relay/request_table.h"
#include "relay/retry_queue.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

// Deregisters the input queue's consumer, with consumption suspended around
// the call (IBM MQ takes no call from another thread on a started
// connection). Returns false when consumption could not be resumed.
bool StopIntake() {
  if (Process.InputQueueHobj == MQHO_UNUSABLE_HOBJ || MqiTable.MQCB == nullptr) return true;
  SuspendConsumption();
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQCB(Process.QMgrHconn, MQOP_DEREGISTER, nullptr, Process.InputQueueHobj, nullptr,
                nullptr, &comp_code, &reason);
  if (comp_code == MQCC_FAILED) {
    Log(kLevelHigh, kCsag105E, AgentConfig.inputq, static_cast<int>(reason), ReasonText(reason));
  }
  return ResumeConsumption();
}

int32_t Outstanding() {
  return RequestTable.RequestCount.load(std::memory_order_relaxed);
}

}  // namespace

int WaitForOutstandingRequests() {
  if (AgentConfig.stopwait <= 0 || Process.QMgrHconn == MQHC_UNUSABLE_HCONN) return kExitOrderly;
  ReportTerminationSignal();
  const int stops_before = Process.StopRequestCount.load(std::memory_order_relaxed);
  if (!StopIntake()) return Process.StopExitStatus.load(std::memory_order_relaxed);
  if (Outstanding() == 0) return kExitOrderly;

  Log(kLevelLow, kCsag023I, AgentConfig.stopwait, static_cast<int>(Outstanding()));
  const bool console = (AgentConfig.AgentFlags & AF_NOCONSOLE) == 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(AgentConfig.stopwait);
  auto next_console_pass = std::chrono::steady_clock::now();
  while (Outstanding() != 0 && std::chrono::steady_clock::now() < until &&
         Process.StopRequestCount.load(std::memory_order_relaxed) == stops_before) {
    // Requests keep ageing as usual meanwhile.
    Process.CurrentTime.store(time(nullptr), std::memory_order_relaxed);
    if (Process.CurrentTime.load(std::memory_order_relaxed) - RequestTable.LastAgeing >=
        AgentConfig.reqchkdelay) {
      AgeRequests();
    }
    RetryDeferredDeliveries();
    if (console && std::chrono::steady_clock::now() >= next_console_pass) {
      if (ConsolePass() == ConsoleAction::kQuit) break;
      next_console_pass = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ReportTerminationSignal();
  if (Process.StopExitStatus.load(std::memory_order_relaxed) != kExitOrderly) return kExitFailure;
  if (Outstanding() != 0) AnswerOutstandingRequests();
  return kExitOrderly;
}
