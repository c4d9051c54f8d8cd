// The error log as the running agent keeps it: rotation with a numlogfiles
// without bounds, a log on a full device, a FIFO in the place of file 1, and
// a queue manager name that would lead the log out of logpath.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "agent/agent_client.h"
#include "agent/agent_process.h"
#include "log/agent_copy.h"

namespace {

using agent_test::AgentProcess;
using agent_test::CountOf;
using agent_test::StandIn;

// A deadline for the end after SIGTERM: generous for a sanitizer build, far
// below what a rotation through every number up to numlogfiles takes.
constexpr int kStopMs = 10000;

TEST(LogProgramTest, HugeNumLogFilesWithMaxLogSizeZeroStartsAndEndsOnSigterm) {
  StandIn stand_in;
  AgentProcess agent({"-k", "-m", "QM1"}, "maxlogsize 0\nnumlogfiles 2147483647\n");
  // Every message starts a new file 1, so the last start-up message is there.
  ASSERT_TRUE(agent.WaitForLog("] CSAG005I")) << agent.Output();
  EXPECT_NE(agent.Output().find("CSAG007E Unrecognised parameter 'numlogfiles = 2147483647'\n"),
            std::string::npos)
      << agent.Output();
  agent.Signal(SIGTERM);
  EXPECT_EQ(agent.WaitForExit(kStopMs), 0) << agent.Output();
  EXPECT_NE(agent.Log().find("] CSAG099I"), std::string::npos) << agent.Log();
  EXPECT_FALSE(std::filesystem::exists(agent.dir().File("CSAGNT_Log04.txt")));
  // Every file, a rotation's too, begins with the date line.
  for (const char* name : {"CSAGNT_Log01.txt", "CSAGNT_Log02.txt", "CSAGNT_Log03.txt"}) {
    EXPECT_EQ(agent.dir().Read(name).rfind("           CSAG002I Current Date: ", 0), 0u)
        << name << ": " << agent.dir().Read(name);
  }
}

// The log on a full device: the failure is reported once on standard output,
// the messages go there too, and logfailfatal ends the agent in order.
TEST(LogProgramTest, FullDeviceWithLogFailFatalStopsInOrderWithStatusOne) {
  StandIn stand_in;
  TempDir logs;
  const std::string log_name = logs.File("CSAGNT_Log01.txt");
  ASSERT_EQ(symlink("/dev/full", log_name.c_str()), 0);
  AgentProcess agent({"-k", "-m", "QM1"}, "logpath \"" + logs.path() + "\"\n");
  EXPECT_EQ(agent.WaitForExit(), 1) << agent.Output();
  const std::string output = agent.Output();
  EXPECT_EQ(CountOf(output, "CSAG211E"), 1) << output;
  const size_t failure = output.find("] CSAG211E Unable to write to error log file '" + log_name +
                                     "' rc=28 (No space left on device)\n");
  EXPECT_NE(failure, std::string::npos) << output;
  EXPECT_LT(failure, output.find("] CSAG001I CSAGNT "));
  EXPECT_NE(output.find("] CSAG080I CSAGNT Status Report\n"), std::string::npos) << output;
  EXPECT_NE(output.find("] CSAG099I CSAGNT Agent shutting down\n"), std::string::npos) << output;
}

TEST(LogProgramTest, FullDeviceWithoutLogFailFatalRunsOn) {
  StandIn stand_in;
  TempDir logs;
  ASSERT_EQ(symlink("/dev/full", logs.File("CSAGNT_Log01.txt").c_str()), 0);
  AgentProcess agent({"-k", "-m", "QM1"}, "logpath \"" + logs.path() + "\"\nlogfailfatal no\n");
  ASSERT_TRUE(
      agent_test::WaitForText([&] { return agent.Output(); }, "] CSAG004I", 1, agent_test::kWaitMs))
      << agent.Output();
  agent.Signal(SIGTERM);
  EXPECT_EQ(agent.WaitForExit(kStopMs), 0) << agent.Output();
  const std::string output = agent.Output();
  EXPECT_EQ(CountOf(output, "CSAG211E"), 1) << output;
  EXPECT_NE(output.find("] CSAG022I Termination signal 15 received\n"), std::string::npos);
  EXPECT_NE(output.find("] CSAG099I CSAGNT Agent shutting down\n"), std::string::npos);
}

TEST(LogProgramTest, FifoInPlaceOfFile1DoesNotBlockStartUp) {
  AgentCopy agent;
  const std::string fifo = agent.dir().File("CSAGNT_Log01.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(agent.Run({"-k"}), 1);
  EXPECT_NE(agent.Output().find("] CSAG204E Unable to open error log file '" + fifo +
                                "' rc=6 (No such device or address)\n"),
            std::string::npos)
      << agent.Output();
  EXPECT_NE(agent.Output().find("] CSAG100E"), std::string::npos) << "start-up went on";
}

// A queue manager name from the command line or a trigger message that is not
// one directory name is not put in for +QMNAME+: the log stays in logpath.
TEST(LogProgramTest, QueueManagerNameThatWouldLeaveLogPathIsNotPutIn) {
  AgentCopy agent;
  const std::string logs = agent.dir().File("logs");
  std::filesystem::create_directory(logs);
  std::filesystem::create_directory(agent.dir().File("escaped"));
  agent.dir().Write("CSAGNT.CFG", "logpath \"" + logs + "/+QMNAME+\"\n");

  std::string tmc(732, ' ');
  tmc.replace(0, 8, "TMC    2");
  tmc.replace(684, 10, "../escaped");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-k", "-m", "../escaped"}, {tmc}}) {
    EXPECT_EQ(agent.Run(args), 1);
    EXPECT_FALSE(std::filesystem::exists(agent.dir().File("escaped/CSAGNT_Log01.txt")));
    const std::string log = TempDir::ReadPath(logs + "/CSAGNT_Log01.txt");
    EXPECT_NE(log.find("] CSAG214E Queue manager name '../escaped' not usable for +QMNAME+ in "
                       "logpath; error log directory '" +
                       logs + "/'\n"),
              std::string::npos)
        << log << agent.Output();
    std::filesystem::remove(logs + "/CSAGNT_Log01.txt");
  }
}

}  // namespace
