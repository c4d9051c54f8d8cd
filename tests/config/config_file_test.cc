// Reading the configuration file: tokens, keys and values, the messages for
// what is not understood, and the CSAG005I report.
#include "config/config_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "log/message.h"
#include "pcf/mq_field.h"
#include "state/settings.h"
#include "support/stdout_capture.h"
#include "support/temp_dir.h"

namespace {

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAgentConfig();
    LogState.LogStream = stdout;
    // Today's date line counts as written: each message is one line.
    const time_t now = time(nullptr);
    tm local;
    localtime_r(&now, &local);
    LogState.LastDateDay = local.tm_mday;
  }
  void TearDown() override { ResetAgentConfig(); }

  // Reads `text` as the file named with -f; returns ReadConfigFile's answer
  // and keeps what was written in output_.
  bool Read(const std::string& text) {
    std::string path = dir_.Write("test.cfg", text);
    CopyTerminated(AgentConfig.cfgfile, kCfgFileWidth, path.c_str());
    AgentConfig.AgentFlags |= AF_CFGFILE;
    StdoutCapture capture;
    bool set = ReadConfigFile();
    output_ = capture.Text();
    return set;
  }

  std::string Report() {
    StdoutCapture capture;
    ReportConfigOverrides();
    std::string text = capture.Text();
    size_t start = text.find("CSAG005I");
    return start == std::string::npos ? text : text.substr(start);
  }

  // The CSAG007E parameters written, in order.
  std::vector<std::string> Unrecognised() const {
    std::vector<std::string> found;
    const std::string marker = "CSAG007E Unrecognised parameter '";
    for (size_t at = output_.find(marker); at != std::string::npos;
         at = output_.find(marker, at + 1)) {
      size_t begin = at + marker.size();
      found.push_back(output_.substr(begin, output_.find("'\n", begin) - begin));
    }
    return found;
  }

  TempDir dir_;
  std::string output_;
};

// Tokens as NextConfigToken reads them from `text`, "<end>" for the end.
std::vector<std::string> Tokens(const std::string& text) {
  TempDir dir;
  FILE* file = fopen(dir.Write("t.cfg", text).c_str(), "r");
  std::vector<std::string> tokens;
  static char token[kConfigTokenMax + 1];
  bool quoted = false;
  for (;;) {
    int length = NextConfigToken(file, &quoted, token);
    if (length == kConfigEnd) break;
    EXPECT_EQ(static_cast<size_t>(length), strlen(token));
    tokens.push_back(quoted ? "\"" + std::string(token) + "\"" : std::string(token));
  }
  fclose(file);
  return tokens;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(ConfigTokens, WordsEndAtDelimitersThatStartTheNextToken) {
  EXPECT_EQ(Tokens("maxage=20"), (Strings{"maxage", "=", "20"}));
  EXPECT_EQ(Tokens("a(b)c[d]{e},f"),
            (Strings{"a", "(", "b", ")", "c", "[", "d", "]", "{", "e", "}", ",", "f"}));
  EXPECT_EQ(Tokens("key;comment\nvalue"), (Strings{"key", "value"}));
  EXPECT_EQ(Tokens("key#comment = x\r\n  value\t"), (Strings{"key", "value"}));
  EXPECT_EQ(Tokens("a\"b c\""), (Strings{"a", "\"b c\""}));
}

TEST(ConfigTokens, ColonStaysWithItsWord) {
  EXPECT_EQ(Tokens("c:\\dir x"), (Strings{"c:", "\\dir", "x"}));
}

TEST(ConfigTokens, QuotedTokensKeepBlanksCommentsAndEscapes) {
  EXPECT_EQ(Tokens("\"a ; b # c\""), (Strings{"\"a ; b # c\""}));
  EXPECT_EQ(Tokens("\"say ~\"hi~\" ~~ ~x\""), (Strings{"\"say \"hi\" ~ x\""}));
  EXPECT_EQ(Tokens("\"two\nlines\""), (Strings{"\"two\nlines\""}));
  EXPECT_EQ(Tokens("\"unterminated"), (Strings{"\"unterminated\""}));
}

TEST(ConfigTokens, EmptyQuotedTokenIsNotTheEndOfTheFile) {
  EXPECT_EQ(Tokens("\"\" after"), (Strings{"\"\"", "after"}));
  EXPECT_EQ(Tokens("  ; only a comment\n"), Strings{});
}

TEST(ConfigTokens, LongTokensStopAtTheLimit) {
  std::string word(kConfigTokenMax + 5, 'w');
  Strings tokens = Tokens(word);
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].size(), static_cast<size_t>(kConfigTokenMax));
  EXPECT_EQ(tokens[1], "wwwww");

  Strings quoted = Tokens("\"" + word + "\"");
  // The rest is read as a word, and the closing quote opens an empty token.
  EXPECT_EQ(quoted.size(), 3u);
  EXPECT_EQ(quoted[0].size(), static_cast<size_t>(kConfigTokenMax) + 2);
  EXPECT_EQ(quoted[1], "wwwww");
  EXPECT_EQ(quoted[2], "\"\"");
}

