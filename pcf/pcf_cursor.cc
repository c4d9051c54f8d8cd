// The PCF cursor.
#include "pcf/pcf_cursor.h"

#include <cstring>

#include "pcf/pcf_format.h"

namespace {

// How a structure type is read: where its parameter and value are, how long
// the value is and how many values it holds. Offsets from the start of the
// structure; -1 where the type has no such field.
struct Layout {
  int32_t type;
  int32_t fixed_length;  // the least StrucLength (the bytes read always)
  int32_t parameter_at;  // -1: no parameter
  int32_t value_at;      // -1: no value
  int32_t length_at;     // field holding the value length; -1: see below
  int32_t fixed_value;   // value length when length_at is -1 (0: StrucLength - value_at)
  int32_t count_at;      // field holding the number of values; -1: one value
  int32_t size_at;       // with count_at: field holding each value's size; -1: see length_at
  int32_t advance;       // bytes to the next structure; 0: StrucLength
};

// The structure types the cursor knows.
constexpr Layout kLayouts[] = {
    //  type                fixed param value length fixed count size advance
    {MQCFT_INTEGER, 16, 8, 12, -1, 4, -1, -1, 0},
    {MQCFT_STRING, 20, 8, 20, 16, 0, -1, -1, 0},
    {MQCFT_INTEGER_LIST, 16, 8, 16, -1, 0, 12, -1, 0},
    {MQCFT_STRING_LIST, 24, 8, 24, -1, 0, 16, 20, 0},
    {MQCFT_BYTE_STRING, 16, 8, 16, 12, 0, -1, -1, 0},
    {MQCFT_GROUP, 16, 8, 0, -1, 16, -1, -1, 16},
    {MQCFT_INTEGER64, 24, 8, 16, -1, 8, -1, -1, 0},
    {PCF_TYPE_FILLER, 4, -1, -1, -1, 4, -1, -1, 4},
    {PCF_TYPE_SIZED, 20, 8, 20, 16, 0, -1, -1, 0},
    {PCF_TYPE_SIZED_LIST, 24, 8, 24, -1, 0, 16, 20, 0},
};

const Layout* FindLayout(int32_t type) {
  for (const Layout& layout : kLayouts) {
    if (layout.type == type) return &layout;
  }
  return nullptr;
}

int32_t FieldAt(const char* p, int32_t offset) {
  int32_t value;
  memcpy(&value, p + offset, sizeof value);
  return value;
}

void Fail(MQLONG reason, MQLONG* comp_code, MQLONG* out) {
  *comp_code = MQCC_FAILED;
  *out = reason;
}

// The count of the level that is innermost now.
int32_t* InnermostRemaining(PcfReader* reader) {
  return reader->depth > 0 ? &reader->group_stack[reader->depth - 1].remaining
                           : &reader->top_remaining;
}

void CountOneRead(PcfReader* reader) {
  int32_t* remaining = InnermostRemaining(reader);
  if (*remaining > 0) --*remaining;
}

}  // namespace

void PcfReaderInit(PcfReader* reader, const char* message, int32_t length) {
  memset(reader, 0, sizeof *reader);
  memcpy(reader->StrucId, "MQPP", 4);
  reader->message = message;
  reader->length = length;
  reader->offset = MQCFH_STRUC_LENGTH;
  reader->end = message + length;
  if (length >= MQCFH_STRUC_LENGTH) {
    reader->top_remaining = FieldAt(message, offsetof(MQCFH, ParameterCount));
  }
}

void PcfNextParm(PcfReader* reader, PcfItem* item, MQLONG* comp_code, MQLONG* reason) {
  *comp_code = MQCC_OK;
  *reason = MQRC_NONE;
  *item = PcfItem{};

  if (reader->depth > 0 && reader->group_stack[reader->depth - 1].remaining <= 0) {
    item->type = PCF_END_GROUP;
    item->parameter = reader->group_stack[reader->depth - 1].parameter;
    --reader->depth;
    reader->group_parameter =
        reader->depth > 0 ? reader->group_stack[reader->depth - 1].parameter : 0;
    CountOneRead(reader);
    return;
  }
  if (reader->depth == 0 && reader->top_remaining <= 0) {
    return Fail(PCF_NO_MORE_PARAMETERS, comp_code, reason);
  }

  const int64_t left = int64_t{reader->length} - reader->offset;
  if (left < 4) return Fail(MQRC_TRUNCATED_MSG_FAILED, comp_code, reason);
  const char* p = reader->message + reader->offset;
  const int32_t type = FieldAt(p, 0);
  const Layout* layout = FindLayout(type);
  if (layout == nullptr) return Fail(MQRCCF_CFH_TYPE_ERROR, comp_code, reason);
  if (left < layout->fixed_length) return Fail(MQRC_TRUNCATED_MSG_FAILED, comp_code, reason);
  const int32_t struc_length = layout->advance != 0 ? layout->advance : FieldAt(p, 4);
  if (struc_length < layout->fixed_length || struc_length > left) {
    return Fail(MQRC_TRUNCATED_MSG_FAILED, comp_code, reason);
  }

  item->type = type;
  item->parameter = layout->parameter_at >= 0 ? FieldAt(p, layout->parameter_at) : 0;
  item->value = layout->value_at >= 0 ? p + layout->value_at : nullptr;
  int64_t value_length;
  int64_t count = 1;
  if (layout->count_at >= 0) {
    count = FieldAt(p, layout->count_at);
    value_length = layout->size_at >= 0 ? count * FieldAt(p, layout->size_at)
                                        : int64_t{struc_length} - layout->value_at;
  } else if (layout->length_at >= 0) {
    value_length = FieldAt(p, layout->length_at);
  } else {
    value_length = layout->fixed_value;
  }
  if (layout->value_at < 0) count = 0;
  item->value_length = static_cast<int32_t>(value_length);
  item->count = static_cast<int32_t>(count);

  const int64_t value_end = (layout->value_at >= 0 ? layout->value_at : 0) + value_length;
  if (value_length < 0 || count < 0 || value_end > left) {
    return Fail(MQRC_TRUNCATED_MSG_FAILED, comp_code, reason);
  }

  if (type == MQCFT_GROUP) {
    if (reader->depth >= kPcfMaxGroupDepth) {
      return Fail(MQRC_FORMAT_NOT_SUPPORTED, comp_code, reason);
    }
    PcfGroupLevel& level = reader->group_stack[reader->depth++];
    level.offset = reader->offset;
    level.parameter = item->parameter;
    level.remaining = FieldAt(p, offsetof(MQCFGR, ParameterCount));
    reader->group_parameter = item->parameter;
  } else {
    CountOneRead(reader);
  }
  reader->current = p;
  reader->offset += struc_length;
}
