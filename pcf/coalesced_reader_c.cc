// The C interface of the reader: the C++ reader's results laid out in one
// block of memory, which the caller frees with one call.
//
//   | the result structure | its array of entries | each entry's data ... |
//
// Each part starts at a multiple of kAlign, so that a response's Message can
// be read through IBM's PCF structures. No C++ exception leaves here: running
// out of memory is MQRC_STORAGE_NOT_AVAILABLE.
#include "pcf/coalesced_reader_c.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "pcf/agent_format.h"
#include "pcf/coalesced_reader.h"

static_assert(CSAGNT_CFC_COALESCED == CFC_COALESCED);
static_assert(CSAGNT_INFO_CMDLEVEL == TVN_ATTR_CSAGNT_CMDLEVEL);
static_assert(CSAGNT_INFO_FEATURES == TVN_ATTR_CSAGNT_FEATURES);
static_assert(CSAGNT_FEATURE_COALESCE == FEATURE_COALESCE);
static_assert(CSAGNT_FEATURE_COMPRESS == FEATURE_COMPRESS);

namespace {

constexpr size_t kAlign = alignof(std::max_align_t);

constexpr size_t Aligned(size_t n) {
  return (n + kAlign - 1) / kAlign * kAlign;
}

// Checks the arguments that the two splits share; 0 when they may go on.
MQLONG CheckArguments(const void* message, MQLONG length) {
  if (length < 0) return MQRC_BUFFER_LENGTH_ERROR;
  if (message == nullptr && length > 0) return MQRC_BUFFER_ERROR;
  return 0;
}

std::string_view Bytes(const void* message, MQLONG length) {
  if (length == 0) return {};
  return {static_cast<const char*>(message), static_cast<size_t>(length)};
}

// A bump allocator over one malloc'ed block whose size was counted first.
class Block {
 public:
  explicit Block(size_t size) : base_(static_cast<char*>(std::calloc(1, size))) {}
  bool ok() const { return base_ != nullptr; }
  template <typename T>
  T* Take(size_t count) {
    T* at = reinterpret_cast<T*>(base_ + used_);
    used_ += Aligned(count * sizeof(T));
    return at;
  }
  char* base() const { return base_; }

 private:
  char* base_;
  size_t used_ = 0;
};

MQLONG SplitPcf(const void* message, MQLONG length, CSAGNT_PCF_RESPONSES** out) {
  std::vector<pcf::PcfResponse> responses;
  const MQLONG reason = pcf::SplitCoalescedPcf(Bytes(message, length), &responses);
  std::vector<std::string> encoded;
  encoded.reserve(responses.size());
  size_t size = Aligned(sizeof(CSAGNT_PCF_RESPONSES)) +
                Aligned(responses.size() * sizeof(CSAGNT_PCF_RESPONSE));
  for (const pcf::PcfResponse& r : responses) {
    encoded.push_back(pcf::EncodePcfResponse(r));
    size +=
        Aligned(encoded.back().size()) + Aligned(r.agent_info.size() * sizeof(CSAGNT_AGENT_INFO));
  }

  Block block(size);
  if (!block.ok()) return MQRC_STORAGE_NOT_AVAILABLE;
  auto* result = block.Take<CSAGNT_PCF_RESPONSES>(1);
  result->Count = static_cast<MQLONG>(responses.size());
  result->Responses =
      responses.empty() ? nullptr : block.Take<CSAGNT_PCF_RESPONSE>(responses.size());
  for (size_t i = 0; i < responses.size(); ++i) {
    CSAGNT_PCF_RESPONSE& r = result->Responses[i];
    r.MessageLength = static_cast<MQLONG>(encoded[i].size());
    r.Message = block.Take<MQBYTE>(encoded[i].size());
    std::memcpy(r.Message, encoded[i].data(), encoded[i].size());
    const std::vector<pcf::PcfParameter>& info = responses[i].agent_info;
    r.AgentInfoCount = static_cast<MQLONG>(info.size());
    if (info.empty()) continue;
    r.AgentInfo = block.Take<CSAGNT_AGENT_INFO>(info.size());
    for (size_t k = 0; k < info.size(); ++k) r.AgentInfo[k] = {info[k].parameter, info[k].value};
  }
  *out = result;
  return reason;
}

MQLONG SplitMqsc(const void* message, MQLONG length, CSAGNT_MQSC_TEXTS** out) {
  const std::vector<std::string> texts = pcf::SplitCoalescedMqsc(Bytes(message, length));
  size_t size =
      Aligned(sizeof(CSAGNT_MQSC_TEXTS)) + Aligned(texts.size() * sizeof(CSAGNT_MQSC_TEXT));
  for (const std::string& text : texts) size += Aligned(text.size() + 1);

  Block block(size);
  if (!block.ok()) return MQRC_STORAGE_NOT_AVAILABLE;
  auto* result = block.Take<CSAGNT_MQSC_TEXTS>(1);
  result->Count = static_cast<MQLONG>(texts.size());
  result->Texts = block.Take<CSAGNT_MQSC_TEXT>(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    CSAGNT_MQSC_TEXT& t = result->Texts[i];
    t.Length = static_cast<MQLONG>(texts[i].size());
    t.Text = block.Take<MQCHAR>(texts[i].size() + 1);  // the 0x00 after it from calloc
    std::memcpy(t.Text, texts[i].data(), texts[i].size());
  }
  *out = result;
  return 0;
}

// Runs `split` on checked arguments, turning a failed allocation into the
// reason the C interface gives for it.
template <typename Result>
MQLONG SplitChecked(MQLONG (*split)(const void*, MQLONG, Result**), const void* message,
                    MQLONG length, Result** out) {
  *out = nullptr;
  if (MQLONG fault = CheckArguments(message, length)) return fault;
  try {
    return split(message, length, out);
  } catch (const std::bad_alloc&) {
    return MQRC_STORAGE_NOT_AVAILABLE;
  }
}

}  // namespace

extern "C" {

MQLONG CsagntSplitCoalescedPcf(const void* message, MQLONG length,
                               CSAGNT_PCF_RESPONSES** responses) {
  return SplitChecked(SplitPcf, message, length, responses);
}

void CsagntFreePcfResponses(CSAGNT_PCF_RESPONSES* responses) {
  std::free(responses);
}

MQLONG CsagntSplitCoalescedMqsc(const void* message, MQLONG length, CSAGNT_MQSC_TEXTS** texts) {
  return SplitChecked(SplitMqsc, message, length, texts);
}

void CsagntFreeMqscTexts(CSAGNT_MQSC_TEXTS* texts) {
  std::free(texts);
}

}  // extern "C"
