// The MQI side of csagnt-query: every call goes through MqiTable.
#include "admin_session.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "mq/mqi_table.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_reader.h"

namespace query {

namespace {

constexpr size_t kFirstBufferLength = 64 * 1024;
// The longest wait one MQGET takes: its WaitInterval is a 32-bit count of
// milliseconds.
constexpr int64_t kLongestWaitMs = INT32_MAX;

}  // namespace

AdminSession::~AdminSession() {
  if (hconn_ == MQHC_UNUSABLE_HCONN) return;
  MQLONG cc, reason;
  if (reply_queue_ != MQHO_UNUSABLE_HOBJ) {
    MqiTable.MQCLOSE(hconn_, &reply_queue_, MQCO_NONE, &cc, &reason);
  }
  MqiTable.MQDISC(&hconn_, &cc, &reason);
}

bool AdminSession::Fail(std::string what, MQLONG reason) {
  error_ = {std::move(what), reason, 0};
  return false;
}

bool AdminSession::Open(bool client, const std::string& qmgr, const std::string& reply_model) {
  const char* base = client ? "mqic" : "mqm";
  if (int rc = LoadMqiLibrary(base, &MqiTable); rc != 0) {
    MqLibraryChoice choice = ChooseMqLibrary(base);
    error_ = {std::string("loading IBM MQ's library ") + choice.file_name + " (set " +
                  choice.directory_variable + " to the directory that holds it)",
              0, rc};
    return false;
  }
  MQCHAR48 name;
  FillNulPadded(name, sizeof name, qmgr);
  MQCNO cno = {MQCNO_DEFAULT};
  cno.Options = client ? MQCNO_CLIENT_BINDING : MQCNO_STANDARD_BINDING;
  MQLONG cc, reason;
  MqiTable.MQCONNX(name, &cno, &hconn_, &cc, &reason);
  if (cc == MQCC_FAILED) {
    hconn_ = MQHC_UNUSABLE_HCONN;
    return Fail(qmgr.empty() ? "connecting to the default queue manager"
                             : "connecting to queue manager " + qmgr,
                reason);
  }

  // The queue manager's name and platform.
  MQOD od = {MQOD_DEFAULT};
  od.ObjectType = MQOT_Q_MGR;
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MqiTable.MQOPEN(hconn_, &od, MQOO_INQUIRE | MQOO_FAIL_IF_QUIESCING, &hobj, &cc, &reason);
  qmgr_name_ = qmgr;
  if (cc != MQCC_FAILED) {
    MQLONG selectors[2] = {MQCA_Q_MGR_NAME, MQIA_PLATFORM};
    MQLONG platform = MQPL_UNIX;
    MQCHAR48 found;
    MqiTable.MQINQ(hconn_, hobj, 2, selectors, 1, &platform, sizeof found, found, &cc, &reason);
    if (cc != MQCC_FAILED) {
      zos_ = platform == MQPL_ZOS;
      qmgr_name_ = TextInField(found, sizeof found);
    }
    MqiTable.MQCLOSE(hconn_, &hobj, MQCO_NONE, &cc, &reason);
  }

  od = {MQOD_DEFAULT};
  FillNulPadded(od.ObjectName, sizeof od.ObjectName, reply_model);
  FillNulPadded(od.DynamicQName, sizeof od.DynamicQName, "CSAGNT.QUERY.*");
  MqiTable.MQOPEN(hconn_, &od, MQOO_INPUT_EXCLUSIVE | MQOO_FAIL_IF_QUIESCING, &reply_queue_, &cc,
                  &reason);
  if (cc == MQCC_FAILED) {
    reply_queue_ = MQHO_UNUSABLE_HOBJ;
    return Fail("opening a reply queue from the model queue " + reply_model, reason);
  }
  std::memcpy(reply_queue_name_, od.ObjectName, sizeof reply_queue_name_);
  buffer_.resize(kFirstBufferLength);
  return true;
}

bool AdminSession::Send(const std::string& queue, const std::string& request, const char* format) {
  MQOD od = {MQOD_DEFAULT};
  FillNulPadded(od.ObjectName, sizeof od.ObjectName, queue);
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG cc, reason;
  MqiTable.MQOPEN(hconn_, &od, MQOO_OUTPUT | MQOO_FAIL_IF_QUIESCING, &hobj, &cc, &reason);
  if (cc == MQCC_FAILED) return Fail("opening queue " + queue, reason);

  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, format, MQ_FORMAT_LENGTH);
  md.MsgType = MQMT_REQUEST;
  std::memcpy(md.ReplyToQ, reply_queue_name_, sizeof md.ReplyToQ);
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Options = MQPMO_NO_SYNCPOINT | MQPMO_NEW_MSG_ID | MQPMO_FAIL_IF_QUIESCING;
  MqiTable.MQPUT(hconn_, hobj, &md, &pmo, static_cast<MQLONG>(request.size()),
                 const_cast<char*>(request.data()), &cc, &reason);
  MQLONG close_cc, close_reason;
  MqiTable.MQCLOSE(hconn_, &hobj, MQCO_NONE, &close_cc, &close_reason);
  if (cc == MQCC_FAILED) return Fail("putting the request to queue " + queue, reason);
  std::memcpy(request_id_, md.MsgId, sizeof request_id_);
  return true;
}

MQLONG AdminSession::Receive(std::chrono::steady_clock::time_point deadline,
                             ReplyMessage* message) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    MQMD md = {MQMD_DEFAULT};
    std::memcpy(md.CorrelId, request_id_, sizeof md.CorrelId);
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.Version = MQGMO_VERSION_2;
    gmo.Options = MQGMO_WAIT | MQGMO_NO_SYNCPOINT | MQGMO_FAIL_IF_QUIESCING;
    gmo.MatchOptions = MQMO_MATCH_CORREL_ID;
    gmo.WaitInterval = static_cast<MQLONG>(std::clamp<int64_t>(left.count(), 0, kLongestWaitMs));
    MQLONG length = 0, cc, reason;
    MqiTable.MQGET(hconn_, reply_queue_, &md, &gmo, static_cast<MQLONG>(buffer_.size()),
                   buffer_.data(), &length, &cc, &reason);
    if (reason == MQRC_TRUNCATED_MSG_FAILED && static_cast<size_t>(length) > buffer_.size()) {
      buffer_.resize(static_cast<size_t>(length));  // the message stays; get it again
      continue;
    }
    if (reason == MQRC_NO_MSG_AVAILABLE && left.count() > kLongestWaitMs) continue;
    if (cc == MQCC_FAILED) {
      if (reason != MQRC_NO_MSG_AVAILABLE) Fail("getting a reply", reason);
      return reason;
    }
    message->format.assign(md.Format, MQ_FORMAT_LENGTH);
    message->data.assign(buffer_.data(), static_cast<size_t>(length));
    message->msg_type = md.MsgType;
    message->feedback = md.Feedback;
    return MQRC_NONE;
  }
}

}  // namespace query
