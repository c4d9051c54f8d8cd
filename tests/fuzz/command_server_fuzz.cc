// Fuzz target: the stand-in's command server, in process, on any request:
// a PCF request (MQADMIN) on either platform, or an MQSC text request
// (MQSTR) to a z/OS queue manager. The first byte chooses the platform, the
// Format and the report options; the rest is the request. Every PCF reply
// the command server builds must itself read back as a sound PCF message.
#include <cmqc.h>

#include <cstdint>
#include <cstring>

#include "emulator_fuzz_support.h"
#include "fuzz_input.h"
#include "pcf/pcf_reader.h"
#include "qmgr/command_server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t choice = input.Byte();
  const bool zos = choice & 0x01;
  FreshQueueManager(zos);

  mqemu::Message request;
  request.md = MQMD{MQMD_DEFAULT};
  request.md.Version = MQMD_VERSION_2;
  request.md.MsgType = MQMT_REQUEST;
  memcpy(request.md.Format, (choice & 0x02) ? MQFMT_STRING : MQFMT_ADMIN, MQ_FORMAT_LENGTH);
  if (choice & 0x04) request.md.Report |= MQRO_PASS_MSG_ID;
  if (choice & 0x08) request.md.Report |= MQRO_PASS_CORREL_ID;
  memcpy(request.md.MsgId, "REQUEST-MSGID-0123456789", sizeof request.md.MsgId);
  memcpy(request.md.ReplyToQ, "REPLY.Q", 7);
  memcpy(request.md.UserIdentifier, "admin", 5);
  request.data = std::string(input.Rest());

  for (const mqemu::Message& reply : mqemu::ExecuteRequest(request)) {
    FUZZ_CHECK(reply.md.MsgType == MQMT_REPLY);
    if (memcmp(reply.md.Format, MQFMT_ADMIN, MQ_FORMAT_LENGTH) == 0) {
      pcf::PcfMessage message;
      FUZZ_CHECK(pcf::ParsePcf(reply.data, &message) == 0);
      FUZZ_CHECK(message.header.Type == MQCFT_RESPONSE || message.header.Type == MQCFT_XR_MSG ||
                 message.header.Type == MQCFT_XR_ITEM || message.header.Type == MQCFT_XR_SUMMARY);
    }
  }
  return 0;
}
