// MQSC text requests to a z/OS queue manager's command server (MQMD Format
// MQSTR on SYSTEM.COMMAND.INPUT) and their reply sets.
//
// A request holds one MQSC command, carried out by the MQSC interpreter. Its
// reply set is the command's messages behind a first message
// "CSQN205I   COUNT=       n, RETURN=rrrrrrrr, REASON=ssssssss" (n counts
// every message of the set, this one included), closed by CSQ9022I or
// CSQ9023E. The command server puts the first with Format MQCMD1 and the
// others with MQCMD2.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mqemu {

// The z/OS command prefix of this queue manager's messages: "+" and the
// first four characters of its name (as "+CSQ1").
std::string ZosCommandPrefix();

// The reply set of one MQSC text request (trailing blanks and NULs already
// removed). Called without the queue manager's lock.
std::vector<std::string> ZosReplyTexts(std::string_view command);

}  // namespace mqemu
