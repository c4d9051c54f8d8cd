// Asynchronous consumers: registering and deregistering them, starting and
// stopping a connection's delivery, messages put back after a stop, and the
// get-inhibit that consumers are told of.
#include "qmgr/queue_manager.h"

#include <algorithm>
#include <set>

namespace mqemu {

void QueueManager::SetInhibitGet(Queue& q, MQLONG value) {
  q.inhibit_get = value;
  q.arrived->notify_all();
  for (Session* s : q.watchers) {
    for (auto& [hobj, c] : s->consumers) {
      if (c.queue != &q) continue;
      if (value == MQQA_GET_INHIBITED && !c.inhibit_told) {
        c.inhibit_told = true;
        s->OnEvent(hobj, MQCC_FAILED, MQRC_GET_INHIBITED);
      } else if (value == MQQA_GET_ALLOWED) {
        c.inhibit_told = false;
      }
    }
    s->OnDeliveryChanged();
  }
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
  // A consumer that browses from the first message starts over.
  if (c.gmo_options & MQGMO_BROWSE_FIRST) it->second.cursor = BrowseCursor{};
  if (std::find(q->watchers.begin(), q->watchers.end(), &s) == q->watchers.end()) {
    q->watchers.push_back(&s);
  }
  s.OnDeliveryChanged();
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
      s.OnEvent(hobj, MQCC_FAILED, MQRC_GET_INHIBITED);
    }
  }
  s.OnDeliveryChanged();
  return Status::Ok();
}

Status QueueManager::Stop(Session& s) {
  std::lock_guard lock(mu);
  s.started = false;
  s.stop_pending = true;
  s.OnDeliveryChanged();
  return Status::Ok();
}

Status QueueManager::Requeue(Session& s, std::vector<RequeuedMessage> messages) {
  std::lock_guard lock(mu);
  std::set<MQHOBJ> rewound;
  for (RequeuedMessage& r : messages) {
    auto h = s.handles.find(r.hobj);
    if (h == s.handles.end() || !h->second.queue) continue;
    Queue& q = *h->second.queue;
    if (r.browsed) {
      // The copy was never seen: the cursor goes back to just before the
      // first of them, and the message is still on its queue.
      if (rewound.insert(r.hobj).second) {
        h->second.cursor = {true, r.message.place_priority,
                            r.message.position > 0 ? r.message.position - 1 : 0};
      }
      continue;
    }
    q.Restore(std::move(r.message));
    q.arrived->notify_all();
    // Another consumer of the queue takes them now, not at the next arrival.
    for (Session* w : q.watchers) w->OnDeliveryChanged();
  }
  return Status::Ok();
}

}  // namespace mqemu
