// MQINQ and MQSET on an open handle.
#include "qmgr/queue_manager.h"

#include <algorithm>

#include "qmgr/attributes.h"

namespace mqemu {

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
  Status st;
  MQLONG ints_needed = 0;
  size_t chars_needed = 0;
  for (MQLONG sel : selectors) {
    AttributeValue v;
    bool known =
        h.qmgr_object ? QueueManagerAttribute(*this, sel, &v) : QueueAttribute(*q, sel, &v);
    bool is_char = sel >= MQCA_FIRST && sel <= MQCA_LAST;
    if (!known && ((sel >= MQIA_FIRST && sel <= MQIA_LAST) || is_char)) {
      st = Status::Warn(MQRC_SELECTOR_NOT_FOR_TYPE);
      v.is_string = is_char;
      v.number = MQIAV_NOT_APPLICABLE;
      v.text.assign(CharAttributeLength(sel) ? CharAttributeLength(sel) : 1, '*');
    } else if (!known) {
      return Status::Fail(MQRC_SELECTOR_ERROR);
    }
    if (v.is_string) {
      chars_needed += v.text.size();
      if (chars_needed <= static_cast<size_t>(std::max<MQLONG>(char_length, 0))) {
        chars->append(v.text);
      } else {
        chars->append(v.text, 0, static_cast<size_t>(char_length) - chars->size());
        st = Status::Warn(MQRC_CHAR_ATTRS_TOO_SHORT);
      }
    } else {
      ++ints_needed;
      if (ints_needed <= int_count) {
        ints->push_back(v.number);
      } else {
        st = Status::Warn(MQRC_INT_ATTR_COUNT_TOO_SMALL);
      }
    }
  }
  return st;
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
  size_t next = 0;
  for (MQLONG sel : selectors) {
    if (sel != MQIA_INHIBIT_GET && sel != MQIA_INHIBIT_PUT)
      return Status::Fail(MQRC_SELECTOR_ERROR);
    if (next >= ints.size()) return Status::Fail(MQRC_INT_ATTR_COUNT_ERROR);
    MQLONG value = ints[next++];
    if (value != 0 && value != 1) return Status::Fail(MQRC_INHIBIT_VALUE_ERROR);
    if (sel == MQIA_INHIBIT_PUT) {
      q->inhibit_put = value;
    } else {
      SetInhibitGet(*q, value);
    }
  }
  return Status::Ok();
}

}  // namespace mqemu
