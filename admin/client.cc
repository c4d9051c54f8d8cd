// The administration client's MQI calls: connection, reply queue, puts and
// gets, each through the client's table of entry points.
#include "admin/client.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "pcf/coalesced_reader.h"
#include "pcf/mq_field.h"
#include "pcf/mqsc_reply.h"

namespace admin {

namespace {

// The reply buffer to begin with: the largest message that a queue holds by
// default (MAXMSGL 4 MB). A longer message grows it.
constexpr size_t kFirstBufferLength = 4 * 1024 * 1024;
// The longest wait one MQGET takes: its WaitInterval is a 32-bit count of
// milliseconds.
constexpr int64_t kLongestWaitMs = INT32_MAX;

bool HasFormat(const MQMD& md, const char* format) {
  return std::memcmp(md.Format, format, MQ_FORMAT_LENGTH) == 0;
}

}  // namespace

bool IsLastReply(const Message& message) {
  if (message.md.MsgType == MQMT_REPORT) return true;
  if (HasFormat(message.md, MQFMT_COMMAND_1) || HasFormat(message.md, MQFMT_COMMAND_2)) {
    const std::vector<std::string> texts = pcf::SplitCoalescedMqsc(message.data);
    return std::any_of(texts.begin(), texts.end(),
                       [](const std::string& text) { return IsClosingMqscText(text); });
  }
  MQCFH header;
  if (message.data.size() < sizeof header) return true;
  std::memcpy(&header, message.data.data(), sizeof header);
  return header.StrucLength != MQCFH_STRUC_LENGTH || (header.Control & MQCFC_LAST) != 0;
}

Client::~Client() {
  if (hconn_ == MQHC_UNUSABLE_HCONN) return;
  MQLONG cc, reason;
  mqi_.MQDISC(&hconn_, &cc, &reason);  // closes the queues, deletes the reply queue
}

bool Client::Fail(std::string what, MQLONG reason) {
  error_ = {std::move(what), reason};
  return false;
}

bool Client::Connect(std::string_view qmgr, MQLONG options, const char* user, MQCD* channel) {
  MQCHAR48 name;
  FillBlankPadded(name, sizeof name, qmgr);
  MQCNO cno = {MQCNO_DEFAULT};
  cno.Version = MQCNO_VERSION_5;
  cno.Options = options;
  cno.ClientConnPtr = channel;
  MQCSP csp = {MQCSP_DEFAULT};
  if (user) {
    csp.AuthenticationType = MQCSP_AUTH_USER_ID_AND_PWD;
    csp.CSPUserIdPtr = const_cast<char*>(user);
    csp.CSPUserIdLength = static_cast<MQLONG>(std::strlen(user));
    cno.SecurityParmsPtr = &csp;
  }
  MQLONG cc, reason;
  mqi_.MQCONNX(name, &cno, &hconn_, &cc, &reason);
  if (cc == MQCC_FAILED) {
    hconn_ = MQHC_UNUSABLE_HCONN;
    return Fail(qmgr.empty() ? "connecting to the default queue manager"
                             : "connecting to queue manager " + std::string(qmgr),
                reason);
  }
  return true;
}

bool Client::OpenReplyQueue(std::string_view model, std::string_view dynamic_name) {
  MQOD od = {MQOD_DEFAULT};
  FillBlankPadded(od.ObjectName, sizeof od.ObjectName, model);
  FillBlankPadded(od.DynamicQName, sizeof od.DynamicQName, dynamic_name);
  MQLONG options = MQOO_INPUT_EXCLUSIVE | MQOO_INQUIRE;
  if (fail_if_quiescing_) options |= MQOO_FAIL_IF_QUIESCING;
  MQLONG cc, reason;
  mqi_.MQOPEN(hconn_, &od, options, &reply_queue_, &cc, &reason);
  if (cc == MQCC_FAILED) {
    reply_queue_ = MQHO_UNUSABLE_HOBJ;
    return Fail("opening a reply queue from the model queue " + std::string(model), reason);
  }
  reply_queue_name_ = TextInField(od.ObjectName, sizeof od.ObjectName);
  return true;
}

bool Client::InquireQueueManager(std::string* name, MQLONG* platform) {
  MQOD od = {MQOD_DEFAULT};
  od.ObjectType = MQOT_Q_MGR;
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG cc, reason;
  MQLONG options = MQOO_INQUIRE;
  if (fail_if_quiescing_) options |= MQOO_FAIL_IF_QUIESCING;
  mqi_.MQOPEN(hconn_, &od, options, &hobj, &cc, &reason);
  if (cc == MQCC_FAILED) return Fail("opening the queue manager to inquire", reason);
  MQLONG selectors[2] = {MQCA_Q_MGR_NAME, MQIA_PLATFORM};
  MQCHAR48 found;
  mqi_.MQINQ(hconn_, hobj, 2, selectors, 1, platform, sizeof found, found, &cc, &reason);
  if (cc != MQCC_FAILED) *name = TextInField(found, sizeof found);
  MQLONG close_cc, close_reason;
  mqi_.MQCLOSE(hconn_, &hobj, MQCO_NONE, &close_cc, &close_reason);
  return cc != MQCC_FAILED || Fail("inquiring the queue manager", reason);
}

MQHOBJ Client::OutputQueue(const std::string& queue, const std::string& qmgr) {
  auto [at, added] = output_queues_.try_emplace({queue, qmgr}, MQHO_UNUSABLE_HOBJ);
  if (!added) return at->second;
  MQOD od = {MQOD_DEFAULT};
  FillBlankPadded(od.ObjectName, sizeof od.ObjectName, queue);
  FillBlankPadded(od.ObjectQMgrName, sizeof od.ObjectQMgrName, qmgr);
  MQLONG options = MQOO_OUTPUT;
  if (fail_if_quiescing_) options |= MQOO_FAIL_IF_QUIESCING;
  MQLONG cc, reason;
  mqi_.MQOPEN(hconn_, &od, options, &at->second, &cc, &reason);
  if (cc == MQCC_FAILED) {
    output_queues_.erase(at);
    Fail("opening queue " + queue, reason);
    return MQHO_UNUSABLE_HOBJ;
  }
  return at->second;
}

bool Client::Put(std::string_view data, const char* format, const PutOptions& options, MQMD* put) {
  const MQHOBJ hobj = OutputQueue(options.queue, options.queue_manager);
  if (hobj == MQHO_UNUSABLE_HOBJ) return false;
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, format, MQ_FORMAT_LENGTH);
  md.MsgType = options.msg_type;
  md.Report = options.report;
  std::memcpy(md.CorrelId, options.correl_id.data(),
              std::min(options.correl_id.size(), sizeof md.CorrelId));
  if (options.msg_type == MQMT_REQUEST) {
    FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ,
                    options.reply_to_q.empty() ? reply_queue_name_ : options.reply_to_q);
  }
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Options = MQPMO_NO_SYNCPOINT | MQPMO_NEW_MSG_ID;
  if (options.async) pmo.Options |= MQPMO_ASYNC_RESPONSE;
  if (fail_if_quiescing_) pmo.Options |= MQPMO_FAIL_IF_QUIESCING;
  MQLONG cc, reason;
  mqi_.MQPUT(hconn_, hobj, &md, &pmo, static_cast<MQLONG>(data.size()),
             const_cast<char*>(data.data()), &cc, &reason);
  if (cc == MQCC_FAILED) return Fail("putting the request to queue " + options.queue, reason);
  // The command server answers with the request's MsgId as CorrelId, or
  // with its CorrelId when the request asks for that.
  std::memcpy(answer_id_, (md.Report & MQRO_PASS_CORREL_ID) ? md.CorrelId : md.MsgId,
              sizeof answer_id_);
  if (put) *put = md;
  return true;
}

