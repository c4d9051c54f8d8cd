// Splitting the agent's coalesced messages back into what the command server
// sent: the responses of a coalesced PCF message with their rebuilt headers,
// groups kept whole, z/OS response types, the agent information kept apart,
// messages that lie about their lengths and counts, and coalesced MQSC text.
#include "pcf/coalesced_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "pcf/agent_format.h"
#include "pcf/pcf_writer.h"

namespace pcf {
namespace {

std::string Ints(std::initializer_list<MQLONG> values) {
  std::string out;
  for (MQLONG v : values) out.append(reinterpret_cast<const char*>(&v), 4);
  return out;
}

MQCFH HeaderOf(const std::string& message) {
  MQCFH h;
  std::memcpy(&h, message.data(), sizeof h);
  return h;
}

// A coalesced message as the agent writes it: the first reply's header with
// CFC_COALESCED added to the latest reply's Control and MsgSeqNumber.
PcfBuilder Coalesced(MQLONG type, MQLONG command, MQLONG seq, MQLONG control) {
  return PcfBuilder(type, command, seq, control | CFC_COALESCED);
}

void Delimiter(PcfBuilder& b, MQLONG next_type) {
  b.Integer(TVN_ATTR_RESPONSE_DELIMITER, next_type);
}

void AgentInfo(PcfBuilder& b) {
  b.Integer(TVN_ATTR_CSAGNT_CMDLEVEL, kAgentCommandLevel);
  b.Integer(TVN_ATTR_CSAGNT_FEATURES, FEATURE_COALESCE | FEATURE_COMPRESS);
}

std::string QueueName(const PcfResponse& r) {
  return r.message.parameters.at(0).text;
}

// --- Responses and their rebuilt headers ---

TEST(SplitCoalescedPcf, ThreeResponsesGetTheirOwnCountsNumbersAndControl) {
  // Replies 4, 5 and 6 of a request; 6 was the last.
  PcfBuilder b = Coalesced(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 6, MQCFC_LAST);
  b.String(MQCA_Q_NAME, "A.Q", 0, 819);
  b.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  Delimiter(b, MQCFT_RESPONSE);
  b.String(MQCA_Q_NAME, "B.Q", 0, 819);
  Delimiter(b, MQCFT_RESPONSE);
  b.String(MQCA_Q_NAME, "C.Q", 0, 819);
  b.Integer(MQIA_Q_TYPE, MQQT_ALIAS);
  b.IntegerList(MQIACF_Q_ATTRS, {1, 2});
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(b.Finish(), &out), 0);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(QueueName(out[0]), "A.Q");
  EXPECT_EQ(QueueName(out[1]), "B.Q");
  EXPECT_EQ(QueueName(out[2]), "C.Q");
  const MQLONG counts[] = {2, 1, 3};
  for (size_t i = 0; i < 3; ++i) {
    const MQCFH& h = out[i].message.header;
    EXPECT_EQ(h.Type, MQCFT_RESPONSE);
    EXPECT_EQ(h.StrucLength, MQCFH_STRUC_LENGTH);
    EXPECT_EQ(h.Version, MQCFH_VERSION_1);
    EXPECT_EQ(h.Command, MQCMD_INQUIRE_Q);
    EXPECT_EQ(h.MsgSeqNumber, static_cast<MQLONG>(4 + i));
    EXPECT_EQ(h.Control, i == 2 ? MQCFC_LAST : MQCFC_NOT_LAST);
    EXPECT_EQ(h.CompCode, MQCC_OK);
    EXPECT_EQ(h.Reason, MQRC_NONE);
    EXPECT_EQ(h.ParameterCount, counts[i]);
    EXPECT_EQ(static_cast<MQLONG>(out[i].message.parameters.size()), counts[i]);
    EXPECT_TRUE(out[i].agent_info.empty());
  }
  EXPECT_EQ(out[2].message.parameters[2].values, (std::vector<MQLONG>{1, 2}));
}

TEST(SplitCoalescedPcf, AMessageThatDoesNotEndTheRequestLeavesItsLastResponseNotLast) {
  PcfBuilder b = Coalesced(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 2, MQCFC_NOT_LAST);
  b.String(MQCA_Q_NAME, "A.Q");
  Delimiter(b, MQCFT_RESPONSE);
  b.String(MQCA_Q_NAME, "B.Q");
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(b.Finish(), &out), 0);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].message.header.MsgSeqNumber, 1);
  EXPECT_EQ(out[1].message.header.MsgSeqNumber, 2);
  EXPECT_EQ(out[0].message.header.Control, MQCFC_NOT_LAST);
  EXPECT_EQ(out[1].message.header.Control, MQCFC_NOT_LAST);
}

