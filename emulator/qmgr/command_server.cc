// The command server thread and its PCF commands.
#include "qmgr/command_server.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <thread>

#include "mqsc/mqsc_interpreter.h"
#include "mqsc/mqsc_output.h"
#include "objects/attribute_tables.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"
#include "pcf/pcf_writer.h"
#include "protocol/endpoint.h"
#include "qmgr/attributes.h"
#include "qmgr/definitions.h"
#include "qmgr/mqsc_backend.h"
#include "qmgr/queue_manager.h"
#include "qmgr/status.h"
#include "qmgr/zos_text.h"

namespace mqemu {

using pcf::ParsePcf;
using pcf::PcfBuilder;
using pcf::PcfMessage;
using pcf::PcfParameter;

namespace {

// The replies to one PCF request, numbered and closed in the reply style of
// the queue manager's platform. Distributed: one MQCFT_RESPONSE per object,
// a failure one reply with its reason. z/OS (extended responses): one
// MQCFT_XR_ITEM per object, a failure an MQCFT_XR_MSG with its reason, and
// the set closed by an MQCFT_XR_SUMMARY; every message of the set carries
// the set's MQBACF_RESPONSE_ID and MQCACF_RESPONSE_Q_MGR_NAME.
class ReplySet {
 public:
  ReplySet(MQLONG command, bool extended) : command_(command), extended_(extended) {
    if (extended_) {
      std::lock_guard lock(Qm().mu);
      Qm().NewId(response_id_);
    }
  }
  // Starts a new reply message for one object; its parameters are added to
  // the builder.
  PcfBuilder& Add(MQLONG cc = MQCC_OK, MQLONG reason = MQRC_NONE) {
    return Start(extended_ ? MQCFT_XR_ITEM : MQCFT_RESPONSE, cc, reason);
  }
  // A set of one failure, replacing anything gathered so far.
  void Fail(MQLONG reason, MQLONG parameter = 0) {
    replies_.clear();
    failure_ = reason;
    PcfBuilder& b = Start(extended_ ? MQCFT_XR_MSG : MQCFT_RESPONSE, MQCC_FAILED, reason);
    if (parameter) b.Integer(MQIACF_PARAMETER_ID, parameter);
  }
  // The reply messages' data, the last one marked MQCFC_LAST.
  std::vector<std::string> Finish() {
    if (extended_) {
      Start(MQCFT_XR_SUMMARY, failure_ ? MQCC_FAILED : MQCC_OK, failure_);
    } else if (replies_.empty()) {
      Add();
    }
    std::vector<std::string> out;
    for (PcfBuilder& b : replies_) out.push_back(b.Finish());
    MQLONG last = MQCFC_LAST;
    std::memcpy(out.back().data() + offsetof(MQCFH, Control), &last, sizeof last);
    return out;
  }

 private:
  PcfBuilder& Start(MQLONG type, MQLONG cc, MQLONG reason) {
    PcfBuilder& b = replies_.emplace_back(type, command_, static_cast<MQLONG>(replies_.size() + 1),
                                          MQCFC_NOT_LAST, cc, reason);
    if (extended_) {
      b.ByteString(MQBACF_RESPONSE_ID,
                   std::string_view(reinterpret_cast<const char*>(response_id_), 24));
      b.String(MQCACF_RESPONSE_Q_MGR_NAME, Qm().name, MQ_Q_MGR_NAME_LENGTH, Qm().ccsid);
    }
    return b;
  }

