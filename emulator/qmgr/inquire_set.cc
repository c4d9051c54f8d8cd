// MQINQ and MQSET on an open handle.
#include "qmgr/queue_manager.h"

#include "objects/inquiry.h"
#include "objects/queue_setting.h"

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
  return objects::MqinqObject(*this, h.qmgr_object ? nullptr : q, selectors, int_count, char_length,
                              ints, chars);
}

Status QueueManager::Set(Session& s, MQHOBJ hobj, const std::vector<MQLONG>& selectors,
                         const std::vector<MQLONG>& ints, std::string_view chars) {
  std::lock_guard lock(mu);
  auto it = s.handles.find(hobj);
  if (it == s.handles.end()) return Status::Fail(MQRC_HOBJ_ERROR);
  const Handle& h = it->second;
  if (!(h.options & MQOO_SET)) return Status::Fail(MQRC_NOT_OPEN_FOR_SET);
  Queue* q = h.alias ? h.alias : h.queue;
  if (!q) return Status::Fail(h.qmgr_object ? MQRC_SELECTOR_ERROR : MQRC_Q_DELETED);
  return objects::MqsetQueue(*this, *q, selectors, ints, chars);
}

}  // namespace mqemu
