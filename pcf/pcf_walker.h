// Reading one PCF parameter structure in place, with every length it gives
// checked against the bytes that are there: the one walker under the agent's
// cursor (pcf/pcf_cursor.h), its compression and shape check of replies, and
// the tools' parser (pcf/pcf_reader.h). Each of them walks a message
// structure by structure with it and decides itself what a fault means.
// Allocates nothing.
#pragma once

#include <cstdint>

#include "pcf/pcf_coding.h"

// One parameter structure as read.
struct PcfStructure {
  const PcfLayout* layout;  // the layout it was read by
  MQLONG type;
  int32_t struc_length;  // as the structure gives it
  MQLONG parameter;      // 0 where the layout has none
  const char* value;     // where the value begins; nullptr where there is none
  int64_t value_length;  // bytes of the value as its fields give them
  int64_t count;         // number of values: 1 for a single value, 0 for none;
                         // of a group, the members that follow it
  bool value_fits;       // value_length, count and each size are 0 or more and
                         // the value ends within StrucLength
};

enum class PcfFault {
  kNone,
  kCut,          // fewer than 8 bytes left: no room for Type and StrucLength
  kStrucLength,  // StrucLength below the layout's fixed part, or past the end
};

// Reads the structure at `p`, which has `left` bytes before the end of its
// message, as `layout` draws it. On kNone every field of *out is set and the
// fixed part lies within StrucLength and StrucLength within `left`; whether
// the value fits too is value_fits, for the caller to judge. On kStrucLength
// only type and struc_length are set. StrucLength need not be a multiple of
// 4, nor be exactly fixed_length where the layout is exact: those are the
// caller's rules. Reads no byte outside [p, p + left).
PcfFault ReadPcfStructure(const char* p, int64_t left, const PcfLayout& layout, PcfStructure* out);

// The same, with the layout of the structure's own Type: its entry in
// kPcfLayouts, or kPcfOpaqueLayout for a type not drawn there.
PcfFault ReadPcfStructure(const char* p, int64_t left, PcfStructure* out);