TEST_F(ConfigFileTest, NoFileNamedAndNoDefaultFileIsSilent) {
  StdoutCapture capture;
  EXPECT_FALSE(ReadConfigFile());
  EXPECT_EQ(capture.Text(), "");
}

TEST_F(ConfigFileTest, MissingNamedFileIsReported) {
  CopyTerminated(AgentConfig.cfgfile, kCfgFileWidth, "/nonexistent/x.cfg");
  AgentConfig.AgentFlags |= AF_CFGFILE;
  StdoutCapture capture;
  EXPECT_FALSE(ReadConfigFile());
  EXPECT_NE(capture.Text().find("CSAG203E Unable to open config file '/nonexistent/x.cfg' rc=2 "
                                "(No such file or directory)\n"),
            std::string::npos);
}

TEST_F(ConfigFileTest, CommentsAndBlankLinesSetNothing) {
  EXPECT_FALSE(Read("; comment\n\n# another\n   \n"));
  EXPECT_EQ(output_, "");
}

TEST_F(ConfigFileTest, EqualsSignIsOptional) {
  for (const char* line : {"maxage=20", "maxage 20", "maxage = 20 ; comment"}) {
    ResetAgentConfig();
    EXPECT_TRUE(Read(line)) << line;
    EXPECT_EQ(AgentConfig.maxage, 20) << line;
  }
}

TEST_F(ConfigFileTest, IntegersAreReadAsDecimalPrefixes) {
  Read("maxage = 10s");
  EXPECT_EQ(AgentConfig.maxage, 10);
  Read("maxage = x");
  EXPECT_EQ(AgentConfig.maxage, 0);
  Read("maxmsgsize = 99999999999 reportint -5");
  EXPECT_EQ(AgentConfig.maxmsgsize, INT32_MAX);
  EXPECT_EQ(AgentConfig.reportint, -5);
}

TEST_F(ConfigFileTest, UnknownTokensAreEachReported) {
  EXPECT_FALSE(Read("badkey = 5\nMaxAge 3\n"));
  EXPECT_EQ(Unrecognised(), (Strings{"badkey", "=", "5", "MaxAge", "3"}));
  EXPECT_EQ(AgentConfig.maxage, 10);
}

TEST_F(ConfigFileTest, FlagsTakeYesOrNoInAnyCase) {
  Read("compress = no coalesce NO logfailfatal = No");
  EXPECT_EQ(AgentConfig.AgentFlags & (AF_COMPRESS | AF_COALESCE | AF_LOGFAILFATAL), 0u);
  Read("compress = YES");
  EXPECT_NE(AgentConfig.AgentFlags & AF_COMPRESS, 0u);

  EXPECT_FALSE(Read("replyqinq = true"));
  EXPECT_EQ(Unrecognised(), (Strings{"replyqinq = true"}));
  EXPECT_NE(AgentConfig.AgentFlags & AF_REPLYQINQ, 0u);
}

TEST_F(ConfigFileTest, TextsAreCutToTheirFields) {
  std::string name48(48, 'Q');
  Read("replyq " + name48 + "\nlogpath \"/var/log/my agent\"\ncommandq \"A~\"B\"");
  EXPECT_EQ(std::string(AgentConfig.replyq), name48.substr(0, 47));
  EXPECT_STREQ(AgentConfig.logpath, "/var/log/my agent");
  EXPECT_STREQ(AgentConfig.commandq, "A\"B");

  Read("logpath \"" + std::string(400, 'p') + "\"");
  EXPECT_EQ(strlen(AgentConfig.logpath), 299u);
}

TEST_F(ConfigFileTest, KeyAtTheEndOfTheFileWithoutValue) {
  EXPECT_TRUE(Read("maxage"));
  EXPECT_EQ(AgentConfig.maxage, 10);
  EXPECT_EQ(Report(), "CSAG005I Default overrides from file '" + std::string(AgentConfig.cfgfile) +
                          "' in effect: maxage = 10 seconds\n");

  EXPECT_TRUE(Read("tempqpfx"));
  EXPECT_STREQ(AgentConfig.tempqpfx, "");

  EXPECT_FALSE(Read("compress"));
  EXPECT_EQ(Unrecognised(), (Strings{"compress = "}));
}

