// Opening and closing objects: the queue manager itself, local, alias,
// model and remote queues and queues of other queue managers; a close that
// deletes a dynamic queue.
#include "qmgr/queue_manager.h"

#include <algorithm>

#include "qmgr/remote.h"

namespace mqemu {
namespace {

constexpr MQLONG kQueueOptions =
    kInputOptions | MQOO_BROWSE | MQOO_OUTPUT | MQOO_INQUIRE | MQOO_SET | MQOO_SAVE_ALL_CONTEXT |
    MQOO_PASS_IDENTITY_CONTEXT | MQOO_PASS_ALL_CONTEXT | MQOO_SET_IDENTITY_CONTEXT |
    MQOO_SET_ALL_CONTEXT | MQOO_ALTERNATE_USER_AUTHORITY | MQOO_FAIL_IF_QUIESCING |
    MQOO_BIND_AS_Q_DEF | MQOO_BIND_ON_OPEN | MQOO_BIND_NOT_FIXED;
constexpr MQLONG kRemoteOptions = MQOO_OUTPUT | MQOO_PASS_IDENTITY_CONTEXT | MQOO_PASS_ALL_CONTEXT |
                                  MQOO_SET_IDENTITY_CONTEXT | MQOO_SET_ALL_CONTEXT |
                                  MQOO_ALTERNATE_USER_AUTHORITY | MQOO_FAIL_IF_QUIESCING |
                                  MQOO_BIND_AS_Q_DEF | MQOO_BIND_ON_OPEN | MQOO_BIND_NOT_FIXED;
constexpr MQLONG kQMgrOptions =
    MQOO_INQUIRE | MQOO_SET | MQOO_ALTERNATE_USER_AUTHORITY | MQOO_FAIL_IF_QUIESCING;

// Lock held. Where a local definition of a remote queue leads: the queue
// manager and queue in *qmgr and *queue, or the reason an open fails. Its
// transmission queue, when it names one, must be a local queue for
// transmission; the messages themselves travel by the link to the other
// queue manager, as a channel would move them.
Status ResolveRemote(QueueManager& qm, const Queue& definition, std::string* qmgr,
                     std::string* queue) {
  if (definition.remote_queue.empty()) return Status::Fail(MQRC_REMOTE_Q_NAME_ERROR);
  if (definition.remote_qmgr.empty()) return Status::Fail(MQRC_UNKNOWN_REMOTE_Q_MGR);
  if (!definition.transmission_queue.empty()) {
    const Queue* xmitq = qm.FindQueue(definition.transmission_queue);
    if (!xmitq) return Status::Fail(MQRC_UNKNOWN_XMIT_Q);
    if (xmitq->type != MQQT_LOCAL) return Status::Fail(MQRC_XMIT_Q_TYPE_ERROR);
    if (xmitq->usage != MQUS_TRANSMISSION) return Status::Fail(MQRC_XMIT_Q_USAGE_ERROR);
  }
  *qmgr = definition.remote_qmgr;
  *queue = definition.remote_queue;
  return Status::Ok();
}

// Lock held. Counts a handle with `options` on q, or takes it off.
void CountOpen(Queue& q, MQLONG options, int delta) {
  if (options & kInputOptions) q.open_input += delta;
  if (options & MQOO_OUTPUT) q.open_output += delta;
}

}  // namespace

Status QueueManager::Open(Session& s, const OpenRequest& request, OpenResult* result) {
  // Whether another queue manager runs is asked of its socket before the
  // lock is taken.
  const bool remote_running = request.type == MQOT_Q && !request.qmgr.empty() &&
                              request.qmgr != name && QueueManagerRunning(request.qmgr);
  std::unique_lock lock(mu);
  if ((request.options & MQOO_FAIL_IF_QUIESCING) && quiescing) {
    return Status::Fail(MQRC_Q_MGR_QUIESCING);
  }
  // A connection holds at most MAXHANDS handles at once, counted before a
  // model queue makes a dynamic one.
  if (s.handles.size() >= static_cast<size_t>(std::max<MQLONG>(max_handles, 0))) {
    return Status::Fail(MQRC_HANDLE_NOT_AVAILABLE);
  }
  Handle h;
  h.options = request.options;
  if (request.type == MQOT_Q_MGR) {
    if (!request.name.empty() && request.name != name)
      return Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
    if (request.options & ~kQMgrOptions) return Status::Fail(MQRC_OPTION_NOT_VALID_FOR_TYPE);
    if (!MayOpen(s.user, name) || ((request.options & MQOO_INQUIRE) && !MayInquire(s.user, name))) {
      return Status::Fail(MQRC_NOT_AUTHORIZED);
    }
    h.qmgr_object = true;
    result->name = name;
    result->qmgr = name;
    result->resolved = name;
  } else if (request.type == MQOT_Q) {
    Status st = OpenQueue(s, request, remote_running, &h, result);
    if (st.failed()) return st;
  } else {
    return Status::Fail(MQRC_OBJECT_TYPE_ERROR);
  }
  h.object_name = result->name;
  MQHOBJ hobj = s.next_hobj++;
  if (h.queue && h.queue->type == MQQT_LOCAL && h.queue->owner_session == s.id &&
      h.queue->owner_hobj == MQHO_NONE) {
    h.queue->owner_hobj = hobj;  // the handle that created a temporary dynamic queue
  }
  s.handles.emplace(hobj, h);
  result->hobj = hobj;
  return Status::Ok();
}

Status QueueManager::OpenQueue(Session& s, const OpenRequest& request, bool remote_running,
                               Handle* h, OpenResult* result) {
  MQLONG options = request.options;
  if (request.name.empty()) return Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
  if (!request.qmgr.empty() && request.qmgr != name) {
    if (!remote_running) return Status::Fail(MQRC_UNKNOWN_REMOTE_Q_MGR);
    if (options & ~kRemoteOptions) return Status::Fail(MQRC_OPTION_NOT_VALID_FOR_TYPE);
    if (!MayOpen(s.user, request.name)) return Status::Fail(MQRC_NOT_AUTHORIZED);
    h->remote_qmgr = request.qmgr;
    h->remote_queue = request.name;
    result->name = request.name;
    result->qmgr = request.qmgr;
    result->resolved = request.name;
    return Status::Ok();
  }
  if (options & ~kQueueOptions) return Status::Fail(MQRC_OPTIONS_ERROR);
  Queue* q = FindQueue(request.name);
  if (!q) return Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
  if (!MayOpen(s.user, q->name) || ((options & MQOO_INQUIRE) && !MayInquire(s.user, q->name))) {
    return Status::Fail(MQRC_NOT_AUTHORIZED);
  }
  if (q->type == MQQT_REMOTE) {
    if (options & ~(kRemoteOptions | MQOO_INQUIRE)) {
      return Status::Fail(MQRC_OPTION_NOT_VALID_FOR_TYPE);
    }
    std::string qmgr, queue;
    Status st = ResolveRemote(*this, *q, &qmgr, &queue);
    if (st.failed()) return st;
    h->alias = q;
    CountOpen(*q, options, 1);
    if (qmgr != name) {
      h->remote_qmgr = qmgr;
      h->remote_queue = queue;
      result->name = queue;
      result->qmgr = qmgr;
      return Status::Ok();
    }
    // It names a queue of this queue manager.
    Queue* target = FindQueue(queue);
    if (!target || target->type != MQQT_LOCAL) {
      CountOpen(*q, options, -1);
      return Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
    }
    q = target;
  }
  if (q->type == MQQT_MODEL) {
    Queue* made = nullptr;
    Status st = CreateDynamic(s, *q, request.dynamic_name, &made);
    if (st.failed()) return st;
    q = made;
  }
  if (q->type == MQQT_ALIAS) {
    Queue* base = FindQueue(q->base_queue);
    if (!base || base->type != MQQT_LOCAL) return Status::Fail(MQRC_UNKNOWN_ALIAS_BASE_Q);
    h->alias = q;
    CountOpen(*q, options, 1);  // so that the alias is not deleted under the handle
    q = base;
  }
  bool input = options & kInputOptions;
  bool exclusive =
      (options & MQOO_INPUT_EXCLUSIVE) ||
      ((options & MQOO_INPUT_AS_Q_DEF) && q->default_input_open == MQOO_INPUT_EXCLUSIVE);
  if (input && (q->open_exclusive || (exclusive && q->open_input > 0))) {
    if (h->alias) CountOpen(*h->alias, options, -1);
    return Status::Fail(MQRC_OBJECT_IN_USE);
  }
  CountOpen(*q, options, 1);
  if (input) {
    q->open_exclusive = exclusive;
    InitiationQueueOpened(*q);
  }
  h->queue = q;
  result->name = h->alias ? h->alias->name : q->name;
  result->qmgr = name;
  result->resolved = q->name;
  return Status::Ok();
}

void QueueManager::ReleaseHandle(Session& s, MQHOBJ hobj, Handle& h, MQLONG close_options) {
  auto c = s.consumers.find(hobj);
  if (c != s.consumers.end()) {
    Queue* cq = c->second.queue;
    s.consumers.erase(c);
    bool still = std::any_of(s.consumers.begin(), s.consumers.end(),
                             [&](const auto& e) { return e.second.queue == cq; });
    if (!still) std::erase(cq->watchers, &s);
  }
  if (h.alias) CountOpen(*h.alias, h.options, -1);
  Queue* q = h.queue;
  if (!q) return;
  CountOpen(*q, h.options, -1);
  if (q->open_input == 0) q->open_exclusive = false;
  bool temporary_owner = q->definition_type == MQQDT_TEMPORARY_DYNAMIC &&
                         q->owner_session == s.id && q->owner_hobj == hobj;
  bool delete_permanent = q->definition_type == MQQDT_PERMANENT_DYNAMIC &&
                          (close_options & (MQCO_DELETE | MQCO_DELETE_PURGE));
  if (temporary_owner || delete_permanent) {
    // Other handles on the queue become unusable; IBM MQ fails their later
    // calls with MQRC_Q_DELETED.
    for (auto& entry : sessions) {
      for (auto& [oh, oh_handle] : entry.second->handles) {
        if (oh_handle.queue == q && !(entry.second.get() == &s && oh == hobj)) {
          oh_handle.queue = nullptr;
        }
      }
    }
    q->arrived->notify_all();
    queues.erase(q->name);
  }
}

Status QueueManager::Close(Session& s, MQHOBJ hobj, MQLONG options) {
  std::lock_guard lock(mu);
  auto it = s.handles.find(hobj);
  if (it == s.handles.end()) return Status::Fail(MQRC_HOBJ_ERROR);
  if (options &
      ~(MQCO_DELETE | MQCO_DELETE_PURGE | MQCO_KEEP_SUB | MQCO_REMOVE_SUB | MQCO_QUIESCE)) {
    return Status::Fail(MQRC_OPTIONS_ERROR);
  }
  Queue* q = it->second.queue;
  if ((options & MQCO_DELETE) && q && !q->messages.empty() &&
      q->definition_type == MQQDT_PERMANENT_DYNAMIC) {
    return Status::Fail(MQRC_Q_NOT_EMPTY);
  }
  ReleaseHandle(s, hobj, it->second, options);
  s.handles.erase(it);
  return Status::Ok();
}

}  // namespace mqemu
