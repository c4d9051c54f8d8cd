// Splitting the agent's coalesced messages (layouts in pcf/agent_format.h):
// the PCF message is read whole by ParsePcf, then its top-level parameters
// are dealt out to the responses, a delimiter opening the next one; the
// headers are rebuilt last, when the number of responses is known.
#include "pcf/coalesced_reader.h"

#include <iterator>

#include "pcf/agent_format.h"
#include "pcf/pcf_writer.h"

namespace pcf {
namespace {

bool IsInteger(const PcfParameter& p, MQLONG parameter) {
  return p.type == MQCFT_INTEGER && p.parameter == parameter;
}

bool IsAgentInfo(const PcfParameter& p) {
  return IsInteger(p, TVN_ATTR_CSAGNT_CMDLEVEL) || IsInteger(p, TVN_ATTR_CSAGNT_FEATURES);
}

// The index after the parameter at `first` and its group members (those of
// nested groups included), or the end of `parameters` if the reader stopped
// before all of them.
size_t EndOfParameter(const std::vector<PcfParameter>& parameters, size_t first) {
  size_t i = first;
  int64_t left = 1;
  while (left > 0 && i < parameters.size()) {
    if (parameters[i].type == MQCFT_GROUP) left += parameters[i].group_count;
    --left;
    ++i;
  }
  return i;
}

}  // namespace

MQLONG SplitCoalescedPcf(std::span<const uint8_t> message, std::vector<PcfResponse>* out) {
  out->clear();
  PcfMessage whole;
  MQLONG fault = ParsePcf(message, &whole);
  const MQCFH& h = whole.header;
  if (message.size() < sizeof(MQCFH) || h.StrucLength != MQCFH_STRUC_LENGTH ||
      h.ParameterCount < 0) {
    return fault;
  }
  bool coalesced = (h.Control & CFC_COALESCED) != 0;
  out->emplace_back().message.header.Type = h.Type;
  std::vector<PcfParameter>& parameters = whole.parameters;
  for (size_t i = 0; i < parameters.size();) {
    size_t end = EndOfParameter(parameters, i);
    PcfParameter& p = parameters[i];
    if (coalesced && IsInteger(p, TVN_ATTR_RESPONSE_DELIMITER)) {
      out->emplace_back().message.header.Type = p.value;
    } else if (IsAgentInfo(p)) {
      out->back().agent_info.push_back(std::move(p));
    } else {
      PcfMessage& own = out->back().message;
      own.parameters.insert(own.parameters.end(), std::make_move_iterator(parameters.begin() + i),
                            std::make_move_iterator(parameters.begin() + end));
      ++own.header.ParameterCount;
    }
    i = end;
  }
  size_t n = out->size();
  for (size_t k = 0; k < n; ++k) {
    bool last = k + 1 == n;
    MQCFH& r = (*out)[k].message.header;
    r.StrucLength = MQCFH_STRUC_LENGTH;
    r.Version = h.Version;
    r.Command = h.Command;
    // Wraps rather than overflows on a lying MsgSeqNumber.
    r.MsgSeqNumber = static_cast<MQLONG>(int64_t{h.MsgSeqNumber} - static_cast<int64_t>(n - 1 - k));
    r.Control = last ? (h.Control & ~CFC_COALESCED) : MQCFC_NOT_LAST;
    r.CompCode = h.CompCode;
    r.Reason = h.Reason;
  }
  return fault;
}

std::string EncodePcfResponse(const PcfResponse& response) {
  PcfBuilder b(response.message.header);
  for (const PcfParameter& p : response.message.parameters) {
    switch (p.type) {
      case MQCFT_INTEGER:
        b.Integer(p.parameter, p.value);
        break;
      case MQCFT_STRING:
        b.String(p.parameter, p.text, 0, p.ccsid);
        break;
      case MQCFT_INTEGER_LIST:
        b.IntegerList(p.parameter, p.values);
        break;
      case MQCFT_STRING_LIST:
        b.StringList(p.parameter, p.texts, p.texts.empty() ? 0 : p.texts.front().size(), p.ccsid);
        break;
      case MQCFT_BYTE_STRING:
        b.ByteString(p.parameter, p.text);
        break;
      case MQCFT_GROUP:
        b.Group(p.parameter, p.group_count);
        break;
      case MQCFT_INTEGER64:
        b.Integer64(p.parameter, p.value64);
        break;
    }
  }
  return b.Finish();
}

std::vector<std::string> SplitCoalescedMqsc(std::string_view message) {
  std::vector<std::string> texts;
  for (size_t start = 0;;) {
    size_t separator = message.find(kMqscTextSeparator, start);
    texts.emplace_back(message.substr(start, separator - start));
    if (separator == std::string_view::npos) break;
    start = separator + 1;
  }
  std::string& first = texts.front();
  if (texts.size() > 1 && first.size() > kMqscCoalescedMarkOffset &&
      first[kMqscCoalescedMarkOffset] == kMqscCoalescedMark) {
    first[kMqscCoalescedMarkOffset] = ' ';
  }
  return texts;
}

}  // namespace pcf
