// Requests relayed by the agent process to the stand-in's real command
// server, as a client sees them: coalesced and trimmed PCF replies, the
// agent's own information on Inquire Queue Manager, Escape and z/OS MQSC
// replies, the identifiers the report options ask for and the client's
// identity on the forwarded request.
#include <gtest/gtest.h>

#include <csignal>
#include <set>

#include "agent_client.h"
#include "agent_process.h"
#include "pcf/mq_field.h"

namespace agent_test {
namespace {

using pcf::PcfMessage;
using pcf::PcfParameter;

const PcfParameter* Find(const std::vector<PcfParameter>& parameters, MQLONG id) {
  for (const PcfParameter& p : parameters) {
    if (p.parameter == id) return &p;
  }
  return nullptr;
}

std::set<std::string> QueueNames(const std::vector<std::vector<PcfParameter>>& responses) {
  std::set<std::string> names;
  for (const auto& response : responses) {
    const PcfParameter* name = Find(response, MQCA_Q_NAME);
    EXPECT_NE(name, nullptr);
    if (name != nullptr) names.insert(TrimTrailingBlanks(name->text));
  }
  return names;
}

size_t TotalBytes(const std::vector<Message>& messages) {
  size_t total = 0;
  for (const Message& m : messages) total += m.data.size();
  return total;
}

// An agent of default settings (but `settings`) before the stand-in QM1
// with its command server.
class RelayProcessTest : public ::testing::Test {
 protected:
  explicit RelayProcessTest(const std::string& settings = "",
                            const std::vector<std::string>& args = {"-k", "-m", "QM1"})
      : agent_(args, settings) {}

  void SetUp() override { ASSERT_TRUE(agent_.WaitUntilRunning()) << agent_.Log(); }

  void TearDown() override {
    agent_.Signal(SIGTERM);
    EXPECT_EQ(agent_.WaitForExit(), 0) << agent_.Log() << agent_.Output();
  }

