// The administration client: where it takes an answer to end, on crafted
// messages in the shapes that the command server and the agent send, and
// which reply it takes, against a stand-in queue manager (every process test
// exercises the rest).
#include "admin/client.h"

#include <gtest/gtest.h>

#include <cstring>

#include "emulator/qmgr_fixture.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_writer.h"

namespace admin {
namespace {

Message Reply(const char* format, const std::string& data, MQLONG msg_type = MQMT_REPLY) {
  Message message;
  std::memcpy(message.md.Format, format, MQ_FORMAT_LENGTH);
  message.md.MsgType = msg_type;
  message.data = data;
  return message;
}

std::string Response(MQLONG control) {
  pcf::PcfBuilder b(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 1, control);
  b.String(MQCA_Q_NAME, "A.Q");
  return b.Finish();
}

TEST(IsLastReply, PcfByItsControlAndAnythingElseEndsTheAnswer) {
  EXPECT_FALSE(IsLastReply(Reply(MQFMT_ADMIN, Response(MQCFC_NOT_LAST))));
  EXPECT_TRUE(IsLastReply(Reply(MQFMT_ADMIN, Response(MQCFC_LAST))));
  // The agent's text error reply, and a message too short for an MQCFH.
  EXPECT_TRUE(IsLastReply(Reply(MQFMT_ADMIN, "CSAG501E: No response from IBM MQ Command Server")));
  EXPECT_TRUE(IsLastReply(Reply(MQFMT_ADMIN, std::string(20, '\0'))));
  // A report ends it whatever it carries.
  EXPECT_TRUE(IsLastReply(Reply(MQFMT_ADMIN, Response(MQCFC_NOT_LAST), MQMT_REPORT)));
  EXPECT_TRUE(IsLastReply(Reply(MQFMT_STRING, "")));
}

TEST(IsLastReply, MqscTextsEndWithTheClosingMessage) {
  EXPECT_FALSE(IsLastReply(Reply(MQFMT_COMMAND_1, "CSQN205I   COUNT=       3")));
  EXPECT_FALSE(IsLastReply(Reply(MQFMT_COMMAND_2, "CSQ")));
  EXPECT_TRUE(IsLastReply(Reply(MQFMT_COMMAND_2, "CSQ9022I +QM1 CSQMDRTS ' DISPLAY' NORMAL")));
  // Coalesced by the agent: the closing text last among several.
  EXPECT_TRUE(IsLastReply(
      Reply(MQFMT_COMMAND_1, std::string("CSQM409I*+QM1 QUEUE(A)\0CSQ9023E +QM1 ABNORMAL", 46))));
  EXPECT_FALSE(IsLastReply(
      Reply(MQFMT_COMMAND_1, std::string("CSQM409I*+QM1 QUEUE(A)\0CSQM409I +QM1 QUEUE(B)", 46))));
}

// The client against a stand-in queue manager: answers matched by CorrelId
// (the request's CorrelId when it asks for it to be passed), a get that does
// not wait, and the next message of any kind.
TEST(Client, TakesTheAnswerToTheLastRequestAheadOfOtherMessages) {
  mqemu_test::EmuHome home;
  mqemu_test::QueueManagerProcess qmgr("QMA");
  Client client(LinkedMqi());
  ASSERT_TRUE(client.Connect("QMA")) << client.error().Text();
  ASSERT_TRUE(client.OpenReplyQueue("SYSTEM.DEFAULT.MODEL.QUEUE", "ADMIN.TEST.*"))
      << client.error().Text();
  // Both put to the client's own reply queue: the request stands for its
  // answer, since it carries the CorrelId that the answer would.
  const PutOptions to_self = PutOptions().Queue(client.reply_queue());
  ASSERT_TRUE(client.Put("other", MQFMT_STRING, PutOptions(to_self).MsgType(MQMT_DATAGRAM)));
  MQMD request;
  ASSERT_TRUE(client.Put("answer", MQFMT_STRING,
                         PutOptions(to_self).Report(MQRO_PASS_CORREL_ID).CorrelId("ASKED"),
                         &request));
  EXPECT_EQ(std::string(request.ReplyToQ, client.reply_queue().size()), client.reply_queue());

  Message message;
  const Wait none = Wait{.each = std::chrono::milliseconds(0)};
  ASSERT_EQ(client.Get(&message, none, Match::kAnswer), MQRC_NONE);
  EXPECT_EQ(message.data, "answer");
  EXPECT_EQ(message.CorrelId(), std::string("ASKED") + std::string(19, '\0'));
  EXPECT_EQ(client.Get(&message, none, Match::kAnswer), MQRC_NO_MSG_AVAILABLE);
  EXPECT_EQ(client.error().reason, MQRC_NO_MSG_AVAILABLE);
  ASSERT_EQ(client.Get(&message, none), MQRC_NONE);
  EXPECT_EQ(message.data, "other");
}

}  // namespace
}  // namespace admin
