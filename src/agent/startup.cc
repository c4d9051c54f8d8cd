// Start-up, in order: the message stream, a trigger message, the command
// line, then (outside simple-command mode) the console test, the
// configuration file, the error log, the banner and the start time; the
// connection; in simple-command mode the one put; otherwise the command
// server queue, the input queue with the command consumer and the dynamic
// reply queue with the reply consumer, the parameters in effect, and the
// main loop. Every path ends in the shutdown steps.
#include "agent/startup.h"

#include <unistd.h>

#include <cstring>
#include <ctime>

#include "agent/command_line.h"
#include "agent/main_loop.h"
#include "agent/shutdown.h"
#include "agent/signals.h"
#include "agent/simple_command.h"
#include "agent/trigger_message.h"
#include "config/config_file.h"
#include "consolidate/reply_consumer.h"
#include "log/log_file.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "log/status_report.h"
#include "mq/connection.h"
#include "relay/command_consumer.h"
#include "relay/forward.h"
#include "state/exit_status.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

// Opens the command server queue, the input queue and the agent's reply
// queue, stopping at the first that cannot be opened (CSAG104E). Returns
// whether all three are open.
bool OpenAgentQueues() {
  Process.CommandQueueHobj = OpenQueue(AgentConfig.commandq, Process.AgentQueueNames.CommandQ,
                                       MQOO_OUTPUT | MQOO_PASS_ALL_CONTEXT, nullptr);
  if (Process.CommandQueueHobj == MQHO_UNUSABLE_HOBJ) return false;
  constexpr MQLONG kInputOptions = MQOO_INPUT_SHARED | MQOO_SAVE_ALL_CONTEXT;
  Process.InputQueueHobj =
      OpenQueue(AgentConfig.inputq, Process.AgentQueueNames.InputQ, kInputOptions, CommandConsumer);
  if (Process.InputQueueHobj == MQHO_UNUSABLE_HOBJ) return false;
  // Requests forwarded to the input queue itself would come back to the
  // agent and be forwarded again, for ever.
  if (strcmp(Process.AgentQueueNames.CommandQ, Process.AgentQueueNames.InputQ) == 0) {
    Log(kLevelQuiet, kCsag008E, Printable(AgentConfig.commandq).text(),
        Printable(AgentConfig.inputq).text());
    return false;
  }
  Process.ReplyQueueHobj =
      OpenQueue(AgentConfig.replyq, AgentConfig.actualreplyq, kInputOptions, ReplyConsumer);
  return Process.ReplyQueueHobj != MQHO_UNUSABLE_HOBJ;
}

void ReportParameters() {
  Log(kLevelLow, kCsag004I, Printable(AgentConfig.qmname).text(),
      Printable(AgentConfig.inputq).text(), Printable(AgentConfig.replyq).text(),
      Printable(AgentConfig.actualreplyq).text(), VerboseLevelName(AgentConfig.verbose));
}

}  // namespace

int RunAgent(int argc, char** argv) {
  LogState.LogStream = stdout;
  InstallTerminationHandlers();

  if (IsTriggerMessage(argc, argv)) {
    AgentConfig.AgentFlags |= AF_TRIGGERED;
    AgentConfig.discint = 60;
    if (!ParseTriggerMessage(argv[1], argv[0], &argc, &argv)) return ShutdownAgent(kExitFailure);
  }

  switch (HandleCommandLine(argc, argv)) {
    case CommandLineResult::kRun:
      break;
    case CommandLineResult::kUsageAsked:
      return ShutdownAgent(kExitOrderly);
    case CommandLineResult::kUsageError:
      return ShutdownAgent(kExitUsageError);
  }

  const bool simple_command = (AgentConfig.AgentFlags & AF_SIMPLECMD) != 0;
  bool config_overrides = false;
  if (!simple_command) {
    if (!isatty(STDOUT_FILENO)) AgentConfig.AgentFlags |= AF_NOCONSOLE;
    config_overrides = ReadConfigFile();
    OpenLogFile();
    WriteBanner(MSG_ORDINARY);
    if (AgentConfig.AgentFlags & AF_TRIGGERED) Log(kLevelLow, kCsag003I);
    int64_t now = time(nullptr);
    AgentStats.IntervalStart.store(now, std::memory_order_relaxed);
    Process.LastActivityTime.store(now, std::memory_order_relaxed);
  }

  Process.QMgrHconn = ConnectQueueManager();
  if (Process.QMgrHconn == MQHC_UNUSABLE_HCONN) return ShutdownAgent(kExitFailure);
  if (simple_command) {
    const bool put = SendSimpleCommand(AgentConfig.inputq, AgentConfig.simplecmd);
    return ShutdownAgent(put ? kExitOrderly : kExitFailure);
  }
  if (!OpenAgentQueues()) return ShutdownAgent(kExitFailure);
  ChooseForwardCorrelId();
  ReportParameters();
  if (config_overrides) ReportConfigOverrides();
  return ShutdownAgent(RunMainLoop());
}
