// The benchmark's administration client: MQCONN, MQOPEN, MQPUT and MQGET
// as IBM's cmqc.h declares them, and the PCF of its requests.
#include "bench/admin_client.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"
#include "pcf/pcf_writer.h"

namespace bench {
namespace {

// The largest message the stand-in's queues take: any answer fits.
constexpr size_t kBufferLength = 4 * 1024 * 1024;

const char* QueueOf(Path path) {
  return path == Path::kDirect ? kCommandQueue : kAgentQueue;
}

}  // namespace

const char* PathName(Path path) {
  return path == Path::kDirect ? "direct" : "agent";
}

AdminClient::AdminClient(const std::string& qmgr, const std::string& reply_model)
    : buffer_(kBufferLength) {
  MQCHAR48 name;
  FillBlankPadded(name, sizeof name, qmgr);
  MQLONG cc = MQCC_OK, reason = MQRC_NONE;
  MQCONN(name, &hconn_, &cc, &reason);
  if (cc == MQCC_FAILED) {
    Failed("MQCONN to " + qmgr, reason);
    return;
  }
  MQOD od = {MQOD_DEFAULT};
  FillBlankPadded(od.ObjectName, sizeof od.ObjectName, reply_model);
  FillBlankPadded(od.DynamicQName, sizeof od.DynamicQName, "CSAGNT.BENCH.*");
  MQOPEN(hconn_, &od, MQOO_INPUT_EXCLUSIVE | MQOO_FAIL_IF_QUIESCING, &reply_queue_, &cc, &reason);
  if (cc == MQCC_FAILED) {
    Failed("MQOPEN of a reply queue from " + reply_model, reason);
    return;
  }
  std::memcpy(reply_queue_name_, od.ObjectName, sizeof reply_queue_name_);
}

AdminClient::~AdminClient() {
  if (hconn_ == MQHC_UNUSABLE_HCONN) return;
  MQLONG cc, reason;
  MQDISC(&hconn_, &cc, &reason);
}

bool AdminClient::Failed(const std::string& what, MQLONG reason) {
  error_ = what + " failed with reason " + std::to_string(reason);
  return false;
}

bool AdminClient::OpenRequestQueue(Path path) {
  MQHOBJ& queue = request_queues_[static_cast<int>(path)];
  if (queue != MQHO_UNUSABLE_HOBJ) return true;
  MQOD od = {MQOD_DEFAULT};
  FillBlankPadded(od.ObjectName, sizeof od.ObjectName, QueueOf(path));
  MQLONG cc, reason;
  MQOPEN(hconn_, &od, MQOO_OUTPUT | MQOO_FAIL_IF_QUIESCING, &queue, &cc, &reason);
  if (cc == MQCC_FAILED) {
    queue = MQHO_UNUSABLE_HOBJ;
    return Failed(std::string("MQOPEN of ") + QueueOf(path), reason);
  }
  return true;
}

bool AdminClient::Ask(Path path, const std::string& request, Answer* answer, MQLONG wait_ms) {
  answer->messages.clear();
  answer->bytes = 0;
  if (!ok() || !OpenRequestQueue(path)) return false;

  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_ADMIN, MQ_FORMAT_LENGTH);
  md.MsgType = MQMT_REQUEST;
  std::memcpy(md.ReplyToQ, reply_queue_name_, sizeof md.ReplyToQ);
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Options = MQPMO_NO_SYNCPOINT | MQPMO_NEW_MSG_ID | MQPMO_FAIL_IF_QUIESCING;
  MQLONG cc, reason;
  MQPUT(hconn_, request_queues_[static_cast<int>(path)], &md, &pmo,
        static_cast<MQLONG>(request.size()), const_cast<char*>(request.data()), &cc, &reason);
  if (cc == MQCC_FAILED) return Failed(std::string("MQPUT to ") + QueueOf(path), reason);

  MQBYTE24 correl_id;
  std::memcpy(correl_id, md.MsgId, sizeof correl_id);
  for (;;) {
    MQMD reply = {MQMD_DEFAULT};
    reply.Version = MQMD_VERSION_2;
    std::memcpy(reply.CorrelId, correl_id, sizeof reply.CorrelId);
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.Version = MQGMO_VERSION_2;
    gmo.Options = MQGMO_WAIT | MQGMO_NO_SYNCPOINT | MQGMO_FAIL_IF_QUIESCING;
    gmo.MatchOptions = MQMO_MATCH_CORREL_ID;
    gmo.WaitInterval = wait_ms;
    MQLONG length = 0;
    MQGET(hconn_, reply_queue_, &reply, &gmo, static_cast<MQLONG>(buffer_.size()), buffer_.data(),
          &length, &cc, &reason);
    if (cc == MQCC_FAILED) {
      return Failed(
          "MQGET of reply " + std::to_string(answer->messages.size() + 1) + " from " +
              TrimTrailingBlanks(std::string_view(reply_queue_name_, sizeof reply_queue_name_)),
          reason);
    }
    answer->messages.emplace_back(buffer_.data(), static_cast<size_t>(length));
    answer->bytes += static_cast<size_t>(length);
    MQCFH header;
    if (static_cast<size_t>(length) < sizeof header) return true;  // not PCF: nothing follows
    std::memcpy(&header, buffer_.data(), sizeof header);
    if (header.Control & MQCFC_LAST) return true;
  }
}

std::string BenchQueueName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "BENCH.Q.%05d", i);
  return name;
}

int BenchQueueNumber(const std::string& name) {
  constexpr std::string_view kPrefix = "BENCH.Q.";
  if (!name.starts_with(kPrefix)) return 0;
  const int i = std::atoi(name.c_str() + kPrefix.size());
  return i > 0 && BenchQueueName(i) == name ? i : 0;
}

bool DefineBenchQueues(AdminClient* client, int count, std::string* error) {
  Answer answer;
  for (int i = 0; i <= count; ++i) {
    pcf::PcfBuilder create(MQCFT_COMMAND, MQCMD_CREATE_Q);
    if (i == 0) {
      create.String(MQCA_Q_NAME, kDeepModelQueue);
      create.Integer(MQIA_Q_TYPE, MQQT_MODEL);
      create.Integer(MQIA_MAX_Q_DEPTH, kDeepModelDepth);
    } else {
      create.String(MQCA_Q_NAME, BenchQueueName(i));
      create.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
    }
    create.Integer(MQIACF_REPLACE, MQRP_YES);
    if (!client->Ask(Path::kDirect, create.Finish(), &answer)) return false;
    pcf::PcfMessage reply;
    if (pcf::ParsePcf(answer.messages.back(), &reply) != 0 || reply.header.CompCode != MQCC_OK) {
      *error = "Create Queue failed with reason " + std::to_string(reply.header.Reason);
      return false;
    }
  }
  return true;
}

}  // namespace bench
