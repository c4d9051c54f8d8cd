// Reading PCF messages: what the writer builds reads back the same, and
// every length is checked against the bytes there, so that a lying message
// stops the reader with the right reason instead of reading past its end.
#include "pcf/pcf_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "pcf/mq_field.h"
#include "pcf/pcf_writer.h"

namespace pcf {
namespace {

std::string Ints(std::initializer_list<MQLONG> values) {
  std::string out;
  for (MQLONG v : values) out.append(reinterpret_cast<const char*>(&v), 4);
  return out;
}

std::string Header(MQLONG count) {
  return Ints({MQCFT_RESPONSE, 36, 1, 13, 1, 1, 0, 0, count});
}

TEST(PcfMessage, ReadsWhatTheBuilderWrites) {
  PcfBuilder b(MQCFT_COMMAND, MQCMD_INQUIRE_Q);
  b.String(MQCA_Q_NAME, "A.Q", 48);
  b.IntegerList(MQIACF_Q_ATTRS, {MQIA_CURRENT_Q_DEPTH, MQCA_Q_DESC});
  b.StringList(MQCACF_Q_NAMES, {"X", "YY"}, 48);
  b.ByteString(MQBACF_RESPONSE_ID, "\x01\x02");
  b.Integer64(MQIA_MAX_Q_DEPTH, 1LL << 40);
  PcfMessage m;
  ASSERT_EQ(ParsePcf(b.Finish(), &m), 0);
  EXPECT_EQ(m.header.ParameterCount, 5);
  ASSERT_EQ(m.parameters.size(), 5u);
  EXPECT_EQ(m.parameters[0].text.size(), 48u);
  EXPECT_EQ(TrimTrailingBlanks(m.parameters[0].text), "A.Q");
  EXPECT_EQ(m.parameters[1].values, (std::vector<MQLONG>{MQIA_CURRENT_Q_DEPTH, MQCA_Q_DESC}));
  EXPECT_EQ(TrimTrailingBlanks(m.parameters[2].texts[1]), "YY");
  EXPECT_EQ(m.parameters[3].text, "\x01\x02");
  EXPECT_EQ(m.parameters[4].value64, 1LL << 40);
}

TEST(PcfMessage, LengthsRunningPastTheEndAreRefused) {
  PcfMessage m;
  EXPECT_EQ(ParsePcf(std::string(20, '\0'), &m), MQRCCF_MSG_LENGTH_ERROR);
  EXPECT_EQ(ParsePcf(Header(1), &m), MQRCCF_PARM_COUNT_TOO_BIG);
  // StrucLength beyond the message.
  EXPECT_NE(ParsePcf(Header(1) + Ints({MQCFT_INTEGER, 400, 1, 2}), &m), 0);
  // StringLength beyond StrucLength.
  EXPECT_EQ(ParsePcf(Header(1) + Ints({MQCFT_STRING, 24, 2016, 0, 9}) + "ABCD", &m),
            MQRCCF_CFST_STRING_LENGTH_ERR);
  // A list count that the structure cannot hold.
  EXPECT_EQ(ParsePcf(Header(1) + Ints({MQCFT_INTEGER_LIST, 20, 1002, 1000000, 3}), &m),
            MQRCCF_CFIL_COUNT_ERROR);
  EXPECT_EQ(
      ParsePcf(Header(1) + Ints({MQCFT_STRING_LIST, 28, 3011, 0, 100000, 100000}) + "ABCD", &m),
      MQRCCF_CFSL_TOTAL_LENGTH_ERROR);
  EXPECT_EQ(ParsePcf(Header(1) + Ints({99, 16, 1, 2}), &m), MQRCCF_STRUCTURE_TYPE_ERROR);
  // A group's members count as parameters to read.
  EXPECT_EQ(ParsePcf(Header(1) + Ints({MQCFT_GROUP, 16, 8000, 1}), &m), MQRCCF_PARM_COUNT_TOO_BIG);
}

TEST(PcfMessage, NoListHoldsMoreEntriesThanItsStructureHasBytes) {
  PcfMessage m;
  // Eighty bytes claiming a million empty strings (few enough that a reader
  // building them all would not take the machine's memory).
  std::string request = Header(1) + Ints({MQCFT_STRING_LIST, 44, MQCACF_Q_NAMES, 0, 1000000, 0}) +
                        std::string(20, ' ');
  ASSERT_EQ(request.size(), 80u);
  EXPECT_EQ(ParsePcf(request, &m), MQRCCF_CFSL_COUNT_ERROR);
  EXPECT_TRUE(m.parameters.empty());
  EXPECT_EQ(ParsePcf(Header(1) + Ints({MQCFT_STRING_LIST, 28, 3011, 0, 5, 0}) + "ABCD", &m),
            MQRCCF_CFSL_COUNT_ERROR);
  // As many empty strings as there are bytes, and an empty list, are read.
  ASSERT_EQ(ParsePcf(Header(1) + Ints({MQCFT_STRING_LIST, 28, 3011, 0, 4, 0}) + "ABCD", &m), 0);
  EXPECT_EQ(m.parameters[0].texts, std::vector<std::string>(4));
  ASSERT_EQ(ParsePcf(Header(1) + Ints({MQCFT_STRING_LIST, 24, 3011, 0, 0, 0}), &m), 0);
  EXPECT_TRUE(m.parameters[0].texts.empty());
  // Negative counts and lengths, and products beyond 32 bits.
  EXPECT_EQ(ParsePcf(Header(1) + Ints({MQCFT_STRING_LIST, 28, 3011, 0, -1, 4}) + "ABCD", &m),
            MQRCCF_CFSL_COUNT_ERROR);
  EXPECT_EQ(ParsePcf(Header(1) + Ints({MQCFT_STRING_LIST, 28, 3011, 0, 1, -4}) + "ABCD", &m),
            MQRCCF_CFSL_STRING_LENGTH_ERR);
  EXPECT_EQ(
      ParsePcf(Header(1) + Ints({MQCFT_STRING_LIST, 28, 3011, 0, INT_MAX, INT_MAX}) + "ABCD", &m),
      MQRCCF_CFSL_TOTAL_LENGTH_ERROR);
  EXPECT_EQ(ParsePcf(Header(1) + Ints({MQCFT_INTEGER_LIST, 20, 1002, INT_MAX, 3}), &m),
            MQRCCF_CFIL_COUNT_ERROR);
  EXPECT_EQ(ParsePcf(Header(1) + Ints({MQCFT_INTEGER_LIST, 20, 1002, -1, 3}), &m),
            MQRCCF_CFIL_COUNT_ERROR);
}

TEST(PcfMessage, TheMostAGroupCanClaimStillEndsAtTheLastByte) {
  PcfMessage m;
  std::string groups =
      Ints({MQCFT_GROUP, 16, 8000, INT_MAX}) + Ints({MQCFT_GROUP, 16, 8001, INT_MAX});
  EXPECT_EQ(ParsePcf(Header(INT_MAX) + groups, &m), MQRCCF_PARM_COUNT_TOO_BIG);
  EXPECT_EQ(m.parameters.size(), 2u);
  EXPECT_EQ(ParsePcf(Header(1) + Ints({MQCFT_GROUP, 16, 8000, -1}), &m),
            MQRCCF_CFH_PARM_COUNT_ERROR);
}

TEST(PcfMessage, StringsKeepTheirCodedCharacterSet) {
  PcfBuilder b(MQCFT_RESPONSE, MQCMD_INQUIRE_Q);
  b.String(MQCA_Q_NAME, "A.Q", 48, 819);
  b.StringList(MQCACF_Q_NAMES, {"X"}, 48, 1208);
  PcfMessage m;
  ASSERT_EQ(ParsePcf(b.Finish(), &m), 0);
  EXPECT_EQ(m.parameters[0].ccsid, 819);
  EXPECT_EQ(m.parameters[1].ccsid, 1208);
}

}  // namespace
}  // namespace pcf