TEST_F(ConfigFileTest, EmptyQuotedTokensAreReportedOrAreEmptyValues) {
  EXPECT_TRUE(Read("\"\" maxage 30 tempqpfx \"\" replyq = \"\" maxmsgsize \"\""));
  EXPECT_EQ(Unrecognised(), (Strings{""}));
  EXPECT_EQ(AgentConfig.maxage, 30);  // reading went on past the empty token
  EXPECT_STREQ(AgentConfig.tempqpfx, "");
  EXPECT_STREQ(AgentConfig.replyq, "");
  EXPECT_EQ(AgentConfig.maxmsgsize, 1048576);
}

TEST_F(ConfigFileTest, LastValueWins) {
  Read("maxage 1 maxage 2");
  EXPECT_EQ(AgentConfig.maxage, 2);
}

TEST_F(ConfigFileTest, ReportListsSetKeysInTableOrderWithUnits) {
  Read("sleeptime = 1\ncompress = no\nmaxage = 30\nlogpath /tmp/logs\nretrycount 1\n");
  EXPECT_EQ(Report(), "CSAG005I Default overrides from file '" + std::string(AgentConfig.cfgfile) +
                          "' in effect: maxage = 30 seconds; compress = no; logpath = /tmp/logs; "
                          "retrycount = 1; sleeptime = 1 second\n");
  Read("sleeptime 0 maxlogsize 1 reportint 2");
  EXPECT_NE(Report().find("reportint = 2 minutes; maxlogsize = 1 byte; sleeptime = 0 seconds\n"),
            std::string::npos);
  Read("stopwait 30 hobjchkdelay 5");
  EXPECT_EQ(AgentConfig.stopwait, 30);
  EXPECT_NE(Report().find("in effect: hobjchkdelay = 5 seconds; stopwait = 30 seconds\n"),
            std::string::npos);
}

TEST_F(ConfigFileTest, DiscintIsReportedOnlyWhenTriggered) {
  EXPECT_TRUE(Read("discint = 5"));
  EXPECT_EQ(AgentConfig.discint, 5);
  EXPECT_NE(Report().find("in effect: \n"), std::string::npos);

  AgentConfig.AgentFlags |= AF_TRIGGERED;
  EXPECT_NE(Report().find("in effect: discint = 5 minutes\n"), std::string::npos);
}

TEST_F(ConfigFileTest, ReportShowsCurrentValues) {
  Read("commandq = MY.COMMAND.Q");
  CopyTerminated(AgentConfig.commandq, kQNameWidth, "SYSTEM.COMMAND.INPUT");
  EXPECT_NE(Report().find("commandq = SYSTEM.COMMAND.INPUT\n"), std::string::npos);
}

TEST_F(ConfigFileTest, TextsFromTheFileAreReportedPrintably) {
  // ESC c resets a terminal; OSC sets its title; a line feed forges a line.
  EXPECT_TRUE(
      Read("bad\033ckey = 5\ncompress \"y\x1b]0;title\x07\"\n"
           "logpath \"/tmp/a\x1b[2J\nb\"\n"));
  EXPECT_EQ(Unrecognised(), (Strings{"bad.ckey", "=", "5", "compress = y.]0;title."}));
  EXPECT_STREQ(AgentConfig.logpath, "/tmp/a\x1b[2J\nb") << "the value itself is kept";
  const std::string report = Report();
  EXPECT_NE(report.find("logpath = /tmp/a.[2J.b\n"), std::string::npos) << report;
  for (const std::string& text : {output_, report}) {
    EXPECT_EQ(text.find_first_of("\x1b\x07"), std::string::npos) << text;
    EXPECT_EQ(text.find("\nb"), std::string::npos) << text;
  }
}

TEST_F(ConfigFileTest, NumLogFilesAboveTheLimitIsRefused) {
  EXPECT_FALSE(Read("numlogfiles = 2147483647"));
  EXPECT_EQ(Unrecognised(), (Strings{"numlogfiles = 2147483647"}));
  EXPECT_EQ(AgentConfig.numlogfiles, 3);
  EXPECT_FALSE(Read("numlogfiles 1000"));
  EXPECT_EQ(AgentConfig.numlogfiles, 3);
  EXPECT_TRUE(Read("numlogfiles 999"));
  EXPECT_EQ(AgentConfig.numlogfiles, 999);
  EXPECT_EQ(output_, "");
}

