// Ageing: which requests the sweep takes and in what order, what their
// clients receive (what was held, then the error reply in the request's
// form, byte for byte), the messages, and the MQCTL bracket around it.
#include "consolidate/ageing.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "consolidate/hold_buffer.h"
#include "cs/cs_memory.h"
#include "pcf/agent_format.h"
#include "pcf/names/constant_names.h"
#include "support/error_reply_bytes.h"
#include "support/relay_fixture.h"

namespace {

class AgeingTest : public RelayTest {
 protected:
  void SetUp() override {
    RelayTest::SetUp();
    AgentConfig.maxage = 10;
    now_ = Process.CurrentTime.load();
  }
  REQUEST* Aged(const char* fwd, int32_t kind, const char* queue = kClientQ,
                MQLONG command = MQCMD_INQUIRE_Q) {
    REQUEST* request = ListRequest(fwd, kind, MQRO_PASS_MSG_ID, queue);
    request->LastActivity = now_ - 60;
    request->Command = command;
    return request;
  }
  std::vector<std::string> ControlsAndPuts() {
    std::vector<std::string> out;
    for (const std::string& call : mqi_.calls) {
      if (call.rfind("CTL ", 0) == 0 || call.rfind("PUT ", 0) == 0) out.push_back(call);
    }
    return out;
  }
  int64_t now_ = 0;
};

TEST_F(AgeingTest, ARequestIsAgedOnlyWhenMoreThanMaxageSecondsOld) {
  REQUEST* exactly = ListRequest("FORWARDED-MSGID-00000001");
  exactly->LastActivity = now_ - 10;
  AgeRequests();
  EXPECT_EQ(RequestTable.RequestCount.load(), 1);
  EXPECT_TRUE(mqi_.puts.empty());
  EXPECT_TRUE(mqi_.calls.empty()) << "nothing aged: consumption left alone";
  EXPECT_EQ(RequestTable.LastAgeing, now_);

  Process.CurrentTime.store(now_ + 1);
  AgeRequests();
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
  EXPECT_EQ(RequestTable.RequestList, nullptr);
  EXPECT_EQ(mqi_.PutsTo(kClientQ).size(), 1u);
  EXPECT_EQ(RequestTable.LastAgeing, now_ + 1);
}

TEST_F(AgeingTest, ARequestWhoseReplyIsBeingHandledWaitsForTheNextSweep) {
  REQUEST* busy = Aged("FORWARDED-MSGID-00000001", REQ_PCF);
  busy->InUse = 1;
  AgeRequests();
  EXPECT_EQ(RequestTable.RequestList, busy);
  EXPECT_TRUE(mqi_.puts.empty());

  ReleaseInUse(busy);
  AgeRequests();
  EXPECT_EQ(RequestTable.RequestList, nullptr);
  EXPECT_EQ(mqi_.PutsTo(kClientQ).size(), 1u);
}

TEST_F(AgeingTest, SeveralAgedRequestsAreAnsweredOldestFirst) {
  Aged("FORWARDED-MSGID-00000001", REQ_PCF, "A.REPLY");
  REQUEST* fresh = ListRequest("FORWARDED-MSGID-00000002", REQ_PCF, MQRO_NONE, "FRESH.REPLY");
  Aged("FORWARDED-MSGID-00000003", REQ_PCF, "B.REPLY");
  Aged("FORWARDED-MSGID-00000004", REQ_PCF, "C.REPLY");
  AgeRequests();

  EXPECT_EQ(RequestTable.RequestList, fresh);
  EXPECT_EQ(RequestTable.RequestCount.load(), 1);
  std::vector<std::string> order;
  for (const RecordedPut& put : mqi_.puts) order.push_back(put.object);
  EXPECT_EQ(order, (std::vector<std::string>{"A.REPLY", "B.REPLY", "C.REPLY"}));
  const std::string text = Messages();
  const size_t a = text.find("ReplyQ 'A.REPLY'");
  const size_t b = text.find("ReplyQ 'B.REPLY'");
  const size_t c = text.find("ReplyQ 'C.REPLY'");
  ASSERT_NE(c, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
}

TEST_F(AgeingTest, ThePcfErrorReplyIs104Bytes) {
  Aged("FORWARDED-MSGID-00000001", REQ_PCF, kClientQ, MQCMD_INQUIRE_Q_STATUS);
  AgeRequests();
  const std::vector<RecordedPut> puts = mqi_.PutsTo(kClientQ);
  ASSERT_EQ(puts.size(), 1u);
  EXPECT_EQ(puts[0].data, PcfErrorReply(MQCMD_INQUIRE_Q_STATUS));
  EXPECT_EQ(puts[0].data.size(), 104u);
  EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_ADMIN);
  EXPECT_EQ(puts[0].md.MsgType, MQMT_REPLY);
  EXPECT_EQ(puts[0].pmo_options, MQPMO_NO_SYNCPOINT) << "the agent's own context";
  EXPECT_EQ(Id(puts[0].md.MsgId), "CLIENT-MSGID-0123456789A") << "MQRO_PASS_MSG_ID";
  EXPECT_EQ(ReadCounts(AgentStats.since_start).ResponsesSent, 1u);
}

TEST_F(AgeingTest, TheEscapeErrorReplyIs120Bytes) {
  Aged("FORWARDED-MSGID-00000001", REQ_ESCAPE, kClientQ, MQCMD_ESCAPE);
  AgeRequests();
  const std::vector<RecordedPut> puts = mqi_.PutsTo(kClientQ);
  ASSERT_EQ(puts.size(), 1u);
  EXPECT_EQ(puts[0].data, EscapeErrorReply());
  EXPECT_EQ(puts[0].data.size(), 120u);
  EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_ADMIN);
}

