// Fuzz target: PcfNextParm, the agent's cursor over a PCF message, walked to
// its first failure. Every item it hands out lies within the message, a
// failed call does not move the cursor, and the walk ends.
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "pcf/pcf_cursor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) return 0;
  std::vector<char> message(data, data + size);
  const char* begin = message.data();
  const char* end = begin + message.size();
  PcfReader reader;
  PcfReaderInit(&reader, begin, static_cast<int32_t>(message.size()));

  // Each structure takes at least 4 bytes and each group ends once.
  const size_t most_items = 2 * (message.size() / 4) + 2;
  for (size_t items = 0;; ++items) {
    FUZZ_CHECK(items <= most_items);
    const int32_t offset = reader.offset;
    PcfItem item{};
    MQLONG comp_code = MQCC_OK;
    MQLONG reason = MQRC_NONE;
    PcfNextParm(&reader, &item, &comp_code, &reason);
    if (comp_code != MQCC_OK) {
      FUZZ_CHECK(reader.offset == offset);
      break;
    }
    FUZZ_CHECK(reader.depth >= 0 && reader.depth <= kPcfMaxGroupDepth);
    FUZZ_CHECK(item.value_length >= 0);
    if (item.value != nullptr) {
      FUZZ_CHECK(item.value >= begin && item.value <= end);
      FUZZ_CHECK(item.value_length <= end - item.value);
    }
  }
  return 0;
}
