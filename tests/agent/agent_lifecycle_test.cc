// The agent's life as a process against the stand-in: what it says when it
// starts, the simple commands, the ways it ends in order and the exit status
// of each. The ends forced by faults are in fault_process_test.cc.
#include <gtest/gtest.h>

#include <csignal>
#include <regex>

#include "agent_client.h"
#include "agent_process.h"

namespace agent_test {
namespace {

class AgentLifecycleTest : public ::testing::Test {
 protected:
  StandIn stand_in_;
};

TEST_F(AgentLifecycleTest, SimpleCommandsReportAndStop) {
  // Without -m the agent goes to the default queue manager and names it.
  AgentProcess agent({"-k"});
  ASSERT_TRUE(agent.WaitUntilRunning()) << agent.Log() << agent.Output();
  const std::string log = agent.Log();
  EXPECT_NE(log.find("  Queue Manager        : QM1\n"
                     "  Input Queue          : TOVAN.CSAGNT.COMMAND.QUEUE\n"
                     "  Reply Queue          : SYSTEM.DEFAULT.MODEL.QUEUE\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(std::regex_match(agent.ActualReplyQueue(), std::regex("TOVAN\\.CSAGNT\\..{16}")))
      << agent.ActualReplyQueue();
  EXPECT_EQ(agent.Output(), "");  // -k: nothing on the console

  AgentRun report = RunAgent({"-c", "REPORT", "-m", "QM1"});
  EXPECT_EQ(report.exit_status, 0);
  EXPECT_EQ(report.output, "");  // a successful put writes nothing
  EXPECT_TRUE(agent.WaitForLog("] CSAG080I CSAGNT Status Report\n")) << agent.Log();

  AgentRun stop = RunAgent({"-c", "STOP", "-m", "QM1"});
  EXPECT_EQ(stop.exit_status, 0) << stop.output;
  EXPECT_EQ(agent.WaitForExit(), 0) << agent.Log() << agent.Output();
  const std::string final_log = agent.Log();
  ExpectOrderlyShutdownAfter(final_log, "] CSAG021I STOP command received\n");
  EXPECT_EQ(CountOf(final_log, "] CSAG080I"), 2) << final_log;
  // REPORT was counted after its report, then STOP: both in the final one.
  EXPECT_NE(final_log.find("  Commands Received         :           2 :           2\n"),
            std::string::npos)
      << final_log;
}

TEST_F(AgentLifecycleTest, SimpleCommandThatCannotBePutFails) {
  AgentRun run = RunAgent({"-c", "STOP", "-m", "QM1", "-q", "NO.SUCH.QUEUE"});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.output.find("CSAG107E MQPUT to queue 'NO.SUCH.QUEUE' failed with reason 2085"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("CSAG099I"), std::string::npos) << run.output;
}

TEST_F(AgentLifecycleTest, UnknownSimpleCommandIsReportedPrintably) {
  AgentProcess agent({"-k", "-m", "QM1"});
  ASSERT_TRUE(agent.WaitUntilRunning()) << agent.Log();
  AgentClient client("QM1");
  client.PutDatagram("\x1b[2Jstop now please");
  EXPECT_TRUE(
      agent.WaitForLog("] CSAG212E CSAGNT does not recognise the simple command '.[2Jstop now'\n"))
      << agent.Log();
  EXPECT_EQ(agent.Log().find('\x1b'), std::string::npos);
  agent.Signal(SIGTERM);
  EXPECT_EQ(agent.WaitForExit(), 0);
}

TEST_F(AgentLifecycleTest, TerminationSignalEndsInOrder) {
  AgentProcess agent({"-k", "-m", "QM1"});
  ASSERT_TRUE(agent.WaitUntilRunning()) << agent.Log();
  agent.Signal(SIGTERM);
  EXPECT_EQ(agent.WaitForExit(), 0) << agent.Log() << agent.Output();
  ExpectOrderlyShutdownAfter(agent.Log(), "] CSAG022I Termination signal 15 received\n");
}

TEST_F(AgentLifecycleTest, StartupFailuresEndWithStatusOne) {
  struct Case {
    std::vector<std::string> args;
    std::string library_dir;
    std::string message;
  };
  const Case cases[] = {
      {{"-k", "-m", "NOSUCH"}, LibraryDir(), "] CSAG101E MQCONN to queue manager 'NOSUCH' failed"},
      {{"-k", "-m", "QM1", "-q", "NO.SUCH.QUEUE"},
       LibraryDir(),
       "] CSAG104E MQOPEN of queue 'NO.SUCH.QUEUE' failed with reason 2085 ("},
      {{"-k", "-m", "QM1"}, VariantDir("no-mqconnx"), "] CSAG101E MQCONN to queue manager 'QM1'"},
  };
  for (const Case& c : cases) {
    AgentProcess agent(c.args, "", c.library_dir);
    EXPECT_EQ(agent.WaitForExit(), 1) << c.message << agent.Output();
    ExpectOrderlyShutdownAfter(agent.Log(), c.message);
    EXPECT_EQ(agent.Log().find("CSAG004I"), std::string::npos) << agent.Log();
  }
}

TEST_F(AgentLifecycleTest, WithoutMqcbTheAgentRunsWithoutConsumers) {
  AgentProcess agent({"-k", "-m", "QM1"}, "", VariantDir("no-mqcb"));
  ASSERT_TRUE(agent.WaitUntilRunning()) << agent.Log() << agent.Output();
  const std::string log = agent.Log();
  EXPECT_NE(log.find("] CSAG105E MQCB for queue 'TOVAN.CSAGNT.COMMAND.QUEUE' failed with reason "),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("] CSAG105E MQCB for queue 'SYSTEM.DEFAULT.MODEL.QUEUE' failed with reason "),
            std::string::npos)
      << log;
  agent.Signal(SIGINT);
  EXPECT_EQ(agent.WaitForExit(), 0) << agent.Log() << agent.Output();
  ExpectOrderlyShutdownAfter(agent.Log(), "] CSAG022I Termination signal 2 received\n");
}

}  // namespace
}  // namespace agent_test
