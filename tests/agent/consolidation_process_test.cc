// Crafted command server replies through the agent process: the test plays
// the command server of a stand-in started without one, takes each
// forwarded request off the command queue and answers it with replies of
// its own making, and checks what the client receives.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <memory>

#include "agent_client.h"
#include "agent_process.h"
#include "pcf/mq_field.h"

namespace agent_test {
namespace {

MQLONG Control(const Message& m) {
  return HeaderField(m.data, offsetof(MQCFH, Control));
}

// A client, the agent (maxmsgsize 1000) and the test as the command server.
class ConsolidationProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(agent_.WaitUntilRunning()) << agent_.Log();
    client_ = std::make_unique<AgentClient>("QM1", "alice");
    server_ = std::make_unique<FakeCommandServer>("QM1");
  }

  void TearDown() override {
    agent_.Signal(SIGTERM);
    EXPECT_EQ(agent_.WaitForExit(), 0) << agent_.Log() << agent_.Output();
  }

  // The client's request as the command server receives it.
  Message Forward(const std::string& data, const char* format) {
    client_md_ = client_->Put(data, format);
    Message request;
    EXPECT_TRUE(server_->NextRequest(&request));
    return request;
  }

  // Sends PCF responses of the given lengths, the last one with MQCFC_LAST.
  void Answer(const Message& request, const std::vector<int>& lengths) {
    for (size_t i = 0; i < lengths.size(); ++i) {
      const bool last = i + 1 == lengths.size();
      server_->Reply(request,
                     PcfResponse(MQCMD_INQUIRE_Q, static_cast<MQLONG>(i + 1),
                                 last ? MQCFC_LAST : MQCFC_NOT_LAST, lengths[i]),
                     MQFMT_ADMIN);
    }
  }

  std::vector<Message> Received(size_t count) {
    std::vector<Message> messages(count);
    for (Message& m : messages) EXPECT_TRUE(client_->Get(&m)) << "of " << count;
    Message extra;
    EXPECT_FALSE(client_->Get(&extra, 300)) << "more than " << count << " messages";
    return messages;
  }

  StandIn stand_in_{"QM1", "--default --no-command-server"};
  AgentProcess agent_{{"-k", "-m", "QM1"}, "maxmsgsize 1000\n"};
  std::unique_ptr<AgentClient> client_;
  std::unique_ptr<FakeCommandServer> server_;
  MQMD client_md_ = {MQMD_DEFAULT};
};

TEST_F(ConsolidationProcessTest, RequestIsForwardedWithTheClientsIdentityToTheAgentsQueue) {
  const Message request = Forward(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
  EXPECT_EQ(TextInField(request.md.UserIdentifier, sizeof request.md.UserIdentifier), "alice");
  EXPECT_EQ(TextInField(request.md.ReplyToQ, sizeof request.md.ReplyToQ),
            agent_.ActualReplyQueue());
  EXPECT_EQ(TextInField(request.md.ReplyToQMgr, sizeof request.md.ReplyToQMgr), "QM1");
  EXPECT_EQ(request.md.Report, MQRO_PASS_MSG_ID | MQRO_PASS_CORREL_ID | MQRO_DISCARD_MSG);
  EXPECT_EQ(request.CorrelId().substr(0, 6), "CSAGNT") << "the agent's own CorrelId";
  EXPECT_NE(request.MsgId(), std::string(reinterpret_cast<const char*>(client_md_.MsgId), 24));
  EXPECT_EQ(request.Format(), MQFMT_ADMIN);
  EXPECT_EQ(request.data, PcfCommand(MQCMD_PING_Q_MGR, {}));
}

TEST_F(ConsolidationProcessTest, RepliesAreGatheredUpToMaxMsgSize) {
  // 404 + (308 - 20) = 692, + (308 - 20) = 980: exactly up to 1000 with the
  // next; the 196 no longer fits and starts the next message.
  Answer(Forward(PcfCommand(MQCMD_INQUIRE_Q, {}), MQFMT_ADMIN), {404, 308, 308, 196});
  std::vector<Message> got = Received(2);
  ASSERT_EQ(got[0].data.size(), 980u);
  const pcf::PcfMessage first = ParseOrFail(got[0].data);
  EXPECT_EQ(first.header.Control, MQCFC_NOT_LAST | CFC_COALESCED);
  EXPECT_EQ(first.header.MsgSeqNumber, 3);
  EXPECT_EQ(first.header.ParameterCount, 23 + 1 + 17 + 1 + 17);
  EXPECT_EQ(SplitResponses(got[0].data).size(), 3u);
  EXPECT_EQ(got[1].data, PcfResponse(MQCMD_INQUIRE_Q, 4, MQCFC_LAST, 196));

  // Replies each too large to share a message arrive one by one.
  Answer(Forward(PcfCommand(MQCMD_INQUIRE_Q, {}), MQFMT_ADMIN), {612, 612, 612});
  got = Received(3);
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].data.size(), 612u);
    EXPECT_EQ(Control(got[i]), i == 2 ? MQCFC_LAST : MQCFC_NOT_LAST);
  }
}

TEST_F(ConsolidationProcessTest, FailedReplyTravelsAlone) {
  const Message request = Forward(PcfCommand(MQCMD_INQUIRE_Q, {}), MQFMT_ADMIN);
  server_->Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, 196), MQFMT_ADMIN);
  const std::string failed =
      PcfResponse(MQCMD_INQUIRE_Q, 2, MQCFC_NOT_LAST, 52, MQCC_FAILED, MQRC_UNKNOWN_OBJECT_NAME);
  server_->Reply(request, failed, MQFMT_ADMIN);
  server_->Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 3, MQCFC_LAST, 196), MQFMT_ADMIN);
  const std::vector<Message> got = Received(3);
  EXPECT_EQ(got[0].data, PcfResponse(MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, 196));
  EXPECT_EQ(got[1].data, failed);
  EXPECT_EQ(got[2].data, PcfResponse(MQCMD_INQUIRE_Q, 3, MQCFC_LAST, 196));
}

