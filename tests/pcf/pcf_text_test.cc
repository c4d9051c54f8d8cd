// PCF as the tools read and write it: names from the constant name tables,
// requests built from NAME=VALUE words.
#include "pcf/pcf_text.h"

#include <gtest/gtest.h>

#include "pcf/agent_format.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"

namespace pcf {
namespace {

TEST(PcfNames, LabelsSymbolicNamesAndNumbers) {
  EXPECT_EQ(ParameterId("Q_NAME"), MQCA_Q_NAME);
  EXPECT_EQ(ParameterId("MQCA_Q_NAME"), MQCA_Q_NAME);
  EXPECT_EQ(ParameterId("MQIACF_Q_ATTRS"), MQIACF_Q_ATTRS);
  EXPECT_EQ(ParameterId("2016"), MQCA_Q_NAME);
  EXPECT_EQ(ParameterId("CSAGNT_COMMAND_LEVEL"), TVN_ATTR_CSAGNT_CMDLEVEL);
  EXPECT_EQ(ParameterId("NO_SUCH_THING"), -1);
  EXPECT_EQ(ParameterId(""), -1);
  EXPECT_EQ(ParameterId("12x"), -1);
  EXPECT_STREQ(ParameterName(MQIA_CURRENT_Q_DEPTH), "CURRENT_Q_DEPTH");
  EXPECT_STREQ(ParameterName(TVN_ATTR_ERROR_TEXT), "CSAGNT_ERROR_TEXT");
  EXPECT_EQ(ParameterName(8000), nullptr);  // groups are not parameters of the tables

  EXPECT_EQ(CommandCode("INQUIRE_Q"), MQCMD_INQUIRE_Q);
  EXPECT_EQ(CommandCode("MQCMD_INQUIRE_CHANNEL_STATUS"), MQCMD_INQUIRE_CHANNEL_STATUS);
  EXPECT_EQ(CommandCode("13"), MQCMD_INQUIRE_Q);
  EXPECT_EQ(CommandCode("INQUIRE"), -1);
  EXPECT_STREQ(CommandName(MQCMD_ESCAPE), "ESCAPE");
  EXPECT_EQ(CommandName(-5), nullptr);
}

TEST(AddParameter, EachKindOfValue) {
  PcfBuilder b(MQCFT_COMMAND, MQCMD_INQUIRE_Q);
  EXPECT_TRUE(AddParameter(b, "Q_NAME=APP.*"));
  EXPECT_TRUE(AddParameter(b, "Q_ATTRS=CURRENT_Q_DEPTH"));    // a list, even of one
  EXPECT_TRUE(AddParameter(b, "Q_TYPES=LOCAL,ALIAS,MODEL"));  // symbolic values
  EXPECT_TRUE(AddParameter(b, "MQIA_MAX_Q_DEPTH=5000"));      // an integer
  EXPECT_TRUE(AddParameter(b, "RESPONSE_ID=0aFF"));           // bytes in hex
  EXPECT_TRUE(AddParameter(b, "Q_DESC=a=b, c"));              // all after the first '='
  PcfMessage m;
  ASSERT_EQ(ParsePcf(b.Finish(), &m), 0);
  ASSERT_EQ(m.parameters.size(), 6u);
  EXPECT_EQ(m.parameters[0].text, "APP.*");
  EXPECT_EQ(m.parameters[1].type, MQCFT_INTEGER_LIST);
  EXPECT_EQ(m.parameters[1].values, std::vector<MQLONG>{MQIA_CURRENT_Q_DEPTH});
  EXPECT_EQ(m.parameters[2].values, (std::vector<MQLONG>{MQQT_LOCAL, MQQT_ALIAS, MQQT_MODEL}));
  EXPECT_EQ(m.parameters[3].type, MQCFT_INTEGER);
  EXPECT_EQ(m.parameters[3].value, 5000);
  EXPECT_EQ(m.parameters[4].text, std::string("\x0a\xff", 2));
  EXPECT_EQ(m.parameters[5].text, "a=b, c");

  for (const char* wrong : {"Q_NAME", "NO_SUCH=1", "Q_ATTRS=CURRENT_Q_DEPTH,", "MAX_Q_DEPTH=x",
                            "RESPONSE_ID=0", "RESPONSE_ID=zz"}) {
    PcfBuilder w(MQCFT_COMMAND, MQCMD_INQUIRE_Q);
    EXPECT_FALSE(AddParameter(w, wrong)) << wrong;
    EXPECT_EQ(w.Finish().size(), sizeof(MQCFH)) << wrong;
  }
}

}  // namespace
}  // namespace pcf
