// Delivery of messages that the queue manager puts itself (replies of the
// command server, puts to remote queues) and the dead-letter queue that
// takes what cannot be delivered.
#include "qmgr/queue_manager.h"

#include "qmgr/remote.h"

namespace mqemu {

Status QueueManager::Deliver(const std::string& qmgr_name, const std::string& queue_name, Message m,
                             std::chrono::milliseconds wait) {
  if (!qmgr_name.empty() && qmgr_name != name) {
    return SendToQueueManager(qmgr_name, queue_name, std::move(m), wait);
  }
  Status st;
  {
    std::lock_guard lock(mu);
    if (IsNullId(m.md.MsgId)) NewId(m.md.MsgId);
    Queue* q = FindQueue(queue_name);
    if (q && q->type == MQQT_ALIAS) q = FindQueue(q->base_queue);
    st = q && q->type == MQQT_LOCAL ? Enqueue(*q, m) : Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
  }
  return st.failed() ? DeadLetter(std::move(m), st) : Status::Ok();
}

Status QueueManager::DeadLetter(Message m, Status failure) {
  if (m.md.Report & MQRO_DISCARD_MSG) return Status::Ok();
  std::lock_guard lock(mu);
  if (Queue* dlq = FindQueue("SYSTEM.DEAD.LETTER.QUEUE")) {
    if (!Enqueue(*dlq, std::move(m)).failed()) return Status::Ok();
  }
  return failure;
}

}  // namespace mqemu