TEST(SplitCoalescedPcf, TheMessagesVersionCommandAndOutcomeGoToEveryResponse) {
  MQCFH h{MQCFT_RESPONSE,
          36,
          MQCFH_VERSION_3,
          MQCMD_INQUIRE_Q_NAMES,
          9,
          MQCFC_LAST | CFC_COALESCED,
          MQCC_WARNING,
          MQRC_TRUNCATED,
          0};
  PcfBuilder b(h);
  b.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  Delimiter(b, MQCFT_RESPONSE);
  b.Integer(MQIA_Q_TYPE, MQQT_MODEL);
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(b.Finish(), &out), 0);
  ASSERT_EQ(out.size(), 2u);
  for (const PcfResponse& r : out) {
    EXPECT_EQ(r.message.header.Version, MQCFH_VERSION_3);
    EXPECT_EQ(r.message.header.Command, MQCMD_INQUIRE_Q_NAMES);
    EXPECT_EQ(r.message.header.CompCode, MQCC_WARNING);
    EXPECT_EQ(r.message.header.Reason, MQRC_TRUNCATED);
  }
}

// --- Groups ---

TEST(SplitCoalescedPcf, GroupsStayWholeAndADelimiterInsideOneDoesNotSplit) {
  PcfBuilder b = Coalesced(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 2, MQCFC_LAST);
  b.String(MQCA_Q_NAME, "A.Q");
  b.Group(8000, 3);
  b.Integer(1, 10);
  b.Integer(TVN_ATTR_RESPONSE_DELIMITER, MQCFT_RESPONSE);  // a member, not a delimiter
  b.Group(8001, 1);                                        // a nested group
  b.Integer(TVN_ATTR_CSAGNT_CMDLEVEL, 1);                  // a member, not agent information
  b.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  Delimiter(b, MQCFT_RESPONSE);
  b.Group(8000, 1);
  b.String(MQCA_Q_NAME, "B.Q");
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(b.Finish(), &out), 0);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].message.header.ParameterCount, 3);
  ASSERT_EQ(out[0].message.parameters.size(), 7u);
  EXPECT_EQ(out[0].message.parameters[1].group_count, 3);
  EXPECT_EQ(out[0].message.parameters[2].value, 10);
  EXPECT_EQ(out[0].message.parameters[3].parameter, TVN_ATTR_RESPONSE_DELIMITER);
  EXPECT_EQ(out[0].message.parameters[5].parameter, TVN_ATTR_CSAGNT_CMDLEVEL);
  EXPECT_EQ(out[0].message.parameters[6].parameter, MQIA_Q_TYPE);
  EXPECT_TRUE(out[0].agent_info.empty());
  EXPECT_EQ(out[1].message.header.ParameterCount, 1);
  ASSERT_EQ(out[1].message.parameters.size(), 2u);
  EXPECT_EQ(out[1].message.parameters[1].text, "B.Q");
}

// --- z/OS extended responses ---

