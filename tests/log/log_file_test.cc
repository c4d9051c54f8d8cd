// The error log files: names, opening, the size check, rotation and its
// failures, and where messages go when file 1 cannot be had.
#include "log/log_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>

#include "log/log_fixture.h"
#include "pcf/mq_field.h"
#include "support/stdout_capture.h"

namespace {

class LogFileTest : public LogTest {
 protected:
  // Opens file 1 as start-up does, with the console off.
  void OpenLog() {
    ASSERT_TRUE(OpenLogFile());
    ASSERT_NE(LogState.LogStream.load(), stdout);
  }
};

class LogFileNameTest : public LogTest {
 protected:
  std::string NameWith(const char* logpath, int n = 1) {
    CopyTerminated(AgentConfig.logpath, kLogPathWidth, logpath);
    return LogName(n);
  }
};

TEST_F(LogFileNameTest, FirstQmNameMarkIsReplacedByTheQueueManagerName) {
  CopyTerminated(AgentConfig.qmname, kQNameWidth, "QM1");
  EXPECT_EQ(NameWith("/logs/+QMNAME+/agent"), "/logs/QM1/agent/CSAGNT_Log01.txt");
  EXPECT_EQ(NameWith("/logs/+QMNAME+/+QMNAME+"), "/logs/QM1/+QMNAME+/CSAGNT_Log01.txt");
  EXPECT_EQ(NameWith("/logs/plain"), "/logs/plain/CSAGNT_Log01.txt");
}

TEST_F(LogFileNameTest, NumbersHaveAtLeastTwoDigitsAndATrailingSlashIsNotDoubled) {
  EXPECT_EQ(NameWith("/logs/", 12), "/logs/CSAGNT_Log12.txt");
  EXPECT_EQ(NameWith("/logs", 100), "/logs/CSAGNT_Log100.txt");
  EXPECT_EQ(NameWith("/", 3), "/CSAGNT_Log03.txt");
}

// The queue manager name replaces the mark only when it names one directory
// below the text before the mark; otherwise the mark is left out.
TEST_F(LogFileNameTest, QueueManagerNameIsPutInOnlyWhenItIsOneDirectoryName) {
  const std::string name48(48, 'Q');
  for (const std::string& name : {std::string("QM1"), std::string("a.B_c%9"), name48}) {
    EXPECT_TRUE(IsDirectorySafeQmName(name.c_str())) << name;
    CopyTerminated(AgentConfig.qmname, kQNameWidth, name.c_str());
    EXPECT_EQ(NameWith("/logs/+QMNAME+/agent"), "/logs/" + name + "/agent/CSAGNT_Log01.txt");
  }
  for (const char* name : {"", ".", "..", "../etc", "a/b", "/", "QM\x1b[2J", "QM 1", "QM-1"}) {
    EXPECT_FALSE(IsDirectorySafeQmName(name)) << name;
    CopyTerminated(AgentConfig.qmname, kQNameWidth, name);
    EXPECT_EQ(NameWith("/logs/+QMNAME+"), "/logs/CSAGNT_Log01.txt") << name;
    EXPECT_EQ(NameWith("/logs/+QMNAME+/agent"), "/logs//agent/CSAGNT_Log01.txt") << name;
  }
}

TEST_F(LogFileNameTest, EmptyLogPathMeansTheProgramDirectory) {
  Process.ProgramDirectory[0] = '\0';
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string dir = exe.substr(0, exe.rfind('/'));
  EXPECT_EQ(NameWith(""), dir + "/CSAGNT_Log01.txt");
  EXPECT_EQ(std::string(Process.ProgramDirectory), dir);
}

TEST_F(LogFileTest, OpenInstallsFile1AndAnnouncesItOnTheConsoleOnly) {
  SetConsole(true);
  StdoutCapture console;
  ASSERT_TRUE(OpenLogFile());
  console.Restore();
  EXPECT_NE(LogState.LogStream.load(), stdout);
  EXPECT_NE(console.Text().find("CSAG210I Logging to '" + LogName(1) + "'\n"), std::string::npos);
  const std::string log = LogText(1);
  EXPECT_EQ(Count(log, "CSAG210I"), 0);
  EXPECT_EQ(Count(log, "CSAG002I"), 1) << "the due date line goes into the new file";
}

TEST_F(LogFileTest, FailedOpenReportsAndLeavesTheStream) {
  CopyTerminated(AgentConfig.logpath, kLogPathWidth, dir_.File("missing").c_str());
  StdoutCapture console;
  EXPECT_FALSE(OpenLogFile());
  console.Restore();
  EXPECT_EQ(LogState.LogStream.load(), stdout);
  EXPECT_NE(console.Text().find("CSAG204E Unable to open error log file '" + LogName(1) +
                                "' rc=2 (No such file or directory)\n"),
            std::string::npos)
      << console.Text();
  EXPECT_TRUE(IsStopRequested());

  Process.StopRequested.store(0);
  SetLogFailFatal(false);
  StdoutCapture again;
  EXPECT_FALSE(OpenLogFile());
  EXPECT_FALSE(IsStopRequested());
}

TEST_F(LogFileTest, QueueManagerNameLeftOutIsExplainedInTheLogOnce) {
  CopyTerminated(AgentConfig.logpath, kLogPathWidth, (dir_.path() + "/+QMNAME+").c_str());
  CopyTerminated(AgentConfig.qmname, kQNameWidth, "../\x1b[2J");
  OpenLog();
  EXPECT_EQ(LogName(1), dir_.path() + "/CSAGNT_Log01.txt");
  EXPECT_NE(LogText(1).find("CSAG214E Queue manager name '../.[2J' not usable for +QMNAME+ in "
                            "logpath; error log directory '" +
                            dir_.path() + "/'\n"),
            std::string::npos)
      << LogText(1);
  // A rotation reopens file 1 in the same place without saying it again.
  AgentConfig.maxlogsize = 10;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I new\n");
  EXPECT_EQ(Count(LogText(1), "CSAG214E"), 0);
  EXPECT_EQ(Count(LogText(2), "CSAG214E"), 1);
  EXPECT_FALSE(IsStopRequested());
}

TEST_F(LogFileTest, FifoAsFile1FailsAtOnceInsteadOfWaitingForAReader) {
  ASSERT_EQ(mkfifo(LogName(1).c_str(), 0600), 0);
  StdoutCapture console;
  EXPECT_FALSE(OpenLogFile());
  console.Restore();
  EXPECT_EQ(LogState.LogStream.load(), stdout);
  EXPECT_NE(console.Text().find("CSAG204E Unable to open error log file '" + LogName(1) +
                                "' rc=6 (No such device or address)\n"),
            std::string::npos)
      << console.Text();
  EXPECT_TRUE(IsStopRequested());
}

// A log on a full device: each failed write is a log failure, reported on
// standard output (not in the log that failed), once for the whole episode,
// and no message is lost.
TEST_F(LogFileTest, LogOnAFullDeviceIsReportedOnceAndStopsTheAgent) {
  ASSERT_EQ(symlink("/dev/full", LogName(1).c_str()), 0);
  StdoutCapture console;
  ASSERT_TRUE(OpenLogFile());
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG900I first\n");
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I second\n");
  console.Restore();
  const std::string shown = console.Text();
  EXPECT_EQ(Count(shown, "CSAG211E"), 1) << shown;
  EXPECT_NE(shown.find("] CSAG211E Unable to write to error log file '" + LogName(1) +
                       "' rc=28 (No space left on device)\n"),
            std::string::npos)
      << shown;
  EXPECT_EQ(Count(shown, "] CSAG900I first\n"), 1);
  EXPECT_EQ(Count(shown, "] CSAG901I second\n"), 1);
  EXPECT_TRUE(IsStopRequested());
  EXPECT_EQ(Process.StopExitStatus.load(), kExitFailure);
}

TEST_F(LogFileTest, LogOnAFullDeviceWithoutLogFailFatalGoesOn) {
  SetLogFailFatal(false);
  ASSERT_EQ(symlink("/dev/full", LogName(1).c_str()), 0);
  StdoutCapture console;
  ASSERT_TRUE(OpenLogFile());
  for (int i = 0; i < 3; ++i)
    AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG900I line %d\n", i);
  console.Restore();
  EXPECT_EQ(Count(console.Text(), "CSAG211E"), 1);
  EXPECT_EQ(Count(console.Text(), "] CSAG900I line "), 3);
  EXPECT_FALSE(IsStopRequested());
}

TEST_F(LogFileTest, FileOfExactlyMaxLogSizeIsNotRotatedOneByteMoreIs) {
  OpenLog();
  FILE* stream = LogState.LogStream.load();
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

TEST_F(LogFileTest, RotationWithOnlyFile1MovesItTo2AndReopens1WithTheDateLine) {
  OpenLog();
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG900I old\n");
  AgentConfig.maxlogsize = 10;
  AgentConfig.verbose = 3;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I new\n");
  EXPECT_FALSE(IsStopRequested());
  const std::string old_file = LogText(2);
  const std::string new_file = LogText(1);
  EXPECT_NE(old_file.find("CSAG900I old\n"), std::string::npos);
  EXPECT_NE(old_file.find("CSAG207I Renaming old error log file '" + LogName(1) + "' to '" +
                          LogName(2) + "'\n"),
            std::string::npos);
  EXPECT_EQ(Count(old_file + new_file, "CSAG206E") + Count(old_file + new_file, "CSAG208E"), 0);
  // Every log file begins with the date line, on the same day too.
  EXPECT_EQ(new_file.rfind(kDateLineStart, 0), 0u) << new_file;
  EXPECT_EQ(WithoutDateLine(new_file).substr(11), "CSAG901I new\n");
  EXPECT_EQ(Count(new_file, "CSAG002I"), 1);
  EXPECT_FALSE(LogExists(3));
}

TEST_F(LogFileTest, MaxLogSizeZeroFillsAllThreeFilesInAFewMessages) {
  AgentConfig.maxlogsize = 0;
  OpenLog();
  for (int i = 0; i < 5; ++i)
    AgentMessage(1, MSG_ORDINARY, LogState.LogStream, "CSAG900I line %d\n", i);
  EXPECT_TRUE(LogExists(1));
  EXPECT_TRUE(LogExists(2));
  EXPECT_TRUE(LogExists(3));
  EXPECT_FALSE(LogExists(4));
  EXPECT_EQ(WithoutDateLine(LogText(1)).substr(11), "CSAG900I line 4\n");
  EXPECT_EQ(WithoutDateLine(LogText(2)).substr(11), "CSAG900I line 3\n");
  EXPECT_FALSE(IsStopRequested());
}

// Rotation works on the files there are: a gap in the numbers stays a gap,
// and names that only look like log files are left alone.
TEST_F(LogFileTest, RotationMovesTheFilesThatExistAndKeepsGaps) {
  AgentConfig.numlogfiles = 6;
  AgentConfig.verbose = 3;
  OpenLog();
  dir_.Write("CSAGNT_Log02.txt", "two\n");
  dir_.Write("CSAGNT_Log05.txt", "five\n");
  dir_.Write("CSAGNT_Log2.txt", "look-alike\n");
  dir_.Write("CSAGNT_Log007.txt", "look-alike\n");
  AgentConfig.maxlogsize = 10;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I new\n");
  EXPECT_FALSE(IsStopRequested());
  EXPECT_EQ(LogText(3), "two\n");
  EXPECT_EQ(LogText(6), "five\n");
  EXPECT_FALSE(LogExists(4));
  EXPECT_FALSE(LogExists(5));
  EXPECT_EQ(dir_.Read("CSAGNT_Log2.txt"), "look-alike\n");
  EXPECT_EQ(dir_.Read("CSAGNT_Log007.txt"), "look-alike\n");
  const std::string old_file = LogText(2);
  EXPECT_EQ(Count(old_file, "CSAG207I"), 3) << "5, 2 and 1 are renamed, nothing else";
  EXPECT_EQ(Count(old_file, "CSAG205I"), 0) << "there is no file 6 to delete";
  EXPECT_NE(LogText(1).find("CSAG901I new\n"), std::string::npos);
}

// A numlogfiles far beyond what any directory holds (as a record not read
// from a file may have it) costs no more than the files that exist.
TEST_F(LogFileTest, HugeNumLogFilesRotatesOnlyWhatExists) {
  AgentConfig.numlogfiles = INT_MAX;
  AgentConfig.maxlogsize = 0;
  AgentConfig.verbose = 3;
  OpenLog();
  for (int i = 0; i < 5; ++i)
    AgentMessage(1, MSG_ORDINARY, LogState.LogStream, "CSAG900I line %d\n", i);
  EXPECT_FALSE(IsStopRequested());
  EXPECT_TRUE(LogExists(6));
  EXPECT_FALSE(LogExists(7));
  EXPECT_NE(LogText(1).find("CSAG900I line 4\n"), std::string::npos);
  EXPECT_EQ(Count(LogText(2), "CSAG207I"), 5) << LogText(2);
}

TEST_F(LogFileTest, FailedDeletionKeepsTheStreamAndReportsIt) {
  OpenLog();
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG900I before\n");
  std::filesystem::create_directory(LogName(3));  // a directory in the way of file 3
  AgentConfig.maxlogsize = 10;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I after\n");
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
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I after\n");
  AgentConfig.maxlogsize = 1 << 20;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG902I later\n");
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
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG900I old\n");
  AgentConfig.maxlogsize = 10;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I new\n");
  EXPECT_EQ(WithoutDateLine(LogText(1)).substr(11), "CSAG901I new\n");
  EXPECT_FALSE(LogExists(2));
  EXPECT_FALSE(IsStopRequested());

  AgentConfig.numlogfiles = 0;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG902I newer\n");
  EXPECT_EQ(WithoutDateLine(LogText(1)).substr(11), "CSAG902I newer\n");
  EXPECT_FALSE(LogExists(0));
}

// When file 1 was closed and cannot be had again, messages go to standard
// output, never to the closed stream.
TEST_F(LogFileTest, ClosedLogFallsBackToStandardOutput) {
  const std::string sub = dir_.File("sub");
  std::filesystem::create_directory(sub);
  CopyTerminated(AgentConfig.logpath, kLogPathWidth, sub.c_str());
  AgentConfig.numlogfiles = 1;
  OpenLog();
  FILE* closed = LogState.LogStream.load();
  std::filesystem::remove_all(sub);  // the directory goes away under the open file
  AgentConfig.maxlogsize = 0;
  SetLogFailFatal(false);
  StdoutCapture console;
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I after\n");
  AgentMessage(0, MSG_ORDINARY, closed, "CSAG902I stale stream\n");
  console.Restore();
  EXPECT_EQ(LogState.LogStream.load(), stdout);
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
  AgentMessage(0, MSG_ORDINARY, LogState.LogStream, "CSAG901I stopping\n");
  EXPECT_FALSE(LogExists(2));
  EXPECT_NE(LogText(1).find("CSAG901I stopping\n"), std::string::npos);
}

}  // namespace
