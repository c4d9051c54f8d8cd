// Fuzz target: the stand-in's MQSC: a script read as runmqsc reads it
// (comments, continuations), each command parsed, run against the queue
// manager in process and written both as runmqsc and as a z/OS command
// server would. The first byte chooses the platform; the rest is the script.
#include <cstdint>
#include <sstream>
#include <string>

#include "emulator_fuzz_support.h"
#include "fuzz_input.h"
#include "mqsc/mqsc_interpreter.h"
#include "mqsc/mqsc_output.h"
#include "mqsc/mqsc_parser.h"
#include "mqsc/mqsc_script.h"
#include "qmgr/mqsc_backend.h"
#include "qmgr/zos_text.h"

namespace {

// The words read whole lie in order within the command; an error lies
// after them, within the command.
void CheckParse(const std::string& text) {
  const mqemu::mqsc::ParsedCommand parsed = mqemu::mqsc::ParseCommand(text);
  size_t whole = parsed.words.size();
  if (!parsed.ok && whole > 0) --whole;  // the word in error, as far as it was read
  size_t end = 0;
  for (size_t i = 0; i < whole; ++i) {
    FUZZ_CHECK(parsed.words[i].end > end && parsed.words[i].end <= text.size());
    end = parsed.words[i].end;
  }
  if (!parsed.ok) FUZZ_CHECK(parsed.error_end > end && parsed.error_end <= text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const bool zos = input.Byte() & 0x01;
  FreshQueueManager(zos);
  mqemu::QueueManagerMqscBackend backend(mqemu::Qm());

  std::istringstream script{std::string(input.Rest())};
  mqemu::mqsc::ScriptReader reader(&script);
  mqemu::mqsc::ScriptCommand command;
  for (int commands = 0; commands < 4 && reader.Next(&command); ++commands) {
    if (command.text.empty()) continue;
    CheckParse(command.text);
    const mqemu::mqsc::CommandResult result = mqemu::mqsc::RunCommand(backend, command.text);
    mqemu::mqsc::DistributedBlocks(result);
    const auto set = mqemu::mqsc::ZosReplySet(result, mqemu::ZosCommandPrefix());
    FUZZ_CHECK(!set.empty());
  }
  return 0;
}
