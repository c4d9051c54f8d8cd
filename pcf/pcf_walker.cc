// The PCF walker: one structure at a time, each length checked.
#include "pcf/pcf_walker.h"

PcfFault ReadPcfStructure(const char* p, int64_t left, const PcfLayout& layout, PcfStructure* out) {
  *out = PcfStructure{};
  out->layout = &layout;
  if (left < 8) return PcfFault::kCut;
  out->type = FieldAt(p, offsetof(MQCFIN, Type));
  out->struc_length = FieldAt(p, offsetof(MQCFIN, StrucLength));
  if (out->struc_length < layout.fixed_length || out->struc_length > left) {
    return PcfFault::kStrucLength;
  }
  if (layout.fixed_length > kPcfParameterAt) out->parameter = FieldAt(p, kPcfParameterAt);
  if (layout.value_at < 0) {
    if (layout.count_at >= 0) out->count = FieldAt(p, layout.count_at);
    out->value_fits = true;
    return PcfFault::kNone;
  }

  // Counts and sizes are 32-bit, so their product cannot overflow 64 bits.
  int64_t each = layout.value_size;
  out->count = 1;
  if (layout.length_at >= 0) {
    each = FieldAt(p, layout.length_at);
  } else if (layout.count_at >= 0) {
    out->count = FieldAt(p, layout.count_at);
    if (layout.size_at >= 0) each = FieldAt(p, layout.size_at);
  }
  out->value = p + layout.value_at;
  out->value_length = out->count * each;
  out->value_fits = out->count >= 0 && each >= 0 &&
                    out->value_length <= int64_t{out->struc_length} - layout.value_at;
  return PcfFault::kNone;
}

PcfFault ReadPcfStructure(const char* p, int64_t left, PcfStructure* out) {
  const PcfLayout* layout = left >= 8 ? FindPcfLayout(FieldAt(p, 0)) : nullptr;
  return ReadPcfStructure(p, left, layout != nullptr ? *layout : kPcfOpaqueLayout, out);
}
