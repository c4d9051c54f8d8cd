// Forwarding a request to the command server: the client's descriptor is
// rewritten so that the command server answers the agent (its reply queue,
// a new MsgId by which the replies are matched, MQRO_PASS_MSG_ID), after
// the client's own reply queue, identifiers and report options have been
// kept in the REQUEST; then the request is put with the client's identity
// context, so that the command server checks the client's authority.
#pragma once

#include <cmqc.h>

#include "relay/request_table.h"

// Keeps the client's ReplyToQ, ReplyToQMgr (each up to its first blank or
// NUL), MsgId, CorrelId and Report in `request`, then rewrites `md`:
// ReplyToQ the agent's reply queue (actualreplyq), ReplyToQMgr empty (IBM MQ
// fills in its own name), MsgId MQMI_NONE, Report plus MQRO_PASS_MSG_ID and
// MQRO_DISCARD_MSG. Every other field is forwarded as received.
void RewriteRequestDescriptor(REQUEST* request, MQMD* md);

// Puts the rewritten request to the command server queue (CommandQueueHobj)
// passing the context of the message last consumed from the input queue.
// Returns MQRC_NONE when it was put (md then holds the new MsgId), else the
// reason of the last failed attempt, after CSAG107E.
MQLONG ForwardRequest(MQMD* md, void* buffer, MQLONG length);
