// The status commands: queue and handle status, queue statistics, the queue
// manager's status, its connections and its client channels' status, as
// records of parameters.
#include "qmgr/status.h"

#include <unistd.h>

#include <algorithm>

#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "qmgr/attributes.h"
#include "qmgr/clock.h"
#include "qmgr/queue_manager.h"

namespace mqemu {
namespace {

using Kind = StatusField::Kind;
using WallClock = std::chrono::system_clock;

// Adds the parameters of one record: those always reported, and the others
// when the query asks for them.
class RecordBuilder {
 public:
  RecordBuilder(const StatusQuery& query, StatusRecord* record) : query_(query), record_(record) {}

  bool Wanted(MQLONG parameter) const {
    return query_.all || std::find(query_.selectors.begin(), query_.selectors.end(), parameter) !=
                             query_.selectors.end();
  }
  void AlwaysInteger(MQLONG parameter, MQLONG value) {
    record_->push_back({parameter, Kind::kInteger, {value}, {}});
  }
  void AlwaysText(MQLONG parameter, std::string_view text, size_t length) {
    std::string padded(text.substr(0, length));
    padded.resize(length, ' ');
    record_->push_back({parameter, Kind::kString, {}, std::move(padded)});
  }
  void AlwaysBytes(MQLONG parameter, std::string bytes) {
    record_->push_back({parameter, Kind::kBytes, {}, std::move(bytes)});
  }
  void Integer(MQLONG parameter, MQLONG value) {
    if (Wanted(parameter)) AlwaysInteger(parameter, value);
  }
  void Text(MQLONG parameter, std::string_view text, size_t length) {
    if (Wanted(parameter)) AlwaysText(parameter, text, length);
  }
  void Bytes(MQLONG parameter, std::string bytes) {
    if (Wanted(parameter)) AlwaysBytes(parameter, std::move(bytes));
  }
  void List(MQLONG parameter, std::vector<MQLONG> values) {
    if (Wanted(parameter)) record_->push_back({parameter, Kind::kIntegerList, values, {}});
  }

 private:
  const StatusQuery& query_;
  StatusRecord* record_;
};

void PutBigEndian(uint32_t value, std::string* out) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift));
}

// The unit of work a session has in progress: 8 bytes, the session's number
// and its units of work so far; zero when there is none.
bool InUnitOfWork(const Session& s) {
  return !s.pending_puts.empty() || !s.pending_gets.empty();
}
std::string UnitOfWorkId(const Session& s) {
  std::string id;
  PutBigEndian(InUnitOfWork(s) ? s.id : 0, &id);
  PutBigEndian(InUnitOfWork(s) ? s.units_of_work + 1 : 0, &id);
  return id;
}

// The monitoring level in force for q: its own, or the queue manager's.
MQLONG MonitoringOf(const QueueManager& qm, const Queue& q) {
  AttributeValue v;
  MQLONG level = QueueAttribute(q, MQIA_MONITORING_Q, &v) ? v.number : MQMON_Q_MGR;
  if (level == MQMON_Q_MGR) {
    level = QueueManagerAttribute(qm, MQIA_MONITORING_Q, &v) ? v.number : MQMON_OFF;
  }
  return level == MQMON_NONE ? MQMON_OFF : level;
}

// Whether a handle's open options count for OPENTYPE: any, input or output.
bool OpenTypeMatches(MQLONG open_type, MQLONG options) {
  if (open_type == MQQSOT_INPUT) return options & kInputOptions;
  if (open_type == MQQSOT_OUTPUT) return options & MQOO_OUTPUT;
  return true;
}

MQLONG YesNo(bool yes) {
  return yes ? MQQSO_YES : MQQSO_NO;
}

