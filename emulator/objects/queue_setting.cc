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
                  const std::vector<MQLONG>& ints, std::string_view chars) {
  struct Change {
    const QueueRow* row;
    MQLONG number;
    std::string_view text;
  };
  std::vector<Change> changes;
  changes.reserve(selectors.size());
  size_t next_int = 0;
  size_t next_char = 0;
  for (MQLONG selector : selectors) {
    const QueueRow* row = FindRow(QueueRows(), selector);
    if (!row || !row->mqset) return Status::Fail(MQRC_SELECTOR_ERROR);
    const unsigned scope = ScopeOf(QueueClassBit(q.type), qm.platform);
    if (!(row->keyword.platforms & scope)) return Status::Fail(MQRC_SELECTOR_ERROR);
    if (!InScope(row->set, row->keyword.platforms, scope)) {
      return Status::Fail(MQRC_SELECTOR_NOT_FOR_TYPE);
    }
    Change c{row, 0, {}};
    if (IsStringSelector(selector)) {
      auto length = static_cast<size_t>(row->keyword.max);
      if (chars.size() - next_char < length) return Status::Fail(MQRC_CHAR_ATTR_LENGTH_ERROR);
      c.text = chars.substr(next_char, length);
      next_char += length;
    } else {
      if (next_int >= ints.size()) return Status::Fail(MQRC_INT_ATTR_COUNT_ERROR);
      c.number = ints[next_int++];
    }
    if (CheckChange(QueueRows(), scope, selector, IsStringSelector(selector), c.number,
                    TrimTrailingBlanks(c.text))) {
      return Status::Fail(row->mqset_error);
    }
    changes.push_back(c);
  }
  for (const Change& c : changes) SetQueueAttribute(qm, q, *c.row, c.number, c.text);
  return Status::Ok();
}

}  // namespace mqemu::objects
