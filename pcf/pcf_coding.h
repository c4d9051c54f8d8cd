// The fields of PCF structures read and written in place: the 32-bit field
// at an offset, the MQCFH at the start of a message, and the one table of how
// each parameter structure type is laid out (its fixed part and the fields
// that give its value's length or count). Every reader and writer of PCF in
// this project takes its offsets and fixed lengths from here;
// pcf/pcf_walker.h reads structures with the table.
#pragma once

#include <cmqc.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pcf/pcf_format.h"

// The 32-bit field `offset` bytes into `p`, which need not be aligned. The
// caller has checked that its four bytes are there.
inline int32_t FieldAt(const char* p, size_t offset) {
  int32_t value;
  memcpy(&value, p + offset, sizeof value);
  return value;
}

// Writes `value` into the 32-bit field `offset` bytes into `p`.
inline void SetField(char* p, size_t offset, int32_t value) {
  memcpy(p + offset, &value, sizeof value);
}

// The MQCFH at the start of `message`, which has at least its 36 bytes.
inline MQCFH HeaderOf(const char* message) {
  MQCFH header;
  memcpy(&header, message, sizeof header);
  return header;
}

// How a parameter structure type is laid out. Every type begins with Type
// and StrucLength; offsets are from the start of the structure, -1 where the
// type has no such field. The value holds count values (the field at
// count_at, or one) of each value's size (the field at size_at, which for a
// string is its length, or value_size).
struct PcfLayout {
  MQLONG type;
  int32_t fixed_length;  // the least StrucLength: every field before the value
  bool exact;            // IBM MQ accepts no StrucLength but fixed_length
  int32_t value_at;      // where the value begins; -1: no value
  int32_t count_at;      // field holding the number of values
  int32_t size_at;       // field holding each value's size
  int32_t value_size;    // bytes of each value where no field holds them
};

// Where the Parameter of every drawn type lies.
constexpr int32_t kPcfParameterAt = offsetof(MQCFIN, Parameter);

// IBM MQ's parameter structure types (pcf/pcf_format.h draws them). A group
// has no value; its count is its ParameterCount, the members that follow it.
// clang-format off
inline constexpr PcfLayout kPcfLayouts[] = {
  // type                     fixed_length                 exact  value_at                       count_at                          size_at                                value_size
  {MQCFT_INTEGER,             MQCFIN_STRUC_LENGTH,         true,  offsetof(MQCFIN, Value),       -1,                               -1,                                    4},
  {MQCFT_STRING,              MQCFST_STRUC_LENGTH_FIXED,   false, offsetof(MQCFST, String),      -1,                               offsetof(MQCFST, StringLength),        0},
  {MQCFT_INTEGER_LIST,        MQCFIL_STRUC_LENGTH_FIXED,   false, offsetof(MQCFIL, Values),      offsetof(MQCFIL, Count),          -1,                                    4},
  {MQCFT_STRING_LIST,         MQCFSL_STRUC_LENGTH_FIXED,   false, offsetof(MQCFSL, Strings),     offsetof(MQCFSL, Count),          offsetof(MQCFSL, StringLength),        0},
  {MQCFT_BYTE_STRING,         MQCFBS_STRUC_LENGTH_FIXED,   false, offsetof(MQCFBS, String),      -1,                               offsetof(MQCFBS, StringLength),        0},
  {MQCFT_INTEGER_FILTER,      MQCFIF_STRUC_LENGTH,         true,  offsetof(MQCFIF, FilterValue), -1,                               -1,                                    4},
  {MQCFT_STRING_FILTER,       MQCFSF_STRUC_LENGTH_FIXED,   false, offsetof(MQCFSF, FilterValue), -1,                               offsetof(MQCFSF, FilterValueLength),   0},
  {MQCFT_BYTE_STRING_FILTER,  MQCFBF_STRUC_LENGTH_FIXED,   false, offsetof(MQCFBF, FilterValue), -1,                               offsetof(MQCFBF, FilterValueLength),   0},
  {MQCFT_GROUP,               MQCFGR_STRUC_LENGTH,         true,  -1,                            offsetof(MQCFGR, ParameterCount), -1,                                    0},
  {MQCFT_INTEGER64,           MQCFIN64_STRUC_LENGTH,       true,  offsetof(MQCFIN64, Value),     -1,                               -1,                                    8},
  {MQCFT_INTEGER64_LIST,      MQCFIL64_STRUC_LENGTH_FIXED, false, offsetof(MQCFIL64, Values),    offsetof(MQCFIL64, Count),        -1,                                    8},
};
// clang-format on

// How a structure of a type not drawn above is read: Type and StrucLength
// alone, nothing assumed of the rest.
inline constexpr PcfLayout kPcfOpaqueLayout = {MQCFT_NONE, 8, false, -1, -1, -1, 0};

// Every layout by its type, kPcfOpaqueLayout where the type is not drawn:
// the lookup is made for every structure of every reply.
inline constexpr auto kPcfLayoutByType = [] {
  std::array<PcfLayout, MQCFT_INTEGER64_LIST + 1> by_type;
  by_type.fill(kPcfOpaqueLayout);
  for (const PcfLayout& layout : kPcfLayouts) by_type[layout.type] = layout;
  return by_type;
}();

// The layout of `type`: its entry in kPcfLayouts, or kPcfOpaqueLayout.
constexpr const PcfLayout& PcfLayoutOf(MQLONG type) {
  return type >= 0 && type < MQLONG{kPcfLayoutByType.size()} ? kPcfLayoutByType[type]
                                                             : kPcfOpaqueLayout;
}

// The layout of `type`, or nullptr when it is not drawn above.
constexpr const PcfLayout* FindPcfLayout(MQLONG type) {
  const PcfLayout& layout = PcfLayoutOf(type);
  return layout.type == type && type != MQCFT_NONE ? &layout : nullptr;
}
