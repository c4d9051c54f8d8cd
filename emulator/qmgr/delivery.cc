// Delivery of messages that the queue manager puts itself (replies of the
// command server, puts to remote queues) and the dead-letter queue that
// takes what cannot be delivered, with the exception reports it owes.
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
  std::lock_guard lock(mu);
  return DeadLetterLocked(std::move(m), failure);
}

Status QueueManager::DeadLetterLocked(Message m, Status failure) {
  // The exception report goes whether the message is kept or discarded.
  SendReport(m, ReportKind::kException, failure.rc);
  if (m.md.Report & MQRO_DISCARD_MSG) return Status::Ok();
  if (Queue* dlq = FindQueue(kDeadLetterQueue)) {
    if (!Enqueue(*dlq, std::move(m)).failed()) return Status::Ok();
  }
  return failure;
}

}  // namespace mqemu
