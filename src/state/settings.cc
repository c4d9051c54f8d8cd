// The settings record and its defaults.
#include "state/settings.h"
#include "pcf/mq_field.h"

#include <cstring>

AgentSettings AgentConfig = DefaultAgentSettings();

AgentSettings DefaultAgentSettings() {
  AgentSettings s{};
  CopyTerminated(s.inputq, kQNameWidth, "TOVAN.CSAGNT.COMMAND.QUEUE");
  s.verbose = 1;
  CopyTerminated(s.commandq, kQNameWidth, "SYSTEM.ADMIN.COMMAND.QUEUE");
  CopyTerminated(s.replyq, kQNameWidth, "SYSTEM.DEFAULT.MODEL.QUEUE");
  CopyTerminated(s.tempqpfx, kQNameWidth, "TOVAN.CSAGNT.*");
  s.AgentFlags = kDefaultAgentFlags;
  s.maxage = 10;
  s.maxmsgsize = 1048576;
  s.sleeptime = 1;
  s.reqchkdelay = 10;
  s.hobjchkdelay = 150;
  s.reportint = 60;
  s.retrycount = 10;
  s.retryint = 1;
  s.hobjttl = 300;
  s.numlogfiles = 3;
  s.maxlogsize = 1048576;
  s.discint = 0;
  s.stopwait = 0;
  return s;
}

void ResetAgentConfig() {
  AgentConfig = DefaultAgentSettings();
}
