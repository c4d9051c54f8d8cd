// Reading one PCF parameter structure in place, with every length it gives
// checked against the bytes that are there: the one walker under the agent's
// cursor (pcf/pcf_cursor.h), its compression and shape check of replies, and
// the tools' parser (pcf/pcf_reader.h). Each of them walks a message
// structure by structure with it and decides itself what a fault means.
// Allocates nothing; inline, as it runs for every structure of every reply.
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

// Reads only the Type and StrucLength of the structure at `p`, which has
// `left` bytes before the end of its message, and checks them: 8 bytes are
// there, and StrucLength is at least the fixed part of the type's layout
// (kPcfOpaqueLayout's for a type not drawn) and within `left`. For a walk
// that needs no value; ReadPcfStructure begins with the same checks.
inline PcfFault ReadPcfFrame(const char* p, int64_t left, const PcfLayout& layout, MQLONG* type,
                             int32_t* struc_length) {
  if (left < 8) return PcfFault::kCut;
  *type = FieldAt(p, offsetof(MQCFIN, Type));
  *struc_length = FieldAt(p, offsetof(MQCFIN, StrucLength));
  if (*struc_length < layout.fixed_length || *struc_length > left) return PcfFault::kStrucLength;
  return PcfFault::kNone;
}

// The same, by the layout of the structure's own Type.
inline PcfFault ReadPcfFrame(const char* p, int64_t left, MQLONG* type, int32_t* struc_length) {
  if (left < 8) return PcfFault::kCut;
  return ReadPcfFrame(p, left, PcfLayoutOf(FieldAt(p, offsetof(MQCFIN, Type))), type, struc_length);
}

// Reads the structure at `p`, which has `left` bytes before the end of its
// message, as `layout` draws it. On kNone every field of *out is set and the
// fixed part lies within StrucLength and StrucLength within `left`; whether
// the value fits too is value_fits, for the caller to judge. On kStrucLength
// only type and struc_length are set. StrucLength need not be a multiple of
// 4, nor be exactly fixed_length where the layout is exact: those are the
// caller's rules. Reads no byte outside [p, p + left).
inline PcfFault ReadPcfStructure(const char* p, int64_t left, const PcfLayout& layout,
                                 PcfStructure* out) {
  *out = PcfStructure{};
  out->layout = &layout;
  if (const PcfFault fault = ReadPcfFrame(p, left, layout, &out->type, &out->struc_length);
      fault != PcfFault::kNone) {
    return fault;
  }
  // The fields are read where they lie within the fixed part, or at Type
  // where the layout has none (and then ignored), so that the one path
  // below serves every type without a branch on it.
  auto field_or = [p](int32_t at, int32_t otherwise) -> int64_t {
    const int32_t value = FieldAt(p, at >= 0 ? at : 0);
    return at >= 0 ? value : otherwise;
  };
  const bool has_value = layout.value_at >= 0;
  out->parameter = static_cast<MQLONG>(
      field_or(layout.fixed_length > kPcfParameterAt ? kPcfParameterAt : -1, 0));
  out->count = field_or(layout.count_at, has_value);
  // Counts and sizes are 32-bit, so their product cannot overflow 64 bits.
  const int64_t each = field_or(layout.size_at, layout.value_size);
  if (!has_value) {
    out->value_fits = true;
    return PcfFault::kNone;
  }
  out->value = p + layout.value_at;
  out->value_length = out->count * each;
  out->value_fits = out->count >= 0 && each >= 0 &&
                    out->value_length <= int64_t{out->struc_length} - layout.value_at;
  return PcfFault::kNone;
}

// The same, with the layout of the structure's own Type: its entry in
// kPcfLayouts, or kPcfOpaqueLayout for a type not drawn there.
inline PcfFault ReadPcfStructure(const char* p, int64_t left, PcfStructure* out) {
  return ReadPcfStructure(p, left, PcfLayoutOf(left >= 8 ? FieldAt(p, 0) : MQCFT_NONE), out);
}
