// MQI semantics of the emulated queue manager over its in-memory state.
#include "qmgr/queue_manager.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

#include "objects/inquiry.h"
#include "objects/queue_setting.h"
#include "pcf/mq_field.h"
#include "protocol/endpoint.h"
#include "qmgr/remote.h"

namespace mqemu {
namespace {

constexpr MQLONG kInputOptions = MQOO_INPUT_AS_Q_DEF | MQOO_INPUT_SHARED | MQOO_INPUT_EXCLUSIVE;
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

void NowFields(std::string* date, std::string* time, char* put_date, char* put_time) {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  if (date) {
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    *date = buf;
  }
  if (time) {
    std::strftime(buf, sizeof buf, "%H.%M.%S", &tm);
    *time = buf;
  }
  if (put_date) {
    std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
    std::memcpy(put_date, buf, 8);
  }
  if (put_time) {
    auto cs =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000 / 10;
    std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(cs));
    std::memcpy(put_time, buf, 8);
  }
}

// Whether the client at the other end of a call socket has gone (closed or
// died); a waiting get then ends so that its handles are released.
bool PeerGone(int fd) {
  pollfd p{fd, POLLRDHUP, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

constexpr auto kPeerCheckInterval = std::chrono::milliseconds(50);

// How long an application's put to a remote queue waits for the put there;
// a remote queue manager that answers later gets the message all the same.
constexpr auto kRemotePutWait = std::chrono::milliseconds(1000);

}  // namespace

QueueManager& Qm() {
  static QueueManager qm;
  return qm;
}

bool MatchesGeneric(std::string_view name, std::string_view pattern) {
  if (!pattern.empty() && pattern.back() == '*') {
    pattern.remove_suffix(1);
    return name.substr(0, pattern.size()) == pattern;
  }
  return name == pattern;
}

void QueueManager::Init(std::string_view qmgr_name, MQLONG qmgr_platform) {
  name = qmgr_name;
  platform = qmgr_platform;
  NowFields(&creation_date, &creation_time, nullptr, nullptr);
  std::lock_guard lock(mu);
  AddQueue("SYSTEM.DEFAULT.LOCAL.QUEUE", MQQT_LOCAL);
  Queue* model = AddQueue("SYSTEM.DEFAULT.MODEL.QUEUE", MQQT_MODEL);
  model->definition_type = MQQDT_TEMPORARY_DYNAMIC;
  if (platform == MQPL_ZOS) {
    command_queue = "SYSTEM.COMMAND.INPUT";
    AddQueue("SYSTEM.ADMIN.COMMAND.QUEUE", MQQT_ALIAS)->base_queue = command_queue;
  }
  AddQueue(command_queue, MQQT_LOCAL)->max_depth = 3000;
  AddQueue("SYSTEM.DEAD.LETTER.QUEUE", MQQT_LOCAL)->max_depth = 999999999;
}

Queue* QueueManager::FindQueue(std::string_view queue_name) {
  auto it = queues.find(std::string(queue_name));
  return it == queues.end() ? nullptr : it->second.get();
}

Queue* QueueManager::AddQueue(const std::string& queue_name, MQLONG type) {
  if (queues.count(queue_name)) return nullptr;
  auto q = std::make_unique<Queue>();
  q->name = queue_name;
  q->type = type;
  if (type == MQQT_MODEL) q->definition_type = MQQDT_TEMPORARY_DYNAMIC;
  NowFields(&q->creation_date, &q->creation_time, nullptr, nullptr);
  Queue* raw = q.get();
  queues.emplace(queue_name, std::move(q));
  return raw;
}

Status QueueManager::DeleteQueue(const std::string& queue_name, bool purge) {
  Queue* q = FindQueue(queue_name);
  if (!q) return Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
  if (q->open_input || q->open_output || !q->watchers.empty()) {
    return Status::Fail(MQRC_OBJECT_IN_USE);
  }
  if (!q->messages.empty() && !purge) return Status::Fail(MQRC_Q_NOT_EMPTY);
  queues.erase(queue_name);
  return Status::Ok();
}

Process* QueueManager::FindProcess(std::string_view process_name) {
  auto it = processes.find(std::string(process_name));
  return it == processes.end() ? nullptr : it->second.get();
}

Process* QueueManager::AddProcess(const std::string& process_name) {
  if (processes.count(process_name)) return nullptr;
  auto p = std::make_unique<Process>();
  p->name = process_name;
  NowFields(&p->creation_date, &p->creation_time, nullptr, nullptr);
  Process* raw = p.get();
  processes.emplace(process_name, std::move(p));
  return raw;
}

Status QueueManager::DeleteProcess(const std::string& process_name) {
  return processes.erase(process_name) ? Status::Ok() : Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
}

void QueueManager::SetInhibitGet(Queue& q, MQLONG value) {
  q.inhibit_get = value;
  q.arrived.notify_all();
  for (Session* s : q.watchers) {
    for (auto& [hobj, c] : s->consumers) {
      if (c.queue != &q) continue;
      if (value == MQQA_GET_INHIBITED && !c.inhibit_told) {
        c.inhibit_told = true;
        QueueEvent(*s, hobj, MQCC_FAILED, MQRC_GET_INHIBITED);
      } else if (value == MQQA_GET_ALLOWED) {
        c.inhibit_told = false;
      }
    }
    s->wake.notify_all();
  }
}

bool QueueManager::MayOpen(const std::string& user, const std::string& object) const {
  return !faults.deny_open.count({user, object});
}
bool QueueManager::MayInquire(const std::string& user, const std::string& object) const {
  return !faults.deny_inquire.count({user, object});
}

void QueueManager::NewId(MQBYTE* id) {
  std::memcpy(id, "AMQ ", 4);
  FillBlankPadded(reinterpret_cast<char*>(id) + 4, 12, name);
  if (id_counter_ == 0) {
    id_counter_ =
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(::getpid()) << 48);
  }
  uint64_t unique = ++id_counter_;
  std::memcpy(id + 16, &unique, 8);
}

void QueueManager::SetContext(const Session* s, ContextMode mode, MQMD* md) {
  if (mode == ContextMode::kAll) return;
  if (mode == ContextMode::kNone) {
    FillBlankPadded(md->UserIdentifier, sizeof md->UserIdentifier, "");
    std::memset(md->AccountingToken, 0, sizeof md->AccountingToken);
    FillBlankPadded(md->ApplIdentityData, sizeof md->ApplIdentityData, "");
    md->PutApplType = MQAT_NO_CONTEXT;
    FillBlankPadded(md->PutApplName, sizeof md->PutApplName, "");
    FillBlankPadded(md->PutDate, sizeof md->PutDate, "");
    FillBlankPadded(md->PutTime, sizeof md->PutTime, "");
    FillBlankPadded(md->ApplOriginData, sizeof md->ApplOriginData, "");
    return;
  }
  // The queue manager's own messages (command server replies) carry the
  // identity of IBM MQ's administrator and command server program.
  const std::string user = s ? s->user : "mqm";
  if (mode == ContextMode::kDefault) {
    FillBlankPadded(md->UserIdentifier, sizeof md->UserIdentifier, user);
    std::memset(md->AccountingToken, 0, sizeof md->AccountingToken);
    FillBlankPadded(md->ApplIdentityData, sizeof md->ApplIdentityData, "");
  }
  md->PutApplType = s ? MQAT_UNIX : MQAT_QMGR;
  FillBlankPadded(md->PutApplName, sizeof md->PutApplName, s ? s->appl : "amqpcsea");
  NowFields(nullptr, nullptr, md->PutDate, md->PutTime);
  FillBlankPadded(md->ApplOriginData, sizeof md->ApplOriginData, "");
}

void QueueManager::QueueEvent(Session& s, MQHOBJ hobj, MQLONG cc, MQLONG reason) {
  FrameWriter w(Kind::kEvent);
  w.I32(hobj);
  w.I32(cc);
  w.I32(reason);
  s.outbox.push_back(w.Finish());
  s.wake.notify_all();
}

Status QueueManager::Open(Session& s, const OpenRequest& request, OpenResult* result) {
  std::unique_lock lock(mu);
  if ((request.options & MQOO_FAIL_IF_QUIESCING) && quiescing) {
    return Status::Fail(MQRC_Q_MGR_QUIESCING);
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
  } else if (request.type == MQOT_Q) {
    Status st = OpenQueue(s, request, &h, result);
    if (st.failed()) return st;
  } else {
    return Status::Fail(MQRC_OBJECT_TYPE_ERROR);
  }
  MQHOBJ hobj = s.next_hobj++;
  if (h.queue && h.queue->type == MQQT_LOCAL && h.queue->owner_session == s.id &&
      h.queue->owner_hobj == MQHO_NONE) {
    h.queue->owner_hobj = hobj;  // the handle that created a temporary dynamic queue
  }
  s.handles.emplace(hobj, h);
  result->hobj = hobj;
  return Status::Ok();
}

Status QueueManager::OpenQueue(Session& s, const OpenRequest& request, Handle* h,
                               OpenResult* result) {
  MQLONG options = request.options;
  if (request.name.empty()) return Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
  if (!request.qmgr.empty() && request.qmgr != name) {
    if (!QueueManagerRunning(request.qmgr)) return Status::Fail(MQRC_UNKNOWN_REMOTE_Q_MGR);
    if (options & ~kRemoteOptions) return Status::Fail(MQRC_OPTION_NOT_VALID_FOR_TYPE);
    if (!MayOpen(s.user, request.name)) return Status::Fail(MQRC_NOT_AUTHORIZED);
    h->remote_qmgr = request.qmgr;
    h->remote_queue = request.name;
    result->name = request.name;
    result->qmgr = request.qmgr;
    return Status::Ok();
  }
  if (options & ~kQueueOptions) return Status::Fail(MQRC_OPTIONS_ERROR);
  Queue* q = FindQueue(request.name);
  if (!q) return Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
  if (!MayOpen(s.user, q->name) || ((options & MQOO_INQUIRE) && !MayInquire(s.user, q->name))) {
    return Status::Fail(MQRC_NOT_AUTHORIZED);
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
    q = base;
  }
  bool input = options & kInputOptions;
  bool exclusive =
      (options & MQOO_INPUT_EXCLUSIVE) ||
      ((options & MQOO_INPUT_AS_Q_DEF) && q->default_input_open == MQOO_INPUT_EXCLUSIVE);
  if (input && (q->open_exclusive || (exclusive && q->open_input > 0))) {
    return Status::Fail(MQRC_OBJECT_IN_USE);
  }
  if (input) {
    ++q->open_input;
    q->open_exclusive = exclusive;
    InitiationQueueOpened(*q);
  }
  if (options & MQOO_OUTPUT) ++q->open_output;
  h->queue = q;
  result->name = h->alias ? h->alias->name : q->name;
  result->qmgr = name;
  return Status::Ok();
}

Status QueueManager::CreateDynamic(Session& s, Queue& model, const std::string& pattern,
                                   Queue** made) {
  if (pattern.empty() || pattern.size() > MQ_Q_NAME_LENGTH) {
    return Status::Fail(MQRC_DYNAMIC_Q_NAME_ERROR);
  }
  std::string queue_name = pattern;
  if (pattern.back() == '*') {
    std::string prefix = pattern.substr(0, pattern.size() - 1);
    // Complete the prefix with hexadecimal characters of a counter unique in
    // this queue manager, up to the 48 characters of a queue name.
    static uint64_t dynamic_counter = 0;
    do {
      char unique[32];
      std::snprintf(unique, sizeof unique, "%08lX%08lX",
                    static_cast<unsigned long>(std::time(nullptr) & 0xffffffff),
                    static_cast<unsigned long>(++dynamic_counter));
      queue_name = (prefix + unique).substr(0, MQ_Q_NAME_LENGTH);
    } while (FindQueue(queue_name));
  } else if (FindQueue(queue_name)) {
    return Status::Fail(MQRC_OBJECT_ALREADY_EXISTS);
  }
  Queue* q = AddQueue(queue_name, MQQT_LOCAL);
  q->definition_type = model.definition_type;
  q->description = model.description;
  q->max_msg_length = model.max_msg_length;
  q->max_depth = model.max_depth;
  q->inhibit_get = model.inhibit_get;
  q->inhibit_put = model.inhibit_put;
  q->default_persistence = model.default_persistence;
  q->default_priority = model.default_priority;
  q->default_input_open = model.default_input_open;
  q->shareability = model.shareability;
  q->trigger_control = model.trigger_control;
  q->trigger_type = model.trigger_type;
  q->trigger_depth = model.trigger_depth;
  q->trigger_msg_priority = model.trigger_msg_priority;
  q->trigger_data = model.trigger_data;
  q->initiation_queue = model.initiation_queue;
  q->process_name = model.process_name;
  if (q->definition_type == MQQDT_TEMPORARY_DYNAMIC) q->owner_session = s.id;
  *made = q;
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
  Queue* q = h.queue;
  if (!q) return;
  if (h.options & kInputOptions) {
    --q->open_input;
    if (q->open_input == 0) q->open_exclusive = false;
  }
  if (h.options & MQOO_OUTPUT) --q->open_output;
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
    q->arrived.notify_all();
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
  for (Session* w : q.watchers) w->wake.notify_all();
  if (may_trigger && TriggerConditionMet(q, priority, true)) Trigger(q);
}

bool QueueManager::TriggerConditionMet(const Queue& q, MQLONG priority, bool arrival) const {
  if (q.trigger_control != MQTC_ON || !q.is_local() || priority < q.trigger_msg_priority) {
    return false;
  }
  switch (q.trigger_type) {
    case MQTT_FIRST:
      if (q.open_input > 0) return false;
      return arrival ? q.DepthFrom(q.trigger_msg_priority) == 1
                     : q.DepthFrom(q.trigger_msg_priority) > 0;
    case MQTT_EVERY:
      return true;
    case MQTT_DEPTH:
      return q.DepthFrom(q.trigger_msg_priority) >= q.trigger_depth;
    default:
      return false;
  }
}

void QueueManager::Trigger(Queue& q) {
  Queue* initq = FindQueue(q.initiation_queue);
  const Process* process = FindProcess(q.process_name);
  if (!initq || !initq->is_local() || initq == &q || !process) return;
  if (initq->open_input == 0) {
    // Nobody serves the initiation queue: no trigger message now, but FIRST
    // and DEPTH fire when a trigger monitor opens it.
    q.trigger_missed = q.trigger_type != MQTT_EVERY;
    return;
  }
  MQTM tm = {MQTM_DEFAULT};
  FillBlankPadded(tm.QName, sizeof tm.QName, q.name);
  FillBlankPadded(tm.ProcessName, sizeof tm.ProcessName, process->name);
  FillBlankPadded(tm.TriggerData, sizeof tm.TriggerData, q.trigger_data);
  tm.ApplType = process->appl_type;
  FillBlankPadded(tm.ApplId, sizeof tm.ApplId, process->appl_id);
  FillBlankPadded(tm.EnvData, sizeof tm.EnvData, process->env_data);
  FillBlankPadded(tm.UserData, sizeof tm.UserData, process->user_data);
  Message m{{MQMD_DEFAULT}, std::string(reinterpret_cast<const char*>(&tm), sizeof tm)};
  m.md.Version = MQMD_VERSION_2;
  m.md.MsgType = MQMT_DATAGRAM;
  std::memcpy(m.md.Format, MQFMT_TRIGGER, 8);
  m.md.CodedCharSetId = ccsid;
  NewId(m.md.MsgId);
  SetContext(nullptr, ContextMode::kDefault, &m.md);
  // A trigger message that cannot be put (initiation queue full or put
  // inhibited) is lost; the queue stays as it is.
  if (Enqueue(*initq, std::move(m)).failed()) return;
  q.trigger_missed = false;
  if (q.trigger_type == MQTT_DEPTH) q.trigger_control = MQTC_OFF;
}

void QueueManager::InitiationQueueOpened(const Queue& initq) {
  for (auto& [queue_name, q] : queues) {
    if (!q->trigger_missed || q->initiation_queue != initq.name) continue;
    q->trigger_missed = false;
    if (TriggerConditionMet(*q, q->trigger_msg_priority, false)) {
      Trigger(*q);
    }
  }
}

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
  if (!h.remote_qmgr.empty()) {
    std::string qmgr = h.remote_qmgr, queue = h.remote_queue;
    lock.unlock();
    return Deliver(qmgr, queue, Message{*md, std::move(data)}, kRemotePutWait);
  }
  if (h.alias && h.alias->inhibit_put == MQQA_PUT_INHIBITED) {
    return Status::Fail(MQRC_PUT_INHIBITED);
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
    if (PeerGone(s.call_fd)) return Status::Fail(MQRC_CONNECTION_BROKEN);
    auto until = std::chrono::steady_clock::now() + kPeerCheckInterval;
    if (request.wait_ms != MQWI_UNLIMITED && deadline < until) until = deadline;
    q->arrived.wait_until(lock, until);
    if (request.wait_ms != MQWI_UNLIMITED && std::chrono::steady_clock::now() >= deadline) {
      wait = false;  // look once more, then report no message
    }
  }
}

