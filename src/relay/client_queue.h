// One put of a message to a client's queue, and the end of a message that
// cannot get there. The put goes through the handle cache
// (relay/reply_queue_cache.h); when the cached handle outlived its queue (a
// client's temporary queue goes with the client) the queue is opened anew
// once, which finds a queue made again under the same name and reports one
// that is really gone.
#pragma once

#include <cmqc.h>

// What one put to a client's queue came to.
enum class ClientPutOutcome {
  kPut,        // the message is on the queue
  kNotOpened,  // the queue could not be opened or is refused (CSAG104E or CSAG305E written)
  kFailed,     // the put failed (nothing written yet)
};

// Puts `length` bytes of `buffer` with `md` to `queue` on `qmgr` (names as a
// REQUEST holds them), once: with the context of the reply last consumed
// from the agent's reply queue when `pass_context`, else the agent's own.
// *reason receives the reason of the open or put that failed.
ClientPutOutcome PutToClientQueue(const char* queue, const char* qmgr, MQMD* md, void* buffer,
                                  MQLONG length, bool pass_context, MQLONG* reason);

// Gives up a message for `queue` on `qmgr` that failed for `reason`:
// CSAG107E when `outcome` is a failed put (a queue that did not open was
// reported already), then the dead-letter queue (relay/dead_letter.h).
void GiveUpDelivery(const char* queue, const char* qmgr, const MQMD& md, const void* buffer,
                    MQLONG length, ClientPutOutcome outcome, MQLONG reason);