  StandIn stand_in_;
  AgentProcess agent_;
};

TEST_F(RelayProcessTest, InquireQueueComesBackInFewerTrimmedMessages) {
  AgentClient client("QM1");
  const std::string request = PcfCommand(MQCMD_INQUIRE_Q, {{MQCA_Q_NAME, "*"}});
  client.Put(request, MQFMT_ADMIN, AgentClient::Options().Queue(kCommandQueue));
  const std::vector<Message> direct = client.GetUntilLast();
  client.Put(request, MQFMT_ADMIN);
  const std::vector<Message> relayed = client.GetUntilLast();

  ASSERT_GE(direct.size(), 5u);
  ASSERT_EQ(relayed.size(), 1u) << "all replies fit in one message of maxmsgsize";
  EXPECT_LT(TotalBytes(relayed), TotalBytes(direct));

  const Message& message = relayed[0];
  EXPECT_EQ(message.Format(), MQFMT_ADMIN);
  EXPECT_EQ(message.md.MsgType, MQMT_REPLY);
  const PcfMessage pcf = ParseOrFail(message.data);
  EXPECT_EQ(pcf.header.Control, MQCFC_LAST | CFC_COALESCED) << "last, and coalesced";
  EXPECT_EQ(pcf.header.MsgSeqNumber, static_cast<MQLONG>(direct.size()));
  int delimiters = 0;
  for (const PcfParameter& p : pcf.parameters) {
    if (p.parameter == TVN_ATTR_RESPONSE_DELIMITER) {
      ++delimiters;
      EXPECT_EQ(p.value, MQCFT_RESPONSE);
    }
    if (p.type == MQCFT_STRING && !p.text.empty()) {
      EXPECT_NE(p.text.back(), ' ') << "parameter " << p.parameter << " '" << p.text << "'";
    }
  }
  EXPECT_EQ(delimiters, static_cast<int>(direct.size()) - 1);

  std::vector<std::vector<PcfParameter>> direct_responses;
  for (const Message& m : direct) direct_responses.push_back(ParseOrFail(m.data).parameters);
  EXPECT_EQ(QueueNames(SplitResponses(message.data)), QueueNames(direct_responses));
  EXPECT_EQ(QueueNames(direct_responses).count(agent_.ActualReplyQueue()), 1u);
}

TEST_F(RelayProcessTest, InquireQueueManagerShowsTheAgentsLevelAndFeatures) {
  AgentClient client("QM1");
  client.Put(PcfCommand(MQCMD_INQUIRE_Q_MGR, {}), MQFMT_ADMIN);
  const std::vector<Message> replies = client.GetUntilLast();
  ASSERT_EQ(replies.size(), 1u);
  const PcfMessage pcf = ParseOrFail(replies[0].data);
  EXPECT_EQ(pcf.header.Control, MQCFC_LAST) << "a single reply is not marked coalesced";
  ASSERT_GE(pcf.parameters.size(), 3u);
  const PcfParameter* level = Find(pcf.parameters, MQIA_COMMAND_LEVEL);
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(level->value, 940) << "the queue manager's own level";
  const PcfParameter& agent_level = pcf.parameters[pcf.parameters.size() - 2];
  const PcfParameter& features = pcf.parameters.back();
  EXPECT_EQ(agent_level.parameter, TVN_ATTR_CSAGNT_CMDLEVEL);
  EXPECT_EQ(agent_level.value, 930);
  EXPECT_EQ(features.parameter, TVN_ATTR_CSAGNT_FEATURES);
  EXPECT_EQ(features.value, 6) << "compress and coalesce";
}

TEST_F(RelayProcessTest, EscapeRepliesAreCoalesced) {
  AgentClient client("QM1");
  client.Put(EscapeRequest("DISPLAY QLOCAL(SYSTEM.*)"), MQFMT_ADMIN);
  const std::vector<Message> replies = client.GetUntilLast();
  ASSERT_EQ(replies.size(), 1u);
  const auto responses = SplitResponses(replies[0].data);
  EXPECT_GE(responses.size(), 3u);
  for (const auto& response : responses) {
    const PcfParameter* text = Find(response, MQCACF_ESCAPE_TEXT);
    ASSERT_NE(text, nullptr);
    EXPECT_NE(text->text.find("QUEUE(SYSTEM."), std::string::npos) << text->text;
  }
}

TEST_F(RelayProcessTest, ReportOptionsChooseTheIdentifiersOfTheReplies) {
  AgentClient client("QM1");
  const std::string ping = PcfCommand(MQCMD_PING_Q_MGR, {});
  const std::string correl = "CLIENT-CORRELATION-ID-24";
  struct Case {
    MQLONG report;
    bool msg_id_passed;
    bool correl_id_passed;
  };
  for (const Case& c :
       {Case{MQRO_PASS_MSG_ID, true, false}, Case{MQRO_PASS_CORREL_ID, false, true},
        Case{MQRO_PASS_MSG_ID | MQRO_PASS_CORREL_ID, true, true}, Case{MQRO_NONE, false, false}}) {
    SCOPED_TRACE(c.report);
    const MQMD request =
        client.Put(ping, MQFMT_ADMIN, AgentClient::Options().Report(c.report).CorrelId(correl));
    Message reply;
    ASSERT_TRUE(client.Get(&reply));
    const std::string request_msg_id(reinterpret_cast<const char*>(request.MsgId), 24);
    if (c.msg_id_passed) {
      EXPECT_EQ(reply.MsgId(), request_msg_id);
    } else {
      EXPECT_NE(reply.MsgId(), request_msg_id);
      EXPECT_NE(reply.MsgId(), std::string(24, '\0'));
    }
    EXPECT_EQ(reply.CorrelId(), c.correl_id_passed ? correl : request_msg_id);
    EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, CompCode)), MQCC_OK);
  }
  // Every delivery went through the one handle the agent cached for the
  // queue: it holds it open for output once.
  EXPECT_EQ(mqemu_test::InquireInt(client.hconn(), client.reply_hobj(), MQIA_OPEN_OUTPUT_COUNT), 1);
}

TEST_F(RelayProcessTest, ForwardedRequestCarriesTheClientsIdentity) {
  stand_in_.Tool("fault QM1 deny alice command-server");
  AgentClient alice("QM1", "alice");
  AgentClient bob("QM1", "bob");
  const std::string ping = PcfCommand(MQCMD_PING_Q_MGR, {});
  alice.Put(ping, MQFMT_ADMIN);
  bob.Put(ping, MQFMT_ADMIN);
  Message refused;
  ASSERT_TRUE(alice.Get(&refused));
  EXPECT_EQ(HeaderField(refused.data, offsetof(MQCFH, CompCode)), MQCC_FAILED);
  EXPECT_EQ(HeaderField(refused.data, offsetof(MQCFH, Reason)), MQRC_NOT_AUTHORIZED);
  Message answered;
  ASSERT_TRUE(bob.Get(&answered));
  EXPECT_EQ(HeaderField(answered.data, offsetof(MQCFH, CompCode)), MQCC_OK);
}

