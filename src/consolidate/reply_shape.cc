// The shape check of replies.
#include "consolidate/reply_shape.h"

#include <cmqc.h>

#include <cstring>

#include "pcf/pcf_format.h"

namespace {

int32_t FieldAt(const char* data, int64_t offset) {
  int32_t value;
  memcpy(&value, data + offset, sizeof value);
  return value;
}

// The smallest StrucLength of a parameter of `type`; 8 (Type and
// StrucLength alone) for types the agent does not know.
int32_t FixedLength(int32_t type) {
  switch (type) {
    case MQCFT_INTEGER:
      return MQCFIN_STRUC_LENGTH;
    case MQCFT_STRING:
      return MQCFST_STRUC_LENGTH_FIXED;
    case MQCFT_INTEGER_LIST:
      return MQCFIL_STRUC_LENGTH_FIXED;
    case MQCFT_STRING_LIST:
      return MQCFSL_STRUC_LENGTH_FIXED;
    case MQCFT_BYTE_STRING:
      return MQCFBS_STRUC_LENGTH_FIXED;
    case MQCFT_GROUP:
      return MQCFGR_STRUC_LENGTH;
    case MQCFT_INTEGER64:
      return MQCFIN64_STRUC_LENGTH;
    case MQCFT_INTEGER64_LIST:
      return MQCFIL64_STRUC_LENGTH_FIXED;
    default:
      return 8;
  }
}

// Whether the variable part of the parameter at `p` (of `struc_length`
// bytes, at least its fixed part) fits inside it.
bool ContentFits(const char* p, int32_t type, int32_t struc_length) {
  switch (type) {
    case MQCFT_STRING: {
      const int64_t n = FieldAt(p, offsetof(MQCFST, StringLength));
      return n >= 0 && n <= struc_length - MQCFST_STRUC_LENGTH_FIXED;
    }
    case MQCFT_BYTE_STRING: {
      const int64_t n = FieldAt(p, offsetof(MQCFBS, StringLength));
      return n >= 0 && n <= struc_length - MQCFBS_STRUC_LENGTH_FIXED;
    }
    case MQCFT_INTEGER_LIST: {
      const int64_t n = FieldAt(p, offsetof(MQCFIL, Count));
      return n >= 0 && n * 4 <= struc_length - MQCFIL_STRUC_LENGTH_FIXED;
    }
    case MQCFT_INTEGER64_LIST: {
      const int64_t n = FieldAt(p, offsetof(MQCFIL64, Count));
      return n >= 0 && n * 8 <= struc_length - MQCFIL64_STRUC_LENGTH_FIXED;
    }
    case MQCFT_STRING_LIST: {
      const int64_t n = FieldAt(p, offsetof(MQCFSL, Count));
      const int64_t each = FieldAt(p, offsetof(MQCFSL, StringLength));
      return n >= 0 && each >= 0 && n * each <= struc_length - MQCFSL_STRUC_LENGTH_FIXED;
    }
    default:
      return true;
  }
}

}  // namespace

bool PcfShapeIsSound(const char* data, int32_t length) {
  if (data == nullptr || length < MQCFH_STRUC_LENGTH) return false;
  if (FieldAt(data, offsetof(MQCFH, StrucLength)) != MQCFH_STRUC_LENGTH) return false;
  int64_t to_read = FieldAt(data, offsetof(MQCFH, ParameterCount));
  if (to_read < 0) return false;
  int64_t offset = MQCFH_STRUC_LENGTH;
  for (; to_read > 0; --to_read) {
    if (length - offset < 8) return false;
    const char* p = data + offset;
    const int32_t type = FieldAt(p, 0);
    const int32_t struc_length = FieldAt(p, 4);
    if (struc_length < FixedLength(type) || struc_length > length - offset) return false;
    if (!ContentFits(p, type, struc_length)) return false;
    if (type == MQCFT_GROUP) {
      const int64_t members = FieldAt(p, offsetof(MQCFGR, ParameterCount));
      if (members < 0) return false;
      to_read += members;
    }
    offset += struc_length;
  }
  return offset == length;
}

bool ReplyShapeIsSound(const char* format, const char* data, int32_t length) {
  if (memcmp(format, MQFMT_ADMIN, MQ_FORMAT_LENGTH) == 0) return PcfShapeIsSound(data, length);
  if (IsMqscFormat(format)) return data != nullptr && length >= 8;
  return true;
}

bool IsMqscFormat(const char* format) {
  return memcmp(format, MQFMT_COMMAND_1, MQ_FORMAT_LENGTH) == 0 ||
         memcmp(format, MQFMT_COMMAND_2, MQ_FORMAT_LENGTH) == 0;
}

bool SameReplyKind(const char* format, const char* other) {
  return memcmp(format, other, MQ_FORMAT_LENGTH) == 0 ||
         (IsMqscFormat(format) && IsMqscFormat(other));
}
