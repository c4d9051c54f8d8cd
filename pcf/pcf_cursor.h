// PcfReader and PcfNextParm: the agent's cursor over one PCF message, which
// yields its parameters one call at a time, groups included, without
// copying anything. The agent reads its own error replies with it; it
// suits any caller that wants to walk a PCF message in place.
//
// Every call checks that the fields it reads (Type, StrucLength, counts and
// lengths) and the value it hands out lie within the message, so a message
// that lies about its lengths can neither crash the reader nor loop it: the
// call fails and the caller stops at the first failure.
#pragma once

#include <cmqc.h>

#include <cstdint>

#include "pcf/pcf_format.h"  // kPcfMaxGroupDepth, the deepest nesting it follows

// Item types that PcfNextParm returns besides the PCF structure types.
constexpr int32_t PCF_END_GROUP = 1003;  // the innermost open group has ended

// Private structure types that the reader understands:
constexpr int32_t PCF_TYPE_FILLER = 1000;      // | Type |: 4 bytes, no parameter, no value
constexpr int32_t PCF_TYPE_SIZED = 1001;       // | Type | StrucLength | Parameter | ? |
                                               //   Length | value[Length] ... |
constexpr int32_t PCF_TYPE_SIZED_LIST = 1002;  // | Type | StrucLength | Parameter | ? |
                                               //   Count | Size | values[Count * Size] ... |

// The reason of a call past the last parameter (not an IBM MQ reason).
constexpr MQLONG PCF_NO_MORE_PARAMETERS = 10000;

struct PcfGroupLevel {
  int32_t offset;     // of the group structure
  int32_t parameter;  // its parameter identifier
  int32_t remaining;  // its parameters still to read
};

// A cursor over one PCF message, owned by its user (on the stack).
struct PcfReader {
  char StrucId[4];          // "MQPP"
  const char* message;      // the MQCFH
  int32_t offset;           // of the next structure; 36 at first
  int32_t length;           // of the whole message
  const char* current;      // the structure last read
  const char* end;          // message + length
  int32_t top_remaining;    // parameters still to read at the outer level
  int32_t depth;            // open groups, 0 to kPcfMaxGroupDepth
  int32_t group_parameter;  // parameter of the innermost open group, 0 outside
  PcfGroupLevel group_stack[kPcfMaxGroupDepth];
};

// One item read by PcfNextParm.
struct PcfItem {
  int32_t type;          // the structure's Type, or PCF_END_GROUP
  int32_t parameter;     // its parameter identifier (the group's, for PCF_END_GROUP)
  const char* value;     // its value in the message, or null
  int32_t value_length;  // bytes of the value
  int32_t count;         // number of values
};

// Sets `reader` up over `length` bytes at `message`. A message shorter than
// an MQCFH has no parameters.
void PcfReaderInit(PcfReader* reader, const char* message, int32_t length);

// Reads the next item into *item and sets *comp_code and *reason: MQCC_OK
// and 0; or MQCC_FAILED with PCF_NO_MORE_PARAMETERS after the last
// parameter, MQRCCF_CFH_TYPE_ERROR for an unknown type,
// MQRC_FORMAT_NOT_SUPPORTED for an eleventh nested group, or
// MQRC_TRUNCATED_MSG_FAILED when a field or the value lies outside the
// message, or a StrucLength is shorter than its type's fixed part or runs
// past the end. A failed call does not move the cursor; the item is still
// filled in as far as it was read.
void PcfNextParm(PcfReader* reader, PcfItem* item, MQLONG* comp_code, MQLONG* reason);
