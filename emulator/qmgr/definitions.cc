// Definitions and changes of queues and processes, checked and stored by the
// attribute tables.
#include "qmgr/definitions.h"

#include <algorithm>

#include "objects/attribute_tables.h"
#include "objects/queue_setting.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"
#include "qmgr/attributes.h"

namespace mqemu {

namespace {

using objects::FindRow;
using objects::ProcessRows;
using objects::QueueRows;

// Checks one change of a queue of `type`; 0 or the reason.
MQLONG Check(MQLONG type, const AttributeChange& c) {
  return objects::CheckChange(QueueRows(), objects::QueueClassBit(type), c.selector, c.is_string,
                              c.number, c.text);
}

void Apply(QueueManager& qm, Queue& q, const AttributeChange& c) {
  objects::SetQueueAttribute(qm, q, *FindRow(QueueRows(), c.selector), c.number, c.text);
}

MQLONG CheckProcess(const AttributeChange& c) {
  return objects::CheckChange(ProcessRows(), objects::kProcessBit, c.selector, c.is_string,
                              c.number, c.text);
}

void ApplyProcess(Process& p, const AttributeChange& c) {
  objects::Store(*FindRow(ProcessRows(), c.selector), p, c.number, c.text);
}

DefinitionResult CheckProcessChanges(const std::vector<AttributeChange>& changes) {
  for (const AttributeChange& c : changes) {
    if (MQLONG reason = CheckProcess(c)) return {reason, c.selector};
  }
  return {};
}

// Checks every change of a queue of `type`. A queue's maximum message
// length may not exceed the queue manager's (z/OS has no such limit: its
// queue manager's is the largest).
DefinitionResult CheckAll(const QueueManager& qm, MQLONG type,
                          const std::vector<AttributeChange>& changes) {
  for (const AttributeChange& c : changes) {
    if (MQLONG reason = Check(type, c)) return {reason, c.selector};
    if (c.selector == MQIA_MAX_MSG_LENGTH && c.number > qm.max_msg_length) {
      return {MQRCCF_MAX_MSG_LENGTH_ERROR, c.selector};
    }
  }
  return {};
}

}  // namespace

DefinitionResult DefineQueue(QueueManager& qm, const std::string& name, MQLONG type,
                             const std::vector<AttributeChange>& changes, bool replace) {
  if (!objects::ValidObjectName(name)) return {MQRCCF_OBJECT_NAME_ERROR, MQCA_Q_NAME};
  if (type != MQQT_LOCAL && type != MQQT_MODEL && type != MQQT_ALIAS) {
    return {MQRCCF_Q_TYPE_ERROR, MQIA_Q_TYPE};
  }
  if (Queue* existing = qm.FindQueue(name)) {
    if (existing->type != type) return {MQRCCF_OBJECT_WRONG_TYPE, MQCA_Q_NAME};
    if (!replace) return {MQRCCF_OBJECT_ALREADY_EXISTS, MQCA_Q_NAME};
    return AlterQueue(qm, name, type, changes);
  }
  DefinitionResult checked = CheckAll(qm, type, changes);
  if (checked.reason) return checked;
  if (type == MQQT_ALIAS &&
      std::none_of(changes.begin(), changes.end(),
                   [](const AttributeChange& c) { return c.selector == MQCA_BASE_Q_NAME; })) {
    return {MQRCCF_PARM_MISSING, MQCA_BASE_Q_NAME};
  }
  Queue* q = qm.AddQueue(name, type);
  for (const AttributeChange& c : changes) Apply(qm, *q, c);
  return {};
}

DefinitionResult AlterQueue(QueueManager& qm, const std::string& name, MQLONG type,
                            const std::vector<AttributeChange>& changes) {
  Queue* q = qm.FindQueue(name);
  if (!q) return {MQRC_UNKNOWN_OBJECT_NAME, MQCA_Q_NAME};
  if (type != 0 && type != q->type) return {MQRCCF_Q_WRONG_TYPE, MQIA_Q_TYPE};
  DefinitionResult checked = CheckAll(qm, q->type, changes);
  if (checked.reason) return checked;
  for (const AttributeChange& c : changes) Apply(qm, *q, c);
  return {};
}

}  // namespace mqemu

namespace mqemu {

DefinitionResult DefineProcess(QueueManager& qm, const std::string& name,
                               const std::vector<AttributeChange>& changes, bool replace) {
  if (!objects::ValidObjectName(name) || name.size() > MQ_PROCESS_NAME_LENGTH) {
    return {MQRCCF_OBJECT_NAME_ERROR, MQCA_PROCESS_NAME};
  }
  if (qm.FindProcess(name)) {
    if (!replace) return {MQRCCF_OBJECT_ALREADY_EXISTS, MQCA_PROCESS_NAME};
    return AlterProcess(qm, name, changes);
  }
  DefinitionResult checked = CheckProcessChanges(changes);
  if (checked.reason) return checked;
  Process* p = qm.AddProcess(name);
  for (const AttributeChange& c : changes) ApplyProcess(*p, c);
  return {};
}

DefinitionResult AlterProcess(QueueManager& qm, const std::string& name,
                              const std::vector<AttributeChange>& changes) {
  Process* p = qm.FindProcess(name);
  if (!p) return {MQRC_UNKNOWN_OBJECT_NAME, MQCA_PROCESS_NAME};
  DefinitionResult checked = CheckProcessChanges(changes);
  if (checked.reason) return checked;
  for (const AttributeChange& c : changes) ApplyProcess(*p, c);
  return {};
}

DefinitionResult AlterQueueManager(QueueManager& qm, const std::vector<AttributeChange>& changes) {
  for (const AttributeChange& c : changes) {
    MQLONG reason = objects::CheckChange(objects::QueueManagerRows(), objects::kQMgrBit, c.selector,
                                         c.is_string, c.number, c.text);
    if (reason == 0 && c.selector == MQIA_MAX_MSG_LENGTH && qm.platform == MQPL_ZOS) {
      reason = MQRCCF_CFIN_PARM_ID_ERROR;
    }
    if (reason) return {reason, c.selector};
  }
  for (const AttributeChange& c : changes) {
    objects::Store(*FindRow(objects::QueueManagerRows(), c.selector), qm, c.number, c.text);
  }
  return {};
}

namespace {

// The changes that would give an object the values it has, kept where
// `settable` accepts them.
template <typename Object, typename Value, typename Accept>
std::vector<AttributeChange> CurrentValues(const Object& object,
                                           const std::vector<MQLONG>& selectors, Value value,
                                           Accept settable) {
  std::vector<AttributeChange> changes;
  for (MQLONG selector : selectors) {
    AttributeValue v;
    if (!value(object, selector, &v)) continue;
    AttributeChange c{selector, v.is_string, v.number,
                      v.is_string ? TrimTrailingBlanks(v.text) : ""};
    if (settable(c)) changes.push_back(std::move(c));
  }
  return changes;
}

}  // namespace

std::vector<AttributeChange> SettableAttributes(const Queue& q) {
  return CurrentValues(q, QueueSelectors(q.type), QueueAttribute,
                       [&q](const AttributeChange& c) { return Check(q.type, c) == 0; });
}

std::vector<AttributeChange> SettableAttributes(const Process& p) {
  return CurrentValues(p, ProcessSelectors(), ProcessAttribute,
                       [](const AttributeChange& c) { return CheckProcess(c) == 0; });
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
