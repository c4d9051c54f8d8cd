// Reading PCF messages: the MQCFH, then ParameterCount parameters (and the
// members of every group among them, counted per open group), each length
// checked before a byte of the parameter is read.
#include "pcf/pcf_reader.h"

#include <algorithm>
#include <cstring>

namespace pcf {

namespace {

MQLONG At(std::span<const uint8_t> d, size_t offset) {
  MQLONG v;
  std::memcpy(&v, d.data() + offset, sizeof v);
  return v;
}

}  // namespace

MQLONG ParsePcf(std::span<const uint8_t> data, PcfMessage* out) {
  out->parameters.clear();
  if (data.size() < sizeof(MQCFH)) return MQRCCF_MSG_LENGTH_ERROR;
  std::memcpy(&out->header, data.data(), sizeof(MQCFH));
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
    if (data.size() - pos < 8) return MQRCCF_PARM_COUNT_TOO_BIG;
    PcfParameter p;
    p.type = At(data, pos);
    MQLONG strucl = At(data, pos + 4);
    if (strucl < 16 || static_cast<size_t>(strucl) > data.size() - pos) {
      return p.type == MQCFT_INTEGER ? MQRCCF_CFIN_LENGTH_ERROR : MQRCCF_CFST_LENGTH_ERROR;
    }
    auto s = data.subspan(pos, static_cast<size_t>(strucl));
    p.parameter = At(s, 8);
    auto text_at = [&](size_t offset, MQLONG length) {
      return std::string(reinterpret_cast<const char*>(s.data()) + offset,
                         static_cast<size_t>(length));
    };
    switch (p.type) {
      case MQCFT_INTEGER:
        if (strucl != MQCFIN_STRUC_LENGTH) return MQRCCF_CFIN_LENGTH_ERROR;
        p.value = At(s, 12);
        break;
      case MQCFT_STRING: {
        if (strucl < MQCFST_STRUC_LENGTH_FIXED) return MQRCCF_CFST_LENGTH_ERROR;
        MQLONG n = At(s, 16);
        if (n < 0 || n > strucl - MQCFST_STRUC_LENGTH_FIXED) return MQRCCF_CFST_STRING_LENGTH_ERR;
        p.ccsid = At(s, 12);
        p.text = text_at(20, n);
        break;
      }
      case MQCFT_INTEGER_LIST: {
        MQLONG n = At(s, 12);
        if (n < 0 || n > (strucl - MQCFIL_STRUC_LENGTH_FIXED) / 4) return MQRCCF_CFIL_COUNT_ERROR;
        for (MQLONG i = 0; i < n; ++i) p.values.push_back(At(s, 16 + 4 * static_cast<size_t>(i)));
        break;
      }
      case MQCFT_STRING_LIST: {
        if (strucl < MQCFSL_STRUC_LENGTH_FIXED) return MQRCCF_CFSL_LENGTH_ERROR;
        MQLONG n = At(s, 16), len = At(s, 20);
        if (n < 0) return MQRCCF_CFSL_COUNT_ERROR;
        if (len < 0) return MQRCCF_CFSL_STRING_LENGTH_ERR;
        // Each string counts as at least one byte, so that a list of empty
        // strings cannot claim more entries than the structure has bytes.
        int64_t room = int64_t{strucl} - MQCFSL_STRUC_LENGTH_FIXED;
        if (int64_t{n} * std::max<MQLONG>(len, 1) > room) {
          return len == 0 ? MQRCCF_CFSL_COUNT_ERROR : MQRCCF_CFSL_TOTAL_LENGTH_ERROR;
        }
        p.ccsid = At(s, 12);
        for (MQLONG i = 0; i < n; ++i)
          p.texts.push_back(text_at(24 + size_t(i) * size_t(len), len));
        break;
      }
      case MQCFT_BYTE_STRING: {
        MQLONG n = At(s, 12);
        if (n < 0 || n > strucl - MQCFBS_STRUC_LENGTH_FIXED) return MQRCCF_CFST_STRING_LENGTH_ERR;
        p.text = text_at(16, n);
        break;
      }
      case MQCFT_GROUP:
        if (strucl != MQCFGR_STRUC_LENGTH) return MQRCCF_STRUCTURE_TYPE_ERROR;
        p.group_count = At(s, 12);
        if (p.group_count < 0) return MQRCCF_CFH_PARM_COUNT_ERROR;
        if (depth == kPcfMaxGroupDepth) return MQRCCF_CFGR_PARM_COUNT_ERROR;
        break;
      case MQCFT_INTEGER64:
        if (strucl != MQCFIN64_STRUC_LENGTH) return MQRCCF_CFIN_LENGTH_ERROR;
        std::memcpy(&p.value64, s.data() + 16, 8);
        break;
      default:
        return MQRCCF_STRUCTURE_TYPE_ERROR;
    }
    --to_read;
    if (p.type == MQCFT_GROUP) group_left[depth++] = p.group_count;
    out->parameters.push_back(std::move(p));
    pos += static_cast<size_t>(strucl);
  }
  return 0;
}

}  // namespace pcf
