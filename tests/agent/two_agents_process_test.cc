// Two agents on one input queue (each opens it shared and has its own
// reply queue): every request is answered exactly once by the agent that
// took it, the load is spread over both, and with stopwait one of them can
// be stopped in the middle of the load without losing a request, the other
// taking the new ones.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "agent_client.h"
#include "agent_process.h"
#include "load_clients.h"

namespace agent_test {
namespace {

constexpr int kClients = 16;
constexpr char kSettings[] = "stopwait 30\n";

class TwoAgentsProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(first_.WaitUntilRunning()) << first_.Log() << first_.Output();
    ASSERT_TRUE(second_.WaitUntilRunning()) << second_.Log() << second_.Output();
  }

  StandIn stand_in_;
  AgentProcess first_{{"-k", "-m", "QM1"}, kSettings};
  AgentProcess second_{{"-k", "-m", "QM1"}, kSettings};
  const int requests_ = LoadSize("CSAGNT_LOAD_REQUESTS", 50);
};

TEST_F(TwoAgentsProcessTest, EveryRequestIsAnsweredOnceAndTheLoadIsSpread) {
  Load load({{"QM1", DistributedMix()}}, kClients, requests_);
  const double seconds = load.Run(kLoadAnswerWaitMs);
  const long first_kb = first_.PeakResidentKb();
  const long second_kb = second_.PeakResidentKb();
  first_.Signal(SIGTERM);
  second_.Signal(SIGTERM);
  ASSERT_EQ(first_.WaitForExit(), 0) << first_.Log();
  ASSERT_EQ(second_.WaitForExit(), 0) << second_.Log();

  const LoadTotals totals = load.Totals();
  EXPECT_EQ(totals.requests, int64_t{kClients} * requests_);
  ExpectExactlyOnce(totals);
  EXPECT_EQ(totals.error_answers, 0);
  const AgentCounters first = LastReportCounters(first_.Log());
  const AgentCounters second = LastReportCounters(second_.Log());
  ExpectCountersMatch({first, second}, totals);
  // Each agent took a fair share.
  EXPECT_GT(first.commands, totals.requests / 5) << first.commands << " of " << totals.requests;
  EXPECT_GT(second.commands, totals.requests / 5) << second.commands << " of " << totals.requests;
  PrintLoadFigures("two agents on one input queue, " + std::to_string(kClients) + " clients x " +
                       std::to_string(requests_) + " requests; taken " +
                       std::to_string(first.commands) + " and " + std::to_string(second.commands),
                   totals, seconds, {{"first", first_kb}, {"second", second_kb}});
}

TEST_F(TwoAgentsProcessTest, StoppingOneInTheMiddleLosesNoRequest) {
  Load load({{"QM1", DistributedMix()}}, kClients, requests_);
  std::thread clients([&load] { load.Run(kLoadAnswerWaitMs); });
  const int64_t total = int64_t{kClients} * requests_;
  while (load.AnsweredSoFar() < total / 3)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  first_.Signal(SIGTERM);
  const int first_status = first_.WaitForExit(kLoadAnswerWaitMs);
  clients.join();
  second_.Signal(SIGTERM);
  ASSERT_EQ(first_status, 0) << first_.Log() << first_.Output();
  ASSERT_EQ(second_.WaitForExit(), 0) << second_.Log();

  const LoadTotals totals = load.Totals();
  EXPECT_EQ(totals.requests, total);
  ExpectExactlyOnce(totals);
  EXPECT_EQ(totals.error_answers, 0) << "answered by the command server, not given up";
  if (HasFailure()) ADD_FAILURE() << first_.Log() << "\n" << second_.Log();
  const AgentCounters first = LastReportCounters(first_.Log());
  const AgentCounters second = LastReportCounters(second_.Log());
  ExpectCountersMatch({first, second}, totals);
  EXPECT_LT(first.commands, total) << "the second agent took the rest";
  EXPECT_NE(first_.Log().find("] CSAG022I Termination signal 15 received\n"), std::string::npos);
  printf("load: stopping one of two agents, %lld requests: first took %lld, second %lld\n",
         static_cast<long long>(total), static_cast<long long>(first.commands),
         static_cast<long long>(second.commands));
}

}  // namespace
}  // namespace agent_test
