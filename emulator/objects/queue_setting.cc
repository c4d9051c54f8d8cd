// Storing queue attribute values with their hooks, and MQSET.
#include "objects/queue_setting.h"

namespace mqemu::objects {

void SetQueueAttribute(QueueManager& qm, Queue& q, const QueueRow& row, MQLONG number,
                       std::string_view text) {
  switch (row.hook) {
    case Hook::kWakeConsumers:
      qm.SetInhibitGet(q, number);
      break;
    case Hook::kNone:
      Store(row, q, number, text);
      break;
  }
}

Status MqsetQueue(QueueManager& qm, Queue& q, const std::vector<MQLONG>& selectors,
                  const std::vector<MQLONG>& ints) {
  size_t next = 0;
  for (MQLONG selector : selectors) {
    const QueueRow* row = FindRow(QueueRows(), selector);
    if (!row || !row->mqset) return Status::Fail(MQRC_SELECTOR_ERROR);
    if (next >= ints.size()) return Status::Fail(MQRC_INT_ATTR_COUNT_ERROR);
    MQLONG value = ints[next++];
    if (CheckChange(QueueRows(), ScopeOf(QueueClassBit(q.type), qm.platform), selector, false,
                    value, {})) {
      return Status::Fail(row->mqset_error);
    }
    SetQueueAttribute(qm, q, *row, value, {});
  }
  return Status::Ok();
}

}  // namespace mqemu::objects
