// Putting, getting and browsing messages: the put checks, arrival on a
// queue, selection by MsgId and CorrelId past expired messages, browse
// cursors, and the get that waits.
#include "qmgr/queue_manager.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "pcf/mq_field.h"
#include "properties/mqrfh2.h"
#include "qmgr/session.h"
#include "qmgr/triggering.h"

namespace mqemu {
namespace {

constexpr auto kPeerCheckInterval = std::chrono::milliseconds(50);

// How long an application's put to a remote queue waits for the put there;
// a remote queue manager that answers later gets the message all the same.
constexpr auto kRemotePutWait = std::chrono::milliseconds(1000);

// The reports that only the queue manager sends, to the reply queue.
constexpr MQLONG kQueueManagerReports = MQRO_COA_WITH_FULL_DATA | MQRO_COD_WITH_FULL_DATA |
                                        MQRO_EXCEPTION_WITH_FULL_DATA |
                                        MQRO_EXPIRATION_WITH_FULL_DATA;

constexpr MQLONG kBrowseOptions =
    MQGMO_BROWSE_FIRST | MQGMO_BROWSE_NEXT | MQGMO_BROWSE_MSG_UNDER_CURSOR;
constexpr MQLONG kCursorOptions = kBrowseOptions | MQGMO_MSG_UNDER_CURSOR;

// The failure of a get's options and open options, or MQRC_NONE.
MQLONG CheckGetOptions(MQLONG options, MQLONG open_options) {
  MQLONG cursor = options & kCursorOptions;
  if ((cursor & (cursor - 1)) || (options & (MQGMO_LOCK | MQGMO_UNLOCK))) {
    return MQRC_OPTIONS_ERROR;
  }
  bool browse = options & kBrowseOptions;
  if (browse && (options & (MQGMO_SYNCPOINT | MQGMO_SYNCPOINT_IF_PERSISTENT))) {
    return MQRC_OPTIONS_ERROR;
  }
  if ((options & kCursorOptions) && !(open_options & MQOO_BROWSE)) return MQRC_NOT_OPEN_FOR_BROWSE;
  if (!browse && !(open_options & kInputOptions)) return MQRC_NOT_OPEN_FOR_INPUT;
  return MQRC_NONE;
}

}  // namespace

Status QueueManager::Put(Session& s, MQHOBJ hobj, MQLONG pmo_options, ContextMode mode, MQMD* md,
                         std::string data, std::string properties) {
  WakeAfterUnlock wakes;
  std::unique_lock lock(mu);
  auto it = s.handles.find(hobj);
  if (it == s.handles.end()) return Status::Fail(MQRC_HOBJ_ERROR);
  Handle& h = it->second;
  if (!(h.options & MQOO_OUTPUT)) return Status::Fail(MQRC_NOT_OPEN_FOR_OUTPUT);
  if ((pmo_options & MQPMO_FAIL_IF_QUIESCING) && quiescing) {
    return Status::Fail(MQRC_Q_MGR_QUIESCING);
  }
  if (!h.queue && h.remote_qmgr.empty()) return Status::Fail(MQRC_Q_DELETED);
  if (md->Expiry <= 0 && md->Expiry != MQEI_UNLIMITED) return Status::Fail(MQRC_EXPIRY_ERROR);
  if ((md->Report & kQueueManagerReports) &&
      FieldNameLength(md->ReplyToQ, sizeof md->ReplyToQ) == 0) {
    return Status::Fail(MQRC_MISSING_REPLY_TO_Q);
  }
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
  Message m{*md, std::move(data), std::move(properties)};
  if (!h.remote_qmgr.empty()) {
    std::string qmgr = h.remote_qmgr, queue = h.remote_queue;
    lock.unlock();
    return Deliver(qmgr, queue, std::move(m), kRemotePutWait);
  }
  Queue& q = *h.queue;
  Status st = Enqueue(q, std::move(m), (pmo_options & MQPMO_SYNCPOINT) ? &s.pending_puts : nullptr);
  if (!st.failed()) {
    if (md->Persistence == MQPER_PERSISTENCE_AS_Q_DEF) md->Persistence = q.default_persistence;
    if (md->Priority == MQPRI_PRIORITY_AS_Q_DEF) md->Priority = q.default_priority;
  }
  return st;
}

Status QueueManager::Enqueue(Queue& q, Message&& m,
                             std::vector<std::pair<std::string, Message>>* held) {
  if (q.inhibit_put == MQQA_PUT_INHIBITED) return Status::Fail(MQRC_PUT_INHIBITED);
  // Properties count in a message's length, as IBM MQ counts them.
  auto length = static_cast<MQLONG>(m.data.size() + m.properties.size());
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
  m.put_at = MessageClock::now();
  m.StartExpiry(m.put_at);
  q.activity.Put();
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
  // A message that reaches the dead-letter queue has not arrived where it
  // was going.
  if ((m.md.Report & MQRO_COA) && !IsDeadLetterQueue(q)) SendReport(m, ReportKind::kArrival);
  q.Add(std::move(m));
  // Every waiter looks: browsers all see the message, one getter takes it.
  WakeAfterUnlock::Defer(q.arrived);
  for (Session* w : q.watchers) w->OnDeliveryChanged();
  // The first consumer told takes what it can; the next message is offered
  // to the next one first, so that consumers of one queue share its load.
  if (q.watchers.size() > 1) {
    std::rotate(q.watchers.begin(), q.watchers.begin() + 1, q.watchers.end());
  }
  if (may_trigger && TriggerConditionMet(q, priority, true)) Trigger(q);
}

bool QueueManager::DiscardIfExpired(Queue& q, size_t index, MessageClock::time_point now) {
  if (!q.messages[index].ExpiredAt(now)) return false;
  Message expired = std::move(q.messages[index]);
  q.messages.erase(q.messages.begin() + static_cast<ptrdiff_t>(index));
  SendReport(expired, ReportKind::kExpiration);
  return true;
}

size_t QueueManager::Select(Queue& q, size_t from, const Selection& selection) {
  auto now = MessageClock::now();
  std::vector<Message> expired;
  size_t i = from;
  while (i < q.messages.size()) {
    if (q.messages[i].ExpiredAt(now)) {
      expired.push_back(std::move(q.messages[i]));
      q.messages.erase(q.messages.begin() + static_cast<ptrdiff_t>(i));
      continue;
    }
    if (selection.Matches(q.messages[i].md)) break;
    ++i;
  }
  if (expired.empty()) return i;
  // The reports may go to this very queue, before the message found: find
  // it again by its place.
  BrowseCursor found = i < q.messages.size() ? CursorOn(q.messages[i]) : BrowseCursor{};
  for (const Message& m : expired) SendReport(m, ReportKind::kExpiration);
  return q.Under(found);
}

bool QueueManager::TakeMessage(Queue& q, const Selection& selection, Message* out) {
  size_t i = Select(q, 0, selection);
  if (i == q.messages.size()) return false;
  *out = std::move(q.messages[i]);
  q.messages.erase(q.messages.begin() + static_cast<ptrdiff_t>(i));
  auto now = MessageClock::now();
  q.activity.Got(out->put_at, now);
  out->md.Expiry = out->ExpiryLeft(now);
  SendReport(*out, ReportKind::kDelivery);
  return true;
}

bool QueueManager::BrowseMessage(Queue& q, const Selection& selection, BrowseCursor* cursor,
                                 Message* out) {
  size_t i = Select(q, q.After(*cursor), selection);
  if (i == q.messages.size()) return false;
  *out = q.messages[i];
  out->md.Expiry = out->ExpiryLeft(MessageClock::now());
  *cursor = CursorOn(q.messages[i]);
  return true;
}

Status QueueManager::Get(Session& s, const GetRequest& request, MQMD* md, std::string* data,
                         MQLONG* data_length, std::string* properties) {
  std::unique_lock lock(mu);
  auto it = s.handles.find(request.hobj);
  if (it == s.handles.end()) return Status::Fail(MQRC_HOBJ_ERROR);
  if (MQLONG bad = CheckGetOptions(request.options, it->second.options)) {
    return Status::Fail(bad);
  }
  const Selection selection = Selection::Of(*md, request.match);
  const bool browse = request.options & kBrowseOptions;
  const bool under_cursor =
      request.options & (MQGMO_BROWSE_MSG_UNDER_CURSOR | MQGMO_MSG_UNDER_CURSOR);
  bool wait = (request.options & MQGMO_WAIT) && !under_cursor;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(request.wait_ms);
  bool client_checked = false;  // since the last wait
  for (;;) {
    // The handle may have lost its queue (deleted) while this get waited.
    Handle* h = s.handles.count(request.hobj) ? &s.handles[request.hobj] : nullptr;
    Queue* q = h ? h->queue : nullptr;
    if (s.broken) return Status::Fail(MQRC_CONNECTION_BROKEN);
    if (!q) return Status::Fail(MQRC_Q_DELETED);
    if (q->inhibit_get == MQQA_GET_INHIBITED ||
        (h->alias && h->alias->inhibit_get == MQQA_GET_INHIBITED)) {
      return Status::Fail(MQRC_GET_INHIBITED);
    }
    if ((request.options & MQGMO_FAIL_IF_QUIESCING) && quiescing) {
      return Status::Fail(MQRC_Q_MGR_QUIESCING);
    }
    if (ending) return Status::Fail(MQRC_Q_MGR_STOPPING);
    size_t found;
    if (under_cursor) {
      found = q->Under(h->cursor);
      if (found == q->messages.size() || DiscardIfExpired(*q, found, MessageClock::now())) {
        return Status::Fail(MQRC_NO_MSG_UNDER_CURSOR);
      }
    } else {
      size_t from = (request.options & MQGMO_BROWSE_NEXT) ? q->After(h->cursor) : 0;
      found = Select(*q, from, selection);
    }
    if (found != q->messages.size()) {
      Message& m = q->messages[found];
      if (browse) h->cursor = CursorOn(m);
      *md = m.md;
      md->Expiry = m.ExpiryLeft(MessageClock::now());
      // What the getter receives: an MQRFH2 of the properties, when it
      // wants them there, before the data.
      std::string header;
      std::string converted;
      bool as_stored = true;
      if (request.properties == PropertiesWanted::kInMqrfh2) {
        properties::PropertyList list;
        properties::Decode(m.properties, &list);
        if (!list.empty()) {
          header = properties::BuildMqrfh2(list, *md);
          std::memcpy(md->Format, MQFMT_RF_HEADER_2, sizeof md->Format);
          md->Encoding = MQENC_NATIVE;
        }
      } else if (request.properties == PropertiesWanted::kApart && properties) {
        // A message put with its properties in an MQRFH2 hands them to a
        // message handle, the header gone, as IBM MQ does.
        properties::PropertyList list;
        properties::Decode(m.properties, &list);
        if (std::memcmp(md->Format, MQFMT_RF_HEADER_2, sizeof md->Format) == 0) {
          converted = m.data;
          if (properties::TakeMqrfh2Properties(md, &converted, &list, true) == MQRC_NONE) {
            as_stored = false;
          }
        }
        *properties = properties::Encode(list);
      }
      const size_t body_length = as_stored ? m.data.size() : converted.size();
      auto length = static_cast<MQLONG>(header.size() + body_length);
      *data_length = length;
      const auto room = static_cast<size_t>(std::max<MQLONG>(request.buffer_length, 0));
      const bool truncated = static_cast<size_t>(length) > room;
      const bool fails = truncated && !(request.options & MQGMO_ACCEPT_TRUNCATED_MSG);
      Status st = fails       ? Status::Warn(MQRC_TRUNCATED_MSG_FAILED)
                  : truncated ? Status::Warn(MQRC_TRUNCATED_MSG_ACCEPTED)
                              : Status::Ok();
      if (browse || fails) {  // the message stays
        *data = header + (as_stored ? m.data : converted);
        if (truncated) data->resize(room);
        return st;
      }
      const bool syncpoint = (request.options & MQGMO_SYNCPOINT) ||
                             ((request.options & MQGMO_SYNCPOINT_IF_PERSISTENT) &&
                              m.md.Persistence == MQPER_PERSISTENT);
      // Off the queue before its report, which may go to this very queue.
      Message taken = std::move(m);
      q->messages.erase(q->messages.begin() + static_cast<ptrdiff_t>(found));
      q->activity.Got(taken.put_at, MessageClock::now());
      if (syncpoint) {
        // Delivered at the commit; a backout puts it back whole.
        *data = header + (as_stored ? taken.data : converted);
        s.pending_gets.emplace_back(q->name, std::move(taken));
      } else {
        SendReport(taken, ReportKind::kDelivery);
        *data = header.empty() && as_stored ? std::move(taken.data)
                                            : header + (as_stored ? taken.data : converted);
      }
      if (truncated) data->resize(room);
      return st;
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
    s.OnCallWaits(true);
    q->arrived->wait_until(lock, until);
    s.OnCallWaits(false);
    if (request.wait_ms != MQWI_UNLIMITED && std::chrono::steady_clock::now() >= deadline) {
      wait = false;  // look once more, then report no message
    }
  }
}

}  // namespace mqemu