void QueueStatus(const QueueManager& qm, const Queue& q, const StatusQuery& query,
                 StatusRecord* record) {
  RecordBuilder b(query, record);
  b.AlwaysText(MQCA_Q_NAME, q.name, MQ_Q_NAME_LENGTH);
  b.AlwaysInteger(MQIACF_Q_STATUS_TYPE, MQIACF_Q_STATUS);
  b.Integer(MQIA_CURRENT_Q_DEPTH, static_cast<MQLONG>(q.messages.size()));
  b.Integer(MQIA_OPEN_INPUT_COUNT, q.open_input);
  b.Integer(MQIA_OPEN_OUTPUT_COUNT, q.open_output);
  MQLONG uncommitted = 0;
  for (const auto& [id, s] : qm.sessions) {
    for (const auto* pending : {&s->pending_puts, &s->pending_gets}) {
      uncommitted += static_cast<MQLONG>(std::count_if(
          pending->begin(), pending->end(), [&](const auto& p) { return p.first == q.name; }));
    }
  }
  b.Integer(MQIACF_UNCOMMITTED_MSGS, uncommitted);
  // What monitoring collects is reported only while it is on, as on IBM MQ.
  const MQLONG monitoring = MonitoringOf(qm, q);
  const bool monitored = monitoring != MQMON_OFF;
  const QueueActivity& a = q.activity;
  for (auto [date_parameter, time_parameter, when] :
       {std::tuple{MQCACF_LAST_GET_DATE, MQCACF_LAST_GET_TIME, a.last_get},
        std::tuple{MQCACF_LAST_PUT_DATE, MQCACF_LAST_PUT_TIME, a.last_put}}) {
    std::string date, time;
    if (monitored && when != WallClock::time_point{}) DateTimeFields(when, &date, &time);
    b.Text(date_parameter, date, MQ_DATE_LENGTH);
    b.Text(time_parameter, time, MQ_TIME_LENGTH);
  }
  MQLONG age = MQMON_NOT_AVAILABLE;
  if (monitored) {
    auto now = MessageClock::now();
    auto oldest = now;
    for (const Message& m : q.messages) oldest = std::min(oldest, m.put_at);
    age =
        static_cast<MQLONG>(std::chrono::duration_cast<std::chrono::seconds>(now - oldest).count());
  }
  b.Integer(MQIACF_OLDEST_MSG_AGE, age);
  auto micros = [&](int64_t us) {
    return monitored && us >= 0 ? static_cast<MQLONG>(std::min<int64_t>(us, 999999999))
                                : MQMON_NOT_AVAILABLE;
  };
  b.List(MQIACF_Q_TIME_INDICATOR, {micros(a.wait_short_us), micros(a.wait_long_us)});
  b.Integer(MQIA_MONITORING_Q, monitoring);
  b.Text(MQCACF_MEDIA_LOG_EXTENT_NAME, "", MQ_LOG_EXTENT_NAME_LENGTH);
}

// The state of the asynchronous consumer of a handle: none, or active while
// its connection is started.
MQLONG ConsumerState(const Session& s, MQHOBJ hobj) {
  if (!s.consumers.count(hobj)) return MQAS_NONE;
  return s.started ? MQAS_ACTIVE : MQAS_INACTIVE;
}

MQLONG InputType(const Handle& h) {
  MQLONG options = h.options;
  if (options & MQOO_INPUT_AS_Q_DEF) options = h.queue ? h.queue->default_input_open : 0;
  if (options & MQOO_INPUT_EXCLUSIVE) return MQQSO_EXCLUSIVE;
  return options & MQOO_INPUT_SHARED ? MQQSO_SHARED : MQQSO_NO;
}

