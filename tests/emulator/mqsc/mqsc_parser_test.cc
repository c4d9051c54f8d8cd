#include "mqsc/mqsc_parser.h"

#include <gtest/gtest.h>

namespace mqemu::mqsc {
namespace {

TEST(MqscParser, KeywordsAndUnquotedValuesAreFoldedToUpperCase) {
  ParsedCommand p = ParseCommand("define qlocal(a.q) maxmsgl(100000) notrigger");
  ASSERT_TRUE(p.ok);
  ASSERT_EQ(p.words.size(), 4u);
  EXPECT_EQ(p.words[0].keyword, "DEFINE");
  EXPECT_FALSE(p.words[0].has_value);
  EXPECT_EQ(p.words[1].keyword, "QLOCAL");
  EXPECT_EQ(p.words[1].value, "A.Q");
  EXPECT_EQ(p.words[2].value, "100000");
  EXPECT_EQ(p.words[3].keyword, "NOTRIGGER");
  EXPECT_EQ(p.words[1].end, 18u);
}

TEST(MqscParser, QuotedValuesKeepCaseBlanksAndDoubledQuotes) {
  ParsedCommand p = ParseCommand("ALTER QLOCAL('a.q') DESCR( 'It''s a (queue)' ) TRIGDATA('')");
  ASSERT_TRUE(p.ok);
  ASSERT_EQ(p.words.size(), 4u);
  EXPECT_EQ(p.words[1].value, "a.q");
  EXPECT_TRUE(p.words[1].quoted);
  EXPECT_EQ(p.words[2].value, "It's a (queue)");
  EXPECT_TRUE(p.words[3].has_value);
  EXPECT_EQ(p.words[3].value, "");
}

TEST(MqscParser, BlanksMayStandBeforeAndInsideParenthesesAndLinesMayBreak) {
  ParsedCommand p = ParseCommand("DISPLAY\tQUEUE (SYSTEM.*)\n  ALL\r\n");
  ASSERT_TRUE(p.ok);
  ASSERT_EQ(p.words.size(), 3u);
  EXPECT_EQ(p.words[1].value, "SYSTEM.*");
  EXPECT_EQ(p.words[2].keyword, "ALL");
}

TEST(MqscParser, ErrorsStopAtThePointOfDetection) {
  struct Case {
    const char* text;
    size_t words;
    size_t error_end;
  } cases[] = {
      {"DEFINE QLOCAL(A", 2, 15},      // no closing parenthesis
      {"DEFINE QLOCAL('A)", 2, 17},    // unterminated quote
      {"DEFINE QLOCAL(A B)", 2, 17},   // blank inside an unquoted value
      {"DEFINE ) QLOCAL(A)", 1, 8},    // stray parenthesis
      {"DEFINE QLOCAL('A'x)", 2, 18},  // text after the quoted value
      {"DEFINE QLOCAL(A(B))", 2, 16},  // nested parenthesis
  };
  for (const Case& c : cases) {
    ParsedCommand p = ParseCommand(c.text);
    EXPECT_FALSE(p.ok) << c.text;
    EXPECT_EQ(p.words.size(), c.words) << c.text;
    EXPECT_EQ(p.error_end, c.error_end) << c.text;
  }
  EXPECT_EQ(ParseCommand("DEFINE QLOCAL(A").words.back().keyword, "QLOCAL");
}

}  // namespace
}  // namespace mqemu::mqsc
