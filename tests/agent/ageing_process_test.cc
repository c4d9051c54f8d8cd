// Requests the command server leaves unanswered, through the agent process:
// the agent's own error reply in the form of each request, what was held
// before it, and late replies.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <map>

#include "agent_client.h"
#include "agent_process.h"

namespace agent_test {
namespace {

constexpr char kNoResponse[] = "CSAG501E: No response from IBM MQ Command Server";
constexpr char kAgeingSettings[] = "maxage 2\nreqchkdelay 1\n";

std::string Hex(const MQBYTE* id) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (int i = 0; i < 24; ++i) {
    text += kDigits[id[i] >> 4];
    text += kDigits[id[i] & 0xF];
  }
  return text;
}

// The 104-byte PCF error reply to a request of `command`.
void ExpectPcfErrorReply(const std::string& data, MQLONG command) {
  ASSERT_EQ(data.size(), 104u);
  const pcf::PcfMessage pcf = ParseOrFail(data);
  EXPECT_EQ(pcf.header.Type, MQCFT_COMMAND);
  EXPECT_EQ(pcf.header.Command, command);
  EXPECT_EQ(pcf.header.Control, MQCFC_LAST);
  EXPECT_EQ(pcf.header.CompCode, MQCC_FAILED);
  EXPECT_EQ(pcf.header.Reason, MQRCCF_UNEXPECTED_ERROR);
  ASSERT_EQ(pcf.parameters.size(), 1u);
  EXPECT_EQ(pcf.parameters[0].parameter, TVN_ATTR_ERROR_TEXT);
  EXPECT_EQ(pcf.parameters[0].text, kNoResponse);
}

class AgeingProcessTest : public ::testing::Test {
 protected:
  explicit AgeingProcessTest(const std::string& stand_in_options = "--default",
                             const std::string& settings = kAgeingSettings)
      : stand_in_("QM1", stand_in_options), agent_({"-k", "-m", "QM1"}, settings) {}

  void SetUp() override { ASSERT_TRUE(agent_.WaitUntilRunning()) << agent_.Log(); }
  void TearDown() override {
    agent_.Signal(SIGTERM);
    EXPECT_EQ(agent_.WaitForExit(), 0) << agent_.Log() << agent_.Output();
  }

