// Units of work: the end of a session's syncpoint puts and gets, by commit
// or backout.
#include "qmgr/queue_manager.h"

namespace mqemu {

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
        for (Session* w : q->watchers) w->OnDeliveryChanged();
      }
    }
  }
  s.pending_puts.clear();
  s.pending_gets.clear();
}

}  // namespace mqemu
