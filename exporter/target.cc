// One collection of one queue manager: the requests, one at a time, each
// answered whole (its coalesced messages split by the reader of the agent's
// replies) before the next is put, all within one deadline.
#include "target.h"

#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

#include "answer.h"
#include "pcf/names/constant_names.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_writer.h"

namespace exporter {
namespace {

constexpr char kCommandQueue[] = "SYSTEM.ADMIN.COMMAND.QUEUE";
constexpr char kZosCommandQueue[] = "SYSTEM.COMMAND.INPUT";

// The platform as IBM's exporter labels it, by MQPL_* value.
constexpr std::pair<MQLONG, const char*> kPlatformNames[] = {
    {MQPL_ZOS, "ZOS"},         {MQPL_OS2, "OS2"},
    {MQPL_UNIX, "UNIX"},       {MQPL_OS400, "OS400"},
    {MQPL_WINDOWS, "WINDOWS"}, {MQPL_WINDOWS_NT, "WINDOWS_NT"},
    {MQPL_VMS, "VMS"},         {MQPL_NSK, "NSK"},
    {MQPL_VSE, "VSE"},         {MQPL_APPLIANCE, "APPLIANCE"}};

std::string PlatformName(MQLONG platform) {
  for (const auto& [value, name] : kPlatformNames) {
    if (value == platform) return name;
  }
  return std::to_string(platform);
}

std::string Trimmed(const std::string& text) {
  const size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? "" : text.substr(0, end + 1);
}

// Seconds from a date "YYYY-MM-DD" and a time "HH.MM.SS" (or "HH:MM:SS")
// in the local time of the queue manager's machine, taken as this one's,
// to now; false when either is blank or not one.
bool SecondsSince(const std::string& date, const std::string& time, double* seconds) {
  std::tm tm{};
  char sep1 = 0, sep2 = 0;
  if (std::sscanf(date.c_str(), "%4d-%2d-%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday) != 3 ||
      std::sscanf(time.c_str(), "%2d%c%2d%c%2d", &tm.tm_hour, &sep1, &tm.tm_min, &sep2,
                  &tm.tm_sec) != 5) {
    return false;
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  tm.tm_isdst = -1;
  const std::time_t then = std::mktime(&tm);
  if (then == static_cast<std::time_t>(-1)) return false;
  *seconds = std::difftime(std::time(nullptr), then);
  return true;
}

// The pairs of date and time parameters whose moment becomes a derived value:
// seconds since it, or (kChannelStart) seconds since the epoch.
struct Moment {
  MQLONG date, time, derived;
};
constexpr Moment kMoments[] = {
    {MQCACF_LAST_GET_DATE, MQCACF_LAST_GET_TIME, kSinceLastGet},
    {MQCACF_LAST_PUT_DATE, MQCACF_LAST_PUT_TIME, kSinceLastPut},
    {MQCACF_Q_MGR_START_DATE, MQCACF_Q_MGR_START_TIME, kUptime},
    {MQCACH_LAST_MSG_DATE, MQCACH_LAST_MSG_TIME, kSinceLastMessage},
    {MQCACH_CHANNEL_START_DATE, MQCACH_CHANNEL_START_TIME, kChannelStart},
};

// One response's values: its integers, QTIME's two indicators (IBM MQ
// reports them in microseconds), the moments; MQMON_NOT_AVAILABLE values
// left out (monitoring is off for them). `strings` receives the string
// parameters, trimmed.
void ReadValues(const pcf::PcfMessage& message, ObjectSample* sample,
                std::map<MQLONG, std::string>* strings) {
  for (const pcf::PcfParameter& p : message.parameters) {
    if (p.type == MQCFT_INTEGER && p.value != MQMON_NOT_AVAILABLE) {
      sample->values[p.parameter] = p.value;
    } else if (p.type == MQCFT_INTEGER64) {
      sample->values[p.parameter] = static_cast<double>(p.value64);
    } else if (p.type == MQCFT_STRING) {
      (*strings)[p.parameter] = Trimmed(p.text);
    } else if (p.type == MQCFT_INTEGER_LIST && p.parameter == MQIACF_Q_TIME_INDICATOR &&
               p.values.size() == 2) {
      for (auto [index, derived] : {std::pair{0, kQueueTimeShort}, std::pair{1, kQueueTimeLong}}) {
        if (p.values[index] >= 0) sample->values[derived] = p.values[index] / 1e6;
      }
    }
  }
  for (const Moment& m : kMoments) {
    auto date = strings->find(m.date), time = strings->find(m.time);
    if (date == strings->end() || time == strings->end()) continue;
    double seconds = 0;
    if (!SecondsSince(date->second, time->second, &seconds)) continue;
    sample->values[m.derived] =
        m.derived == kChannelStart ? static_cast<double>(std::time(nullptr)) - seconds : seconds;
  }
}

// Whether a failed response only says there is nothing to report: no
// channel is running, no object matches, or the command is not known to
// this command server (one without channel status, say).
bool NothingToReport(MQLONG reason) {
  return reason == MQRCCF_CHL_STATUS_NOT_FOUND || reason == MQRC_UNKNOWN_OBJECT_NAME ||
         reason == MQRCCF_NONE_FOUND || reason == MQRCCF_CFH_COMMAND_ERROR;
}

}  // namespace

// One collection: the requests asked in turn until one fails.
class Target::Session {
 public:
  Session(Target* target, admin::Clock::time_point deadline)
      : target_(target), deadline_(deadline) {}

  // Asks `request` and gathers its answer into answer_. False, with
  // *collection's error set, when it could not be put or read, or did not
  // come whole in time.
  bool Ask(const std::string& request, Collection* collection) {
    admin::Client& client = *target_->client_;
    const QueueManagerConfig& config = target_->config_;
    const std::string queue = !config.direct                ? config.agent_queue
                              : target_->platform_ == "ZOS" ? kZosCommandQueue
                                                            : kCommandQueue;
    answer_ = {};
    if (!client.Put(request, MQFMT_ADMIN, admin::PutOptions().Queue(queue))) {
      return Fail(collection, ErrorKind::kConnect, client.error().Text());
    }
    const MQLONG reason = client.GetAnswer(admin::Wait{.until = deadline_}, admin::Match::kAnswer,
                                           [this](admin::Message& message) {
                                             query::TakeReply(message, &answer_);
                                             return query::Ended(answer_);
                                           });
    collection->messages += answer_.messages;
    collection->bytes += answer_.bytes;
    if (reason != MQRC_NONE && reason != MQRC_NO_MSG_AVAILABLE) {
      return Fail(collection, ErrorKind::kConnect, client.error().Text());
    }
    if (answer_.fault != 0 || answer_.report || !answer_.texts.empty()) {
      return Fail(collection, ErrorKind::kUnreadable,
                  "a reply to " + queue + " could not be read: " + query::ProblemOf({}, answer_));
    }
    if (!answer_.complete) {
      return Fail(collection, ErrorKind::kTimeout,
                  "no complete answer from " + queue + " within the timeout");
    }
    return true;
  }

  // The answer's responses that report an object, after Ask; false, with
  // *collection's error set, when one failed for another reason than that
  // there is nothing to report.
  bool Responses(Collection* collection, std::vector<const pcf::PcfMessage*>* out) {
    for (const pcf::PcfResponse& r : answer_.responses) {
      const MQCFH& h = r.message.header;
      if (h.CompCode == MQCC_OK) {
        if (!r.message.parameters.empty()) out->push_back(&r.message);
      } else if (!NothingToReport(h.Reason)) {
        return Fail(collection, ErrorKind::kCommand,
                    std::string(CommandText(h.Command)) + " failed: reason " +
                        query::ReasonLabel(h.Reason));
      }
    }
    return true;
  }

  bool Fail(Collection* collection, ErrorKind kind, std::string error) {
    collection->error_kind = kind;
    collection->error = std::move(error);
    return false;
  }

 private:
  Target* target_;
  admin::Clock::time_point deadline_;
  query::Answer answer_;
};

Target::Target(const QueueManagerConfig& config, const admin::Mqi& mqi)
    : config_(config), mqi_(mqi) {}

Target::~Target() = default;

Collection Target::Collect() {
  const auto start = admin::Clock::now();
  Session session(this, start + config_.timeout);
  Collection c;
  auto done = [&](bool reached) {
    c.reached = reached;
    c.seconds = std::chrono::duration<double>(admin::Clock::now() - start).count();
    if (!reached) {
      client_.reset();  // the next collection connects anew
      c.qmgr = {};
      c.queues.clear();
      c.channels.clear();
    }
    return std::move(c);
  };

  if (!client_) {
    auto client = std::make_unique<admin::Client>(mqi_);
    MQCD cd = {MQCD_CLIENT_CONN_DEFAULT};
    if (config_.client()) {
      config_.channel.copy(cd.ChannelName, sizeof cd.ChannelName);
      config_.conname.copy(cd.ConnectionName, sizeof cd.ConnectionName);
    }
    MQLONG platform = MQPL_UNIX;
    std::string name;
    if (!client->Connect(config_.name,
                         config_.client() ? MQCNO_CLIENT_BINDING : MQCNO_STANDARD_BINDING, nullptr,
                         config_.client() ? &cd : nullptr) ||
        !client->InquireQueueManager(&name, &platform) ||
        !client->OpenReplyQueue(config_.reply_model, "CSAGNT.EXPORTER.*")) {
      session.Fail(&c, ErrorKind::kConnect, client->error().Text());
      return done(false);
    }
    platform_ = PlatformName(platform);
    client_ = std::move(client);
  }
  c.platform = platform_;

  std::vector<const pcf::PcfMessage*> responses;
  std::map<MQLONG, std::string> strings;

  pcf::PcfBuilder qmgr_status(MQCFT_COMMAND, MQCMD_INQUIRE_Q_MGR_STATUS);
  qmgr_status.IntegerList(MQIACF_Q_MGR_STATUS_ATTRS, {MQIACF_ALL});
  if (!session.Ask(qmgr_status.Finish(), &c) || !session.Responses(&c, &responses)) {
    return done(false);
  }
  for (const pcf::PcfMessage* m : responses) ReadValues(*m, &c.qmgr, &strings);

  // The queues' attributes first: they say which queues there are.
  pcf::PcfBuilder queues(MQCFT_COMMAND, MQCMD_INQUIRE_Q);
  queues.String(MQCA_Q_NAME, "*");
  queues.IntegerList(MQIACF_Q_ATTRS,
                     {MQCA_Q_NAME, MQIA_Q_TYPE, MQIA_MAX_Q_DEPTH, MQIA_INHIBIT_GET,
                      MQIA_INHIBIT_PUT, MQCA_Q_DESC, MQIA_USAGE, MQIA_DEFINITION_TYPE});
  responses.clear();
  if (!session.Ask(queues.Finish(), &c) || !session.Responses(&c, &responses)) {
    return done(false);
  }
  auto queue_of = [&](const pcf::PcfMessage& m, ObjectSample* sample) {
    strings.clear();
    ReadValues(m, sample, &strings);
    return strings[MQCA_Q_NAME];
  };
  for (const pcf::PcfMessage* m : responses) {
    ObjectSample sample;
    std::string name = queue_of(*m, &sample);
    if (name.empty() || !QueueSelected(config_, name)) continue;
    // Temporary dynamic queues (the reply queues of clients, this one's
    // too) come and go with their connections: no series of their own.
    if (sample.values[MQIA_DEFINITION_TYPE] == MQQDT_TEMPORARY_DYNAMIC) continue;
    sample.labels["queue"] = name;
    sample.labels["description"] = strings[MQCA_Q_DESC];
    c.queues[name] = std::move(sample);
  }

  // Status and statistics add to the queues found; a queue made since is
  // left for the next collection.
  auto add_to_queues = [&]() {
    for (const pcf::PcfMessage* m : responses) {
      ObjectSample values;
      auto found = c.queues.find(queue_of(*m, &values));
      if (found == c.queues.end()) continue;
      for (const auto& [id, value] : values.values) found->second.values[id] = value;
    }
  };
  pcf::PcfBuilder status(MQCFT_COMMAND, MQCMD_INQUIRE_Q_STATUS);
  status.String(MQCA_Q_NAME, "*");
  status.Integer(MQIACF_Q_STATUS_TYPE, MQIACF_Q_STATUS);
  status.IntegerList(MQIACF_Q_STATUS_ATTRS, {MQIACF_ALL});
  responses.clear();
  if (!session.Ask(status.Finish(), &c) || !session.Responses(&c, &responses)) {
    return done(false);
  }
  add_to_queues();

  if (config_.reset_stats) {
    pcf::PcfBuilder reset(MQCFT_COMMAND, MQCMD_RESET_Q_STATS);
    reset.String(MQCA_Q_NAME, "*");
    responses.clear();
    if (!session.Ask(reset.Finish(), &c) || !session.Responses(&c, &responses)) {
      return done(false);
    }
    add_to_queues();
  }

  pcf::PcfBuilder channels(MQCFT_COMMAND, MQCMD_INQUIRE_CHANNEL_STATUS);
  channels.String(MQCACH_CHANNEL_NAME, "*");
  channels.IntegerList(MQIACH_CHANNEL_INSTANCE_ATTRS, {MQIACF_ALL});
  responses.clear();
  if (!session.Ask(channels.Finish(), &c) || !session.Responses(&c, &responses)) {
    return done(false);
  }
  for (const pcf::PcfMessage* m : responses) {
    ObjectSample sample;
    strings.clear();
    ReadValues(*m, &sample, &strings);
    const std::string& name = strings[MQCACH_CHANNEL_NAME];
    if (name.empty()) continue;
    sample.labels["channel"] = name;
    sample.labels["connname"] = strings[MQCACH_CONNECTION_NAME];
    sample.labels["jobname"] = strings[MQCACH_MCA_JOB_NAME];
    // Instances of one channel (server connections, say) by their
    // connection and job.
    c.channels[name + '\0' + sample.labels["connname"] + '\0' + sample.labels["jobname"]] =
        std::move(sample);
  }
  return done(true);
}

}  // namespace exporter
