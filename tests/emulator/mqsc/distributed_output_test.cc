#include <gtest/gtest.h>

#include "fake_backend.h"
#include "mqsc/mqsc_output.h"
#include "pcf/pcf_format.h"

namespace mqemu::mqsc {
namespace {

using Blocks = std::vector<std::string>;

class DistributedOutput : public ::testing::Test {
 protected:
  Blocks Output(std::string_view command) {
    return DistributedBlocks(RunCommand(backend_, command));
  }
  // The output of a hand-made result, for reasons the fake never gives.
  Blocks Failure(Verb verb, ObjectKind object, MQLONG reason) {
    CommandResult r;
    r.status = Status::kFailed;
    r.verb = verb;
    r.object = object;
    r.failed_name = "A.Q";
    r.reason = reason;
    return DistributedBlocks(r);
  }
  FakeBackend backend_;
};

TEST_F(DistributedOutput, OutcomeMessages) {
  EXPECT_EQ(Output("DEFINE QLOCAL(A.Q)"), Blocks{"AMQ8006I: IBM MQ queue created."});
  EXPECT_EQ(Output("ALTER QLOCAL(A.Q) PUT(DISABLED)"), Blocks{"AMQ8008I: IBM MQ queue changed."});
  EXPECT_EQ(Output("CLEAR QLOCAL(A.Q)"), Blocks{"AMQ8022I: IBM MQ queue cleared."});
  EXPECT_EQ(Output("DELETE QLOCAL(A.Q)"), Blocks{"AMQ8007I: IBM MQ queue deleted."});
  EXPECT_EQ(Output("DEFINE PROCESS(P)"), Blocks{"AMQ8010I: IBM MQ process created."});
  EXPECT_EQ(Output("ALTER PROCESS(P) USERDATA(X)"), Blocks{"AMQ8012I: IBM MQ process changed."});
  EXPECT_EQ(Output("DELETE PROCESS(P)"), Blocks{"AMQ8011I: IBM MQ process deleted."});
  EXPECT_EQ(Output("PING QMGR"), Blocks{"AMQ8415I: Ping IBM MQ Queue Manager command complete."});
  EXPECT_EQ(Output("END"), Blocks{});
}

TEST_F(DistributedOutput, FailureMessages) {
  EXPECT_EQ(Output("DELETE QLOCAL(A.Q)"), Blocks{"AMQ8147E: IBM MQ object A.Q not found."});
  EXPECT_EQ(Output("DISPLAY QUEUE(A.*)"), Blocks{"AMQ8147E: IBM MQ object A.* not found."});
  Output("DEFINE QLOCAL(A.Q)");
  EXPECT_EQ(Output("DEFINE QLOCAL(A.Q)"), Blocks{"AMQ8150E: IBM MQ object already exists."});
  EXPECT_EQ(Output("ALTER QMODEL(A.Q)"), Blocks{"AMQ8151E: IBM MQ object has different type."});
  EXPECT_EQ(Failure(Verb::kClear, ObjectKind::kQLocal, MQRC_OBJECT_IN_USE),
            Blocks{"AMQ8148E: IBM MQ object in use."});
  EXPECT_EQ(Failure(Verb::kDelete, ObjectKind::kQLocal, MQRC_Q_NOT_EMPTY),
            Blocks{"AMQ8143E: IBM MQ queue A.Q not empty."});
  EXPECT_EQ(Failure(Verb::kDefine, ObjectKind::kQLocal, MQRC_UNEXPECTED_ERROR),
            Blocks{"AMQ8101S: IBM MQ error (893) has occurred."});
}

TEST_F(DistributedOutput, OneBlockPerDisplayedObjectInRunmqscColumns) {
  Output("DEFINE QLOCAL(A.Q) MAXMSGL(100000) DESCR('Queue A')");
  Output("DEFINE QLOCAL(A.VERY.LONG.QUEUE.NAME.THAT.FILLS.A.COLUMN) TRIGGER");
  EXPECT_EQ(Output("DISPLAY QLOCAL(A.*) DESCR MAXMSGL TRIGGER"),
            (Blocks{"AMQ8409I: Display Queue details.\n"
                    "   QUEUE(A.Q)                              TYPE(QLOCAL)\n"
                    "   DESCR(Queue A)                          MAXMSGL(100000)\n"
                    "   NOTRIGGER",
                    "AMQ8409I: Display Queue details.\n"
                    "   QUEUE(A.VERY.LONG.QUEUE.NAME.THAT.FILLS.A.COLUMN)\n"
                    "   TYPE(QLOCAL)                            DESCR( )\n"
                    "   MAXMSGL(4194304)                        TRIGGER"}));
  Output("DEFINE PROCESS(P1) APPLICID('/usr/bin/trigger-target') ENVDATA('E')");
  EXPECT_EQ(Output("DISPLAY PROCESS(P1) ALL"),
            Blocks{"AMQ8407I: Display Process details.\n"
                   "   PROCESS(P1)                             APPLICID(/usr/bin/trigger-target)\n"
                   "   APPLTYPE(UNIX)                          ENVDATA(E)"});
  EXPECT_EQ(Output("DISPLAY QMGR PLATFORM CMDLEVEL"),
            Blocks{"AMQ8408I: Display Queue Manager details.\n"
                   "   QMNAME(QM1)                             CMDLEVEL(940)\n"
                   "   PLATFORM(UNIX)"});
}

TEST_F(DistributedOutput, SyntaxErrorsShowTheSegmentAndTheValidSyntax) {
  EXPECT_EQ(Output("delete qlocal(a) purge force"),
            Blocks{"AMQ8405I: Syntax error detected at or near end of command segment below:-\n"
                   "delete qlocal(a) purge force\n"
                   "\n"
                   "AMQ8427I: Valid syntax for the MQSC command:\n"
                   "\n"
                   "DELETE QLOCAL( q_name )\n"
                   "   [ NOPURGE | PURGE ]"});
  Blocks help = Output("DISPLAY QUEUE(*) BOGUS");
  ASSERT_EQ(help.size(), 1u);
  EXPECT_NE(help[0].find("\nDISPLAY QUEUE( generic_q_name )\n   [ ALL ]\n"
                         "   [ TYPE( ALL | QALIAS | QLOCAL | QMODEL | QREMOTE ) ]\n"),
            std::string::npos);
  EXPECT_NE(help[0].find("\n   [ TRIGGER | NOTRIGGER ]\n"), std::string::npos);
  EXPECT_EQ(Output("DEFINE QTOPIC(X)"),
            Blocks{"AMQ8405I: Syntax error detected at or near end of command segment below:-\n"
                   "DEFINE QTOPIC(X)\n"
                   "\n"
                   "AMQ8427I: Valid syntax for the MQSC command:\n"
                   "\n"
                   "DEFINE QALIAS | QLOCAL | QMODEL | QREMOTE | PROCESS | NAMELIST | CHANNEL"});
  help = Output("DEFINE QLOCAL(A) APPLICID(X)");
  EXPECT_NE(help[0].find("   [ TRIGTYPE( NONE | FIRST | EVERY | DEPTH ) ]"), std::string::npos);
  EXPECT_EQ(Output("RUN QLOCAL(A)"), Blocks{"AMQ8426I: Valid MQSC commands are:\n"
                                            "\n"
                                            "    ALTER\n"
                                            "    CLEAR\n"
                                            "    DEFINE\n"
                                            "    DELETE\n"
                                            "    DISPLAY\n"
                                            "    END\n"
                                            "    PING"});
}

}  // namespace
}  // namespace mqemu::mqsc
