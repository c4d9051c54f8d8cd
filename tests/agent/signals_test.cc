// Termination signals ask for an orderly stop instead of ending the process.
#include "agent/signals.h"

#include <gtest/gtest.h>

#include <csignal>

#include "log/message.h"
#include "state/process_state.h"
#include "support/stdout_capture.h"

TEST(TerminationSignals, SetTheStopFlagAndAreReportedOnce) {
  InstallTerminationHandlers();
  LogState.LogStream = stdout;
  ASSERT_FALSE(IsStopRequested());
  raise(SIGTERM);  // the process goes on
  EXPECT_TRUE(IsStopRequested());
  EXPECT_EQ(Process.StopSignal.load(), SIGTERM);

  StdoutCapture capture;
  ReportTerminationSignal();
  ReportTerminationSignal();
  std::string text = capture.Text();
  EXPECT_NE(text.find("] CSAG022I Termination signal 15 received\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("CSAG022I"), text.rfind("CSAG022I"));
}

TEST(TerminationSignals, InterruptToo) {
  InstallTerminationHandlers();
  raise(SIGINT);
  EXPECT_EQ(Process.StopSignal.load(), SIGINT);
}
