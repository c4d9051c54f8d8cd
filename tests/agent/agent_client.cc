// The agent's clients and the fake command server, and the PCF helpers.
#include "agent_client.h"

#include "pcf/mq_field.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace agent_test {

namespace {

// Large enough for any coalesced message of the default maxmsgsize.
constexpr MQLONG kGetBufferLength = 4 * 1024 * 1024;

// MQPUT1 of `data` to `queue` on `qmgr` with `md` (completed by the put).
void PutOne(MQHCONN hconn, const std::string& queue, const std::string& qmgr, MQMD* md,
            const std::string& data) {
  MQOD od = {MQOD_DEFAULT};
  FillBlankPadded(od.ObjectName, sizeof od.ObjectName, queue);
  FillBlankPadded(od.ObjectQMgrName, sizeof od.ObjectQMgrName, qmgr);
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Options = MQPMO_NO_SYNCPOINT;
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MQPUT1(hconn, &od, md, &pmo, static_cast<MQLONG>(data.size()), const_cast<char*>(data.data()),
         &comp_code, &reason);
  EXPECT_EQ(reason, MQRC_NONE) << "MQPUT1 to " << queue;
}

}  // namespace

StandIn::StandIn(const std::string& name, const std::string& options) : qmgr_(name, options) {
  Tool("define " + name + " " + kAgentInputQueue);
}

void StandIn::Tool(const std::string& args) {
  std::string output;
  EXPECT_EQ(mqemu_test::RunTool(args, &output), 0) << "mqemu " << args << ": " << output;
}

AgentClient::AgentClient(const std::string& qmgr, const char* user)
    : client_(admin::LinkedMqi(), false) {
  EXPECT_TRUE(client_.Connect(qmgr, MQCNO_NONE, user)) << client_.error().Text();
  EXPECT_TRUE(client_.OpenReplyQueue("SYSTEM.DEFAULT.MODEL.QUEUE", "CLIENT.*"))
      << client_.error().Text();
}

MQMD AgentClient::Put(const std::string& data, const char* format, Options options) {
  if (options.queue.empty()) options.queue = kAgentInputQueue;
  MQMD md = {MQMD_DEFAULT};
  EXPECT_TRUE(client_.Put(data, format, options, &md)) << client_.error().Text();
  return md;
}

void AgentClient::PutDatagram(const std::string& text, const std::string& queue) {
  EXPECT_TRUE(client_.Put(text, MQFMT_STRING, Options().Queue(queue).MsgType(MQMT_DATAGRAM)))
      << client_.error().Text();
}

bool AgentClient::Get(Message* message, int wait_ms) {
  return client_.Get(message, admin::Wait{.each = std::chrono::milliseconds(wait_ms)}) == MQRC_NONE;
}

std::vector<Message> AgentClient::GetUntilLast(int wait_ms) {
  std::vector<Message> messages;
  const MQLONG reason = client_.GetAnswer(admin::Wait{.each = std::chrono::milliseconds(wait_ms)},
                                          admin::Match::kAny, [&messages](Message& message) {
                                            messages.push_back(std::move(message));
                                            return admin::IsLastReply(messages.back());
                                          });
  if (reason != MQRC_NONE) {
    ADD_FAILURE() << "no reply with MQCFC_LAST after " << messages.size() << " messages";
  }
  return messages;
}

FakeCommandServer::FakeCommandServer(const std::string& qmgr, const std::string& queue) {
  hconn_ = mqemu_test::Connect(qmgr);
  queue_ = mqemu_test::Open(hconn_, queue, MQOO_INPUT_SHARED);
}

FakeCommandServer::~FakeCommandServer() {
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MQDISC(&hconn_, &comp_code, &reason);
}

bool FakeCommandServer::NextRequest(Message* request, int wait_ms) {
  request->md = MQMD{MQMD_DEFAULT};
  return mqemu_test::Get(hconn_, queue_, &request->data, &request->md, wait_ms, kGetBufferLength) ==
         MQRC_NONE;
}

