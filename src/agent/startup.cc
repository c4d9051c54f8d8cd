// Start-up, in order: the message stream, a trigger message, the command
// line, then (outside simple-command mode) the console test, the
// configuration file, the error log, the banner and the start time; then
// the IBM MQ library. The connection, the queues and the main loop build on
// this; for now start-up ends once the library has been loaded and goes to
// the shutdown steps.
#include "agent/startup.h"

#include <unistd.h>

#include <ctime>

#include "agent/command_line.h"
#include "agent/exit_status.h"
#include "agent/process_state.h"
#include "agent/shutdown.h"
#include "agent/signals.h"
#include "agent/trigger_message.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "log/log_file.h"
#include "log/message.h"
#include "log/status_report.h"
#include "mq/mqi_table.h"

int RunAgent(int argc, char** argv) {
  LogStream = stdout;
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

  if (!(AgentConfig.AgentFlags & AF_SIMPLECMD)) {
    if (!isatty(STDOUT_FILENO)) AgentConfig.AgentFlags |= AF_NOCONSOLE;
    ReadConfigFile();
    OpenLogFile();
    WriteBanner(MSG_ORDINARY);
    if (AgentConfig.AgentFlags & AF_TRIGGERED)
      AgentMessage(kLevelLow, MSG_ORDINARY, LogStream, "CSAG003I Program Triggered\n");
    int64_t now = time(nullptr);
    IntervalStart.store(now, std::memory_order_relaxed);
    LastActivityTime.store(now, std::memory_order_relaxed);
  }

  int rc = LoadMqi(&MqiTable);
  if (rc != 0) {
    AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
                 "CSAG100E Error loading MQAPI mqm.lib rc=%d\n", rc);
  }
  return ShutdownAgent(kExitFailure);
}
