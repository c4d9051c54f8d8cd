// Reading what CSAGNT delivers: a coalesced PCF message split back into the
// standard responses the command server sent, with the agent's information
// parameters kept apart, and a coalesced MQSC message split back into its
// texts. pcf/agent_format.h draws both layouts. For any client of the agent
// (the mqemu tool is one); no state of its own, so any thread may call it.
#pragma once

#include <cmqc.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pcf/pcf_reader.h"

namespace pcf {

// One standard response taken out of a message from the agent.
struct PcfResponse {
  // The response as the command server sent it: its MQCFH (reconstructed,
  // see SplitCoalescedPcf) and its own parameters, a group's members right
  // after the group as ParsePcf gives them.
  PcfMessage message;
  // The agent information parameters (MQCFIN TVN_ATTR_CSAGNT_CMDLEVEL and
  // TVN_ATTR_CSAGNT_FEATURES at top level) that followed this response, in
  // message order; empty when none did.
  std::vector<PcfParameter> agent_info;
};

// Splits a PCF message from the agent into the responses it holds, in order,
// replacing *out.
//
// A message with CFC_COALESCED in its Control is split at each top-level
// MQCFIN TVN_ATTR_RESPONSE_DELIMITER (one inside a group belongs to the
// group); a message without it is one response. Either way the agent
// information parameters are taken out of the response they follow into its
// agent_info. Each response's MQCFH is rebuilt: Type the message's for the
// first response and the delimiter's Value for each later one; StrucLength
// 36; Version, Command, CompCode and Reason the message's; ParameterCount its
// own top-level parameters; MsgSeqNumber the message's for the last response
// and one less for each one before; Control MQCFC_NOT_LAST on all but the
// last, which has the message's Control without CFC_COALESCED.
//
// Every length and count is checked against the bytes of message; nothing
// outside them is read. Returns 0, or the MQRCCF_* reason of the first fault
// as ParsePcf gives it. When the MQCFH itself is at fault (fewer than 36
// bytes, StrucLength not 36, ParameterCount negative) *out is empty;
// otherwise it holds the responses up to the one in which the fault lies,
// that one with the parameters read before the fault and numbered as the
// last.
MQLONG SplitCoalescedPcf(std::span<const uint8_t> message, std::vector<PcfResponse>* out);
inline MQLONG SplitCoalescedPcf(std::string_view message, std::vector<PcfResponse>* out) {
  return SplitCoalescedPcf(
      std::span(reinterpret_cast<const uint8_t*>(message.data()), message.size()), out);
}

// The response as a standard PCF message, for code that expects what the
// command server sends: its MQCFH and its parameters, each with the smallest
// StrucLength that holds it padded to a multiple of 4 (as the command server
// and the agent's compression lay them out). The agent information is not
// part of it. A string list without strings is written with StringLength 0.
std::string EncodePcfResponse(const PcfResponse& response);

// Splits a coalesced MQSC message into its texts at each 0x00 byte. When
// there is more than one text, the first text's '*' mark at offset 8 is given
// back as the blank it replaced (a first text without the mark is left as it
// is). A message without 0x00 is one text, unchanged; an empty message is one
// empty text.
std::vector<std::string> SplitCoalescedMqsc(std::string_view message);

}  // namespace pcf
