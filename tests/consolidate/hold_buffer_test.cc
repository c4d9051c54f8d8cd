// The hold buffer: its growth rule, and what is held delivered before a new
// reply is held alone, the buffer reused while it is large enough.
#include "consolidate/hold_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "consolidate/coalesce.h"
#include "support/relay_fixture.h"

namespace {

constexpr char kFwd[] = "FORWARDED-MSGID-00000001";

class HoldBufferTest : public RelayTest {};

TEST(HoldBufferGrowth, GrowsToTheNextMultipleOf64KiBAboveWhatIsNeeded) {
  EXPECT_EQ(HoldBufferSizeFor(0), 65536);
  EXPECT_EQ(HoldBufferSizeFor(65535), 65536);
  EXPECT_EQ(HoldBufferSizeFor(65536), 131072);
  EXPECT_EQ(HoldBufferSizeFor(65980), 131072);
  EXPECT_EQ(HoldBufferSizeFor(131071), 131072);
}

TEST_F(HoldBufferTest, AnAppendThatOutgrowsTheBufferKeepsWhatIsHeld) {
  AgentConfig.AgentFlags &= ~AF_COMPRESS;
  REQUEST* request = ListRequest(kFwd);
  const std::string held = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).FillTo(65000).Bytes();
  const std::string next = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).FillTo(1000).Bytes();
  MQMD md = ReplyDescriptor(kFwd);
  ASSERT_EQ(HoldReply(request, &md, held.data(), 65000), 0);
  EXPECT_EQ(request->HoldSize, 65000);

  ASSERT_EQ(AppendPcfReply(request, next.data(), 1000), 0);  // needs 65,980
  EXPECT_EQ(request->HoldSize, 131072);
  ASSERT_EQ(request->HoldLength, 65980);
  EXPECT_EQ(std::string(request->HoldBuffer + 36, 65000 - 36), held.substr(36));
  EXPECT_EQ(std::string(request->HoldBuffer + 65016, 964), next.substr(36));
}

TEST_F(HoldBufferTest, GrowingKeepsTheBytesInUseAndNeverShrinks) {
  REQUEST* request = ListRequest(kFwd);
  ASSERT_EQ(GrowHoldBuffer(request, 10), 0);
  EXPECT_EQ(request->HoldSize, 65536);
  memcpy(request->HoldBuffer, "0123456789", 10);
  request->HoldLength = 10;
  char* before = request->HoldBuffer;
  ASSERT_EQ(GrowHoldBuffer(request, 65536), 0) << "exactly the size is enough";
  EXPECT_EQ(request->HoldBuffer, before);
  ASSERT_EQ(GrowHoldBuffer(request, 65537), 0);
  EXPECT_EQ(request->HoldSize, 131072);
  EXPECT_EQ(std::string(request->HoldBuffer, 10), "0123456789");
}

TEST_F(HoldBufferTest, WhatIsHeldIsDeliveredThenTheNewReplyHeldAlone) {
  REQUEST* request = ListRequest(kFwd, REQ_PCF, MQRO_PASS_MSG_ID);
  const std::string a = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).FillTo(200).Bytes();
  const std::string b = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).FillTo(120).Bytes();
  const std::string c = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).FillTo(300).Bytes();
  MQMD md = ReplyDescriptor(kFwd);

  ASSERT_EQ(HoldReply(request, &md, a.data(), 200), 0);
  EXPECT_TRUE(mqi_.puts.empty()) << "nothing was held before";
  EXPECT_EQ(request->HoldSize, 200);

  char* buffer = request->HoldBuffer;
  DeliverHeld(request, &md);
  ASSERT_EQ(HoldReply(request, &md, b.data(), 120), 0);
  ASSERT_EQ(mqi_.puts.size(), 1u);
  const RecordedPut& put = mqi_.puts[0];
  EXPECT_EQ(put.object, kClientQ);
  EXPECT_EQ(put.data, a);
  EXPECT_EQ(put.pmo_options, MQPMO_NO_SYNCPOINT | MQPMO_PASS_ALL_CONTEXT);
  EXPECT_EQ(put.pmo_context, Process.ReplyQueueHobj);
  EXPECT_EQ(Id(put.md.MsgId), Id(request->MsgId));
  EXPECT_EQ(request->HoldBuffer, buffer) << "a smaller reply reuses the buffer";
  EXPECT_EQ(request->HoldSize, 200);
  EXPECT_EQ(std::string(request->HoldBuffer, static_cast<size_t>(request->HoldLength)), b);

  DeliverHeld(request, &md);
  ASSERT_EQ(HoldReply(request, &md, c.data(), 300), 0);
  EXPECT_EQ(mqi_.puts.back().data, b);
  EXPECT_EQ(request->HoldSize, 300) << "a larger reply gets a buffer of exactly its length";
  EXPECT_EQ(std::string(request->HoldBuffer, static_cast<size_t>(request->HoldLength)), c);
}

}  // namespace
