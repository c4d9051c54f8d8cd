// Coalescing: replies gathered into one message up to the request's
// MaxMsgSize, failed replies travelling alone, the agent information on
// Inquire Queue Manager replies, and coalesced MQSC texts.
#include "consolidate/coalesce.h"

#include <gtest/gtest.h>

#include <string>

#include "consolidate/hold_buffer.h"
#include "pcf/agent_format.h"
#include "support/relay_fixture.h"

namespace {

constexpr char kFwd[] = "FORWARDED-MSGID-00000001";

std::string Integer(MQLONG parameter, MQLONG value) {
  const MQCFIN integer = {MQCFT_INTEGER, MQCFIN_STRUC_LENGTH, parameter, value};
  return std::string(reinterpret_cast<const char*>(&integer), sizeof integer);
}
std::string Delimiter(MQLONG type) {
  return Integer(TVN_ATTR_RESPONSE_DELIMITER, type);
}
std::string AgentInfo(MQLONG features) {
  return Integer(TVN_ATTR_CSAGNT_CMDLEVEL, 930) + Integer(TVN_ATTR_CSAGNT_FEATURES, features);
}
// `message` with the MQCFH fields that coalescing changes set.
std::string WithHeader(std::string message, MQLONG count, MQLONG control, MQLONG seq) {
  MQCFH header = HeaderOf(message);
  header.ParameterCount = count;
  header.Control = control;
  header.MsgSeqNumber = seq;
  memcpy(message.data(), &header, sizeof header);
  return message;
}
std::string Parameters(const std::string& message) {
  return message.substr(36);
}
// A reply of exactly `length` bytes with one parameter and no strings.
std::string Reply(int length, MQLONG control, MQLONG seq, MQLONG type = MQCFT_RESPONSE,
                  MQLONG comp_code = MQCC_OK, MQLONG command = MQCMD_INQUIRE_Q) {
  return PcfBuilder(command, control, comp_code, comp_code == MQCC_OK ? 0 : 2085, type)
      .MsgSeqNumber(seq)
      .FillTo(length)
      .Bytes();
}

class CoalesceTest : public RelayTest {
 protected:
  void SetUp() override {
    RelayTest::SetUp();
    AgentConfig.AgentFlags &= ~AF_COMPRESS;
  }
  std::vector<std::string> Delivered() {
    std::vector<std::string> out;
    for (const RecordedPut& put : mqi_.PutsTo(kClientQ)) out.push_back(put.data);
    return out;
  }
};

TEST_F(CoalesceTest, RepliesAreGatheredIntoOneMessage) {
  ListRequest(kFwd);
  // The delimiters carry each reply's own Type (z/OS types here).
  const std::string r1 = Reply(400, MQCFC_NOT_LAST, 1, MQCFT_XR_MSG);
  const std::string r2 = Reply(300, MQCFC_NOT_LAST, 2, MQCFT_XR_ITEM);
  const std::string r3 = Reply(200, MQCFC_LAST, 3, MQCFT_XR_SUMMARY);
  SendReply(kFwd, r1);
  SendReply(kFwd, r2);
  EXPECT_TRUE(Delivered().empty());
  SendReply(kFwd, r3);

  const std::vector<std::string> delivered = Delivered();
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].size(), 860u);
  const std::string expected = WithHeader(r1, 5, MQCFC_LAST | CFC_COALESCED, 3) +
                               Delimiter(MQCFT_XR_ITEM) + Parameters(r2) +
                               Delimiter(MQCFT_XR_SUMMARY) + Parameters(r3);
  EXPECT_EQ(delivered[0], expected);
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);

  const TrafficCounts counts = ReadCounts(AgentStats.since_start);
  EXPECT_EQ(counts.RepliesReceived, 3u);
  EXPECT_EQ(counts.ReplyBytesReceived, 900u);
  EXPECT_EQ(counts.ResponsesSent, 1u);
  EXPECT_EQ(counts.ResponseBytesSent, 860u);
}

