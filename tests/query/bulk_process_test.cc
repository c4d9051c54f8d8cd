// csagnt-query's bulk work against stand-in queue managers with agents
// beside them: a dump replayed into a second queue manager dumps the same, a
// script runs whole past a failing command, and ten queue managers are asked
// at once through a gateway with one of them stopped.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <nlohmann/json.hpp>

#include "agent/agent_client.h"
#include "agent/agent_process.h"
#include "emulator/qmgr_fixture.h"
#include "query_program.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using agent_test::AgentProcess;
using agent_test::LibraryDir;
using agent_test::StandIn;
using nlohmann::json;

// The text without its first line (the dump's heading names the queue
// manager and the time).
std::string AfterFirstLine(const std::string& text) {
  return text.substr(text.find('\n') + 1);
}

// A queue manager beside the first (in its home), with the agent's input
// queue and an agent running.
struct Neighbour {
  explicit Neighbour(StandIn& stand_in, const std::string& name) : qmgr(name, ""), agent(nullptr) {
    stand_in.Tool("define " + name + " TOVAN.CSAGNT.COMMAND.QUEUE");
    agent = std::make_unique<AgentProcess>(std::vector<std::string>{"-k", "-m", name});
    EXPECT_TRUE(agent->WaitUntilRunning()) << agent->Log();
  }
  ~Neighbour() {
    if (!agent) return;
    agent->Signal(SIGTERM);
    agent->WaitForExit();
  }
  mqemu_test::QueueManagerProcess qmgr;
  std::unique_ptr<AgentProcess> agent;
};

class BulkProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(agent_.WaitUntilRunning()) << agent_.Log(); }
  void TearDown() override {
    agent_.Signal(SIGTERM);
    EXPECT_EQ(agent_.WaitForExit(), 0) << agent_.Log() << agent_.Output();
  }

  StandIn stand_in_{"QM1"};
  AgentProcess agent_{{"-k", "-m", "QM1"}};
  TempDir dir_;
};

