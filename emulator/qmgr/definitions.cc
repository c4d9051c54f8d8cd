// Validation and application of queue and process attribute changes.
#include "qmgr/definitions.h"

#include <algorithm>

#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"
#include "qmgr/attributes.h"

namespace mqemu {

namespace {

bool ValidName(const std::string& name) {
  if (name.empty() || name.size() > MQ_Q_NAME_LENGTH) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '/' || c == '%';
  });
}

// 0 when the change's selector is one of `allowed` and may be set, and its
// structure type fits; else the reason.
MQLONG CheckSelector(const std::vector<MQLONG>& allowed, const AttributeChange& c) {
  bool settable = c.selector != MQCA_Q_NAME && c.selector != MQIA_Q_TYPE &&
                  c.selector != MQIA_CURRENT_Q_DEPTH && c.selector != MQIA_OPEN_INPUT_COUNT &&
                  c.selector != MQIA_OPEN_OUTPUT_COUNT && c.selector != MQCA_CREATION_DATE &&
                  c.selector != MQCA_CREATION_TIME && c.selector != MQIA_USAGE &&
                  std::find(allowed.begin(), allowed.end(), c.selector) != allowed.end();
  bool type_fits = c.is_string == (c.selector >= MQCA_FIRST && c.selector <= MQCA_LAST);
  if (!settable || !type_fits) {
    return c.is_string ? MQRCCF_CFST_PARM_ID_ERROR : MQRCCF_CFIN_PARM_ID_ERROR;
  }
  if (c.is_string && c.text.size() > CharAttributeLength(c.selector)) {
    return MQRCCF_CFST_STRING_LENGTH_ERR;
  }
  return 0;
}

// Checks one change against the queue type; 0 or the reason.
MQLONG Check(MQLONG type, const AttributeChange& c) {
  if (MQLONG reason = CheckSelector(QueueSelectors(type), c)) return reason;
  MQLONG v = c.number;
  switch (c.selector) {
    case MQCA_BASE_Q_NAME:
      return ValidName(c.text) ? 0 : MQRCCF_OBJECT_NAME_ERROR;
    case MQCA_INITIATION_Q_NAME:
    case MQCA_PROCESS_NAME:
      return c.text.empty() || ValidName(c.text) ? 0 : MQRCCF_OBJECT_NAME_ERROR;
    case MQIA_TRIGGER_CONTROL:
      return v == MQTC_OFF || v == MQTC_ON ? 0 : MQRCCF_PARM_VALUE_ERROR;
    case MQIA_TRIGGER_TYPE:
      return v >= MQTT_NONE && v <= MQTT_DEPTH ? 0 : MQRCCF_PARM_VALUE_ERROR;
    case MQIA_TRIGGER_DEPTH:
      return v >= 1 && v <= 999999999 ? 0 : MQRCCF_PARM_VALUE_ERROR;
    case MQIA_MAX_MSG_LENGTH:
      return v >= 0 && v <= kMaxMessageLength ? 0 : MQRCCF_MAX_MSG_LENGTH_ERROR;
    case MQIA_MAX_Q_DEPTH:
      return v >= 0 && v <= 999999999 ? 0 : MQRCCF_PARM_VALUE_ERROR;
    case MQIA_INHIBIT_GET:
    case MQIA_INHIBIT_PUT:
      return v == 0 || v == 1 ? 0 : MQRCCF_PARM_VALUE_ERROR;
    case MQIA_DEFINITION_TYPE:
      return v == MQQDT_PERMANENT_DYNAMIC || v == MQQDT_TEMPORARY_DYNAMIC ? 0
                                                                          : MQRCCF_PARM_VALUE_ERROR;
    case MQIA_DEF_PERSISTENCE:
      return v == MQPER_PERSISTENT || v == MQPER_NOT_PERSISTENT ? 0 : MQRCCF_PARM_VALUE_ERROR;
    case MQIA_DEF_PRIORITY:
    case MQIA_TRIGGER_MSG_PRIORITY:
      return v >= 0 && v <= 9 ? 0 : MQRCCF_PARM_VALUE_ERROR;
    case MQIA_DEF_INPUT_OPEN_OPTION:
      return v == MQOO_INPUT_SHARED || v == MQOO_INPUT_EXCLUSIVE ? 0 : MQRCCF_PARM_VALUE_ERROR;
    case MQIA_SHAREABILITY:
      return v == MQQA_SHAREABLE || v == MQQA_NOT_SHAREABLE ? 0 : MQRCCF_PARM_VALUE_ERROR;
    default:
      return 0;
  }
}