TEST_F(CoalesceTest, AppendCountsEveryParameterAndTheDelimiter) {
  REQUEST* request = ListRequest(kFwd);
  const std::string first =
      PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Integer(2, 2).FillTo(500).Bytes();
  const std::string second =
      PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).MsgSeqNumber(2).Integer(3, 3).FillTo(300).Bytes();
  MQMD md = ReplyDescriptor(kFwd);
  ASSERT_EQ(HoldReply(request, &md, first.data(), 500), 0);
  ASSERT_EQ(AppendPcfReply(request, second.data(), 300), 0);
  ASSERT_EQ(request->HoldLength, 780);
  const std::string held(request->HoldBuffer, 780);
  EXPECT_EQ(HeaderOf(held).ParameterCount, 3 + 2 + 1);
  EXPECT_EQ(HeaderOf(held).Control, MQCFC_NOT_LAST | CFC_COALESCED);
  EXPECT_EQ(HeaderOf(held).MsgSeqNumber, 2);
  EXPECT_EQ(held.substr(500, 16), Delimiter(MQCFT_RESPONSE));
  EXPECT_TRUE(mqi_.puts.empty());
}

TEST_F(CoalesceTest, AReplyThatDoesNotFitStartsTheNextMessage) {
  ListRequest(kFwd)->MaxMsgSize = 1000;
  const std::string r1 = Reply(600, MQCFC_NOT_LAST, 1);
  const std::string r2 = Reply(600, MQCFC_NOT_LAST, 2);
  const std::string r3 = Reply(600, MQCFC_LAST, 3);
  SendReply(kFwd, r1);
  SendReply(kFwd, r2);
  SendReply(kFwd, r3);
  // Each message holds one reply: unchanged, no delimiter, no CFC_COALESCED.
  EXPECT_EQ(Delivered(), (std::vector<std::string>{r1, r2, r3}));
}

TEST_F(CoalesceTest, AReplyThatFillsMaxMsgSizeExactlyIsAppended) {
  ListRequest(kFwd)->MaxMsgSize = 1000;
  SendReply(kFwd, Reply(600, MQCFC_NOT_LAST, 1));
  SendReply(kFwd, Reply(400, MQCFC_LAST, 2));
  ASSERT_EQ(Delivered().size(), 1u);
  EXPECT_EQ(Delivered()[0].size(), 600u + 16 + 364);

  ListRequest("FORWARDED-MSGID-00000002")->MaxMsgSize = 1000;
  SendReply("FORWARDED-MSGID-00000002", Reply(600, MQCFC_NOT_LAST, 1));
  SendReply("FORWARDED-MSGID-00000002", Reply(404, MQCFC_LAST, 2));
  EXPECT_EQ(Delivered().size(), 3u);
}

TEST_F(CoalesceTest, AFailedReplyTravelsAloneAndNothingIsAppendedToIt) {
  ListRequest(kFwd);
  const std::string ok1 = Reply(300, MQCFC_NOT_LAST, 1);
  const std::string failed = Reply(200, MQCFC_NOT_LAST, 2, MQCFT_RESPONSE, MQCC_FAILED);
  const std::string ok2 = Reply(200, MQCFC_NOT_LAST, 3);
  const std::string ok3 = Reply(100, MQCFC_LAST, 4);
  for (const std::string& reply : {ok1, failed, ok2, ok3}) SendReply(kFwd, reply);
  EXPECT_EQ(Delivered(),
            (std::vector<std::string>{ok1, failed,
                                      WithHeader(ok2, 3, MQCFC_LAST | CFC_COALESCED, 4) +
                                          Delimiter(MQCFT_RESPONSE) + Parameters(ok3)}));
}

