// PutWithRetry: failed puts retried retrycount times and counted, a put
// completed with a warning taken as put (not retried), and the messages of
// both.
#include "relay/put_with_retry.h"

#include <gtest/gtest.h>

#include <string>

#include "names/constant_names.h"
#include "relay/deliver.h"
#include "support/relay_fixture.h"

namespace {

class PutWithRetryTest : public RelayTest {
 protected:
  bool Put(MQLONG* comp_code, MQLONG* reason) {
    MQMD md = {MQMD_DEFAULT};
    MQPMO pmo = {MQPMO_DEFAULT};
    char data[] = "message";
    return PutWithRetry(CommandQueueHobj, "QM1/TARGET", &md, &pmo, data, 7, comp_code, reason);
  }
  static std::string RetryText(MQLONG reason, int retry) {
    return "CSAG108E MQPUT to queue 'QM1/TARGET' failed with reason " + std::to_string(reason) +
           " (" + ReasonText(reason) + ") - Retry #" + std::to_string(retry) + " after 0 seconds\n";
  }
};

TEST_F(PutWithRetryTest, APutThatKeepsFailingIsTriedRetrycountMoreTimes) {
  AgentConfig.verbose = 3;
  AgentConfig.retrycount = 10;
  mqi_.FailPuts(1000, MQRC_Q_FULL);
  MQLONG comp_code;
  MQLONG reason;
  EXPECT_FALSE(Put(&comp_code, &reason));
  EXPECT_EQ(comp_code, MQCC_FAILED);
  EXPECT_EQ(reason, MQRC_Q_FULL);
  EXPECT_EQ(mqi_.puts.size(), 11u);

  std::string expected;
  for (int retry = 1; retry <= 10; ++retry) expected += RetryText(MQRC_Q_FULL, retry);
  EXPECT_EQ(Messages(), expected);

  for (const TrafficCounters* column : {&AgentStats.since_start, &AgentStats.interval}) {
    const TrafficCounts counts = ReadCounts(*column);
    EXPECT_EQ(counts.FailedPuts, 11u);
    EXPECT_EQ(counts.PutsRetried, 0u);
  }
}

TEST_F(PutWithRetryTest, APutThatSucceedsAtTheThirdAttemptCountsTwoFailuresAndOneRetry) {
  AgentConfig.verbose = 3;
  mqi_.FailPuts(2, MQRC_Q_FULL);
  MQLONG comp_code;
  MQLONG reason;
  EXPECT_TRUE(Put(&comp_code, &reason));
  EXPECT_EQ(comp_code, MQCC_OK);
  EXPECT_EQ(reason, MQRC_NONE);
  EXPECT_EQ(mqi_.puts.size(), 3u);
  EXPECT_EQ(Messages(), RetryText(MQRC_Q_FULL, 1) + RetryText(MQRC_Q_FULL, 2));
  for (const TrafficCounters* column : {&AgentStats.since_start, &AgentStats.interval}) {
    const TrafficCounts counts = ReadCounts(*column);
    EXPECT_EQ(counts.FailedPuts, 2u);
    EXPECT_EQ(counts.PutsRetried, 1u);
  }
}

TEST_F(PutWithRetryTest, RetriesAreReportedAtHighDetailOnly) {
  AgentConfig.verbose = 2;
  mqi_.FailPuts(1, MQRC_Q_FULL);
  MQLONG comp_code;
  MQLONG reason;
  EXPECT_TRUE(Put(&comp_code, &reason));
  EXPECT_EQ(Messages(), "");
}

TEST_F(PutWithRetryTest, WithRetrycountZeroAPutIsMadeOnce) {
  AgentConfig.retrycount = 0;
  mqi_.FailPuts(5, MQRC_PUT_INHIBITED);
  MQLONG comp_code;
  MQLONG reason;
  EXPECT_FALSE(Put(&comp_code, &reason));
  EXPECT_EQ(mqi_.puts.size(), 1u);
  EXPECT_EQ(ReadCounts(AgentStats.since_start).FailedPuts, 1u);
}

// The message is on the queue: retrying would put it twice.
TEST_F(PutWithRetryTest, APutCompletedWithAWarningIsNotRetried) {
  mqi_.WarnPuts(1, MQRC_PRIORITY_EXCEEDS_MAXIMUM);
  MQLONG comp_code;
  MQLONG reason;
  EXPECT_TRUE(Put(&comp_code, &reason));
  EXPECT_EQ(comp_code, MQCC_WARNING);
  EXPECT_EQ(reason, MQRC_PRIORITY_EXCEEDS_MAXIMUM);
  EXPECT_EQ(mqi_.puts.size(), 1u);
  EXPECT_EQ(ReadCounts(AgentStats.since_start).FailedPuts, 0u);
  EXPECT_EQ(Messages(), "") << "written at level 3";

  AgentConfig.verbose = 3;
  mqi_.WarnPuts(1, MQRC_PRIORITY_EXCEEDS_MAXIMUM);
  EXPECT_TRUE(Put(&comp_code, &reason));
  EXPECT_EQ(Messages(),
            "CSAG111I MQPUT to queue 'QM1/TARGET' completed with warning reason 2049 (" +
                std::string(ReasonText(MQRC_PRIORITY_EXCEEDS_MAXIMUM)) + ")\n");
}

TEST_F(PutWithRetryTest, AWarningAfterAFailureIsARetriedPut) {
  mqi_.FailPuts(1, MQRC_Q_FULL);
  mqi_.WarnPuts(1, MQRC_PRIORITY_EXCEEDS_MAXIMUM);
  MQLONG comp_code;
  MQLONG reason;
  EXPECT_TRUE(Put(&comp_code, &reason));
  EXPECT_EQ(mqi_.puts.size(), 2u);
  EXPECT_EQ(ReadCounts(AgentStats.since_start).PutsRetried, 1u);
}

TEST_F(PutWithRetryTest, ADeliveryCompletedWithAWarningCountsAsSent) {
  REQUEST* request = ListRequest("FORWARDED-MSGID-00000001");
  mqi_.WarnPuts(1, MQRC_PRIORITY_EXCEEDS_MAXIMUM);
  MQMD md = {MQMD_DEFAULT};
  char data[] = "0123456789";
  DeliverReply(request, &md, data, 10, true);
  EXPECT_EQ(mqi_.PutsTo(kClientQ).size(), 1u);
  const TrafficCounts counts = ReadCounts(AgentStats.since_start);
  EXPECT_EQ(counts.ResponsesSent, 1u);
  EXPECT_EQ(counts.ResponseBytesSent, 10u);
  EXPECT_FALSE(Wrote("CSAG107E"));
}

}  // namespace