TEST_F(ConsolidationProcessTest, ReportMessageEndsTheRequestAfterWhatIsHeld) {
  const Message request = Forward(PcfCommand(MQCMD_INQUIRE_Q, {}), MQFMT_ADMIN);
  server_->Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, 404), MQFMT_ADMIN);
  server_->Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 2, MQCFC_NOT_LAST, 308), MQFMT_ADMIN);
  // The two are held, the answer not complete; the report ends the request.
  server_->Reply(request, "report body", MQFMT_NONE, MQMT_REPORT);
  const std::vector<Message> got = Received(2);
  EXPECT_EQ(got[0].data.size(), 692u);
  EXPECT_EQ(Control(got[0]), MQCFC_NOT_LAST | CFC_COALESCED);
  EXPECT_EQ(got[0].Format(), MQFMT_ADMIN) << "the held replies keep their own descriptor";
  EXPECT_EQ(got[0].md.MsgType, MQMT_REPLY);
  EXPECT_EQ(got[1].data, "report body");
  EXPECT_EQ(got[1].md.MsgType, MQMT_REPORT);
  EXPECT_EQ(got[1].Format(), MQFMT_NONE);

  // Later replies to the ended request are not recognised.
  server_->Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 3, MQCFC_LAST, 52), MQFMT_ADMIN);
  EXPECT_TRUE(agent_.WaitForLog("] CSAG302E Unrecognised reply received MsgId: ")) << agent_.Log();
}

TEST_F(ConsolidationProcessTest, MalformedRepliesAreDeliveredAsTheyCame) {
  // A PCF reply whose ParameterCount runs past its end, with a padded string
  // that compression would have trimmed, after a reply that is held.
  pcf::PcfBuilder builder(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 2, MQCFC_NOT_LAST);
  builder.String(MQCA_Q_NAME, "PADDED", 48);
  std::string malformed = builder.Finish();
  const MQLONG too_many = 3;
  memcpy(malformed.data() + offsetof(MQCFH, ParameterCount), &too_many, sizeof too_many);

  const Message request = Forward(PcfCommand(MQCMD_INQUIRE_Q, {}), MQFMT_ADMIN);
  server_->Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, 196), MQFMT_ADMIN);
  server_->Reply(request, malformed, MQFMT_ADMIN);
  std::vector<Message> got = Received(2);
  EXPECT_EQ(got[0].data, PcfResponse(MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, 196));
  EXPECT_EQ(got[1].data, malformed) << "not compressed, not coalesced";
  server_->Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 3, MQCFC_LAST, 52), MQFMT_ADMIN);
  EXPECT_TRUE(agent_.WaitForLog("] CSAG302E")) << "the malformed reply ended the request";

  // Shorter than an MQCFH, and an MQSC text shorter than a message number.
  server_->Reply(Forward(PcfCommand(MQCMD_INQUIRE_Q, {}), MQFMT_ADMIN), std::string(20, 'x'),
                 MQFMT_ADMIN);
  server_->Reply(Forward("DISPLAY QMGR", MQFMT_STRING), "CSQ", MQFMT_COMMAND_1);
  got = Received(2);
  EXPECT_EQ(got[0].data, std::string(20, 'x'));
  EXPECT_EQ(got[1].data, "CSQ");
  EXPECT_EQ(got[1].Format(), MQFMT_COMMAND_1);
}

TEST_F(ConsolidationProcessTest, ZosMqscReplySetIsJoined) {
  const Message request = Forward("DISPLAY QMGR", MQFMT_STRING);
  EXPECT_EQ(request.Format(), MQFMT_STRING);
  const std::string texts[] = {
      "CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000",
      "CSQM409I +QM1 QMNAME(QM1)",
      "CSQ9022I +QM1 CSQMDRTS ' DISPLAY QMGR' NORMAL COMPLETION",
  };
  server_->Reply(request, texts[0], MQFMT_COMMAND_1);
  server_->Reply(request, texts[1], MQFMT_COMMAND_2);
  server_->Reply(request, texts[2], MQFMT_COMMAND_2);
  const std::vector<Message> got = Received(1);
  std::string expected = texts[0] + '\0' + texts[1] + '\0' + texts[2];
  expected[8] = '*';
  EXPECT_EQ(got[0].data, expected);
}

TEST_F(ConsolidationProcessTest, ZosMqscReplySetSplitsAtMaxMsgSize) {
  // 600 + 1 + 600 passes 1000: the first text goes alone, unmarked.
  const Message request = Forward("DISPLAY QMGR", MQFMT_STRING);
  const std::string first = "CSQN205I " + std::string(591, 'a');
  const std::string second = "CSQM409I " + std::string(591, 'b');
  const std::string closing = "CSQ9022I done";
  server_->Reply(request, first, MQFMT_COMMAND_1);
  server_->Reply(request, second, MQFMT_COMMAND_2);
  server_->Reply(request, closing, MQFMT_COMMAND_2);
  const std::vector<Message> got = Received(2);
  EXPECT_EQ(got[0].data, first);
  std::string joined = second + '\0' + closing;
  joined[8] = '*';
  EXPECT_EQ(got[1].data, joined);
}

}  // namespace
}  // namespace agent_test
