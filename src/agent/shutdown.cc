// The shutdown steps.
#include "agent/shutdown.h"

#include "agent/console.h"
#include "agent/signals.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "log/status_report.h"
#include "mq/consumption.h"
#include "mq/mqi_table.h"
#include "relay/retry_queue.h"
#include "state/process_state.h"
#include "state/settings.h"

int ShutdownAgent(int exit_status) {
  ReportTerminationSignal();

  // Disconnecting closes the queues; the outcomes are not looked at. Once
  // MQCTL STOP has returned no consumer runs any more.
  if (Process.QMgrHconn != MQHC_UNUSABLE_HCONN) {
    StopConsumption();
    // A stop ends every wait: what still waits for another attempt goes to
    // the dead-letter queue now.
    DeadLetterDeferredDeliveries();
    MQLONG comp_code = MQCC_OK;
    MQLONG reason = MQRC_NONE;
    MqiTable.MQDISC(&Process.QMgrHconn, &comp_code, &reason);
    Process.QMgrHconn = MQHC_UNUSABLE_HCONN;
  }
  RestoreTerminal();

  if ((AgentConfig.AgentFlags & AF_SIMPLECMD) || Process.UsageShown) return exit_status;

  StatusReport(1);
  Log(kLevelQuiet, kCsag099I);
  if (LogState.LogStream != nullptr)
    AgentMessage(kLevelQuiet, MSG_NOECHO, LogState.LogStream,
                 "---------------------------------------\n");
  return exit_status;
}
