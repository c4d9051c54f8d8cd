// Delivery of messages that the queue manager puts itself (replies of the
// command server, reports, puts to remote queues) and the dead-letter queue
// (the queue manager's DEADQ) that takes what cannot be delivered, with the
// exception reports it owes.
#include "qmgr/queue_manager.h"

#include "qmgr/remote.h"
#include "qmgr/session.h"

namespace mqemu {
namespace {

// The local queue that a put to `q` reaches: q itself, or an alias's base.
Queue* LocalQueueOf(QueueManager& qm, Queue* q) {
  if (q && q->type == MQQT_ALIAS) q = qm.FindQueue(q->base_queue);
  return q && q->type == MQQT_LOCAL ? q : nullptr;
}

// Where a message that the queue manager puts to a queue of its own goes:
// a local queue, or on to another queue manager when the name is a local
// definition of a remote queue; neither when nothing takes it.
struct Route {
  Queue* local = nullptr;
  std::string qmgr, queue;  // set for another queue manager
};

// Lock held.
Route RouteOf(QueueManager& qm, const std::string& queue_name) {
  Queue* q = qm.FindQueue(queue_name);
  if (q && q->type == MQQT_REMOTE && !q->remote_qmgr.empty() && q->remote_qmgr != qm.name) {
    return {nullptr, q->remote_qmgr, q->remote_queue.empty() ? queue_name : q->remote_queue};
  }
  return {LocalQueueOf(qm, q), {}, {}};
}

}  // namespace

Status QueueManager::Deliver(const std::string& qmgr_name, const std::string& queue_name, Message m,
                             std::chrono::milliseconds wait) {
  if (!qmgr_name.empty() && qmgr_name != name) {
    return SendToQueueManager(qmgr_name, queue_name, std::move(m), wait);
  }
  Status st;
  Route route;
  {
    WakeAfterUnlock wakes;
    std::lock_guard lock(mu);
    if (IsNullId(m.md.MsgId)) NewId(m.md.MsgId);
    route = RouteOf(*this, queue_name);
    if (route.qmgr.empty()) {
      st = route.local ? Enqueue(*route.local, std::move(m))
                       : Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
    }
  }
  if (!route.qmgr.empty()) {
    return SendToQueueManager(route.qmgr, route.queue, std::move(m), wait);
  }
  return st.failed() ? DeadLetter(std::move(m), st) : Status::Ok();
}

void QueueManager::SendLocked(const std::string& qmgr_name, const std::string& queue_name,
                              Message m) {
  if (IsNullId(m.md.MsgId)) NewId(m.md.MsgId);
  Route route = !qmgr_name.empty() && qmgr_name != name ? Route{nullptr, qmgr_name, queue_name}
                                                        : RouteOf(*this, queue_name);
  Status st;
  if (!route.qmgr.empty()) {
    st = OfferToQueueManager(route.qmgr, route.queue, m);
  } else {
    st = route.local ? Enqueue(*route.local, std::move(m)) : Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
  }
  if (st.failed()) DeadLetterLocked(std::move(m), st);
}

bool QueueManager::IsDeadLetterQueue(const Queue& q) {
  return &q == LocalQueueOf(*this, FindQueue(dead_letter_queue));
}

Status QueueManager::DeadLetter(Message m, Status failure) {
  std::lock_guard lock(mu);
  return DeadLetterLocked(std::move(m), failure);
}

Status QueueManager::DeadLetterLocked(Message m, Status failure) {
  // The exception report goes whether the message is kept or discarded.
  SendReport(m, ReportKind::kException, failure.rc);
  if (m.md.Report & MQRO_DISCARD_MSG) return Status::Ok();
  if (Queue* dlq = LocalQueueOf(*this, FindQueue(dead_letter_queue))) {
    if (!Enqueue(*dlq, std::move(m)).failed()) return Status::Ok();
  }
  return failure;
}

}  // namespace mqemu
