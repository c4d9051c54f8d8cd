// The two ways a queue manager writes the outcome of an MQSC command.
//
// Distributed (runmqsc and the Escape command): IBM's AMQ messages, a
// displayed object as a heading line followed by its attributes two to a
// line in runmqsc's columns:
//
//   AMQ8409I: Display Queue details.
//      QUEUE(A.Q)                              TYPE(QLOCAL)
//      MAXMSGL(100000)
//
// z/OS (text requests to SYSTEM.COMMAND.INPUT): a reply set of one-line CSQ
// messages, each its own reply message:
//
//   CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000   MQCMD1
//   CSQM409I +CSQ1 QUEUE(Q1) TYPE(QLOCAL) QSGDISP(QMGR) ...        MQCMD2
//   CSQ9022I +CSQ1 CSQMDRTS ' DISPLAY QUEUE' NORMAL COMPLETION     MQCMD2
//
// COUNT is the number of replies in the set, this one included,
// right-aligned in 8 places; RETURN and REASON are 8 hexadecimal digits.
// The set ends with CSQ9022I (normal completion) or CSQ9023E (abnormal).
#pragma once

#include <cmqc.h>

#include <string>
#include <string_view>
#include <vector>

#include "mqsc/mqsc_interpreter.h"

namespace mqemu::mqsc {

// The distributed output of one command as blocks of text, one per object
// displayed (each with its heading) or a single block with the outcome;
// lines within a block are separated by '\n', with none at the end. The
// Escape command sends one block per reply. END has no output (empty list).
std::vector<std::string> DistributedBlocks(const CommandResult& result);

// The z/OS messages of one command: the item messages then the closing
// CSQ9022I or CSQ9023E, without the CSQN205I count. command_prefix is the
// queue manager's command prefix as it appears in the messages ("+CSQ1").
std::vector<std::string> ZosMessages(const CommandResult& result, std::string_view command_prefix);

// "CSQN205I   COUNT=       n, RETURN=rrrrrrrr, REASON=ssssssss".
std::string ZosCountMessage(size_t count, MQLONG return_code, MQLONG reason_code);

struct ZosReply {
  std::string_view format;  // MQFMT_COMMAND_1 for the count, MQFMT_COMMAND_2 for the others
  std::string text;
};

// The whole z/OS reply set of one MQSC request: the CSQN205I count (RETURN
// and REASON zero: the command was taken) then ZosMessages, one reply each.
std::vector<ZosReply> ZosReplySet(const CommandResult& result, std::string_view command_prefix);

}  // namespace mqemu::mqsc
