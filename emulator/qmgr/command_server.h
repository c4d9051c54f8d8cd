// The command server inside the queue manager: a thread that takes requests
// off SYSTEM.ADMIN.COMMAND.QUEUE, carries them out and puts the replies to
// the request's ReplyToQ / ReplyToQMgr.
//
// Requests are told apart by MQMD Format; PCF requests ("MQADMIN ") are
// served by the command table in command_server.cc. Replies follow the
// distributed platforms' style: MQMT_REPLY, MQFMT_ADMIN, the request's
// persistence and priority, MsgId and CorrelId by the request's report
// options, one MQCFT_RESPONSE message per object, MsgSeqNumber from 1 and
// MQCFC_LAST on the last. The identity checked is the UserIdentifier of the
// request's context.
#pragma once

#include <cmqc.h>

#include <string>
#include <vector>

#include "qmgr/queue.h"

namespace mqemu {

// Starts the command server thread (detached; it ends with the process).
void StartCommandServer();

// Carries out one request and returns its reply messages (descriptor and
// data ready to put; empty when the request asks for no reply). Lock not
// held.
std::vector<Message> ExecuteRequest(const Message& request);

}  // namespace mqemu