void Apply(QueueManager& qm, Queue& q, const AttributeChange& c) {
  switch (c.selector) {
    case MQCA_Q_DESC:
      q.description = TrimTrailingBlanks(c.text);
      break;
    case MQCA_BASE_Q_NAME:
      q.base_queue = c.text;
      break;
    case MQIA_MAX_MSG_LENGTH:
      q.max_msg_length = c.number;
      break;
    case MQIA_MAX_Q_DEPTH:
      q.max_depth = c.number;
      break;
    case MQIA_INHIBIT_GET:
      qm.SetInhibitGet(q, c.number);
      break;
    case MQIA_INHIBIT_PUT:
      q.inhibit_put = c.number;
      break;
    case MQIA_DEFINITION_TYPE:
      q.definition_type = c.number;
      break;
    case MQIA_DEF_PERSISTENCE:
      q.default_persistence = c.number;
      break;
    case MQIA_DEF_PRIORITY:
      q.default_priority = c.number;
      break;
    case MQIA_DEF_INPUT_OPEN_OPTION:
      q.default_input_open = c.number;
      break;
    case MQIA_SHAREABILITY:
      q.shareability = c.number;
      break;
    case MQIA_TRIGGER_CONTROL:
      q.trigger_control = c.number;
      break;
    case MQIA_TRIGGER_TYPE:
      q.trigger_type = c.number;
      break;
    case MQIA_TRIGGER_DEPTH:
      q.trigger_depth = c.number;
      break;
    case MQIA_TRIGGER_MSG_PRIORITY:
      q.trigger_msg_priority = c.number;
      break;
    case MQCA_TRIGGER_DATA:
      q.trigger_data = TrimTrailingBlanks(c.text);
      break;
    case MQCA_INITIATION_Q_NAME:
      q.initiation_queue = c.text;
      break;
    case MQCA_PROCESS_NAME:
      q.process_name = c.text;
      break;
    default:
      break;
  }
}

MQLONG CheckProcess(const AttributeChange& c) {
  if (c.selector == MQCA_PROCESS_NAME) return MQRCCF_CFST_PARM_ID_ERROR;  // the name itself
  if (MQLONG reason = CheckSelector(ProcessSelectors(), c)) return reason;
  if (c.selector == MQIA_APPL_TYPE && c.number < 0) return MQRCCF_PARM_VALUE_ERROR;
  return 0;
}

void ApplyProcess(Process& p, const AttributeChange& c) {
  switch (c.selector) {
    case MQCA_PROCESS_DESC:
      p.description = TrimTrailingBlanks(c.text);
      break;
    case MQIA_APPL_TYPE:
      p.appl_type = c.number;
      break;
    case MQCA_APPL_ID:
      p.appl_id = TrimTrailingBlanks(c.text);
      break;
    case MQCA_ENV_DATA:
      p.env_data = TrimTrailingBlanks(c.text);
      break;
    case MQCA_USER_DATA:
      p.user_data = TrimTrailingBlanks(c.text);
      break;
    default:
      break;
  }
}

DefinitionResult CheckProcessChanges(const std::vector<AttributeChange>& changes) {
  for (const AttributeChange& c : changes) {
    if (MQLONG reason = CheckProcess(c)) return {reason, c.selector};
  }
  return {};
}

DefinitionResult CheckAll(MQLONG type, const std::vector<AttributeChange>& changes) {
  for (const AttributeChange& c : changes) {
    if (MQLONG reason = Check(type, c)) return {reason, c.selector};
  }
  return {};
}

}  // namespace

DefinitionResult DefineQueue(QueueManager& qm, const std::string& name, MQLONG type,
                             const std::vector<AttributeChange>& changes, bool replace) {
  if (!ValidName(name)) return {MQRCCF_OBJECT_NAME_ERROR, MQCA_Q_NAME};
  if (type != MQQT_LOCAL && type != MQQT_MODEL && type != MQQT_ALIAS) {
    return {MQRCCF_Q_TYPE_ERROR, MQIA_Q_TYPE};
  }
  if (Queue* existing = qm.FindQueue(name)) {
    if (existing->type != type) return {MQRCCF_OBJECT_WRONG_TYPE, MQCA_Q_NAME};
    if (!replace) return {MQRCCF_OBJECT_ALREADY_EXISTS, MQCA_Q_NAME};
    return AlterQueue(qm, name, type, changes);
  }
  DefinitionResult checked = CheckAll(type, changes);
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
  DefinitionResult checked = CheckAll(q->type, changes);
  if (checked.reason) return checked;
  for (const AttributeChange& c : changes) Apply(qm, *q, c);
  return {};
}

}  // namespace mqemu

namespace mqemu {

DefinitionResult DefineProcess(QueueManager& qm, const std::string& name,
                               const std::vector<AttributeChange>& changes, bool replace) {
  if (!ValidName(name) || name.size() > MQ_PROCESS_NAME_LENGTH) {
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
