// PutWithRetry: every MQPUT of the agent, the forwarding of a request to
// the command server and the delivery of a reply to a client, goes through
// here, so that a failed put is retried alike everywhere and counted.
#pragma once

#include <cmqc.h>

// Puts `length` bytes of `buffer` with `hobj` on QMgrHconn. A put that fails
// (MQCC_FAILED) is counted in FailedPuts and retried up to retrycount times
// (not when the handle itself is of no more use: MQRC_Q_DELETED,
// MQRC_HOBJ_ERROR),
// retryint seconds apart, each retry announced with CSAG108E at level 3; a
// put that succeeds after a failure is counted in PutsRetried. A put that
// IBM MQ completes with MQCC_WARNING has put the message: it is not retried
// (that would deliver the message twice) and is written as CSAG111I at
// level 3. `name` names the queue in the messages. Sets *comp_code and
// *reason to those of the last attempt and returns whether the message was
// put (MQCC_OK or MQCC_WARNING). On return the MQMD holds what IBM MQ handed
// back (a generated MsgId, say).
// Whether a put failed because its handle can no longer be used: its queue
// was deleted, or the handle is not (or no longer) valid.
constexpr bool IsHandleGone(MQLONG reason) {
  return reason == MQRC_Q_DELETED || reason == MQRC_HOBJ_ERROR;
}

bool PutWithRetry(MQHOBJ hobj, const char* name, MQMD* md, MQPMO* pmo, void* buffer, MQLONG length,
                  MQLONG* comp_code, MQLONG* reason);
