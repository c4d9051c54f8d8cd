// Requests that the command server leaves unanswered: a request without
// reply activity for more than maxage seconds is aged out. Its client first
// receives what was held for it (the part of a coalesced answer that the
// command server did send), then the agent's own error reply, CSAG501E, in
// the form the request expects (pcf/agent_format.h draws the three forms);
// then the request is forgotten. A request that could not be forwarded at
// all gets the same error reply at once.
//
// The sweep runs on the main thread. It takes the aged requests out of the
// table under RequestLock, so nothing else can reach them afterwards, and
// makes its MQI calls only between MQCTL suspend and resume, so no consumer
// runs meanwhile; no lock is held during an MQI call.
#pragma once

#include <cstdint>

#include "relay/request_table.h"

// The sweep: takes out every request whose LastActivity is more than maxage
// seconds before CurrentTime and that is not InUse, oldest first, sets
// LastAgeing, then answers them (RetireAgedRequests).
void AgeRequests();

// For each request of the list `aged` (linked through Next, oldest first):
// CSAG303E, then, with consumption suspended, what was held for it and the
// error reply; then it is released. A failed resume requests a stop.
void RetireAgedRequests(REQUEST* aged);

// At the end of an orderly stop's wait: suspends consumption (so no reply
// is being handled), then answers every request still listed as an aged
// one, oldest first. Consumption stays suspended; shutdown stops it.
void AnswerOutstandingRequests();

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
