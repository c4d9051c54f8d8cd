// What a client reads back from the agent, split by the reader of coalesced
// replies (pcf/coalesced_reader.h and its C interface), against what the
// stand-in's command server sends the same client directly: response for
// response and parameter for parameter the same, apart from the blanks the
// agent trims, with the agent's information kept apart.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include "agent_client.h"
#include "agent_process.h"
#include "pcf/coalesced_reader_c.h"
#include "pcf/mq_field.h"
#include "pcf/response_diff.h"

namespace agent_test {
namespace {

using pcf::PcfMessage;
using pcf::PcfResponse;

// Checks that the C interface splits `data` into the same messages and
// agent information as the C++ reader did into `responses`.
void ExpectTheCInterfaceAgrees(const std::string& data, const std::vector<PcfResponse>& responses) {
  CSAGNT_PCF_RESPONSES* split = nullptr;
  ASSERT_EQ(CsagntSplitCoalescedPcf(data.data(), static_cast<MQLONG>(data.size()), &split), 0);
  ASSERT_EQ(split->Count, static_cast<MQLONG>(responses.size()));
  for (size_t i = 0; i < responses.size(); ++i) {
    const CSAGNT_PCF_RESPONSE& r = split->Responses[i];
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.Message), r.MessageLength),
              pcf::EncodePcfResponse(responses[i]))
        << "response " << i;
    ASSERT_EQ(r.AgentInfoCount, static_cast<MQLONG>(responses[i].agent_info.size()));
    for (MQLONG k = 0; k < r.AgentInfoCount; ++k) {
      EXPECT_EQ(r.AgentInfo[k].Parameter, responses[i].agent_info[k].parameter);
      EXPECT_EQ(r.AgentInfo[k].Value, responses[i].agent_info[k].value);
    }
  }
  CsagntFreePcfResponses(split);
}

// Queues with descriptions of many lengths, so that the trimmed strings
// differ in length, and an agent with a small maxmsgsize, so that an answer
// comes in several coalesced messages.
class ReadBackProcessTest : public ::testing::Test {
 protected:
  ReadBackProcessTest() : agent_({"-k", "-m", "QM1"}, "maxmsgsize 4000\n") {}

  void SetUp() override {
    for (int i = 0; i < 12; ++i) {
      stand_in_.Tool("define QM1 READ.BACK.Q" + std::to_string(i) + " --description '" +
                     std::string(static_cast<size_t>(i * 5), 'd') + "' --maxdepth " +
                     std::to_string(1000 + i));
    }
    ASSERT_TRUE(agent_.WaitUntilRunning()) << agent_.Log();
    client_ = std::make_unique<AgentClient>("QM1");
    // Open counts are among the attributes compared, so the client keeps
    // both request queues open, as administration tools do, instead of
    // opening one for each put; and the agent keeps the client's reply queue
    // open once it has answered there (its handle cache): so it has, before
    // anything is compared.
    command_queue_ = mqemu_test::Open(client_->hconn(), kCommandQueue, MQOO_OUTPUT);
    agent_queue_ = mqemu_test::Open(client_->hconn(), kAgentInputQueue, MQOO_OUTPUT);
    Ask(agent_queue_, PcfCommand(MQCMD_PING_Q_MGR, {}));
  }

  void TearDown() override {
    client_.reset();
    agent_.Signal(SIGTERM);
    EXPECT_EQ(agent_.WaitForExit(), 0) << agent_.Log() << agent_.Output();
  }

  // Puts `request` to `queue` and returns the messages of the answer.
  std::vector<Message> Ask(MQHOBJ queue, const std::string& request) {
    MQMD md = {MQMD_DEFAULT};
    memcpy(md.Format, MQFMT_ADMIN, MQ_FORMAT_LENGTH);
    md.MsgType = MQMT_REQUEST;
    FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, client_->reply_queue());
    EXPECT_EQ(mqemu_test::Put(client_->hconn(), queue, request, &md), MQRC_NONE);
    return client_->GetUntilLast();
  }

  // The command server's own replies to `request`.
  std::vector<PcfMessage> Direct(const std::string& request) {
    std::vector<PcfMessage> responses;
    for (const Message& m : Ask(command_queue_, request)) responses.push_back(ParseOrFail(m.data));
    return responses;
  }

  // The responses read back from the agent's answer to `request`, each
  // message split by both interfaces of the reader.
  std::vector<PcfResponse> ThroughTheAgent(const std::string& request) {
    std::vector<PcfResponse> responses;
    messages_ = 0;
    for (const Message& m : Ask(agent_queue_, request)) {
      ++messages_;
      std::vector<PcfResponse> split;
      EXPECT_EQ(pcf::SplitCoalescedPcf(m.data, &split), 0);
      ExpectTheCInterfaceAgrees(m.data, split);
      for (PcfResponse& r : split) responses.push_back(std::move(r));
    }
    return responses;
  }

  void ExpectTheSame(const std::vector<PcfMessage>& direct,
                     const std::vector<PcfResponse>& relayed) {
    ASSERT_EQ(direct.size(), relayed.size());
    for (size_t i = 0; i < direct.size(); ++i) {
      EXPECT_EQ(pcf::ResponseDifference(direct[i], relayed[i].message), "") << "response " << i;
    }
  }

  StandIn stand_in_;
  AgentProcess agent_;
  std::unique_ptr<AgentClient> client_;
  MQHOBJ command_queue_ = MQHO_UNUSABLE_HOBJ;
  MQHOBJ agent_queue_ = MQHO_UNUSABLE_HOBJ;
  size_t messages_ = 0;
};

