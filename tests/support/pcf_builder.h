// Test support: crafting PCF messages byte by byte, and reading their fields
// back. PcfBuilder writes an MQCFH and then one structure per call, counting
// the parameters at the outer level (a group's own parameters count towards
// the group); ParameterCount() overrides the count for lying messages.
//
//   std::string reply = PcfBuilder(MQCMD_INQUIRE_Q)
//                           .String(MQCA_Q_NAME, "SYSTEM.DEFAULT.LOCAL.QUEUE", 48)
//                           .Integer(MQIA_Q_TYPE, MQQT_LOCAL)
//                           .Bytes();
#pragma once

#include <cmqc.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pcf/pcf_format.h"

// The parameter identifier of FillTo's byte string.
constexpr MQLONG kFillerParameter = 7001;

class PcfBuilder {
 public:
  explicit PcfBuilder(MQLONG command = MQCMD_INQUIRE_Q, MQLONG control = MQCFC_LAST,
                      MQLONG comp_code = MQCC_OK, MQLONG reason = MQRC_NONE,
                      MQLONG type = MQCFT_RESPONSE) {
    header_ = {type,    MQCFH_STRUC_LENGTH, MQCFH_VERSION_1, command, 1,
               control, comp_code,          reason,          0};
  }

  PcfBuilder& MsgSeqNumber(MQLONG n) {
    header_.MsgSeqNumber = n;
    return *this;
  }
  PcfBuilder& ParameterCount(MQLONG n) {
    count_override_ = n;
    has_override_ = true;
    return *this;
  }

  // MQCFIN.
  PcfBuilder& Integer(MQLONG parameter, MQLONG value) {
    return Add({MQCFT_INTEGER, MQCFIN_STRUC_LENGTH, parameter, value}, "");
  }
  // MQCFST of `text` blank padded to `field` characters (at least the
  // text), its StrucLength rounded up to a multiple of 4 (or `struc_length`).
  PcfBuilder& String(MQLONG parameter, const std::string& text, int field = 0,
                     int struc_length = 0) {
    std::string value = text;
    if (static_cast<int>(value.size()) < field) value.resize(static_cast<size_t>(field), ' ');
    const auto n = static_cast<MQLONG>(value.size());
    const MQLONG length = struc_length > 0 ? struc_length : RoundUp4(MQCFST_STRUC_LENGTH_FIXED + n);
    return Add({MQCFT_STRING, length, parameter, 0, n}, Padded(value, length - 20));
  }
  // MQCFIL.
  PcfBuilder& IntegerList(MQLONG parameter, const std::vector<MQLONG>& values) {
    const auto n = static_cast<MQLONG>(values.size());
    std::string bytes(reinterpret_cast<const char*>(values.data()), values.size() * 4);
    return Add({MQCFT_INTEGER_LIST, MQCFIL_STRUC_LENGTH_FIXED + 4 * n, parameter, n}, bytes);
  }
  // MQCFSL of `count` strings of `each` characters taken from `strings`.
  PcfBuilder& StringList(MQLONG parameter, const std::vector<std::string>& strings, int each) {
    std::string bytes;
    for (const std::string& s : strings) {
      std::string v = s;
      v.resize(static_cast<size_t>(each), ' ');
      bytes += v;
    }
    const auto n = static_cast<MQLONG>(strings.size());
    const MQLONG length = RoundUp4(MQCFSL_STRUC_LENGTH_FIXED + n * each);
    return Add({MQCFT_STRING_LIST, length, parameter, 0, n, each},
               Padded(bytes, length - MQCFSL_STRUC_LENGTH_FIXED));
  }
  // MQCFBS of `value`.
  PcfBuilder& ByteString(MQLONG parameter, const std::string& value) {
    const auto n = static_cast<MQLONG>(value.size());
    const MQLONG length = RoundUp4(MQCFBS_STRUC_LENGTH_FIXED + n);
    return Add({MQCFT_BYTE_STRING, length, parameter, n},
               Padded(value, length - MQCFBS_STRUC_LENGTH_FIXED));
  }
  // MQCFGR; the next `members` structures are its parameters.
  PcfBuilder& Group(MQLONG parameter, MQLONG members) {
    Add({MQCFT_GROUP, MQCFGR_STRUC_LENGTH, parameter, members}, "");
    if (members > 0) open_groups_.push_back(members);
    return *this;
  }
  // MQCFIN64.
  PcfBuilder& Integer64(MQLONG parameter, int64_t value) {
    std::string bytes(reinterpret_cast<const char*>(&value), sizeof value);
    return Add({MQCFT_INTEGER64, MQCFIN64_STRUC_LENGTH, parameter, 0}, bytes);
  }
  // A structure given field by field and then as bytes, counted as one
  // parameter.
  PcfBuilder& Raw(const std::vector<MQLONG>& fields, const std::string& tail = "") {
    return Add(fields, tail);
  }
  // A byte string that brings the whole message to `total` bytes (a
  // multiple of 4, at least 52).
  PcfBuilder& FillTo(int total) {
    const int now = static_cast<int>(MQCFH_STRUC_LENGTH + body_.size());
    return ByteString(kFillerParameter, std::string(total - now - 16, 'x'));
  }

  std::string Bytes() const {
    MQCFH header = header_;
    header.ParameterCount = has_override_ ? count_override_ : top_count_;
    std::string out(reinterpret_cast<const char*>(&header), sizeof header);
    return out + body_;
  }

 private:
  static MQLONG RoundUp4(MQLONG n) { return (n + 3) & ~3; }
  static std::string Padded(std::string s, MQLONG length) {
    s.resize(static_cast<size_t>(length < 0 ? 0 : length), ' ');
    return s;
  }

  PcfBuilder& Add(const std::vector<MQLONG>& fields, const std::string& tail) {
    if (open_groups_.empty()) {
      ++top_count_;
    } else if (--open_groups_.back() == 0) {
      open_groups_.pop_back();
    }
    body_.append(reinterpret_cast<const char*>(fields.data()), fields.size() * sizeof(MQLONG));
    body_ += tail;
    return *this;
  }

  MQCFH header_;
  std::string body_;
  MQLONG top_count_ = 0;
  MQLONG count_override_ = 0;
  bool has_override_ = false;
  std::vector<MQLONG> open_groups_;
};

// The 32-bit field at byte `offset` of `bytes`.
inline MQLONG FieldAt(const std::string& bytes, size_t offset) {
  MQLONG value = 0;
  if (offset + sizeof value <= bytes.size()) memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

// The MQCFH at the start of `bytes` (zeros where the bytes are missing).
inline MQCFH HeaderOf(const std::string& bytes) {
  MQCFH header{};
  memcpy(&header, bytes.data(), bytes.size() < sizeof header ? bytes.size() : sizeof header);
  return header;
}

// A copy of some bytes in a heap block of exactly their size, so that
// AddressSanitizer reports any read or write past the end.
class ExactBuffer {
 public:
  explicit ExactBuffer(const std::string& bytes)
      : size_(bytes.size()), data_(new char[bytes.size()]) {
    if (size_ > 0) memcpy(data_.get(), bytes.data(), size_);
  }
  char* data() const { return data_.get(); }
  MQLONG size() const { return static_cast<MQLONG>(size_); }
  std::string str(size_t length) const { return std::string(data_.get(), length); }

 private:
  size_t size_;
  std::unique_ptr<char[]> data_;
};
