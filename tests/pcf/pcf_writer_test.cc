// Writing PCF messages: a group's members are counted by the group, the
// header is taken as given.
#include "pcf/pcf_writer.h"

#include <gtest/gtest.h>

#include "pcf/pcf_reader.h"

namespace pcf {
namespace {

std::string Ints(std::initializer_list<MQLONG> values) {
  std::string out;
  for (MQLONG v : values) out.append(reinterpret_cast<const char*>(&v), 4);
  return out;
}

TEST(PcfBuilder, GroupMembersAreCountedByTheirGroup) {
  PcfBuilder b(MQCFT_RESPONSE, MQCMD_INQUIRE_Q);
  b.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  b.Group(8000, 2);
  b.Integer(1, 1);
  b.Group(8001, 1);  // a nested group: itself one member of the outer group
  b.Integer(2, 2);
  b.Integer(MQIA_CURRENT_Q_DEPTH, 0);
  PcfMessage m;
  ASSERT_EQ(ParsePcf(b.Finish(), &m), 0);
  EXPECT_EQ(m.header.ParameterCount, 3);
  ASSERT_EQ(m.parameters.size(), 6u);
  EXPECT_EQ(m.parameters[1].type, MQCFT_GROUP);
  EXPECT_EQ(m.parameters[1].group_count, 2);
  EXPECT_EQ(m.parameters[3].group_count, 1);
  EXPECT_EQ(m.parameters[5].parameter, MQIA_CURRENT_Q_DEPTH);
}

TEST(PcfBuilder, TakesEveryHeaderFieldButLengthAndCount) {
  MQCFH h{MQCFT_XR_ITEM, 99, MQCFH_VERSION_3, MQCMD_INQUIRE_Q, 7, MQCFC_NOT_LAST, 1, 2, 42};
  PcfBuilder b(h);
  b.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  const std::string& data = b.Finish();
  ASSERT_EQ(data.size(), 52u);
  EXPECT_EQ(data.substr(0, 36), Ints({MQCFT_XR_ITEM, 36, 3, MQCMD_INQUIRE_Q, 7, 0, 1, 2, 1}));
}

}  // namespace
}  // namespace pcf