TEST_F(ReadBackProcessTest, InquireQueueOfAllAttributesReadsBackAsSentDirectly) {
  const std::string request = PcfCommand(MQCMD_INQUIRE_Q, {{MQCA_Q_NAME, "*"}});
  const std::vector<PcfMessage> direct = Direct(request);
  const std::vector<PcfResponse> relayed = ThroughTheAgent(request);
  ASSERT_GE(direct.size(), 16u);
  EXPECT_GT(messages_, 1u) << "the answer spans several coalesced messages";
  EXPECT_LT(messages_, direct.size());
  ExpectTheSame(direct, relayed);
  for (const PcfResponse& r : relayed) EXPECT_TRUE(r.agent_info.empty());
}

TEST_F(ReadBackProcessTest, InquireQueueManagerReadsBackWithTheAgentInformationApart) {
  const std::string request = PcfCommand(MQCMD_INQUIRE_Q_MGR, {});
  const std::vector<PcfMessage> direct = Direct(request);
  const std::vector<PcfResponse> relayed = ThroughTheAgent(request);
  ExpectTheSame(direct, relayed);
  ASSERT_EQ(relayed.size(), 1u);
  ASSERT_EQ(relayed[0].agent_info.size(), 2u);
  EXPECT_EQ(relayed[0].agent_info[0].parameter, TVN_ATTR_CSAGNT_CMDLEVEL);
  EXPECT_EQ(relayed[0].agent_info[0].value, kAgentCommandLevel);
  EXPECT_EQ(relayed[0].agent_info[1].parameter, TVN_ATTR_CSAGNT_FEATURES);
  EXPECT_EQ(relayed[0].agent_info[1].value, FEATURE_COALESCE | FEATURE_COMPRESS);
}

TEST_F(ReadBackProcessTest, EscapeDisplayOfAllLocalQueuesReadsBackAsSentDirectly) {
  const std::string request = EscapeRequest("DISPLAY QLOCAL(*) ALL");
  const std::vector<PcfMessage> direct = Direct(request);
  const std::vector<PcfResponse> relayed = ThroughTheAgent(request);
  ASSERT_GE(direct.size(), 14u);
  EXPECT_GT(messages_, 1u);
  ExpectTheSame(direct, relayed);
}

TEST_F(ReadBackProcessTest, InquireQueueStatusOfAThousandQueuesReadsBackAsSentDirectly) {
  for (int i = 0; i < 1000; ++i) {
    Direct(PcfCommand(MQCMD_CREATE_Q, {{MQCA_Q_NAME, "STATUS.Q" + std::to_string(i)}},
                      {{MQIA_Q_TYPE, MQQT_LOCAL}}));
  }
  const std::string request = PcfCommand(MQCMD_INQUIRE_Q_STATUS, {{MQCA_Q_NAME, "STATUS.Q*"}});
  const std::vector<PcfMessage> direct = Direct(request);
  const std::vector<PcfResponse> relayed = ThroughTheAgent(request);
  ASSERT_EQ(direct.size(), 1000u);
  EXPECT_GT(messages_, 1u);
  EXPECT_LT(messages_, 100u) << "coalesced into few messages";
  ExpectTheSame(direct, relayed);
}

// The administrator's daily displays while two clients of the client
// library are connected, one through a channel of its own: the agent relays
// each answer as the command server gives it.
TEST_F(ReadBackProcessTest, DailyDisplaysWithClientsConnectedReadBackAsSentDirectly) {
  stand_in_.Tool("define-channel QM1 APP.SVRCONN --descr 'applications'");
  stand_in_.Tool("mqsc QM1 \"DEFINE NAMELIST(APP.QUEUES) NAMES(READ.BACK.Q0,READ.BACK.Q1)\"");
  FILE* clients[2] = {
      popen(CLIENT_HOLDER " QM1", "w"),
      popen("MQSERVER='APP.SVRCONN/TCP/localhost(1414)' " CLIENT_HOLDER " QM1", "w")};
  ASSERT_TRUE(clients[0] && clients[1]);
  const std::string chstatus = EscapeRequest("DISPLAY CHSTATUS(*)");
  for (int i = 0; i < 500 && Direct(chstatus).size() < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  for (const char* command :
       {"DISPLAY CHSTATUS(*)", "DISPLAY CHSTATUS(*) ALL", "DISPLAY CHANNEL(*)",
        "DISPLAY CHANNEL(*) ALL", "DISPLAY QMSTATUS ALL", "DISPLAY CONN(*) TYPE(ALL)",
        "DISPLAY NAMELIST(*) ALL"}) {
    SCOPED_TRACE(command);
    const std::string request = EscapeRequest(command);
    const std::vector<PcfMessage> direct = Direct(request);
    const std::vector<PcfResponse> relayed = ThroughTheAgent(request);
    ASSERT_FALSE(direct.empty());
    EXPECT_EQ(direct[0].header.CompCode, MQCC_OK);
    ExpectTheSame(direct, relayed);
  }
  // Two running instances, each once; the named channel among them.
  const std::vector<PcfMessage> instances = Direct(chstatus);
  ASSERT_EQ(instances.size(), 2u);
  std::string shown;
  for (const PcfMessage& m : instances) {
    for (const auto& p : m.parameters) shown += p.text;
  }
  EXPECT_NE(shown.find("CHANNEL(APP.SVRCONN)"), std::string::npos) << shown;
  EXPECT_NE(shown.find("CHANNEL(SYSTEM.DEF.SVRCONN)"), std::string::npos) << shown;
  for (FILE* c : clients) EXPECT_EQ(pclose(c), 0);
}

}  // namespace
}  // namespace agent_test
