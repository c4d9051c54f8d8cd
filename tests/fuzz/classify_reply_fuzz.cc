// Fuzz target: ClassifyReply, the decision what to do with a reply. The
// first byte chooses the reply's Format, whether the request already holds
// something and whether coalescing is on; the rest is the reply.
#include <cmqc.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "agent_fuzz_support.h"
#include "consolidate/reply_consumer.h"
#include "consolidate/reply_shape.h"

namespace {

const char* const kFormats[] = {MQFMT_ADMIN, MQFMT_COMMAND_1, MQFMT_COMMAND_2, MQFMT_STRING,
                                MQFMT_NONE,  "MQADMIN\0",     "mqadmin ",      MQFMT_PCF};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) return 0;
  QuietAgentState();
  FuzzInput input(data, size);
  const uint8_t choice = input.Byte();
  const std::string_view rest = input.Rest();
  std::vector<char> reply(rest.begin(), rest.end());
  const int32_t length = static_cast<int32_t>(reply.size());

  MQMD md = {MQMD_DEFAULT};
  memcpy(md.Format, kFormats[choice & 7], MQ_FORMAT_LENGTH);
  char held[1];
  REQUEST request{};
  if (choice & 0x08) request.HoldBuffer = held;
  if (choice & 0x10) AgentConfig.AgentFlags &= ~AF_COALESCE;

  const int flags = ClassifyReply(&request, &md, reply.data(), length);
  const bool sound = ReplyShapeIsSound(md.Format, reply.data(), length);
  FUZZ_CHECK(sound == !(flags & REPLY_AS_RECEIVED));
  if (!sound) FUZZ_CHECK(flags == (REPLY_LAST | REPLY_AS_RECEIVED));
  FUZZ_CHECK(!((flags & REPLY_STORE) && (flags & REPLY_COALESCE)));
  if (!(AgentConfig.AgentFlags & AF_COALESCE)) FUZZ_CHECK(!(flags & REPLY_COALESCE));
  return 0;
}