void HandleStatus(const Session& s, MQHOBJ hobj, const Handle& h, const StatusQuery& query,
                  StatusRecord* record) {
  RecordBuilder b(query, record);
  b.AlwaysText(MQCA_Q_NAME, h.queue->name, MQ_Q_NAME_LENGTH);
  b.AlwaysInteger(MQIACF_Q_STATUS_TYPE, MQIACF_Q_HANDLE);
  b.Text(MQCACF_APPL_DESC, "", MQ_APPL_DESC_LENGTH);
  b.Text(MQCACF_APPL_TAG, s.appl, MQ_APPL_TAG_LENGTH);
  b.Integer(MQIA_APPL_TYPE, MQAT_USER);
  const MQLONG consumer = ConsumerState(s, hobj);
  b.Integer(MQIACF_ASYNC_STATE, consumer);
  b.Text(MQCACH_CHANNEL_NAME, s.channel, MQ_CHANNEL_NAME_LENGTH);
  b.Text(MQCACH_CONNECTION_NAME, s.conname, MQ_CONN_NAME_LENGTH);
  b.Integer(MQIACF_HANDLE_STATE, consumer == MQAS_ACTIVE ? MQHSTATE_ACTIVE : MQHSTATE_INACTIVE);
  b.Integer(MQIACF_OPEN_BROWSE, YesNo(h.options & MQOO_BROWSE));
  b.Integer(MQIACF_OPEN_INPUT_TYPE, InputType(h));
  b.Integer(MQIACF_OPEN_INQUIRE, YesNo(h.options & MQOO_INQUIRE));
  b.Integer(MQIACF_OPEN_OPTIONS, h.options);
  b.Integer(MQIACF_OPEN_OUTPUT, YesNo(h.options & MQOO_OUTPUT));
  b.Integer(MQIACF_OPEN_SET, YesNo(h.options & MQOO_SET));
  b.Integer(MQIACF_PROCESS_ID, s.pid);
  b.Bytes(MQBACF_Q_MGR_UOW_ID, UnitOfWorkId(s));
  b.Integer(MQIACF_THREAD_ID, s.tid);
  b.Integer(MQIACF_UOW_TYPE, MQUOWT_Q_MGR);
  b.Text(MQCACF_USER_IDENTIFIER, s.user, MQ_USER_ID_LENGTH);
}

// The local queues a queue status command is about: those matching a
// generic name; one named that is not local fails.
StatusResult SelectQueues(QueueManager& qm, const std::string& name, std::vector<Queue*>* out) {
  for (const auto& [qname, q] : qm.queues) {
    if (MatchesGeneric(qname, name) && q->is_local()) out->push_back(q.get());
  }
  if (!out->empty()) return {};
  bool generic = !name.empty() && name.back() == '*';
  if (!generic && qm.queues.count(name)) return {MQRCCF_Q_WRONG_TYPE, MQCA_Q_NAME};
  return {MQRC_UNKNOWN_OBJECT_NAME};
}

StatusResult InquireQueueStatus(QueueManager& qm, const StatusQuery& query,
                                std::vector<StatusRecord>* out) {
  if (query.type != MQIACF_Q_STATUS && query.type != MQIACF_Q_HANDLE) {
    return {MQRCCF_PARM_VALUE_ERROR, MQIACF_Q_STATUS_TYPE};
  }
  if (query.open_type < MQQSOT_ALL || query.open_type > MQQSOT_OUTPUT) {
    return {MQRCCF_PARM_VALUE_ERROR, MQIACF_OPEN_TYPE};
  }
  std::vector<Queue*> queues;
  if (StatusResult r = SelectQueues(qm, query.name, &queues); r.reason) return r;
  for (const Queue* q : queues) {
    if (query.type == MQIACF_Q_STATUS) {
      bool open = query.open_type == MQQSOT_ALL ||
                  (query.open_type == MQQSOT_INPUT ? q->open_input : q->open_output) > 0;
      if (open) QueueStatus(qm, *q, query, &out->emplace_back());
      continue;
    }
    for (const auto& [id, s] : qm.sessions) {
      for (const auto& [hobj, h] : s->handles) {
        if (h.queue == q && !h.qmgr_object && OpenTypeMatches(query.open_type, h.options)) {
          HandleStatus(*s, hobj, h, query, &out->emplace_back());
        }
      }
    }
  }
  return {};
}

StatusResult ResetQueueStatistics(QueueManager& qm, const StatusQuery& query,
                                  std::vector<StatusRecord>* out) {
  std::vector<Queue*> queues;
  if (StatusResult r = SelectQueues(qm, query.name, &queues); r.reason) return r;
  auto now = MessageClock::now();
  for (Queue* found : queues) {
    QueueActivity& a = found->activity;
    RecordBuilder b(query, &out->emplace_back());
    b.AlwaysText(MQCA_Q_NAME, found->name, MQ_Q_NAME_LENGTH);
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - a.reset_at).count();
    b.AlwaysInteger(MQIA_TIME_SINCE_RESET,
                    static_cast<MQLONG>(std::min<int64_t>(seconds, 999999999)));
    b.AlwaysInteger(MQIA_HIGH_Q_DEPTH, a.high_depth);
    b.AlwaysInteger(MQIA_MSG_ENQ_COUNT, a.puts);
    b.AlwaysInteger(MQIA_MSG_DEQ_COUNT, a.gets);
    a.high_depth = 0;
    a.puts = 0;
    a.gets = 0;
    a.reset_at = now;
  }
  return {};
}

