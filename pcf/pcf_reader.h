// Reading PCF messages: an MQCFH and its parameters (pcf/pcf_format.h draws
// them) taken apart into plain values, with every length and count checked
// against the bytes there, so that a lying message stops the reader with the
// MQRCCF_* reason a command server would give instead of reading past its
// end. The IBM MQ stand-in's command server reads its requests with it, the
// mqemu tool the replies, and pcf/coalesced_reader.h the agent's coalesced
// messages.
#pragma once

#include <cmqc.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pcf/pcf_format.h"

namespace pcf {

// One parameter as read; the fields that its type does not use stay empty.
struct PcfParameter {
  MQLONG type = 0;                 // MQCFT_INTEGER, MQCFT_STRING, ...
  MQLONG parameter = 0;            // its identifier (MQCA_*, MQIA_*, ...)
  MQLONG value = 0;                // MQCFIN
  int64_t value64 = 0;             // MQCFIN64
  MQLONG ccsid = 0;                // MQCFST, MQCFSL: CodedCharSetId
  std::string text;                // MQCFST, MQCFBS (as given, padding kept)
  std::vector<MQLONG> values;      // MQCFIL
  std::vector<std::string> texts;  // MQCFSL (each of the list's StringLength)
  MQLONG group_count = 0;          // MQCFGR: parameters of the group that follow
};

// A message as read. The parameters are in message order with a group's
// members right after the group (group_count of them, nested groups bringing
// their own), so parameters.size() exceeds header.ParameterCount when there
// are groups. Groups nest at most kPcfMaxGroupDepth deep.
struct PcfMessage {
  MQCFH header{};
  std::vector<PcfParameter> parameters;
};

// Reads a PCF message. Returns 0, or the MQRCCF_* reason of the first fault:
// a message shorter than its header (MQRCCF_MSG_LENGTH_ERROR), a StrucLength
// of the MQCFH other than 36 or a negative ParameterCount, fewer parameters
// than counted, a parameter whose lengths run past the end or do not fit its
// type, a list that counts more entries than its structure has bytes (every
// entry takes at least one byte, an empty string too, so that no count makes
// the reader build more values than the message holds bytes), a group inside
// kPcfMaxGroupDepth open groups (MQRCCF_CFGR_PARM_COUNT_ERROR; the agent
// reads no deeper either), or a parameter type not drawn in
// pcf/pcf_format.h. The header (when
// there were 36 bytes) and the parameters read before the fault are kept in
// *out. Bytes after the counted parameters are ignored.
MQLONG ParsePcf(std::span<const uint8_t> data, PcfMessage* out);
inline MQLONG ParsePcf(std::string_view data, PcfMessage* out) {
  return ParsePcf(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()), out);
}

}  // namespace pcf
