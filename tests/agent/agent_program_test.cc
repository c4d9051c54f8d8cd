// The agent program as an administrator runs it: the usage, command-line
// errors and their exit statuses, the configuration file, the error log and
// the shutdown steps after the IBM MQ library could not be loaded.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_program.h"
#include "support/temp_dir.h"
#include "usage_text.h"

namespace {

// Counts the occurrences of `what` in `text`.
size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The agent copied into a directory of its own, so that its program
// directory (the home of CSAGNT.CFG and the error logs) is a fresh one.
class AgentProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = dir_.File("csagnt");
    std::filesystem::copy_file(CSAGNT_PROGRAM, program_);
  }

  ProgramRun Run(const std::vector<std::string>& args,
                 std::map<std::string, std::string> env = {{"MQM_DLL_PATH", "/nonexistent"}}) {
    std::vector<std::string> unset;
    for (const char* name : {"MQACCESS_DEBUG", "MQ_INSTALLATION_PATH"})
      if (!env.count(name)) unset.push_back(name);
    return RunProgram(program_, args, env, unset);
  }

  TempDir dir_;
  std::string program_;
};

}  // namespace

TEST_F(AgentProgramTest, UsageAskedForEndsQuietlyWithStatusZero) {
  ProgramRun run = Run({"-?"});
  EXPECT_EQ(run.exit_status, 0);
  // The banner, then the usage text, each behind its time of day; nothing else.
  ASSERT_EQ(Count(run.output, "\n["), 1u) << run.output;
  EXPECT_EQ(run.output.substr(0, 1), "[");
  EXPECT_EQ(run.output.substr(11, 17), "CSAG001I CSAGNT C");
  size_t usage = run.output.find(kUsageText);
  ASSERT_NE(usage, std::string::npos) << run.output;
  EXPECT_EQ(usage + kUsageText.size(), run.output.size());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("CSAGNT_Log01.txt")));
}

TEST_F(AgentProgramTest, CommandLineErrorsEndWithStatusTwo) {
  for (auto args : {std::vector<std::string>{"-x"}, {"-M", "QM1"}, {"--"}, {"-m"}}) {
    ProgramRun run = Run(args);
    EXPECT_EQ(run.exit_status, 2) << args[0];
    EXPECT_NE(run.output.find(kUsageText), std::string::npos) << args[0];
    EXPECT_EQ(run.output.find("CSAG007E"), std::string::npos) << args[0];
  }

  ProgramRun positional = Run({"QM1"});
  EXPECT_EQ(positional.exit_status, 2);
  EXPECT_LT(positional.output.find("CSAG007E Unrecognised parameter 'QM1'\n"),
            positional.output.find(kUsageText));

  ProgramRun verbose = Run({"-v", "x"});
  EXPECT_EQ(verbose.exit_status, 2);
  EXPECT_LT(verbose.output.find("Sorry, don't understand verbose string 'x'\n"),
            verbose.output.find(kUsageText));
  EXPECT_EQ(verbose.output.find("CSAG099I"), std::string::npos);
}

TEST_F(AgentProgramTest, MissingMqLibraryEndsWithTheShutdownSteps) {
  ProgramRun run = Run({"-k"});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.output, "");  // -k: nothing on the console once the log is open

  std::string log = dir_.Read("CSAGNT_Log01.txt");
  EXPECT_EQ(log.rfind("           CSAG002I Current Date: ", 0), 0u) << log;
  size_t banner = log.find("] CSAG001I CSAGNT ");
  size_t load = log.find("] CSAG100E Error loading MQAPI mqm.lib rc=2\n");
  size_t report = log.find("] CSAG080I CSAGNT Status Report\n");
  size_t end = log.find("] CSAG099I CSAGNT Agent shutting down\n");
  ASSERT_NE(banner, std::string::npos) << log;
  ASSERT_NE(load, std::string::npos) << log;
  ASSERT_NE(report, std::string::npos) << log;
  ASSERT_NE(end, std::string::npos) << log;
  EXPECT_LT(banner, load);
  EXPECT_LT(load, report);
  EXPECT_LT(report, end);
  const std::string separator = "] ---------------------------------------\n";
  EXPECT_EQ(log.size() - log.rfind(separator), separator.size());
}