StatusResult InquireQueueManagerStatus(const QueueManager& qm, const StatusQuery& query,
                                       std::vector<StatusRecord>* out) {
  RecordBuilder b(query, &out->emplace_back());
  b.AlwaysText(MQCA_Q_MGR_NAME, qm.name, MQ_Q_MGR_NAME_LENGTH);
  b.AlwaysInteger(MQIACF_Q_MGR_STATUS, MQQMSTA_RUNNING);
  // Clients connect without a channel initiator to start; it is running as
  // far as they can tell.
  b.Integer(MQIACF_CHINIT_STATUS, MQSVC_STATUS_RUNNING);
  b.Integer(MQIACF_CMD_SERVER_STATUS,
            qm.command_server_running ? MQSVC_STATUS_RUNNING : MQSVC_STATUS_STOPPED);
  b.Integer(MQIACF_CONNECTION_COUNT, static_cast<MQLONG>(qm.sessions.size()));
  // The stand-in keeps no log and has no installation: blank.
  b.Text(MQCACF_CURRENT_LOG_EXTENT_NAME, "", MQ_LOG_EXTENT_NAME_LENGTH);
  b.Text(MQCA_INSTALLATION_DESC, "", MQ_INSTALLATION_DESC_LENGTH);
  b.Text(MQCA_INSTALLATION_NAME, "", MQ_INSTALLATION_NAME_LENGTH);
  b.Text(MQCA_INSTALLATION_PATH, "", MQ_INSTALLATION_PATH_LENGTH);
  b.Text(MQCACF_LOG_PATH, "", MQ_LOG_PATH_LENGTH);
  b.Text(MQCACF_MEDIA_LOG_EXTENT_NAME, "", MQ_LOG_EXTENT_NAME_LENGTH);
  b.Text(MQCACF_RESTART_LOG_EXTENT_NAME, "", MQ_LOG_EXTENT_NAME_LENGTH);
  b.Text(MQCACF_Q_MGR_START_DATE, qm.start_date, MQ_DATE_LENGTH);
  b.Text(MQCACF_Q_MGR_START_TIME, qm.start_time, MQ_TIME_LENGTH);
  return {};
}

MQLONG ConnectionConsumerState(const Session& s) {
  if (s.started) return MQAS_STARTED;
  return s.consumers.empty() ? MQAS_NONE : MQAS_STOPPED;
}

void ConnectionStatus(const QueueManager& qm, const Session& s, const StatusQuery& query,
                      StatusRecord* record) {
  RecordBuilder b(query, record);
  b.AlwaysBytes(MQBACF_CONNECTION_ID, ConnectionId(qm, s.id));
  b.AlwaysInteger(MQIACF_CONN_INFO_TYPE, MQIACF_CONN_INFO_CONN);
  b.Text(MQCACF_APPL_DESC, "", MQ_APPL_DESC_LENGTH);
  b.Text(MQCACF_APPL_TAG, s.appl, MQ_APPL_TAG_LENGTH);
  b.Integer(MQIA_APPL_TYPE, MQAT_USER);
  b.Integer(MQIACF_ASYNC_STATE, ConnectionConsumerState(s));
  b.Text(MQCACH_CHANNEL_NAME, s.channel, MQ_CHANNEL_NAME_LENGTH);
  b.Text(MQCACH_CONNECTION_NAME, s.conname, MQ_CONN_NAME_LENGTH);
  // A connection of the server bindings is a shared binding unless it asked
  // for another.
  constexpr MQLONG kBindings = MQCNO_STANDARD_BINDING | MQCNO_FASTPATH_BINDING |
                               MQCNO_SHARED_BINDING | MQCNO_ISOLATED_BINDING;
  MQLONG options = s.connect_options;
  if (!(options & kBindings)) options |= MQCNO_SHARED_BINDING;
  b.Integer(MQIACF_CONNECT_OPTIONS, options);
  b.Integer(MQIACF_PROCESS_ID, s.pid);
  b.Bytes(MQBACF_Q_MGR_UOW_ID, UnitOfWorkId(s));
  b.Integer(MQIACF_THREAD_ID, s.tid);
  b.Integer(MQIACF_UOW_STATE, InUnitOfWork(s) ? MQUOWST_ACTIVE : MQUOWST_NONE);
  b.Integer(MQIACF_UOW_TYPE, MQUOWT_Q_MGR);
  b.Text(MQCACF_USER_IDENTIFIER, s.user, MQ_USER_ID_LENGTH);
}