TEST_F(CoalesceTest, EachInquireQueueManagerReplyIsFollowedByItsAgentInformation) {
  ListRequest(kFwd);
  const std::string r1 = PcfBuilder(MQCMD_INQUIRE_Q_MGR, MQCFC_NOT_LAST)
                             .String(MQCA_Q_MGR_NAME, "QM1")
                             .Integer(31, 930)
                             .Bytes();
  const std::string r2 = PcfBuilder(MQCMD_INQUIRE_Q_MGR, MQCFC_LAST)
                             .MsgSeqNumber(2)
                             .String(MQCA_Q_MGR_NAME, "QM2")
                             .Integer(31, 940)
                             .Bytes();
  SendReply(kFwd, r1);
  SendReply(kFwd, r2);
  ASSERT_EQ(Delivered().size(), 1u);
  // Features 2: coalesce on, compress off in these tests.
  EXPECT_EQ(Delivered()[0], WithHeader(r1, 2 + 2 + 1 + 2 + 2, MQCFC_LAST | CFC_COALESCED, 2) +
                                AgentInfo(2) + Delimiter(MQCFT_RESPONSE) + Parameters(r2) +
                                AgentInfo(2));
}

TEST_F(CoalesceTest, TheFeaturesSayWhatIsSwitchedOn) {
  const std::string reply = PcfBuilder(MQCMD_INQUIRE_Q_MGR).Integer(31, 930).Bytes();
  struct Case {
    uint32_t flags;
    MQLONG features;
  } cases[] = {{AF_COMPRESS | AF_COALESCE, 6}, {AF_COMPRESS, 4}, {AF_COALESCE, 2}, {0, 0}};
  int n = 0;
  for (const Case& c : cases) {
    AgentConfig.AgentFlags = (AgentConfig.AgentFlags & ~(AF_COMPRESS | AF_COALESCE)) | c.flags;
    char fwd[25];
    snprintf(fwd, sizeof fwd, "FORWARDED-MSGID-%08d", ++n);
    ListRequest(fwd);
    SendReply(fwd, reply);
    ASSERT_EQ(Delivered().size(), static_cast<size_t>(n));
    EXPECT_EQ(Delivered().back(), WithHeader(reply, 3, MQCFC_LAST, 1) + AgentInfo(c.features))
        << "flags " << c.flags;
  }
}

TEST_F(CoalesceTest, AFailedInquireQueueManagerReplyGetsNoAgentInformation) {
  ListRequest(kFwd);
  const std::string warned =
      Reply(100, MQCFC_NOT_LAST, 1, MQCFT_RESPONSE, MQCC_WARNING, MQCMD_INQUIRE_Q_MGR);
  const std::string ok = Reply(100, MQCFC_LAST, 2, MQCFT_RESPONSE, MQCC_OK, MQCMD_INQUIRE_Q_MGR);
  SendReply(kFwd, warned);
  SendReply(kFwd, ok);
  EXPECT_EQ(Delivered(),
            (std::vector<std::string>{warned, WithHeader(ok, 3, MQCFC_LAST, 2) + AgentInfo(2)}));
}

// z/OS MQSC text replies.
class MqscCoalesceTest : public CoalesceTest {
 protected:
  // A reply text of `length` bytes beginning with message number `number`.
  static std::string Text(const std::string& number, size_t length) {
    std::string text = number + " ";
    while (text.size() < length) text += static_cast<char>('a' + text.size() % 26);
    return text.substr(0, length);
  }
};

TEST_F(MqscCoalesceTest, TextsAreJoinedWithANulAndMarkedAtOffsetEight) {
  REQUEST* request = ListRequest(kFwd, REQ_MQSC);
  const std::string first = Text("CSQN205I", 100);
  const std::string second = Text("CSQM401I", 50);
  MQMD md = ReplyDescriptor(kFwd, MQFMT_COMMAND_1);
  ASSERT_EQ(HoldReply(request, &md, first.data(), 100), 0);
  ASSERT_EQ(request->HoldSize, 100) << "HoldReply takes exactly the reply's length";
  ASSERT_EQ(AppendMqscReply(request, second.data(), 50), 0);
  EXPECT_EQ(request->HoldSize, 65536) << "160 bytes needed";
  ASSERT_EQ(request->HoldLength, 151);
  std::string expected = first + '\0' + second;
  expected[8] = '*';
  EXPECT_EQ(std::string(request->HoldBuffer, 151), expected);
}

