// Coalescing: many replies of one request gathered in its hold buffer into
// one message, up to the request's MaxMsgSize. pcf/agent_format.h draws the
// layouts field by field; in short:
//
//   coalesced PCF   | MQCFH | reply 1's parameters | delimiter | reply 2's
//                   | parameters | ... | (agent information) |
//   coalesced MQSC  | text 1 | 0x00 | text 2 | 0x00 | ... | text n |
//
// The held message always begins with the first reply gathered, so its
// MQCFH (or its first text) leads the message. All operations run on the
// reply consumer's thread while the request is InUse, and check every
// length against the bytes that are there.
#pragma once

#include <cmqc.h>

#include <cstdint>

#include "relay/request_table.h"

// Appends a PCF reply (`length` bytes at `data`, a sound PCF message) to the
// held PCF message: a delimiter MQCFIN whose Value is the reply's Type, then
// the reply's parameters; the held MQCFH counts them and takes the reply's
// Control (with CFC_COALESCED) and MsgSeqNumber. When the held message or
// the reply failed (CompCode not MQCC_OK), or either is shorter than an
// MQCFH, HoldReply runs instead: failed replies always travel alone.
// Returns 0, or 1 when memory ran out (CSAG201E; what was held stays).
int AppendPcfReply(REQUEST* request, MQMD* md, const char* data, int32_t length);

// Appends an MQSC reply text to the held text, after a 0x00 byte, and marks
// the message coalesced with '*' at offset 8 when the held text is long
// enough to have that byte. Returns 0, or 1 when memory ran out (CSAG201E;
// what was held stays).
int AppendMqscReply(REQUEST* request, const char* data, int32_t length);

// Appends the agent information parameters (command level, features) to
// the held PCF message, unless it failed (CompCode not MQCC_OK) or is
// shorter than an MQCFH. Returns 0, or 1 when memory ran out (CSAG201E).
int AddAgentInfo(REQUEST* request);

// The feature bits that the agent reports: FEATURE_COMPRESS with compress
// on, FEATURE_COALESCE with coalesce on.
MQLONG AgentFeatures();
