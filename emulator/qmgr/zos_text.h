// MQSC text requests to a z/OS queue manager's command server (MQMD Format
// MQSTR on SYSTEM.COMMAND.INPUT) and their reply sets.
//
// A request holds one MQSC command. The runner carries it out and gives the
// reply texts; the reply set is those texts behind a first message
// "CSQN205I   COUNT=       n, RETURN=rrrrrrrr, REASON=ssssssss" (n counts
// every message of the set, this one included). The command server puts the
// first with Format MQCMD1 and the others with MQCMD2.
//
// The MQSC interpreter plugs in here with SetMqscTextRunner. Until it does,
// every command is answered as one whose function is not available, closed
// by CSQ9023E.
#pragma once

#include <cmqc.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mqemu {

// What one MQSC command gives: its reply texts in order, the item messages
// and then the closing "CSQ9022I ... NORMAL COMPLETION" or "CSQ9023E ...
// ABNORMAL COMPLETION"; and the RETURN and REASON codes for CSQN205I
// (0 and 0 when it succeeded).
struct MqscTextReply {
  std::vector<std::string> texts;
  MQLONG return_code = 0;
  MQLONG reason = 0;
};

// Runs one MQSC command (the request's text, trailing blanks and NULs
// removed). Called on the command server's thread with the queue manager's
// lock not held; it takes the lock itself to reach the queue manager.
using MqscTextRunner = std::function<MqscTextReply(std::string_view command)>;

// Installs the runner; call before the command server starts.
void SetMqscTextRunner(MqscTextRunner runner);

// The z/OS command prefix of this queue manager's messages: "+" and the
// first four characters of its name (as "+CSQ1").
std::string ZosCommandPrefix();

// The reply set of one MQSC text request: CSQN205I first, then the runner's
// texts.
std::vector<std::string> ZosReplyTexts(std::string_view command);

}  // namespace mqemu
