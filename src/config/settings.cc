// The settings record and its defaults.
#include "config/settings.h"

#include <cstring>

AgentSettings AgentConfig = DefaultAgentSettings();

AgentSettings DefaultAgentSettings() {
  AgentSettings s{};
  CopyField(s.inputq, kQNameWidth, "TOVAN.CSAGNT.COMMAND.QUEUE");
  s.verbose = 1;
  CopyField(s.commandq, kQNameWidth, "SYSTEM.ADMIN.COMMAND.QUEUE");
  CopyField(s.replyq, kQNameWidth, "SYSTEM.DEFAULT.MODEL.QUEUE");
  CopyField(s.tempqpfx, kQNameWidth, "TOVAN.CSAGNT.*");
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

void CopyField(char* dest, int width, const char* src) {
  size_t n = strnlen(src, static_cast<size_t>(width));
  memcpy(dest, src, n);
  dest[n] = '\0';
}

void CopyMqName(char* dest, int width, const char* src) {
  int n = 0;
  while (n < width && src[n] != ' ' && src[n] != '\0') ++n;
  memcpy(dest, src, static_cast<size_t>(n));
  dest[n] = '\0';
}
