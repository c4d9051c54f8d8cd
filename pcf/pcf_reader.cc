// Reading PCF messages: the MQCFH, then ParameterCount parameters (and the
// members of every group among them, counted per open group), each read by
// the PCF walker, its lengths checked before a byte of its value is read,
// and refused with the reason a command server gives.
#include "pcf/pcf_reader.h"

#include <algorithm>
#include <cstring>

#include "pcf/pcf_walker.h"

namespace pcf {

MQLONG ParsePcf(std::span<const uint8_t> data, PcfMessage* out) {
  out->parameters.clear();
  if (data.size() < sizeof(MQCFH)) return MQRCCF_MSG_LENGTH_ERROR;
  const char* message = reinterpret_cast<const char*>(data.data());
  out->header = HeaderOf(message);
  if (out->header.StrucLength != MQCFH_STRUC_LENGTH) return MQRCCF_CFH_LENGTH_ERROR;
  if (out->header.ParameterCount < 0) return MQRCCF_CFH_PARM_COUNT_ERROR;
  size_t pos = sizeof(MQCFH);
  // The parameters still to read at the top level and in each open group;
  // the innermost group's count comes first while it has members left.
  int64_t top_left = out->header.ParameterCount;
  int64_t group_left[kPcfMaxGroupDepth] = {};
  int depth = 0;
  for (;;) {
    while (depth > 0 && group_left[depth - 1] == 0) --depth;
    int64_t& to_read = depth > 0 ? group_left[depth - 1] : top_left;
    if (to_read == 0) break;
    const char* at = message + pos;
    const auto left = static_cast<int64_t>(data.size() - pos);
    PcfStructure s;
    const PcfFault fault = ReadPcfStructure(at, left, &s);
    if (fault == PcfFault::kCut) return MQRCCF_PARM_COUNT_TOO_BIG;
    // Every structure a command server reads is at least 16 bytes.
    if (s.struc_length < MQCFIN_STRUC_LENGTH || s.struc_length > left) {
      return s.type == MQCFT_INTEGER ? MQRCCF_CFIN_LENGTH_ERROR : MQRCCF_CFST_LENGTH_ERROR;
    }
    // Whether StrucLength is one that IBM MQ accepts for the type.
    const bool length_fits =
        fault == PcfFault::kNone && !(s.layout->exact && s.struc_length != s.layout->fixed_length);
    auto text = [](const char* value, int64_t length) {
      return std::string(value, static_cast<size_t>(length));
    };
    PcfParameter p;
    p.type = s.type;
    p.parameter = s.parameter;
    switch (s.type) {
      case MQCFT_INTEGER:
        if (!length_fits) return MQRCCF_CFIN_LENGTH_ERROR;
        p.value = FieldAt(s.value, 0);
        break;
      case MQCFT_STRING:
        if (!length_fits) return MQRCCF_CFST_LENGTH_ERROR;
        if (!s.value_fits) return MQRCCF_CFST_STRING_LENGTH_ERR;
        p.ccsid = FieldAt(at, offsetof(MQCFST, CodedCharSetId));
        p.text = text(s.value, s.value_length);
        break;
      case MQCFT_INTEGER_LIST:
        if (!s.value_fits) return MQRCCF_CFIL_COUNT_ERROR;
        for (int64_t i = 0; i < s.count; ++i) p.values.push_back(FieldAt(s.value, 4 * size_t(i)));
        break;
      case MQCFT_STRING_LIST: {
        if (!length_fits) return MQRCCF_CFSL_LENGTH_ERROR;
        const MQLONG len = FieldAt(at, offsetof(MQCFSL, StringLength));
        if (s.count < 0) return MQRCCF_CFSL_COUNT_ERROR;
        if (len < 0) return MQRCCF_CFSL_STRING_LENGTH_ERR;
        // Each string counts as at least one byte, so that a list of empty
        // strings cannot claim more entries than the structure has bytes.
        if (s.count * std::max<MQLONG>(len, 1) > s.struc_length - MQCFSL_STRUC_LENGTH_FIXED) {
          return len == 0 ? MQRCCF_CFSL_COUNT_ERROR : MQRCCF_CFSL_TOTAL_LENGTH_ERROR;
        }
        p.ccsid = FieldAt(at, offsetof(MQCFSL, CodedCharSetId));
        for (int64_t i = 0; i < s.count; ++i) p.texts.push_back(text(s.value + i * len, len));
        break;
      }
      case MQCFT_BYTE_STRING:
        if (!s.value_fits) return MQRCCF_CFST_STRING_LENGTH_ERR;
        p.text = text(s.value, s.value_length);
        break;
      case MQCFT_GROUP:
        if (!length_fits) return MQRCCF_STRUCTURE_TYPE_ERROR;
        p.group_count = static_cast<MQLONG>(s.count);
        if (p.group_count < 0) return MQRCCF_CFH_PARM_COUNT_ERROR;
        if (depth == kPcfMaxGroupDepth) return MQRCCF_CFGR_PARM_COUNT_ERROR;
        break;
      case MQCFT_INTEGER64:
        if (!length_fits) return MQRCCF_CFIN_LENGTH_ERROR;
        std::memcpy(&p.value64, s.value, sizeof p.value64);
        break;
      default:
        return MQRCCF_STRUCTURE_TYPE_ERROR;
    }
    --to_read;
    if (p.type == MQCFT_GROUP) group_left[depth++] = p.group_count;
    out->parameters.push_back(std::move(p));
    pos += static_cast<size_t>(s.struc_length);
  }
  return 0;
}

}  // namespace pcf