MQLONG Client::Get(Message* message, const Wait& wait, Match match) {
  using std::chrono::milliseconds;
  Clock::time_point until = wait.until;
  const Clock::time_point start = Clock::now();
  if (wait.each < std::chrono::duration_cast<milliseconds>(until - start)) {
    until = start + wait.each;
  }
  if (!buffer_) {
    buffer_length_ = kFirstBufferLength;
    buffer_ = std::make_unique_for_overwrite<char[]>(buffer_length_);
  }
  for (;;) {
    const int64_t left = std::chrono::duration_cast<milliseconds>(until - Clock::now()).count();
    message->md = MQMD{MQMD_DEFAULT};
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.Version = MQGMO_VERSION_2;
    gmo.Options = MQGMO_NO_SYNCPOINT;
    if (left > 0) gmo.Options |= MQGMO_WAIT;
    if (fail_if_quiescing_) gmo.Options |= MQGMO_FAIL_IF_QUIESCING;
    gmo.WaitInterval = static_cast<MQLONG>(std::clamp<int64_t>(left, 0, kLongestWaitMs));
    gmo.MatchOptions = MQMO_NONE;
    if (match == Match::kAnswer) {
      gmo.MatchOptions = MQMO_MATCH_CORREL_ID;
      std::memcpy(message->md.CorrelId, answer_id_, sizeof answer_id_);
    }
    MQLONG length = 0, cc, reason;
    mqi_.MQGET(hconn_, reply_queue_, &message->md, &gmo, static_cast<MQLONG>(buffer_length_),
               buffer_.get(), &length, &cc, &reason);
    if (reason == MQRC_TRUNCATED_MSG_FAILED && static_cast<size_t>(length) > buffer_length_) {
      buffer_length_ = static_cast<size_t>(length);  // the message stays; get it again
      buffer_ = std::make_unique_for_overwrite<char[]>(buffer_length_);
      continue;
    }
    if (reason == MQRC_NO_MSG_AVAILABLE && left > kLongestWaitMs) continue;
    if (cc == MQCC_FAILED) {
      Fail("getting a reply", reason);
      return reason;
    }
    message->data.assign(buffer_.get(), static_cast<size_t>(length));
    return MQRC_NONE;
  }
}

