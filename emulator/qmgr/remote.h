// Delivery to other emulated queue managers, as if channels linked them: a
// message for a queue of another running queue manager is put there through
// that queue manager's own socket, with all its context.
#pragma once

#include <string>

#include "qmgr/queue.h"
#include "qmgr/queue_manager.h"

namespace mqemu {

// Whether a queue manager of that name is running under $MQEMU_HOME.
bool QueueManagerRunning(const std::string& qmgr);

// Puts m, context as it stands, to queue on qmgr. Call without the lock.
// Returns the remote put's status, or MQRC_UNKNOWN_REMOTE_Q_MGR when qmgr is
// not running.
Status PutToQueueManager(const std::string& qmgr, const std::string& queue, const Message& m);

}  // namespace mqemu
