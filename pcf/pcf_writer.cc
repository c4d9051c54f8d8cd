// Building PCF messages: each parameter appended with its StrucLength padded
// to a multiple of 4, ParameterCount filled in at the end.
#include "pcf/pcf_writer.h"

#include <cstddef>
#include <cstring>

namespace pcf {

PcfBuilder::PcfBuilder(MQLONG type, MQLONG command, MQLONG seq, MQLONG control, MQLONG cc,
                       MQLONG reason)
    : PcfBuilder(
          MQCFH{type, MQCFH_STRUC_LENGTH, MQCFH_VERSION_1, command, seq, control, cc, reason, 0}) {}

PcfBuilder::PcfBuilder(const MQCFH& header) {
  MQCFH h = header;
  h.StrucLength = MQCFH_STRUC_LENGTH;
  h.ParameterCount = 0;
  Append(h);
}

void PcfBuilder::Counted() {
  if (group_members_left_ > 0) {
    --group_members_left_;
  } else {
    ++count_;
  }
}

void PcfBuilder::Integer(MQLONG parameter, MQLONG value) {
  MQCFIN p{MQCFT_INTEGER, MQCFIN_STRUC_LENGTH, parameter, value};
  Append(p);
  Counted();
}

void PcfBuilder::String(MQLONG parameter, std::string_view value, size_t field_length,
                        MQLONG ccsid) {
  std::string text(value.substr(0, field_length ? field_length : value.size()));
  if (field_length) text.resize(field_length, ' ');
  auto strucl = static_cast<MQLONG>((MQCFST_STRUC_LENGTH_FIXED + text.size() + 3) / 4 * 4);
  MQLONG head[5] = {MQCFT_STRING, strucl, parameter, ccsid, static_cast<MQLONG>(text.size())};
  data_.append(reinterpret_cast<const char*>(head), sizeof head);
  data_ += text;
  data_.append(static_cast<size_t>(strucl) - MQCFST_STRUC_LENGTH_FIXED - text.size(), '\0');
  Counted();
}

void PcfBuilder::IntegerList(MQLONG parameter, const std::vector<MQLONG>& values) {
  MQLONG head[4] = {MQCFT_INTEGER_LIST,
                    static_cast<MQLONG>(MQCFIL_STRUC_LENGTH_FIXED + 4 * values.size()), parameter,
                    static_cast<MQLONG>(values.size())};
  data_.append(reinterpret_cast<const char*>(head), sizeof head);
  for (MQLONG v : values) Append(v);
  Counted();
}

void PcfBuilder::StringList(MQLONG parameter, const std::vector<std::string>& values,
                            size_t field_length, MQLONG ccsid) {
  size_t body = values.size() * field_length;
  auto strucl = static_cast<MQLONG>((MQCFSL_STRUC_LENGTH_FIXED + body + 3) / 4 * 4);
  MQLONG head[6] = {MQCFT_STRING_LIST,
                    strucl,
                    parameter,
                    ccsid,
                    static_cast<MQLONG>(values.size()),
                    static_cast<MQLONG>(field_length)};
  data_.append(reinterpret_cast<const char*>(head), sizeof head);
  for (const std::string& v : values) {
    std::string text = v.substr(0, field_length);
    text.resize(field_length, ' ');
    data_ += text;
  }
  data_.append(static_cast<size_t>(strucl) - MQCFSL_STRUC_LENGTH_FIXED - body, '\0');
  Counted();
}

void PcfBuilder::ByteString(MQLONG parameter, std::string_view value) {
  auto strucl = static_cast<MQLONG>((MQCFBS_STRUC_LENGTH_FIXED + value.size() + 3) / 4 * 4);
  MQLONG head[4] = {MQCFT_BYTE_STRING, strucl, parameter, static_cast<MQLONG>(value.size())};
  data_.append(reinterpret_cast<const char*>(head), sizeof head);
  data_ += value;
  data_.append(static_cast<size_t>(strucl) - MQCFBS_STRUC_LENGTH_FIXED - value.size(), '\0');
  Counted();
}

void PcfBuilder::Integer64(MQLONG parameter, int64_t value) {
  MQCFIN64 p{MQCFT_INTEGER64, MQCFIN64_STRUC_LENGTH, parameter, 0, value};
  Append(p);
  Counted();
}

void PcfBuilder::Group(MQLONG parameter, MQLONG count) {
  MQCFGR p{MQCFT_GROUP, MQCFGR_STRUC_LENGTH, parameter, count};
  Append(p);
  Counted();
  if (count > 0) group_members_left_ += count;
}

const std::string& PcfBuilder::Finish() {
  std::memcpy(data_.data() + offsetof(MQCFH, ParameterCount), &count_, sizeof count_);
  return data_;
}

}  // namespace pcf
