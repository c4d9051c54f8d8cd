// The command server's status commands, each family set to a known state by
// an application's puts, gets and open handles and read through PCF and
// MQSC: queue and handle status, queue statistics and their reset, the
// queue manager's status and its connections; bad requests answered as IBM
// MQ answers them, the command server serving on.
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "command_server_fixture.h"

namespace mqemu_test {
namespace {

class StatusTest : public CommandServerFixture {
 protected:
  StatusTest() : CommandServerFixture("--default") {}

  void SetUp() override {
    CommandServerFixture::SetUp();
    ASSERT_EQ(RunTool("define QM1 A.Q --monq medium"), 0);
    ASSERT_EQ(RunTool("define QM1 A.QB"), 0);
    ASSERT_EQ(RunTool("define QM1 A.ALIAS --alias A.Q"), 0);
  }

  // The MQSC output of command, one text per reply.
  std::vector<std::string> MqscReplies(const std::string& command) {
    std::vector<std::string> out;
    for (const Params& p : Ask(EscapeRequest(command))) {
      out.push_back(p.count(MQCACF_ESCAPE_TEXT) ? p.at(MQCACF_ESCAPE_TEXT).text : "");
    }
    return out;
  }
  static pcf::PcfBuilder QueueStatus(const std::string& name, MQLONG type = MQIACF_Q_STATUS) {
    pcf::PcfBuilder b(MQCFT_COMMAND, MQCMD_INQUIRE_Q_STATUS);
    b.String(MQCA_Q_NAME, name);
    b.Integer(MQIACF_Q_STATUS_TYPE, type);
    return b;
  }
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string OsUser() {
  passwd* pw = getpwuid(geteuid());
  return pw ? pw->pw_name : "";
}

TEST_F(StatusTest, QueueAndHandleStatusAfterPutsGetsAndOpenHandles) {
  auto before = Ask(QueueStatus("A.Q"));
  ASSERT_EQ(before.size(), 1u);
  EXPECT_EQ(TrimTrailingBlanks(before[0][MQCACF_LAST_PUT_DATE].text), "") << "blank until a put";
  EXPECT_EQ(before[0][MQCACF_LAST_PUT_DATE].text.size(), 12u);

  MQHOBJ out = Open(h, "A.Q", MQOO_OUTPUT | MQOO_INQUIRE);
  MQHOBJ in = Open(h, "A.ALIAS", MQOO_INPUT_SHARED | MQOO_BROWSE);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Put(h, out, "m" + std::to_string(i)), MQRC_NONE);
  std::string data;
  ASSERT_EQ(Get(h, in, &data), MQRC_NONE);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));

  auto status = Ask(QueueStatus("A.Q"));
  ASSERT_EQ(status.size(), 1u);
  Params& q = status[0];
  EXPECT_EQ(q[MQIACF_Q_STATUS_TYPE].value, MQIACF_Q_STATUS);
  EXPECT_EQ(q[MQIA_CURRENT_Q_DEPTH].value, 2);
  EXPECT_EQ(q[MQIA_OPEN_INPUT_COUNT].value, 1);
  EXPECT_EQ(q[MQIA_OPEN_OUTPUT_COUNT].value, 1);
  EXPECT_EQ(q[MQIACF_UNCOMMITTED_MSGS].value, 0);
  EXPECT_EQ(TrimTrailingBlanks(q[MQCACF_LAST_PUT_DATE].text).size(), 10u);
  EXPECT_EQ(TrimTrailingBlanks(q[MQCACF_LAST_GET_TIME].text).size(), 8u);
  EXPECT_GE(q[MQIACF_OLDEST_MSG_AGE].value, 1);
  ASSERT_EQ(q[MQIACF_Q_TIME_INDICATOR].values.size(), 2u);
  EXPECT_GE(q[MQIACF_Q_TIME_INDICATOR].values[0], 0);
  EXPECT_EQ(q[MQIA_MONITORING_Q].value, MQMON_MEDIUM);

  // What the queue's monitoring does not collect is not available.
  auto unmonitored = Ask(QueueStatus("A.QB"));
  ASSERT_EQ(unmonitored.size(), 1u);
  EXPECT_EQ(unmonitored[0][MQIACF_OLDEST_MSG_AGE].value, MQMON_NOT_AVAILABLE);

