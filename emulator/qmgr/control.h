// Administration and test controls of the queue manager, as the mqemu tool
// sends them (a kControl frame of arguments): define, delete and show
// queues and processes, stop the queue manager, and the faults that tests
// need.
#pragma once

#include <string>
#include <vector>

#include "qmgr/queue_manager.h"

namespace mqemu {

// Carries out one control command. Returns its status and sets *text to what
// the tool prints (the error message when it failed).
Status RunControl(const std::vector<std::string>& args, std::string* text);

// Ends the queue manager: a controlled end tells every started connection
// MQRC_Q_MGR_QUIESCING (or `reason`) and waits a few seconds for them to
// disconnect; an immediate one tells them MQRC_Q_MGR_STOPPING. Then every
// connection is broken and the process exits. Does not return.
[[noreturn]] void EndQueueManager(bool immediate, MQLONG reason);

}  // namespace mqemu