  MQLONG command_;
  bool extended_;
  MQLONG failure_ = MQRC_NONE;
  MQBYTE response_id_[24] = {};
  std::vector<PcfBuilder> replies_;
};

// The reason for a parameter whose identifier does not fit the structure
// type that carries it.
MQLONG ParameterIdError(MQLONG type) {
  static constexpr std::pair<MQLONG, MQLONG> kReasons[] = {
      {MQCFT_INTEGER, MQRCCF_CFIN_PARM_ID_ERROR},
      {MQCFT_STRING, MQRCCF_CFST_PARM_ID_ERROR},
      {MQCFT_INTEGER_LIST, MQRCCF_CFIL_PARM_ID_ERROR},
      {MQCFT_STRING_LIST, MQRCCF_CFSL_PARM_ID_ERROR},
      {MQCFT_BYTE_STRING, MQRCCF_CFBS_PARM_ID_ERROR},
      {MQCFT_GROUP, MQRCCF_CFGR_PARM_ID_ERROR},
  };
  for (auto [t, reason] : kReasons) {
    if (t == type) return reason;
  }
  return MQRCCF_STRUCTURE_TYPE_ERROR;
}

// The structure type that carries a parameter of a request: the lists of
// attribute selectors and the attributes that are lists are integer lists;
// every other parameter is a single value, a string for a character
// attribute and an integer otherwise.
MQLONG ExpectedType(MQLONG parameter) {
  switch (parameter) {
    case MQIACF_Q_MGR_ATTRS:
    case MQIACF_Q_ATTRS:
    case MQIACF_PROCESS_ATTRS:
    case MQIACF_NAMELIST_ATTRS:
    case MQIACF_CHANNEL_ATTRS:
    case MQIACF_Q_STATUS_ATTRS:
    case MQIACF_Q_MGR_STATUS_ATTRS:
    case MQIACF_CONNECTION_ATTRS:
    case MQIACH_CHANNEL_INSTANCE_ATTRS:
      return MQCFT_INTEGER_LIST;
    case MQCA_NAMES:
      return MQCFT_STRING_LIST;
    default:
      if (objects::IsListAttribute(parameter)) return MQCFT_INTEGER_LIST;
      if (parameter >= MQBA_FIRST && parameter <= MQBA_LAST) return MQCFT_BYTE_STRING;
      return parameter >= MQCA_FIRST && parameter <= MQCA_LAST ? MQCFT_STRING : MQCFT_INTEGER;
  }
}

// Fails the request on the first parameter carried by a structure of
// another type than its identifier wants; a group is never wanted, so the
// parameters of a request that passes are all its own, none a group's.
// Returns whether the request passed.
bool CheckParameterTypes(const PcfMessage& m, ReplySet& replies) {
  for (const PcfParameter& p : m.parameters) {
    if (p.type != ExpectedType(p.parameter)) {
      replies.Fail(ParameterIdError(p.type), p.parameter);
      return false;
    }
  }
  return true;
}

const PcfParameter* Find(const PcfMessage& m, MQLONG parameter) {
  for (const PcfParameter& p : m.parameters) {
    if (p.parameter == parameter) return &p;
  }
  return nullptr;
}

// What an inquiry asks for in its attribute list parameter `list`: the
// selectors, and whether that is everything (no list, or MQIACF_ALL in it).
struct Asked {
  std::span<const MQLONG> selectors;
  bool all = true;
};
Asked AskedFor(const PcfMessage& m, MQLONG list) {
  const PcfParameter* p = Find(m, list);
  if (!p) return {};
  bool all = std::find(p->values.begin(), p->values.end(), MQIACF_ALL) != p->values.end();
  return {p->values, all};
}

// Adds the attributes of an inquiry's reply to b, as Report* hands them.
Report AddTo(PcfBuilder& b) {
  return [&b](MQLONG selector, const AttributeValue& v) {
    if (v.is_string && v.is_list) {
      b.StringList(selector, v.texts, MQ_OBJECT_NAME_LENGTH, Qm().ccsid);
    } else if (v.is_string) {
      b.String(selector, v.text, v.text.size(), Qm().ccsid);
    } else if (v.is_list) {
      b.IntegerList(selector, {v.number});
    } else {
      b.Integer(selector, v.number);
    }
  };
}

void InquireQueueManager(const PcfMessage& m, ReplySet& replies) {
  QueueManager& qm = Qm();
  Asked asked = AskedFor(m, MQIACF_Q_MGR_ATTRS);
  std::lock_guard lock(qm.mu);
  ReportQueueManager(qm, asked.selectors, asked.all, AddTo(replies.Add()));
}

bool TypeSelected(MQLONG wanted, const Queue& q) {
  return wanted == MQQT_ALL || wanted == q.type;
}

void InquireQueue(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCA_Q_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  const PcfParameter* type = Find(m, MQIA_Q_TYPE);
  std::string pattern = TrimTrailingBlanks(name->text);
  Asked asked = AskedFor(m, MQIACF_Q_ATTRS);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  int matched = 0;
  for (auto& [qname, q] : qm.queues) {
    if (!MatchesGeneric(qname, pattern) || !TypeSelected(type ? type->value : MQQT_ALL, *q)) {
      continue;
    }
    ++matched;
    ReportQueue(*q, asked.selectors, asked.all, AddTo(replies.Add()));
  }
  if (matched == 0) replies.Fail(MQRC_UNKNOWN_OBJECT_NAME);
}

void InquireQueueNames(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCA_Q_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  const PcfParameter* type = Find(m, MQIA_Q_TYPE);
  std::string pattern = TrimTrailingBlanks(name->text);
  std::vector<std::string> names;
  std::vector<MQLONG> types;
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  for (auto& [qname, q] : qm.queues) {
    if (MatchesGeneric(qname, pattern) && TypeSelected(type ? type->value : MQQT_ALL, *q)) {
      names.push_back(qname);
      types.push_back(q->type);
    }
  }
  PcfBuilder& b = replies.Add();
  b.StringList(MQCACF_Q_NAMES, names, MQ_Q_NAME_LENGTH, qm.ccsid);
  b.IntegerList(MQIACF_Q_TYPES, types);
}

// The attribute parameters of a Create, Change or Copy request for the
// object named by parameter `name` (copied from the one named by `from`,
// of the type that parameter `type` gives), into *changes. Fails on a
// parameter that is not a single integer or string value (a list of
// selectors) or a list of names.
DefinitionResult Changes(const PcfMessage& m, MQLONG name, std::vector<AttributeChange>* changes,
                         MQLONG from = 0, MQLONG type = MQIA_Q_TYPE) {
  for (const PcfParameter& p : m.parameters) {
    if (p.parameter == name || (from && p.parameter == from) || p.parameter == type ||
        p.parameter == MQIACF_REPLACE || p.parameter == MQIACF_FORCE) {
      continue;
    }
    // An attribute that is an integer list is given one value here.
    bool one_of_list = p.type == MQCFT_INTEGER_LIST && p.values.size() == 1;
    bool names = p.type == MQCFT_STRING_LIST;
    if (p.type != MQCFT_INTEGER && p.type != MQCFT_STRING && !one_of_list && !names) {
      return {p.type == MQCFT_INTEGER_LIST ? MQRCCF_PARM_VALUE_ERROR : ParameterIdError(p.type),
              p.parameter};
    }
    AttributeChange c;
    c.selector = p.parameter;
    c.is_string = p.type == MQCFT_STRING || names;
    c.number = one_of_list ? p.values[0] : p.value;
    c.text = p.type == MQCFT_STRING ? TrimTrailingBlanks(p.text) : std::string();
    c.is_list = names;
    for (const std::string& t : p.texts) c.texts.push_back(TrimTrailingBlanks(t));
    changes->push_back(c);
  }
  return {};
}

void CreateOrChangeQueue(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCA_Q_NAME);
  const PcfParameter* type = Find(m, MQIA_Q_TYPE);
  bool create = m.header.Command == MQCMD_CREATE_Q;
  if (!name || (create && !type)) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  const PcfParameter* replace = Find(m, MQIACF_REPLACE);
  std::vector<AttributeChange> changes;
  DefinitionResult r = Changes(m, MQCA_Q_NAME, &changes);
  if (r.reason) return replies.Fail(r.reason, r.bad_parameter);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  r = create ? DefineQueue(qm, TrimTrailingBlanks(name->text), type->value, changes,
                           replace && replace->value == MQRP_YES)
             : AlterQueue(qm, TrimTrailingBlanks(name->text), type ? type->value : 0, changes);
  if (r.reason) replies.Fail(r.reason, r.reason == MQRC_UNKNOWN_OBJECT_NAME ? 0 : r.bad_parameter);
}

void DeleteQueue(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCA_Q_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  const PcfParameter* purge = Find(m, MQIACF_PURGE);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  Status st = qm.DeleteQueue(TrimTrailingBlanks(name->text), purge && purge->value == MQPO_YES);
  if (st.failed()) replies.Fail(st.rc == MQRC_OBJECT_IN_USE ? MQRCCF_OBJECT_OPEN : st.rc);
}

void ClearQueue(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCA_Q_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  std::lock_guard lock(Qm().mu);
  if (MQLONG reason = ClearLocalQueue(Qm(), TrimTrailingBlanks(name->text))) replies.Fail(reason);
}

// Inquire Process and Inquire Namelist: a response for each of the
// queue manager's `objects` whose name matches the generic name asked for.
template <typename Object>
void InquireObjects(const PcfMessage& m, ReplySet& replies, MQLONG name_parameter,
                    MQLONG attrs_parameter,
                    std::map<std::string, std::unique_ptr<Object>> QueueManager::*objects,
                    void (*report)(const Object&, std::span<const MQLONG>, bool, const Report&)) {
  const PcfParameter* name = Find(m, name_parameter);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  std::string pattern = TrimTrailingBlanks(name->text);
  Asked asked = AskedFor(m, attrs_parameter);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  int matched = 0;
  for (auto& [object_name, object] : qm.*objects) {
    if (!MatchesGeneric(object_name, pattern)) continue;
    ++matched;
    report(*object, asked.selectors, asked.all, AddTo(replies.Add()));
  }
  if (matched == 0) replies.Fail(MQRC_UNKNOWN_OBJECT_NAME);
}

void InquireProcess(const PcfMessage& m, ReplySet& replies) {
  InquireObjects(m, replies, MQCA_PROCESS_NAME, MQIACF_PROCESS_ATTRS, &QueueManager::processes,
                 ReportProcess);
}

void InquireNamelist(const PcfMessage& m, ReplySet& replies) {
  InquireObjects(m, replies, MQCA_NAMELIST_NAME, MQIACF_NAMELIST_ATTRS, &QueueManager::namelists,
                 ReportNamelist);
}

// The names that match; on z/OS also each one's disposition.
void InquireNamelistNames(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCA_NAMELIST_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  std::string pattern = TrimTrailingBlanks(name->text);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  std::vector<std::string> names;
  for (auto& [namelist_name, n] : qm.namelists) {
    if (MatchesGeneric(namelist_name, pattern)) names.push_back(namelist_name);
  }
  PcfBuilder& b = replies.Add();
  b.StringList(MQCACF_NAMELIST_NAMES, names, MQ_NAMELIST_NAME_LENGTH, qm.ccsid);
  if (qm.platform == MQPL_ZOS) {
    b.IntegerList(MQIACF_QSG_DISPS, std::vector<MQLONG>(names.size(), MQQSGD_Q_MGR));
  }
}

// Create, Change and Copy Namelist. A copy takes the attributes of the
// namelist it names, the request's own over them.
void DefineNamelist(const PcfMessage& m, ReplySet& replies) {
  const MQLONG command = m.header.Command;
  const bool copy = command == MQCMD_COPY_NAMELIST;
  const MQLONG name_parameter = copy ? MQCACF_TO_NAMELIST_NAME : MQCA_NAMELIST_NAME;
  const PcfParameter* name = Find(m, name_parameter);
  const PcfParameter* from = copy ? Find(m, MQCACF_FROM_NAMELIST_NAME) : nullptr;
  if (!name || (copy && !from)) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  const PcfParameter* replace = Find(m, MQIACF_REPLACE);
  std::vector<AttributeChange> changes;
  DefinitionResult r = Changes(m, name_parameter, &changes, MQCACF_FROM_NAMELIST_NAME);
  if (r.reason) return replies.Fail(r.reason, r.bad_parameter);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  if (copy) {
    const Namelist* model = qm.FindNamelist(TrimTrailingBlanks(from->text));
    if (!model) return replies.Fail(MQRC_UNKNOWN_OBJECT_NAME);
    std::vector<AttributeChange> base = SettableAttributes(qm, *model);
    changes.insert(changes.begin(), base.begin(), base.end());
  }
  std::string target = TrimTrailingBlanks(name->text);
  r = command == MQCMD_CHANGE_NAMELIST
          ? AlterNamelist(qm, target, changes)
          : mqemu::DefineNamelist(qm, target, changes, replace && replace->value == MQRP_YES);
  if (r.reason) replies.Fail(r.reason, r.reason == MQRC_UNKNOWN_OBJECT_NAME ? 0 : r.bad_parameter);
}

void DeleteNamelist(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCA_NAMELIST_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  std::lock_guard lock(Qm().mu);
  Status st = Qm().DeleteNamelist(TrimTrailingBlanks(name->text));
  if (st.failed()) replies.Fail(st.rc);
}

// Inquire Channel: a response for each channel whose name matches and
// whose type is the one asked for (all without ChannelType).
void InquireChannel(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCACH_CHANNEL_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  const PcfParameter* type = Find(m, MQIACH_CHANNEL_TYPE);
  std::string pattern = TrimTrailingBlanks(name->text);
  Asked asked = AskedFor(m, MQIACF_CHANNEL_ATTRS);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  int matched = 0;
  for (auto& [channel_name, c] : qm.channels) {
    if (!MatchesGeneric(channel_name, pattern)) continue;
    if (type && type->value != MQCHT_ALL && type->value != c->type) continue;
    ++matched;
    ReportChannel(*c, asked.selectors, asked.all, AddTo(replies.Add()));
  }
  if (matched == 0) replies.Fail(MQRCCF_CHANNEL_NOT_FOUND);
}

void InquireChannelNames(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCACH_CHANNEL_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  const PcfParameter* type = Find(m, MQIACH_CHANNEL_TYPE);
  std::string pattern = TrimTrailingBlanks(name->text);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  std::vector<std::string> names;
  for (auto& [channel_name, c] : qm.channels) {
    if (!MatchesGeneric(channel_name, pattern)) continue;
    if (type && type->value != MQCHT_ALL && type->value != c->type) continue;
    names.push_back(channel_name);
  }
  replies.Add().StringList(MQCACH_CHANNEL_NAMES, names, MQ_CHANNEL_NAME_LENGTH, qm.ccsid);
}

// Create, Change and Copy Channel, each naming the channel's type. A copy
// takes the attributes of the channel it names, which must be of that type,
// the request's own over them.
void DefineChannel(const PcfMessage& m, ReplySet& replies) {
  const MQLONG command = m.header.Command;
  const bool copy = command == MQCMD_COPY_CHANNEL;
  const MQLONG name_parameter = copy ? MQCACF_TO_CHANNEL_NAME : MQCACH_CHANNEL_NAME;
  const PcfParameter* name = Find(m, name_parameter);
  const PcfParameter* from = copy ? Find(m, MQCACF_FROM_CHANNEL_NAME) : nullptr;
  const PcfParameter* type = Find(m, MQIACH_CHANNEL_TYPE);
  if (!name || !type || (copy && !from)) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  const PcfParameter* replace = Find(m, MQIACF_REPLACE);
  std::vector<AttributeChange> changes;
  DefinitionResult r =
      Changes(m, name_parameter, &changes, MQCACF_FROM_CHANNEL_NAME, MQIACH_CHANNEL_TYPE);
  if (r.reason) return replies.Fail(r.reason, r.bad_parameter);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  if (copy) {
    const ChannelDefinition* model = qm.FindChannel(TrimTrailingBlanks(from->text));
    if (!model) return replies.Fail(MQRCCF_CHANNEL_NOT_FOUND);
    if (model->type != type->value) {
      return replies.Fail(MQRCCF_CHANNEL_TYPE_ERROR, MQIACH_CHANNEL_TYPE);
    }
    std::vector<AttributeChange> base = SettableAttributes(qm, *model);
    changes.insert(changes.begin(), base.begin(), base.end());
  }
  std::string target = TrimTrailingBlanks(name->text);
  r = command == MQCMD_CHANGE_CHANNEL ? AlterChannel(qm, target, type->value, changes)
                                      : mqemu::DefineChannel(qm, target, type->value, changes,
                                                             replace && replace->value == MQRP_YES);
  if (r.reason) {
    replies.Fail(r.reason, r.reason == MQRCCF_CHANNEL_NOT_FOUND ? 0 : r.bad_parameter);
  }
}

void DeleteChannel(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCACH_CHANNEL_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  std::lock_guard lock(Qm().mu);
  Status st = Qm().DeleteChannel(TrimTrailingBlanks(name->text));
  if (st.failed()) replies.Fail(st.rc);
}

void CreateOrChangeProcess(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCA_PROCESS_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  const PcfParameter* replace = Find(m, MQIACF_REPLACE);
  std::vector<AttributeChange> changes;
  DefinitionResult r = Changes(m, MQCA_PROCESS_NAME, &changes);
  if (r.reason) return replies.Fail(r.reason, r.bad_parameter);
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  r = m.header.Command == MQCMD_CREATE_PROCESS
          ? DefineProcess(qm, TrimTrailingBlanks(name->text), changes,
                          replace && replace->value == MQRP_YES)
          : AlterProcess(qm, TrimTrailingBlanks(name->text), changes);
  if (r.reason) replies.Fail(r.reason, r.reason == MQRC_UNKNOWN_OBJECT_NAME ? 0 : r.bad_parameter);
}

void DeleteProcess(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* name = Find(m, MQCA_PROCESS_NAME);
  if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  std::lock_guard lock(Qm().mu);
  Status st = Qm().DeleteProcess(TrimTrailingBlanks(name->text));
  if (st.failed()) replies.Fail(st.rc);
}

void ChangeQueueManager(const PcfMessage& m, ReplySet& replies) {
  std::vector<AttributeChange> changes;
  DefinitionResult r = Changes(m, 0, &changes);
  if (r.reason) return replies.Fail(r.reason, r.bad_parameter);
  std::lock_guard lock(Qm().mu);
  r = AlterQueueManager(Qm(), changes);
  if (r.reason) replies.Fail(r.reason, r.bad_parameter);
}

void Ping(const PcfMessage&, ReplySet&) {}

// The status commands: the request read into a query, each record one
// response.
void Status(const PcfMessage& m, ReplySet& replies) {
  StatusQuery query;
  query.command = m.header.Command;
  MQLONG attrs_list = MQIACF_Q_STATUS_ATTRS;
  if (query.command == MQCMD_INQUIRE_Q_STATUS || query.command == MQCMD_RESET_Q_STATS) {
    const PcfParameter* name = Find(m, MQCA_Q_NAME);
    if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
    query.name = TrimTrailingBlanks(name->text);
    const PcfParameter* type = Find(m, MQIACF_Q_STATUS_TYPE);
    query.type = type ? type->value : MQIACF_Q_STATUS;
    const PcfParameter* open_type = Find(m, MQIACF_OPEN_TYPE);
    query.open_type = open_type ? open_type->value : MQQSOT_ALL;
  } else if (query.command == MQCMD_INQUIRE_Q_MGR_STATUS) {
    attrs_list = MQIACF_Q_MGR_STATUS_ATTRS;
  } else if (query.command == MQCMD_INQUIRE_CHANNEL_STATUS) {
    attrs_list = MQIACH_CHANNEL_INSTANCE_ATTRS;
    const PcfParameter* name = Find(m, MQCACH_CHANNEL_NAME);
    if (!name) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
    query.name = TrimTrailingBlanks(name->text);
    const PcfParameter* type = Find(m, MQIACH_CHANNEL_INSTANCE_TYPE);
    query.type = type ? type->value : MQOT_CURRENT_CHANNEL;
  } else {
    attrs_list = MQIACF_CONNECTION_ATTRS;
    const PcfParameter* id = Find(m, MQBACF_CONNECTION_ID);
    const PcfParameter* generic = Find(m, MQBACF_GENERIC_CONNECTION_ID);
    if (!id && !generic) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
    query.generic_connection = id == nullptr;
    query.connection_id = id ? id->text : generic->text;
    const PcfParameter* type = Find(m, MQIACF_CONN_INFO_TYPE);
    query.type = type ? type->value : MQIACF_CONN_INFO_CONN;
  }
  Asked asked = AskedFor(m, attrs_list);
  query.selectors.assign(asked.selectors.begin(), asked.selectors.end());
  query.all = asked.all;
  std::vector<StatusRecord> records;
  StatusResult r = RunStatusCommand(Qm(), query, &records);
  if (r.reason) return replies.Fail(r.reason, r.bad_parameter);
  for (const StatusRecord& record : records) {
    PcfBuilder& b = replies.Add();
    for (const StatusField& f : record) {
      switch (f.kind) {
        case StatusField::Kind::kInteger:
          b.Integer(f.parameter, f.number());
          break;
        case StatusField::Kind::kString:
          b.String(f.parameter, f.text, f.text.size(), Qm().ccsid);
          break;
        case StatusField::Kind::kIntegerList:
          b.IntegerList(f.parameter, f.numbers);
          break;
        case StatusField::Kind::kBytes:
          b.ByteString(f.parameter, f.text);
          break;
      }
    }
  }
}

// One MQSC command: a reply per block of output (one per object displayed),
// each with the escape type and the text; a failed command's replies carry
// its completion code and reason.
void Escape(const PcfMessage& m, ReplySet& replies) {
  const PcfParameter* type = Find(m, MQIACF_ESCAPE_TYPE);
  const PcfParameter* text = Find(m, MQCACF_ESCAPE_TEXT);
  if (!type || !text) return replies.Fail(MQRCCF_PARM_COUNT_TOO_SMALL);
  if (type->value != MQET_MQSC) return replies.Fail(MQRCCF_ESCAPE_TYPE_ERROR);
  QueueManagerMqscBackend backend(Qm());
  mqsc::CommandResult result = mqsc::RunCommand(backend, TrimTrailingBlanks(text->text));
  std::vector<std::string> blocks = mqsc::DistributedBlocks(result);
  if (blocks.empty()) blocks.emplace_back();
  for (const std::string& block : blocks) {
    PcfBuilder& b = replies.Add(result.comp_code, result.reason);
    b.Integer(MQIACF_ESCAPE_TYPE, MQET_MQSC);
    b.String(MQCACF_ESCAPE_TEXT, block);
  }
}

using Command = std::function<void(const PcfMessage&, ReplySet&)>;

const std::map<MQLONG, Command>& Commands() {
  static const std::map<MQLONG, Command> commands = {
      {MQCMD_INQUIRE_Q_MGR, InquireQueueManager},
      {MQCMD_CHANGE_Q_MGR, ChangeQueueManager},
      {MQCMD_INQUIRE_Q, InquireQueue},
      {MQCMD_INQUIRE_Q_NAMES, InquireQueueNames},
      {MQCMD_CREATE_Q, CreateOrChangeQueue},
      {MQCMD_CHANGE_Q, CreateOrChangeQueue},
      {MQCMD_DELETE_Q, DeleteQueue},
      {MQCMD_CLEAR_Q, ClearQueue},
      {MQCMD_PING_Q_MGR, Ping},
      {MQCMD_ESCAPE, Escape},
      {MQCMD_INQUIRE_PROCESS, InquireProcess},
      {MQCMD_CREATE_PROCESS, CreateOrChangeProcess},
      {MQCMD_CHANGE_PROCESS, CreateOrChangeProcess},
      {MQCMD_DELETE_PROCESS, DeleteProcess},
      {MQCMD_INQUIRE_NAMELIST, InquireNamelist},
      {MQCMD_INQUIRE_NAMELIST_NAMES, InquireNamelistNames},
      {MQCMD_CREATE_NAMELIST, DefineNamelist},
      {MQCMD_CHANGE_NAMELIST, DefineNamelist},
      {MQCMD_COPY_NAMELIST, DefineNamelist},
      {MQCMD_DELETE_NAMELIST, DeleteNamelist},
      {MQCMD_INQUIRE_CHANNEL, InquireChannel},
      {MQCMD_INQUIRE_CHANNEL_NAMES, InquireChannelNames},
      {MQCMD_CREATE_CHANNEL, DefineChannel},
      {MQCMD_CHANGE_CHANNEL, DefineChannel},
      {MQCMD_COPY_CHANNEL, DefineChannel},
      {MQCMD_DELETE_CHANNEL, DeleteChannel},
      {MQCMD_INQUIRE_Q_STATUS, Status},
      {MQCMD_RESET_Q_STATS, Status},
      {MQCMD_INQUIRE_Q_MGR_STATUS, Status},
      {MQCMD_INQUIRE_CONNECTION, Status},
      {MQCMD_INQUIRE_CHANNEL_STATUS, Status},
  };
  return commands;
}

// The replies' data for a PCF request.
std::vector<std::string> ExecutePcf(const Message& request) {
  PcfMessage m;
  MQLONG parse_error = ParsePcf(request.data, &m);
  ReplySet replies(request.data.size() >= sizeof(MQCFH) ? m.header.Command : 0,
                   Qm().platform == MQPL_ZOS);
  std::string user = NameInField(request.md.UserIdentifier, sizeof request.md.UserIdentifier);
  bool denied;
  {
    std::lock_guard lock(Qm().mu);
    denied = Qm().faults.deny_command_server.count(user) > 0;
  }
  if (parse_error) {
    replies.Fail(parse_error);
  } else if (m.header.Type != MQCFT_COMMAND && m.header.Type != MQCFT_COMMAND_XR) {
    replies.Fail(MQRCCF_CFH_TYPE_ERROR);
  } else if (denied) {
    replies.Fail(MQRC_NOT_AUTHORIZED);
  } else if (auto it = Commands().find(m.header.Command); it != Commands().end()) {
    if (CheckParameterTypes(m, replies)) it->second(m, replies);
  } else {
    replies.Fail(MQRCCF_CFH_COMMAND_ERROR);
  }
  return replies.Finish();
}

bool FormatIs(const MQMD& md, const char* format) {
  return std::memcmp(md.Format, format, 8) == 0;
}

void Serve() {
  QueueManager& qm = Qm();
  for (;;) {
    Message request;
    int delay_ms = 0;
    {
      std::unique_lock lock(qm.mu);
      Queue* q = qm.FindQueue(qm.command_queue);
      for (;;) {
        if (qm.ending) return;
        if (q && !qm.faults.command_server_paused && q->inhibit_get == MQQA_GET_ALLOWED &&
            qm.TakeMessage(*q, Selection{}, &request)) {
          break;
        }
        (q ? *q->arrived : qm.command_server_wake).wait(lock);
        q = qm.FindQueue(qm.command_queue);
      }
      delay_ms = qm.faults.reply_delay_ms;
    }
    std::string reply_qmgr = NameInField(request.md.ReplyToQMgr, sizeof request.md.ReplyToQMgr);
    std::string reply_q = NameInField(request.md.ReplyToQ, sizeof request.md.ReplyToQ);
    for (Message& reply : ExecuteRequest(request)) {
      if (delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
      qm.Deliver(reply_qmgr, reply_q, std::move(reply));
    }
  }
}

}  // namespace

std::vector<Message> ExecuteRequest(const Message& request) {
  // Each reply's Format and data.
  std::vector<std::pair<const char*, std::string>> data;
  if (FormatIs(request.md, MQFMT_ADMIN)) {
    for (std::string& d : ExecutePcf(request)) data.emplace_back(MQFMT_ADMIN, std::move(d));
  } else if (FormatIs(request.md, MQFMT_STRING) && Qm().platform == MQPL_ZOS) {
    std::string command = request.data.substr(0, request.data.find('\0'));
    command.erase(command.find_last_not_of(' ') + 1);
    for (std::string& t : ZosReplyTexts(command)) {
      data.emplace_back(data.empty() ? MQFMT_COMMAND_1 : MQFMT_COMMAND_2, std::move(t));
    }
  } else {
    // Not a command this command server understands: it goes to the
    // dead-letter queue, or is discarded when its sender asked for that
    // (MQRO_DISCARD_MSG), as IBM MQ's does.
    if (request.md.Report & MQRO_DISCARD_MSG) return {};
    std::string dead_letter_queue;
    {
      std::lock_guard lock(Qm().mu);
      dead_letter_queue = Qm().dead_letter_queue;
    }
    Message dead = request;
    Qm().Deliver("", dead_letter_queue, std::move(dead));
    return {};
  }
  if (NameInField(request.md.ReplyToQ, sizeof request.md.ReplyToQ).empty()) return {};
  std::vector<Message> replies;
  for (auto& [format, d] : data) {
    Message reply;
    MQMD md_default = {MQMD_DEFAULT};
    reply.md = md_default;
    reply.md.Version = MQMD_VERSION_2;
    reply.md.MsgType = MQMT_REPLY;
    std::memcpy(reply.md.Format, format, 8);
    reply.md.Persistence = request.md.Persistence;
    reply.md.Priority = request.md.Priority;
    reply.md.CodedCharSetId = Qm().ccsid;
    if (request.md.Report & MQRO_PASS_MSG_ID) {
      std::memcpy(reply.md.MsgId, request.md.MsgId, 24);
    } else {
      std::lock_guard lock(Qm().mu);
      Qm().NewId(reply.md.MsgId);
    }
    std::memcpy(reply.md.CorrelId,
                (request.md.Report & MQRO_PASS_CORREL_ID) ? request.md.CorrelId : request.md.MsgId,
                24);
    reply.md.Report = request.md.Report & MQRO_DISCARD_MSG;
    {
      std::lock_guard lock(Qm().mu);
      Qm().SetContext(nullptr, ContextMode::kDefault, &reply.md);
    }
    reply.data = std::move(d);
    replies.push_back(std::move(reply));
  }
  return replies;
}

void StartCommandServer() {
  {
    QueueManager& qm = Qm();
    std::lock_guard lock(qm.mu);
    if (Queue* q = qm.FindQueue(qm.command_queue)) ++q->open_input;
    qm.command_server_running = true;
  }
  std::thread(Serve).detach();
}

}  // namespace mqemu
