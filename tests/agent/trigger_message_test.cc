// Starting from a trigger message: the names it carries and the options in
// its TriggerData and UserData.
#include "agent/trigger_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "agent/command_line.h"
#include "log/message.h"
#include "state/settings.h"
#include "support/stdout_capture.h"

namespace {

// An MQTMC2 with the given fields, blank padded.
std::string Tmc2(const std::string& qname, const std::string& trigger_data,
                 const std::string& user_data, const std::string& qmgr) {
  std::string tmc(732, ' ');
  auto put = [&tmc](size_t offset, const std::string& value) {
    tmc.replace(offset, value.size(), value);
  };
  put(0, "TMC ");
  put(4, "   2");
  put(8, qname);
  put(104, trigger_data);
  put(556, user_data);
  put(684, qmgr);
  return tmc;
}

struct Parsed {
  int argc = 0;
  char** argv = nullptr;
};

Parsed Parse(const std::string& text) {
  ResetAgentConfig();
  static char program[] = "csagnt";
  Parsed parsed;
  EXPECT_TRUE(ParseTriggerMessage(text.c_str(), program, &parsed.argc, &parsed.argv));
  return parsed;
}

}  // namespace

TEST(TriggerMessage, RecognisedOnlyAsTheOneArgument) {
  char program[] = "csagnt", tmc[] = "TMC    2", other[] = "-k";
  char* one[] = {program, tmc, nullptr};
  char* two[] = {program, tmc, other, nullptr};
  char* plain[] = {program, other, nullptr};
  EXPECT_TRUE(IsTriggerMessage(2, one));
  EXPECT_FALSE(IsTriggerMessage(3, two));
  EXPECT_FALSE(IsTriggerMessage(2, plain));
}

TEST(TriggerMessage, NamesComeFromTheQueueAndQueueManagerFields) {
  Parsed parsed = Parse(Tmc2("AGENT.INPUT", "", "", "QM1"));
  EXPECT_STREQ(AgentConfig.qmname, "QM1");
  EXPECT_STREQ(AgentConfig.inputq, "AGENT.INPUT");
  EXPECT_EQ(parsed.argc, 1);
  EXPECT_STREQ(parsed.argv[0], "csagnt");
  EXPECT_EQ(parsed.argv[1], nullptr);
}

TEST(TriggerMessage, WordsOfTriggerDataAndUserDataOverrideTheNames) {
  Parsed parsed = Parse(Tmc2("AGENT.INPUT", "-v high", "-q   MY.Q", "QM1"));
  ASSERT_EQ(parsed.argc, 5);
  EXPECT_STREQ(parsed.argv[1], "-v");
  EXPECT_STREQ(parsed.argv[2], "high");
  EXPECT_STREQ(parsed.argv[3], "-q");
  EXPECT_STREQ(parsed.argv[4], "MY.Q");

  StdoutCapture capture;
  EXPECT_EQ(HandleCommandLine(parsed.argc, parsed.argv), CommandLineResult::kRun);
  EXPECT_EQ(AgentConfig.verbose, 3);
  EXPECT_STREQ(AgentConfig.inputq, "MY.Q");
  EXPECT_STREQ(AgentConfig.qmname, "QM1");
}

TEST(TriggerMessage, TabsArePartOfAWordAndTrailingWhiteSpaceIsDropped) {
  Parsed parsed = Parse(Tmc2("Q", "-m\tX\t\n", "", "QM1"));
  ASSERT_EQ(parsed.argc, 2);
  EXPECT_STREQ(parsed.argv[1], "-m\tX");
}

TEST(TriggerMessage, ShortArgumentIsReadAsBlankPadded) {
  Parsed parsed = Parse("TMC    2SHORT.Q");
  EXPECT_STREQ(AgentConfig.inputq, "SHORT.Q");
  EXPECT_STREQ(AgentConfig.qmname, "");
  EXPECT_EQ(parsed.argc, 1);
}

TEST(TriggerMessage, FullFieldsFillTheBlock) {
  std::string data(64, 'd'), user(128, 'u');
  Parsed parsed = Parse(Tmc2(std::string(48, 'Q'), data, user, std::string(48, 'M')));
  EXPECT_EQ(strlen(AgentConfig.inputq), 48u);
  EXPECT_EQ(strlen(AgentConfig.qmname), 48u);
  ASSERT_EQ(parsed.argc, 3);
  EXPECT_EQ(std::string(parsed.argv[1]), data);
  EXPECT_EQ(std::string(parsed.argv[2]), user);
}
