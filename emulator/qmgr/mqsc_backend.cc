// The MQSC interpreter's backend over the queue manager.
#include "qmgr/mqsc_backend.h"

#include <mutex>

#include "pcf/pcf_format.h"
#include "qmgr/attributes.h"
#include "qmgr/definitions.h"
#include "qmgr/status.h"

namespace mqemu {
namespace {

// The values of `selectors` that `value` knows for the object.
template <typename Object, typename Value>
std::vector<mqsc::Attribute> Values(const Object& object, const std::vector<MQLONG>& selectors,
                                    Value value) {
  std::vector<mqsc::Attribute> out;
  for (MQLONG selector : selectors) {
    AttributeValue v;
    if (!value(object, selector, &v)) continue;
    out.push_back({selector, v.is_string, v.number, v.text, v.is_string && v.is_list, v.texts});
  }
  return out;
}

// `changes` behind the settable attributes of the LIKE object, so that the
// changes win.
std::vector<AttributeChange> Over(std::vector<AttributeChange> base,
                                  const std::vector<AttributeChange>& changes) {
  base.insert(base.end(), changes.begin(), changes.end());
  return base;
}

// How a definition LIKE another object finds it: the reason when there is
// none, and for objects with a type (queues, channels) the member that holds
// it, which must be the new object's type, and the reason when it is not.
template <typename Object>
struct LikeRule {
  Object* (QueueManager::*find)(std::string_view);
  MQLONG not_found = MQRC_UNKNOWN_OBJECT_NAME;
  MQLONG Object::*type = nullptr;
  MQLONG wrong_type = MQRCCF_OBJECT_WRONG_TYPE;
};

// Into *out: the changes of a definition of `type` LIKE the object named
// `like` (its settable attributes, the changes over them), or just the
// changes without one.
template <typename Object>
MQLONG LikeChanges(QueueManager& qm, const LikeRule<Object>& rule, const std::string& like,
                   MQLONG type, const std::vector<AttributeChange>& changes,
                   std::vector<AttributeChange>* out) {
  std::vector<AttributeChange> base;
  if (!like.empty()) {
    const Object* model = (qm.*rule.find)(like);
    if (!model) return rule.not_found;
    if (rule.type && model->*rule.type != type) return rule.wrong_type;
    base = SettableAttributes(qm, *model);
  }
  *out = Over(std::move(base), changes);
  return MQRC_NONE;
}

// Each of `objects` whose name matches `generic`, with the values of `selectors`.
template <typename Object, typename Listed>
void ListMatching(const std::map<std::string, std::unique_ptr<Object>>& objects,
                  const std::string& generic, const std::vector<MQLONG>& selectors,
                  bool (*value)(const Object&, MQLONG, AttributeValue*), std::vector<Listed>* out) {
  for (const auto& [name, object] : objects) {
    if (MatchesGeneric(name, generic)) out->push_back({name, Values(*object, selectors, value)});
  }
}

bool AnyQueueType(MQLONG type) {
  return type == 0 || type == MQQT_ALL;
}

}  // namespace

MQLONG QueueManagerMqscBackend::DefineQueue(const std::string& name, MQLONG type,
                                            const std::string& like,
                                            const std::vector<mqsc::Attribute>& changes,
                                            bool replace) {
  std::lock_guard lock(qm_.mu);
  std::vector<AttributeChange> all;
  const LikeRule<Queue> rule{&QueueManager::FindQueue, MQRC_UNKNOWN_OBJECT_NAME, &Queue::type};
  if (MQLONG reason = LikeChanges(qm_, rule, like, type, changes, &all)) return reason;
  return mqemu::DefineQueue(qm_, name, type, all, replace).reason;
}

MQLONG QueueManagerMqscBackend::AlterQueue(const std::string& name, MQLONG type,
                                           const std::vector<mqsc::Attribute>& changes) {
  std::lock_guard lock(qm_.mu);
  return mqemu::AlterQueue(qm_, name, AnyQueueType(type) ? 0 : type, changes).reason;
}

MQLONG QueueManagerMqscBackend::DeleteQueue(const std::string& name, MQLONG type, bool purge) {
  std::lock_guard lock(qm_.mu);
  const Queue* q = qm_.FindQueue(name);
  if (!q) return MQRC_UNKNOWN_OBJECT_NAME;
  if (!AnyQueueType(type) && q->type != type) return MQRCCF_Q_WRONG_TYPE;
  return qm_.DeleteQueue(name, purge).rc;
}

MQLONG QueueManagerMqscBackend::ClearQueue(const std::string& name) {
  std::lock_guard lock(qm_.mu);
  return ClearLocalQueue(qm_, name);
}

MQLONG QueueManagerMqscBackend::ListQueues(const std::string& generic, MQLONG type,
                                           const std::vector<MQLONG>& selectors,
                                           std::vector<mqsc::QueueObject>* out) {
  std::lock_guard lock(qm_.mu);
  for (const auto& [name, q] : qm_.queues) {
    if (!MatchesGeneric(name, generic) || (!AnyQueueType(type) && q->type != type)) continue;
    out->push_back({name, q->type, Values(*q, selectors, QueueAttribute)});
  }
  return MQRC_NONE;
}

MQLONG QueueManagerMqscBackend::QueueManagerAttributes(const std::vector<MQLONG>& selectors,
                                                       std::vector<mqsc::Attribute>* out) {
  std::lock_guard lock(qm_.mu);
  *out = Values(qm_, selectors, QueueManagerAttribute);
  return MQRC_NONE;
}

MQLONG QueueManagerMqscBackend::AlterQueueManager(const std::vector<mqsc::Attribute>& changes) {
  std::lock_guard lock(qm_.mu);
  return mqemu::AlterQueueManager(qm_, changes).reason;
}

MQLONG QueueManagerMqscBackend::DefineProcess(const std::string& name, const std::string& like,
                                              const std::vector<mqsc::Attribute>& changes,
                                              bool replace) {
  std::lock_guard lock(qm_.mu);
  std::vector<AttributeChange> all;
  if (MQLONG reason =
          LikeChanges(qm_, LikeRule<Process>{&QueueManager::FindProcess}, like, 0, changes, &all)) {
    return reason;
  }
  return mqemu::DefineProcess(qm_, name, all, replace).reason;
}

MQLONG QueueManagerMqscBackend::AlterProcess(const std::string& name,
                                             const std::vector<mqsc::Attribute>& changes) {
  std::lock_guard lock(qm_.mu);
  return mqemu::AlterProcess(qm_, name, changes).reason;
}

MQLONG QueueManagerMqscBackend::DeleteProcess(const std::string& name) {
  std::lock_guard lock(qm_.mu);
  return qm_.DeleteProcess(name).rc;
}

MQLONG QueueManagerMqscBackend::ListProcesses(const std::string& generic,
                                              const std::vector<MQLONG>& selectors,
                                              std::vector<mqsc::ProcessObject>* out) {
  std::lock_guard lock(qm_.mu);
  ListMatching(qm_.processes, generic, selectors, ProcessAttribute, out);
  return MQRC_NONE;
}

MQLONG QueueManagerMqscBackend::DefineNamelist(const std::string& name, const std::string& like,
                                               const std::vector<mqsc::Attribute>& changes,
                                               bool replace) {
  std::lock_guard lock(qm_.mu);
  std::vector<AttributeChange> all;
  if (MQLONG reason = LikeChanges(qm_, LikeRule<Namelist>{&QueueManager::FindNamelist}, like, 0,
                                  changes, &all)) {
    return reason;
  }
  return mqemu::DefineNamelist(qm_, name, all, replace).reason;
}

MQLONG QueueManagerMqscBackend::AlterNamelist(const std::string& name,
                                              const std::vector<mqsc::Attribute>& changes) {
  std::lock_guard lock(qm_.mu);
  return mqemu::AlterNamelist(qm_, name, changes).reason;
}

MQLONG QueueManagerMqscBackend::DeleteNamelist(const std::string& name) {
  std::lock_guard lock(qm_.mu);
  return qm_.DeleteNamelist(name).rc;
}

MQLONG QueueManagerMqscBackend::ListNamelists(const std::string& generic,
                                              const std::vector<MQLONG>& selectors,
                                              std::vector<mqsc::NamelistObject>* out) {
  std::lock_guard lock(qm_.mu);
  ListMatching(qm_.namelists, generic, selectors, NamelistAttribute, out);
  return MQRC_NONE;
}

MQLONG QueueManagerMqscBackend::Status(const objects::StatusQuery& query,
                                       std::vector<objects::StatusRecord>* out) {
  return RunStatusCommand(qm_, query, out).reason;
}

MQLONG QueueManagerMqscBackend::DefineChannel(const std::string& name, MQLONG type,
                                              const std::string& like,
                                              const std::vector<mqsc::Attribute>& changes,
                                              bool replace) {
  std::lock_guard lock(qm_.mu);
  std::vector<AttributeChange> all;
  const LikeRule<ChannelDefinition> rule{&QueueManager::FindChannel, MQRCCF_CHANNEL_NOT_FOUND,
                                         &ChannelDefinition::type, MQRCCF_CHANNEL_TYPE_ERROR};
  if (MQLONG reason = LikeChanges(qm_, rule, like, type, changes, &all)) return reason;
  return mqemu::DefineChannel(qm_, name, type, all, replace).reason;
}

MQLONG QueueManagerMqscBackend::AlterChannel(const std::string& name, MQLONG type,
                                             const std::vector<mqsc::Attribute>& changes) {
  std::lock_guard lock(qm_.mu);
  return mqemu::AlterChannel(qm_, name, type, changes).reason;
}

MQLONG QueueManagerMqscBackend::DeleteChannel(const std::string& name) {
  std::lock_guard lock(qm_.mu);
  return qm_.DeleteChannel(name).rc;
}

MQLONG QueueManagerMqscBackend::ListChannels(const std::string& generic, MQLONG type,
                                             const std::vector<MQLONG>& selectors,
                                             std::vector<mqsc::ChannelObject>* out) {
  std::lock_guard lock(qm_.mu);
  for (const auto& [name, c] : qm_.channels) {
    if (!MatchesGeneric(name, generic) || (type != MQCHT_ALL && type != c->type)) continue;
    out->push_back({name, c->type, Values(*c, selectors, ChannelAttribute)});
  }
  return MQRC_NONE;
}

}  // namespace mqemu
