// MQI semantics of the stand-in, through libmqm_r.so: opening, putting,
// getting, inquiring and setting, dynamic queues, context and the faults.
// Where processes matter (dynamic queues outliving a connection, context
// of another user) the other party is a child process.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "qmgr_fixture.h"

namespace mqemu_test {
namespace {

class MqiTest : public ::testing::Test {
 protected:
  EmuHome home;
  QueueManagerProcess qm1{"QM1"};
  void SetUp() override {
    ASSERT_TRUE(qm1.running());
    ASSERT_EQ(RunTool("define QM1 APP.Q --maxmsglen 100 --maxdepth 3"), 0);
  }
};

// Runs body in a child process; the test fails when the child does.
template <typename F>
void InChild(F body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child failed";
}

TEST_F(MqiTest, OpenFailsWithTheUsualReasons) {
  MQHCONN h = Connect();
  Open(h, "NO.SUCH.Q", MQOO_OUTPUT, MQRC_UNKNOWN_OBJECT_NAME);
  Open(h, "APP.Q", MQOO_OUTPUT, MQRC_UNKNOWN_REMOTE_Q_MGR, nullptr, "QM9");
  MQOD od = {MQOD_DEFAULT};
  od.ObjectType = MQOT_Q_MGR;
  MQHOBJ hobj;
  MQLONG cc, rc;
  MQOPEN(h, &od, MQOO_OUTPUT, &hobj, &cc, &rc);
  EXPECT_EQ(rc, MQRC_OPTION_NOT_VALID_FOR_TYPE);
  MQHOBJ exclusive = Open(h, "APP.Q", MQOO_INPUT_EXCLUSIVE);
  Open(h, "APP.Q", MQOO_INPUT_SHARED, MQRC_OBJECT_IN_USE);
  Close(h, &exclusive);
  ASSERT_EQ(RunTool("fault QM1 deny root open APP.Q"), 0);
  ASSERT_EQ(RunTool("fault QM1 deny someone inquire APP.Q"), 0);
  Open(h, "APP.Q", MQOO_OUTPUT, MQRC_NOT_AUTHORIZED);
  MQHCONN other = Connect("QM1", "someone");
  Open(other, "APP.Q", MQOO_INQUIRE, MQRC_NOT_AUTHORIZED);
  MQHOBJ output = Open(other, "APP.Q", MQOO_OUTPUT);
  Close(other, &output);
  Disconnect(&other);
  Disconnect(&h);
}

// A connection holds at most MAXHANDS handles; a model queue makes no
// dynamic queue beyond it. An alias opens under its own name and resolves
// to its base queue.
TEST_F(MqiTest, HandlesAreCountedAndAliasesResolved) {
  ASSERT_EQ(RunTool("define QM1 APP.ALIAS --alias APP.Q"), 0);
  MQHCONN h = Connect();
  MQOD od = {MQOD_DEFAULT};
  od.Version = MQOD_VERSION_3;
  FillBlankPadded(od.ObjectName, sizeof od.ObjectName, "APP.ALIAS");
  MQHOBJ alias;
  MQLONG cc, rc;
  MQOPEN(h, &od, MQOO_OUTPUT, &alias, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  EXPECT_EQ(NameInField(od.ObjectName, 48), "APP.ALIAS");
  EXPECT_EQ(NameInField(od.ResolvedQName, 48), "APP.Q");
  EXPECT_EQ(NameInField(od.ResolvedQMgrName, 48), "QM1");

  MQOD qmgr_od = {MQOD_DEFAULT};
  qmgr_od.ObjectType = MQOT_Q_MGR;
  MQHOBJ qmgr;
  MQOPEN(h, &qmgr_od, MQOO_INQUIRE, &qmgr, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  const MQLONG max_handles = InquireInt(h, qmgr, MQIA_MAX_HANDLES);
  EXPECT_EQ(max_handles, 256);
  std::vector<MQHOBJ> handles = {alias, qmgr};
  while (handles.size() < static_cast<size_t>(max_handles)) {
    handles.push_back(Open(h, "APP.Q", MQOO_OUTPUT));
  }
  Open(h, "APP.Q", MQOO_OUTPUT, MQRC_HANDLE_NOT_AVAILABLE);
  Open(h, "SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_EXCLUSIVE, MQRC_HANDLE_NOT_AVAILABLE);
  Close(h, &handles.back());
  handles.pop_back();
  handles.push_back(Open(h, "APP.Q", MQOO_OUTPUT));
  // Another connection has handles of its own.
  MQHCONN other = Connect();
  MQHOBJ more = Open(other, "APP.Q", MQOO_OUTPUT);
  Close(other, &more);
  Disconnect(&other);
  Disconnect(&h);
}

TEST_F(MqiTest, PutGeneratesIbmStyleMsgIdsAndFillsReplyToQMgr) {
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "APP.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED);
  MQMD md = {MQMD_DEFAULT};
  FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, "REPLY.Q");
  ASSERT_EQ(Put(h, q, "one", &md), MQRC_NONE);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(md.MsgId), 16), "AMQ QM1         ");
  MQMD second = {MQMD_DEFAULT};
  ASSERT_EQ(Put(h, q, "two", &second), MQRC_NONE);
  EXPECT_NE(std::memcmp(md.MsgId, second.MsgId, 24), 0);
  MQMD got = {MQMD_DEFAULT};
  std::string data;
  ASSERT_EQ(Get(h, q, &data, &got), MQRC_NONE);
  EXPECT_EQ(data, "one");
  EXPECT_EQ(std::memcmp(got.MsgId, md.MsgId, 24), 0);
  EXPECT_EQ(std::string(got.ReplyToQMgr, 48), "QM1" + std::string(45, ' '));
  EXPECT_EQ(TextInField(got.UserIdentifier, 12), "root");
  Disconnect(&h);
}

TEST_F(MqiTest, GetMatchesTruncatesWaitsAndReportsNoMessage) {
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "APP.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED);
  MQMD a = {MQMD_DEFAULT}, b = {MQMD_DEFAULT};
  std::memcpy(b.CorrelId, "CORREL-B", 8);
  ASSERT_EQ(Put(h, q, "0123456789", &a), MQRC_NONE);
  ASSERT_EQ(Put(h, q, "second", &b), MQRC_NONE);
  MQMD want = {MQMD_DEFAULT};
  std::memcpy(want.CorrelId, "CORREL-B", 8);
  std::string data;
  ASSERT_EQ(Get(h, q, &data, &want), MQRC_NONE);
  EXPECT_EQ(data, "second");
  EXPECT_EQ(Get(h, q, &data, nullptr, 0, 4), MQRC_TRUNCATED_MSG_FAILED);
  EXPECT_EQ(InquireInt(h, Open(h, "APP.Q", MQOO_INQUIRE), MQIA_CURRENT_Q_DEPTH), 1);
  EXPECT_EQ(Get(h, q, &data, nullptr, 0, 4, MQGMO_ACCEPT_TRUNCATED_MSG),
            MQRC_TRUNCATED_MSG_ACCEPTED);
  EXPECT_EQ(data, "0123");
  EXPECT_EQ(Get(h, q, &data), MQRC_NO_MSG_AVAILABLE);
  EXPECT_EQ(Get(h, q, &data, nullptr, 50), MQRC_NO_MSG_AVAILABLE);
  InChild([] {
    usleep(100 * 1000);
    MQHCONN c = Connect();
    MQHOBJ out = Open(c, "APP.Q", MQOO_OUTPUT);
    EXPECT_EQ(Put(c, out, "late"), MQRC_NONE);
    Disconnect(&c);
  });
  EXPECT_EQ(Get(h, q, &data, nullptr, 5000), MQRC_NONE);
  EXPECT_EQ(data, "late");
  Disconnect(&h);
}

TEST_F(MqiTest, PutLimitsAndInhibits) {
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "APP.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED | MQOO_SET | MQOO_INQUIRE);
  EXPECT_EQ(Put(h, q, std::string(101, 'x')), MQRC_MSG_TOO_BIG_FOR_Q);
  ASSERT_EQ(RunTool("define QM1 BIG.Q --maxmsglen 4194304"), 0);
  MQHOBJ big = Open(h, "BIG.Q", MQOO_OUTPUT);
  EXPECT_EQ(Put(h, big, std::string(4194305, 'x')), MQRC_MSG_TOO_BIG_FOR_Q_MGR);
  // Beyond the largest message any queue manager takes only the call fails,
  // whether through a handle or with MQPUT1; the buffer is never read.
  constexpr MQLONG kHuge = 128 << 20;
  std::unique_ptr<char[]> huge(new char[kHuge]);
  MQMD md = {MQMD_DEFAULT};
  MQPMO pmo = {MQPMO_DEFAULT};
  MQLONG cc, rc;
  MQPUT(h, big, &md, &pmo, kHuge, huge.get(), &cc, &rc);
  EXPECT_EQ(cc, MQCC_FAILED);
  EXPECT_EQ(rc, MQRC_MSG_TOO_BIG_FOR_Q_MGR);
  MQOD od = {MQOD_DEFAULT};
  FillBlankPadded(od.ObjectName, sizeof od.ObjectName, "BIG.Q");
  MQPUT1(h, &od, &md, &pmo, kHuge, huge.get(), &cc, &rc);
  EXPECT_EQ(rc, MQRC_MSG_TOO_BIG_FOR_Q_MGR);
  EXPECT_EQ(Put(h, big, "after the refusal"), MQRC_NONE);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Put(h, q, "m"), MQRC_NONE);
  EXPECT_EQ(Put(h, q, "m"), MQRC_Q_FULL);
  MQLONG selectors[2] = {MQIA_INHIBIT_PUT, MQIA_INHIBIT_GET};
  MQLONG values[2] = {MQQA_PUT_INHIBITED, MQQA_GET_INHIBITED};
  MQSET(h, q, 2, selectors, 2, values, 0, nullptr, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  EXPECT_EQ(InquireInt(h, q, MQIA_INHIBIT_PUT), MQQA_PUT_INHIBITED);
  std::string data;
  EXPECT_EQ(Put(h, q, "m"), MQRC_PUT_INHIBITED);
  EXPECT_EQ(Get(h, q, &data), MQRC_GET_INHIBITED);
  Disconnect(&h);
}

TEST_F(MqiTest, InquiresQueueManagerAndQueueAttributes) {
  MQHCONN h = Connect();
  MQOD od = {MQOD_DEFAULT};
  od.ObjectType = MQOT_Q_MGR;
  MQHOBJ qmgr;
  MQLONG cc, rc;
  MQOPEN(h, &od, MQOO_INQUIRE, &qmgr, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  MQLONG selectors[4] = {MQCA_Q_MGR_NAME, MQIA_PLATFORM, MQIA_COMMAND_LEVEL,
                         MQIA_CODED_CHAR_SET_ID};
  MQLONG ints[3];
  char name[48];
  MQINQ(h, qmgr, 4, selectors, 3, ints, 48, name, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  EXPECT_EQ(std::string(name, 48), "QM1" + std::string(45, ' '));
  EXPECT_EQ(ints[0], MQPL_UNIX);
  EXPECT_GE(ints[1], 900);
  EXPECT_EQ(ints[2], 819);
  MQINQ(h, qmgr, 1, selectors, 0, ints, 10, name, &cc, &rc);
  EXPECT_EQ(rc, MQRC_CHAR_ATTRS_TOO_SHORT);
  MQHOBJ q = Open(h, "APP.Q", MQOO_INQUIRE);
  MQLONG qsel[3] = {MQIA_MAX_MSG_LENGTH, MQIA_DEFINITION_TYPE, MQIA_MAX_Q_DEPTH};
  MQLONG qint[3];
  MQINQ(h, q, 3, qsel, 3, qint, 0, nullptr, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  EXPECT_EQ(qint[0], 100);
  EXPECT_EQ(qint[1], MQQDT_PREDEFINED);
  EXPECT_EQ(qint[2], 3);
  Disconnect(&h);
}

TEST_F(MqiTest, MaxFileSizeIsInquiredButNotSet) {
  ASSERT_EQ(RunTool("define QM1 FILE.Q --maxfsize 500"), 0);
  MQHCONN h = Connect();
  EXPECT_EQ(InquireInt(h, Open(h, "APP.Q", MQOO_INQUIRE), MQIA_MAX_Q_FILE_SIZE), MQQFS_DEFAULT);
  MQHOBJ q = Open(h, "FILE.Q", MQOO_INQUIRE | MQOO_SET);
  EXPECT_EQ(InquireInt(h, q, MQIA_MAX_Q_FILE_SIZE), 500);
  // MQSET changes only the few attributes that IBM MQ lets applications set.
  MQLONG selector = MQIA_MAX_Q_FILE_SIZE, value = 100, cc, rc;
  MQSET(h, q, 1, &selector, 1, &value, 0, nullptr, &cc, &rc);
  EXPECT_EQ(rc, MQRC_SELECTOR_ERROR);
  EXPECT_EQ(InquireInt(h, q, MQIA_MAX_Q_FILE_SIZE), 500);
  Disconnect(&h);
}

TEST_F(MqiTest, TemporaryDynamicQueueGoesWithItsConnection) {
  std::string name;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  InChild([&] {
    MQHCONN c = Connect();
    std::string made;
    Open(c, "SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_EXCLUSIVE | MQOO_INQUIRE, 0, &made);
    EXPECT_EQ(made.rfind("TOVAN.CSAGNT.", 0), 0u) << made;
    EXPECT_GT(made.size(), 13u);
    EXPECT_EQ(::write(fds[1], made.data(), made.size()), static_cast<ssize_t>(made.size()));
    ::_exit(0);  // the connection ends with the process, without MQDISC
  });
  char buf[48];
  ssize_t n = ::read(fds[0], buf, sizeof buf);
  ASSERT_GT(n, 0);
  name.assign(buf, static_cast<size_t>(n));
  MQHCONN h = Connect();
  for (int i = 0; i < 100; ++i) {
    if (RunTool("show QM1 " + name) != 0) break;
    usleep(10 * 1000);
  }
  Open(h, name, MQOO_OUTPUT, MQRC_UNKNOWN_OBJECT_NAME);
  std::string made;
  MQHOBJ dyn = Open(h, "SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_SHARED | MQOO_INQUIRE, 0, &made);
  EXPECT_EQ(InquireInt(h, dyn, MQIA_DEFINITION_TYPE), MQQDT_TEMPORARY_DYNAMIC);
  Close(h, &dyn);
  Open(h, made, MQOO_OUTPUT, MQRC_UNKNOWN_OBJECT_NAME);
  Disconnect(&h);
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST_F(MqiTest, PassAllContextCarriesTheOriginalPutter) {
  InChild([] {
    MQHCONN alice = Connect("QM1", "alice");
    MQHOBJ q = Open(alice, "APP.Q", MQOO_OUTPUT);
    EXPECT_EQ(Put(alice, q, "request"), MQRC_NONE);
    Disconnect(&alice);
  });
  ASSERT_EQ(RunTool("define QM1 FORWARD.Q"), 0);
  MQHCONN agent = Connect("QM1", "agent");
  MQHOBJ in = Open(agent, "APP.Q", MQOO_INPUT_SHARED | MQOO_SAVE_ALL_CONTEXT);
  MQHOBJ out = Open(agent, "FORWARD.Q", MQOO_OUTPUT | MQOO_PASS_ALL_CONTEXT);
  MQHOBJ plain = Open(agent, "FORWARD.Q", MQOO_OUTPUT);
  std::string data;
  MQMD original = {MQMD_DEFAULT};
  ASSERT_EQ(Get(agent, in, &data, &original), MQRC_NONE);
  EXPECT_EQ(TextInField(original.UserIdentifier, 12), "alice");
  EXPECT_EQ(Put(agent, plain, data, nullptr, MQPMO_PASS_ALL_CONTEXT, in),
            MQRC_NOT_OPEN_FOR_PASS_ALL);
  EXPECT_EQ(Put(agent, out, data, nullptr, MQPMO_PASS_ALL_CONTEXT, out), MQRC_CONTEXT_HANDLE_ERROR);
  ASSERT_EQ(Put(agent, out, data, nullptr, MQPMO_PASS_ALL_CONTEXT | MQPMO_NO_SYNCPOINT, in),
            MQRC_NONE);
  ASSERT_EQ(Put(agent, plain, "own"), MQRC_NONE);
  MQHOBJ check = Open(agent, "FORWARD.Q", MQOO_INPUT_SHARED);
  MQMD forwarded = {MQMD_DEFAULT}, own = {MQMD_DEFAULT};
  ASSERT_EQ(Get(agent, check, &data, &forwarded), MQRC_NONE);
  EXPECT_EQ(TextInField(forwarded.UserIdentifier, 12), "alice");
  EXPECT_EQ(std::memcmp(forwarded.PutDate, original.PutDate, 8), 0);
  EXPECT_EQ(std::memcmp(forwarded.PutTime, original.PutTime, 8), 0);
  ASSERT_EQ(Get(agent, check, &data, &own), MQRC_NONE);
  EXPECT_EQ(TextInField(own.UserIdentifier, 12), "agent");
  Disconnect(&agent);
}

TEST_F(MqiTest, StructureVersionsLimitWhatIsWritten) {
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "APP.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED);
  ASSERT_EQ(Put(h, q, "v1"), MQRC_NONE);
  // A version-1 MQMD and MQGMO followed by guard bytes that must stay.
  struct {
    MQMD md;
  } area;
  std::memset(&area, 0x5A, sizeof area);
  MQMD v1 = {MQMD_DEFAULT};
  std::memcpy(&area.md, &v1, MQMD_LENGTH_1);
  struct {
    MQGMO gmo;
  } options;
  std::memset(&options, 0x5A, sizeof options);
  MQGMO g1 = {MQGMO_DEFAULT};
  g1.Version = MQGMO_VERSION_1;
  std::memcpy(&options.gmo, &g1, MQGMO_LENGTH_1);
  char buffer[16];
  MQLONG length, cc, rc;
  MQGET(h, q, &area.md, &options.gmo, sizeof buffer, buffer, &length, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  const unsigned char* md_tail = reinterpret_cast<unsigned char*>(&area.md) + MQMD_LENGTH_1;
  for (size_t i = 0; i < MQMD_LENGTH_2 - MQMD_LENGTH_1; ++i) ASSERT_EQ(md_tail[i], 0x5A);
  const unsigned char* gmo_tail = reinterpret_cast<unsigned char*>(&options.gmo) + MQGMO_LENGTH_1;
  for (size_t i = 0; i < MQGMO_LENGTH_4 - MQGMO_LENGTH_1; ++i) ASSERT_EQ(gmo_tail[i], 0x5A);
  MQCNO bad = {MQCNO_DEFAULT};
  bad.Version = 9;
  MQHCONN none;
  MQCONNX(const_cast<char*>("QM1"), &bad, &none, &cc, &rc);
  EXPECT_EQ(rc, MQRC_CNO_ERROR);
  Disconnect(&h);
}

TEST_F(MqiTest, FaultsFailPutsRefuseNewConnectOptionsAndBreakConnections) {
  ASSERT_EQ(RunTool("fault QM1 put-fail APP.Q 1 2053"), 0);
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "APP.Q", MQOO_OUTPUT | MQOO_INQUIRE);
  EXPECT_EQ(Put(h, q, "a"), MQRC_Q_FULL);
  ASSERT_EQ(RunTool("fault QM1 put-warn APP.Q 1 2136"), 0);
  EXPECT_EQ(Put(h, q, "b"), 2136);
  EXPECT_EQ(Put(h, q, "c"), MQRC_NONE);
  EXPECT_EQ(InquireInt(h, q, MQIA_CURRENT_Q_DEPTH), 2);
  ASSERT_EQ(RunTool("fault QM1 refuse-cno7 on"), 0);
  MQCNO cno = {MQCNO_DEFAULT};
  cno.Version = MQCNO_VERSION_7;
  MQHCONN refused;
  MQLONG cc, rc;
  MQCONNX(const_cast<char*>("QM1"), &cno, &refused, &cc, &rc);
  EXPECT_EQ(rc, MQRC_CNO_ERROR);
  cno.Version = MQCNO_VERSION_1;
  MQCONNX(const_cast<char*>("QM1"), &cno, &refused, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE);
  ASSERT_EQ(RunTool("fault QM1 break root"), 0);
  EXPECT_EQ(Put(h, q, "d"), MQRC_CONNECTION_BROKEN);
  MQDISC(&h, &cc, &rc);
  MQDISC(&refused, &cc, &rc);
}

TEST_F(MqiTest, ConnectionsAreMadeOnlyThroughAHomeOfTheUsersOwn) {
  ASSERT_EQ(::chmod(home.path().c_str(), 0755), 0);
  MQHCONN h = MQHC_UNUSABLE_HCONN;
  MQLONG cc, rc;
  MQCONN(const_cast<char*>("QM1"), &h, &cc, &rc);
  EXPECT_EQ(rc, MQRC_Q_MGR_NOT_AVAILABLE);
  ASSERT_EQ(::chmod(home.path().c_str(), 0700), 0);
  h = Connect("QM1");
  Disconnect(&h);
}

TEST_F(MqiTest, PutToAnotherQueueManagerArrivesThere) {
  QueueManagerProcess qm2("QM2", "");
  ASSERT_EQ(RunTool("define QM2 REMOTE.Q"), 0);
  MQHCONN h = Connect();
  MQHOBJ remote = Open(h, "REMOTE.Q", MQOO_OUTPUT, 0, nullptr, "QM2");
  MQMD md = {MQMD_DEFAULT};
  FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, "APP.Q");
  ASSERT_EQ(Put(h, remote, "across", &md), MQRC_NONE);
  MQHCONN h2 = Connect("QM2");
  MQHOBJ there = Open(h2, "REMOTE.Q", MQOO_INPUT_SHARED);
  std::string data;
  MQMD got = {MQMD_DEFAULT};
  ASSERT_EQ(Get(h2, there, &data, &got, 1000), MQRC_NONE);
  EXPECT_EQ(data, "across");
  EXPECT_EQ(TextInField(got.ReplyToQMgr, 48), "QM1");
  EXPECT_EQ(TextInField(got.UserIdentifier, 12), "root");
  EXPECT_EQ(std::memcmp(got.MsgId, md.MsgId, 24), 0);
  Disconnect(&h2);
  Disconnect(&h);
}

TEST_F(MqiTest, UnitsOfWorkCommitAndBackOut) {
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "APP.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED | MQOO_INQUIRE);
  ASSERT_EQ(Put(h, q, "in unit", nullptr, MQPMO_SYNCPOINT), MQRC_NONE);
  std::string data;
  EXPECT_EQ(Get(h, q, &data), MQRC_NO_MSG_AVAILABLE);
  MQLONG cc, rc;
  MQCMIT(h, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  MQMD md = {MQMD_DEFAULT};
  ASSERT_EQ(Get(h, q, &data, &md, 0, 100, MQGMO_SYNCPOINT), MQRC_NONE);
  EXPECT_EQ(InquireInt(h, q, MQIA_CURRENT_Q_DEPTH), 0);
  MQBACK(h, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  md = MQMD{MQMD_DEFAULT};
  ASSERT_EQ(Get(h, q, &data, &md), MQRC_NONE);
  EXPECT_EQ(data, "in unit");
  EXPECT_EQ(md.BackoutCount, 1);
  InChild([] {
    MQHCONN c = Connect();
    MQHOBJ out = Open(c, "APP.Q", MQOO_OUTPUT);
    EXPECT_EQ(Put(c, out, "never committed", nullptr, MQPMO_SYNCPOINT), MQRC_NONE);
    ::_exit(0);  // ends without MQDISC: the unit is backed out
  });
  ASSERT_EQ(Put(h, q, "after", nullptr, MQPMO_SYNCPOINT), MQRC_NONE);
  Disconnect(&h);  // MQDISC commits
  h = Connect();
  q = Open(h, "APP.Q", MQOO_INPUT_SHARED);
  ASSERT_EQ(Get(h, q, &data), MQRC_NONE);
  EXPECT_EQ(data, "after");
  EXPECT_EQ(Get(h, q, &data), MQRC_NO_MSG_AVAILABLE);
  Disconnect(&h);
}

TEST_F(MqiTest, UnsupportedCallsSayFunctionNotSupported) {
  MQHCONN h = Connect();
  MQLONG cc, rc;
  MQSUB(h, nullptr, nullptr, nullptr, &cc, &rc);
  EXPECT_EQ(cc, MQCC_FAILED);
  EXPECT_EQ(rc, MQRC_FUNCTION_NOT_SUPPORTED);
  Disconnect(&h);
}

}  // namespace
}  // namespace mqemu_test
