// csagnt-query where something goes wrong, as a user meets it: replies that
// are no answer (groups nested beyond any reader's depth, PCF shorter than
// its header, a report, MQSC text full of terminal control sequences), sent
// by the test playing the command server of a stand-in that has none; a
// wrong command line and a queue manager or queue that is not there, each
// answered in JSON too; and a simulated link the client library refuses.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "agent/agent_client.h"
#include "emulator/qmgr_fixture.h"
#include "pcf/mq_field.h"
#include "support/run_program.h"

namespace {

using agent_test::FakeCommandServer;
using agent_test::LibraryDir;
using agent_test::Message;
using agent_test::StandIn;
using nlohmann::json;

const std::map<std::string, std::string> kServerBindings = {{"MQM_DLL_PATH", LibraryDir()}};
const std::vector<std::string> kUnset = {"MQIC_DLL_PATH", "MQ_INSTALLATION_PATH", "MQSERVER",
                                         "MQEMU_LINK"};

ProgramRun Query(const std::vector<std::string>& args) {
  return RunProgram(QUERY_PROGRAM, args, kServerBindings, kUnset);
}

// csagnt-query running while the test answers its request.
class RunningQuery {
 public:
  explicit RunningQuery(const std::vector<std::string>& args) {
    if (pipe(fds_) != 0) ADD_FAILURE() << "pipe";
    fcntl(fds_[0], F_SETFD, FD_CLOEXEC);
    pid_ = StartProgram(QUERY_PROGRAM, args, fds_[1], kServerBindings, kUnset);
    close(fds_[1]);
  }
  // Reads all it writes and waits for it to end.
  ProgramRun Finish() {
    ProgramRun run;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds_[0], buffer, sizeof buffer)) > 0) {
      run.output.append(buffer, static_cast<size_t>(n));
    }
    close(fds_[0]);
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) {
      run.exit_status = WEXITSTATUS(status);
    }
    return run;
  }

 private:
  int fds_[2] = {-1, -1};
  pid_t pid_ = -1;
};

