// csagnt-query as an administrator runs it, against a stand-in queue manager
// with the agent beside it: MQSC and PCF through the agent and directly, as
// text and as JSON, a z/OS queue manager, and the exit status of each way an
// answer can fail to come.
#include <gtest/gtest.h>

#include <csignal>
#include <nlohmann/json.hpp>
#include <set>

#include "agent/agent_client.h"
#include "agent/agent_process.h"
#include "query_program.h"
#include "support/run_program.h"

namespace {

using agent_test::AgentProcess;
using agent_test::LibraryDir;
using agent_test::StandIn;
using nlohmann::json;

// As a remote administrator: the client library over a simulated link.
ProgramRun ClientQuery(std::vector<std::string> args) {
  args.insert(args.begin(), "--client");
  return RunProgram(QUERY_PROGRAM, args,
                    {{"MQIC_DLL_PATH", LibraryDir()}, {"MQEMU_LINK", "rtt=2ms,rate=100mbit"}},
                    {"MQM_DLL_PATH", "MQ_INSTALLATION_PATH", "MQSERVER"});
}

json ParseJson(const ProgramRun& run) {
  json parsed = json::parse(run.output, nullptr, false);
  EXPECT_FALSE(parsed.is_discarded()) << run.output;
  return parsed;
}

// The queue names of the responses of a PCF answer in JSON, but for the
// temporary reply queue of the csagnt-query that asked.
std::set<std::string> QueueNames(const json& answer) {
  std::set<std::string> names;
  for (const json& r : answer["responses"]) {
    const std::string name = r["parameters"]["Q_NAME"];
    if (!name.starts_with("CSAGNT.QUERY.")) names.insert(name);
  }
  return names;
}

class QueryProcessTest : public ::testing::Test {
 protected:
  explicit QueryProcessTest(const std::string& qmgr = "QM1",
                            const std::string& options = "--default",
                            const std::string& settings = "")
      : stand_in_(qmgr, options), agent_({"-k", "-m", qmgr}, settings) {}

  void SetUp() override { ASSERT_TRUE(agent_.WaitUntilRunning()) << agent_.Log(); }
  void TearDown() override {
    agent_.Signal(SIGTERM);
    EXPECT_EQ(agent_.WaitForExit(), 0) << agent_.Log() << agent_.Output();
  }

