// Delivery to other emulated queue managers, as if channels linked them: a
// message for a queue of another running queue manager is put there through
// that queue manager's own socket, with all its context.
//
// Each remote queue manager has a link: the messages on their way to it (what
// a transmission queue holds in IBM MQ) and a sender thread of its own that
// puts them there one by one, in order. Nobody else waits for a remote queue
// manager, so one that is slow, stopped or hung delays only the messages for
// it: never the command server, nor a connection's calls beyond a short wait.
#pragma once

#include <chrono>
#include <string>

#include "qmgr/queue.h"
#include "qmgr/queue_manager.h"

namespace mqemu {

// At most this many messages wait on the link to one queue manager (a
// transmission queue's default MaxQDepth); more fail with MQRC_Q_FULL.
constexpr size_t kMaxLinkDepth = 5000;

// Whether a queue manager of that name is running under $MQEMU_HOME: its
// socket takes connections (or has a full backlog); false for a name that
// no queue manager can have. Never blocks, so it may be called with the
// lock held.
bool QueueManagerRunning(const std::string& qmgr);

// Hands m, context as it stands, to the link to qmgr for its queue `queue`,
// and waits up to `wait` for the put there to end. Returns:
// - the outcome when the put ended in time: MQCC_OK when the message is
//   there, else the outcome of QueueManager::DeadLetter, which takes a
//   message that cannot be put (the remote put failed, or the queue manager
//   is not running) unless its report options say discard;
// - MQCC_OK when the message is still on its way; its put then ends as
//   above, without anyone waiting. No wait at all while the link's last
//   put has outlasted a wait (the remote queue manager is not answering).
// Call without the lock.
Status SendToQueueManager(const std::string& qmgr, const std::string& queue, Message m,
                          std::chrono::milliseconds wait);

// Hands m to the link to qmgr without waiting for anything, for the queue
// manager's own messages (reports); may be called with the lock held.
// Returns MQCC_OK once the message is on its way (its put then ends as for
// SendToQueueManager), or MQRC_UNKNOWN_REMOTE_Q_MGR (no such queue manager
// runs) or MQRC_Q_FULL (the link is full), the message then the caller's.
Status OfferToQueueManager(const std::string& qmgr, const std::string& queue, const Message& m);

}  // namespace mqemu
