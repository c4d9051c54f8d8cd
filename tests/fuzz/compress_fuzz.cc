// Fuzz target: CompressPcf on any bytes, as the agent's reply queue may
// hold them. It must stay within the message and never lengthen it; of a
// sound PCF message of known parameter types it must make a sound one with
// the same parameters, the strings only without their trailing blanks.
#include <cstdint>
#include <cstring>
#include <vector>

#include "agent_fuzz_support.h"
#include "consolidate/compress.h"
#include "consolidate/reply_shape.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_reader.h"

namespace {

bool IsString(MQLONG type) {
  return type == MQCFT_STRING;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) return 0;
  QuietAgentState();
  // A block of exactly the message's size.
  std::vector<char> message(data, data + size);
  // Sound, and of the parameter types that PCF draws (the agent passes
  // others on unread).
  pcf::PcfMessage before;
  const bool sound = PcfShapeIsSound(message.data(), static_cast<int32_t>(size)) &&
                     pcf::ParsePcf(std::string_view(message.data(), size), &before) == 0;

  int32_t length = static_cast<int32_t>(size);
  CompressPcf(message.data(), &length);
  FUZZ_CHECK(length >= 0 && length <= static_cast<int32_t>(size));
  if (size >= sizeof(MQCFH)) {
    FUZZ_CHECK(length >= static_cast<int32_t>(sizeof(MQCFH)));
    FUZZ_CHECK(memcmp(message.data(), data, sizeof(MQCFH)) == 0);
  }
  if (!sound) return 0;

  FUZZ_CHECK(PcfShapeIsSound(message.data(), length));
  pcf::PcfMessage after;
  FUZZ_CHECK(pcf::ParsePcf(std::string_view(message.data(), static_cast<size_t>(length)), &after) ==
             0);
  FUZZ_CHECK(after.parameters.size() == before.parameters.size());
  for (size_t i = 0; i < before.parameters.size(); ++i) {
    const pcf::PcfParameter& b = before.parameters[i];
    const pcf::PcfParameter& a = after.parameters[i];
    FUZZ_CHECK(a.type == b.type && a.parameter == b.parameter);
    if (IsString(b.type)) {
      FUZZ_CHECK(TrimTrailingBlanks(a.text) == TrimTrailingBlanks(b.text));
      FUZZ_CHECK(a.ccsid == b.ccsid);
    } else {
      FUZZ_CHECK(a.value == b.value && a.value64 == b.value64 && a.text == b.text &&
                 a.values == b.values && a.texts == b.texts && a.group_count == b.group_count);
    }
  }
  return 0;
}
