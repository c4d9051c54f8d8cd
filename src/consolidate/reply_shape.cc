// The shape check of replies.
#include "consolidate/reply_shape.h"

#include <cmqc.h>

#include <cstring>

#include "pcf/pcf_walker.h"

bool PcfShapeIsSound(const char* data, int32_t length) {
  if (data == nullptr || length < MQCFH_STRUC_LENGTH) return false;
  const MQCFH header = HeaderOf(data);
  if (header.StrucLength != MQCFH_STRUC_LENGTH || header.ParameterCount < 0) return false;
  int64_t to_read = header.ParameterCount;
  int64_t offset = MQCFH_STRUC_LENGTH;
  for (; to_read > 0; --to_read) {
    PcfStructure s;
    if (ReadPcfStructure(data + offset, length - offset, &s) != PcfFault::kNone || !s.value_fits) {
      return false;
    }
    if (s.type == MQCFT_GROUP) {
      if (s.count < 0) return false;
      to_read += s.count;
    }
    offset += s.struc_length;
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
