// What csagnt-query reads for its bulk work, on cases a queue manager does
// not readily produce: scripts with every continuation and comment form,
// DISPLAY output whose values hold parentheses and blanks, and values that
// MQSC must quote.
#include <gtest/gtest.h>

#include <sstream>

#include "dump.h"
#include "script.h"

namespace query {
namespace {

std::vector<std::string> Commands(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> commands;
  for (const ScriptCommand& c : ReadMqscScript(in)) commands.push_back(c.text);
  return commands;
}

TEST(BulkReadingTest, ScriptsAreReadAsRunmqscReadsThem) {
  EXPECT_EQ(Commands("  * indented comment\r\n"
                     "DEFINE QLOCAL(A) +\r\n"
                     "      DESCR('x')   \r\n"
                     "\n"
                     "DEFINE QLOCAL(B) DESCR('a-\n"
                     "  b')\n"
                     "ALTER QMGR +\n"),
            (std::vector<std::string>{"DEFINE QLOCAL(A) DESCR('x')",
                                      "DEFINE QLOCAL(B) DESCR('a  b')", "ALTER QMGR "}));
  EXPECT_TRUE(Commands("* only\n\n   \n").empty());
  std::istringstream in("\n* c\nPING QMGR\n");
  EXPECT_EQ(ReadMqscScript(in).at(0).line, 3u);
}

TEST(BulkReadingTest, DisplayValuesAreReadWhole) {
  const std::vector<DumpAttribute> attributes = ParseDisplayBlock(
      "AMQ8409I: Display Queue details.\n"
      "   QUEUE(Q)                                TYPE(QLOCAL)\n"
      "   DESCR(smile :) and (nested (twice)))   NOTRIGGER\n"
      "   TRIGDATA( )                             SHARE");
  ASSERT_EQ(attributes.size(), 6u);
  EXPECT_EQ(attributes[2].keyword, "DESCR");
  EXPECT_EQ(attributes[2].value, "smile :) and (nested (twice))");
  EXPECT_TRUE(attributes[3].flag);
  EXPECT_EQ(attributes[4].value, " ");
  EXPECT_EQ(attributes[5].keyword, "SHARE");
  // A value never closed runs to the end.
  EXPECT_EQ(ParseDisplayBlock("AMQ\n   DESCR(open").at(0).value, "open");
}

TEST(BulkReadingTest, ValuesAreQuotedWhenFoldingWouldChangeThem) {
  EXPECT_EQ(MqscValue("SYSTEM.DEAD.LETTER.QUEUE"), "SYSTEM.DEAD.LETTER.QUEUE");
  EXPECT_EQ(MqscValue("999999999"), "999999999");
  EXPECT_EQ(MqscValue("app.q"), "'app.q'");
  EXPECT_EQ(MqscValue("it's"), "'it''s'");
  EXPECT_EQ(MqscValue(" "), "' '");
  EXPECT_EQ(MqscValue(""), "' '");
  EXPECT_EQ(MqscValue("A B"), "'A B'");
}

}  // namespace
}  // namespace query