TEST_F(AgeingTest, MqscAndOtherRequestsGetTheTextAlone) {
  Aged("FORWARDED-MSGID-00000001", REQ_MQSC);
  Aged("FORWARDED-MSGID-00000002", REQ_OTHER, "OTHER.REPLY");
  AgeRequests();
  for (const char* queue : {kClientQ, "OTHER.REPLY"}) {
    const std::vector<RecordedPut> puts = mqi_.PutsTo(queue);
    ASSERT_EQ(puts.size(), 1u) << queue;
    EXPECT_EQ(puts[0].data, kErrorReplyText);
    EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_ADMIN);
    EXPECT_EQ(puts[0].md.MsgType, MQMT_REPLY);
  }
}

TEST_F(AgeingTest, TheAgeingMessageShowsTheClientsMsgIdAndAPrintableQueue) {
  REQUEST* request = Aged("FORWARDED-MSGID-00000001", REQ_PCF, "BAD\x1bQ");
  for (int i = 0; i < 24; ++i) request->MsgId[i] = static_cast<MQBYTE>(0xF0 + i % 16);
  request->Issued = 1700000000;
  tm local{};
  const time_t issued = 1700000000;
  localtime_r(&issued, &local);
  char clock[16];
  strftime(clock, sizeof clock, "%H:%M:%S", &local);
  AgeRequests();
  EXPECT_TRUE(Wrote(std::string("CSAG303E Ageing out request for ReplyQ 'BAD.Q' issued at ") +
                    clock + " MsgId: F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFFF0F1F2F3F4F5F6F7\n"))
      << Messages();
}

TEST_F(AgeingTest, WhatWasHeldIsDeliveredBeforeTheErrorReplyWhileConsumptionIsSuspended) {
  REQUEST* request = Aged("FORWARDED-MSGID-00000001", REQ_PCF);
  const std::string held = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Bytes();
  MQMD md = ReplyDescriptor("FORWARDED-MSGID-00000001");
  ASSERT_EQ(HoldReply(request, &md, held.data(), static_cast<int32_t>(held.size())), 0);
  mqi_.calls.clear();
  AgeRequests();

  EXPECT_EQ(ControlsAndPuts(), (std::vector<std::string>{"CTL SUSPEND", "PUT CLIENT.REPLY",
                                                         "PUT CLIENT.REPLY", "CTL RESUME"}));
  const std::vector<RecordedPut> puts = mqi_.PutsTo(kClientQ);
  ASSERT_EQ(puts.size(), 2u);
  EXPECT_EQ(puts[0].data, held);
  EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_ADMIN);
  EXPECT_EQ(puts[1].data, PcfErrorReply(MQCMD_INQUIRE_Q));
}

TEST_F(AgeingTest, HeldMqscTextsKeepTheirFormat) {
  REQUEST* request = Aged("FORWARDED-MSGID-00000001", REQ_MQSC);
  MQMD md = ReplyDescriptor("FORWARDED-MSGID-00000001", MQFMT_COMMAND_1);
  ASSERT_EQ(HoldReply(request, &md, "CSQN205I COUNT=2", 16), 0);
  AgeRequests();
  const std::vector<RecordedPut> puts = mqi_.PutsTo(kClientQ);
  ASSERT_EQ(puts.size(), 2u);
  EXPECT_EQ(puts[0].data, "CSQN205I COUNT=2");
  EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_COMMAND_1);
  EXPECT_EQ(puts[1].data, kErrorReplyText);
}

TEST_F(AgeingTest, AFailedResumeRequestsAStop) {
  AgentConfig.verbose = 3;
  mqi_.FailControl(MQOP_SUSPEND, MQRC_HCONN_ERROR);
  mqi_.FailControl(MQOP_RESUME, MQRC_CONNECTION_BROKEN);
  Aged("FORWARDED-MSGID-00000001", REQ_PCF);
  AgeRequests();
  EXPECT_EQ(mqi_.PutsTo(kClientQ).size(), 1u) << "a failed suspend does not keep the answer back";
  EXPECT_TRUE(IsStopRequested());
  EXPECT_EQ(Process.StopExitStatus.load(), kExitFailure);
  EXPECT_TRUE(Wrote("CSAG106E MQCTL on queue manager 'QM1' failed with reason 2018 ("));
  EXPECT_TRUE(Wrote("CSAG106E MQCTL on queue manager 'QM1' failed with reason 2009 ("));
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
}

}  // namespace
