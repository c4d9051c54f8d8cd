// AgentMessage: level filtering, the time stamp, the date line, console echo
// and status-line erasure, the length limit, and concurrent writers.
#include "log/message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <regex>
#include <string>
#include <thread>

#include "log/console.h"
#include "log/log_fixture.h"
#include "support/stdout_capture.h"

namespace {

class MessageTest : public LogTest {
 protected:
  void SetUp() override {
    LogTest::SetUp();
    file_path_ = dir_.File("stream.txt");
    LogState.LogStream.store(fopen(file_path_.c_str(), "w"));
    ASSERT_NE(LogState.LogStream.load(), nullptr);
  }

  std::string StreamText() const { return TempDir::ReadPath(file_path_); }

  std::string file_path_;
};

const std::regex kDateLine(
    R"(           CSAG002I Current Date: (Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)[ \d]{2}\d \d{4}\n)");
const std::regex kStampedLine(R"(\[\d\d:\d\d:\d\d\] (.*)\n)");

// Splits `text` into lines, each with its line feed.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start + 1));
  }
  return lines;
}

TEST_F(MessageTest, LevelsAboveVerboseAreDroppedWithoutTouchingTheClock) {
  AgentConfig.verbose = 0;
  Process.CurrentTime.store(12345);
  AgentMessage(1, MSG_ORDINARY, LogState.LogStream, "CSAG999I detail\n");
  EXPECT_EQ(Process.CurrentTime.load(), 12345);
  EXPECT_EQ(StreamText(), "");

  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG998E error %d\n", 7);
  EXPECT_GE(Process.CurrentTime.load(), time(nullptr) - 5);
  EXPECT_NE(StreamText().find("CSAG998E error 7\n"), std::string::npos);
}

TEST_F(MessageTest, FirstMessageOfTheRunWritesTheDateLineThenTimeStampedLines) {
  AgentMessage(1, MSG_ORDINARY, LogState.LogStream, "first\n");
  AgentMessage(1, MSG_ORDINARY, LogState.LogStream, "second\n");
  const auto lines = Lines(StreamText());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(std::regex_match(lines[0], kDateLine)) << lines[0];
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[1], match, kStampedLine)) << lines[1];
  EXPECT_EQ(match[1], "first");
  EXPECT_TRUE(std::regex_match(lines[2], match, kStampedLine));
  EXPECT_EQ(match[1], "second");

  tm local;
  const time_t now = Process.CurrentTime.load();
  localtime_r(&now, &local);
  EXPECT_EQ(LogState.LastDateDay, local.tm_mday);
  char day[8];
  snprintf(day, sizeof day, "%3d ", local.tm_mday);
  EXPECT_NE(lines[0].find(day), std::string::npos) << "day right-aligned in three places";
}

TEST_F(MessageTest, NoDateMessageDoesNotWriteTheDateLineButTheNextMessageDoes) {
  AgentMessage(0, MSG_ORDINARY | MSG_NODATE, LogState.LogStream, "usage\n");
  EXPECT_EQ(LogState.LastDateDay, 0);
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "error\n");
  const auto lines = Lines(StreamText());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(std::regex_match(lines[0], kStampedLine));
  EXPECT_TRUE(std::regex_match(lines[1], kDateLine));
}

TEST_F(MessageTest, NewDayWritesAnotherDateLineToTheStreamOnly) {
  AgentMessage(1, MSG_ORDINARY, LogState.LogStream, "today\n");
  LogState.LastDateDay =
      LogState.LastDateDay % 28 + 1;  // as if the last line was written on another day
  SetConsole(true);
  StdoutCapture console;
  AgentMessage(1, MSG_ORDINARY, LogState.LogStream, "tomorrow\n");
  console.Restore();
  EXPECT_EQ(Count(StreamText(), "CSAG002I"), 2);
  EXPECT_EQ(Count(console.Text(), "CSAG002I"), 0);
  EXPECT_EQ(Count(console.Text(), "tomorrow\n"), 1);
}

TEST_F(MessageTest, EchoFollowsConsoleFlagsAndStream) {
  SetConsole(true);
  StdoutCapture console;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "echoed\n");
  AgentMessage(0, MSG_NOECHO, LogState.LogStream, "log only\n");
  AgentMessage(0, MSG_NOSTREAM, LogState.LogStream, "console only\n");
  SetConsole(false);
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "no console\n");
  console.Restore();

  const std::string log = StreamText();
  const std::string shown = console.Text();
  EXPECT_EQ(Count(log, "echoed\n") + Count(shown, "echoed\n"), 2);
  EXPECT_EQ(Count(log, "log only\n"), 1);
  EXPECT_EQ(Count(shown, "log only\n"), 0);
  EXPECT_EQ(Count(log, "console only\n"), 0);
  EXPECT_EQ(Count(shown, "console only\n"), 1);
  EXPECT_EQ(Count(log, "no console\n"), 1);
  EXPECT_EQ(Count(shown, "no console\n"), 0);
}

TEST_F(MessageTest, StandardOutputAsTheStreamGetsEachMessageOnce) {
  SetConsole(true);
  FILE* log_file = LogState.LogStream.exchange(stdout);  // before the log is open
  StdoutCapture console;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "before the log is open\n");
  LogState.LogStream.store(log_file);
  console.Restore();
  EXPECT_EQ(Count(console.Text(), "before the log is open\n"), 1);
  EXPECT_EQ(Count(console.Text(), "CSAG002I"), 1);
}