TEST(SplitCoalescedPcf, ZosResponsesTakeTheirTypesFromTheDelimiters) {
  // Items 1 and 2 and the summary of a z/OS reply set, gathered.
  PcfBuilder b = Coalesced(MQCFT_XR_ITEM, MQCMD_INQUIRE_Q, 3, MQCFC_LAST);
  b.ByteString(MQBACF_RESPONSE_ID, std::string(24, 'R'));
  b.String(MQCA_Q_NAME, "A.Q");
  Delimiter(b, MQCFT_XR_ITEM);
  b.ByteString(MQBACF_RESPONSE_ID, std::string(24, 'R'));
  b.String(MQCA_Q_NAME, "B.Q");
  Delimiter(b, MQCFT_XR_SUMMARY);
  b.ByteString(MQBACF_RESPONSE_ID, std::string(24, 'R'));
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(b.Finish(), &out), 0);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].message.header.Type, MQCFT_XR_ITEM);
  EXPECT_EQ(out[1].message.header.Type, MQCFT_XR_ITEM);
  EXPECT_EQ(out[2].message.header.Type, MQCFT_XR_SUMMARY);
  EXPECT_EQ(out[2].message.header.MsgSeqNumber, 3);
  EXPECT_EQ(out[2].message.header.Control, MQCFC_LAST);
  EXPECT_EQ(out[2].message.header.ParameterCount, 1);
  EXPECT_EQ(out[1].message.parameters[1].text, "B.Q");
}

// --- The agent information ---

TEST(SplitCoalescedPcf, EachInquireQueueManagerResponseKeepsItsAgentPairApart) {
  PcfBuilder b = Coalesced(MQCFT_RESPONSE, MQCMD_INQUIRE_Q_MGR, 2, MQCFC_LAST);
  b.String(MQCA_Q_MGR_NAME, "QM1");
  b.Integer(MQIA_PLATFORM, MQPL_UNIX);
  AgentInfo(b);
  Delimiter(b, MQCFT_RESPONSE);
  b.String(MQCA_Q_MGR_NAME, "QM2");
  AgentInfo(b);
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(b.Finish(), &out), 0);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].message.header.ParameterCount, 2);
  EXPECT_EQ(out[0].message.parameters.size(), 2u);
  EXPECT_EQ(out[1].message.header.ParameterCount, 1);
  EXPECT_EQ(out[1].message.parameters.size(), 1u);
  for (const PcfResponse& r : out) {
    ASSERT_EQ(r.agent_info.size(), 2u);
    EXPECT_EQ(r.agent_info[0].parameter, TVN_ATTR_CSAGNT_CMDLEVEL);
    EXPECT_EQ(r.agent_info[0].value, kAgentCommandLevel);
    EXPECT_EQ(r.agent_info[1].parameter, TVN_ATTR_CSAGNT_FEATURES);
    EXPECT_EQ(r.agent_info[1].value, FEATURE_COALESCE | FEATURE_COMPRESS);
  }
}

TEST(SplitCoalescedPcf, ASingleResponseIsOneResponseWithItsAgentPairApart) {
  PcfBuilder b(MQCFT_RESPONSE, MQCMD_INQUIRE_Q_MGR, 1, MQCFC_LAST);
  b.String(MQCA_Q_MGR_NAME, "QM1");
  b.Integer(MQIA_COMMAND_LEVEL, 940);
  AgentInfo(b);
  const std::string& message = b.Finish();
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(message, &out), 0);
  ASSERT_EQ(out.size(), 1u);
  MQCFH h = HeaderOf(message);
  h.ParameterCount = 2;
  EXPECT_EQ(std::memcmp(&out[0].message.header, &h, sizeof h), 0);
  EXPECT_EQ(out[0].message.parameters.size(), 2u);
  EXPECT_EQ(out[0].agent_info.size(), 2u);
}

TEST(SplitCoalescedPcf, WithoutTheCoalescedBitADelimiterIsAnOrdinaryParameter) {
  PcfBuilder b(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 1, MQCFC_LAST);
  b.String(MQCA_Q_NAME, "A.Q");
  Delimiter(b, MQCFT_RESPONSE);
  b.String(MQCA_Q_NAME, "B.Q");
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(b.Finish(), &out), 0);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message.header.ParameterCount, 3);
  EXPECT_EQ(out[0].message.header.Control, MQCFC_LAST);
}

