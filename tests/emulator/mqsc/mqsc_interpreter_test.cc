#include "mqsc/mqsc_interpreter.h"

#include <gtest/gtest.h>

#include <random>

#include "fake_backend.h"
#include "mqsc/mqsc_output.h"
#include "pcf/pcf_format.h"

namespace mqemu::mqsc {
namespace {

using Fields = std::vector<std::string>;

class MqscInterpreter : public ::testing::Test {
 protected:
  CommandResult Run(std::string_view text) { return RunCommand(backend_, text); }
  // Runs a command that must succeed.
  void Must(std::string_view text) {
    CommandResult r = Run(text);
    ASSERT_EQ(r.status, Status::kOk) << text << ": " << DistributedBlocks(r).at(0);
  }
  Attribute Changed(MQLONG selector) {
    for (const Attribute& a : backend_.last_changes) {
      if (a.selector == selector) return a;
    }
    ADD_FAILURE() << "no change of selector " << selector;
    return {};
  }
  FakeBackend backend_;
};

TEST_F(MqscInterpreter, DefineMapsEveryQueueKeywordToItsSelector) {
  Must(
      "DEF QL(T.Q) DESCR('Trigger queue') MAXMSGL(100000) MAXDEPTH(20) GET(DISABLED) "
      "PUT(DISABLED) DEFPSIST(YES) DEFPRTY(5) DEFSOPT(EXCL) NOSHARE USAGE(XMITQ) TRIGGER "
      "TRIGTYPE(EVERY) TRIGDATA('Data 1') TRIGDPTH(3) TRIGMPRI(4) INITQ(INIT.Q) "
      "PROCESS(proc)");
  EXPECT_EQ(backend_.last_changes.size(), 17u);
  EXPECT_EQ(Changed(MQCA_Q_DESC).text, "Trigger queue");
  EXPECT_TRUE(Changed(MQCA_Q_DESC).is_string);
  EXPECT_EQ(Changed(MQIA_MAX_MSG_LENGTH).number, 100000);
  EXPECT_EQ(Changed(MQIA_MAX_Q_DEPTH).number, 20);
  EXPECT_EQ(Changed(MQIA_INHIBIT_GET).number, MQQA_GET_INHIBITED);
  EXPECT_EQ(Changed(MQIA_INHIBIT_PUT).number, MQQA_PUT_INHIBITED);
  EXPECT_EQ(Changed(MQIA_DEF_PERSISTENCE).number, MQPER_PERSISTENT);
  EXPECT_EQ(Changed(MQIA_DEF_PRIORITY).number, 5);
  EXPECT_EQ(Changed(MQIA_DEF_INPUT_OPEN_OPTION).number, MQOO_INPUT_EXCLUSIVE);
  EXPECT_EQ(Changed(MQIA_SHAREABILITY).number, MQQA_NOT_SHAREABLE);
  EXPECT_EQ(Changed(MQIA_USAGE).number, MQUS_TRANSMISSION);
  EXPECT_EQ(Changed(MQIA_TRIGGER_CONTROL).number, MQTC_ON);
  EXPECT_EQ(Changed(MQIA_TRIGGER_TYPE).number, MQTT_EVERY);
  EXPECT_EQ(Changed(MQCA_TRIGGER_DATA).text, "Data 1");
  EXPECT_EQ(Changed(MQIA_TRIGGER_DEPTH).number, 3);
  EXPECT_EQ(Changed(MQIA_TRIGGER_MSG_PRIORITY).number, 4);
  EXPECT_EQ(Changed(MQCA_INITIATION_Q_NAME).text, "INIT.Q");
  EXPECT_EQ(Changed(MQCA_PROCESS_NAME).text, "PROC");
  EXPECT_EQ(backend_.queues.at("T.Q").type, MQQT_LOCAL);
}

TEST_F(MqscInterpreter, ModelAliasAndProcessKeywords) {
  Must("DEFINE QMODEL(M.Q) DEFTYPE(PERMDYN)");
  EXPECT_EQ(Changed(MQIA_DEFINITION_TYPE).number, MQQDT_PERMANENT_DYNAMIC);
  EXPECT_EQ(backend_.queues.at("M.Q").type, MQQT_MODEL);
  Must("DEFINE QALIAS(A.Q) TARGET(M.Q)");
  EXPECT_EQ(Changed(MQCA_BASE_Q_NAME).text, "M.Q");
  Must("ALTER QALIAS(A.Q) TARGQ(OTHER.Q)");
  EXPECT_EQ(Changed(MQCA_BASE_Q_NAME).text, "OTHER.Q");
  Must(
      "DEFINE PROCESS(P1) APPLICID('/bin/echo') APPLTYPE(UNIX) USERDATA('u d') "
      "ENVDATA('e') DESCR('My process')");
  EXPECT_EQ(Changed(MQCA_APPL_ID).text, "/bin/echo");
  EXPECT_EQ(Changed(MQIA_APPL_TYPE).number, MQAT_UNIX);
  EXPECT_EQ(Changed(MQCA_USER_DATA).text, "u d");
  EXPECT_EQ(Changed(MQCA_ENV_DATA).text, "e");
  EXPECT_EQ(Changed(MQCA_PROCESS_DESC).text, "My process");
  Must("ALTER PROCESS(P1) APPLTYPE(65536)");
  EXPECT_EQ(Changed(MQIA_APPL_TYPE).number, 65536);
  EXPECT_EQ(Run("DISPLAY PROCESS(P1) APPLTYPE").displayed.at(0).at(1), "APPLTYPE(65536)");
}

TEST_F(MqscInterpreter, RemoteQueuesAndEachPlatformsOwnKeywords) {
  Must("DEFINE QR(R.Q) RNAME(THERE) RQMNAME(QM2) XMITQ(QM2) DESCR(remote) CLWLPRTY(4)");
  EXPECT_EQ(backend_.queues.at("R.Q").type, MQQT_REMOTE);
  EXPECT_EQ(Changed(MQCA_REMOTE_Q_NAME).text, "THERE");
  EXPECT_EQ(Changed(MQCA_REMOTE_Q_MGR_NAME).text, "QM2");
  EXPECT_EQ(Changed(MQCA_XMIT_Q_NAME).text, "QM2");
  EXPECT_EQ(Changed(MQIA_CLWL_Q_PRIORITY).number, 4);
  EXPECT_EQ(Run("DISPLAY QUEUE(R*) TYPE(QREMOTE)").displayed.at(0),
            (Fields{"QUEUE(R.Q)", "TYPE(QREMOTE)"}));
  for (const char* wrong :
       {"DEFINE QREMOTE(R2.Q) GET(DISABLED)", "DEFINE QLOCAL(L.Q) RNAME(X)",
        "DEFINE QREMOTE(R2.Q) MAXDEPTH(5)", "DEFINE QLOCAL(L.Q) INDXTYPE(MSGID)"}) {
    EXPECT_EQ(Run(wrong).status, Status::kSyntaxError) << wrong;
  }
  // Flags, choices and kept values.
  Must("DEFINE QLOCAL(L.Q) HARDENBO MSGDLVSQ(FIFO) CAPEXPRY(600) MONQ(HIGH) CUSTOM('x y')");
  EXPECT_EQ(Changed(MQIA_HARDEN_GET_BACKOUT).number, MQQA_BACKOUT_HARDENED);
  EXPECT_EQ(Changed(MQIA_MSG_DELIVERY_SEQUENCE).number, MQMDS_FIFO);
  EXPECT_EQ(Changed(MQIA_CAP_EXPIRY).number, 600);
  EXPECT_EQ(Changed(MQIA_MONITORING_Q).number, MQMON_HIGH);
  EXPECT_EQ(Changed(MQCA_CUSTOM).text, "x y");
  // z/OS has attributes of its own, and lacks some of the others'.
  backend_.platform = MQPL_ZOS;
  Must("DEFINE QLOCAL(Z.Q) INDXTYPE(MSGID) STGCLASS(REMOTE)");
  EXPECT_EQ(Changed(MQIA_INDEX_TYPE).number, MQIT_MSG_ID);
  EXPECT_EQ(Run("DEFINE QLOCAL(Z2.Q) DISTL(YES)").status, Status::kSyntaxError);
  EXPECT_EQ(Run("ALTER QMGR IGQ(ENABLED)").status, Status::kOk);
}

TEST_F(MqscInterpreter, ReplaceLikeAndTheBackendsRefusals) {
  Must("DEFINE QLOCAL(A.Q) MAXDEPTH(7)");
  CommandResult r = Run("DEFINE QLOCAL(A.Q)");
  EXPECT_EQ(r.status, Status::kFailed);
  EXPECT_EQ(r.comp_code, MQCC_FAILED);
  EXPECT_EQ(r.reason, MQRCCF_OBJECT_ALREADY_EXISTS);
  Must("DEFINE QLOCAL(A.Q) MAXDEPTH(8) REPLACE");
  EXPECT_EQ(backend_.queues.at("A.Q").values.at(MQIA_MAX_Q_DEPTH).number, 8);
  EXPECT_EQ(Run("DEFINE QALIAS(A.Q) TARGET(B)").reason, MQRCCF_OBJECT_WRONG_TYPE);
  Must("DEFINE QLOCAL(B.Q) LIKE(A.Q)");
  EXPECT_EQ(backend_.queues.at("B.Q").values.at(MQIA_MAX_Q_DEPTH).number, 8);
  r = Run("DEFINE QLOCAL(C.Q) LIKE(NONE.Q)");
  EXPECT_EQ(r.reason, MQRC_UNKNOWN_OBJECT_NAME);
  EXPECT_EQ(r.failed_name, "NONE.Q");

  EXPECT_EQ(Run("ALTER QLOCAL(NONE.Q) MAXDEPTH(1)").reason, MQRC_UNKNOWN_OBJECT_NAME);
  backend_.queues.at("A.Q").depth = 2;
  EXPECT_EQ(Run("DELETE QLOCAL(A.Q)").reason, MQRC_Q_NOT_EMPTY);
  EXPECT_EQ(Run("DELETE QLOCAL(A.Q) NOPURGE").reason, MQRC_Q_NOT_EMPTY);
  backend_.queues.at("B.Q").open = true;
  EXPECT_EQ(Run("CLEAR QLOCAL(B.Q)").reason, MQRC_OBJECT_IN_USE);
  EXPECT_EQ(Run("DELETE QMODEL(A.Q)").reason, MQRCCF_OBJECT_WRONG_TYPE);
  Must("DELETE QLOCAL(A.Q) PURGE");
  EXPECT_EQ(backend_.queues.count("A.Q"), 0u);
  EXPECT_EQ(Run("DELETE PROCESS(NONE)").reason, MQRC_UNKNOWN_OBJECT_NAME);
  backend_.queues.at("B.Q").open = false;
  backend_.queues.at("B.Q").depth = 3;
  Must("CLEAR QLOCAL(B.Q)");
  EXPECT_EQ(backend_.queues.at("B.Q").depth, 0);
  backend_.ping_reason = MQRC_Q_MGR_NOT_AVAILABLE;
  EXPECT_EQ(Run("PING QMGR").reason, MQRC_Q_MGR_NOT_AVAILABLE);
}

TEST_F(MqscInterpreter, DisplayShowsNameAndTypeThenAskedAttributesInTableOrder) {
  Must("DEFINE QLOCAL(A.Q) MAXMSGL(100000) TRIGGER DESCR(' ')");
  backend_.queues.at("A.Q").depth = 4;
  CommandResult r = Run("dis ql(a.q) maxmsgl curdepth notrigger descr");
  ASSERT_EQ(r.status, Status::kOk);
  ASSERT_EQ(r.displayed.size(), 1u);
  EXPECT_EQ(r.displayed.at(0), (Fields{"QUEUE(A.Q)", "TYPE(QLOCAL)", "CURDEPTH(4)", "DESCR( )",
                                       "MAXMSGL(100000)", "TRIGGER"}));
  // One named queue without attributes asked for shows them all; a generic
  // name shows names and types.
  r = Run("DISPLAY QLOCAL(A.Q)");
  EXPECT_EQ(r.displayed.at(0), Run("DISPLAY QLOCAL(A.Q) ALL").displayed.at(0));
  EXPECT_GT(r.displayed.at(0).size(), 10u);
  r = Run("DISPLAY QLOCAL(A.*)");
  EXPECT_EQ(r.displayed.at(0), (Fields{"QUEUE(A.Q)", "TYPE(QLOCAL)"}));
}

TEST_F(MqscInterpreter, DisplayAllShowsOnlyWhatTheQueuesTypeHas) {
  Must("DEFINE QALIAS(AL.Q) TARGET(X.Q)");
  CommandResult r = Run("DISPLAY QALIAS(AL.Q) ALL");
  ASSERT_EQ(r.displayed.size(), 1u);
  EXPECT_EQ(r.displayed.at(0), (Fields{"QUEUE(AL.Q)", "TYPE(QALIAS)", "DEFPRTY(0)", "DEFPSIST(NO)",
                                       "DESCR( )", "GET(ENABLED)", "PUT(ENABLED)", "TARGET(X.Q)"}));
  // Queue attributes of other types are accepted on DISPLAY QUEUE but shown
  // only where they apply; a type's own display refuses them.
  r = Run("DISPLAY QUEUE(AL.Q) MAXDEPTH TARGET");
  EXPECT_EQ(r.displayed.at(0), (Fields{"QUEUE(AL.Q)", "TYPE(QALIAS)", "TARGET(X.Q)"}));
  EXPECT_EQ(Run("DISPLAY QALIAS(AL.Q) MAXDEPTH").status, Status::kSyntaxError);
  EXPECT_EQ(Run("DISPLAY QLOCAL(AL.Q) CURDEPTH(1)").status, Status::kSyntaxError);
}

TEST_F(MqscInterpreter, GenericDisplayAndTypeFilter) {
  Must("DEFINE QLOCAL(SYSTEM.B)");
  Must("DEFINE QMODEL(SYSTEM.A)");
  Must("DEFINE QALIAS(SYSTEM.C) TARGET(SYSTEM.B)");
  Must("DEFINE QLOCAL(OTHER)");
  CommandResult r = Run("DISPLAY QUEUE(SYSTEM.*)");
  ASSERT_EQ(r.displayed.size(), 3u);
  EXPECT_EQ(r.displayed.at(0)[0], "QUEUE(SYSTEM.A)");
  EXPECT_EQ(r.displayed.at(0)[1], "TYPE(QMODEL)");
  EXPECT_EQ(r.displayed.at(2)[1], "TYPE(QALIAS)");
  EXPECT_EQ(Run("DISPLAY QLOCAL(*)").displayed.size(), 2u);
  EXPECT_EQ(Run("DISPLAY QUEUE(*) TYPE(QALIAS)").displayed.size(), 1u);
  EXPECT_EQ(Run("DISPLAY Q(*) TYPE(ALL)").displayed.size(), 4u);
  EXPECT_EQ(Run("DISPLAY QUEUE(*) TYPE(QUEUE)").status, Status::kSyntaxError);
  r = Run("DISPLAY QLOCAL(NONE.*)");
  EXPECT_EQ(r.status, Status::kFailed);
  EXPECT_EQ(r.reason, MQRC_UNKNOWN_OBJECT_NAME);
  EXPECT_TRUE(r.generic);
  EXPECT_EQ(r.failed_name, "NONE.*");
}

TEST_F(MqscInterpreter, DisplayQueueManagerAndProcesses) {
  CommandResult r = Run("DISPLAY QMGR");
  ASSERT_EQ(r.displayed.size(), 1u);
  EXPECT_EQ(r.displayed.at(0), (Fields{"QMNAME(QM1)", "CCSID(819)", "CMDLEVEL(940)",
                                       "COMMANDQ(SYSTEM.ADMIN.COMMAND.QUEUE)",
                                       "DESCR(Test queue manager)", "PLATFORM(UNIX)", "SYNCPT"}));
  r = Run("DISPLAY QMGR PLATFORM");
  EXPECT_EQ(r.displayed.at(0), (Fields{"QMNAME(QM1)", "PLATFORM(UNIX)"}));
  EXPECT_EQ(Run("DISPLAY QMGR QMNAME").displayed.at(0), (Fields{"QMNAME(QM1)"}));
  Must("ALTER QMGR MAXHANDS(500) MAXMSGL(32768) FORCE");
  ASSERT_EQ(backend_.last_changes.size(), 2u);
  EXPECT_EQ(Changed(MQIA_MAX_HANDLES).number, 500);
  EXPECT_EQ(Changed(MQIA_MAX_MSG_LENGTH).number, 32768);
  EXPECT_EQ(DistributedBlocks(Run("ALTER QMGR MAXHANDS(1)")).at(0),
            "AMQ8005I: IBM MQ queue manager changed.");
  for (const char* wrong : {"ALTER QMGR(QM1) MAXHANDS(5)", "ALTER QMGR MAXMSGL(32767)",
                            "ALTER QMGR CMDLEVEL(950)", "DEFINE QMGR"}) {
    EXPECT_EQ(Run(wrong).status, Status::kSyntaxError) << wrong;
  }
  Must("DEFINE PROCESS(P1) APPLICID('/bin/true')");
  Must("DEFINE PROCESS(P2) APPLTYPE(DEF)");
  r = Run("DISPLAY PROCESS(*) APPLTYPE APPLICID");
  ASSERT_EQ(r.displayed.size(), 2u);
  EXPECT_EQ(r.displayed.at(0), (Fields{"PROCESS(P1)", "APPLICID(/bin/true)", "APPLTYPE(UNIX)"}));
  EXPECT_EQ(Run("DISPLAY PROCESS(P2)").displayed.at(0),
            (Fields{"PROCESS(P2)", "APPLICID( )", "APPLTYPE(UNIX)"}));
  Must("DELETE PROCESS(P2)");
  EXPECT_EQ(Run("DISPLAY PROCESS(P2)").reason, MQRC_UNKNOWN_OBJECT_NAME);
}

TEST_F(MqscInterpreter, SyntaxErrorsNameTheSegmentUpToTheError) {
  struct Case {
    std::string text;
    Status status;
    const char* segment;
  } cases[] = {
      {"DEFINE QLOCAL(A) FOO(1)", Status::kSyntaxError, "DEFINE QLOCAL(A) FOO(1)"},
      {"define qlocal(a) maxdepth(abc) descr(x)", Status::kSyntaxError,
       "define qlocal(a) maxdepth(abc)"},
      {"DEFINE QLOCAL(A) DEFPRTY(10)", Status::kSyntaxError, "DEFINE QLOCAL(A) DEFPRTY(10)"},
      {"DEFINE QLOCAL(A) MAXMSGL(104857601)", Status::kSyntaxError,
       "DEFINE QLOCAL(A) MAXMSGL(104857601)"},
      {"DEFINE QLOCAL(A) MAXDEPTH('5')", Status::kSyntaxError, "DEFINE QLOCAL(A) MAXDEPTH('5')"},
      {"DEFINE QLOCAL(A) TRIGGER NOTRIGGER", Status::kSyntaxError,
       "DEFINE QLOCAL(A) TRIGGER NOTRIGGER"},
      {"DEFINE QLOCAL(A) TRIGGER(YES)", Status::kSyntaxError, "DEFINE QLOCAL(A) TRIGGER(YES)"},
      {"DEFINE QLOCAL(A) CURDEPTH(3)", Status::kSyntaxError, "DEFINE QLOCAL(A) CURDEPTH(3)"},
      {"DEFINE QLOCAL(A) TARGET(B)", Status::kSyntaxError, "DEFINE QLOCAL(A) TARGET(B)"},
      {"DEFINE QLOCAL(A) DEFTYPE(PERMDYN)", Status::kSyntaxError,
       "DEFINE QLOCAL(A) DEFTYPE(PERMDYN)"},
      {"DEFINE QLOCAL(A) TRIGTYPE(SOMETIMES)", Status::kSyntaxError,
       "DEFINE QLOCAL(A) TRIGTYPE(SOMETIMES)"},
      {"DEFINE QLOCAL(A) DESCR('" + std::string(65, 'x') + "')", Status::kSyntaxError, nullptr},
      {"DEFINE QLOCAL(A*)", Status::kSyntaxError, "DEFINE QLOCAL(A*)"},
      {"DEFINE QLOCAL", Status::kSyntaxError, "DEFINE QLOCAL"},
      {"DEFINE QLOCAL()", Status::kSyntaxError, "DEFINE QLOCAL()"},
      {"DEFINE QUEUE(A)", Status::kSyntaxError, "DEFINE QUEUE(A)"},
      {"DEFINE", Status::kSyntaxError, "DEFINE"},
      {"CLEAR QMODEL(A)", Status::kSyntaxError, "CLEAR QMODEL(A)"},
      {"DELETE QALIAS(A) PURGE", Status::kSyntaxError, "DELETE QALIAS(A) PURGE"},
      {"PING QMGR(X)", Status::kSyntaxError, "PING QMGR(X)"},
      {"END NOW", Status::kSyntaxError, "END NOW"},
      {"DEFINE QLOCAL('A", Status::kSyntaxError, "DEFINE QLOCAL('A"},
      {"FROB QLOCAL(A)", Status::kUnknownVerb, ""},
      {"DEFINE(X)", Status::kUnknownVerb, ""},
      {"", Status::kUnknownVerb, ""},
  };
  for (const Case& c : cases) {
    CommandResult r = Run(c.text);
    EXPECT_EQ(r.status, c.status) << c.text;
    EXPECT_EQ(r.comp_code, MQCC_FAILED) << c.text;
    EXPECT_EQ(r.reason, MQRCCF_PARM_SYNTAX_ERROR) << c.text;
    if (c.segment != nullptr) {
      EXPECT_EQ(r.error_segment, c.segment) << c.text;
    }
  }
  EXPECT_TRUE(backend_.queues.empty());
  EXPECT_EQ(Run(" end ").status, Status::kEnd);
}

// Random bytes and mangled commands never crash the interpreter or its
// formatters (the sanitizer builds make any fault visible).
TEST_F(MqscInterpreter, SurvivesRandomInput) {
  std::mt19937 random(4711);
  const std::string seeds[] = {
      "DEFINE QLOCAL(A.Q) MAXMSGL(100000) DESCR('It''s') TRIGGER INITQ(I) PROCESS(P)",
      "DISPLAY QUEUE(*) ALL TYPE(QLOCAL)",
      "DEFINE PROCESS(P) APPLICID('x') APPLTYPE(UNIX)",
      "DISPLAY QMGR ALL",
      "DELETE QLOCAL(A.Q) PURGE",
      "CLEAR QLOCAL(A.Q)",
      "PING QMGR"};
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    if (i % 2 == 0) {
      size_t length = random() % 120;
      for (size_t j = 0; j < length; ++j) text += static_cast<char>(random() % 256);
    } else {
      text = seeds[random() % std::size(seeds)];
      for (int edits = 1 + random() % 4; edits > 0; --edits) {
        size_t at = random() % (text.size() + 1);
        switch (random() % 3) {
          case 0:
            text.insert(at, 1, "()'*+- \n\0aZ9"[random() % 13]);
            break;
          case 1:
            if (at < text.size()) text.erase(at, 1 + random() % 5);
            break;
          default:
            text.insert(at, text.substr(0, random() % (text.size() + 1)));
        }
      }
    }
    CommandResult r = Run(text);
    DistributedBlocks(r);
    ZosReplySet(r, "+CSQ1");
  }
}

}  // namespace
}  // namespace mqemu::mqsc
