// Definitions and changes of queues, processes and the queue manager,
// checked and stored by the attribute tables.
#include "qmgr/definitions.h"

#include <algorithm>

#include "objects/attribute_tables.h"
#include "objects/queue_setting.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "qmgr/clock.h"

namespace mqemu {

namespace {

using objects::FindRow;
using objects::ProcessRows;
using objects::QueueManagerRows;
using objects::QueueRows;
using objects::Rows;

// The reason a change of an object in `scope` is refused, or 0.
template <typename Object>
MQLONG Check(Rows<Object> rows, unsigned scope, const AttributeChange& c) {
  return objects::CheckChange(rows, scope, c.selector, c.is_string, c.number, c.text);
}

template <typename Object>
DefinitionResult CheckAll(Rows<Object> rows, unsigned scope,
                          const std::vector<AttributeChange>& changes) {
  for (const AttributeChange& c : changes) {
    if (MQLONG reason = Check(rows, scope, c)) return {reason, c.selector};
  }
  return {};
}

unsigned QueueScope(const QueueManager& qm, MQLONG type) {
  return objects::ScopeOf(objects::QueueClassBit(type), qm.platform);
}

// Checks every change of a queue of `type`. A queue's maximum message
// length may not exceed the queue manager's (on z/OS that is the largest).
DefinitionResult CheckQueueChanges(const QueueManager& qm, MQLONG type,
                                   const std::vector<AttributeChange>& changes) {
  DefinitionResult checked = CheckAll(QueueRows(), QueueScope(qm, type), changes);
  if (checked.reason) return checked;
  for (const AttributeChange& c : changes) {
    if (c.selector == MQIA_MAX_MSG_LENGTH && c.number > qm.max_msg_length) {
      return {MQRCCF_MAX_MSG_LENGTH_ERROR, c.selector};
    }
  }
  return {};
}

// Stores checked changes and stamps the object as altered now.
void ApplyQueueChanges(QueueManager& qm, Queue& q, const std::vector<AttributeChange>& changes) {
  for (const AttributeChange& c : changes) {
    objects::SetQueueAttribute(qm, q, *FindRow(QueueRows(), c.selector), c.number, c.text);
  }
  NowFields(&q.alteration_date, &q.alteration_time, nullptr, nullptr);
}

template <typename Object>
void ApplyChanges(Rows<Object> rows, Object& object, const std::vector<AttributeChange>& changes) {
  for (const AttributeChange& c : changes) {
    objects::Store(*FindRow(rows, c.selector), object, c.number, c.text);
  }
  NowFields(&object.alteration_date, &object.alteration_time, nullptr, nullptr);
}

bool Gives(const std::vector<AttributeChange>& changes, MQLONG selector) {
  return std::any_of(changes.begin(), changes.end(),
                     [selector](const AttributeChange& c) { return c.selector == selector; });
}

// The changes that would give a new object the values that `object` has,
// of every attribute that a definition in `scope` may give.
template <typename Object>
std::vector<AttributeChange> CurrentValues(Rows<Object> rows, unsigned scope,
                                           const Object& object) {
  std::vector<AttributeChange> changes;
  for (const auto& row : rows) {
    if (!objects::HoldsValue(row)) continue;
    objects::AttributeValue v = objects::ValueOf(row, object);
    AttributeChange c{row.keyword.selector, v.is_string, v.number,
                      v.is_string ? TrimTrailingBlanks(v.text) : ""};
    if (Check(rows, scope, c) == 0) changes.push_back(std::move(c));
  }
  return changes;
}

}  // namespace

DefinitionResult DefineQueue(QueueManager& qm, const std::string& name, MQLONG type,
                             const std::vector<AttributeChange>& changes, bool replace) {
  if (!objects::ValidObjectName(name)) return {MQRCCF_OBJECT_NAME_ERROR, MQCA_Q_NAME};
  if (objects::QueueClassBit(type) == 0) return {MQRCCF_Q_TYPE_ERROR, MQIA_Q_TYPE};
  if (Queue* existing = qm.FindQueue(name)) {
    if (existing->type != type) return {MQRCCF_OBJECT_WRONG_TYPE, MQCA_Q_NAME};
    if (!replace) return {MQRCCF_OBJECT_ALREADY_EXISTS, MQCA_Q_NAME};
    return AlterQueue(qm, name, type, changes);
  }
  DefinitionResult checked = CheckQueueChanges(qm, type, changes);
  if (checked.reason) return checked;
  if (type == MQQT_ALIAS && !Gives(changes, MQCA_BASE_Q_NAME)) {
    return {MQRCCF_PARM_MISSING, MQCA_BASE_Q_NAME};
  }
  ApplyQueueChanges(qm, *qm.AddQueue(name, type), changes);
  return {};
}

DefinitionResult AlterQueue(QueueManager& qm, const std::string& name, MQLONG type,
                            const std::vector<AttributeChange>& changes) {
  Queue* q = qm.FindQueue(name);
  if (!q) return {MQRC_UNKNOWN_OBJECT_NAME, MQCA_Q_NAME};
  if (type != 0 && type != q->type) return {MQRCCF_Q_WRONG_TYPE, MQIA_Q_TYPE};
  DefinitionResult checked = CheckQueueChanges(qm, q->type, changes);
  if (checked.reason) return checked;
  ApplyQueueChanges(qm, *q, changes);
  return {};
}

DefinitionResult DefineProcess(QueueManager& qm, const std::string& name,
                               const std::vector<AttributeChange>& changes, bool replace) {
  if (!objects::ValidObjectName(name) || name.size() > MQ_PROCESS_NAME_LENGTH) {
    return {MQRCCF_OBJECT_NAME_ERROR, MQCA_PROCESS_NAME};
  }
  if (qm.FindProcess(name)) {
    if (!replace) return {MQRCCF_OBJECT_ALREADY_EXISTS, MQCA_PROCESS_NAME};
    return AlterProcess(qm, name, changes);
  }
  DefinitionResult checked =
      CheckAll(ProcessRows(), objects::ScopeOf(objects::kProcessBit, qm.platform), changes);
  if (checked.reason) return checked;
  ApplyChanges(ProcessRows(), *qm.AddProcess(name), changes);
  return {};
}

DefinitionResult AlterProcess(QueueManager& qm, const std::string& name,
                              const std::vector<AttributeChange>& changes) {
  Process* p = qm.FindProcess(name);
  if (!p) return {MQRC_UNKNOWN_OBJECT_NAME, MQCA_PROCESS_NAME};
  DefinitionResult checked =
      CheckAll(ProcessRows(), objects::ScopeOf(objects::kProcessBit, qm.platform), changes);
  if (checked.reason) return checked;
  ApplyChanges(ProcessRows(), *p, changes);
  return {};
}

DefinitionResult AlterQueueManager(QueueManager& qm, const std::vector<AttributeChange>& changes) {
  DefinitionResult checked =
      CheckAll(QueueManagerRows(), objects::ScopeOf(objects::kQMgrBit, qm.platform), changes);
  if (checked.reason) return checked;
  if (qm.platform == MQPL_ZOS && Gives(changes, MQIA_MAX_MSG_LENGTH)) {
    return {MQRCCF_CFIN_PARM_ID_ERROR, MQIA_MAX_MSG_LENGTH};
  }
  ApplyChanges(QueueManagerRows(), qm, changes);
  return {};
}

std::vector<AttributeChange> SettableAttributes(const QueueManager& qm, const Queue& q) {
  return CurrentValues(QueueRows(), QueueScope(qm, q.type), q);
}

std::vector<AttributeChange> SettableAttributes(const QueueManager& qm, const Process& p) {
  return CurrentValues(ProcessRows(), objects::ScopeOf(objects::kProcessBit, qm.platform), p);
}

MQLONG ClearLocalQueue(QueueManager& qm, const std::string& name) {
  Queue* q = qm.FindQueue(name);
  if (!q) return MQRC_UNKNOWN_OBJECT_NAME;
  if (q->type != MQQT_LOCAL) return MQRCCF_Q_WRONG_TYPE;
  if (q->open_input || q->open_output) return MQRCCF_OBJECT_OPEN;
  q->messages.clear();
  return 0;
}

}  // namespace mqemu