// --- Re-encoded as the command server sends them ---

TEST(EncodePcfResponse, GivesTheCommandServersMessagesByteForByte) {
  PcfBuilder first(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST);
  first.String(MQCA_Q_NAME, "A.Q", 0, 819);
  first.Group(8000, 2);
  first.Integer64(1, 1LL << 40);
  first.StringList(MQCACF_Q_NAMES, {"X", "Y"}, 4, 819);
  PcfBuilder second(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 2, MQCFC_LAST);
  second.String(MQCA_Q_NAME, "B.Q", 0, 819);
  second.ByteString(MQBACF_RESPONSE_ID, "\x01\x02\x03");
  second.IntegerList(MQIACF_Q_ATTRS, {1, 2, 3});

  PcfBuilder b = Coalesced(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 2, MQCFC_LAST);
  b.String(MQCA_Q_NAME, "A.Q", 0, 819);
  b.Group(8000, 2);
  b.Integer64(1, 1LL << 40);
  b.StringList(MQCACF_Q_NAMES, {"X", "Y"}, 4, 819);
  Delimiter(b, MQCFT_RESPONSE);
  b.String(MQCA_Q_NAME, "B.Q", 0, 819);
  b.ByteString(MQBACF_RESPONSE_ID, "\x01\x02\x03");
  b.IntegerList(MQIACF_Q_ATTRS, {1, 2, 3});
  AgentInfo(b);
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(b.Finish(), &out), 0);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(EncodePcfResponse(out[0]), first.Finish());
  EXPECT_EQ(EncodePcfResponse(out[1]), second.Finish());
}

// --- Messages that lie ---

std::string Header(MQLONG count, MQLONG control = MQCFC_LAST | CFC_COALESCED) {
  return Ints({MQCFT_RESPONSE, 36, 1, MQCMD_INQUIRE_Q, 2, control, 0, 0, count});
}

std::string Delimiter() {
  return Ints({MQCFT_INTEGER, 16, TVN_ATTR_RESPONSE_DELIMITER, MQCFT_RESPONSE});
}

std::string Integer(MQLONG parameter, MQLONG value) {
  return Ints({MQCFT_INTEGER, 16, parameter, value});
}

TEST(SplitCoalescedPcf, AFaultyHeaderGivesNoResponses) {
  std::vector<PcfResponse> out(1);
  EXPECT_EQ(SplitCoalescedPcf(std::string(35, '\0'), &out), MQRCCF_MSG_LENGTH_ERROR);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(SplitCoalescedPcf(std::string_view(), &out), MQRCCF_MSG_LENGTH_ERROR);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(SplitCoalescedPcf(Ints({2, 400, 1, 13, 1, 1, 0, 0, 0}), &out), MQRCCF_CFH_LENGTH_ERROR);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(SplitCoalescedPcf(Header(-1), &out), MQRCCF_CFH_PARM_COUNT_ERROR);
  EXPECT_TRUE(out.empty());
}

TEST(SplitCoalescedPcf, AFaultKeepsTheResponsesBeforeItAndTheOneItCut) {
  // Counts five parameters, holds four: the second response is cut short.
  std::string message = Header(5) + Integer(1, 1) + Delimiter() + Integer(2, 2) + Integer(3, 3);
  std::vector<PcfResponse> out;
  EXPECT_EQ(SplitCoalescedPcf(message, &out), MQRCCF_PARM_COUNT_TOO_BIG);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].message.parameters.size(), 1u);
  EXPECT_EQ(out[0].message.header.MsgSeqNumber, 1);
  EXPECT_EQ(out[0].message.header.Control, MQCFC_NOT_LAST);
  EXPECT_EQ(out[1].message.parameters.size(), 2u);
  EXPECT_EQ(out[1].message.header.MsgSeqNumber, 2);
  EXPECT_EQ(out[1].message.header.Control, MQCFC_LAST);
}

