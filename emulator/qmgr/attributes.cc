// Attribute values by selector, for MQINQ and the command server.
#include "qmgr/attributes.h"

#include <algorithm>

#include "qmgr/queue_manager.h"

namespace mqemu {
namespace {

std::string Padded(const std::string& text, size_t length) {
  std::string s = text.substr(0, length);
  s.resize(length, ' ');
  return s;
}

AttributeValue Number(MQLONG v) {
  return AttributeValue{false, v, {}};
}
AttributeValue Text(MQLONG selector, const std::string& v) {
  return AttributeValue{true, 0, Padded(v, CharAttributeLength(selector))};
}

// The creation date and time that every object has.
bool Creation(const std::string& date, const std::string& time, MQLONG selector,
              AttributeValue* out) {
  if (selector != MQCA_CREATION_DATE && selector != MQCA_CREATION_TIME) return false;
  *out = Text(selector, selector == MQCA_CREATION_DATE ? date : time);
  return true;
}

}  // namespace

size_t CharAttributeLength(MQLONG selector) {
  switch (selector) {
    case MQCA_Q_NAME:
    case MQCA_BASE_Q_NAME:
    case MQCA_Q_MGR_NAME:
    case MQCA_COMMAND_INPUT_Q_NAME:
    case MQCA_DEAD_LETTER_Q_NAME:
    case MQCA_Q_MGR_IDENTIFIER:
    case MQCA_INITIATION_Q_NAME:
      return MQ_Q_NAME_LENGTH;
    case MQCA_PROCESS_NAME:
      return MQ_PROCESS_NAME_LENGTH;
    case MQCA_TRIGGER_DATA:
      return MQ_TRIGGER_DATA_LENGTH;
    case MQCA_PROCESS_DESC:
      return MQ_PROCESS_DESC_LENGTH;
    case MQCA_APPL_ID:
      return MQ_PROCESS_APPL_ID_LENGTH;
    case MQCA_ENV_DATA:
      return MQ_PROCESS_ENV_DATA_LENGTH;
    case MQCA_USER_DATA:
      return MQ_PROCESS_USER_DATA_LENGTH;
    case MQCA_Q_DESC:
    case MQCA_Q_MGR_DESC:
      return MQ_Q_DESC_LENGTH;
    case MQCA_CREATION_DATE:
    case MQCA_ALTERATION_DATE:
      return MQ_DATE_LENGTH;
    case MQCA_CREATION_TIME:
    case MQCA_ALTERATION_TIME:
      return MQ_TIME_LENGTH;
    default:
      return 0;
  }
}

const std::vector<MQLONG>& QueueSelectors(MQLONG type) {
  static const std::vector<MQLONG> local = {MQCA_Q_NAME,           MQIA_Q_TYPE,
                                            MQCA_Q_DESC,           MQIA_MAX_MSG_LENGTH,
                                            MQIA_MAX_Q_DEPTH,      MQIA_CURRENT_Q_DEPTH,
                                            MQIA_OPEN_INPUT_COUNT, MQIA_OPEN_OUTPUT_COUNT,
                                            MQIA_INHIBIT_GET,      MQIA_INHIBIT_PUT,
                                            MQIA_DEFINITION_TYPE,  MQIA_DEF_PERSISTENCE,
                                            MQIA_DEF_PRIORITY,     MQIA_DEF_INPUT_OPEN_OPTION,
                                            MQIA_SHAREABILITY,     MQIA_USAGE,
                                            MQIA_TRIGGER_CONTROL,  MQIA_TRIGGER_TYPE,
                                            MQIA_TRIGGER_DEPTH,    MQIA_TRIGGER_MSG_PRIORITY,
                                            MQCA_TRIGGER_DATA,     MQCA_INITIATION_Q_NAME,
                                            MQCA_PROCESS_NAME,     MQCA_CREATION_DATE,
                                            MQCA_CREATION_TIME};
  static const std::vector<MQLONG> model = {MQCA_Q_NAME,
                                            MQIA_Q_TYPE,
                                            MQCA_Q_DESC,
                                            MQIA_MAX_MSG_LENGTH,
                                            MQIA_MAX_Q_DEPTH,
                                            MQIA_INHIBIT_GET,
                                            MQIA_INHIBIT_PUT,
                                            MQIA_DEFINITION_TYPE,
                                            MQIA_DEF_PERSISTENCE,
                                            MQIA_DEF_PRIORITY,
                                            MQIA_DEF_INPUT_OPEN_OPTION,
                                            MQIA_SHAREABILITY,
                                            MQIA_USAGE,
                                            MQIA_TRIGGER_CONTROL,
                                            MQIA_TRIGGER_TYPE,
                                            MQIA_TRIGGER_DEPTH,
                                            MQIA_TRIGGER_MSG_PRIORITY,
                                            MQCA_TRIGGER_DATA,
                                            MQCA_INITIATION_Q_NAME,
                                            MQCA_PROCESS_NAME};
  static const std::vector<MQLONG> alias = {
      MQCA_Q_NAME,        MQIA_Q_TYPE,       MQCA_Q_DESC,          MQCA_BASE_Q_NAME,
      MQIA_INHIBIT_GET,   MQIA_INHIBIT_PUT,  MQIA_DEF_PERSISTENCE, MQIA_DEF_PRIORITY,
      MQCA_CREATION_DATE, MQCA_CREATION_TIME};
  if (type == MQQT_MODEL) return model;
  if (type == MQQT_ALIAS) return alias;
  return local;
}

const std::vector<MQLONG>& QueueManagerSelectors() {
  static const std::vector<MQLONG> all = {
      MQCA_Q_MGR_NAME,           MQCA_Q_MGR_DESC,         MQIA_PLATFORM,
      MQIA_COMMAND_LEVEL,        MQIA_CODED_CHAR_SET_ID,  MQIA_MAX_MSG_LENGTH,
      MQIA_MAX_PRIORITY,         MQIA_MAX_HANDLES,        MQIA_SYNCPOINT,
      MQCA_COMMAND_INPUT_Q_NAME, MQCA_DEAD_LETTER_Q_NAME, MQCA_Q_MGR_IDENTIFIER,
      MQCA_CREATION_DATE,        MQCA_CREATION_TIME};
  return all;
}

bool QueueAttribute(const Queue& q, MQLONG selector, AttributeValue* out) {
  const auto& allowed = QueueSelectors(q.type);
  if (std::find(allowed.begin(), allowed.end(), selector) == allowed.end()) return false;
  switch (selector) {
    case MQCA_Q_NAME:
      *out = Text(selector, q.name);
      break;
    case MQIA_Q_TYPE:
      *out = Number(q.type);
      break;
    case MQCA_Q_DESC:
      *out = Text(selector, q.description);
      break;
    case MQCA_BASE_Q_NAME:
      *out = Text(selector, q.base_queue);
      break;
    case MQIA_MAX_MSG_LENGTH:
      *out = Number(q.max_msg_length);
      break;
    case MQIA_MAX_Q_DEPTH:
      *out = Number(q.max_depth);
      break;
    case MQIA_CURRENT_Q_DEPTH:
      *out = Number(static_cast<MQLONG>(q.messages.size()));
      break;
    case MQIA_OPEN_INPUT_COUNT:
      *out = Number(q.open_input);
      break;
    case MQIA_OPEN_OUTPUT_COUNT:
      *out = Number(q.open_output);
      break;
    case MQIA_INHIBIT_GET:
      *out = Number(q.inhibit_get);
      break;
    case MQIA_INHIBIT_PUT:
      *out = Number(q.inhibit_put);
      break;
    case MQIA_DEFINITION_TYPE:
      *out = Number(q.definition_type);
      break;
    case MQIA_DEF_PERSISTENCE:
      *out = Number(q.default_persistence);
      break;
    case MQIA_DEF_PRIORITY:
      *out = Number(q.default_priority);
      break;
    case MQIA_DEF_INPUT_OPEN_OPTION:
      *out = Number(q.default_input_open);
      break;
    case MQIA_SHAREABILITY:
      *out = Number(q.shareability);
      break;
    case MQIA_USAGE:
      *out = Number(MQUS_NORMAL);
      break;
    case MQIA_TRIGGER_CONTROL:
      *out = Number(q.trigger_control);
      break;
    case MQIA_TRIGGER_TYPE:
      *out = Number(q.trigger_type);
      break;
    case MQIA_TRIGGER_DEPTH:
      *out = Number(q.trigger_depth);
      break;
    case MQIA_TRIGGER_MSG_PRIORITY:
      *out = Number(q.trigger_msg_priority);
      break;
    case MQCA_TRIGGER_DATA:
      *out = Text(selector, q.trigger_data);
      break;
    case MQCA_INITIATION_Q_NAME:
      *out = Text(selector, q.initiation_queue);
      break;
    case MQCA_PROCESS_NAME:
      *out = Text(selector, q.process_name);
      break;
    default:
      return Creation(q.creation_date, q.creation_time, selector, out);
  }
  return true;
}

const std::vector<MQLONG>& ProcessSelectors() {
  static const std::vector<MQLONG> all = {MQCA_PROCESS_NAME,  MQCA_PROCESS_DESC, MQIA_APPL_TYPE,
                                          MQCA_APPL_ID,       MQCA_ENV_DATA,     MQCA_USER_DATA,
                                          MQCA_CREATION_DATE, MQCA_CREATION_TIME};
  return all;
}

bool ProcessAttribute(const Process& p, MQLONG selector, AttributeValue* out) {
  switch (selector) {
    case MQCA_PROCESS_NAME:
      *out = Text(selector, p.name);
      break;
    case MQCA_PROCESS_DESC:
      *out = Text(selector, p.description);
      break;
    case MQIA_APPL_TYPE:
      *out = Number(p.appl_type);
      break;
    case MQCA_APPL_ID:
      *out = Text(selector, p.appl_id);
      break;
    case MQCA_ENV_DATA:
      *out = Text(selector, p.env_data);
      break;
    case MQCA_USER_DATA:
      *out = Text(selector, p.user_data);
      break;
    default:
      return Creation(p.creation_date, p.creation_time, selector, out);
  }
  return true;
}

bool QueueManagerAttribute(const QueueManager& qm, MQLONG selector, AttributeValue* out) {
  switch (selector) {
    case MQCA_Q_MGR_NAME:
      *out = Text(selector, qm.name);
      break;
    case MQCA_Q_MGR_DESC:
      *out = Text(selector, qm.description);
      break;
    case MQIA_PLATFORM:
      *out = Number(qm.platform);
      break;
    case MQIA_COMMAND_LEVEL:
      *out = Number(qm.command_level);
      break;
    case MQIA_CODED_CHAR_SET_ID:
      *out = Number(qm.ccsid);
      break;
    case MQIA_MAX_MSG_LENGTH:
      *out = Number(qm.max_msg_length);
      break;
    case MQIA_MAX_PRIORITY:
      *out = Number(9);
      break;
    case MQIA_MAX_HANDLES:
      *out = Number(256);
      break;
    case MQIA_SYNCPOINT:
      *out = Number(MQSP_AVAILABLE);
      break;
    case MQCA_COMMAND_INPUT_Q_NAME:
      *out = Text(selector, qm.command_queue);
      break;
    case MQCA_DEAD_LETTER_Q_NAME:
      *out = Text(selector, "SYSTEM.DEAD.LETTER.QUEUE");
      break;
    case MQCA_Q_MGR_IDENTIFIER:
      *out = Text(selector, qm.name + "_" + qm.creation_date + "_" + qm.creation_time);
      break;
    default:
      return Creation(qm.creation_date, qm.creation_time, selector, out);
  }
  return true;
}

}  // namespace mqemu
