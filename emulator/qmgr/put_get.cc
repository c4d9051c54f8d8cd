// Putting and getting messages: the put checks, arrival on a queue, message
// selection by MsgId and CorrelId, and the get that waits.
#include "qmgr/queue_manager.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "pcf/mq_field.h"
#include "qmgr/triggering.h"

namespace mqemu {
namespace {

constexpr auto kPeerCheckInterval = std::chrono::milliseconds(50);

// How long an application's put to a remote queue waits for the put there;
// a remote queue manager that answers later gets the message all the same.
constexpr auto kRemotePutWait = std::chrono::milliseconds(1000);

}  // namespace

Status QueueManager::Put(Session& s, MQHOBJ hobj, MQLONG pmo_options, ContextMode mode, MQMD* md,
                         std::string data) {
  std::unique_lock lock(mu);
  auto it = s.handles.find(hobj);
  if (it == s.handles.end()) return Status::Fail(MQRC_HOBJ_ERROR);
  Handle& h = it->second;
  if (!(h.options & MQOO_OUTPUT)) return Status::Fail(MQRC_NOT_OPEN_FOR_OUTPUT);
  if ((pmo_options & MQPMO_FAIL_IF_QUIESCING) && quiescing) {
    return Status::Fail(MQRC_Q_MGR_QUIESCING);
  }
  if (!h.queue && h.remote_qmgr.empty()) return Status::Fail(MQRC_Q_DELETED);
  if (IsNullId(md->MsgId) || (pmo_options & MQPMO_NEW_MSG_ID)) NewId(md->MsgId);
  if (pmo_options & MQPMO_NEW_CORREL_ID) NewId(md->CorrelId);
  if (FieldNameLength(md->ReplyToQ, sizeof md->ReplyToQ) != 0 &&
      FieldNameLength(md->ReplyToQMgr, sizeof md->ReplyToQMgr) == 0) {
    FillBlankPadded(md->ReplyToQMgr, sizeof md->ReplyToQMgr, name);
  }
  SetContext(&s, mode, md);
  if (h.alias && h.alias->inhibit_put == MQQA_PUT_INHIBITED) {
    return Status::Fail(MQRC_PUT_INHIBITED);
  }
  if (!h.remote_qmgr.empty()) {
    std::string qmgr = h.remote_qmgr, queue = h.remote_queue;
    lock.unlock();
    return Deliver(qmgr, queue, Message{*md, std::move(data)}, kRemotePutWait);
  }
  Queue& q = *h.queue;
  Message m{*md, std::move(data)};
  Status st = Enqueue(q, std::move(m), (pmo_options & MQPMO_SYNCPOINT) ? &s.pending_puts : nullptr);
  if (!st.failed()) {
    if (md->Persistence == MQPER_PERSISTENCE_AS_Q_DEF) md->Persistence = q.default_persistence;
    if (md->Priority == MQPRI_PRIORITY_AS_Q_DEF) md->Priority = q.default_priority;
  }
  return st;
}

Status QueueManager::Enqueue(Queue& q, Message m,
                             std::vector<std::pair<std::string, Message>>* held) {
  if (q.inhibit_put == MQQA_PUT_INHIBITED) return Status::Fail(MQRC_PUT_INHIBITED);
  auto length = static_cast<MQLONG>(m.data.size());
  if (length > max_msg_length) return Status::Fail(MQRC_MSG_TOO_BIG_FOR_Q_MGR);
  if (length > q.max_msg_length) return Status::Fail(MQRC_MSG_TOO_BIG_FOR_Q);
  if (static_cast<MQLONG>(q.messages.size()) >= q.max_depth) return Status::Fail(MQRC_Q_FULL);
  Status st;
  if (q.put_faults > 0) {
    --q.put_faults;
    if (!q.put_fault_warning) return Status::Fail(q.put_fault_reason);
    st = Status::Warn(q.put_fault_reason);
  }
  if (m.md.Persistence == MQPER_PERSISTENCE_AS_Q_DEF) m.md.Persistence = q.default_persistence;
  if (m.md.Priority == MQPRI_PRIORITY_AS_Q_DEF) m.md.Priority = q.default_priority;
  m.md.BackoutCount = 0;
  if (held) {
    held->emplace_back(q.name, std::move(m));
    return st;
  }
  Arrive(q, std::move(m));
  return st;
}

void QueueManager::Arrive(Queue& q, Message m) {
  MQLONG priority = m.md.Priority;
  // A trigger message does not trigger in turn, so that initiation queues
  // naming each other cannot loop.
  bool may_trigger = std::memcmp(m.md.Format, MQFMT_TRIGGER, 8) != 0;
  q.Add(std::move(m));
  q.arrived.notify_one();
  for (Session* w : q.watchers) w->OnDeliveryChanged();
  if (may_trigger && TriggerConditionMet(q, priority, true)) Trigger(q);
}

bool QueueManager::TakeMessage(Queue& q, const Consumer& selection, Message* out) {
  auto it = q.Find(selection.match_msg_id ? selection.msg_id : nullptr,
                   selection.match_correl_id ? selection.correl_id : nullptr);
  if (it == q.messages.end()) return false;
  *out = std::move(*it);
  q.messages.erase(it);
  return true;
}

Status QueueManager::Get(Session& s, const GetRequest& request, MQMD* md, std::string* data,
                         MQLONG* data_length) {
  std::unique_lock lock(mu);
  auto it = s.handles.find(request.hobj);
  if (it == s.handles.end()) return Status::Fail(MQRC_HOBJ_ERROR);
  const Handle& h = it->second;
  if (!(h.options & kInputOptions)) return Status::Fail(MQRC_NOT_OPEN_FOR_INPUT);
  if (request.options & (MQGMO_BROWSE_FIRST | MQGMO_BROWSE_NEXT | MQGMO_BROWSE_MSG_UNDER_CURSOR |
                         MQGMO_MSG_UNDER_CURSOR | MQGMO_LOCK | MQGMO_UNLOCK)) {
    return Status::Fail(MQRC_OPTIONS_ERROR);
  }
  Consumer selection;
  selection.match_msg_id = (request.match & MQMO_MATCH_MSG_ID) && !IsNullId(md->MsgId);
  selection.match_correl_id = (request.match & MQMO_MATCH_CORREL_ID) && !IsNullId(md->CorrelId);
  std::memcpy(selection.msg_id, md->MsgId, 24);
  std::memcpy(selection.correl_id, md->CorrelId, 24);
  bool wait = request.options & MQGMO_WAIT;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(request.wait_ms);
  bool client_checked = false;  // since the last wait
  for (;;) {
    Queue* q = s.handles.count(request.hobj) ? s.handles[request.hobj].queue : nullptr;
    if (s.broken) return Status::Fail(MQRC_CONNECTION_BROKEN);
    if (!q) return Status::Fail(MQRC_Q_DELETED);
    if (q->inhibit_get == MQQA_GET_INHIBITED ||
        (h.alias && h.alias->inhibit_get == MQQA_GET_INHIBITED)) {
      return Status::Fail(MQRC_GET_INHIBITED);
    }
    if ((request.options & MQGMO_FAIL_IF_QUIESCING) && quiescing) {
      return Status::Fail(MQRC_Q_MGR_QUIESCING);
    }
    if (ending) return Status::Fail(MQRC_Q_MGR_STOPPING);
    auto found = q->Find(selection.match_msg_id ? selection.msg_id : nullptr,
                         selection.match_correl_id ? selection.correl_id : nullptr);
    if (found != q->messages.end()) {
      bool syncpoint = (request.options & MQGMO_SYNCPOINT) ||
                       ((request.options & MQGMO_SYNCPOINT_IF_PERSISTENT) &&
                        found->md.Persistence == MQPER_PERSISTENT);
      if (syncpoint) s.pending_gets.emplace_back(q->name, *found);
      auto length = static_cast<MQLONG>(found->data.size());
      *data_length = length;
      *md = found->md;
      MQLONG room = std::max<MQLONG>(request.buffer_length, 0);
      if (length > room) {
        data->assign(found->data, 0, static_cast<size_t>(room));
        if (!(request.options & MQGMO_ACCEPT_TRUNCATED_MSG)) {
          if (syncpoint) s.pending_gets.pop_back();
          return Status::Warn(MQRC_TRUNCATED_MSG_FAILED);
        }
        q->messages.erase(found);
        return Status::Warn(MQRC_TRUNCATED_MSG_ACCEPTED);
      }
      *data = std::move(found->data);
      q->messages.erase(found);
      return Status::Ok();
    }
    if (!wait) return Status::Fail(MQRC_NO_MSG_AVAILABLE);
    if (!client_checked) {
      // Asked of the socket with the lock released; then look again, since
      // a message may have come meanwhile.
      lock.unlock();
      bool gone = s.ClientGone();
      lock.lock();
      if (gone) return Status::Fail(MQRC_CONNECTION_BROKEN);
      client_checked = true;
      continue;
    }
    client_checked = false;
    auto until = std::chrono::steady_clock::now() + kPeerCheckInterval;
    if (request.wait_ms != MQWI_UNLIMITED && deadline < until) until = deadline;
    q->arrived.wait_until(lock, until);
    if (request.wait_ms != MQWI_UNLIMITED && std::chrono::steady_clock::now() >= deadline) {
      wait = false;  // look once more, then report no message
    }
  }
}

}  // namespace mqemu
