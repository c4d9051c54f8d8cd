// The traffic counters and the CSAG080I status report.
#include "log/status_report.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "log/log_fixture.h"

namespace {

class StatusReportTest : public LogTest {
 protected:
  void SetUp() override {
    LogTest::SetUp();
    path_ = dir_.File("report.txt");
    LogState.LogStream.store(fopen(path_.c_str(), "w"));
    DateLineWritten();
  }

  // The report as written, without its time stamp.
  std::string Report() const {
    const std::string text = TempDir::ReadPath(path_);
    return text.size() > 11 ? text.substr(11) : text;
  }

  std::string path_;
};

TEST_F(StatusReportTest, NoTrafficShowsZerosAndTheConfiguredInterval) {
  StatusReport(0);
  EXPECT_EQ(Report(),
            "CSAG080I CSAGNT Status Report\n"
            "                            : Since Start : Last 1 Hr\n"
            "  Commands Received         :           0 :           0\n"
            "  Command Bytes Received    :         0 B :         0 B\n"
            "  Replies Received          :           0 :           0\n"
            "  Reply Bytes Received      :         0 B :         0 B\n"
            "  Responses Sent            :           0 :           0\n"
            "  Response Bytes Sent       :         0 B :         0 B\n"
            "  Compression Achieved      :          0% :          0%\n"
            "  Failed Puts               :           0 :           0\n"
            "  Puts Successfully Retried :           0 :           0\n");
}

TEST_F(StatusReportTest, CountersShowInBothColumnsAndTheIntervalStartsAgain) {
  AgentConfig.reportint = 90;
  CountCommandReceived(1536);
  CountCommandReceived(512);
  for (int i = 0; i < 3; ++i) CountReplyReceived(1000);
  CountResponseSent(700);
  CountResponseSent(1400);
  CountFailedPut();
  CountFailedPut();
  CountPutRetried();
  StatusReport(0);
  EXPECT_EQ(Report(),
            "CSAG080I CSAGNT Status Report\n"
            "                            : Since Start : Last 1.5 Hrs\n"
            "  Commands Received         :           2 :           2\n"
            "  Command Bytes Received    :        2 KB :        2 KB\n"
            "  Replies Received          :           3 :           3\n"
            "  Reply Bytes Received      :     2.93 KB :     2.93 KB\n"
            "  Responses Sent            :           2 :           2\n"
            "  Response Bytes Sent       :     2.05 KB :     2.05 KB\n"
            "  Compression Achieved      :         30% :         30%\n"
            "  Failed Puts               :           2 :           2\n"
            "  Puts Successfully Retried :           1 :           1\n");
  const TrafficCounts interval = ReadCounts(AgentStats.interval);
  EXPECT_EQ(interval.CommandsReceived, 0u);
  EXPECT_EQ(interval.ReplyBytesReceived, 0u);
  EXPECT_EQ(interval.PutsRetried, 0u);
  EXPECT_EQ(ReadCounts(AgentStats.since_start).RepliesReceived, 3u);
  EXPECT_EQ(AgentStats.IntervalStart.load(), Process.CurrentTime.load());
}

TEST_F(StatusReportTest, ActualTimeLabelsTheIntervalWithTheMinutesPassed) {
  const int64_t now = time(nullptr);
  Process.CurrentTime.store(now);
  AgentStats.IntervalStart.store(now - 145 * 60 - 59);
  StatusReport(1);
  EXPECT_NE(Report().find(": Last 2 Hrs 25 Mins\n"), std::string::npos) << Report();

  // A second report right after the first covers no time at all.
  StatusReport(1);
  EXPECT_NE(Report().find(": Last 0 Mins\n"), std::string::npos);
}

TEST_F(StatusReportTest, WrappedCountersShowSignedCountsAndUnsignedBytes) {
  AgentStats.since_start.CommandsReceived.store(0xFFFFFFFFu);
  AgentStats.since_start.CommandBytesReceived.store(0xFFFFFFFFu);
  AgentStats.since_start.ReplyBytesReceived.store(3000000000u);
  AgentStats.since_start.ResponseBytesSent.store(2000000000u);
  StatusReport(0);
  const std::string report = Report();
  EXPECT_NE(report.find("  Commands Received         :          -1 :           0\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("  Command Bytes Received    :        4 GB :         0 B\n"),
            std::string::npos);
  EXPECT_NE(report.find("  Compression Achieved      :         33% :          0%\n"),
            std::string::npos);
}

TEST(CompressionPercentTest, TruncatesTowardZeroAndMayBeNegative) {
  EXPECT_EQ(CompressionPercent(0, 500), 0);
  EXPECT_EQ(CompressionPercent(1000, 700), 30);
  EXPECT_EQ(CompressionPercent(100, 150), -50);
  EXPECT_EQ(CompressionPercent(3, 2), 33);
  EXPECT_EQ(CompressionPercent(3000000000u, 2000000000u), 33);
  EXPECT_EQ(CompressionPercent(1, 0xFFFFFFFFu), -429496729400);
}

TEST_F(StatusReportTest, IncrementsFromTwoThreadsAreAllCounted) {
  auto work = [] {
    for (int i = 0; i < 10000; ++i) {
      CountReplyReceived(10);
      CountFailedPut();
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  const TrafficCounts counts = ReadCounts(AgentStats.interval);
  EXPECT_EQ(counts.RepliesReceived, 20000u);
  EXPECT_EQ(counts.ReplyBytesReceived, 200000u);
  EXPECT_EQ(ReadCounts(AgentStats.since_start).FailedPuts, 20000u);
}

}  // namespace
