// Delivery of messages that the queue manager puts itself (replies of the
// command server, puts to remote queues) and the dead-letter queue that
// takes what cannot be delivered.
#include "qmgr/queue_manager.h"

#include "qmgr/remote.h"

namespace mqemu {
namespace {

// The local queue that a put to `q` reaches: q itself, or an alias's base.
Queue* LocalQueueOf(QueueManager& qm, Queue* q) {
  if (q && q->type == MQQT_ALIAS) q = qm.FindQueue(q->base_queue);
  return q && q->type == MQQT_LOCAL ? q : nullptr;
}

}  // namespace

Status QueueManager::Deliver(const std::string& qmgr_name, const std::string& queue_name, Message m,
                             std::chrono::milliseconds wait) {
  if (!qmgr_name.empty() && qmgr_name != name) {
    return SendToQueueManager(qmgr_name, queue_name, std::move(m), wait);
  }
  Status st;
  std::string remote_qmgr, remote_queue;
  {
    std::lock_guard lock(mu);
    if (IsNullId(m.md.MsgId)) NewId(m.md.MsgId);
    Queue* q = FindQueue(queue_name);
    if (q && q->type == MQQT_REMOTE && !q->remote_qmgr.empty() && q->remote_qmgr != name) {
      // A local definition of a remote queue: the message goes on there.
      remote_qmgr = q->remote_qmgr;
      remote_queue = q->remote_queue.empty() ? queue_name : q->remote_queue;
    } else {
      q = LocalQueueOf(*this, q);
      st = q ? Enqueue(*q, m) : Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
    }
  }
  if (!remote_qmgr.empty()) {
    return SendToQueueManager(remote_qmgr, remote_queue, std::move(m), wait);
  }
  return st.failed() ? DeadLetter(std::move(m), st) : Status::Ok();
}

Status QueueManager::DeadLetter(Message m, Status failure) {
  if (m.md.Report & MQRO_DISCARD_MSG) return Status::Ok();
  std::lock_guard lock(mu);
  if (Queue* dlq = LocalQueueOf(*this, FindQueue(dead_letter_queue))) {
    if (!Enqueue(*dlq, std::move(m)).failed()) return Status::Ok();
  }
  return failure;
}

}  // namespace mqemu
