// The error log files: names, opening, the size check, rotation and its
// failures, and where messages go when file 1 cannot be had.
#include "log/log_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "log/log_fixture.h"
#include "support/stdout_capture.h"

namespace {

class LogFileTest : public LogTest {
 protected:
  // Opens file 1 as start-up does, with the console off.
  void OpenLog() {
    ASSERT_TRUE(OpenLogFile());
    ASSERT_NE(LogStream.load(), stdout);
  }
};

class LogFileNameTest : public LogTest {
 protected:
  std::string NameWith(const char* logpath, int n = 1) {
    CopyField(AgentConfig.logpath, kLogPathWidth, logpath);
    return LogName(n);
  }
};

TEST_F(LogFileNameTest, FirstQmNameMarkIsReplacedByTheQueueManagerName) {
  CopyField(AgentConfig.qmname, kQNameWidth, "QM1");
  EXPECT_EQ(NameWith("/logs/+QMNAME+/agent"), "/logs/QM1/agent/CSAGNT_Log01.txt");
  EXPECT_EQ(NameWith("/logs/+QMNAME+/+QMNAME+"), "/logs/QM1/+QMNAME+/CSAGNT_Log01.txt");
  EXPECT_EQ(NameWith("/logs/plain"), "/logs/plain/CSAGNT_Log01.txt");
}

TEST_F(LogFileNameTest, NumbersHaveAtLeastTwoDigitsAndATrailingSlashIsNotDoubled) {
  EXPECT_EQ(NameWith("/logs/", 12), "/logs/CSAGNT_Log12.txt");
  EXPECT_EQ(NameWith("/logs", 100), "/logs/CSAGNT_Log100.txt");
  EXPECT_EQ(NameWith("/", 3), "/CSAGNT_Log03.txt");
}

TEST_F(LogFileNameTest, EmptyLogPathMeansTheProgramDirectory) {
  ProgramDirectory[0] = '\0';
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string dir = exe.substr(0, exe.rfind('/'));
  EXPECT_EQ(NameWith(""), dir + "/CSAGNT_Log01.txt");
  EXPECT_EQ(std::string(ProgramDirectory), dir);
}

TEST_F(LogFileTest, OpenInstallsFile1AndAnnouncesItOnTheConsoleOnly) {
  SetConsole(true);
  StdoutCapture console;
  ASSERT_TRUE(OpenLogFile());
  console.Restore();
  EXPECT_NE(LogStream.load(), stdout);
  EXPECT_NE(console.Text().find("CSAG210I Logging to '" + LogName(1) + "'\n"), std::string::npos);
  const std::string log = LogText(1);
  EXPECT_EQ(Count(log, "CSAG210I"), 0);
  EXPECT_EQ(Count(log, "CSAG002I"), 1) << "the due date line goes into the new file";
}

TEST_F(LogFileTest, FailedOpenReportsAndLeavesTheStream) {
  CopyField(AgentConfig.logpath, kLogPathWidth, dir_.File("missing").c_str());
  StdoutCapture console;
  EXPECT_FALSE(OpenLogFile());
  console.Restore();
  EXPECT_EQ(LogStream.load(), stdout);
  EXPECT_NE(console.Text().find("CSAG204E Unable to open error log file '" + LogName(1) +
                                "' rc=2 (No such file or directory)\n"),
            std::string::npos)
      << console.Text();
  EXPECT_TRUE(IsStopRequested());

  StopRequested.store(0);
  SetLogFailFatal(false);
  StdoutCapture again;
  EXPECT_FALSE(OpenLogFile());
  EXPECT_FALSE(IsStopRequested());
}

TEST_F(LogFileTest, FileOfExactlyMaxLogSizeIsNotRotatedOneByteMoreIs) {
  OpenLog();
  FILE* stream = LogStream.load();
  const long size = ftell(stream);
  ASSERT_GT(size, 0);
  AgentConfig.maxlogsize = static_cast<int>(size);
  EXPECT_FALSE(CheckLogFileSize(stream));
  AgentConfig.maxlogsize = static_cast<int>(size) - 1;
  EXPECT_TRUE(CheckLogFileSize(stream));
  AgentConfig.maxlogsize = -1;
  EXPECT_FALSE(CheckLogFileSize(stream)) << "a negative limit never rotates";
}

TEST_F(LogFileTest, UnreadableSizeReportsAndCountsAsTooLarge) {
  OpenLog();
  char memory[64];
  FILE* no_file = fmemopen(memory, sizeof memory, "w");
  EXPECT_TRUE(CheckLogFileSize(no_file));
  fclose(no_file);
  EXPECT_NE(LogText(1).find("CSAG209E Error log File access with fstat() failed. rc=9 (Bad file "
                            "descriptor)\n"),
            std::string::npos);
  EXPECT_TRUE(IsStopRequested());
}

TEST_F(LogFileTest, RotationWithOnlyFile1MovesItTo2AndReopens1) {
  OpenLog();
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG900I old\n");
  AgentConfig.maxlogsize = 10;
  AgentConfig.verbose = 3;
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG901I new\n");
  EXPECT_FALSE(IsStopRequested());
  const std::string old_file = LogText(2);
  const std::string new_file = LogText(1);
  EXPECT_NE(old_file.find("CSAG900I old\n"), std::string::npos);
  EXPECT_NE(old_file.find("CSAG207I Renaming old error log file '" + LogName(1) + "' to '" +
                          LogName(2) + "'\n"),
            std::string::npos);
  EXPECT_EQ(Count(old_file + new_file, "CSAG206E") + Count(old_file + new_file, "CSAG208E"), 0);
  EXPECT_EQ(new_file.substr(11), "CSAG901I new\n") << "no date line on the same day";
  EXPECT_FALSE(LogExists(3));
}

TEST_F(LogFileTest, MaxLogSizeZeroFillsAllThreeFilesInAFewMessages) {
  AgentConfig.maxlogsize = 0;
  OpenLog();
  for (int i = 0; i < 5; ++i) AgentMessage(1, MSG_ORDINARY, LogStream, "CSAG900I line %d\n", i);
  EXPECT_TRUE(LogExists(1));
  EXPECT_TRUE(LogExists(2));
  EXPECT_TRUE(LogExists(3));
  EXPECT_FALSE(LogExists(4));
  EXPECT_EQ(LogText(1).substr(11), "CSAG900I line 4\n");
  EXPECT_EQ(LogText(2).substr(11), "CSAG900I line 3\n");
  EXPECT_FALSE(IsStopRequested());
}

TEST_F(LogFileTest, FailedDeletionKeepsTheStreamAndReportsIt) {
  OpenLog();
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG900I before\n");
  std::filesystem::create_directory(LogName(3));  // a directory in the way of file 3
  AgentConfig.maxlogsize = 10;
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG901I after\n");
  const std::string log = LogText(1);
  EXPECT_NE(log.find("CSAG206E Unable to delete old error log file '" + LogName(3) +
                     "' rc=21 (Is a directory)\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("CSAG901I after\n"), std::string::npos);
  EXPECT_TRUE(IsStopRequested());
  EXPECT_FALSE(LogExists(2));
}

// With logfailfatal off the failed rotation is followed by a reopen of file
// 1: the stream in use is replaced (and closed), not left open beside it.
TEST_F(LogFileTest, FailedDeletionWithoutLogFailFatalReopensFile1Once) {
  SetLogFailFatal(false);
  OpenLog();
  std::filesystem::create_directory(LogName(3));
  AgentConfig.maxlogsize = 10;
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG901I after\n");
  AgentConfig.maxlogsize = 1 << 20;
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG902I later\n");
  EXPECT_FALSE(IsStopRequested());
  const std::string log = LogText(1);
  EXPECT_EQ(Count(log, "CSAG206E"), 1);
  EXPECT_EQ(Count(log, "CSAG901I after\n"), 1);
  EXPECT_EQ(Count(log, "CSAG902I later\n"), 1);
  // Only one stream is open on file 1.
  int open_on_file1 = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(fd.path(), error).string() == LogName(1)) ++open_on_file1;
  }
  EXPECT_EQ(open_on_file1, 1);
}

TEST_F(LogFileTest, SingleLogFileIsRestartedEmpty) {
  AgentConfig.numlogfiles = 1;
  OpenLog();
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG900I old\n");
  AgentConfig.maxlogsize = 10;
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG901I new\n");
  EXPECT_EQ(LogText(1).substr(11), "CSAG901I new\n");
  EXPECT_FALSE(LogExists(2));
  EXPECT_FALSE(IsStopRequested());

  AgentConfig.numlogfiles = 0;
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG902I newer\n");
  EXPECT_EQ(LogText(1).substr(11), "CSAG902I newer\n");
  EXPECT_FALSE(LogExists(0));
}

// When file 1 was closed and cannot be had again, messages go to standard
// output, never to the closed stream.
TEST_F(LogFileTest, ClosedLogFallsBackToStandardOutput) {
  const std::string sub = dir_.File("sub");
  std::filesystem::create_directory(sub);
  CopyField(AgentConfig.logpath, kLogPathWidth, sub.c_str());
  AgentConfig.numlogfiles = 1;
  OpenLog();
  FILE* closed = LogStream.load();
  std::filesystem::remove_all(sub);  // the directory goes away under the open file
  AgentConfig.maxlogsize = 0;
  SetLogFailFatal(false);
  StdoutCapture console;
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG901I after\n");
  AgentMessage(0, MSG_ORDINARY, closed, "CSAG902I stale stream\n");
  console.Restore();
  EXPECT_EQ(LogStream.load(), stdout);
  const std::string shown = console.Text();
  EXPECT_NE(shown.find("CSAG206E Unable to delete old error log file '" + LogName(1) +
                       "' rc=2 (No such file or directory)\n"),
            std::string::npos)
      << "a missing directory is a failure, not a missing file";
  EXPECT_NE(shown.find("CSAG204E Unable to open error log file '" + LogName(1) + "'"),
            std::string::npos);
  EXPECT_EQ(Count(shown, "CSAG901I after\n"), 1);
  EXPECT_EQ(Count(shown, "CSAG902I stale stream\n"), 1);
}

TEST_F(LogFileTest, NoRotationOnceStopIsRequested) {
  OpenLog();
  AgentConfig.maxlogsize = 0;
  RequestStop(kExitOrderly);
  AgentMessage(0, MSG_ORDINARY, LogStream, "CSAG901I stopping\n");
  EXPECT_FALSE(LogExists(2));
  EXPECT_NE(LogText(1).find("CSAG901I stopping\n"), std::string::npos);
}

}  // namespace