TEST(SplitCoalescedPcf, LyingLengthsAndCountsAreRefusedWithoutReadingPastTheEnd) {
  std::vector<PcfResponse> out;
  const std::string first = Integer(1, 1) + Delimiter();
  // StrucLength beyond the message.
  EXPECT_EQ(SplitCoalescedPcf(Header(3) + first + Ints({MQCFT_INTEGER, 400, 1, 2}), &out),
            MQRCCF_CFIN_LENGTH_ERROR);
  EXPECT_EQ(out.size(), 2u);
  // StrucLength too short for a parameter.
  EXPECT_EQ(SplitCoalescedPcf(Header(3) + first + Ints({MQCFT_STRING, 8, 1, 2}), &out),
            MQRCCF_CFST_LENGTH_ERROR);
  // StringLength beyond StrucLength, and negative.
  EXPECT_EQ(
      SplitCoalescedPcf(Header(3) + first + Ints({MQCFT_STRING, 24, 2016, 0, 9}) + "ABCD", &out),
      MQRCCF_CFST_STRING_LENGTH_ERR);
  EXPECT_EQ(
      SplitCoalescedPcf(Header(3) + first + Ints({MQCFT_STRING, 24, 2016, 0, -1}) + "ABCD", &out),
      MQRCCF_CFST_STRING_LENGTH_ERR);
  // List counts that the structure cannot hold.
  EXPECT_EQ(
      SplitCoalescedPcf(Header(3) + first + Ints({MQCFT_INTEGER_LIST, 20, 1002, INT_MAX, 3}), &out),
      MQRCCF_CFIL_COUNT_ERROR);
  EXPECT_EQ(
      SplitCoalescedPcf(
          Header(3) + first + Ints({MQCFT_STRING_LIST, 28, 3011, 0, 65536, 65536}) + "ABCD", &out),
      MQRCCF_CFSL_TOTAL_LENGTH_ERROR);
  EXPECT_EQ(
      SplitCoalescedPcf(Header(3) + first + Ints({MQCFT_BYTE_STRING, 20, 7004, 5}) + "ABCD", &out),
      MQRCCF_CFST_STRING_LENGTH_ERR);
  // A delimiter or an agent parameter whose StrucLength is not an MQCFIN's.
  EXPECT_EQ(SplitCoalescedPcf(Header(2) + Integer(1, 1) +
                                  Ints({MQCFT_INTEGER, 20, TVN_ATTR_RESPONSE_DELIMITER, 2, 0}),
                              &out),
            MQRCCF_CFIN_LENGTH_ERROR);
  EXPECT_EQ(out.size(), 1u);
  // A delimiter cut in the middle.
  EXPECT_EQ(SplitCoalescedPcf(Header(2) + Integer(1, 1) + Delimiter().substr(0, 12), &out),
            MQRCCF_CFIN_LENGTH_ERROR);
  EXPECT_EQ(SplitCoalescedPcf(Header(2) + Integer(1, 1) + Delimiter().substr(0, 4), &out),
            MQRCCF_PARM_COUNT_TOO_BIG);
  // Groups that claim more members than there are, the most a count can say.
  EXPECT_EQ(SplitCoalescedPcf(Header(INT_MAX) + first + Ints({MQCFT_GROUP, 16, 8000, INT_MAX}) +
                                  Ints({MQCFT_GROUP, 16, 8001, INT_MAX}) + Integer(2, 2),
                              &out),
            MQRCCF_PARM_COUNT_TOO_BIG);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].message.parameters.size(), 3u);
  EXPECT_EQ(out[1].message.header.ParameterCount, 1);
  EXPECT_EQ(SplitCoalescedPcf(Header(3) + first + Ints({MQCFT_GROUP, 16, 8000, -1}), &out),
            MQRCCF_CFH_PARM_COUNT_ERROR);
  // An unknown structure type.
  EXPECT_EQ(SplitCoalescedPcf(Header(3) + first + Ints({99, 16, 1, 2}), &out),
            MQRCCF_STRUCTURE_TYPE_ERROR);
}

