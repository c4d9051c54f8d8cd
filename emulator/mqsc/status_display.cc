// MQSC's status commands: their keywords, one table per kind of record, read
// into status queries and shown from the records.
#include "mqsc/status_display.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include <cmqxc.h>

#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"

namespace mqemu::mqsc {
namespace {

using objects::StatusField;
using objects::StatusQuery;
using objects::StatusRecord;

// How a parameter's value is shown.
enum class Shown {
  kNumber,
  kText,            // blank shows as ( )
  kChoice,          // by the value's name
  kAge,             // seconds; blank when not available (-1)
  kQueueTime,       // two values, each blank when not available
  kOpenOptions,     // the MQOO_* names, comma separated
  kConnectOptions,  // the MQCNO_* names
  kUnitOfWork,      // "n.m" of the 8-byte identifier
  kUncommitted,     // NO, or the number
};

struct StatusKeyword {
  std::string_view name;
  MQLONG parameter;
  Shown shown;
  std::span<const ValueName> choices = {};
  bool by_default = false;  // shown when the command names no attribute
  bool monitor = false;     // selected by MONITOR
};

constexpr ValueName kNoYes[] = {{"NO", MQQSO_NO}, {"YES", MQQSO_YES}};
constexpr ValueName kInput[] = {
    {"NO", MQQSO_NO}, {"SHARED", MQQSO_SHARED}, {"EXCL", MQQSO_EXCLUSIVE}};
constexpr ValueName kMonitoring[] = {
    {"OFF", MQMON_OFF}, {"LOW", MQMON_LOW}, {"MEDIUM", MQMON_MEDIUM}, {"HIGH", MQMON_HIGH}};
constexpr ValueName kApplType[] = {{"USER", MQAT_USER}, {"SYSTEM", MQAT_QMGR}};
constexpr ValueName kHandleConsumer[] = {
    {"NONE", MQAS_NONE}, {"ACTIVE", MQAS_ACTIVE}, {"INACTIVE", MQAS_INACTIVE}};
constexpr ValueName kConnectionConsumer[] = {
    {"NONE", MQAS_NONE}, {"STARTED", MQAS_STARTED}, {"STOPPED", MQAS_STOPPED}};
constexpr ValueName kHandleState[] = {{"INACTIVE", MQHSTATE_INACTIVE}, {"ACTIVE", MQHSTATE_ACTIVE}};
constexpr ValueName kUnitType[] = {{"QMGR", MQUOWT_Q_MGR}};
constexpr ValueName kUnitState[] = {{"NONE", MQUOWST_NONE}, {"ACTIVE", MQUOWST_ACTIVE}};
constexpr ValueName kQMgrState[] = {{"RUNNING", MQQMSTA_RUNNING}};
constexpr ValueName kService[] = {{"STOPPED", MQSVC_STATUS_STOPPED},
                                  {"STARTING", MQSVC_STATUS_STARTING},
                                  {"RUNNING", MQSVC_STATUS_RUNNING},
                                  {"STOPPING", MQSVC_STATUS_STOPPING}};
constexpr ValueName kObjectType[] = {{"QUEUE", MQOT_Q}, {"QMGR", MQOT_Q_MGR}};

// Each kind of record's keywords, in the order runmqsc shows them.
constexpr StatusKeyword kQueueStatus[] = {
    {"CURDEPTH", MQIA_CURRENT_Q_DEPTH, Shown::kNumber, {}, true},
    {"IPPROCS", MQIA_OPEN_INPUT_COUNT, Shown::kNumber},
    {"LGETDATE", MQCACF_LAST_GET_DATE, Shown::kText, {}, false, true},
    {"LGETTIME", MQCACF_LAST_GET_TIME, Shown::kText, {}, false, true},
    {"LPUTDATE", MQCACF_LAST_PUT_DATE, Shown::kText, {}, false, true},
    {"LPUTTIME", MQCACF_LAST_PUT_TIME, Shown::kText, {}, false, true},
    {"MEDIALOG", MQCACF_MEDIA_LOG_EXTENT_NAME, Shown::kText},
    {"MONQ", MQIA_MONITORING_Q, Shown::kChoice, kMonitoring, false, true},
    {"MSGAGE", MQIACF_OLDEST_MSG_AGE, Shown::kAge, {}, false, true},
    {"OPPROCS", MQIA_OPEN_OUTPUT_COUNT, Shown::kNumber},
    {"QTIME", MQIACF_Q_TIME_INDICATOR, Shown::kQueueTime, {}, false, true},
    {"UNCOM", MQIACF_UNCOMMITTED_MSGS, Shown::kUncommitted},
};
constexpr StatusKeyword kHandleStatus[] = {
    {"APPLDESC", MQCACF_APPL_DESC, Shown::kText},
    {"APPLTAG", MQCACF_APPL_TAG, Shown::kText, {}, true},
    {"APPLTYPE", MQIA_APPL_TYPE, Shown::kChoice, kApplType, true},
    {"ASTATE", MQIACF_ASYNC_STATE, Shown::kChoice, kHandleConsumer},
    {"BROWSE", MQIACF_OPEN_BROWSE, Shown::kChoice, kNoYes},
    {"CHANNEL", MQCACH_CHANNEL_NAME, Shown::kText, {}, true},
    {"CONNAME", MQCACH_CONNECTION_NAME, Shown::kText, {}, true},
    {"HSTATE", MQIACF_HANDLE_STATE, Shown::kChoice, kHandleState},
    {"INPUT", MQIACF_OPEN_INPUT_TYPE, Shown::kChoice, kInput},
    {"INQUIRE", MQIACF_OPEN_INQUIRE, Shown::kChoice, kNoYes},
    {"OUTPUT", MQIACF_OPEN_OUTPUT, Shown::kChoice, kNoYes},
    {"PID", MQIACF_PROCESS_ID, Shown::kNumber, {}, true},
    {"QMURID", MQBACF_Q_MGR_UOW_ID, Shown::kUnitOfWork},
    {"SET", MQIACF_OPEN_SET, Shown::kChoice, kNoYes},
    {"TID", MQIACF_THREAD_ID, Shown::kNumber, {}, true},
    {"URTYPE", MQIACF_UOW_TYPE, Shown::kChoice, kUnitType},
    {"USERID", MQCACF_USER_IDENTIFIER, Shown::kText, {}, true},
};
constexpr StatusKeyword kQueueStatistics[] = {
    {"RESETINT", MQIA_TIME_SINCE_RESET, Shown::kNumber, {}, true},
    {"HIQDEPTH", MQIA_HIGH_Q_DEPTH, Shown::kNumber, {}, true},
    {"MSGSIN", MQIA_MSG_ENQ_COUNT, Shown::kNumber, {}, true},
    {"MSGSOUT", MQIA_MSG_DEQ_COUNT, Shown::kNumber, {}, true},
};
constexpr StatusKeyword kQueueManagerStatus[] = {
    {"STATUS", MQIACF_Q_MGR_STATUS, Shown::kChoice, kQMgrState, true},
    {"CHINIT", MQIACF_CHINIT_STATUS, Shown::kChoice, kService, true},
    {"CMDSERV", MQIACF_CMD_SERVER_STATUS, Shown::kChoice, kService, true},
    {"CONNS", MQIACF_CONNECTION_COUNT, Shown::kNumber, {}, true},
    {"CURRLOG", MQCACF_CURRENT_LOG_EXTENT_NAME, Shown::kText, {}, true},
    {"INSTDESC", MQCA_INSTALLATION_DESC, Shown::kText, {}, true},
    {"INSTNAME", MQCA_INSTALLATION_NAME, Shown::kText, {}, true},
    {"INSTPATH", MQCA_INSTALLATION_PATH, Shown::kText, {}, true},
    {"LOGPATH", MQCACF_LOG_PATH, Shown::kText, {}, true},
    {"MEDIALOG", MQCACF_MEDIA_LOG_EXTENT_NAME, Shown::kText, {}, true},
    {"RECLOG", MQCACF_RESTART_LOG_EXTENT_NAME, Shown::kText, {}, true},
    {"STARTDA", MQCACF_Q_MGR_START_DATE, Shown::kText, {}, true},
    {"STARTTI", MQCACF_Q_MGR_START_TIME, Shown::kText, {}, true},
};
constexpr StatusKeyword kConnection[] = {
    {"APPLDESC", MQCACF_APPL_DESC, Shown::kText},
    {"APPLTAG", MQCACF_APPL_TAG, Shown::kText},
    {"APPLTYPE", MQIA_APPL_TYPE, Shown::kChoice, kApplType},
    {"ASTATE", MQIACF_ASYNC_STATE, Shown::kChoice, kConnectionConsumer},
    {"CHANNEL", MQCACH_CHANNEL_NAME, Shown::kText},
    {"CONNAME", MQCACH_CONNECTION_NAME, Shown::kText},
    {"CONNOPTS", MQIACF_CONNECT_OPTIONS, Shown::kConnectOptions},
    {"PID", MQIACF_PROCESS_ID, Shown::kNumber},
    {"QMURID", MQBACF_Q_MGR_UOW_ID, Shown::kUnitOfWork},
    {"TID", MQIACF_THREAD_ID, Shown::kNumber},
    {"UOWSTATE", MQIACF_UOW_STATE, Shown::kChoice, kUnitState},
    {"URTYPE", MQIACF_UOW_TYPE, Shown::kChoice, kUnitType},
    {"USERID", MQCACF_USER_IDENTIFIER, Shown::kText},
};
constexpr StatusKeyword kConnectionHandle[] = {
    {"OBJNAME", MQCACF_OBJECT_NAME, Shown::kText},
    {"OBJTYPE", MQIACF_OBJECT_TYPE, Shown::kChoice, kObjectType},
    {"ASTATE", MQIACF_ASYNC_STATE, Shown::kChoice, kHandleConsumer},
    {"HSTATE", MQIACF_HANDLE_STATE, Shown::kChoice, kHandleState},
    {"OPENOPTS", MQIACF_OPEN_OPTIONS, Shown::kOpenOptions},
};

constexpr ValueName kChannelType[] = {{"SVRCONN", MQCHT_SVRCONN}};
constexpr ValueName kChannelState[] = {{"RUNNING", MQCHS_RUNNING}};
constexpr ValueName kChannelSubstate[] = {{"RECEIVE", MQCHSSTATE_RECEIVING}};
constexpr ValueName kInstanceType[] = {{"CURRENT", MQOT_CURRENT_CHANNEL}};
constexpr ValueName kMcaState[] = {{"RUNNING", MQMCAS_RUNNING}};
constexpr ValueName kStopRequested[] = {{"NO", MQCHSR_STOP_NOT_REQUESTED}};
// After CHANNEL(name), in the order runmqsc shows them.
constexpr StatusKeyword kChannelStatus[] = {
    {"CHLTYPE", MQIACH_CHANNEL_TYPE, Shown::kChoice, kChannelType, true},
    {"BUFSRCVD", MQIACH_BUFFERS_RECEIVED, Shown::kNumber},
    {"BUFSSENT", MQIACH_BUFFERS_SENT, Shown::kNumber},
    {"BYTSRCVD", MQIACH_BYTES_RECEIVED, Shown::kNumber},
    {"BYTSSENT", MQIACH_BYTES_SENT, Shown::kNumber},
    {"CHSTADA", MQCACH_CHANNEL_START_DATE, Shown::kText},
    {"CHSTATI", MQCACH_CHANNEL_START_TIME, Shown::kText},
    {"CONNAME", MQCACH_CONNECTION_NAME, Shown::kText, {}, true},
    {"CURRENT", MQIACH_CHANNEL_INSTANCE_TYPE, Shown::kChoice, kInstanceType, true},
    {"CURSHCNV", MQIACH_CURRENT_SHARING_CONVS, Shown::kNumber},
    {"LSTMSGDA", MQCACH_LAST_MSG_DATE, Shown::kText},
    {"LSTMSGTI", MQCACH_LAST_MSG_TIME, Shown::kText},
    {"MAXSHCNV", MQIACH_MAX_SHARING_CONVS, Shown::kNumber},
    {"MCASTAT", MQIACH_MCA_STATUS, Shown::kChoice, kMcaState},
    {"MCAUSER", MQCACH_MCA_USER_ID, Shown::kText},
    {"MSGS", MQIACH_MSGS, Shown::kNumber},
    {"RAPPLTAG", MQCACH_REMOTE_APPL_TAG, Shown::kText},
    {"RQMNAME", MQCA_REMOTE_Q_MGR_NAME, Shown::kText, {}, true},
    {"STATUS", MQIACH_CHANNEL_STATUS, Shown::kChoice, kChannelState, true},
    {"STOPREQ", MQIACH_STOP_REQUESTED, Shown::kChoice, kStopRequested},
    {"SUBSTATE", MQIACH_CHANNEL_SUBSTATE, Shown::kChoice, kChannelSubstate, true},
    {"XMITQ", MQCACH_XMIT_Q_NAME, Shown::kText, {}, true},
};

constexpr ValueName kOpenOptionNames[] = {
    {"MQOO_INPUT_AS_Q_DEF", MQOO_INPUT_AS_Q_DEF},
    {"MQOO_INPUT_SHARED", MQOO_INPUT_SHARED},
    {"MQOO_INPUT_EXCLUSIVE", MQOO_INPUT_EXCLUSIVE},
    {"MQOO_BROWSE", MQOO_BROWSE},
    {"MQOO_OUTPUT", MQOO_OUTPUT},
    {"MQOO_INQUIRE", MQOO_INQUIRE},
    {"MQOO_SET", MQOO_SET},
    {"MQOO_SAVE_ALL_CONTEXT", MQOO_SAVE_ALL_CONTEXT},
    {"MQOO_PASS_IDENTITY_CONTEXT", MQOO_PASS_IDENTITY_CONTEXT},
    {"MQOO_PASS_ALL_CONTEXT", MQOO_PASS_ALL_CONTEXT},
    {"MQOO_SET_IDENTITY_CONTEXT", MQOO_SET_IDENTITY_CONTEXT},
    {"MQOO_SET_ALL_CONTEXT", MQOO_SET_ALL_CONTEXT},
    {"MQOO_ALTERNATE_USER_AUTHORITY", MQOO_ALTERNATE_USER_AUTHORITY},
    {"MQOO_FAIL_IF_QUIESCING", MQOO_FAIL_IF_QUIESCING},
    {"MQOO_BIND_ON_OPEN", MQOO_BIND_ON_OPEN},
    {"MQOO_BIND_NOT_FIXED", MQOO_BIND_NOT_FIXED},
    {"MQOO_BIND_ON_GROUP", MQOO_BIND_ON_GROUP},
    {"MQOO_RESOLVE_LOCAL_Q", MQOO_RESOLVE_LOCAL_Q},
    {"MQOO_NO_READ_AHEAD", MQOO_NO_READ_AHEAD},
    {"MQOO_READ_AHEAD", MQOO_READ_AHEAD},
};
constexpr ValueName kConnectOptionNames[] = {
    {"MQCNO_FASTPATH_BINDING", MQCNO_FASTPATH_BINDING},
    {"MQCNO_SHARED_BINDING", MQCNO_SHARED_BINDING},
    {"MQCNO_ISOLATED_BINDING", MQCNO_ISOLATED_BINDING},
    {"MQCNO_HANDLE_SHARE_NONE", MQCNO_HANDLE_SHARE_NONE},
    {"MQCNO_HANDLE_SHARE_BLOCK", MQCNO_HANDLE_SHARE_BLOCK},
    {"MQCNO_HANDLE_SHARE_NO_BLOCK", MQCNO_HANDLE_SHARE_NO_BLOCK},
    {"MQCNO_RECONNECT", MQCNO_RECONNECT},
    {"MQCNO_RECONNECT_DISABLED", MQCNO_RECONNECT_DISABLED},
    {"MQCNO_RECONNECT_Q_MGR", MQCNO_RECONNECT_Q_MGR},
    {"MQCNO_CLIENT_BINDING", MQCNO_CLIENT_BINDING},
    {"MQCNO_LOCAL_BINDING", MQCNO_LOCAL_BINDING},
};

std::span<const StatusKeyword> KeywordsOf(ObjectKind object, MQLONG type) {
  switch (object) {
    case ObjectKind::kQStatus:
      return type == MQIACF_Q_HANDLE ? std::span<const StatusKeyword>(kHandleStatus)
                                     : std::span<const StatusKeyword>(kQueueStatus);
    case ObjectKind::kQStats:
      return kQueueStatistics;
    case ObjectKind::kQMStatus:
      return kQueueManagerStatus;
    case ObjectKind::kChStatus:
      return kChannelStatus;
    default:
      return type == MQIACF_CONN_INFO_HANDLE ? std::span<const StatusKeyword>(kConnectionHandle)
                                             : std::span<const StatusKeyword>(kConnection);
  }
}

const StatusField* FindField(const StatusRecord& record, MQLONG parameter) {
  for (const StatusField& f : record) {
    if (f.parameter == parameter) return &f;
  }
  return nullptr;
}

std::string Hex(std::string_view bytes) {
  std::string out;
  char two[3];
  for (unsigned char c : bytes) {
    std::snprintf(two, sizeof two, "%02X", c);
    out += two;
  }
  return out;
}

std::string Names(std::span<const ValueName> names, MQLONG value, std::string_view none) {
  std::string out;
  for (const ValueName& n : names) {
    if (value & n.value) out += (out.empty() ? "" : ",") + std::string(n.name);
  }
  return out.empty() ? std::string(none) : out;
}

std::string Field(const StatusKeyword& k, const StatusField& f) {
  std::string name(k.name);
  auto blank_if_unknown = [](MQLONG v) {
    return v == MQMON_NOT_AVAILABLE ? std::string(" ") : std::to_string(v);
  };
  switch (k.shown) {
    case Shown::kNumber:
      return name + "(" + std::to_string(f.number()) + ")";
    case Shown::kText: {
      std::string text = TrimTrailingBlanks(f.text);
      return name + "(" + (text.empty() ? std::string(" ") : text) + ")";
    }
    case Shown::kChoice:
      for (const ValueName& c : k.choices) {
        if (c.value == f.number()) return name + "(" + std::string(c.name) + ")";
      }
      return name + "(" + std::to_string(f.number()) + ")";
    case Shown::kAge:
      return name + "(" + blank_if_unknown(f.number()) + ")";
    case Shown::kQueueTime: {
      MQLONG a = f.numbers.size() > 0 ? f.numbers[0] : MQMON_NOT_AVAILABLE;
      MQLONG b = f.numbers.size() > 1 ? f.numbers[1] : MQMON_NOT_AVAILABLE;
      return name + "(" + blank_if_unknown(a) + "," + blank_if_unknown(b) + ")";
    }
    case Shown::kOpenOptions:
      return name + "(" + Names(kOpenOptionNames, f.number(), "0") + ")";
    case Shown::kConnectOptions:
      return name + "(" + Names(kConnectOptionNames, f.number(), "MQCNO_STANDARD_BINDING") + ")";
    case Shown::kUnitOfWork: {
      auto part = [&](size_t at) {
        uint32_t v = 0;
        for (size_t i = at; i < at + 4 && i < f.text.size(); ++i) {
          v = v << 8 | static_cast<unsigned char>(f.text[i]);
        }
        return std::to_string(v);
      };
      return name + "(" + part(0) + "." + part(4) + ")";
    }
    case Shown::kUncommitted:
      return name + "(" + (f.number() == 0 ? std::string("NO") : std::to_string(f.number())) + ")";
  }
  return {};
}

void AppendFields(std::span<const StatusKeyword> keywords, const StatusQuery& query,
                  const StatusRecord& record, std::vector<std::string>* out) {
  for (const StatusKeyword& k : keywords) {
    bool asked = query.all || std::find(query.selectors.begin(), query.selectors.end(),
                                        k.parameter) != query.selectors.end();
    const StatusField* f = FindField(record, k.parameter);
    if (asked && f) out->push_back(Field(k, *f));
  }
}

}  // namespace

size_t ReadStatusWords(ObjectKind object, const std::vector<Word>& words, size_t first,
                       StatusQuery* query) {
  bool all = false, type_given = false, open_type_given = false;
  std::vector<const StatusKeyword*> named;
  bool monitor = false;
  query->type = object == ObjectKind::kQStatus    ? MQIACF_Q_STATUS
                : object == ObjectKind::kConn     ? MQIACF_CONN_INFO_CONN
                : object == ObjectKind::kChStatus ? MQOT_CURRENT_CHANNEL
                                                  : 0;
  // The type comes first, since it decides which keywords there are.
  for (size_t i = first; i < words.size(); ++i) {
    const Word& w = words[i];
    if (w.keyword != "TYPE") continue;
    if (type_given || !w.has_value || w.quoted) return i;
    type_given = true;
    if (object == ObjectKind::kQStatus && (w.value == "QUEUE" || w.value == "HANDLE")) {
      query->type = w.value == "QUEUE" ? MQIACF_Q_STATUS : MQIACF_Q_HANDLE;
    } else if (object == ObjectKind::kConn &&
               (w.value == "CONN" || w.value == "HANDLE" || w.value == "ALL" || w.value == "*")) {
      query->type = w.value == "CONN"     ? MQIACF_CONN_INFO_CONN
                    : w.value == "HANDLE" ? MQIACF_CONN_INFO_HANDLE
                                          : MQIACF_CONN_INFO_ALL;
    } else {
      return i;
    }
  }
  for (size_t i = first; i < words.size(); ++i) {
    const Word& w = words[i];
    if (w.keyword == "TYPE") continue;
    if (w.keyword == "ALL" && !w.has_value && !all) {
      all = true;
      continue;
    }
    if (object == ObjectKind::kQStatus && w.keyword == "OPENTYPE") {
      if (open_type_given || !w.has_value || w.quoted) return i;
      open_type_given = true;
      if (w.value == "ALL") {
        query->open_type = MQQSOT_ALL;
      } else if (w.value == "INPUT") {
        query->open_type = MQQSOT_INPUT;
      } else if (w.value == "OUTPUT") {
        query->open_type = MQQSOT_OUTPUT;
      } else {
        return i;
      }
      continue;
    }
    if (object == ObjectKind::kQStatus && query->type == MQIACF_Q_STATUS &&
        w.keyword == "MONITOR" && !w.has_value && !monitor) {
      monitor = true;
      continue;
    }
    if (object == ObjectKind::kQStats || w.has_value) return i;
    const StatusKeyword* found = nullptr;
    std::span<const StatusKeyword> tables[] = {KeywordsOf(object, query->type),
                                               object == ObjectKind::kConn
                                                   ? KeywordsOf(object, MQIACF_CONN_INFO_HANDLE)
                                                   : std::span<const StatusKeyword>()};
    for (auto table : tables) {
      for (const StatusKeyword& k : table) {
        if (w.keyword == k.name) found = &k;
      }
    }
    if (!found) return i;
    named.push_back(found);
  }
  query->all = all;
  query->selectors.clear();
  if (all) return words.size();
  if (named.empty() && !monitor) {
    for (const StatusKeyword& k : KeywordsOf(object, query->type)) {
      if (k.by_default) query->selectors.push_back(k.parameter);
    }
    query->all = object == ObjectKind::kQMStatus || object == ObjectKind::kQStats;
  }
  for (const StatusKeyword* k : named) query->selectors.push_back(k->parameter);
  // A channel's status shows its identity whatever else is asked for.
  if (object == ObjectKind::kChStatus && !named.empty()) {
    for (const StatusKeyword& k : kChannelStatus) {
      if (k.by_default) query->selectors.push_back(k.parameter);
    }
  }
  if (monitor) {
    for (const StatusKeyword& k : kQueueStatus) {
      if (k.monitor) query->selectors.push_back(k.parameter);
    }
  }
  return words.size();
}

std::vector<std::vector<std::string>> StatusFields(ObjectKind object, const StatusQuery& query,
                                                   const std::string& name,
                                                   const std::vector<StatusRecord>& records) {
  std::vector<std::vector<std::string>> out;
  std::string last_connection;
  for (const StatusRecord& record : records) {
    if (record.empty()) continue;
    std::vector<std::string> shown;
    switch (object) {
      case ObjectKind::kQStatus:
        shown = {"QUEUE(" + TrimTrailingBlanks(record[0].text) + ")",
                 query.type == MQIACF_Q_HANDLE ? "TYPE(HANDLE)" : "TYPE(QUEUE)"};
        AppendFields(KeywordsOf(object, query.type), query, record, &shown);
        break;
      case ObjectKind::kQStats:
        shown = {"QUEUE(" + TrimTrailingBlanks(record[0].text) + ")"};
        AppendFields(kQueueStatistics, query, record, &shown);
        break;
      case ObjectKind::kQMStatus:
        shown = {"QMNAME(" + TrimTrailingBlanks(record[0].text) + ")"};
        AppendFields(kQueueManagerStatus, query, record, &shown);
        break;
      case ObjectKind::kChStatus:
        shown = {"CHANNEL(" + TrimTrailingBlanks(record[0].text) + ")"};
        AppendFields(kChannelStatus, query, record, &shown);
        break;
      default: {
        const std::string& id = record[0].text;
        std::string conn = Hex(std::string_view(id).substr(std::min<size_t>(16, id.size())));
        bool generic = !name.empty() && name.back() == '*';
        if (generic ? !conn.starts_with(name.substr(0, name.size() - 1)) : conn != name) break;
        bool handle = record.size() > 1 && record[1].number() == MQIACF_CONN_INFO_HANDLE;
        if (!handle || id != last_connection || out.empty()) {
          out.push_back({"CONN(" + conn + ")",
                         "EXTCONN(" + Hex(std::string_view(id).substr(0, 16)) + ")",
                         handle ? "TYPE(HANDLE)" : "TYPE(CONN)", "\n"});
          last_connection = id;
        }
        if (!handle) {
          AppendFields(kConnection, query, record, &out.back());
        } else {
          out.back().emplace_back();
          AppendFields(kConnectionHandle, query, record, &out.back());
        }
        continue;
      }
    }
    if (!shown.empty()) out.push_back(std::move(shown));
  }
  return out;
}

}  // namespace mqemu::mqsc
