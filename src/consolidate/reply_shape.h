// Whether a reply has the shape its format promises: a PCF reply an MQCFH
// followed by exactly the parameters it counts, each within the message; an
// MQSC text reply at least its 8-character message number. A reply that
// fails does not come from a command server; the reply consumer then
// delivers it exactly as it came, without compressing or coalescing it, so
// nothing reads or writes outside its bytes.
#pragma once

#include <cstdint>

// True when `length` bytes at `data` are a sound PCF message: at least the
// 36-byte MQCFH with StrucLength 36 and a ParameterCount of 0 or more, then
// that many parameters (a group's parameters following the group), each
// with a Type and a StrucLength of at least its type's fixed part that lies
// within the message, strings and lists within their structure, and no
// bytes left over.
bool PcfShapeIsSound(const char* data, int32_t length);

// True when a reply of the 8-character MQMD `format` is sound: PCF as above
// for "MQADMIN ", at least 8 bytes for "MQCMD1  " and "MQCMD2  ", anything
// for other formats (they are delivered as they came in any case).
bool ReplyShapeIsSound(const char* format, const char* data, int32_t length);

// Whether an 8-character MQMD format is MQSC text: "MQCMD1  " or "MQCMD2  ".
bool IsMqscFormat(const char* format);

// Whether replies of two formats are of one kind, so that one may be
// coalesced with the other: the same format, or both MQSC text.
bool SameReplyKind(const char* format, const char* other);