MQLONG Client::GetAnswer(const Wait& wait, Match match, const std::function<bool(Message&)>& take) {
  Message message;
  for (;;) {
    if (MQLONG reason = Get(&message, wait, match); reason != MQRC_NONE) return reason;
    if (take(message)) return MQRC_NONE;
  }
}

void MQENTRY Client::Consumer(MQHCONN, PMQVOID md, PMQVOID, PMQVOID buffer, PMQCBC context) {
  Client* self = static_cast<Client*>(context->CallbackArea);
  std::lock_guard lock(self->pushed_mu_);
  if (context->CallType == MQCBCT_MSG_REMOVED || context->CallType == MQCBCT_MSG_NOT_REMOVED) {
    Message message;
    std::memcpy(&message.md, md, sizeof message.md);
    message.data.assign(static_cast<const char*>(buffer), static_cast<size_t>(context->DataLength));
    self->pushed_.push_back(std::move(message));
  } else if (context->CompCode == MQCC_FAILED && context->Reason != MQRC_NO_MSG_AVAILABLE) {
    self->pushed_reason_ = context->Reason;
  }
  self->pushed_cv_.notify_all();
}

MQLONG Client::Consume(const Wait& wait, const std::function<bool(Message&)>& take) {
  MQCBD cbd = {MQCBD_DEFAULT};
  cbd.CallbackType = MQCBT_MESSAGE_CONSUMER;
  cbd.CallbackFunction = reinterpret_cast<MQPTR>(&Client::Consumer);
  cbd.CallbackArea = this;
  cbd.MaxMsgLength = MQCBD_FULL_MSG_LENGTH;
  MQMD md = {MQMD_DEFAULT};
  MQGMO gmo = {MQGMO_DEFAULT};
  gmo.Version = MQGMO_VERSION_2;
  gmo.Options = MQGMO_NO_SYNCPOINT;
  if (fail_if_quiescing_) gmo.Options |= MQGMO_FAIL_IF_QUIESCING;
  MQLONG cc, reason;
  mqi_.MQCB(hconn_, MQOP_REGISTER, &cbd, reply_queue_, &md, &gmo, &cc, &reason);
  if (cc == MQCC_FAILED) return Fail("registering the reply queue's consumer", reason), reason;
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  mqi_.MQCTL(hconn_, MQOP_START, &ctlo, &cc, &reason);
  if (cc == MQCC_FAILED) return Fail("starting the reply queue's consumer", reason), reason;
  {
    std::lock_guard lock(pushed_mu_);
    pushed_reason_ = MQRC_NONE;
  }
  MQLONG result = MQRC_NO_MSG_AVAILABLE;
  std::unique_lock lock(pushed_mu_);
  while (result == MQRC_NO_MSG_AVAILABLE) {
    if (!pushed_cv_.wait_until(
            lock, wait.until, [this] { return !pushed_.empty() || pushed_reason_ != MQRC_NONE; })) {
      break;
    }
    if (pushed_.empty()) {
      result = pushed_reason_;
      Fail("consuming replies", result);
      break;
    }
    Message message = std::move(pushed_.front());
    pushed_.pop_front();
    lock.unlock();
    if (take(message)) result = MQRC_NONE;
    lock.lock();
  }
  lock.unlock();
  // Stopped, the connection hands back what was pushed and not taken.
  mqi_.MQCTL(hconn_, MQOP_STOP, &ctlo, &cc, &reason);
  mqi_.MQCB(hconn_, MQOP_DEREGISTER, &cbd, reply_queue_, &md, &gmo, &cc, &reason);
  lock.lock();
  pushed_.clear();
  return result;
}

}  // namespace admin