  // A selection reports the identity and what it asks; a generic name one
  // reply per local queue.
  pcf::PcfBuilder depth_only = QueueStatus("A.Q");
  depth_only.IntegerList(MQIACF_Q_STATUS_ATTRS, {MQIA_CURRENT_Q_DEPTH});
  auto selected = Ask(std::move(depth_only));
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_EQ(selected[0].size(), 3u);
  EXPECT_EQ(Ask(QueueStatus("A.*")).size(), 2u) << "the alias has no status of its own";

  // One handle status per open handle, on the queue messages reach.
  auto handles = Ask(QueueStatus("A.Q", MQIACF_Q_HANDLE));
  ASSERT_EQ(handles.size(), 2u);
  for (Params& p : handles) {
    EXPECT_EQ(p[MQIACF_PROCESS_ID].value, getpid());
    EXPECT_GT(p[MQIACF_THREAD_ID].value, 0);
    EXPECT_EQ(TrimTrailingBlanks(p[MQCACF_USER_IDENTIFIER].text), OsUser().substr(0, 12));
    EXPECT_EQ(TrimTrailingBlanks(p[MQCACF_APPL_TAG].text), "mqemu_status_test");
    EXPECT_EQ(p[MQIA_APPL_TYPE].value, MQAT_USER);
  }
  EXPECT_EQ(handles[0][MQIACF_OPEN_OUTPUT].value, MQQSO_YES);
  EXPECT_EQ(handles[0][MQIACF_OPEN_INQUIRE].value, MQQSO_YES);
  EXPECT_EQ(handles[1][MQIACF_OPEN_INPUT_TYPE].value, MQQSO_SHARED);
  EXPECT_EQ(handles[1][MQIACF_OPEN_BROWSE].value, MQQSO_YES);

  // MQSC shows the same.
  auto shown = MqscReplies("DISPLAY QSTATUS(A.Q) ALL");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(Contains(shown[0], "AMQ8450I: Display queue status details.")) << shown[0];
  for (const char* field : {"QUEUE(A.Q)", "TYPE(QUEUE)", "CURDEPTH(2)", "IPPROCS(1)", "OPPROCS(1)",
                            "UNCOM(NO)", "MONQ(MEDIUM)"}) {
    EXPECT_TRUE(Contains(shown[0], field)) << field << "\n" << shown[0];
  }
  EXPECT_FALSE(Contains(shown[0], "MSGAGE( )")) << shown[0];
  EXPECT_TRUE(Contains(MqscReplies("DISPLAY QSTATUS(A.QB) MSGAGE QTIME")[0], "QTIME( , )"));
  auto shown_handles = MqscReplies("DISPLAY QSTATUS(A.Q) TYPE(HANDLE) ALL");
  ASSERT_EQ(shown_handles.size(), 2u);
  EXPECT_TRUE(Contains(shown_handles[0], "OUTPUT(YES)")) << shown_handles[0];
  EXPECT_TRUE(Contains(shown_handles[1], "INPUT(SHARED)")) << shown_handles[1];
  EXPECT_TRUE(Contains(shown_handles[1], "PID(" + std::to_string(getpid()) + ")"));

  // Bad requests, answered as IBM MQ answers them; serving goes on.
  EXPECT_EQ(Reason(QueueStatus("NO.SUCH.Q")), MQRC_UNKNOWN_OBJECT_NAME);
  EXPECT_EQ(Reason(QueueStatus("NO.SUCH.*")), MQRC_UNKNOWN_OBJECT_NAME);
  EXPECT_EQ(Reason(QueueStatus("A.ALIAS")), MQRCCF_Q_WRONG_TYPE);
  EXPECT_EQ(Reason(QueueStatus("A.Q", 42)), MQRCCF_PARM_VALUE_ERROR);
  pcf::PcfBuilder mistyped = QueueStatus("A.Q");
  mistyped.Integer(MQIACF_Q_STATUS_ATTRS, MQIACF_ALL);
  EXPECT_EQ(Reason(std::move(mistyped)), MQRCCF_CFIN_PARM_ID_ERROR);
  EXPECT_TRUE(Contains(MqscReplies("DISPLAY QSTATUS(NO.SUCH.Q)")[0], "AMQ8147E"));
  EXPECT_TRUE(Contains(MqscReplies("DISPLAY QSTATUS(A.Q) TYPE(NONE)")[0], "AMQ8405I"));
  EXPECT_EQ(Ask(QueueStatus("A.Q")).size(), 1u);
  Close(h, &in);
  Close(h, &out);
}

