// The command server inside the queue manager: a thread that takes requests
// off the command queue (SYSTEM.ADMIN.COMMAND.QUEUE; SYSTEM.COMMAND.INPUT on
// z/OS), carries them out and puts the replies to the request's ReplyToQ /
// ReplyToQMgr.
//
// Requests are told apart by MQMD Format; PCF requests ("MQADMIN ") are
// served by the command table in command_server.cc, and on z/OS MQSC text
// requests ("MQSTR   ") by zos_text.h. Replies: MQMT_REPLY, the request's
// persistence and priority, MsgId and CorrelId by the request's report
// options. PCF replies follow the platform's style: distributed, one
// MQCFT_RESPONSE message per object, MsgSeqNumber from 1 and MQCFC_LAST on
// the last; z/OS, extended responses (see ReplySet). The identity checked is
// the UserIdentifier of the request's context.
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
