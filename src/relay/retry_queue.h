// Messages for clients that wait for another attempt. A put that failed
// for a reason that waiting may mend (IsWorthRetrying: the queue full, say)
// is not retried by sleeping on the thread that serves every client: a copy
// of the message waits here and the main loop tries it again retryint
// seconds later, with consumption suspended, up to retrycount times. The
// messages for one queue leave in the order they came: while one waits,
// every later one for the same queue waits behind it. A message that still
// cannot be put after its last retry, or that still waits when the agent
// stops, goes to the dead-letter queue (relay/dead_letter.h).
//
// A message tried again carries the agent's own context: the reply whose
// context it would have passed is long gone from the agent's reply queue.
//
// Rules: the list and its byte count change only under DeferredLock, which
// is never held during an MQI call. DeferDelivery runs on IBM MQ's callback
// thread or on the main thread while consumption is suspended;
// RetryDeferredDeliveries and DeadLetterDeferredDeliveries on the main
// thread.
#pragma once

#include <cmqc.h>

#include <cstdint>

// The most bytes of messages that wait at once; a message beyond that goes
// to the dead-letter queue at once.
constexpr int64_t kMaxDeferredBytes = 64 * 1024 * 1024;

// Keeps a copy of the message (`md` with the client's identifiers already
// set, and `length` bytes of `data`) for `queue` on `qmgr`, after
// `attempts` attempts (0 when it only waits behind another), that failed, or
// waits, for `reason`; its next attempt is due at `due` (seconds since the
// epoch). After a failed attempt the retry is announced (CSAG108E, level
// 3). Returns false when it could not be kept (more than kMaxDeferredBytes
// would wait, or no memory): the caller gives it up.
bool DeferDelivery(const char* queue, const char* qmgr, const MQMD& md, const void* data,
                   MQLONG length, MQLONG reason, int32_t attempts, int64_t due);

// The reason for which messages for `queue` on `qmgr` wait, or MQRC_NONE
// when none waits.
MQLONG DeferredReason(const char* queue, const char* qmgr);

// The main loop's attempts, once a pass: every message first in line for
// its queue whose attempt is due at CurrentTime is put again, consumption
// suspended meanwhile. A failure worth retrying is announced (CSAG108E,
// level 3) and tried again retryint seconds later, until retrycount retries
// were made; then, or for any other failure, the message is given up
// (CSAG107E and the dead-letter queue) and the next for its queue is
// tried. A success is counted in PutsRetried (after a failed attempt) and
// ResponsesSent. Does nothing when no attempt is due.
void RetryDeferredDeliveries();

// At the end, with consumption stopped: every message still waiting is
// given up at once, in order (CSAG107E and the dead-letter queue).
void DeadLetterDeferredDeliveries();

// The number of messages waiting.
int32_t DeferredDeliveryCount();

// Releases every waiting message. For tests.
void ClearDeferredDeliveriesForTesting();
