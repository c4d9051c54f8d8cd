// PutMessage: every MQPUT of the agent, the forwarding of a request to the
// command server and the delivery of a message to a client, goes through
// here, so that a put is counted and judged alike everywhere. A put is made
// once: a failure that waiting may mend is retried later by the retry queue
// (relay/retry_queue.h), never by sleeping on a thread that serves every
// client.
#pragma once

#include <cmqc.h>

// Whether a put that failed with `reason` may succeed when tried again
// later: the queue or the queue manager's storage was full, or the queue
// manager short of a resource. Every other reason (the message too big, the
// queue put-inhibited, unknown or not authorised, ...) will not change by
// waiting.
constexpr bool IsWorthRetrying(MQLONG reason) {
  return reason == MQRC_Q_FULL || reason == MQRC_Q_SPACE_NOT_AVAILABLE ||
         reason == MQRC_STORAGE_MEDIUM_FULL || reason == MQRC_STORAGE_NOT_AVAILABLE ||
         reason == MQRC_RESOURCE_PROBLEM || reason == MQRC_SYNCPOINT_LIMIT_REACHED;
}

// Whether a put failed because its handle can no longer be used: its queue
// was deleted, or the handle is not (or no longer) valid.
constexpr bool IsHandleGone(MQLONG reason) {
  return reason == MQRC_Q_DELETED || reason == MQRC_HOBJ_ERROR;
}

// Puts `length` bytes of `buffer` with `hobj` on QMgrHconn, once. A put that
// fails (MQCC_FAILED) is counted in FailedPuts. A put that IBM MQ completes
// with MQCC_WARNING has put the message (it must not be put again) and is
// written as CSAG111I at level 3. `name` names the queue in the messages.
// Sets *reason to the put's reason and returns whether the message was put
// (MQCC_OK or MQCC_WARNING). On return the MQMD holds what IBM MQ handed
// back (a generated MsgId, say).
bool PutMessage(MQHOBJ hobj, const char* name, MQMD* md, MQPMO* pmo, void* buffer, MQLONG length,
                MQLONG* reason);
