// The orderly stop's wait (stopwait) with one agent: the input queue is no
// longer read, replies keep flowing until the table is empty, what is still
// outstanding at the end is answered with CSAG501E, another stop ends the
// wait at once, and stopwait 0 keeps the stop that abandons the table.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "agent_client.h"
#include "agent_process.h"

namespace agent_test {
namespace {

using std::chrono::steady_clock;

constexpr char kNoResponse[] = "CSAG501E: No response from IBM MQ Command Server";
// Long enough that nothing ages out on its own during a test.
constexpr char kNoAgeing[] = "maxage 600\nreqchkdelay 600\n";

double SecondsSince(steady_clock::time_point start) {
  return std::chrono::duration<double>(steady_clock::now() - start).count();
}

class StopWaitProcessTest : public ::testing::Test {
 protected:
  // An agent with `settings`, writing CSAG401I for every request taken in.
  void StartAgent(const std::string& settings) {
    agent_ = std::make_unique<AgentProcess>(
        std::vector<std::string>{"-k", "-m", "QM1", "-v", "medium"}, settings);
    ASSERT_TRUE(agent_->WaitUntilRunning()) << agent_->Log();
  }

  // Puts a Ping through the agent and waits until the agent has taken it.
  void PingTaken(AgentClient* client, int count) {
    client->Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
    ASSERT_TRUE(agent_->WaitForLog("] CSAG401I", count)) << agent_->Log();
  }

  StandIn stand_in_;
  std::unique_ptr<AgentProcess> agent_;
};

TEST_F(StopWaitProcessTest, OutstandingRequestsAreAnsweredAtTheEndAndNewOnesLeftQueued) {
  StartAgent(std::string(kNoAgeing) + "stopwait 2\n");
  stand_in_.Tool("fault QM1 command-server pause");
  AgentClient client("QM1");
  PingTaken(&client, 1);
  agent_->Signal(SIGTERM);
  ASSERT_TRUE(agent_->WaitForLog("] CSAG023I Waiting up to 2 seconds for 1 outstanding requests\n"))
      << agent_->Log();
  // Put during the wait: not taken, left for whoever reads the queue next.
  client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);

  Message reply;
  ASSERT_TRUE(client.Get(&reply)) << agent_->Log();
  EXPECT_EQ(reply.data.size(), 104u);
  EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, Reason)), MQRCCF_UNEXPECTED_ERROR);
  EXPECT_NE(reply.data.find(kNoResponse), std::string::npos);
  EXPECT_EQ(agent_->WaitForExit(), 0) << agent_->Log() << agent_->Output();
  const std::string log = agent_->Log();
  EXPECT_EQ(CountOf(log, "] CSAG401I"), 1) << log;
  EXPECT_LT(log.find("] CSAG022I Termination signal 15 received\n"), log.find("] CSAG023I"));
  EXPECT_LT(log.find("] CSAG303E Ageing out request for ReplyQ '" + client.reply_queue()),
            log.find("] CSAG099I"));

  MQHCONN hconn = mqemu_test::Connect("QM1");
  MQHOBJ input = mqemu_test::Open(hconn, kAgentInputQueue, MQOO_INPUT_SHARED);
  std::string left;
  EXPECT_EQ(mqemu_test::Get(hconn, input, &left), MQRC_NONE) << "the request put meanwhile";
  mqemu_test::Disconnect(&hconn);
}

TEST_F(StopWaitProcessTest, RepliesKeepFlowingUntilTheTableIsEmpty) {
  StartAgent(std::string(kNoAgeing) + "stopwait 60\n");
  stand_in_.Tool("fault QM1 reply-delay 1000");
  AgentClient client("QM1");
  PingTaken(&client, 1);
  const auto stop = steady_clock::now();
  agent_->Signal(SIGTERM);
  Message reply;
  ASSERT_TRUE(client.Get(&reply)) << agent_->Log();
  EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, CompCode)), MQCC_OK) << "the real answer";
  EXPECT_EQ(agent_->WaitForExit(), 0) << agent_->Log();
  EXPECT_LT(SecondsSince(stop), 30) << "ends once the table is empty, not after stopwait";
  EXPECT_EQ(agent_->Log().find("CSAG303E"), std::string::npos) << agent_->Log();
  EXPECT_FALSE(client.Get(&reply, 200));
}

TEST_F(StopWaitProcessTest, AnotherStopEndsTheWaitAtOnce) {
  StartAgent(std::string(kNoAgeing) + "stopwait 600\n");
  stand_in_.Tool("fault QM1 command-server pause");
  AgentClient client("QM1");
  PingTaken(&client, 1);
  PingTaken(&client, 2);
  agent_->Signal(SIGTERM);
  ASSERT_TRUE(agent_->WaitForLog("] CSAG023I Waiting up to 600 seconds for 2 outstanding"))
      << agent_->Log();
  agent_->Signal(SIGINT);
  EXPECT_EQ(agent_->WaitForExit(), 0) << agent_->Log();
  Message reply;
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(client.Get(&reply, 1000)) << "answered before the end";
    EXPECT_NE(reply.data.find(kNoResponse), std::string::npos);
  }
  EXPECT_EQ(CountOf(agent_->Log(), "] CSAG303E"), 2);
}

TEST_F(StopWaitProcessTest, WithoutStopwaitTheTableIsAbandoned) {
  StartAgent(kNoAgeing);
  stand_in_.Tool("fault QM1 command-server pause");
  AgentClient client("QM1");
  PingTaken(&client, 1);
  agent_->Signal(SIGTERM);
  EXPECT_EQ(agent_->WaitForExit(), 0) << agent_->Log();
  EXPECT_EQ(agent_->Log().find("CSAG023I"), std::string::npos);
  Message reply;
  EXPECT_FALSE(client.Get(&reply, 200));
}

}  // namespace
}  // namespace agent_test
