// The agent program's start-up against what an attacker or an unlucky
// operator may hand it: texts with control characters from the command line,
// a trigger message and the configuration file; -f naming what cannot be
// read as a file; a configuration file without end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "agent/agent_client.h"
#include "log/agent_copy.h"

namespace {

// An MQTMC2 with `trigger_data` and the names given, blank padded.
std::string TriggerMessage(const std::string& trigger_data, const std::string& qmgr = "",
                           const std::string& queue = "") {
  std::string tmc(732, ' ');
  tmc.replace(0, 8, "TMC    2");
  tmc.replace(8, queue.size(), queue);
  tmc.replace(104, trigger_data.size(), trigger_data);
  tmc.replace(684, qmgr.size(), qmgr);
  return tmc;
}

TEST(ConfigProgramTest, CommandLineTextsReachTheConsolePrintably) {
  AgentCopy agent;
  EXPECT_EQ(agent.Run({"-v", "\x1b[31mx"}), 2);
  EXPECT_NE(agent.Output().find("] Sorry, don't understand verbose string '.[31mx'\n"),
            std::string::npos)
      << agent.Output();
  EXPECT_TRUE(PrintableLines(agent.Output())) << agent.Output();

  EXPECT_EQ(agent.Run({"-k", "\x1b]0;owned\x07\nCSAG099I forged"}), 2);
  EXPECT_NE(agent.Output().find("] CSAG007E Unrecognised parameter '.]0;owned..CSAG099I forged'\n"),
            std::string::npos)
      << agent.Output();
  EXPECT_TRUE(PrintableLines(agent.Output())) << agent.Output();
}

TEST(ConfigProgramTest, TriggerMessageTextsReachTheConsolePrintably) {
  AgentCopy agent;
  EXPECT_EQ(agent.Run({TriggerMessage("-k \x1b[2J\x1b[H")}), 2);
  EXPECT_NE(agent.Output().find("] CSAG007E Unrecognised parameter '.[2J.[H'\n"), std::string::npos)
      << agent.Output();
  EXPECT_TRUE(PrintableLines(agent.Output())) << agent.Output();
}

// The names a trigger message or the command line gives reach the messages
// of the connection printably too.
TEST(ConfigProgramTest, QueueManagerAndQueueNamesReachTheLogPrintably) {
  agent_test::StandIn stand_in;
  AgentCopy agent;
  EXPECT_EQ(agent.Run({TriggerMessage("", "QM\x1b[2J", "Q")}, agent_test::LibraryDir()), 1);
  EXPECT_NE(agent.Log().find("] CSAG101E MQCONN to queue manager 'QM.[2J' failed with reason "),
            std::string::npos)
      << agent.Log();
  EXPECT_TRUE(PrintableLines(agent.Log())) << agent.Log();

  EXPECT_EQ(agent.Run({"-k", "-m", "QM1", "-q", "Q\x1b[5m"}, agent_test::LibraryDir()), 1);
  EXPECT_NE(agent.Log().find("] CSAG104E MQOPEN of queue 'Q.[5m' failed with reason "),
            std::string::npos)
      << agent.Log();
  EXPECT_TRUE(PrintableLines(agent.Log())) << agent.Log();
}

TEST(ConfigProgramTest, ConfigurationFileTextsReachTheConsoleAndTheLogPrintably) {
  AgentCopy agent;
  agent.dir().Write("CSAGNT.CFG", "bad\033ckey 1\ncompress \"\x1b[5m\"\nmaxage 20\n");
  EXPECT_EQ(agent.Run({"-k"}), 1);
  const std::string output = agent.Output();
  EXPECT_NE(output.find("] CSAG007E Unrecognised parameter 'bad.ckey'\n"), std::string::npos)
      << output;
  EXPECT_NE(output.find("] CSAG007E Unrecognised parameter 'compress = .[5m'\n"), std::string::npos)
      << output;
  EXPECT_TRUE(PrintableLines(output)) << output;
  EXPECT_TRUE(PrintableLines(agent.Log())) << agent.Log();
}

// -f naming a FIFO, a device or a directory is reported and start-up goes on
// with the defaults, without waiting on the FIFO or reading the device.
TEST(ConfigProgramTest, ConfigFileThatIsNoRegularFileIsReportedAndNotRead) {
  AgentCopy agent;
  const std::string fifo = agent.dir().File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {fifo, "rc=22 (Invalid argument)"},
      {"/dev/zero", "rc=22 (Invalid argument)"},
      {agent.dir().path(), "rc=21 (Is a directory)"},
  };
  for (const auto& [path, rc] : cases) {
    EXPECT_EQ(agent.Run({"-k", "-f", path}), 1) << path;
    const std::string output = agent.Output();
    EXPECT_NE(output.find("] CSAG203E Unable to open config file '" + path + "' " + rc + "\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(agent_test::CountOf(output, "\n["), 1) << "nothing else: " << output;
    EXPECT_NE(agent.Log().find("] CSAG100E"), std::string::npos) << "start-up went on";
  }
}

TEST(ConfigProgramTest, ConfigFileNameLongerThanTheFieldIsNotCut) {
  AgentCopy agent;
  const std::string sub = agent.dir().File(std::string(200, 'd'));
  std::filesystem::create_directory(sub);
  const std::string cut = sub + "/" + std::string(300 - sub.size() - 1, 'f');
  ASSERT_EQ(cut.size(), 300u);
  std::ofstream(cut) << "maxage 42\n";
  EXPECT_EQ(agent.Run({"-k", "-f", cut + "-other.cfg"}), 1);
  EXPECT_NE(agent.Output().find("] CSAG203E Unable to open config file '" + cut +
                                "' rc=36 (File name too long)\n"),
            std::string::npos)
      << agent.Output();
  EXPECT_EQ(agent.Log().find("CSAG005I"), std::string::npos);
}

// A file of many megabytes is read in part and reported once; reading it
// takes no noticeable time.
TEST(ConfigProgramTest, HugeConfigFileIsReadInPart) {
  AgentCopy agent;
  const std::string huge = agent.dir().File("huge.cfg");
  {
    std::ofstream out(huge);
    const std::string line(99, 'x');
    for (int i = 0; i < 80000; ++i) out << line << '\n';
  }
  EXPECT_EQ(agent.Run({"-k", "-f", huge}), 1);
  const std::string output = agent.Output();
  EXPECT_EQ(agent_test::CountOf(output, "CSAG007E"), 100);
  EXPECT_EQ(agent_test::CountOf(output, "CSAG213E"), 1);
  EXPECT_NE(output.find("] CSAG213E Reading of config file '" + huge +
                        "' stopped: 100 unrecognised parameters\n"),
            std::string::npos)
      << output.substr(output.size() > 500 ? output.size() - 500 : 0);
}

}  // namespace
