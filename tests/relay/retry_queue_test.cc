// Deliveries that wait for another attempt: a put that fails for a reason
// that waiting may mend is tried again by the main loop's passes, never by
// sleeping, retrycount times, each retry announced and counted; any other
// failure, the last retry's, and whatever still waits at the end go to the
// dead-letter queue behind a dead-letter header; the messages for one queue
// leave in order while other queues do not wait; a put that IBM MQ
// completed with a warning is not put again.
#include "relay/retry_queue.h"

#include <gtest/gtest.h>

#include <string>

#include "pcf/names/constant_names.h"
#include "relay/deliver.h"
#include "relay/put_message.h"
#include "support/relay_fixture.h"

namespace {

class RetryQueueTest : public RelayTest {
 protected:
  // Delivers `data` as the answer to a request whose reply queue is `queue`.
  void Deliver(std::string data, const char* queue = kClientQ) {
    REQUEST* request = ListRequest("FORWARDED-MSGID-00000001", REQ_PCF, MQRO_NONE, queue);
    MQMD md = {MQMD_DEFAULT};
    memcpy(md.Format, MQFMT_ADMIN, sizeof md.Format);
    DeliverReply(request, &md, data.data(), static_cast<MQLONG>(data.size()), true);
    RetireRequest(request);
  }
  // The data of every message put to `queue`, in order.
  std::string Delivered(const char* queue = kClientQ) {
    std::string all;
    for (const RecordedPut& put : mqi_.PutsTo(queue)) all += put.data + ";";
    return all;
  }
  int AttemptsAt(const char* queue) {
    int n = 0;
    for (const RecordedPut& put : mqi_.puts) n += put.object == queue;
    return n;
  }
  static MQDLH HeaderOf(const RecordedPut& put) {
    MQDLH header;
    EXPECT_GE(put.data.size(), sizeof header);
    memcpy(&header, put.data.data(), sizeof header);
    return header;
  }
  static std::string Failed(MQLONG reason) {
    return "CSAG107E MQPUT to queue 'QM1/CLIENT.REPLY' failed with reason " +
           std::to_string(reason) + " (" + ReasonText(reason) + ")\n";
  }
  static std::string Retry(int retry) {
    return "CSAG108E MQPUT to queue 'QM1/CLIENT.REPLY' failed with reason 2053 (" +
           std::string(ReasonText(MQRC_Q_FULL)) + ") - Retry #" + std::to_string(retry) +
           " after 0 seconds\n";
  }
  static constexpr char kDeadLettered[] =
      "CSAG112I Message for queue 'QM1/CLIENT.REPLY' put to the dead-letter queue "
      "'SYSTEM.DEAD.LETTER.QUEUE'\n";
};

TEST_F(RetryQueueTest, AFullQueueIsTriedAgainOnEachPassThenTheMessageIsDeadLettered) {
  AgentConfig.verbose = 3;
  AgentConfig.retrycount = 3;
  mqi_.FailPuts(1000, MQRC_Q_FULL, kClientQ);
  Deliver("answer");
  EXPECT_EQ(AttemptsAt(kClientQ), 1) << "the serving thread tries once and goes on";
  EXPECT_EQ(DeferredDeliveryCount(), 1);
  EXPECT_EQ(Messages(), Retry(1));

  mqi_.calls.clear();
  RetryDeferredDeliveries();
  EXPECT_EQ(mqi_.calls,
            (std::vector<std::string>{"CTL SUSPEND", "PUT CLIENT.REPLY", "CTL RESUME"}));
  RetryDeferredDeliveries();
  RetryDeferredDeliveries();
  EXPECT_EQ(AttemptsAt(kClientQ), 4);
  EXPECT_EQ(DeferredDeliveryCount(), 0);
  EXPECT_EQ(Messages(), Retry(1) + Retry(2) + Retry(3) + Failed(MQRC_Q_FULL) + kDeadLettered);

  ASSERT_EQ(DeadLetters().size(), 1u);
  const RecordedPut dead = DeadLetters()[0];
  EXPECT_EQ(std::string(dead.md.Format, 8), MQFMT_DEAD_LETTER_HEADER);
  const MQDLH header = HeaderOf(dead);
  EXPECT_EQ(std::string(header.StrucId, 4), MQDLH_STRUC_ID);
  EXPECT_EQ(header.Reason, MQRC_Q_FULL);
  EXPECT_EQ(NameInField(header.DestQName, 48), kClientQ);
  EXPECT_EQ(NameInField(header.DestQMgrName, 48), "QM1");
  EXPECT_EQ(std::string(header.Format, 8), MQFMT_ADMIN);
  EXPECT_EQ(dead.data.substr(sizeof header), "answer");

  const TrafficCounts counts = ReadCounts(AgentStats.since_start);
  EXPECT_EQ(counts.FailedPuts, 4u);
  EXPECT_EQ(counts.PutsRetried, 0u);
  EXPECT_EQ(counts.ResponsesSent, 0u);
}

TEST_F(RetryQueueTest, ARetryThatSucceedsIsCountedOnceAndCarriesTheAgentsContext) {
  AgentConfig.verbose = 2;
  mqi_.FailPuts(2, MQRC_Q_FULL, kClientQ);
  Deliver("answer");
  RetryDeferredDeliveries();
  EXPECT_EQ(Delivered(), "");
  RetryDeferredDeliveries();
  EXPECT_EQ(Delivered(), "answer;");
  EXPECT_EQ(mqi_.PutsTo(kClientQ)[0].pmo_options, MQPMO_NO_SYNCPOINT);
  RetryDeferredDeliveries();
  EXPECT_EQ(Delivered(), "answer;") << "once";
  EXPECT_EQ(Messages(), "") << "retries are written at high detail only";
  for (const TrafficCounters* column : {&AgentStats.since_start, &AgentStats.interval}) {
    const TrafficCounts counts = ReadCounts(*column);
    EXPECT_EQ(counts.FailedPuts, 2u);
    EXPECT_EQ(counts.PutsRetried, 1u);
    EXPECT_EQ(counts.ResponsesSent, 1u);
  }
}

TEST_F(RetryQueueTest, AFailureThatWaitingCannotMendIsDeadLetteredAtOnce) {
  const MQLONG reasons[] = {MQRC_MSG_TOO_BIG_FOR_Q, MQRC_MSG_TOO_BIG_FOR_Q_MGR, MQRC_PUT_INHIBITED,
                            MQRC_NOT_AUTHORIZED};
  std::string expected;
  for (MQLONG reason : reasons) {
    mqi_.FailPuts(1, reason, kClientQ);
    Deliver("answer");
    expected += Failed(reason) + kDeadLettered;
  }
  EXPECT_EQ(DeferredDeliveryCount(), 0);
  EXPECT_EQ(Messages(), expected);
  ASSERT_EQ(DeadLetters().size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(HeaderOf(DeadLetters()[i]).Reason, reasons[i]);

  // A queue that does not open is reported by the cache alone.
  mqi_.RefuseOpen("GONE.REPLY", MQRC_UNKNOWN_OBJECT_NAME);
  Deliver("answer", "GONE.REPLY");
  EXPECT_EQ(CountOf("CSAG104E MQOPEN of queue 'QM1/GONE.REPLY' failed with reason 2085"), 1);
  EXPECT_EQ(CountOf("CSAG107E"), 4);
  ASSERT_EQ(DeadLetters().size(), 5u);
  EXPECT_EQ(HeaderOf(DeadLetters()[4]).Reason, MQRC_UNKNOWN_OBJECT_NAME);

  // With retrycount 0 a full queue is not waited for either.
  AgentConfig.retrycount = 0;
  mqi_.FailPuts(1, MQRC_Q_FULL, kClientQ);
  Deliver("answer");
  EXPECT_EQ(DeferredDeliveryCount(), 0);
  EXPECT_EQ(DeadLetters().size(), 6u);
}

TEST_F(RetryQueueTest, MessagesForOneQueueLeaveInOrderAndOtherQueuesDoNotWait) {
  mqi_.FailPuts(1, MQRC_Q_FULL, kClientQ);
  Deliver("first");
  Deliver("second");
  Deliver("third");
  Deliver("elsewhere", "OTHER.REPLY");
  EXPECT_EQ(Delivered("OTHER.REPLY"), "elsewhere;");
  EXPECT_EQ(AttemptsAt(kClientQ), 1) << "the later messages wait without an attempt";
  EXPECT_EQ(DeferredDeliveryCount(), 3);
  RetryDeferredDeliveries();
  EXPECT_EQ(Delivered(), "first;second;third;");
  EXPECT_EQ(DeferredDeliveryCount(), 0);
  EXPECT_EQ(ReadCounts(AgentStats.since_start).PutsRetried, 1u);
  EXPECT_EQ(ReadCounts(AgentStats.since_start).ResponsesSent, 4u);
}

TEST_F(RetryQueueTest, WhatStillWaitsAtTheEndIsDeadLetteredInOrder) {
  mqi_.FailPuts(1, MQRC_Q_FULL, kClientQ);
  Deliver("first");
  Deliver("second");
  DeadLetterDeferredDeliveries();
  EXPECT_EQ(DeferredDeliveryCount(), 0);
  ASSERT_EQ(DeadLetters().size(), 2u);
  EXPECT_EQ(DeadLetters()[0].data.substr(sizeof(MQDLH)), "first");
  EXPECT_EQ(DeadLetters()[1].data.substr(sizeof(MQDLH)), "second");
  EXPECT_EQ(CountOf(Failed(MQRC_Q_FULL)), 2);
  EXPECT_EQ(Delivered(), "");
}

TEST_F(RetryQueueTest, WithoutADeadLetterQueueTheMessageIsDiscardedAndSaidSo) {
  Process.QueueManagerFacts.DeadLetterQName[0] = '\0';
  mqi_.FailPuts(1, MQRC_PUT_INHIBITED, kClientQ);
  Deliver("answer");
  EXPECT_EQ(Messages(), Failed(MQRC_PUT_INHIBITED) +
                            "CSAG113E Message for queue 'QM1/CLIENT.REPLY' discarded: the queue "
                            "manager has no dead-letter queue\n");
  EXPECT_TRUE(DeadLetters().empty());
}

// The message is on the queue: putting it again would deliver it twice.
TEST_F(RetryQueueTest, APutCompletedWithAWarningIsNotPutAgain) {
  mqi_.WarnPuts(1, MQRC_PRIORITY_EXCEEDS_MAXIMUM);
  Deliver("0123456789");
  EXPECT_EQ(mqi_.PutsTo(kClientQ).size(), 1u);
  EXPECT_EQ(DeferredDeliveryCount(), 0);
  const TrafficCounts counts = ReadCounts(AgentStats.since_start);
  EXPECT_EQ(counts.ResponsesSent, 1u);
  EXPECT_EQ(counts.ResponseBytesSent, 10u);
  EXPECT_EQ(counts.FailedPuts, 0u);
  EXPECT_EQ(Messages(), "") << "written at level 3";

  AgentConfig.verbose = 3;
  mqi_.WarnPuts(1, MQRC_PRIORITY_EXCEEDS_MAXIMUM);
  Deliver("0123456789");
  EXPECT_EQ(Messages(),
            "CSAG111I MQPUT to queue 'QM1/CLIENT.REPLY' completed with warning reason 2049 (" +
                std::string(ReasonText(MQRC_PRIORITY_EXCEEDS_MAXIMUM)) + ")\n");
}

}  // namespace