Status QueueManager::Inquire(Session& s, MQHOBJ hobj, const std::vector<MQLONG>& selectors,
                             MQLONG int_count, MQLONG char_length, std::vector<MQLONG>* ints,
                             std::string* chars) {
  std::lock_guard lock(mu);
  auto it = s.handles.find(hobj);
  if (it == s.handles.end()) return Status::Fail(MQRC_HOBJ_ERROR);
  const Handle& h = it->second;
  if (!(h.options & MQOO_INQUIRE)) return Status::Fail(MQRC_NOT_OPEN_FOR_INQUIRE);
  const Queue* q = h.alias ? h.alias : h.queue;
  if (!h.qmgr_object && !q) return Status::Fail(MQRC_Q_DELETED);
  return objects::MqinqObject(*this, h.qmgr_object ? nullptr : q, selectors, int_count, char_length,
                              ints, chars);
}

Status QueueManager::Set(Session& s, MQHOBJ hobj, const std::vector<MQLONG>& selectors,
                         const std::vector<MQLONG>& ints) {
  std::lock_guard lock(mu);
  auto it = s.handles.find(hobj);
  if (it == s.handles.end()) return Status::Fail(MQRC_HOBJ_ERROR);
  const Handle& h = it->second;
  if (!(h.options & MQOO_SET)) return Status::Fail(MQRC_NOT_OPEN_FOR_SET);
  Queue* q = h.alias ? h.alias : h.queue;
  if (!q) return Status::Fail(h.qmgr_object ? MQRC_SELECTOR_ERROR : MQRC_Q_DELETED);
  return objects::MqsetQueue(*this, *q, selectors, ints);
}

