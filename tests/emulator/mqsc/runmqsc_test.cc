#include "mqsc/runmqsc.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "fake_backend.h"

namespace mqemu::mqsc {
namespace {

constexpr char kBanner[] =
    "5724-H72 (C) Copyright IBM Corp. 1994, 2024.\n"
    "Starting MQSC for queue manager QM1.\n\n\n";

class Runmqsc : public ::testing::Test {
 protected:
  std::string Session(const std::string& input, int expected_status = 0) {
    std::istringstream in(input);
    std::ostringstream out;
    EXPECT_EQ(RunScript(backend_, "QM1", &in, &out), expected_status);
    return out.str();
  }
  FakeBackend backend_;
};

TEST_F(Runmqsc, DefineThenDisplayPrintsAsRunmqsc) {
  EXPECT_EQ(Session("DEFINE QLOCAL(A.Q) MAXMSGL(100000)"),
            std::string(kBanner) +
                "     1 : DEFINE QLOCAL(A.Q) MAXMSGL(100000)\n"
                "AMQ8006I: IBM MQ queue created.\n"
                "One MQSC command read.\n"
                "No commands have a syntax error.\n"
                "All valid MQSC commands were processed.\n");
  EXPECT_EQ(Session("DISPLAY QLOCAL(A.Q) MAXMSGL\n"),
            std::string(kBanner) +
                "     1 : DISPLAY QLOCAL(A.Q) MAXMSGL\n"
                "AMQ8409I: Display Queue details.\n"
                "   QUEUE(A.Q)                              TYPE(QLOCAL)\n"
                "   MAXMSGL(100000)\n"
                "One MQSC command read.\n"
                "No commands have a syntax error.\n"
                "All valid MQSC commands were processed.\n");
}

TEST_F(Runmqsc, CommentsBlankLinesContinuationsAndEnd) {
  std::string out = Session(
      "* A comment\n"
      "\n"
      "DEFINE QLOCAL(B.Q) -\n"
      "DESCR('Long -\n"
      "  text') +\n"
      "      MAXDEPTH(7)\n"
      "DISPLAY QLOCAL(B.Q) DESCR MAXDEPTH\n"
      "end\n"
      "DISPLAY QMGR\n");
  EXPECT_EQ(out, std::string(kBanner) +
                     "       : * A comment\n"
                     "       : \n"
                     "     1 : DEFINE QLOCAL(B.Q) -\n"
                     "       : DESCR('Long -\n"
                     "       :   text') +\n"
                     "       :       MAXDEPTH(7)\n"
                     "AMQ8006I: IBM MQ queue created.\n"
                     "     2 : DISPLAY QLOCAL(B.Q) DESCR MAXDEPTH\n"
                     "AMQ8409I: Display Queue details.\n"
                     "   QUEUE(B.Q)                              TYPE(QLOCAL)\n"
                     "   DESCR(Long   text)                      MAXDEPTH(7)\n"
                     "     3 : end\n"
                     "3 MQSC commands read.\n"
                     "No commands have a syntax error.\n"
                     "All valid MQSC commands were processed.\n");
}

TEST_F(Runmqsc, FailuresAndSyntaxErrorsAreCountedAndSetTheExitStatus) {
  std::string out = Session(
      "DELETE QLOCAL(NONE.Q)\n"
      "FROB\n"
      "DEFINE QLOCAL(C.Q) FOO\n"
      "PING QMGR\n",
      10);
  EXPECT_NE(out.find("     1 : DELETE QLOCAL(NONE.Q)\n"
                     "AMQ8147E: IBM MQ object NONE.Q not found.\n"
                     "     2 : FROB\n"
                     "AMQ8426I: Valid MQSC commands are:\n\n    ALTER\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("     3 : DEFINE QLOCAL(C.Q) FOO\n"
                     "AMQ8405I: Syntax error detected at or near end of command segment below:-\n"
                     "DEFINE QLOCAL(C.Q) FOO\n\n"
                     "AMQ8427I: Valid syntax for the MQSC command:\n\n"
                     "DEFINE QLOCAL( q_name )\n"
                     "   [ LIKE( name ) ]\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("     4 : PING QMGR\n"
                     "AMQ8415I: Ping IBM MQ Queue Manager command complete.\n"
                     "4 MQSC commands read.\n"
                     "2 commands have a syntax error.\n"
                     "One valid MQSC command could not be processed.\n"),
            std::string::npos)
      << out;
}

TEST_F(Runmqsc, EmptyInput) {
  EXPECT_EQ(Session(""), std::string(kBanner) +
                             "No MQSC commands read.\n"
                             "No commands have a syntax error.\n"
                             "All valid MQSC commands were processed.\n");
}

TEST_F(Runmqsc, ContinuationCutShortByTheEndOfInputStillRuns) {
  std::string out = Session("DEFINE QLOCAL(D.Q) +\n", 0);
  EXPECT_NE(out.find("     1 : DEFINE QLOCAL(D.Q) +\nAMQ8006I: IBM MQ queue created.\n"),
            std::string::npos)
      << out;
}

TEST_F(Runmqsc, SurvivesRandomLines) {
  std::mt19937 random(99);
  for (int i = 0; i < 200; ++i) {
    std::string input;
    for (int j = random() % 400; j > 0; --j) input += "\n\n*+-( )'QLDEF"[random() % 14];
    std::istringstream in(input);
    std::ostringstream out;
    int status = RunScript(backend_, "QM1", &in, &out);
    EXPECT_TRUE(status == 0 || status == 10);
  }
}

}  // namespace
}  // namespace mqemu::mqsc
