// The consumer of the agent's own reply queue: IBM MQ calls ReplyConsumer
// for every reply of the command server. Each reply is matched to its
// request by MsgId (the forwarded request asked for MQRO_PASS_MSG_ID),
// counted, compressed, held or coalesced, and delivered to the client; the
// request is retired after its last reply.
#pragma once

#include <cmqc.h>

#include <cstdint>

#include "relay/request_table.h"

// What ClassifyReply decides for a reply (a bit set).
constexpr int REPLY_STORE = 0x1;     // deliver what is held, then hold this reply alone
constexpr int REPLY_COALESCE = 0x2;  // append this reply to what is held if it fits, else store
constexpr int REPLY_LAST = 0x4;      // the request's last reply: deliver and retire
constexpr int REPLY_ADD_INFO = 0x8;  // answers Inquire Queue Manager: add the agent information
// Not the shape its format promises: delivered exactly as it came, after
// what is held, and the request ends. Always alone with REPLY_LAST.
constexpr int REPLY_AS_RECEIVED = 0x10;

// The MQCB consumer of the agent's reply queue. Event calls:
// MQRC_GET_INHIBITED writes CSAG120E and requests a stop; any other reason
// writes CSAG199E and requests a stop, unless a stop was already requested.
void MQENTRY ReplyConsumer(MQHCONN hconn, PMQVOID message_descriptor, PMQVOID get_options,
                           PMQVOID buffer, PMQCBC context);

// The actions for a reply of `length` bytes at `data` with descriptor `md`
// to `request`:
//   "MQADMIN "          REPLY_COALESCE, or with MQCFC_LAST REPLY_LAST (plus
//                       REPLY_COALESCE when the request has a hold buffer);
//                       plus REPLY_ADD_INFO for Inquire Queue Manager
//   "MQCMD1  ", "MQCMD2  "  REPLY_COALESCE when the request has a hold
//                       buffer, else REPLY_STORE; plus REPLY_LAST for the
//                       closing CSQ9022I, CSQ9023E or CSQ9023I
//   anything else       REPLY_LAST
// With coalesce off REPLY_COALESCE becomes REPLY_STORE. A reply whose shape
// is not sound (consolidate/reply_shape.h) gets REPLY_LAST |
// REPLY_AS_RECEIVED alone.
int ClassifyReply(const REQUEST* request, const MQMD* md, const char* data, int32_t length);
