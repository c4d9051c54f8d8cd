// The PCF cursor.
#include "pcf/pcf_cursor.h"

#include <cstring>

#include "pcf/pcf_walker.h"

namespace {

// The types the cursor reads besides its filler: IBM MQ's, as kPcfLayouts
// draws them, and its two private ones.
constexpr MQLONG kIbmTypes[] = {MQCFT_INTEGER,     MQCFT_STRING,      MQCFT_INTEGER_LIST,
                                MQCFT_STRING_LIST, MQCFT_BYTE_STRING, MQCFT_GROUP,
                                MQCFT_INTEGER64};
// clang-format off
constexpr PcfLayout kPrivateLayouts[] = {
  // type               fixed_length exact  value_at count_at size_at value_size
  {PCF_TYPE_SIZED,      20,          false, 20,      -1,      16,     0},
  {PCF_TYPE_SIZED_LIST, 24,          false, 24,      16,      20,     0},
};
// clang-format on

const PcfLayout* CursorLayout(MQLONG type) {
  for (const MQLONG known : kIbmTypes) {
    if (known == type) return FindPcfLayout(type);
  }
  for (const PcfLayout& layout : kPrivateLayouts) {
    if (layout.type == type) return &layout;
  }
  return nullptr;
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
  const MQLONG type = FieldAt(p, 0);
  item->type = type;
  int32_t advance = 4;
  int32_t group_members = 0;
  if (type == PCF_TYPE_FILLER) {
    item->value_length = 4;
  } else {
    const PcfLayout* layout = CursorLayout(type);
    if (layout == nullptr) return Fail(MQRCCF_CFH_TYPE_ERROR, comp_code, reason);
    PcfStructure s;
    if (ReadPcfStructure(p, left, *layout, &s) != PcfFault::kNone) {
      return Fail(MQRC_TRUNCATED_MSG_FAILED, comp_code, reason);
    }
    item->parameter = s.parameter;
    item->value = s.value;
    int64_t value_length = s.value_length;
    advance = s.struc_length;
    if (type == MQCFT_INTEGER_LIST) {
      // An integer list's value is the rest of its structure.
      value_length = int64_t{s.struc_length} - layout->value_at;
    } else if (type == MQCFT_GROUP) {
      // A group's value is the group structure itself.
      item->value = p;
      value_length = advance = MQCFGR_STRUC_LENGTH;
      group_members = static_cast<int32_t>(s.count);
      s.count = 1;
    }
    item->value_length = static_cast<int32_t>(value_length);
    item->count = static_cast<int32_t>(s.count);
    if (value_length < 0 || s.count < 0 || (item->value - p) + value_length > left) {
      return Fail(MQRC_TRUNCATED_MSG_FAILED, comp_code, reason);
    }
  }

  if (type == MQCFT_GROUP) {
    if (reader->depth >= kPcfMaxGroupDepth) {
      return Fail(MQRC_FORMAT_NOT_SUPPORTED, comp_code, reason);
    }
    PcfGroupLevel& level = reader->group_stack[reader->depth++];
    level.offset = reader->offset;
    level.parameter = item->parameter;
    level.remaining = group_members;
    reader->group_parameter = item->parameter;
  } else {
    CountOneRead(reader);
  }
  reader->current = p;
  reader->offset += advance;
}