void ConnectionHandle(const QueueManager& qm, const Session& s, MQHOBJ hobj, const Handle& h,
                      const StatusQuery& query, StatusRecord* record) {
  RecordBuilder b(query, record);
  b.AlwaysBytes(MQBACF_CONNECTION_ID, ConnectionId(qm, s.id));
  b.AlwaysInteger(MQIACF_CONN_INFO_TYPE, MQIACF_CONN_INFO_HANDLE);
  b.Text(MQCACF_OBJECT_NAME, h.object_name, MQ_OBJECT_NAME_LENGTH);
  b.Integer(MQIACF_OBJECT_TYPE, h.qmgr_object ? MQOT_Q_MGR : MQOT_Q);
  b.Integer(MQIACF_OPEN_OPTIONS, h.options);
  const MQLONG consumer = ConsumerState(s, hobj);
  b.Integer(MQIACF_HANDLE_STATE, consumer == MQAS_ACTIVE ? MQHSTATE_ACTIVE : MQHSTATE_INACTIVE);
  b.Integer(MQIACF_ASYNC_STATE, consumer);
}

StatusResult InquireConnection(const QueueManager& qm, const StatusQuery& query,
                               std::vector<StatusRecord>* out) {
  if (query.type != MQIACF_CONN_INFO_CONN && query.type != MQIACF_CONN_INFO_HANDLE &&
      query.type != MQIACF_CONN_INFO_ALL) {
    return {MQRCCF_PARM_VALUE_ERROR, MQIACF_CONN_INFO_TYPE};
  }
  if (!query.generic_connection && query.connection_id.size() != MQ_CONNECTION_ID_LENGTH) {
    return {MQRCCF_CONNECTION_ID_ERROR, MQBACF_CONNECTION_ID};
  }
  bool found = false;
  for (const auto& [id, s] : qm.sessions) {
    if (s->ended) continue;
    std::string cid = ConnectionId(qm, s->id);
    bool matches = query.generic_connection ? cid.starts_with(query.connection_id)
                                            : cid == query.connection_id;
    if (!matches) continue;
    found = true;
    if (query.type != MQIACF_CONN_INFO_HANDLE)
      ConnectionStatus(qm, *s, query, &out->emplace_back());
    if (query.type == MQIACF_CONN_INFO_CONN) continue;
    for (const auto& [hobj, h] : s->handles) {
      ConnectionHandle(qm, *s, hobj, h, query, &out->emplace_back());
    }
  }
  if (!found) return {MQRCCF_NONE_FOUND};
  return {};
}