json JsonOf(const ProgramRun& run) {
  // Standard error comes before or after the object in the output.
  const size_t begin = run.output.find("{\n");
  const size_t end = run.output.rfind("\n}");
  json parsed = begin < end && end != std::string::npos
                    ? json::parse(run.output.substr(begin, end + 2 - begin), nullptr, false)
                    : json(json::value_t::discarded);
  EXPECT_FALSE(parsed.is_discarded()) << run.output;
  return parsed;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A PCF response to PING_Q_MGR with `groups` groups each holding the next,
// the innermost an integer.
std::string NestedGroups(int groups) {
  pcf::PcfBuilder b(MQCFT_RESPONSE, MQCMD_PING_Q_MGR, 1, MQCFC_LAST);
  for (int i = 0; i < groups; ++i) b.Group(8000, 1);
  b.Integer(MQIA_CURRENT_Q_DEPTH, 7);
  return b.Finish();
}

class QueryErrorsTest : public ::testing::Test {
 protected:
  // Sends `args` with --direct and answers the request with `data` as a
  // message of `msg_type` and `feedback`, as a command server (or the queue
  // manager, for a report) would put it; returns what csagnt-query did.
  ProgramRun Answered(std::vector<std::string> args, const std::string& data, const char* format,
                      MQLONG msg_type = MQMT_REPLY, MQLONG feedback = MQFB_NONE) {
    args.insert(args.begin(), {"-m", "QM1", "--direct"});
    RunningQuery query(args);
    Message request;
    EXPECT_TRUE(server_.NextRequest(&request));
    MQMD md = {MQMD_DEFAULT};
    std::memcpy(md.Format, format, MQ_FORMAT_LENGTH);
    md.MsgType = msg_type;
    md.Feedback = feedback;
    std::memcpy(md.CorrelId, request.md.MsgId, sizeof md.CorrelId);
    MQHOBJ reply_queue =
        mqemu_test::Open(hconn_, TextInField(request.md.ReplyToQ, MQ_Q_NAME_LENGTH), MQOO_OUTPUT);
    EXPECT_EQ(mqemu_test::Put(hconn_, reply_queue, data, &md), MQRC_NONE);
    mqemu_test::Close(hconn_, &reply_queue);
    return query.Finish();
  }

  void TearDown() override { mqemu_test::Disconnect(&hconn_); }

  StandIn stand_in_{"QM1", "--default --no-command-server"};
  FakeCommandServer server_{"QM1"};
  MQHCONN hconn_ = mqemu_test::Connect("QM1");
};

TEST_F(QueryErrorsTest, RepliesThatAreNoAnswerFailAndStayBounded) {
  const std::vector<std::string> ping = {"--pcf", "PING_Q_MGR"};
  std::vector<std::string> ping_json = ping;
  ping_json.push_back("--json");

  // Ten groups deep, as deep as the agent reads: every level shown, each two
  // blanks further in.
  const ProgramRun ten = Answered(ping, NestedGroups(10), MQFMT_ADMIN);
  EXPECT_EQ(ten.exit_status, 0) << ten.output;
  EXPECT_TRUE(Contains(ten.output, "\n" + std::string(2 + 2 * 10, ' ') + "CURRENT_Q_DEPTH (3) = 7"))
      << ten.output;

  // 100,000 deep: refused at the eleventh, in a few lines, text and JSON.
  const std::string deep = NestedGroups(100'000);
  const ProgramRun text = Answered(ping, deep, MQFMT_ADMIN);
  EXPECT_EQ(text.exit_status, 1) << text.output.substr(0, 2000);
  EXPECT_TRUE(Contains(text.output, "a reply could not be read: reason 3259")) << text.output;
  EXPECT_TRUE(Contains(text.output, "groups nested more than 10 deep")) << text.output;
  EXPECT_LT(text.output.size(), 2000u);
  const ProgramRun as_json = Answered(ping_json, deep, MQFMT_ADMIN);
  EXPECT_EQ(as_json.exit_status, 1) << as_json.output.substr(0, 2000);
  EXPECT_LT(as_json.output.size(), 4000u);
  const json deep_answer = JsonOf(as_json);
  EXPECT_EQ(deep_answer["reason"], 3259);
  EXPECT_EQ(deep_answer["complete"], false);
  EXPECT_EQ(deep_answer["exit_status"], 1);

  // PCF shorter than its header: 0 and 10 bytes.
  for (const size_t length : {size_t{0}, size_t{10}}) {
    const ProgramRun run = Answered(ping_json, std::string(length, 'x'), MQFMT_ADMIN);
    EXPECT_EQ(run.exit_status, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "csagnt-query: a reply could not be read: reason 3016"))
        << run.output;
    const json answer = JsonOf(run);
    EXPECT_EQ(answer["complete"], false);
    EXPECT_EQ(answer["reason_name"], "MQRCCF_MSG_LENGTH_ERROR");
    EXPECT_EQ(answer["error"],
              "a reply could not be read: reason 3016 (MQRCCF_MSG_LENGTH_ERROR: Message length "
              "error)");
  }

  // A report instead of the answer, its feedback named.
  const ProgramRun report = Answered(ping_json, "", MQFMT_NONE, MQMT_REPORT, MQFB_EXPIRATION);
  EXPECT_EQ(report.exit_status, 1) << report.output;
  EXPECT_TRUE(Contains(report.output, "a report came instead of the answer: feedback 258 (MQFB_"))
      << report.output;
  EXPECT_EQ(JsonOf(report)["feedback"], 258);

  // MQSC text that would retitle and clear the terminal: its control bytes
  // shown as '.', its lines kept.
  pcf::PcfBuilder escape(MQCFT_RESPONSE, MQCMD_ESCAPE, 1, MQCFC_LAST);
  escape.Integer(MQIACF_ESCAPE_TYPE, MQET_MQSC);
  escape.String(MQCACF_ESCAPE_TEXT,
                "AMQ8409I: Display Queue details.\n   DESCR(\x1b]0;owned\x07\x1b[2J\x9b"
                "31m)");
  const ProgramRun mqsc = Answered({"DISPLAY QLOCAL(A)"}, escape.Finish(), MQFMT_ADMIN);
  EXPECT_EQ(mqsc.exit_status, 0) << mqsc.output;
  EXPECT_TRUE(
      Contains(mqsc.output, "AMQ8409I: Display Queue details.\n   DESCR(.]0;owned..[2J.31m)"))
      << mqsc.output;
}

TEST_F(QueryErrorsTest, AWrongCommandLineOrAMissingObjectIsAnErrorInJsonToo) {
  // Waits that are no number of seconds, or beyond a day.
  for (const char* wait : {"nan", "inf", "-1", "1e10", "1e300", "2147484", "86400.5"}) {
    const ProgramRun run = Query({"-m", "QM1", "--wait", wait, "--json", "PING QMGR"});
    EXPECT_EQ(run.exit_status, 2) << wait << ": " << run.output;
    EXPECT_TRUE(Contains(run.output, "is not a number of seconds from 0 to 86400")) << run.output;
    EXPECT_EQ(JsonOf(run)["exit_status"], 2) << run.output;
  }
  // The longest wait, answered.
  pcf::PcfBuilder pong(MQCFT_RESPONSE, MQCMD_PING_Q_MGR, 1, MQCFC_LAST);
  const ProgramRun day =
      Answered({"--wait", "86400", "--pcf", "PING_Q_MGR"}, pong.Finish(), MQFMT_ADMIN);
  EXPECT_EQ(day.exit_status, 0) << day.output;

  // Names longer than IBM MQ's are refused, not cut to another name.
  const ProgramRun long_queue = Query({"-m", "QM1", "-q", std::string(60, 'Q'), "PING QMGR"});
  EXPECT_EQ(long_queue.exit_status, 2) << long_queue.output;
  EXPECT_TRUE(Contains(long_queue.output, "is 60 characters long; a queue name has at most 48"))
      << long_queue.output;
  EXPECT_EQ(Query({"-m", std::string(49, 'M'), "PING QMGR"}).exit_status, 2);

  // What could not be asked, in JSON: error, reason, exit status; the
  // queue manager's name as given shown printable.
  const ProgramRun no_qmgr = Query({"-m", "NO\x1b[2JQM", "--json", "PING QMGR"});
  EXPECT_EQ(no_qmgr.exit_status, 1) << no_qmgr.output;
  EXPECT_FALSE(Contains(no_qmgr.output, "\x1b")) << no_qmgr.output;
  const json qmgr_error = JsonOf(no_qmgr);
  EXPECT_EQ(qmgr_error["error"],
            "connecting to queue manager NO.[2JQM failed: reason 2059 "
            "(MQRC_Q_MGR_NOT_AVAILABLE: QMgr not available)");
  EXPECT_EQ(qmgr_error["reason"], 2059);
  EXPECT_EQ(qmgr_error["exit_status"], 1);
  EXPECT_TRUE(qmgr_error.contains("hint"));

  const json queue_error = JsonOf(Query({"-m", "QM1", "-q", "NO.SUCH.Q", "--json", "PING QMGR"}));
  EXPECT_EQ(queue_error["reason_name"], "MQRC_UNKNOWN_OBJECT_NAME");
  EXPECT_EQ(queue_error["exit_status"], 1);

  const ProgramRun usage = Query({"-m", "QM1", "--json", "--no-such-option", "PING QMGR"});
  EXPECT_EQ(usage.exit_status, 2) << usage.output;
  EXPECT_TRUE(Contains(JsonOf(usage)["error"].get<std::string>(), "--no-such-option"))
      << usage.output;
  EXPECT_EQ(JsonOf(Query({"-m", "QM1", "--json", "--pcf", "NO_SUCH_COMMAND"}))["exit_status"], 2);
}

TEST(QueryLinkTest, ALinkBeyondTheLongestRoundTripIsRefusedAtOnce) {
  StandIn stand_in;
  for (const char* link : {"rtt=1000s", "rtt=10001ms", "rtt=\x1b[2J"}) {
    const ProgramRun run =
        RunProgram(QUERY_PROGRAM, {"--client", "-m", "QM1", "--wait", "5", "PING QMGR"},
                   {{"MQIC_DLL_PATH", LibraryDir()}, {"MQEMU_LINK", link}},
                   {"MQM_DLL_PATH", "MQ_INSTALLATION_PATH", "MQSERVER"});
    EXPECT_EQ(run.exit_status, 1) << link << ": " << run.output;
    EXPECT_TRUE(Contains(run.output, "is refused")) << run.output;
    EXPECT_TRUE(Contains(run.output, "reason 2012")) << run.output;
    EXPECT_FALSE(Contains(run.output, "\x1b")) << run.output;
  }
}

}  // namespace
