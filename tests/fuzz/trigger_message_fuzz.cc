// Fuzz target: the trigger message, the MQTMC2 that a trigger monitor passes
// as the program's one argument. The input is that argument (up to its first
// NUL, as a C string arrives).
#include <cstdint>
#include <cstring>
#include <string>

#include "agent/trigger_message.h"
#include "agent_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietAgentState();
  const std::string text(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size);
  char program[] = "csagnt";
  char* argv[] = {program, const_cast<char*>(text.c_str()), nullptr};
  if (!IsTriggerMessage(2, argv)) return 0;

  int new_argc = 0;
  char** new_argv = nullptr;
  FUZZ_CHECK(ParseTriggerMessage(text.c_str(), program, &new_argc, &new_argv));
  // The program name, then words that are neither empty nor hold a blank.
  FUZZ_CHECK(new_argc >= 1 && new_argv[0] == program && new_argv[new_argc] == nullptr);
  for (int i = 1; i < new_argc; ++i) {
    FUZZ_CHECK(new_argv[i][0] != '\0' && strchr(new_argv[i], ' ') == nullptr);
  }
  FUZZ_CHECK(strlen(AgentConfig.qmname) <= static_cast<size_t>(kQNameWidth));
  FUZZ_CHECK(strlen(AgentConfig.inputq) <= static_cast<size_t>(kQNameWidth));
  return 0;
}