TEST_F(MqscCoalesceTest, AHeldTextTooShortForTheMarkIsNotMarked) {
  REQUEST* request = ListRequest(kFwd, REQ_MQSC);
  MQMD md = ReplyDescriptor(kFwd, MQFMT_COMMAND_1);
  ASSERT_EQ(HoldReply(request, &md, "CSQN205I", 8), 0);
  ASSERT_EQ(AppendMqscReply(request, "CSQ9022I X", 10), 0);
  EXPECT_EQ(std::string(request->HoldBuffer, static_cast<size_t>(request->HoldLength)),
            std::string("CSQN205I\0CSQ9022I X", 19));

  // Nine bytes have a byte at offset 8 to mark.
  REQUEST* nine = ListRequest("FORWARDED-MSGID-00000002", REQ_MQSC);
  ASSERT_EQ(HoldReply(nine, &md, "CSQN205I ", 9), 0);
  ASSERT_EQ(AppendMqscReply(nine, "CSQ9022I", 8), 0);
  EXPECT_EQ(std::string(nine->HoldBuffer, static_cast<size_t>(nine->HoldLength)),
            std::string("CSQN205I*\0CSQ9022I", 18));
}

TEST_F(MqscCoalesceTest, AReplySetBecomesOneMessageEndedByTheCompletionText) {
  ListRequest(kFwd, REQ_MQSC);
  const std::string t1 = Text("CSQN205I", 60);
  const std::string t2 = Text("CSQM401I", 70);
  const std::string t3 = "CSQ9022I CSQMQ1 CSQMDRTS ' DISPLAY QUEUE' NORMAL COMPLETION";
  SendReply(kFwd, t1, MQFMT_COMMAND_1);
  SendReply(kFwd, t2, MQFMT_COMMAND_1);
  EXPECT_TRUE(Delivered().empty());
  SendReply(kFwd, t3, MQFMT_COMMAND_1);
  std::string expected = t1 + '\0' + t2 + '\0' + t3;
  expected[8] = '*';
  EXPECT_EQ(Delivered(), std::vector<std::string>{expected});
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
  const std::vector<RecordedPut> puts = mqi_.PutsTo(kClientQ);
  EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_COMMAND_1);
}

TEST_F(MqscCoalesceTest, TheSeparatorCountsAgainstMaxMsgSize) {
  ListRequest(kFwd, REQ_MQSC)->MaxMsgSize = 200;
  const std::string t1 = Text("CSQN205I", 100);
  const std::string t2 = Text("CSQM401I", 100);  // 100 + 1 + 100 > 200
  const std::string t3 = Text("CSQ9022I", 99);   // 100 + 1 + 99 = 200
  SendReply(kFwd, t1, MQFMT_COMMAND_2);
  SendReply(kFwd, t2, MQFMT_COMMAND_2);
  SendReply(kFwd, t3, MQFMT_COMMAND_2);
  std::string joined = t2 + '\0' + t3;
  joined[8] = '*';
  EXPECT_EQ(Delivered(), (std::vector<std::string>{t1, joined}));
}

TEST_F(MqscCoalesceTest, WithCoalesceOffEveryTextTravelsAlone) {
  AgentConfig.AgentFlags &= ~AF_COALESCE;
  ListRequest(kFwd, REQ_MQSC);
  const std::string t1 = Text("CSQN205I", 40);
  const std::string t2 = Text("CSQ9022I", 40);
  SendReply(kFwd, t1, MQFMT_COMMAND_1);
  SendReply(kFwd, t2, MQFMT_COMMAND_1);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{t1, t2}));
}

}  // namespace