void FakeCommandServer::Reply(const Message& request, const std::string& data, const char* format,
                              MQLONG msg_type, MQLONG feedback) {
  MQMD md = {MQMD_DEFAULT};
  memcpy(md.Format, format, MQ_FORMAT_LENGTH);
  md.MsgType = msg_type;
  md.Feedback = feedback;
  // The identifiers as the request's report options ask, as a command
  // server sets them.
  if (request.md.Report & MQRO_PASS_MSG_ID) memcpy(md.MsgId, request.md.MsgId, sizeof md.MsgId);
  memcpy(md.CorrelId,
         (request.md.Report & MQRO_PASS_CORREL_ID) ? request.md.CorrelId : request.md.MsgId,
         sizeof md.CorrelId);
  PutOne(hconn_, TextInField(request.md.ReplyToQ, sizeof request.md.ReplyToQ),
         TextInField(request.md.ReplyToQMgr, sizeof request.md.ReplyToQMgr), &md, data);
}

std::string PcfCommand(MQLONG command, const std::vector<std::pair<MQLONG, std::string>>& strings,
                       const std::vector<std::pair<MQLONG, MQLONG>>& integers) {
  pcf::PcfBuilder builder(MQCFT_COMMAND, command);
  for (const auto& [parameter, value] : strings) builder.String(parameter, value);
  for (const auto& [parameter, value] : integers) builder.Integer(parameter, value);
  return builder.Finish();
}

std::string EscapeRequest(const std::string& text) {
  pcf::PcfBuilder builder(MQCFT_COMMAND, MQCMD_ESCAPE);
  builder.Integer(MQIACF_ESCAPE_TYPE, MQET_MQSC);
  builder.String(MQCACF_ESCAPE_TEXT, text);
  return builder.Finish();
}

std::string PcfResponse(MQLONG command, MQLONG seq, MQLONG control, int length, MQLONG comp_code,
                        MQLONG reason) {
  EXPECT_EQ((length - MQCFH_STRUC_LENGTH) % MQCFIN_STRUC_LENGTH, 0) << length;
  pcf::PcfBuilder builder(MQCFT_RESPONSE, command, seq, control, comp_code, reason);
  for (int at = MQCFH_STRUC_LENGTH, value = 1; at < length; at += MQCFIN_STRUC_LENGTH, ++value) {
    builder.Integer(1, value);
  }
  return builder.Finish();
}

pcf::PcfMessage ParseOrFail(const std::string& data) {
  pcf::PcfMessage message;
  EXPECT_EQ(pcf::ParsePcf(data, &message), 0) << "a PCF message of " << data.size() << " bytes";
  return message;
}

std::vector<std::vector<pcf::PcfParameter>> SplitResponses(const std::string& data) {
  std::vector<pcf::PcfResponse> split;
  EXPECT_EQ(pcf::SplitCoalescedPcf(data, &split), 0)
      << "a PCF message of " << data.size() << " bytes";
  std::vector<std::vector<pcf::PcfParameter>> responses;
  for (pcf::PcfResponse& response : split) {
    responses.push_back(std::move(response.message.parameters));
    for (pcf::PcfParameter& info : response.agent_info) responses.back().push_back(std::move(info));
  }
  return responses;
}

std::vector<std::string> SplitTexts(const std::string& data) {
  std::vector<std::string> texts;
  size_t start = 0;
  for (size_t at = data.find('\0'); at != std::string::npos; at = data.find('\0', start)) {
    texts.push_back(data.substr(start, at - start));
    start = at + 1;
  }
  texts.push_back(data.substr(start));
  return texts;
}

void ExpectOrderlyShutdownAfter(const std::string& log, const std::string& cause) {
  const size_t cause_at = log.find(cause);
  ASSERT_NE(cause_at, std::string::npos) << "'" << cause << "' missing from:\n" << log;
  const size_t report = log.find("] CSAG080I CSAGNT Status Report\n", cause_at);
  const size_t end = log.find("] CSAG099I CSAGNT Agent shutting down\n", cause_at);
  EXPECT_NE(report, std::string::npos) << log;
  EXPECT_LT(report, end) << log;
  const std::string separator = "] ---------------------------------------\n";
  EXPECT_EQ(log.size() - log.rfind(separator), separator.size()) << log;
}

MQLONG HeaderField(const std::string& data, size_t offset) {
  MQLONG value = 0;
  if (data.size() >= offset + sizeof value) memcpy(&value, data.data() + offset, sizeof value);
  return value;
}

}  // namespace agent_test
