// The z/OS MQSC text reply set and the runner used until the MQSC
// interpreter is installed.
#include "qmgr/zos_text.h"

#include <cctype>
#include <cstdio>

#include "qmgr/queue_manager.h"

namespace mqemu {
namespace {

// The first word of a command, in capitals.
std::string Verb(std::string_view command) {
  size_t start = command.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  size_t end = command.find_first_of(" (", start);
  std::string verb(command.substr(start, end == std::string_view::npos ? end : end - start));
  for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return verb;
}

MqscTextReply NotAvailable(std::string_view command) {
  const std::string prefix = ZosCommandPrefix();
  MqscTextReply reply;
  reply.texts = {
      "CSQ9032E " + prefix + " CSQ9SCND REQUESTED FUNCTION IS NOT AVAILABLE",
      "CSQ9023E " + prefix + " CSQ9SCND ' " + Verb(command) + "' ABNORMAL COMPLETION",
  };
  reply.return_code = 0x0C;
  reply.reason = 0x08;
  return reply;
}

MqscTextRunner& Runner() {
  static MqscTextRunner runner = NotAvailable;
  return runner;
}

}  // namespace

void SetMqscTextRunner(MqscTextRunner runner) {
  Runner() = std::move(runner);
}

std::string ZosCommandPrefix() {
  return "+" + Qm().name.substr(0, 4);
}

std::vector<std::string> ZosReplyTexts(std::string_view command) {
  MqscTextReply reply = Runner()(command);
  char first[80];
  std::snprintf(first, sizeof first, "CSQN205I   COUNT=%8zu, RETURN=%08X, REASON=%08X",
                reply.texts.size() + 1, static_cast<unsigned>(reply.return_code),
                static_cast<unsigned>(reply.reason));
  std::vector<std::string> texts = {first};
  texts.insert(texts.end(), reply.texts.begin(), reply.texts.end());
  return texts;
}

}  // namespace mqemu
