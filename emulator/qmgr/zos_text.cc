// The z/OS MQSC text reply set.
#include "qmgr/zos_text.h"

#include "mqsc/mqsc_interpreter.h"
#include "mqsc/mqsc_output.h"
#include "qmgr/mqsc_backend.h"

namespace mqemu {

std::string ZosCommandPrefix() {
  return "+" + Qm().name.substr(0, 4);
}

std::vector<std::string> ZosReplyTexts(std::string_view command) {
  QueueManagerMqscBackend backend(Qm());
  mqsc::CommandResult result = mqsc::RunCommand(backend, command);
  std::vector<std::string> texts;
  for (mqsc::ZosReply& reply : mqsc::ZosReplySet(result, ZosCommandPrefix()))
    texts.push_back(std::move(reply.text));
  return texts;
}

}  // namespace mqemu
