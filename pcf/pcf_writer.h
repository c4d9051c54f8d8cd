// Building PCF messages: an MQCFH followed by parameters, laid out as
// pcf/pcf_format.h draws them, in the native encoding. Tools and tests build
// their requests with it, the IBM MQ stand-in its command server's replies,
// and pcf/coalesced_reader.h the standard responses it takes out of a
// coalesced message.
#pragma once

#include <cmqc.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pcf/pcf_format.h"

namespace pcf {

// Appends parameters to one PCF message; Finish() fills in ParameterCount,
// which counts the top-level parameters (a group's members are counted by
// the group, as PCF wants).
class PcfBuilder {
 public:
  // An MQCFH of Version MQCFH_VERSION_1 with these fields.
  PcfBuilder(MQLONG type, MQLONG command, MQLONG seq = 1, MQLONG control = MQCFC_LAST,
             MQLONG cc = MQCC_OK, MQLONG reason = MQRC_NONE);
  // An MQCFH copied from header, all but StrucLength (always
  // MQCFH_STRUC_LENGTH) and ParameterCount (filled in by Finish()).
  explicit PcfBuilder(const MQCFH& header);

  void Integer(MQLONG parameter, MQLONG value);
  // An MQCFST of StringLength field_length (the value blank padded or cut),
  // or of the value's own length when field_length is 0; StrucLength padded
  // to a multiple of 4.
  void String(MQLONG parameter, std::string_view value, size_t field_length = 0, MQLONG ccsid = 0);
  void IntegerList(MQLONG parameter, const std::vector<MQLONG>& values);
  void StringList(MQLONG parameter, const std::vector<std::string>& values, size_t field_length,
                  MQLONG ccsid = 0);
  void ByteString(MQLONG parameter, std::string_view value);
  void Integer64(MQLONG parameter, int64_t value);
  // An MQCFGR; the next `count` parameters appended (groups among them
  // bringing their own members) are its members.
  void Group(MQLONG parameter, MQLONG count);

  // The message so far, with ParameterCount set. The builder may go on
  // appending; the reference stays valid until it does.
  const std::string& Finish();

 private:
  template <typename T>
  void Append(const T& v) {
    data_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  // Counts a parameter just appended: as a member of the open group, if
  // any, else as a top-level parameter.
  void Counted();

  std::string data_;
  MQLONG count_ = 0;
  int64_t group_members_left_ = 0;
};

}  // namespace pcf
