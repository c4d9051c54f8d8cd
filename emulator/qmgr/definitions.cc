// Definitions and changes of queues, processes, namelists, channels and the queue manager,
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

using objects::ChannelRows;
using objects::FindRow;
using objects::NamelistRows;
using objects::ProcessRows;
using objects::QueueManagerRows;
using objects::QueueRows;
using objects::Rows;

// The reason a change of an object in `scope` is refused, or 0.
template <typename Object>
MQLONG Check(Rows<Object> rows, unsigned scope, const AttributeChange& c) {
  return objects::CheckChange(rows, scope, c.selector, c.is_string, c.number, c.text,
                              c.is_list ? &c.texts : nullptr);
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
    objects::Store(*FindRow(rows, c.selector), object, c.number, c.text, c.texts);
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
    AttributeChange c{row.keyword.selector,
                      v.is_string,
                      v.number,
                      v.is_string ? TrimTrailingBlanks(v.text) : "",
                      v.is_string && v.is_list,
                      {}};
    for (const std::string& t : v.texts) c.texts.push_back(TrimTrailingBlanks(t));
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

namespace {

// How the definitions of one kind of named object other than a queue
// (processes, namelists) reach its table and the queue manager's registry.
template <typename Object>
struct Kind {
  objects::Rows<Object> rows;
  unsigned class_bit;
  MQLONG name_selector;
  Object* (QueueManager::*find)(std::string_view);
  Object* (QueueManager::*add)(const std::string&);
};

const Kind<Process> kProcessKind{ProcessRows(), objects::kProcessBit, MQCA_PROCESS_NAME,
                                 &QueueManager::FindProcess, &QueueManager::AddProcess};
const Kind<Namelist> kNamelistKind{NamelistRows(), objects::kNamelistBit, MQCA_NAMELIST_NAME,
                                   &QueueManager::FindNamelist, &QueueManager::AddNamelist};

template <typename Object>
DefinitionResult Alter(const Kind<Object>& kind, QueueManager& qm, const std::string& name,
                       const std::vector<AttributeChange>& changes) {
  Object* object = (qm.*kind.find)(name);
  if (!object) return {MQRC_UNKNOWN_OBJECT_NAME, kind.name_selector};
  DefinitionResult checked =
      CheckAll(kind.rows, objects::ScopeOf(kind.class_bit, qm.platform), changes);
  if (checked.reason) return checked;
  ApplyChanges(kind.rows, *object, changes);
  return {};
}

template <typename Object>
DefinitionResult Define(const Kind<Object>& kind, QueueManager& qm, const std::string& name,
                        const std::vector<AttributeChange>& changes, bool replace) {
  if (!objects::ValidObjectName(name)) return {MQRCCF_OBJECT_NAME_ERROR, kind.name_selector};
  if ((qm.*kind.find)(name)) {
    if (!replace) return {MQRCCF_OBJECT_ALREADY_EXISTS, kind.name_selector};
    return Alter(kind, qm, name, changes);
  }
  DefinitionResult checked =
      CheckAll(kind.rows, objects::ScopeOf(kind.class_bit, qm.platform), changes);
  if (checked.reason) return checked;
  ApplyChanges(kind.rows, *(qm.*kind.add)(name), changes);
  return {};
}

}  // namespace

DefinitionResult DefineProcess(QueueManager& qm, const std::string& name,
                               const std::vector<AttributeChange>& changes, bool replace) {
  return Define(kProcessKind, qm, name, changes, replace);
}

DefinitionResult AlterProcess(QueueManager& qm, const std::string& name,
                              const std::vector<AttributeChange>& changes) {
  return Alter(kProcessKind, qm, name, changes);
}

DefinitionResult DefineNamelist(QueueManager& qm, const std::string& name,
                                const std::vector<AttributeChange>& changes, bool replace) {
  return Define(kNamelistKind, qm, name, changes, replace);
}

DefinitionResult AlterNamelist(QueueManager& qm, const std::string& name,
                               const std::vector<AttributeChange>& changes) {
  return Alter(kNamelistKind, qm, name, changes);
}

namespace {

unsigned ChannelScope(const QueueManager& qm, MQLONG type) {
  return objects::ScopeOf(objects::ChannelClassBit(type), qm.platform);
}

// Checks every change of a channel of `type`: an attribute of other
// channel types only is refused as IBM MQ refuses it.
DefinitionResult CheckChannelChanges(const QueueManager& qm, MQLONG type,
                                     const std::vector<AttributeChange>& changes) {
  const unsigned any_channel = objects::ScopeOf(objects::kChannelBits, qm.platform);
  for (const AttributeChange& c : changes) {
    MQLONG reason = Check(ChannelRows(), ChannelScope(qm, type), c);
    if (reason == 0) continue;
    if (Check(ChannelRows(), any_channel, c) == 0) reason = MQRCCF_WRONG_CHANNEL_TYPE;
    return {reason, c.selector};
  }
  return {};
}

// The default channel of a type, whose attributes a new channel takes.
std::string_view DefaultChannelName(MQLONG type) {
  switch (type) {
    case MQCHT_SENDER:
      return "SYSTEM.DEF.SENDER";
    case MQCHT_RECEIVER:
      return "SYSTEM.DEF.RECEIVER";
    default:
      return "SYSTEM.DEF.SVRCONN";
  }
}

bool ValidChannelName(const std::string& name) {
  return name.size() <= MQ_CHANNEL_NAME_LENGTH && objects::ValidObjectName(name);
}

}  // namespace

DefinitionResult DefineChannel(QueueManager& qm, const std::string& name, MQLONG type,
                               const std::vector<AttributeChange>& changes, bool replace) {
  if (!ValidChannelName(name)) return {MQRCCF_CHANNEL_NAME_ERROR, MQCACH_CHANNEL_NAME};
  if (objects::ChannelClassBit(type) == 0) {
    return {MQRCCF_CHANNEL_TYPE_ERROR, MQIACH_CHANNEL_TYPE};
  }
  if (ChannelDefinition* existing = qm.FindChannel(name)) {
    if (existing->type != type) return {MQRCCF_CHANNEL_TYPE_ERROR, MQIACH_CHANNEL_TYPE};
    if (!replace) return {MQRCCF_OBJECT_ALREADY_EXISTS, MQCACH_CHANNEL_NAME};
    return AlterChannel(qm, name, type, changes);
  }
  DefinitionResult checked = CheckChannelChanges(qm, type, changes);
  if (checked.reason) return checked;
  std::vector<AttributeChange> all;
  if (const ChannelDefinition* base = qm.FindChannel(DefaultChannelName(type));
      base && base->type == type) {
    all = SettableAttributes(qm, *base);
  }
  all.insert(all.end(), changes.begin(), changes.end());
  ApplyChanges(ChannelRows(), *qm.AddChannel(name, type), all);
  return {};
}

DefinitionResult AlterChannel(QueueManager& qm, const std::string& name, MQLONG type,
                              const std::vector<AttributeChange>& changes) {
  ChannelDefinition* c = qm.FindChannel(name);
  if (!c) return {MQRCCF_CHANNEL_NOT_FOUND, MQCACH_CHANNEL_NAME};
  if (type != c->type) return {MQRCCF_CHANNEL_TYPE_ERROR, MQIACH_CHANNEL_TYPE};
  DefinitionResult checked = CheckChannelChanges(qm, type, changes);
  if (checked.reason) return checked;
  ApplyChanges(ChannelRows(), *c, changes);
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

std::vector<AttributeChange> SettableAttributes(const QueueManager& qm, const Namelist& n) {
  return CurrentValues(NamelistRows(), objects::ScopeOf(objects::kNamelistBit, qm.platform), n);
}

std::vector<AttributeChange> SettableAttributes(const QueueManager& qm,
                                                const ChannelDefinition& c) {
  return CurrentValues(ChannelRows(), ChannelScope(qm, c.type), c);
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
