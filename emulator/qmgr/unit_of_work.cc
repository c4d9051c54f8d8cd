// Units of work: the end of a session's syncpoint puts and gets, by commit
// (the puts arrive, the gets are delivered) or backout (the gets go back to
// their places).
#include "qmgr/queue_manager.h"

namespace mqemu {

void QueueManager::EndUnitOfWork(Session& s, bool commit) {
  if (!s.pending_puts.empty() || !s.pending_gets.empty()) ++s.units_of_work;
  if (commit) {
    for (auto& [queue_name, m] : s.pending_puts) {
      if (Queue* q = FindQueue(queue_name)) Arrive(*q, std::move(m));
    }
    // A message got under syncpoint is delivered when the unit commits.
    for (auto& [queue_name, m] : s.pending_gets) SendReport(m, ReportKind::kDelivery);
  } else {
    for (auto& [queue_name, m] : s.pending_gets) {
      if (Queue* q = FindQueue(queue_name)) {
        ++m.md.BackoutCount;
        q->Restore(std::move(m));
        q->arrived->notify_all();
        for (Session* w : q->watchers) w->OnDeliveryChanged();
      }
    }
  }
  s.pending_puts.clear();
  s.pending_gets.clear();
}

}  // namespace mqemu
