// The timers of one pass of the main loop, driven with a clock of the test's
// choosing. With an empty request table and handle cache no MQI call is
// made, so no queue manager is needed.
#include "agent/main_loop.h"

#include <gtest/gtest.h>

#include <ctime>

#include "consolidate/ageing.h"
#include "log/log_fixture.h"
#include "log/status_report.h"
#include "relay/reply_queue_cache.h"
#include "relay/request_table.h"
#include "state/process_state.h"
#include "state/settings.h"
#include "support/stdout_capture.h"

namespace {

class MainLoopTimers : public LogTest {
 protected:
  void SetUp() override {
    LogTest::SetUp();
    start_ = time(nullptr);
    AgentStats.IntervalStart.store(start_);
    Process.LastActivityTime.store(start_);
    DateLineWritten();
  }

  // Lists a request that has just been received (and is not aged out).
  static void ListFreshRequest(int64_t now) {
    REQUEST* request = NewRequest();
    ASSERT_NE(request, nullptr);
    request->LastActivity = now;
    request->Issued = now;
    PushRequest(request);
  }

  int64_t start_ = 0;
  StdoutCapture output_;
};

TEST_F(MainLoopTimers, ReportIntervalZeroReportsOnEveryPass) {
  AgentConfig.reportint = 0;
  for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(RunTimedWork(start_), PassOutcome::kGoOn);
  EXPECT_EQ(Count(output_.Text(), "] CSAG080I CSAGNT Status Report\n"), 3) << output_.Text();
}

TEST_F(MainLoopTimers, ReportAfterReportIntervalMinutes) {
  AgentConfig.reportint = 1;
  const int64_t interval_start = start_ - 1000;
  AgentStats.IntervalStart.store(interval_start);
  EXPECT_EQ(RunTimedWork(interval_start + 59), PassOutcome::kGoOn);
  EXPECT_EQ(output_.Text().find("CSAG080I"), std::string::npos) << output_.Text();
  EXPECT_EQ(RunTimedWork(interval_start + 60), PassOutcome::kGoOn);
  EXPECT_EQ(Count(output_.Text(), "] CSAG080I"), 1) << output_.Text();
  // The report begins a new interval.
  EXPECT_GE(AgentStats.IntervalStart.load(), interval_start + 60);
}

TEST_F(MainLoopTimers, AgeingRunsOnlyWhileRequestsAreOutstanding) {
  AgentConfig.reqchkdelay = 10;
  ASSERT_EQ(RequestTable.RequestCount.load(), 0);
  RunTimedWork(start_ + 100000);
  EXPECT_EQ(RequestTable.LastAgeing, 0) << "no sweep without requests, however long ago the last";

  ListFreshRequest(start_);
  RunTimedWork(start_);
  EXPECT_EQ(RequestTable.LastAgeing, start_);
  RunTimedWork(start_ + 9);
  EXPECT_EQ(RequestTable.LastAgeing, start_);
  RunTimedWork(start_ + 10);
  EXPECT_EQ(RequestTable.LastAgeing, start_ + 10);
  // Ten seconds is not more than maxage 10: the request stays.
  EXPECT_EQ(RequestTable.RequestCount.load(), 1);
}

TEST_F(MainLoopTimers, HandleCheckOnTheFirstPassThenEveryDelay) {
  ASSERT_EQ(AgentConfig.hobjchkdelay, 150);
  RunTimedWork(start_);
  EXPECT_EQ(ReplyQCache.LastHobjCheck, start_);
  RunTimedWork(start_ + 149);
  EXPECT_EQ(ReplyQCache.LastHobjCheck, start_);
  RunTimedWork(start_ + 150);
  EXPECT_EQ(ReplyQCache.LastHobjCheck, start_ + 150);
}

TEST_F(MainLoopTimers, DisconnectIntervalEndsOnlyATriggeredAgent) {
  AgentConfig.reportint = 100000;
  AgentConfig.discint = 1;
  EXPECT_EQ(RunTimedWork(start_ + 100000), PassOutcome::kGoOn) << "not triggered";

  AgentConfig.AgentFlags |= AF_TRIGGERED;
  EXPECT_EQ(RunTimedWork(start_ + 59), PassOutcome::kGoOn);
  EXPECT_EQ(RunTimedWork(start_ + 60), PassOutcome::kDisconnect);
  EXPECT_NE(output_.Text().find("] CSAG020I Disconnect Interval, 1 minutes, expired\n"),
            std::string::npos)
      << output_.Text();

  AgentConfig.discint = 0;
  EXPECT_EQ(RunTimedWork(start_ + 100000), PassOutcome::kGoOn) << "discint 0: never";
}

TEST_F(MainLoopTimers, DisconnectTestSeesTheClockThatTheReportBroughtUpToDate) {
  // The pass begins with a clock a minute behind; the report's message
  // brings CurrentTime up to date, and the disconnect test uses that.
  AgentConfig.reportint = 0;
  AgentConfig.discint = 1;
  AgentConfig.AgentFlags |= AF_TRIGGERED;
  AgentStats.IntervalStart.store(start_ - 100);
  Process.LastActivityTime.store(start_ - 60);
  EXPECT_EQ(RunTimedWork(start_ - 30), PassOutcome::kDisconnect) << output_.Text();
}

TEST_F(MainLoopTimers, StopRequestLeavesBeforeReportAndDisconnect) {
  AgentConfig.reportint = 0;
  AgentConfig.discint = 1;
  AgentConfig.AgentFlags |= AF_TRIGGERED;
  RequestStop(kExitOrderly);
  EXPECT_EQ(RunTimedWork(start_ + 100000), PassOutcome::kStop);
  EXPECT_EQ(output_.Text().find("CSAG080I"), std::string::npos) << output_.Text();
  EXPECT_EQ(output_.Text().find("CSAG020I"), std::string::npos) << output_.Text();
  // The handle check before it has run all the same.
  EXPECT_EQ(ReplyQCache.LastHobjCheck, start_ + 100000);
}

}  // namespace
