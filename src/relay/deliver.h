// DeliverReply: putting one message to the reply queue of a client with the
// identifiers that the client's report options ask for. A message that
// cannot be put now for a reason that waiting may mend waits for another
// attempt (relay/retry_queue.h); one that cannot be delivered at all goes
// to the dead-letter queue (relay/dead_letter.h).
#pragma once

#include <cmqc.h>

#include "relay/request_table.h"

// Puts `length` bytes of `buffer` to the reply queue that `request` names,
// through the handle cache. MsgId becomes the client's MsgId when its Report
// has MQRO_PASS_MSG_ID, else MQMI_NONE (a new one); CorrelId the client's
// CorrelId with MQRO_PASS_CORREL_ID, else its MsgId. The other fields of
// `md` are put as given; MsgId and CorrelId in `md` are overwritten. With
// `pass_context` the message carries the context of the reply last
// consumed from the agent's reply queue, otherwise the agent's own. A
// success is counted (ResponsesSent, ResponseBytesSent). While messages for
// the same queue wait for another attempt, this one waits behind them; a
// put that fails for a reason worth retrying waits too (CSAG108E, level
// 3), unless retrycount is 0; any other failure gives the message up
// (CSAG104E or CSAG305E from the cache, or CSAG107E, then the dead-letter
// queue). The caller goes on in every case.
void DeliverReply(REQUEST* request, MQMD* md, void* buffer, MQLONG length, bool pass_context);

// The descriptor of a message that the agent sends on its own, not passing
// on a reply (its error reply, what was held for an aged request): a reply
// in `format`, delivered with pass_context false.
MQMD AgentReplyDescriptor(const char* format);