Status QueueManager::RegisterConsumer(Session& s, MQHOBJ hobj, const Consumer& consumer) {
  std::lock_guard lock(mu);
  auto it = s.handles.find(hobj);
  if (it == s.handles.end()) return Status::Fail(MQRC_HOBJ_ERROR);
  if (!(it->second.options & kInputOptions)) return Status::Fail(MQRC_NOT_OPEN_FOR_INPUT);
  Queue* q = it->second.queue;
  if (!q) return Status::Fail(MQRC_Q_DELETED);
  Consumer c = consumer;
  c.queue = q;
  s.consumers[hobj] = c;
  if (std::find(q->watchers.begin(), q->watchers.end(), &s) == q->watchers.end()) {
    q->watchers.push_back(&s);
  }
  s.wake.notify_all();
  return Status::Ok();
}

Status QueueManager::DeregisterConsumer(Session& s, MQHOBJ hobj) {
  std::lock_guard lock(mu);
  auto c = s.consumers.find(hobj);
  if (c == s.consumers.end()) return Status::Fail(MQRC_CALLBACK_NOT_REGISTERED);
  Queue* q = c->second.queue;
  s.consumers.erase(c);
  bool still = std::any_of(s.consumers.begin(), s.consumers.end(),
                           [&](const auto& e) { return e.second.queue == q; });
  if (!still) std::erase(q->watchers, &s);
  return Status::Ok();
}