TEST_F(StatusTest, ResetQueueStatisticsCountsEveryPutAndGetAndStartsAgain) {
  MQHOBJ q = Open(h, "A.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Put(h, q, "m"), MQRC_NONE);
  std::string data;
  ASSERT_EQ(Get(h, q, &data), MQRC_NONE);
  auto reset = [&](const std::string& name) {
    pcf::PcfBuilder b(MQCFT_COMMAND, MQCMD_RESET_Q_STATS);
    b.String(MQCA_Q_NAME, name);
    return Ask(std::move(b));
  };
  auto first = reset("A.Q");
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0][MQIA_HIGH_Q_DEPTH].value, 3);
  EXPECT_EQ(first[0][MQIA_MSG_ENQ_COUNT].value, 3);
  EXPECT_EQ(first[0][MQIA_MSG_DEQ_COUNT].value, 1);
  EXPECT_GE(first[0][MQIA_TIME_SINCE_RESET].value, 0);
  auto second = MqscReplies("RESET QSTATS(A.Q)");
  ASSERT_EQ(second.size(), 1u);
  for (const char* field : {"QUEUE(A.Q)", "HIQDEPTH(0)", "MSGSIN(0)", "MSGSOUT(0)", "RESETINT("}) {
    EXPECT_TRUE(Contains(second[0], field)) << field << "\n" << second[0];
  }
  // The command server's own gets and puts count too.
  auto commands = reset("SYSTEM.ADMIN.COMMAND.QUEUE");
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_GE(commands[0][MQIA_MSG_DEQ_COUNT].value, 3);
  auto replies_counted = reset(reply_queue);
  ASSERT_EQ(replies_counted.size(), 1u);
  EXPECT_GE(replies_counted[0][MQIA_MSG_ENQ_COUNT].value, 3) << "the replies so far";
  EXPECT_EQ(reset("A.*").size(), 2u);
  EXPECT_EQ(Reason([] {
              pcf::PcfBuilder b(MQCFT_COMMAND, MQCMD_RESET_Q_STATS);
              b.String(MQCA_Q_NAME, "A.ALIAS");
              return b;
            }()),
            MQRCCF_Q_WRONG_TYPE);
  Close(h, &q);
}

