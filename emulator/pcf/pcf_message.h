// Building and reading PCF messages (MQCFH followed by parameters; the
// structures are drawn in mq/pcf.h). The command server builds its replies
// and reads its requests with these; the mqemu tool builds requests and
// decodes replies.
#pragma once

#include <cmqc.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mq/pcf.h"

namespace mqemu {

// Appends parameters to one PCF message; Finish() fills in ParameterCount.
class PcfBuilder {
 public:
  PcfBuilder(MQLONG type, MQLONG command, MQLONG seq = 1, MQLONG control = MQCFC_LAST,
             MQLONG cc = MQCC_OK, MQLONG reason = MQRC_NONE);
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
  const std::string& Finish();

 private:
  template <typename T>
  void Append(const T& v) {
    data_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  std::string data_;
  MQLONG count_ = 0;
};

struct PcfParameter {
  MQLONG type = 0;
  MQLONG parameter = 0;
  MQLONG value = 0;                // MQCFIN
  int64_t value64 = 0;             // MQCFIN64
  std::string text;                // MQCFST, MQCFBS (as given, padding kept)
  std::vector<MQLONG> values;      // MQCFIL
  std::vector<std::string> texts;  // MQCFSL
  MQLONG group_count = 0;          // MQCFGR: parameters of the group that follow
};

struct PcfMessage {
  MQCFH header{};
  std::vector<PcfParameter> parameters;
};

// Reads a PCF message. Returns 0, or the MQRCCF_* reason of the first fault:
// a message shorter than its header, a parameter whose lengths run past the
// end or do not fit its type, or an unknown parameter type. Parameters read
// before the fault are kept in *out.
MQLONG ParsePcf(std::span<const uint8_t> data, PcfMessage* out);
inline MQLONG ParsePcf(std::string_view data, PcfMessage* out) {
  return ParsePcf(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()), out);
}

// A string value without its trailing blanks.
std::string Trimmed(std::string_view text);

}  // namespace mqemu