// The running instance of the server-connection channel that a client
// session came in through.
void ChannelStatus(const QueueManager& qm, const Session& s, const StatusQuery& query,
                   StatusRecord* record) {
  RecordBuilder b(query, record);
  b.AlwaysText(MQCACH_CHANNEL_NAME, s.channel, MQ_CHANNEL_NAME_LENGTH);
  b.AlwaysInteger(MQIACH_CHANNEL_INSTANCE_TYPE, MQOT_CURRENT_CHANNEL);
  b.AlwaysInteger(MQIACH_CHANNEL_STATUS, MQCHS_RUNNING);
  b.AlwaysInteger(MQIACH_CHANNEL_TYPE, MQCHT_SVRCONN);
  b.AlwaysText(MQCACH_CONNECTION_NAME, s.conname, MQ_CONN_NAME_LENGTH);
  b.AlwaysText(MQCACH_REMOTE_APPL_TAG, s.appl, MQ_APPL_TAG_LENGTH);
  b.AlwaysText(MQCA_REMOTE_Q_MGR_NAME, "", MQ_Q_MGR_NAME_LENGTH);
  b.AlwaysInteger(MQIACH_STOP_REQUESTED, MQCHSR_STOP_NOT_REQUESTED);
  b.AlwaysInteger(MQIACH_CHANNEL_SUBSTATE, MQCHSSTATE_RECEIVING);
  b.AlwaysText(MQCACH_XMIT_Q_NAME, "", MQ_Q_NAME_LENGTH);
  // Counts as IBM MQ reports them, wrapping past 999999999.
  auto count = [](int64_t n) { return static_cast<MQLONG>(n % 1000000000); };
  b.Integer(MQIACH_BUFFERS_RECEIVED, count(s.buffers_received));
  b.Integer(MQIACH_BUFFERS_SENT, count(s.buffers_sent));
  b.Integer(MQIACH_BYTES_RECEIVED, count(s.bytes_received));
  b.Integer(MQIACH_BYTES_SENT, count(s.bytes_sent));
  b.Text(MQCACH_CHANNEL_START_DATE, s.connect_date, MQ_CHANNEL_DATE_LENGTH);
  b.Text(MQCACH_CHANNEL_START_TIME, s.connect_time, MQ_CHANNEL_TIME_LENGTH);
  std::string date, time;
  if (int64_t us = s.last_message_us) {
    DateTimeFields(WallClock::time_point(std::chrono::microseconds(us)), &date, &time);
  }
  b.Text(MQCACH_LAST_MSG_DATE, date, MQ_CHANNEL_DATE_LENGTH);
  b.Text(MQCACH_LAST_MSG_TIME, time, MQ_CHANNEL_TIME_LENGTH);
  b.Integer(MQIACH_MCA_STATUS, MQMCAS_RUNNING);
  b.Text(MQCACH_MCA_USER_ID, s.user, MQ_MAX_MCA_USER_ID_LENGTH);
  b.Integer(MQIACH_MSGS, count(s.messages));
  AttributeValue v;
  auto definition = qm.channels.find(s.channel);
  const ChannelDefinition* c = definition == qm.channels.end() ? nullptr : definition->second.get();
  b.Integer(MQIACH_CURRENT_SHARING_CONVS, 1);
  b.Integer(MQIACH_MAX_SHARING_CONVS,
            c && ChannelAttribute(*c, MQIACH_SHARING_CONVERSATIONS, &v) ? v.number : 10);
}

StatusResult InquireChannelStatus(const QueueManager& qm, const StatusQuery& query,
                                  std::vector<StatusRecord>* out) {
  if (query.type != MQOT_CURRENT_CHANNEL && query.type != MQOT_SAVED_CHANNEL &&
      query.type != MQOT_SHORT_CHANNEL) {
    return {MQRCCF_CHL_INST_TYPE_ERROR, MQIACH_CHANNEL_INSTANCE_TYPE};
  }
  // Client channels keep no saved status: they carry no batches.
  if (query.type != MQOT_SAVED_CHANNEL) {
    for (const auto& [id, s] : qm.sessions) {
      if (s->ended || s->channel.empty() || !MatchesGeneric(s->channel, query.name)) continue;
      ChannelStatus(qm, *s, query, &out->emplace_back());
    }
  }
  if (out->empty()) return {MQRCCF_CHL_STATUS_NOT_FOUND};
  return {};
}

}  // namespace

std::string ConnectionId(const QueueManager& qm, uint32_t session) {
  std::string id = "AMQC" + qm.name.substr(0, 12);
  id.resize(16, ' ');
  PutBigEndian(static_cast<uint32_t>(::getpid()), &id);
  PutBigEndian(session, &id);
  return id;
}

StatusResult RunStatusCommand(QueueManager& qm, const StatusQuery& query,
                              std::vector<StatusRecord>* out) {
  std::lock_guard lock(qm.mu);
  switch (query.command) {
    case MQCMD_INQUIRE_Q_STATUS:
      return InquireQueueStatus(qm, query, out);
    case MQCMD_RESET_Q_STATS:
      return ResetQueueStatistics(qm, query, out);
    case MQCMD_INQUIRE_Q_MGR_STATUS:
      return InquireQueueManagerStatus(qm, query, out);
    case MQCMD_INQUIRE_CONNECTION:
      return InquireConnection(qm, query, out);
    case MQCMD_INQUIRE_CHANNEL_STATUS:
      return InquireChannelStatus(qm, query, out);
    default:
      return {MQRCCF_CFH_COMMAND_ERROR};
  }
}

}  // namespace mqemu