TEST_F(BulkProcessTest, ADumpReplayedElsewhereDumpsTheSame) {
  // Objects of every kind, made by a script of the awkward cases.
  const std::string setup = dir_.Write(
      "setup.mqsc",
      "* objects with values that need quoting\n"
      "DEFINE QLOCAL(APP.ONE) DESCR('it''s (a) test') MAXDEPTH(77) +\n"
      "       NOTRIGGER PROCESS(APP.PROC)\n"
      "DEFINE QLOCAL('app.lower') DESCR('lower case') SHARE\n"
      "DEFINE QMODEL(APP.MODEL) DEFTYPE(PERMDYN)\n"
      "DEFINE QALIAS(APP.ALIAS) TARGET(APP.ONE)\n"
      "DEFINE QREMOTE(APP.REMOTE) RNAME(FAR.Q) RQMNAME(FAR)\n"
      "DEFINE PROCESS(APP.PROC) APPLICID('/usr/bin/app --x') USERDATA('a b')\n"
      "DEFINE NAMELIST(APP.NL) NAMES(APP.ONE,APP.ALIAS)\n"
      "DEFINE CHANNEL(APP.TO.FAR) CHLTYPE(SDR) CONNAME('far.example.com(1414)') XMITQ(FAR)\n"
      "ALTER QMGR DESCR('Dumped queue manager') MAXHANDS(300)\n");
  ASSERT_EQ(Query({"-m", "QM1", "--file", setup}).exit_status, 0);

  const ProgramRun dump = Query({"-m", "QM1", "--dump"});
  ASSERT_EQ(dump.exit_status, 0) << dump.output;
  for (const char* text :
       {"ALTER QMGR +\n", "DESCR('it''s (a) test')", "DEFINE QLOCAL('app.lower')",
        "DEFTYPE(PERMDYN)", "APPLICID('/usr/bin/app --x')", "NAMES(APP.ONE,APP.ALIAS)",
        "MAXHANDS(300)", "   NOTRIGGER +\n"}) {
    EXPECT_NE(dump.output.find(text), std::string::npos) << text << "\n" << dump.output;
  }
  // Sorted by kind, then name; no dates, counts or temporary queues.
  const size_t qmgr = dump.output.find("ALTER QMGR"),
               local = dump.output.find("DEFINE QLOCAL(APP.ONE)"),
               model = dump.output.find("DEFINE QMODEL(APP.MODEL)"),
               alias = dump.output.find("DEFINE QALIAS(APP.ALIAS)"),
               process = dump.output.find("DEFINE PROCESS(APP.PROC)"),
               namelist = dump.output.find("DEFINE NAMELIST(APP.NL)"),
               channel = dump.output.find("DEFINE CHANNEL(APP.TO.FAR)");
  EXPECT_LT(qmgr, local);
  EXPECT_LT(local, model);
  EXPECT_LT(model, alias);
  EXPECT_LT(alias, process);
  EXPECT_LT(process, namelist);
  EXPECT_LT(namelist, channel);
  EXPECT_NE(channel, std::string::npos);
  for (const char* text : {"ALTDATE", "CRDATE", "CURDEPTH", "QMID", "CSAGNT.QUERY."}) {
    EXPECT_EQ(dump.output.find(text), std::string::npos) << text;
  }

  // Replayed into an empty queue manager, it dumps the same.
  Neighbour qm2(stand_in_, "QM2");
  const std::string file = dir_.Write("qm1.mqsc", dump.output);
  const ProgramRun replay = Query({"-m", "QM2", "--file", file});
  EXPECT_EQ(replay.exit_status, 0) << replay.output;
  EXPECT_NE(replay.output.find("All valid MQSC commands were processed."), std::string::npos)
      << replay.output;
  const ProgramRun again = Query({"-m", "QM2", "--dump"});
  ASSERT_EQ(again.exit_status, 0) << again.output;
  EXPECT_EQ(AfterFirstLine(again.output), AfterFirstLine(dump.output));

  // Narrowed by type and name, and as data.
  const ProgramRun narrow = Query({"-m", "QM2", "--dump", "--type", "qlocal,process", "APP.*"});
  EXPECT_EQ(narrow.exit_status, 0) << narrow.output;
  EXPECT_NE(narrow.output.find("QLOCAL(APP.ONE)"), std::string::npos) << narrow.output;
  EXPECT_NE(narrow.output.find("PROCESS(APP.PROC)"), std::string::npos) << narrow.output;
  for (const char* text : {"ALTER QMGR", "APP.MODEL", "APP.NL", "SYSTEM."}) {
    EXPECT_EQ(narrow.output.find(text), std::string::npos) << text << "\n" << narrow.output;
  }
  const json data =
      json::parse(Query({"-m", "QM2", "--dump", "--json", "--type", "qalias"}).output);
  ASSERT_EQ(data["objects"].size(), 1u) << data.dump(2);
  EXPECT_EQ(data["objects"][0]["object"], "QALIAS");
  EXPECT_EQ(data["objects"][0]["name"], "APP.ALIAS");
  EXPECT_EQ(data["objects"][0]["attributes"]["TARGET"], "APP.ONE");
  EXPECT_EQ(data["exit_status"], 0);
  EXPECT_EQ(Query({"-m", "QM2", "--dump", "--type", "nothing"}).exit_status, 2);
}

