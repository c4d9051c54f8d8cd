// Fuzz target: the reader of coalesced replies that clients use, through
// both its C++ and its C interface, on any bytes as a PCF message and as an
// MQSC message. The two interfaces must agree, and of a sound message every
// response rebuilt must read back as a sound PCF message.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "pcf/coalesced_reader.h"
#include "pcf/coalesced_reader_c.h"

namespace {

// A string list of empty strings is written with StringLength 0 and takes
// no bytes for its strings, which ParsePcf refuses (it wants at least a byte
// for each entry that a list counts).
bool HasListOfEmptyStrings(const pcf::PcfMessage& message) {
  for (const pcf::PcfParameter& p : message.parameters) {
    if (p.type == MQCFT_STRING_LIST && !p.texts.empty() && p.texts[0].empty()) return true;
  }
  return false;
}

void SplitPcf(const std::vector<uint8_t>& message) {
  std::vector<pcf::PcfResponse> responses;
  const MQLONG reason = pcf::SplitCoalescedPcf(std::span(message), &responses);

  CSAGNT_PCF_RESPONSES* c_responses = nullptr;
  const MQLONG c_reason =
      CsagntSplitCoalescedPcf(message.data(), static_cast<MQLONG>(message.size()), &c_responses);
  FUZZ_CHECK(c_reason == reason);
  FUZZ_CHECK(c_responses != nullptr);
  FUZZ_CHECK(c_responses->Count == static_cast<MQLONG>(responses.size()));

  for (size_t i = 0; i < responses.size(); ++i) {
    const std::string encoded = pcf::EncodePcfResponse(responses[i]);
    const CSAGNT_PCF_RESPONSE& c = c_responses->Responses[i];
    FUZZ_CHECK(c.MessageLength == static_cast<MQLONG>(encoded.size()));
    FUZZ_CHECK(memcmp(c.Message, encoded.data(), encoded.size()) == 0);
    FUZZ_CHECK(c.AgentInfoCount == static_cast<MQLONG>(responses[i].agent_info.size()));

    if (reason == 0 && !HasListOfEmptyStrings(responses[i].message)) {
      pcf::PcfMessage again;
      FUZZ_CHECK(pcf::ParsePcf(encoded, &again) == 0);
      FUZZ_CHECK(again.parameters.size() == responses[i].message.parameters.size());
    }
  }
  CsagntFreePcfResponses(c_responses);
}

void SplitMqsc(const std::vector<uint8_t>& message) {
  const std::string_view text(reinterpret_cast<const char*>(message.data()), message.size());
  const std::vector<std::string> texts = pcf::SplitCoalescedMqsc(text);
  CSAGNT_MQSC_TEXTS* c_texts = nullptr;
  FUZZ_CHECK(
      CsagntSplitCoalescedMqsc(message.data(), static_cast<MQLONG>(message.size()), &c_texts) == 0);
  FUZZ_CHECK(c_texts != nullptr && c_texts->Count == static_cast<MQLONG>(texts.size()));
  size_t total = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    const CSAGNT_MQSC_TEXT& c = c_texts->Texts[i];
    FUZZ_CHECK(std::string_view(c.Text, static_cast<size_t>(c.Length)) == texts[i]);
    FUZZ_CHECK(c.Text[c.Length] == '\0');
    total += texts[i].size();
  }
  // The separators are all that is taken out.
  FUZZ_CHECK(total + texts.size() - 1 == message.size());
  CsagntFreeMqscTexts(c_texts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) return 0;
  const std::vector<uint8_t> message(data, data + size);
  SplitPcf(message);
  SplitMqsc(message);
  return 0;
}
