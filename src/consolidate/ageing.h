// Requests that the command server leaves unanswered: a request without
// reply activity for more than maxage seconds is aged out. Its client first
// receives what was held for it (the part of a coalesced answer that the
// command server did send), then the agent's own error reply, CSAG501E, in
// the form the request expects (relay/error_reply.h); then the request is
// forgotten. The sweep sits above the hold buffer, whose delivery it asks
// for; the error reply sits below, where the request intake uses it too.
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
