// DeliverReply: the client's identifiers as its report options ask, the
// context passed or not, the counts and the failure messages; and the
// display name of a client's queue.
#include "relay/deliver.h"

#include <gtest/gtest.h>

#include <string>

#include "pcf/names/constant_names.h"
#include "support/relay_fixture.h"

namespace {

std::string Display(const char* qmgr, const char* queue) {
  char out[kQNameDisplaySize];
  return FormatQName(qmgr, queue, out);
}

TEST(FormatQName, QueueManagerSlashQueueOrTheQueueAlone) {
  EXPECT_EQ(Display("QM1", "CLIENT.REPLY"), "QM1/CLIENT.REPLY");
  EXPECT_EQ(Display("", "CLIENT.REPLY"), "CLIENT.REPLY");
  EXPECT_EQ(Display("QM1   \t\n", "Q  \n "), "QM1/Q");
}

TEST(FormatQName, FullFixedFieldsNeedNoTerminator) {
  char qmgr[48];
  char queue[48 + 8];
  memset(qmgr, 'M', 48);
  memset(queue, 'Q', 48);
  memcpy(queue + 48, "TRAILING", 8);  // beyond the field: not part of the name
  EXPECT_EQ(Display(qmgr, queue), std::string(48, 'M') + "/" + std::string(48, 'Q'));
}

TEST(FormatQName, ControlCharactersAreWrittenAsDots) {
  EXPECT_EQ(Display("Q\x1b[2J",
                    "A\x07"
                    "B\x7f\xc3\xa9"),
            "Q.[2J/A.B...");
}

class DeliverTest : public RelayTest {
 protected:
  RecordedPut Deliver(MQLONG report, bool pass_context, MQMD md = {MQMD_DEFAULT}) {
    REQUEST* request = ListRequest("FORWARDED-MSGID-00000001", REQ_PCF, report);
    char data[] = "reply bytes";
    const size_t before = mqi_.PutsTo(kClientQ).size();
    DeliverReply(request, &md, data, 11, pass_context);
    EXPECT_EQ(mqi_.PutsTo(kClientQ).size(), before + 1);
    return mqi_.PutsTo(kClientQ).back();
  }
};

TEST_F(DeliverTest, NeitherPassOptionGivesANewMsgIdAndTheRequestsMsgIdAsCorrelId) {
  const RecordedPut put = Deliver(MQRO_COPY_MSG_ID_TO_CORREL_ID, true);
  EXPECT_EQ(Id(put.md.MsgId), Id(MQMI_NONE)) << "IBM MQ generates one";
  EXPECT_EQ(Id(put.msg_id).substr(0, 10), "GENERATED-");
  EXPECT_EQ(Id(put.md.CorrelId), "CLIENT-MSGID-0123456789A");
}

TEST_F(DeliverTest, PassMsgIdGivesTheRequestsMsgId) {
  const RecordedPut put = Deliver(MQRO_PASS_MSG_ID, true);
  EXPECT_EQ(Id(put.md.MsgId), "CLIENT-MSGID-0123456789A");
  EXPECT_EQ(Id(put.md.CorrelId), "CLIENT-MSGID-0123456789A");
}

TEST_F(DeliverTest, PassCorrelIdGivesTheRequestsCorrelId) {
  const RecordedPut put = Deliver(MQRO_PASS_CORREL_ID, true);
  EXPECT_EQ(Id(put.md.MsgId), Id(MQMI_NONE));
  EXPECT_EQ(Id(put.md.CorrelId), "CLIENT-CORRELID-01234567");

  const RecordedPut both = Deliver(MQRO_PASS_MSG_ID | MQRO_PASS_CORREL_ID, true);
  EXPECT_EQ(Id(both.md.MsgId), "CLIENT-MSGID-0123456789A");
  EXPECT_EQ(Id(both.md.CorrelId), "CLIENT-CORRELID-01234567");
}

TEST_F(DeliverTest, TheReplysContextIsPassedOnlyWhenAsked) {
  MQMD md = {MQMD_DEFAULT};
  memcpy(md.Format, MQFMT_ADMIN, 8);
  md.MsgType = MQMT_REPLY;
  md.Encoding = 0x222;
  md.Priority = 7;
  const RecordedPut passed = Deliver(MQRO_NONE, true, md);
  EXPECT_EQ(passed.pmo_options, MQPMO_NO_SYNCPOINT | MQPMO_PASS_ALL_CONTEXT);
  EXPECT_EQ(passed.pmo_context, Process.ReplyQueueHobj);
  EXPECT_EQ(std::string(passed.md.Format, 8), MQFMT_ADMIN);
  EXPECT_EQ(passed.md.MsgType, MQMT_REPLY);
  EXPECT_EQ(passed.md.Encoding, 0x222);
  EXPECT_EQ(passed.md.Priority, 7);
  EXPECT_EQ(passed.data, "reply bytes");

  const RecordedPut own = Deliver(MQRO_NONE, false);
  EXPECT_EQ(own.pmo_options, MQPMO_NO_SYNCPOINT);
}

TEST_F(DeliverTest, ADeliveryIsCountedOnlyWhenPut) {
  Deliver(MQRO_NONE, true);
  for (const TrafficCounters* column : {&AgentStats.since_start, &AgentStats.interval}) {
    EXPECT_EQ(ReadCounts(*column).ResponsesSent, 1u);
    EXPECT_EQ(ReadCounts(*column).ResponseBytesSent, 11u);
  }

  AgentConfig.retrycount = 1;
  mqi_.FailPuts(2, MQRC_Q_FULL);
  REQUEST* request = ListRequest("FORWARDED-MSGID-00000002");
  MQMD md = {MQMD_DEFAULT};
  char data[] = "x";
  DeliverReply(request, &md, data, 1, true);
  RetryDeferredDeliveries();
  EXPECT_EQ(ReadCounts(AgentStats.since_start).ResponsesSent, 1u);
  EXPECT_EQ(ReadCounts(AgentStats.since_start).FailedPuts, 2u);
  EXPECT_EQ(Messages(), "CSAG107E MQPUT to queue 'QM1/CLIENT.REPLY' failed with reason 2053 (" +
                            std::string(ReasonText(MQRC_Q_FULL)) +
                            ")\nCSAG112I Message for queue 'QM1/CLIENT.REPLY' put to the "
                            "dead-letter queue 'SYSTEM.DEAD.LETTER.QUEUE'\n");
}

TEST_F(DeliverTest, AQueueThatDoesNotOpenGetsNothingAndTheMessageIsDeadLettered) {
  mqi_.RefuseOpen(kClientQ, MQRC_UNKNOWN_OBJECT_NAME);
  REQUEST* request = ListRequest("FORWARDED-MSGID-00000001");
  MQMD md = {MQMD_DEFAULT};
  char data[] = "x";
  DeliverReply(request, &md, data, 1, true);
  EXPECT_TRUE(mqi_.PutsTo(kClientQ).empty());
  EXPECT_EQ(DeadLetters().size(), 1u);
  EXPECT_EQ(Messages(), "CSAG104E MQOPEN of queue 'QM1/CLIENT.REPLY' failed with reason 2085 (" +
                            std::string(ReasonText(MQRC_UNKNOWN_OBJECT_NAME)) +
                            ")\nCSAG112I Message for queue 'QM1/CLIENT.REPLY' put to the "
                            "dead-letter queue 'SYSTEM.DEAD.LETTER.QUEUE'\n");
  EXPECT_EQ(ReadCounts(AgentStats.since_start).ResponsesSent, 0u);
}

TEST_F(DeliverTest, AClientsQueueNameIsShownPrintable) {
  mqi_.RefuseOpen("BAD\x1b[31mQ", MQRC_UNKNOWN_OBJECT_NAME);
  REQUEST* request = ListRequest("FORWARDED-MSGID-00000001", REQ_PCF, MQRO_NONE, "BAD\x1b[31mQ");
  MQMD md = {MQMD_DEFAULT};
  char data[] = "x";
  DeliverReply(request, &md, data, 1, true);
  EXPECT_TRUE(Wrote("CSAG104E MQOPEN of queue 'QM1/BAD.[31mQ' failed")) << Messages();
}

}  // namespace