TEST_F(BulkProcessTest, AScriptRunsWholePastAFailingCommand) {
  const std::string script = dir_.Write("script.mqsc",
                                        "* a comment, then a blank line\n"
                                        "\n"
                                        "DEFINE QLOCAL(S.ONE) +\n"
                                        "   DESCR('first')\n"
                                        "DELETE QLOCAL(NO.SUCH.Q)\n"
                                        "DEFINE QLOCAL(S.TWO) DESCR('sec-\n"
                                        "ond')\n"
                                        "DISPLAY QLOCAL(S.*) DESCR\n");
  const ProgramRun run = Query({"-m", "QM1", "--file", script});
  EXPECT_EQ(run.exit_status, 1) << run.output;
  const std::vector<std::string> in_order = {
      "     1 : DEFINE QLOCAL(S.ONE) DESCR('first')\nAMQ8006I",
      "     2 : DELETE QLOCAL(NO.SUCH.Q)\nAMQ8147E",
      "     3 : DEFINE QLOCAL(S.TWO) DESCR('second')\nAMQ8006I",
      "     4 : DISPLAY QLOCAL(S.*) DESCR\n",
      "DESCR(first)",
      "DESCR(second)",
      "4 MQSC commands read.\nNo commands have a syntax error.\n"
      "One valid MQSC command could not be processed.\n"};
  size_t at = 0;
  for (const std::string& text : in_order) {
    const size_t found = run.output.find(text, at);
    ASSERT_NE(found, std::string::npos) << text << "\n" << run.output;
    at = found + text.size();
  }

  // As JSON: one answer per command, in order, each with its own status.
  const json data = json::parse(Query({"-m", "QM1", "--json", "--file", script}).output);
  ASSERT_EQ(data["commands"].size(), 4u);
  EXPECT_EQ(data["commands"][1]["exit_status"], 1);
  EXPECT_EQ(data["commands"][3]["mqsc"], "DISPLAY QLOCAL(S.*) DESCR");
  EXPECT_EQ(data["exit_status"], 1);
}

TEST_F(BulkProcessTest, TenQueueManagersAtOnceThroughAGateway) {
  std::vector<std::unique_ptr<Neighbour>> estate;
  std::string names;
  stand_in_.Tool("define QM1 ONLY.ON.QM1");
  for (int i = 2; i <= 10; ++i) {
    const std::string name = "QM" + std::to_string(i);
    estate.push_back(std::make_unique<Neighbour>(stand_in_, name));
    stand_in_.Tool("define " + name + " ONLY.ON." + name);
    names += "," + name;
  }
  // One of them stopped: its agent, then the queue manager.
  estate[4]->agent->Signal(SIGTERM);
  estate[4]->agent->WaitForExit();
  estate[4]->agent.reset();
  estate[4]->qmgr.Stop();

  const std::string file = dir_.Write("estate", "# the estate\nQM1\n" + names.substr(1) + "\n");
  const ProgramRun run = Query({"--gateway", "QM1", "--qmgrs-file", file, "--wait", "20",
                                "DISPLAY QLOCAL(ONLY.*) CURDEPTH"});
  EXPECT_EQ(run.exit_status, 1) << run.output;
  for (int i = 1; i <= 10; ++i) {
    const std::string name = "QM" + std::to_string(i);
    const size_t heading = run.output.find("=== " + name + " ===\n");
    EXPECT_NE(heading, std::string::npos) << name << "\n" << run.output;
    if (i == 6) continue;
    EXPECT_NE(run.output.find("QUEUE(ONLY.ON." + name + ")", heading), std::string::npos)
        << run.output;
  }
  EXPECT_NE(run.output.find("1 of 10 queue managers did not answer: QM6\n"), std::string::npos)
      << run.output;

  // As JSON, keyed by queue manager; all nine answering: status 0.
  const ProgramRun three =
      Query({"-m", "QM2,QM3,QM4", "--json", "--pcf", "INQUIRE_Q", "Q_NAME=ONLY.*"});
  EXPECT_EQ(three.exit_status, 0) << three.output;
  const json data = json::parse(three.output);
  for (const char* name : {"QM2", "QM3", "QM4"}) {
    ASSERT_TRUE(data.contains(name)) << data.dump(2);
    EXPECT_EQ(data[name]["responses"][0]["parameters"]["Q_NAME"], std::string("ONLY.ON.") + name);
  }
}

}  // namespace
