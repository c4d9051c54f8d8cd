#include <gtest/gtest.h>

#include <cstring>

#include "fake_backend.h"
#include "mqsc/mqsc_output.h"
#include "pcf/pcf_format.h"

namespace mqemu::mqsc {
namespace {

using Texts = std::vector<std::string>;

class ZosOutput : public ::testing::Test {
 protected:
  Texts Set(std::string_view command) {
    Texts texts;
    std::vector<ZosReply> set = ZosReplySet(RunCommand(backend_, command), "+CSQ1");
    for (size_t i = 0; i < set.size(); ++i) {
      EXPECT_EQ(set[i].format, i == 0 ? MQFMT_COMMAND_1 : MQFMT_COMMAND_2) << command;
      EXPECT_EQ(set[i].format.size(), 8u);
      texts.push_back(set[i].text);
    }
    return texts;
  }
  FakeBackend backend_;
};

TEST(ZosCount, CountIsRightAlignedInEightPlacesFromPosition18) {
  std::string text = ZosCountMessage(3, 0, 0);
  EXPECT_EQ(text, "CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000");
  EXPECT_EQ(text.substr(17, 8), "       3");
  EXPECT_EQ(ZosCountMessage(12345678, 0xC, 0x00D5000A),
            "CSQN205I   COUNT=12345678, RETURN=0000000C, REASON=00D5000A");
}

TEST_F(ZosOutput, DisplayGivesOneMessagePerObjectAndACountOfTheWholeSet) {
  backend_.DefineQueue("Q1", MQQT_LOCAL, "", {}, false);
  backend_.DefineQueue("Q2", MQQT_ALIAS, "", {{MQCA_BASE_Q_NAME, true, 0, "Q1"}}, false);
  EXPECT_EQ(Set("DISPLAY QUEUE(*) TARGET MAXDEPTH"),
            (Texts{"CSQN205I   COUNT=       4, RETURN=00000000, REASON=00000000",
                   "CSQM409I +CSQ1 QUEUE(Q1) TYPE(QLOCAL) QSGDISP(QMGR) MAXDEPTH(5000)",
                   "CSQM409I +CSQ1 QUEUE(Q2) TYPE(QALIAS) QSGDISP(QMGR) TARGET(Q1)",
                   "CSQ9022I +CSQ1 CSQMDRTS ' DISPLAY QUEUE' NORMAL COMPLETION"}));
  backend_.DefineProcess("P1", "", {}, false);
  EXPECT_EQ(Set("DIS PRO(P1)"),
            (Texts{"CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000",
                   "CSQM408I +CSQ1 PROCESS(P1) QSGDISP(QMGR) APPLICID( ) APPLTYPE(UNIX)",
                   "CSQ9022I +CSQ1 CSQMDRTS ' DISPLAY PROCESS' NORMAL COMPLETION"}));
}

TEST_F(ZosOutput, CommandsWithoutItemsGiveTheCountAndTheCompletion) {
  EXPECT_EQ(Set("DEFINE QLOCAL(Q1)"),
            (Texts{"CSQN205I   COUNT=       2, RETURN=00000000, REASON=00000000",
                   "CSQ9022I +CSQ1 CSQMAQLC ' DEFINE QLOCAL' NORMAL COMPLETION"}));
  EXPECT_EQ(Set("DELETE QLOCAL(Q1)").back(),
            "CSQ9022I +CSQ1 CSQMUQLC ' DELETE QLOCAL' NORMAL COMPLETION");
}

TEST_F(ZosOutput, FailuresEndAbnormally) {
  EXPECT_EQ(Set("DELETE QLOCAL(Q1)"),
            (Texts{"CSQN205I   COUNT=       4, RETURN=00000000, REASON=00000000",
                   "CSQM125I +CSQ1 CSQMUQLC QLOCAL(Q1) QSGDISP(QMGR) WAS NOT FOUND",
                   "CSQM090E +CSQ1 CSQMUQLC FAILURE REASON CODE X'00D44002'",
                   "CSQ9023E +CSQ1 CSQMUQLC ' DELETE QLOCAL' ABNORMAL COMPLETION"}));
  backend_.DefineQueue("Q1", MQQT_LOCAL, "", {}, false);
  EXPECT_EQ(Set("DEFINE QLOCAL(Q1)")[1],
            "CSQM095I +CSQ1 CSQMAQLC QLOCAL(Q1) QSGDISP(QMGR) ALREADY EXISTS");
  backend_.queues.at("Q1").open = true;
  EXPECT_EQ(Set("DELETE QLOCAL(Q1)")[1],
            "CSQM101I +CSQ1 CSQMUQLC QLOCAL(Q1) QSGDISP(QMGR) IS CURRENTLY IN USE");
  // A generic name that matches nothing is no failure on z/OS.
  EXPECT_EQ(Set("DISPLAY QUEUE(NONE.*)"),
            (Texts{"CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000",
                   "CSQM297I +CSQ1 CSQMDRTS NO QUEUE FOUND MATCHING REQUEST CRITERIA",
                   "CSQ9022I +CSQ1 CSQMDRTS ' DISPLAY QUEUE' NORMAL COMPLETION"}));
}

TEST_F(ZosOutput, SyntaxErrorsComeFromTheCommandParser) {
  EXPECT_EQ(Set("DISPLAY QLOCAL(Q1) FRED"),
            (Texts{"CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000",
                   "CSQ9001E +CSQ1 'FRED' KEYWORD IS INVALID",
                   "CSQ9023E +CSQ1 CSQ9SCND ' DISPLAY QLOCAL' ABNORMAL COMPLETION"}));
  EXPECT_EQ(Set("DISPLAY QLOCAL('Q1"),
            (Texts{"CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000",
                   "CSQ9002E +CSQ1 UNBALANCED PARENTHESES OR APOSTROPHES IN COMMAND",
                   "CSQ9023E +CSQ1 CSQ9SCND ' DISPLAY QLOCAL' ABNORMAL COMPLETION"}));
  EXPECT_EQ(Set("FRED QLOCAL(Q1)"),
            (Texts{"CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000",
                   "CSQ9001E +CSQ1 'FRED' VERB IS INVALID",
                   "CSQ9023E +CSQ1 CSQ9SCND ' FRED' ABNORMAL COMPLETION"}));
}

}  // namespace
}  // namespace mqemu::mqsc
