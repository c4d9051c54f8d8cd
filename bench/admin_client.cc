// The benchmark's administration client on the shared one, and the PCF of
// its requests.
#include "bench/admin_client.h"

#include <cstdio>
#include <cstdlib>

#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"
#include "pcf/pcf_writer.h"

namespace bench {

const char* PathName(Path path) {
  return path == Path::kDirect ? "direct" : "agent";
}

AdminClient::AdminClient(const std::string& qmgr, const std::string& reply_model)
    : client_(admin::LinkedMqi()) {
  if (!client_.Connect(qmgr) || !client_.OpenReplyQueue(reply_model, "CSAGNT.BENCH.*")) {
    error_ = client_.error().Text();
  }
}

bool AdminClient::Ask(Path path, const std::string& request, Answer* answer, MQLONG wait_ms) {
  answer->messages.clear();
  answer->bytes = 0;
  if (!ok()) return false;
  const auto take = [answer](admin::Message& message) {
    const bool last = admin::IsLastReply(message);
    answer->bytes += message.data.size();
    answer->messages.push_back(std::move(message.data));
    return last;
  };
  const char* queue = path == Path::kDirect ? kCommandQueue : kAgentQueue;
  if (!client_.Put(request, MQFMT_ADMIN, admin::PutOptions().Queue(queue)) ||
      client_.GetAnswer(admin::Wait{.each = std::chrono::milliseconds(wait_ms)},
                        admin::Match::kAnswer, take) != MQRC_NONE) {
    error_ = client_.error().Text();
    return false;
  }
  return true;
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