TEST_F(StatusTest, QueueManagerStatusAndConnectionsWithTheirHandles) {
  MQHCONN other = Connect();
  MQHOBJ q = Open(other, "A.Q", MQOO_OUTPUT | MQOO_FAIL_IF_QUIESCING);
  auto qm = Ask(pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_INQUIRE_Q_MGR_STATUS));
  ASSERT_EQ(qm.size(), 1u);
  EXPECT_EQ(TrimTrailingBlanks(qm[0][MQCA_Q_MGR_NAME].text), "QM1");
  EXPECT_EQ(qm[0][MQIACF_Q_MGR_STATUS].value, MQQMSTA_RUNNING);
  EXPECT_EQ(qm[0][MQIACF_CMD_SERVER_STATUS].value, MQSVC_STATUS_RUNNING);
  EXPECT_EQ(qm[0][MQIACF_CONNECTION_COUNT].value, 2);
  EXPECT_EQ(TrimTrailingBlanks(qm[0][MQCACF_Q_MGR_START_DATE].text).size(), 10u);
  auto shown = MqscReplies("DISPLAY QMSTATUS ALL");
  ASSERT_EQ(shown.size(), 1u);
  for (const char* field :
       {"AMQ8705I", "QMNAME(QM1)", "STATUS(RUNNING)", "CMDSERV(RUNNING)", "CONNS(2)", "STARTDA("}) {
    EXPECT_TRUE(Contains(shown[0], field)) << field << "\n" << shown[0];
  }

  auto connections = [&](MQLONG type, const std::string& id, bool generic, MQLONG* reason) {
    pcf::PcfBuilder b(MQCFT_COMMAND, MQCMD_INQUIRE_CONNECTION);
    b.ByteString(generic ? MQBACF_GENERIC_CONNECTION_ID : MQBACF_CONNECTION_ID, id);
    b.Integer(MQIACF_CONN_INFO_TYPE, type);
    return Ask(std::move(b), reason);
  };
  MQLONG reason = 0;
  auto all = connections(MQIACF_CONN_INFO_ALL, "", true, &reason);
  ASSERT_EQ(all.size(), 5u) << "two connections, with two and one handles";
  std::string other_id;
  for (Params& p : all) {
    EXPECT_EQ(p[MQBACF_CONNECTION_ID].text.size(), 24u);
    EXPECT_EQ(p[MQBACF_CONNECTION_ID].text.substr(0, 8), "AMQCQM1 ");
    if (p[MQIACF_CONN_INFO_TYPE].value == MQIACF_CONN_INFO_CONN) {
      EXPECT_EQ(p[MQIACF_PROCESS_ID].value, getpid());
      EXPECT_EQ(TrimTrailingBlanks(p[MQCACF_APPL_TAG].text), "mqemu_status_test");
      EXPECT_EQ(p[MQIACF_UOW_STATE].value, MQUOWST_NONE);
    } else if (TrimTrailingBlanks(p[MQCACF_OBJECT_NAME].text) == "A.Q") {
      other_id = p[MQBACF_CONNECTION_ID].text;
      EXPECT_EQ(p[MQIACF_OPEN_OPTIONS].value, MQOO_OUTPUT | MQOO_FAIL_IF_QUIESCING);
    }
  }
  ASSERT_EQ(other_id.size(), 24u);
  auto handles = connections(MQIACF_CONN_INFO_HANDLE, other_id, false, &reason);
  ASSERT_EQ(handles.size(), 1u);
  EXPECT_EQ(handles[0][MQIACF_OBJECT_TYPE].value, MQOT_Q);

  std::string hex;
  char two[3];
  for (size_t i = 16; i < 24; ++i) {
    std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(other_id[i]));
    hex += two;
  }
  auto conn = MqscReplies("DISPLAY CONN(" + hex + ") TYPE(ALL) ALL");
  ASSERT_EQ(conn.size(), 1u);
  const std::vector<std::string> fields = {"AMQ8276I",
                                           "CONN(" + hex + ")",
                                           "EXTCONN(414D5143514D31",
                                           "TYPE(CONN)",
                                           "OBJNAME(A.Q)",
                                           "OPENOPTS(MQOO_OUTPUT,MQOO_FAIL_IF_QUIESCING)",
                                           "CONNOPTS(MQCNO_SHARED_BINDING)",
                                           "APPLTAG(mqemu_status_test)"};
  for (const std::string& field : fields) {
    EXPECT_TRUE(Contains(conn[0], field)) << field << "\n" << conn[0];
  }
  EXPECT_TRUE(Contains(conn[0], "\n   TYPE(CONN)\n")) << "on a line of its own\n" << conn[0];
  EXPECT_EQ(MqscReplies("DISPLAY CONN(*)").size(), 2u);

  // Unknown and malformed identifiers.
  connections(MQIACF_CONN_INFO_CONN, std::string(24, '\0'), false, &reason);
  EXPECT_EQ(reason, MQRCCF_NONE_FOUND);
  connections(MQIACF_CONN_INFO_CONN, "short", false, &reason);
  EXPECT_EQ(reason, MQRCCF_CONNECTION_ID_ERROR);
  EXPECT_TRUE(Contains(MqscReplies("DISPLAY CONN(0123456789ABCDEF)")[0], "AMQ8147E"));
  Close(other, &q);
  Disconnect(&other);
  auto after = Ask(pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_INQUIRE_Q_MGR_STATUS));
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0][MQIACF_CONNECTION_COUNT].value, 1);

  // MQDISC returns when the connection and its handles are gone: what is
  // asked at once after it sees neither.
  MQHCONN watcher = Connect();
  MQHOBJ inquiry = Open(watcher, "A.Q", MQOO_INQUIRE);
  for (int i = 0; i < 50; ++i) {
    MQHCONN brief = Connect();
    Open(brief, "A.Q", MQOO_OUTPUT);
    Disconnect(&brief);
    ASSERT_EQ(InquireInt(watcher, inquiry, MQIA_OPEN_OUTPUT_COUNT), 0) << "round " << i;
    auto now = Ask(pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_INQUIRE_Q_MGR_STATUS));
    ASSERT_EQ(now.size(), 1u);
    ASSERT_EQ(now[0][MQIACF_CONNECTION_COUNT].value, 2) << "round " << i;
  }
  Close(watcher, &inquiry);
  Disconnect(&watcher);
}

}  // namespace
}  // namespace mqemu_test