TEST_F(RelayProcessTest, RepliesReachAClientOfAnotherQueueManager) {
  mqemu_test::QueueManagerProcess qm2("QM2", "");
  AgentClient client("QM2");
  // The request travels to QM1 with QM2 as its ReplyToQMgr.
  client.Put(PcfCommand(MQCMD_INQUIRE_Q, {{MQCA_Q_NAME, "SYSTEM.*"}}), MQFMT_ADMIN,
             AgentClient::Options().QueueManager("QM1"));
  const std::vector<Message> replies = client.GetUntilLast();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_GE(SplitResponses(replies[0].data).size(), 4u);
}

TEST_F(RelayProcessTest, BadReplyQueueNamesAreLoggedPrintably) {
  AgentClient client("QM1");
  client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN,
             AgentClient::Options().ReplyToQ("NO.SUCH\x1b[2JQUEUE"));
  // Once, when the request comes in: with nowhere for its answer to go, it
  // is not forwarded.
  EXPECT_TRUE(agent_.WaitForLog(
      "] CSAG104E MQOPEN of queue 'QM1/NO.SUCH.[2JQUEUE' failed with reason 2085 ("))
      << agent_.Log();
  EXPECT_EQ(agent_.Log().find('\x1b'), std::string::npos);
}

// The agent before a z/OS stand-in.
class ZosRelayProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(agent_.WaitUntilRunning()) << agent_.Log(); }
  void TearDown() override {
    agent_.Signal(SIGTERM);
    EXPECT_EQ(agent_.WaitForExit(), 0) << agent_.Log() << agent_.Output();
  }

  StandIn stand_in_{"QZ1", "--default --platform zos"};
  AgentProcess agent_{{"-k", "-m", "QZ1"}};
};

TEST_F(ZosRelayProcessTest, MqscReplySetComesBackAsOneMessage) {
  AgentClient client("QZ1");
  client.Put("DISPLAY QLOCAL(SYSTEM.*)", MQFMT_STRING);
  Message reply;
  ASSERT_TRUE(client.Get(&reply));
  EXPECT_FALSE(client.Get(&reply, 500)) << "one message";
  const std::vector<std::string> texts = SplitTexts(reply.data);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts.front().substr(0, 9), "CSQN205I*") << "'*' at offset 8 of a coalesced message";
  EXPECT_EQ(texts.back().substr(0, 8), "CSQ9022I") << texts.back();
  const std::string count = texts.front().substr(17, 8);
  EXPECT_EQ(std::stoi(count), static_cast<int>(texts.size()));
  for (size_t i = 1; i + 1 < texts.size(); ++i) EXPECT_EQ(texts[i].substr(0, 5), "CSQM4");
}

TEST_F(ZosRelayProcessTest, ExtendedResponsesAreDelimitedByTheirTypes) {
  AgentClient client("QZ1");
  client.Put(PcfCommand(MQCMD_INQUIRE_Q, {{MQCA_Q_NAME, "SYSTEM.*"}}), MQFMT_ADMIN);
  const std::vector<Message> replies = client.GetUntilLast();
  ASSERT_EQ(replies.size(), 1u);
  const PcfMessage pcf = ParseOrFail(replies[0].data);
  EXPECT_EQ(pcf.header.Type, MQCFT_XR_ITEM);
  std::vector<MQLONG> delimiters;
  for (const PcfParameter& p : pcf.parameters) {
    if (p.parameter == TVN_ATTR_RESPONSE_DELIMITER) delimiters.push_back(p.value);
  }
  ASSERT_GE(delimiters.size(), 2u);
  EXPECT_EQ(delimiters.back(), MQCFT_XR_SUMMARY);
  for (size_t i = 0; i + 1 < delimiters.size(); ++i) EXPECT_EQ(delimiters[i], MQCFT_XR_ITEM);
}

}  // namespace
}  // namespace agent_test