// Start-up never waits on a FIFO or reads a device without end.
TEST_F(ConfigFileTest, DirectoriesFifosAndDevicesAreNotRead) {
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {dir_.path(), "rc=21 (Is a directory)"},
      {fifo, "rc=22 (Invalid argument)"},
      {"/dev/zero", "rc=22 (Invalid argument)"},
      {"/dev/null", "rc=22 (Invalid argument)"},
  };
  for (const auto& [path, rc] : cases) {
    NameConfigFile(path.c_str());
    StdoutCapture capture;
    EXPECT_FALSE(ReadConfigFile()) << path;
    EXPECT_EQ(capture.Text().substr(11),
              "CSAG203E Unable to open config file '" + path + "' " + rc + "\n")
        << path;
  }
}

TEST_F(ConfigFileTest, NameLongerThanTheFieldIsReportedNotCut) {
  // The first 300 characters of the name name a file that must not be read.
  const std::string sub = dir_.File(std::string(150, 'd'));
  ASSERT_TRUE(std::filesystem::create_directory(sub));
  const std::string cut = sub + "/" + std::string(kCfgFileWidth - sub.size() - 1, 'f');
  ASSERT_EQ(cut.size(), static_cast<size_t>(kCfgFileWidth));
  std::ofstream(cut) << "maxage 42\n";

  NameConfigFile((cut + ".cfg").c_str());
  StdoutCapture capture;
  EXPECT_FALSE(ReadConfigFile());
  EXPECT_EQ(capture.Text().substr(11),
            "CSAG203E Unable to open config file '" + cut + "' rc=36 (File name too long)\n");
  EXPECT_EQ(AgentConfig.maxage, 10);

  NameConfigFile(cut.c_str());
  EXPECT_TRUE(ReadConfigFile());
  EXPECT_EQ(AgentConfig.maxage, 42);
}

// A file larger than the limit is read up to the last line end within it,
// so that a value is never cut short.
TEST_F(ConfigFileTest, OnlyTheFirstMegabyteIsRead) {
  std::string text = "maxage 20\n";
  const std::string comment = "; " + std::string(97, 'c') + "\n";
  const size_t line_start = kConfigFileMax - 9;  // "maxage 77" within the limit
  while (text.size() + comment.size() < line_start) text += comment;
  text += std::string(line_start - text.size() - 1, ' ') + "\n";
  text += "maxage 777777\n";
  text += "maxage 30\n";
  ASSERT_EQ(text.find("777777"), kConfigFileMax - 2);
  EXPECT_TRUE(Read(text));
  EXPECT_EQ(AgentConfig.maxage, 20);
  EXPECT_EQ(output_.substr(11), "CSAG213E Reading of config file '" +
                                    std::string(AgentConfig.cfgfile) +
                                    "' stopped: larger than 1048576 bytes\n");
}

// The text of a file as read, applied without a file: only the bytes
// given, and each reading starts afresh.
TEST_F(ConfigFileTest, TextIsAppliedWithinItsLength) {
  const std::string text = "maxage 20\nbad\nmaxmsgsize 512\nreportint 9\n";
  StdoutCapture capture;
  EXPECT_TRUE(ApplyConfigText(text.data(), 29, false));
  output_ = capture.Text();
  EXPECT_EQ(AgentConfig.maxage, 20);
  EXPECT_EQ(AgentConfig.maxmsgsize, 512);
  EXPECT_NE(AgentConfig.reportint, 9) << "past the length given";
  EXPECT_EQ(Unrecognised(), std::vector<std::string>{"bad"});
  EXPECT_FALSE(ApplyConfigText("maxage", 0, false));
  EXPECT_EQ(Report().find("maxage"), std::string::npos) << "nothing set by the second reading";
}

TEST_F(ConfigFileTest, ReadingStopsAfterAHundredUnrecognisedParameters) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "bad\n";
  text += "maxage 30\n";
  EXPECT_FALSE(Read(text));
  EXPECT_EQ(Unrecognised().size(), static_cast<size_t>(kConfigErrorsMax));
  EXPECT_EQ(AgentConfig.maxage, 10);
  EXPECT_NE(output_.find("CSAG213E Reading of config file '" + std::string(AgentConfig.cfgfile) +
                         "' stopped: 100 unrecognised parameters\n"),
            std::string::npos);
}
