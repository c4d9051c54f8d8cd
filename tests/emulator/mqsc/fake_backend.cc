#include "fake_backend.h"

#include "pcf/pcf_format.h"

namespace mqemu::mqsc {
namespace {

Attribute Number(MQLONG selector, MQLONG value) {
  return {selector, false, value, {}};
}
Attribute Text(MQLONG selector, std::string value, size_t length) {
  value.resize(length, ' ');  // blank padded, as a queue manager hands strings back
  return {selector, true, 0, value};
}

bool Matches(const std::string& name, const std::string& generic) {
  if (!generic.empty() && generic.back() == '*') {
    return name.compare(0, generic.size() - 1, generic, 0, generic.size() - 1) == 0;
  }
  return name == generic;
}

std::map<MQLONG, Attribute> Defaults(MQLONG type) {
  std::map<MQLONG, Attribute> v;
  auto put = [&v](Attribute a) { v[a.selector] = a; };
  put(Text(MQCA_Q_DESC, "", MQ_Q_DESC_LENGTH));
  put(Number(MQIA_INHIBIT_GET, MQQA_GET_ALLOWED));
  put(Number(MQIA_INHIBIT_PUT, MQQA_PUT_ALLOWED));
  put(Number(MQIA_DEF_PRIORITY, 0));
  put(Number(MQIA_DEF_PERSISTENCE, MQPER_NOT_PERSISTENT));
  put(Text(MQCA_CREATION_DATE, "2026-12-08", MQ_DATE_LENGTH));
  put(Text(MQCA_CREATION_TIME, "02.00.00", MQ_TIME_LENGTH));
  if (type == MQQT_ALIAS) {
    put(Text(MQCA_BASE_Q_NAME, "", MQ_Q_NAME_LENGTH));
    return v;
  }
  put(Number(MQIA_MAX_MSG_LENGTH, 4194304));
  put(Number(MQIA_MAX_Q_DEPTH, 5000));
  put(Number(MQIA_DEFINITION_TYPE,
             type == MQQT_MODEL ? MQQDT_TEMPORARY_DYNAMIC : MQQDT_PREDEFINED));
  put(Number(MQIA_DEF_INPUT_OPEN_OPTION, MQOO_INPUT_SHARED));
  put(Number(MQIA_SHAREABILITY, MQQA_SHAREABLE));
  put(Number(MQIA_USAGE, MQUS_NORMAL));
  put(Number(MQIA_TRIGGER_CONTROL, MQTC_OFF));
  put(Number(MQIA_TRIGGER_TYPE, MQTT_FIRST));
  put(Number(MQIA_TRIGGER_DEPTH, 1));
  put(Number(MQIA_TRIGGER_MSG_PRIORITY, 0));
  put(Text(MQCA_TRIGGER_DATA, "", MQ_TRIGGER_DATA_LENGTH));
  put(Text(MQCA_INITIATION_Q_NAME, "", MQ_Q_NAME_LENGTH));
  put(Text(MQCA_PROCESS_NAME, "", MQ_PROCESS_NAME_LENGTH));
  return v;
}

void Apply(std::map<MQLONG, Attribute>* values, const std::vector<Attribute>& changes) {
  for (const Attribute& c : changes) (*values)[c.selector] = c;
}

std::vector<Attribute> Select(const std::map<MQLONG, Attribute>& values,
                              const std::vector<MQLONG>& selectors) {
  std::vector<Attribute> out;
  for (MQLONG s : selectors) {
    auto it = values.find(s);
    if (it != values.end()) out.push_back(it->second);
  }
  return out;
}

}  // namespace

FakeBackend::FakeBackend() {
  for (Attribute a :
       {Text(MQCA_Q_MGR_NAME, "QM1", MQ_Q_MGR_NAME_LENGTH),
        Text(MQCA_Q_MGR_DESC, "Test queue manager", MQ_Q_MGR_DESC_LENGTH),
        Number(MQIA_PLATFORM, MQPL_UNIX), Number(MQIA_COMMAND_LEVEL, 940),
        Number(MQIA_CODED_CHAR_SET_ID, 819), Number(MQIA_SYNCPOINT, MQSP_AVAILABLE),
        Text(MQCA_COMMAND_INPUT_Q_NAME, "SYSTEM.ADMIN.COMMAND.QUEUE", MQ_Q_NAME_LENGTH)}) {
    qmgr[a.selector] = a;
  }
}

MQLONG FakeBackend::DefineQueue(const std::string& name, MQLONG type, const std::string& like,
                                const std::vector<Attribute>& changes, bool replace) {
  last_changes = changes;
  auto it = queues.find(name);
  if (it != queues.end()) {
    if (it->second.type != type) return MQRCCF_OBJECT_WRONG_TYPE;
    if (!replace) return MQRCCF_OBJECT_ALREADY_EXISTS;
    Apply(&it->second.values, changes);
    return MQRC_NONE;
  }
  Queue q;
  q.type = type;
  q.values = Defaults(type);
  if (!like.empty()) {
    auto model = queues.find(like);
    if (model == queues.end() || model->second.type != type) return MQRC_UNKNOWN_OBJECT_NAME;
    q.values = model->second.values;
  }
  Apply(&q.values, changes);
  queues[name] = q;
  return MQRC_NONE;
}

MQLONG FakeBackend::AlterQueue(const std::string& name, MQLONG type,
                               const std::vector<Attribute>& changes) {
  last_changes = changes;
  auto it = queues.find(name);
  if (it == queues.end()) return MQRC_UNKNOWN_OBJECT_NAME;
  if (it->second.type != type) return MQRCCF_OBJECT_WRONG_TYPE;
  Apply(&it->second.values, changes);
  return MQRC_NONE;
}

MQLONG FakeBackend::DeleteQueue(const std::string& name, MQLONG type, bool purge) {
  auto it = queues.find(name);
  if (it == queues.end()) return MQRC_UNKNOWN_OBJECT_NAME;
  if (it->second.type != type) return MQRCCF_OBJECT_WRONG_TYPE;
  if (it->second.open) return MQRC_OBJECT_IN_USE;
  if (it->second.depth > 0 && !purge) return MQRC_Q_NOT_EMPTY;
  queues.erase(it);
  return MQRC_NONE;
}

MQLONG FakeBackend::ClearQueue(const std::string& name) {
  auto it = queues.find(name);
  if (it == queues.end()) return MQRC_UNKNOWN_OBJECT_NAME;
  if (it->second.type != MQQT_LOCAL) return MQRCCF_OBJECT_WRONG_TYPE;
  if (it->second.open) return MQRC_OBJECT_IN_USE;
  it->second.depth = 0;
  return MQRC_NONE;
}

MQLONG FakeBackend::ListQueues(const std::string& generic, MQLONG type,
                               const std::vector<MQLONG>& selectors,
                               std::vector<QueueObject>* out) {
  for (const auto& [name, q] : queues) {
    if (!Matches(name, generic) || (type != MQQT_ALL && type != q.type)) continue;
    QueueObject o{name, q.type, Select(q.values, selectors)};
    for (MQLONG s : selectors) {
      if (s == MQIA_CURRENT_Q_DEPTH && q.type == MQQT_LOCAL) {
        o.attributes.push_back(Number(s, q.depth));
      }
    }
    out->push_back(std::move(o));
  }
  return MQRC_NONE;
}

MQLONG FakeBackend::QueueManagerAttributes(const std::vector<MQLONG>& selectors,
                                           std::vector<Attribute>* out) {
  *out = Select(qmgr, selectors);
  return MQRC_NONE;
}

MQLONG FakeBackend::AlterQueueManager(const std::vector<Attribute>& changes) {
  last_changes = changes;
  Apply(&qmgr, changes);
  return MQRC_NONE;
}

MQLONG FakeBackend::DefineProcess(const std::string& name, const std::string& like,
                                  const std::vector<Attribute>& changes, bool replace) {
  last_changes = changes;
  auto it = processes.find(name);
  if (it != processes.end() && !replace) return MQRCCF_OBJECT_ALREADY_EXISTS;
  Process p;
  p.values[MQIA_APPL_TYPE] = Number(MQIA_APPL_TYPE, MQAT_UNIX);
  p.values[MQCA_APPL_ID] = Text(MQCA_APPL_ID, "", MQ_PROCESS_APPL_ID_LENGTH);
  if (it != processes.end()) p = it->second;
  if (!like.empty()) {
    auto model = processes.find(like);
    if (model == processes.end()) return MQRC_UNKNOWN_OBJECT_NAME;
    p = model->second;
  }
  Apply(&p.values, changes);
  processes[name] = p;
  return MQRC_NONE;
}

MQLONG FakeBackend::AlterProcess(const std::string& name, const std::vector<Attribute>& changes) {
  last_changes = changes;
  auto it = processes.find(name);
  if (it == processes.end()) return MQRC_UNKNOWN_OBJECT_NAME;
  Apply(&it->second.values, changes);
  return MQRC_NONE;
}

MQLONG FakeBackend::DeleteProcess(const std::string& name) {
  return processes.erase(name) > 0 ? MQRC_NONE : MQRC_UNKNOWN_OBJECT_NAME;
}

MQLONG FakeBackend::ListProcesses(const std::string& generic, const std::vector<MQLONG>& selectors,
                                  std::vector<ProcessObject>* out) {
  for (const auto& [name, p] : processes) {
    if (Matches(name, generic)) out->push_back({name, Select(p.values, selectors)});
  }
  return MQRC_NONE;
}

}  // namespace mqemu::mqsc
