// The command line: option syntax, option values, and how errors end in the
// usage text.
#include "agent/command_line.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "log/message.h"
#include "state/process_state.h"
#include "state/settings.h"
#include "support/stdout_capture.h"
#include "usage_text.h"

namespace {

struct Outcome {
  CommandLineResult result;
  std::string output;
};

Outcome Handle(std::initializer_list<const char*> args) {
  ResetAgentConfig();
  Process.UsageShown = false;
  LogState.LogStream = stdout;
  std::vector<std::string> storage{"csagnt"};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : storage) argv.push_back(arg.data());
  argv.push_back(nullptr);
  StdoutCapture capture;
  CommandLineResult result = HandleCommandLine(static_cast<int>(storage.size()), argv.data());
  return {result, capture.Text()};
}

bool HasUsage(const Outcome& outcome) {
  return outcome.output.find("CSAG006E Usage: CSAGNT <Optional flags as below>\n") !=
         std::string::npos;
}

bool HasUnrecognised(const Outcome& outcome) {
  return outcome.output.find("CSAG007E") != std::string::npos;
}

}  // namespace

TEST(CommandLine, QueueManagerOptionSpellings) {
  for (auto args : {std::vector<const char*>{"/m", "QM1"},
                    {"-m", "QM1"},
                    {"-mQM1"},
                    {"-m:QM1"},
                    {"-m", ":QM1"}}) {
    Outcome outcome = args.size() == 1 ? Handle({args[0]}) : Handle({args[0], args[1]});
    EXPECT_EQ(outcome.result, CommandLineResult::kRun) << args[0];
    EXPECT_STREQ(AgentConfig.qmname, "QM1") << args[0];
  }
}

TEST(CommandLine, OptionsWithoutValueShareAnArgument) {
  EXPECT_EQ(Handle({"-kv", "high"}).result, CommandLineResult::kRun);
  EXPECT_NE(AgentConfig.AgentFlags & AF_NOCONSOLE, 0u);
  EXPECT_EQ(AgentConfig.verbose, 3);
}

TEST(CommandLine, VerboseLevelByFirstLetter) {
  Handle({"-v", "Med"});
  EXPECT_EQ(AgentConfig.verbose, 2);
  Handle({"-v", "MEDIUM"});
  EXPECT_EQ(AgentConfig.verbose, 2);
  Handle({"-v", "quiet"});
  EXPECT_EQ(AgentConfig.verbose, 0);
  Handle({"-v", ""});
  EXPECT_EQ(AgentConfig.verbose, 0);
  Handle({"-v", "low", "-v", "high"});
  EXPECT_EQ(AgentConfig.verbose, 3);
  EXPECT_STREQ(VerboseLevelName(2), "Medium detail");
}

TEST(CommandLine, UnknownVerboseStringShowsUsage) {
  Outcome outcome = Handle({"-v", "x"});
  EXPECT_EQ(outcome.result, CommandLineResult::kUsageError);
  size_t sorry = outcome.output.find("Sorry, don't understand verbose string 'x'\n");
  ASSERT_NE(sorry, std::string::npos);
  EXPECT_GT(outcome.output.find("CSAG006E"), sorry);
  EXPECT_TRUE(Process.UsageShown);
}

TEST(CommandLine, BadOptionsShowUsageWithoutUnrecognisedMessage) {
  for (auto args : {std::vector<const char*>{"-x"}, {"-M", "QM1"}, {"--"}, {"-m"}, {"-:"}}) {
    Outcome outcome = args.size() == 1 ? Handle({args[0]}) : Handle({args[0], args[1]});
    EXPECT_EQ(outcome.result, CommandLineResult::kUsageError) << args[0];
    EXPECT_TRUE(HasUsage(outcome)) << args[0];
    EXPECT_FALSE(HasUnrecognised(outcome)) << args[0];
  }
}

TEST(CommandLine, LeftoverArguments) {
  Outcome positional = Handle({"QM1"});
  EXPECT_EQ(positional.result, CommandLineResult::kUsageError);
  EXPECT_NE(positional.output.find("CSAG007E Unrecognised parameter 'QM1'\n"), std::string::npos);
  EXPECT_LT(positional.output.find("CSAG007E"), positional.output.find("CSAG006E"));

  Outcome dash = Handle({"-"});
  EXPECT_NE(dash.output.find("CSAG007E Unrecognised parameter '-'\n"), std::string::npos);

  for (const char* asked : {"?", "?x"}) {
    Outcome outcome = Handle({asked});
    EXPECT_EQ(outcome.result, CommandLineResult::kUsageAsked);
    EXPECT_TRUE(HasUsage(outcome));
    EXPECT_FALSE(HasUnrecognised(outcome));
  }
  EXPECT_EQ(Handle({"-?"}).result, CommandLineResult::kUsageAsked);
  EXPECT_EQ(Handle({"-k?"}).result, CommandLineResult::kUsageAsked);
}

TEST(CommandLine, ValuesAreCutToTheirFields) {
  std::string long_name(60, 'Q');
  Handle({"-q", long_name.c_str()});
  EXPECT_EQ(std::string(AgentConfig.inputq), long_name.substr(0, 48));
}

TEST(CommandLine, SimpleCommandAndConfigFileSetTheirFlags) {
  Handle({"-c", "STOP", "-f", "/etc/csagnt.cfg"});
  EXPECT_STREQ(AgentConfig.simplecmd, "STOP");
  EXPECT_STREQ(AgentConfig.cfgfile, "/etc/csagnt.cfg");
  EXPECT_EQ(AgentConfig.AgentFlags & (AF_SIMPLECMD | AF_CFGFILE), AF_SIMPLECMD | AF_CFGFILE);
  EXPECT_EQ(Handle({"-c", ""}).result, CommandLineResult::kRun);
  EXPECT_STREQ(AgentConfig.simplecmd, "");
}

TEST(CommandLine, UsageTextIsExactAndUndated) {
  Outcome outcome = Handle({"-?"});
  EXPECT_EQ(outcome.output.find("CSAG002I"), std::string::npos);
  EXPECT_NE(outcome.output.find("] " + kUsageText), std::string::npos) << outcome.output;
  size_t banner = outcome.output.find("CSAG001I CSAGNT ");
  EXPECT_LT(banner, outcome.output.find("CSAG006E"));
  EXPECT_NE(outcome.output.find(std::string(" built ") + __DATE__ + "\n"), std::string::npos);
}