TEST_F(AgentProgramTest, LoaderTraceWithMqAccessDebug) {
  ProgramRun run = Run({"-k"}, {{"MQM_DLL_PATH", "/nonexistent"}, {"MQACCESS_DEBUG", "1"}});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.output.rfind("Loading '/nonexistent/libmqm_r.so'\nLoad failed RC(2) ", 0), 0u)
      << run.output;
  EXPECT_EQ(Count(run.output, "\n"), 2u) << run.output;
}

TEST_F(AgentProgramTest, ConfigurationFileReportsAndLogPath) {
  std::string logs = dir_.File("x y");
  std::filesystem::create_directories(logs + "/QM1");
  std::string cfg = dir_.Write(
      "agent.cfg", "badkey = 5\ncompress = true\nmaxage=20\nlogpath \"" + logs + "/+QMNAME+\"\n");
  ProgramRun run = Run({"-f", cfg, "-m", "QM1"});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(Count(run.output, "CSAG007E"), 4u) << run.output;
  size_t bad = run.output.find("CSAG007E Unrecognised parameter 'badkey'\n");
  size_t eq = run.output.find("CSAG007E Unrecognised parameter '='\n");
  size_t five = run.output.find("CSAG007E Unrecognised parameter '5'\n");
  size_t flag = run.output.find("CSAG007E Unrecognised parameter 'compress = true'\n");
  EXPECT_LT(bad, eq);
  EXPECT_LT(eq, five);
  EXPECT_LT(five, flag);
  EXPECT_NE(flag, std::string::npos);

  std::string log_name = logs + "/QM1/CSAGNT_Log01.txt";
  ASSERT_TRUE(std::filesystem::exists(log_name)) << run.output;
  EXPECT_NE(TempDir::ReadPath(log_name).find("] CSAG001I CSAGNT "), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("CSAGNT_Log01.txt")));
}

TEST_F(AgentProgramTest, ZeroMaxLogSizeRotatesOnEveryMessage) {
  dir_.Write("CSAGNT.CFG", "maxlogsize 0\n");
  ProgramRun run = Run({"-k"});
  EXPECT_EQ(run.exit_status, 1);
  for (const char* name : {"CSAGNT_Log01.txt", "CSAGNT_Log02.txt", "CSAGNT_Log03.txt"})
    EXPECT_TRUE(std::filesystem::exists(dir_.File(name))) << name;
  EXPECT_FALSE(std::filesystem::exists(dir_.File("CSAGNT_Log04.txt")));
}

TEST_F(AgentProgramTest, TriggeredStartIsLogged) {
  dir_.Write("CSAGNT.CFG", "logpath \"" + dir_.path() + "/+QMNAME+\"\n");
  std::filesystem::create_directory(dir_.File("QMT"));
  std::string tmc(732, ' ');
  tmc.replace(0, 8, "TMC    2");
  tmc.replace(8, 7, "AGENT.Q");
  tmc.replace(104, 2, "-k");
  tmc.replace(684, 3, "QMT");
  ProgramRun run = Run({tmc});
  EXPECT_EQ(run.exit_status, 1);
  std::string log = TempDir::ReadPath(dir_.File("QMT/CSAGNT_Log01.txt"));
  EXPECT_NE(log.find("] CSAG003I Program Triggered\n"), std::string::npos) << log << run.output;
}

TEST_F(AgentProgramTest, SimpleCommandModeEndsQuietly) {
  dir_.Write("CSAGNT.CFG", "maxage 5\n");
  ProgramRun run = Run({"-c", "STOP"});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.output.find("CSAG100E Error loading MQAPI mqm.lib rc=2\n"), std::string::npos);
  EXPECT_EQ(run.output.find("CSAG001I"), std::string::npos);
  EXPECT_EQ(run.output.find("CSAG080I"), std::string::npos);
  EXPECT_EQ(run.output.find("CSAG099I"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("CSAGNT_Log01.txt")));
}