Status QueueManager::Start(Session& s) {
  std::lock_guard lock(mu);
  s.started = true;
  for (auto& [hobj, c] : s.consumers) {
    if (c.queue->inhibit_get == MQQA_GET_INHIBITED && !c.inhibit_told) {
      c.inhibit_told = true;
      QueueEvent(s, hobj, MQCC_FAILED, MQRC_GET_INHIBITED);
    }
  }
  s.wake.notify_all();
  return Status::Ok();
}

Status QueueManager::Stop(Session& s) {
  std::lock_guard lock(mu);
  s.started = false;
  s.stop_pending = true;
  s.wake.notify_all();
  return Status::Ok();
}

Status QueueManager::Requeue(Session& s, std::vector<std::pair<MQHOBJ, Message>> messages) {
  std::lock_guard lock(mu);
  for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
    auto h = s.handles.find(it->first);
    if (h == s.handles.end() || !h->second.queue) continue;
    Queue& q = *h->second.queue;
    q.messages.push_front(std::move(it->second));
    q.arrived.notify_one();
    // Another consumer of the queue takes them now, not at the next arrival.
    for (Session* w : q.watchers) w->wake.notify_all();
  }
  return Status::Ok();
}

void QueueManager::EndUnitOfWork(Session& s, bool commit) {
  if (commit) {
    for (auto& [queue_name, m] : s.pending_puts) {
      if (Queue* q = FindQueue(queue_name)) Arrive(*q, std::move(m));
    }
  } else {
    for (auto it = s.pending_gets.rbegin(); it != s.pending_gets.rend(); ++it) {
      if (Queue* q = FindQueue(it->first)) {
        ++it->second.md.BackoutCount;
        q->messages.push_front(std::move(it->second));
        q->arrived.notify_one();
        for (Session* w : q->watchers) w->wake.notify_all();
      }
    }
  }
  s.pending_puts.clear();
  s.pending_gets.clear();
}

void QueueManager::EndSession(Session& s) {
  if (s.ended) return;
  s.ended = true;
  EndUnitOfWork(s, false);  // an application that ends without MQDISC backs out
  while (!s.handles.empty()) {
    auto it = s.handles.begin();
    ReleaseHandle(s, it->first, it->second, MQCO_NONE);
    s.handles.erase(it);
  }
  s.started = false;
  if (s.delivery_fd >= 0) ::shutdown(s.delivery_fd, SHUT_RDWR);
  s.wake.notify_all();
  for (auto& entry : queues) entry.second->arrived.notify_all();
}

}  // namespace mqemu