// A caller that read LogStream while it stood at its standard-output
// fallback (another thread rotating) still reaches the log file.
TEST_F(MessageTest, StaleStandardOutputGoesToTheInstalledLogFile) {
  SetConsole(true);
  StdoutCapture console;
  AgentMessage(0, MSG_ORDINARY, stdout, "read during a rotation\n");
  console.Restore();
  EXPECT_EQ(Count(StreamText(), "read during a rotation\n"), 1);
  EXPECT_EQ(Count(console.Text(), "read during a rotation\n"), 1);
}

TEST_F(MessageTest, StatusLineIsErasedBeforeTheEcho) {
  SetConsole(true);
  Process.StatusLineLength.store(60);
  StdoutCapture console;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "over the status line\n");
  console.Restore();
  const std::string erase = std::string(60, '\b') + std::string(60, ' ') + std::string(60, '\b');
  const std::string shown = console.Text();
  ASSERT_GE(shown.size(), erase.size());
  EXPECT_EQ(shown.substr(0, erase.size()), erase);
  EXPECT_TRUE(std::regex_match(shown.substr(erase.size()), kStampedLine));
  EXPECT_EQ(Process.StatusLineLength.load(), 60);
  EXPECT_EQ(StreamText().find('\b'), std::string::npos);
}

TEST(EraseStatusLineTest, BlanksOnlyWhenAsked) {
  StdoutCapture console;
  EraseStatusLine(5, false);
  EraseStatusLine(0, true);
  EraseStatusLine(2, true);
  console.Restore();
  EXPECT_EQ(console.Text(), "\b\b\b\b\b\b\b  \b\b");
}

TEST_F(MessageTest, NoErasureWithoutConsole) {
  Process.StatusLineLength.store(60);
  StdoutCapture console;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "quiet\n");
  console.Restore();
  EXPECT_EQ(console.Text(), "");
}

TEST_F(MessageTest, LongTextIsCutAt1999CharactersAndStillEndsItsLine) {
  const std::string long_text(3000, 'x');
  AgentMessage(0, MSG_ORDINARY | MSG_NODATE, LogState.LogStream, "%s\n", long_text.c_str());
  const std::string written = StreamText();
  ASSERT_EQ(written.size(), 11u + 1999u);
  EXPECT_EQ(written.back(), '\n');
  EXPECT_EQ(written.substr(11, 1998), std::string(1998, 'x'));
}

TEST(PrintableCopyTest, ControlAndNonAsciiBytesBecomeDots) {
  char dest[16];
  const char client[] = "Q\x1b[2J\x7f\xc3\xa9\tZ";
  EXPECT_STREQ(PrintableCopy(dest, sizeof dest, client, sizeof client - 1), "Q.[2J....Z");
  EXPECT_STREQ(PrintableCopy(dest, 4, "ABCDEF", 6), "ABC");
  EXPECT_STREQ(PrintableCopy(dest, sizeof dest, "A\0B", 3), "A.B");
}

TEST(PrintableTest, CopiesAWholeTextForOneMessage) {
  EXPECT_STREQ(Printable("-v \x1b]0;title\x07\nforged line").text(), "-v .]0;title..forged line");
  const std::string long_text(3000, 'x');
  EXPECT_EQ(strlen(Printable(long_text.c_str()).text()), 1999u);
}

// A write failure is reported once per episode: a write that succeeds ends
// it, and the next failure is reported again.
TEST_F(MessageTest, WriteFailureEpisodeEndsWithAWriteThatSucceeds) {
  SetLogFailFatal(false);
  DateLineWritten();
  FILE* full = fopen("/dev/full", "a");
  ASSERT_NE(full, nullptr);
  FILE* file = LogState.LogStream.exchange(full);
  StdoutCapture console;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG900I lost 1\n");
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG900I lost 2\n");
  LogState.LogStream.store(file);
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I written\n");
  LogState.LogStream.store(full);
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG900I lost 3\n");
  LogState.LogStream.store(file);
  console.Restore();
  fclose(full);
  const std::string shown = console.Text();
  EXPECT_EQ(Count(shown,
                  "CSAG211E Unable to write to error log file '' rc=28 (No space left "
                  "on device)\n"),
            2)
      << shown;
  EXPECT_EQ(Count(shown, "CSAG900I lost "), 3);
  EXPECT_EQ(Count(shown, "CSAG901I"), 0);
  EXPECT_EQ(StreamText().substr(11), "CSAG901I written\n");
  EXPECT_FALSE(IsStopRequested());
}

// Two threads writing while every message rotates: each line is whole, and
// no message is lost or written to a closed stream.
TEST_F(MessageTest, ConcurrentWritersDuringRotationKeepLinesWhole) {
  AgentConfig.maxlogsize = 2000;
  AgentConfig.numlogfiles = 50;
  SetLogFailFatal(false);
  ASSERT_TRUE(OpenLogFile());
  constexpr int kPerThread = 200;
  auto work = [](char who) {
    for (int i = 0; i < kPerThread; ++i) {
      AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG900I writer %c message %03d\n", who,
                   i);
    }
  };
  std::thread a(work, 'a'), b(work, 'b');
  a.join();
  b.join();
  EXPECT_FALSE(IsStopRequested());

  std::string all;
  for (int n = 1; n <= 50; ++n) all += LogText(n);
  int lines = 0;
  for (const std::string& line : Lines(all)) {
    if (line.find("CSAG002I") != std::string::npos) continue;
    ASSERT_TRUE(std::regex_match(
        line, std::regex(R"(\[\d\d:\d\d:\d\d\] CSAG900I writer [ab] message \d{3}\n)")))
        << line;
    ++lines;
  }
  EXPECT_EQ(lines, 2 * kPerThread);
  EXPECT_TRUE(LogExists(2));
}

}  // namespace
