// The agent's own error reply, CSAG501E: the answer of a request that the
// command server leaves unanswered (aged out) or that could not be
// forwarded at all, in the form the request expects (pcf/agent_format.h
// draws the three forms).
#pragma once

#include <cstdint>

#include "relay/request_table.h"

// Puts the error reply in the request's form to its client, with the
// agent's own context. No memory for it: CSAG201E, a stop is requested and
// nothing is sent.
void SendNoResponseReply(REQUEST* request);

// Converts the PCF error reply of *length bytes at *buffer to the form of
// the request: unchanged for REQ_PCF; an escape response for REQ_ESCAPE;
// the error text alone for REQ_MQSC and REQ_OTHER. The text is the value of
// the last TVN_ATTR_ERROR_TEXT parameter of a reply whose CompCode and
// Reason are both set, else empty. On conversion *buffer and *length are
// replaced by a new buffer from CSGetMem that the caller releases, besides
// the one it gave. Returns 1 when the message is usable unchanged or was
// converted, 0 on failure (CSAG201E, or CSAG405E for a message shorter than
// an MQCFH).
int ConvertErrorReply(const REQUEST* request, char** buffer, int32_t* length);

// The agent's error reply in PCF form for `command` (104 bytes) into
// `out` (room for at least that). Returns its length.
int32_t BuildNoResponseReply(int32_t command, char* out);