TEST(SplitCoalescedPcf, ALyingSequenceNumberOrManyDelimitersStillNumberInOrder) {
  std::string message =
      Ints({MQCFT_RESPONSE, 36, 1, 13, INT_MIN, MQCFC_LAST | CFC_COALESCED, 0, 0, 3}) +
      Integer(1, 1) + Delimiter() + Delimiter();
  std::vector<PcfResponse> out;
  ASSERT_EQ(SplitCoalescedPcf(message, &out), 0);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[2].message.header.MsgSeqNumber, INT_MIN);
  EXPECT_EQ(out[1].message.header.MsgSeqNumber, INT_MAX);
  EXPECT_EQ(out[1].message.header.ParameterCount, 0);
  EXPECT_EQ(out[2].message.header.ParameterCount, 0);
}

TEST(SplitCoalescedPcf, EveryCutOfAGoodMessageIsReadWithinItsBytes) {
  PcfBuilder b = Coalesced(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 2, MQCFC_LAST);
  b.String(MQCA_Q_NAME, "A.Q", 48);
  b.Group(8000, 1);
  b.StringList(MQCACF_Q_NAMES, {"X", "Y"}, 48);
  Delimiter(b, MQCFT_RESPONSE);
  b.ByteString(MQBACF_RESPONSE_ID, "abc");
  b.Integer64(1, 7);
  AgentInfo(b);
  const std::string whole = b.Finish();
  std::vector<PcfResponse> out;
  for (size_t n = 0; n < whole.size(); ++n) {
    // A copy of exactly n bytes, so that AddressSanitizer sees any read past them.
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
    EXPECT_NE(SplitCoalescedPcf(std::span<const uint8_t>(cut), &out), 0) << "cut at " << n;
  }
  ASSERT_EQ(SplitCoalescedPcf(whole, &out), 0);
  EXPECT_EQ(out.size(), 2u);
}

// --- MQSC ---

TEST(SplitCoalescedMqsc, TextsAreSplitAndTheMarkGivenBackAsABlank) {
  std::string message = std::string("CSQN205I*  COUNT=       3, RETURN=00000000, REASON=00000000") +
                        '\0' + "CSQM409I +ZQM1 QUEUE(A.Q)" + '\0' + "CSQ9022I +ZQM1 NORMAL";
  std::vector<std::string> texts = SplitCoalescedMqsc(message);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000");
  EXPECT_EQ(texts[1], "CSQM409I +ZQM1 QUEUE(A.Q)");
  EXPECT_EQ(texts[2], "CSQ9022I +ZQM1 NORMAL");
}

TEST(SplitCoalescedMqsc, ASingleTextIsUnchangedMarkAndAll) {
  EXPECT_EQ(SplitCoalescedMqsc("CSQN205I*  COUNT=       1"),
            std::vector<std::string>{"CSQN205I*  COUNT=       1"});
  EXPECT_EQ(SplitCoalescedMqsc(""), std::vector<std::string>{""});
}

TEST(SplitCoalescedMqsc, OnlyAMarkAtItsPlaceIsTouched) {
  std::vector<std::string> texts = SplitCoalescedMqsc(std::string("CSQN205I first") + '\0' + "x*");
  EXPECT_EQ(texts, (std::vector<std::string>{"CSQN205I first", "x*"}));
  // A first text too short to hold the mark, and empty texts between 0x00s.
  texts = SplitCoalescedMqsc(std::string("SHORT*") + '\0' + '\0');
  EXPECT_EQ(texts, (std::vector<std::string>{"SHORT*", "", ""}));
}

}  // namespace
}  // namespace pcf
