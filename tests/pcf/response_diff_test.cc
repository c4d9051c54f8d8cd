// Comparing a response read back from the agent with the command server's:
// trailing blanks of strings are no difference, anything else is, and the
// first difference is named.
#include "pcf/response_diff.h"

#include <gtest/gtest.h>

#include "pcf/pcf_writer.h"

namespace pcf {
namespace {

PcfMessage Read(const std::string& data) {
  PcfMessage m;
  EXPECT_EQ(ParsePcf(data, &m), 0);
  return m;
}

// A queue's response: its name in a 48-character field (or as long as it
// is), its depth and its attribute list.
PcfMessage Queue(const std::string& name, size_t field, MQLONG depth, MQLONG seq = 1) {
  PcfBuilder b(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, seq, MQCFC_LAST);
  b.String(MQCA_Q_NAME, name, field, 819);
  b.Integer(MQIA_CURRENT_Q_DEPTH, depth);
  b.IntegerList(MQIACF_Q_ATTRS, {1, 2});
  return Read(b.Finish());
}

TEST(ResponseDifference, TrimmedStringsSayTheSame) {
  EXPECT_EQ(ResponseDifference(Queue("A.Q", 48, 3), Queue("A.Q", 0, 3)), "");
}

TEST(ResponseDifference, EveryOtherChangeIsNamed) {
  EXPECT_EQ(ResponseDifference(Queue("A.Q", 48, 3), Queue("A.Q", 48, 4)),
            "parameter 2 (3): 3 against 4");
  EXPECT_EQ(
      ResponseDifference(Queue("A.Q", 48, 3), Queue("B.Q", 0, 3)),
      "parameter 1 (2016): '" + std::string("A.Q") + std::string(45, ' ') + "' against 'B.Q'");
  EXPECT_EQ(ResponseDifference(Queue("A.Q", 48, 3), Queue("A.Q", 48, 3, 2)),
            "MQCFH MsgSeqNumber 1 against 2");
  // Leading blanks and blanks inside are no padding.
  EXPECT_NE(ResponseDifference(Queue("A.Q", 0, 3), Queue(" A.Q", 0, 3)), "");

  PcfMessage shorter = Queue("A.Q", 48, 3);
  shorter.parameters.pop_back();
  EXPECT_EQ(ResponseDifference(Queue("A.Q", 48, 3), shorter), "3 parameters against 2");
  PcfMessage list = Queue("A.Q", 48, 3);
  list.parameters.back().values[1] = 7;
  EXPECT_EQ(ResponseDifference(Queue("A.Q", 48, 3), list), "parameter 3 (1002): values differ");
}

}  // namespace
}  // namespace pcf