  StandIn stand_in_;
  AgentProcess agent_;
};

TEST_F(QueryProcessTest, MqscThroughTheAgentPrintsAsRunmqsc) {
  const ProgramRun run = Query({"-m", "QM1", "DISPLAY QLOCAL(SYSTEM.*) MAXDEPTH"});
  EXPECT_EQ(run.exit_status, 0) << run.output;
  EXPECT_EQ(run.output.rfind("     1 : DISPLAY QLOCAL(SYSTEM.*) MAXDEPTH\n"
                             "AMQ8409I: Display Queue details.\n"
                             "   QUEUE(SYSTEM.ADMIN.COMMAND.QUEUE)",
                             0),
            0u)
      << run.output;
  EXPECT_NE(run.output.find("   QUEUE(SYSTEM.DEAD.LETTER.QUEUE)"), std::string::npos);

  // A command the command server rejects: its text, and status 1.
  const ProgramRun missing = Query({"-m", "QM1", "DISPLAY", "QLOCAL(NO.SUCH.Q)"});
  EXPECT_EQ(missing.exit_status, 1) << missing.output;
  EXPECT_NE(missing.output.find("1 : DISPLAY QLOCAL(NO.SUCH.Q)\nAMQ8147E"), std::string::npos)
      << missing.output;

  // A remote queue's definition, made and shown through the agent.
  const ProgramRun define =
      Query({"-m", "QM1", "DEFINE QREMOTE(R.Q) RNAME(X) RQMNAME(QM2) XMITQ(QM2)"});
  EXPECT_NE(define.output.find("AMQ8006I"), std::string::npos) << define.output;
  const ProgramRun remote = Query({"-m", "QM1", "DISPLAY QREMOTE(R.Q) ALL"});
  EXPECT_EQ(remote.exit_status, 0) << remote.output;
  for (const char* field : {"TYPE(QREMOTE)", "RNAME(X)", "RQMNAME(QM2)", "XMITQ(QM2)"}) {
    EXPECT_NE(remote.output.find(field), std::string::npos) << remote.output;
  }
}

TEST_F(QueryProcessTest, PcfPrintsOneBlockPerResponseByName) {
  stand_in_.Tool("define QM1 APP.ONE");
  stand_in_.Tool("define QM1 APP.TWO");
  const ProgramRun run =
      Query({"-m", "QM1", "--pcf", "INQUIRE_Q", "Q_NAME=APP.*", "Q_ATTRS=CURRENT_Q_DEPTH"});
  EXPECT_EQ(run.exit_status, 0) << run.output;
  EXPECT_EQ(run.output,
            "Response 1: INQUIRE_Q, CompCode 0, Reason 0\n"
            "  Q_NAME (2016) = \"APP.ONE\"\n"
            "  Q_TYPE (20) = 1\n"
            "  CURRENT_Q_DEPTH (3) = 0\n"
            "\n"
            "Response 2: INQUIRE_Q, CompCode 0, Reason 0\n"
            "  Q_NAME (2016) = \"APP.TWO\"\n"
            "  Q_TYPE (20) = 1\n"
            "  CURRENT_Q_DEPTH (3) = 0\n");

  const ProgramRun failed = Query({"-m", "QM1", "--pcf", "INQUIRE_Q", "Q_NAME=NO.SUCH.Q"});
  EXPECT_EQ(failed.exit_status, 1) << failed.output;
  EXPECT_NE(failed.output.find("CompCode 2, Reason 2085 (MQRC_UNKNOWN_OBJECT_NAME"),
            std::string::npos)
      << failed.output;

  const ProgramRun bad = Query({"-m", "QM1", "--pcf", "INQUIRE_Q", "NO_SUCH_PARAMETER=1"});
  EXPECT_EQ(bad.exit_status, 2) << bad.output;
  const ProgramRun unknown = Query({"-m", "QM1", "--pcf", "NO_SUCH_COMMAND"});
  EXPECT_EQ(unknown.exit_status, 2) << unknown.output;
}

TEST_F(QueryProcessTest, JsonThroughTheAgentHoldsWhatTheCommandServerSays) {
  for (int i = 1; i <= 30; ++i) stand_in_.Tool("define QM1 APP.Q" + std::to_string(i));
  const std::vector<std::string> inquiry = {"-m",
                                            "QM1",
                                            "--json",
                                            "--pcf",
                                            "INQUIRE_Q",
                                            "Q_NAME=*",
                                            "Q_ATTRS=Q_NAME,CURRENT_Q_DEPTH,MAX_Q_DEPTH"};
  std::vector<std::string> direct_args = inquiry;
  direct_args.push_back("--direct");
  const ProgramRun through = Query(inquiry);
  const ProgramRun direct = Query(direct_args);
  ASSERT_EQ(through.exit_status, 0) << through.output;
  ASSERT_EQ(direct.exit_status, 0) << direct.output;
  const json a = ParseJson(through);
  const json d = ParseJson(direct);
  EXPECT_EQ(a["path"], "agent");
  EXPECT_EQ(d["path"], "direct");
  EXPECT_EQ(d["queue"], "SYSTEM.ADMIN.COMMAND.QUEUE");
  EXPECT_EQ(QueueNames(a), QueueNames(d));
  EXPECT_GE(QueueNames(a).size(), 33u);

  // The agent coalesces: fewer, smaller messages for the same answer.
  EXPECT_LT(a["messages"].get<int>(), d["messages"].get<int>());
  EXPECT_LT(a["bytes"].get<int>(), d["bytes"].get<int>());
  EXPECT_EQ(d["messages"].get<size_t>(), d["responses"].size());
  for (const json& r : a["responses"]) {
    EXPECT_EQ(r["comp_code"], 0);
    EXPECT_EQ(r["command"], "INQUIRE_Q");
    EXPECT_TRUE(r["parameters"].contains("CURRENT_Q_DEPTH") || r["parameters"]["Q_TYPE"] != 1);
  }

  // Inquire Queue Manager: the agent's information apart from the
  // parameters, and only through the agent.
  const json qmgr = ParseJson(Query({"-m", "QM1", "--json", "--pcf", "INQUIRE_Q_MGR"}));
  EXPECT_EQ(qmgr["responses"][0]["parameters"]["Q_MGR_NAME"], "QM1");
  EXPECT_EQ(qmgr["responses"][0]["agent"]["CSAGNT_COMMAND_LEVEL"], 930);
  EXPECT_FALSE(qmgr["responses"][0]["parameters"].contains("CSAGNT_COMMAND_LEVEL"));
  const json plain =
      ParseJson(Query({"-m", "QM1", "--json", "--direct", "--pcf", "INQUIRE_Q_MGR"}));
  EXPECT_FALSE(plain["responses"][0].contains("agent"));

  // MQSC as JSON: the escape texts, the same both ways.
  const json mqsc_a = ParseJson(Query({"-m", "QM1", "--json", "DISPLAY QLOCAL(APP.Q1*)"}));
  const json mqsc_d =
      ParseJson(Query({"-m", "QM1", "--json", "--direct", "DISPLAY QLOCAL(APP.Q1*)"}));
  ASSERT_EQ(mqsc_a["responses"].size(), mqsc_d["responses"].size());
  ASSERT_FALSE(mqsc_a["responses"].empty());
  for (size_t i = 0; i < mqsc_a["responses"].size(); ++i) {
    EXPECT_EQ(mqsc_a["responses"][i]["parameters"]["ESCAPE_TEXT"],
              mqsc_d["responses"][i]["parameters"]["ESCAPE_TEXT"]);
  }
}

TEST_F(QueryProcessTest, AsAClientOverALink) {
  const json through = ParseJson(ClientQuery({"-m", "QM1", "--json", "--pcf", "INQUIRE_Q_MGR"}));
  EXPECT_EQ(through["responses"][0]["agent"]["CSAGNT_COMMAND_LEVEL"], 930);
  const ProgramRun direct = ClientQuery({"-m", "QM1", "--direct", "DISPLAY QLOCAL(SYSTEM.*)"});
  EXPECT_EQ(direct.exit_status, 0) << direct.output;
  EXPECT_NE(direct.output.find("QUEUE(SYSTEM.DEAD.LETTER.QUEUE)"), std::string::npos)
      << direct.output;
  // The server library is not what --client loads.
  const ProgramRun no_client =
      RunProgram(QUERY_PROGRAM, {"--client", "-m", "QM1", "PING QMGR"},
                 {{"MQM_DLL_PATH", LibraryDir()}, {"MQIC_DLL_PATH", "/nonexistent"}});
  EXPECT_EQ(no_client.exit_status, 1) << no_client.output;
  EXPECT_NE(no_client.output.find("libmqic_r.so (set MQIC_DLL_PATH"), std::string::npos)
      << no_client.output;
}

TEST_F(QueryProcessTest, FailuresToAskHaveClearErrors) {
  const ProgramRun no_qmgr = Query({"-m", "NO.SUCH.QMGR", "DISPLAY QMGR"});
  EXPECT_EQ(no_qmgr.exit_status, 1) << no_qmgr.output;
  EXPECT_NE(no_qmgr.output.find("queue manager NO.SUCH.QMGR failed: reason 2059"),
            std::string::npos)
      << no_qmgr.output;

  const ProgramRun no_queue = Query({"-m", "QM1", "-q", "NO.AGENT.QUEUE", "DISPLAY QMGR"});
  EXPECT_EQ(no_queue.exit_status, 1) << no_queue.output;
  EXPECT_NE(no_queue.output.find("reason 2085"), std::string::npos) << no_queue.output;
  EXPECT_NE(no_queue.output.find("input queue NO.AGENT.QUEUE is not defined"), std::string::npos)
      << no_queue.output;

  // A queue that nobody serves: no answer within the wait.
  stand_in_.Tool("define QM1 NOBODY.READS.THIS");
  const ProgramRun silent =
      Query({"-m", "QM1", "-q", "NOBODY.READS.THIS", "--wait", "0.3", "DISPLAY QMGR"});
  EXPECT_EQ(silent.exit_status, 3) << silent.output;
  EXPECT_NE(silent.output.find("no answer within 0.3 s"), std::string::npos) << silent.output;

  const ProgramRun no_library =
      RunProgram(QUERY_PROGRAM, {"-m", "QM1", "DISPLAY QMGR"}, {{"MQM_DLL_PATH", "/nonexistent"}});
  EXPECT_EQ(no_library.exit_status, 1) << no_library.output;
  EXPECT_NE(no_library.output.find("libmqm_r.so"), std::string::npos) << no_library.output;
}

class QueryAgentErrorTest : public QueryProcessTest {
 protected:
  QueryAgentErrorTest() : QueryProcessTest("QM1", "--default", "maxage 1\nreqchkdelay 1\n") {}
};

TEST_F(QueryAgentErrorTest, TheAgentsErrorReplyIsShownAsSuch) {
  stand_in_.Tool("fault QM1 command-server pause");
  const ProgramRun pcf = Query({"-m", "QM1", "--wait", "20", "--pcf", "PING_Q_MGR"});
  EXPECT_EQ(pcf.exit_status, 4) << pcf.output;
  EXPECT_NE(pcf.output.find("CSAGNT_ERROR_TEXT (39999) = \"CSAG501E: No response from IBM MQ "
                            "Command Server\""),
            std::string::npos)
      << pcf.output;
  EXPECT_NE(pcf.output.find("the agent answered CSAG501E"), std::string::npos) << pcf.output;

  const ProgramRun mqsc = Query({"-m", "QM1", "--wait", "20", "--json", "PING QMGR"});
  EXPECT_EQ(mqsc.exit_status, 4) << mqsc.output;
  const size_t end = mqsc.output.rfind('}');
  ASSERT_NE(end, std::string::npos) << mqsc.output;
  const json answer = json::parse(mqsc.output.substr(0, end + 1));
  EXPECT_EQ(answer["agent_error"], true);
  EXPECT_EQ(answer["exit_status"], 4);
  stand_in_.Tool("fault QM1 command-server resume");
}

class QueryZosTest : public QueryProcessTest {
 protected:
  QueryZosTest() : QueryProcessTest("ZQM1", "--platform zos") {}
};

TEST_F(QueryZosTest, MqscGoesAsTextAndComesBackAsItsReplySet) {
  for (const bool direct : {false, true}) {
    std::vector<std::string> args = {"-m", "ZQM1", "DISPLAY QLOCAL(SYSTEM.*)"};
    if (direct) args.push_back("--direct");
    const ProgramRun run = Query(args);
    EXPECT_EQ(run.exit_status, 0) << run.output;
    EXPECT_NE(run.output.find("CSQN205I"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("CSQ9022I"), std::string::npos) << run.output;
  }
  const json answer = ParseJson(Query({"-m", "ZQM1", "--json", "--direct", "DISPLAY QMGR"}));
  EXPECT_EQ(answer["queue"], "SYSTEM.COMMAND.INPUT");
  EXPECT_FALSE(answer["texts"].empty());

  const ProgramRun failed = Query({"-m", "ZQM1", "DELETE QLOCAL(NO.SUCH.Q)"});
  EXPECT_EQ(failed.exit_status, 1) << failed.output;
  EXPECT_NE(failed.output.find("CSQ9023E"), std::string::npos) << failed.output;
}

}  // namespace
