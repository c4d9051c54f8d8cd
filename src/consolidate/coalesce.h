// Coalescing: many replies of one request gathered in its hold buffer into
// one message, up to the request's MaxMsgSize. pcf/agent_format.h draws the
// layouts field by field; in short:
//
//   coalesced PCF   | MQCFH | reply 1's parameters | delimiter | reply 2's
//                   | parameters | ... | (agent information) |
//   coalesced MQSC  | text 1 | 0x00 | text 2 | 0x00 | ... | text n |
//
// The held message always begins with the first reply gathered, so its
// MQCFH (or its first text) leads the message. Coalescing alone decides
// whether a reply joins what is held and how large a message grows
// (FitsWithHeld, AddAgentInfo); the appends add to the hold buffer through
// consolidate/hold_buffer.h. All operations run on the reply consumer's
// thread while the request is InUse.
#pragma once

#include <cmqc.h>

#include <cstdint>

#include "relay/request_table.h"

// Whether a reply (`length` bytes at `data`, described by `md`) may join the
// held message: something is held, of the reply's kind (PCF joins only PCF,
// MQSC text only MQSC text); for PCF, neither the held message nor the reply
// failed (CompCode not MQCC_OK: failed replies travel alone) and both have
// an MQCFH; and the message with the reply, its separator and `reserve`
// bytes more (the agent information to come) stays within the request's
// MaxMsgSize. Counted as the reply's whole length, as it arrives.
bool FitsWithHeld(const REQUEST* request, const MQMD* md, const char* data, int32_t length,
                  int32_t reserve);

// Appends a PCF reply that FitsWithHeld took to the held PCF message: a
// delimiter MQCFIN whose Value is the reply's Type, then the reply's
// parameters; the held MQCFH counts them and takes the reply's Control
// (with CFC_COALESCED) and MsgSeqNumber. Returns 0, or 1 when memory ran out
// (CSAG201E; what was held stays).
int AppendPcfReply(REQUEST* request, const char* data, int32_t length);

// Appends an MQSC reply text that FitsWithHeld took to the held text, after
// a 0x00 byte, and marks the message coalesced with '*' at offset 8 when the
// held text is long enough to have that byte. Returns 0, or 1 when memory
// ran out (CSAG201E; what was held stays).
int AppendMqscReply(REQUEST* request, const char* data, int32_t length);

// Appends the agent information parameters (command level, features) to
// the held message when it is PCF ("MQADMIN ", at least an MQCFH) that did
// not fail and they fit within MaxMsgSize; otherwise the message goes
// without them. Returns 0, or 1 when memory ran out (CSAG201E).
int AddAgentInfo(REQUEST* request);

// The feature bits that the agent reports: FEATURE_COMPRESS with compress
// on, FEATURE_COALESCE with coalesce on.
MQLONG AgentFeatures();
