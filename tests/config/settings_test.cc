// The settings record starts out with the documented defaults.
#include "state/settings.h"
#include "pcf/mq_field.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Settings, DefaultsAreThoseOfAPlainStart) {
  AgentSettings s = DefaultAgentSettings();
  EXPECT_STREQ(s.qmname, "");
  EXPECT_STREQ(s.inputq, "TOVAN.CSAGNT.COMMAND.QUEUE");
  EXPECT_STREQ(s.commandq, "SYSTEM.ADMIN.COMMAND.QUEUE");
  EXPECT_STREQ(s.replyq, "SYSTEM.DEFAULT.MODEL.QUEUE");
  EXPECT_STREQ(s.tempqpfx, "TOVAN.CSAGNT.*");
  EXPECT_STREQ(s.logpath, "");
  EXPECT_EQ(s.verbose, 1);
  EXPECT_EQ(s.AgentFlags, 0x452u);
  EXPECT_EQ(s.maxage, 10);
  EXPECT_EQ(s.maxmsgsize, 1048576);
  EXPECT_EQ(s.sleeptime, 1);
  EXPECT_EQ(s.reqchkdelay, 10);
  EXPECT_EQ(s.hobjchkdelay, 150);
  EXPECT_EQ(s.stopwait, 0);
  EXPECT_EQ(s.reportint, 60);
  EXPECT_EQ(s.retrycount, 10);
  EXPECT_EQ(s.retryint, 1);
  EXPECT_EQ(s.hobjttl, 300);
  EXPECT_EQ(s.numlogfiles, 3);
  EXPECT_EQ(s.maxlogsize, 1048576);
  EXPECT_EQ(s.discint, 0);
}
