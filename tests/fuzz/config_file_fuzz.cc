// Fuzz target: the configuration file. The input is the file's contents.
// They are first walked token by token as NextConfigToken reads them, then
// applied to the settings as ReadConfigFile applies what it read
// (ApplyConfigText) and reported (CSAG005I).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "agent_fuzz_support.h"
#include "config/config_file.h"
#include "log/log_file.h"

namespace {

// Every token lies within its room and is terminated, and every token takes
// at least one byte, so the walk ends.
void WalkTokens(const uint8_t* data, size_t size) {
  if (size == 0) return;
  static char token[kConfigTokenMax + 1];
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (file == nullptr) return;
  bool quoted = false;
  size_t tokens = 0;
  for (;;) {
    const int length = NextConfigToken(file, &quoted, token);
    if (length == kConfigEnd) break;
    FUZZ_CHECK(length >= 0 && length <= kConfigTokenMax);
    FUZZ_CHECK(token[length] == '\0');
    FUZZ_CHECK(++tokens <= size);
  }
  fclose(file);
}

bool Terminated(const char* field, size_t room) {
  return memchr(field, '\0', room) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietAgentState();
  WalkTokens(data, size);
  if (ApplyConfigText(reinterpret_cast<const char*>(data), size, false)) ReportConfigOverrides();

  FUZZ_CHECK(Terminated(AgentConfig.commandq, sizeof AgentConfig.commandq));
  FUZZ_CHECK(Terminated(AgentConfig.replyq, sizeof AgentConfig.replyq));
  FUZZ_CHECK(Terminated(AgentConfig.tempqpfx, sizeof AgentConfig.tempqpfx));
  FUZZ_CHECK(Terminated(AgentConfig.logpath, sizeof AgentConfig.logpath));
  FUZZ_CHECK(AgentConfig.numlogfiles <= kMaxLogFiles);
  return 0;
}