  StandIn stand_in_;
  AgentProcess agent_;
};

TEST_F(AgeingProcessTest, UnansweredRequestsGetTheErrorReplyInTheirForm) {
  stand_in_.Tool("fault QM1 command-server pause");
  AgentClient client("QM1");
  const std::string pcf_correl = "PCF-CORRELATION-ID";
  const std::string mqsc_correl = "MQSC-CORRELATION-ID";
  const MQMD pcf = client.Put(
      PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN,
      AgentClient::Options().Report(MQRO_PASS_MSG_ID | MQRO_PASS_CORREL_ID).CorrelId(pcf_correl));
  const MQMD escape = client.Put(EscapeRequest("PING QMGR"), MQFMT_ADMIN);
  const MQMD mqsc =
      client.Put("PING QMGR", MQFMT_STRING,
                 AgentClient::Options().Report(MQRO_PASS_CORREL_ID).CorrelId(mqsc_correl));

  // Each is told apart by the CorrelId that its report options give it.
  std::map<std::string, Message> replies;
  for (int i = 0; i < 3; ++i) {
    Message reply;
    ASSERT_TRUE(client.Get(&reply)) << agent_.Log();
    replies[reply.CorrelId().substr(0, reply.CorrelId().find('\0'))] = reply;
  }
  const std::string escape_msg_id(reinterpret_cast<const char*>(escape.MsgId), 24);
  ASSERT_EQ(replies.count(pcf_correl), 1u);
  ASSERT_EQ(replies.count(mqsc_correl), 1u);
  const Message& pcf_reply = replies[pcf_correl];
  const Message& mqsc_reply = replies[mqsc_correl];
  Message escape_reply;
  for (const auto& [correl, reply] : replies) {
    if (reply.CorrelId() == escape_msg_id) escape_reply = reply;
  }

  ExpectPcfErrorReply(pcf_reply.data, MQCMD_PING_Q_MGR);
  EXPECT_EQ(memcmp(pcf_reply.md.MsgId, pcf.MsgId, 24), 0);

  ASSERT_EQ(escape_reply.data.size(), 120u);
  const pcf::PcfMessage escape_pcf = ParseOrFail(escape_reply.data);
  EXPECT_EQ(escape_pcf.header.Command, MQCMD_ESCAPE);
  EXPECT_EQ(escape_pcf.header.CompCode, MQCC_OK);
  EXPECT_EQ(escape_pcf.header.Reason, MQRCCF_UNEXPECTED_ERROR);
  ASSERT_EQ(escape_pcf.parameters.size(), 2u);
  EXPECT_EQ(escape_pcf.parameters[0].parameter, MQIACF_ESCAPE_TYPE);
  EXPECT_EQ(escape_pcf.parameters[0].value, MQET_MQSC);
  EXPECT_EQ(escape_pcf.parameters[1].parameter, MQCACF_ESCAPE_TEXT);
  EXPECT_EQ(escape_pcf.parameters[1].text, kNoResponse);
  EXPECT_NE(memcmp(escape_reply.md.MsgId, escape.MsgId, 24), 0) << "a new MsgId";

  EXPECT_EQ(mqsc_reply.data, kNoResponse);
  EXPECT_NE(memcmp(mqsc_reply.md.MsgId, mqsc.MsgId, 24), 0) << "a new MsgId";

  for (const Message* reply :
       {&pcf_reply, &mqsc_reply, const_cast<const Message*>(&escape_reply)}) {
    EXPECT_EQ(reply->Format(), MQFMT_ADMIN);
    EXPECT_EQ(reply->md.MsgType, MQMT_REPLY);
  }
  const std::string log = agent_.Log();
  for (const MQMD* md : {&pcf, &escape, &mqsc}) {
    EXPECT_NE(log.find("] CSAG303E Ageing out request for ReplyQ '" + client.reply_queue() +
                       "' issued at "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(" MsgId: " + Hex(md->MsgId) + "\n"), std::string::npos) << log;
  }

  // Resumed, the command server answers the requests it held: too late.
  // (It cannot read MQSC text, and discards it as the agent's request asks.)
  stand_in_.Tool("fault QM1 command-server resume");
  EXPECT_TRUE(agent_.WaitForLog("] CSAG302E Unrecognised reply received MsgId: ", 2))
      << agent_.Log();
  // And the agent relays as before.
  client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
  Message reply;
  ASSERT_TRUE(client.Get(&reply));
  EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, CompCode)), MQCC_OK);
  EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, Type)), MQCFT_RESPONSE);
}

// The test plays a command server that sends part of an answer and falls
// silent.
class SilentServerProcessTest : public AgeingProcessTest {
 protected:
  SilentServerProcessTest() : AgeingProcessTest("--default --no-command-server") {}
};

TEST_F(SilentServerProcessTest, HeldRepliesComeBeforeTheErrorReply) {
  AgentClient client("QM1");
  FakeCommandServer server("QM1");
  client.Put(PcfCommand(MQCMD_INQUIRE_Q, {}), MQFMT_ADMIN,
             AgentClient::Options().Report(MQRO_PASS_MSG_ID));
  Message request;
  ASSERT_TRUE(server.NextRequest(&request));
  server.Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, 404), MQFMT_ADMIN);
  server.Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 2, MQCFC_NOT_LAST, 308), MQFMT_ADMIN);

  Message held;
  Message error;
  ASSERT_TRUE(client.Get(&held)) << agent_.Log();
  ASSERT_TRUE(client.Get(&error)) << agent_.Log();
  EXPECT_EQ(held.data.size(), 404u + 308u - 20u);
  EXPECT_EQ(HeaderField(held.data, offsetof(MQCFH, Control)), MQCFC_NOT_LAST | CFC_COALESCED);
  EXPECT_EQ(SplitResponses(held.data).size(), 2u);
  ExpectPcfErrorReply(error.data, MQCMD_INQUIRE_Q);
  EXPECT_EQ(held.MsgId(), error.MsgId()) << "both carry the client's MsgId";

  // The rest of the answer comes too late.
  server.Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 3, MQCFC_LAST, 52), MQFMT_ADMIN);
  EXPECT_TRUE(agent_.WaitForLog(
      "] CSAG302E Unrecognised reply received MsgId: " + Hex(request.md.MsgId) + "\n"))
      << agent_.Log();
  EXPECT_FALSE(client.Get(&error, 300));
}

}  // namespace
}  // namespace agent_test
