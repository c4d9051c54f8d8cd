// The fault suite: the agent as a process against the stand-in, one case
// per fault, each asserting what the agent writes, what the clients
// receive, that nothing is lost that could be kept, and the exit status.
// Puts that fail to a client's reply queue and to the command server's
// queue, a reply queue deleted under an answer, the connection broken or
// ended by the queue manager, queues GET(INHIBITED), a paused command
// server, an error log that cannot be written, the stand-in's daemon
// killed, and a flood of malformed and unrecognised messages.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

#include "agent_client.h"
#include "agent_process.h"
#include "load_clients.h"
#include "pcf/mq_field.h"

namespace agent_test {
namespace {

constexpr char kNoResponse[] = "CSAG501E: No response from IBM MQ Command Server";
// Puts are retried twice without a pause; an orderly stop waits for the
// table, so that a request left in it shows as CSAG023I.
constexpr char kSuiteSettings[] = "retryint 0\nretrycount 2\nstopwait 5\n";

class FaultProcessTest : public ::testing::Test {
 protected:
  explicit FaultProcessTest(const std::string& stand_in_options = "--default")
      : stand_in_("QM1", stand_in_options) {}

  // Starts the agent with the suite's settings followed by `settings`.
  void StartAgent(const std::string& settings = "", const std::vector<std::string>& launcher = {}) {
    agent_ = std::make_unique<AgentProcess>(std::vector<std::string>{"-k", "-m", "QM1", "-v", "h"},
                                            kSuiteSettings + settings, LibraryDir(), launcher);
    ASSERT_TRUE(agent_->WaitUntilRunning()) << agent_->Log() << agent_->Output();
  }

  // A Ping through the agent is answered by the command server: the agent
  // goes on.
  void ExpectStillRelaying() {
    AgentClient client("QM1");
    client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
    Message reply;
    ASSERT_TRUE(client.Get(&reply)) << agent_->Log();
    EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, CompCode)), MQCC_OK);
  }

  // SIGTERM ends the agent in order with status 0, and no request was left
  // in its table (the stop had none to wait for).
  void ExpectOrderlyEndWithEmptyTable() {
    agent_->Signal(SIGTERM);
    ASSERT_EQ(agent_->WaitForExit(), 0) << agent_->Log() << agent_->Output();
    ExpectOrderlyShutdownAfter(agent_->Log(), "] CSAG022I Termination signal 15 received\n");
    EXPECT_EQ(agent_->Log().find("CSAG023I"), std::string::npos) << agent_->Log();
  }

  // The agent ends by itself with status 1, in order, after `cause`, and
  // without waiting for the requests in its table.
  void ExpectForcedEnd(const std::string& cause) {
    ASSERT_EQ(agent_->WaitForExit(), 1) << agent_->Log() << agent_->Output();
    ExpectOrderlyShutdownAfter(agent_->Log(), cause);
    EXPECT_EQ(agent_->Log().find("CSAG023I"), std::string::npos) << agent_->Log();
  }

  // Puts a request that the paused command server leaves in the table.
  void LeaveRequestOutstanding(AgentClient* client) {
    stand_in_.Tool("fault QM1 command-server pause");
    client->Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
    ASSERT_TRUE(agent_->WaitForLog("] CSAG401I")) << agent_->Log();
  }

  // Sends a Ping through the agent after `fault` ("put-fail N REASON", ...)
  // was set on the client's reply queue.
  void PingWithReplyQueueFault(AgentClient* client, const std::string& fault) {
    const size_t blank = fault.find(' ');
    stand_in_.Tool("fault QM1 " + fault.substr(0, blank) + " " + client->reply_queue() +
                   fault.substr(blank));
    client->Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
  }

  StandIn stand_in_;
  std::unique_ptr<AgentProcess> agent_;
};

// --- Puts to a client's reply queue and to the command server's queue ---

TEST_F(FaultProcessTest, ReplyQueuePutFailsAndIsRetried) {
  StartAgent();
  AgentClient client("QM1");
  PingWithReplyQueueFault(&client, "put-fail 2 2053");
  Message reply;
  ASSERT_TRUE(client.Get(&reply));
  EXPECT_FALSE(client.Get(&reply, 500)) << "delivered once";
  const std::string name = "QM1/" + client.reply_queue();
  const std::string log = agent_->Log();
  for (const char* retry : {"Retry #1 after 0 seconds\n", "Retry #2 after 0 seconds\n"}) {
    EXPECT_NE(log.find("] CSAG108E MQPUT to queue '" + name + "' failed with reason 2053 (Queue " +
                       "full) - " + retry),
              std::string::npos)
        << log;
  }
  EXPECT_EQ(log.find("CSAG107E"), std::string::npos) << log;

  ExpectOrderlyEndWithEmptyTable();
  const std::string report = agent_->Log();
  EXPECT_NE(report.find("  Failed Puts               :           2 :           2\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("  Puts Successfully Retried :           1 :           1\n"),
            std::string::npos)
      << report;
}

TEST_F(FaultProcessTest, ReplyQueuePutThatKeepsFailingIsGivenUpAndTheRequestRetired) {
  StartAgent();
  AgentClient client("QM1");
  PingWithReplyQueueFault(&client, "put-fail 3 2053");
  EXPECT_TRUE(agent_->WaitForLog("] CSAG107E MQPUT to queue 'QM1/" + client.reply_queue() +
                                 "' failed with reason 2053 ("))
      << agent_->Log();
  Message reply;
  EXPECT_FALSE(client.Get(&reply, 500));
  EXPECT_EQ(CountOf(agent_->Log(), "] CSAG108E"), 2) << agent_->Log();
  ExpectStillRelaying();
  ExpectOrderlyEndWithEmptyTable();
}

TEST_F(FaultProcessTest, ReplyQueuePutWithWarningIsDeliveredOnce) {
  StartAgent();
  AgentClient client("QM1");
  PingWithReplyQueueFault(&client, "put-warn 1 2049");
  Message reply;
  ASSERT_TRUE(client.Get(&reply));
  EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, CompCode)), MQCC_OK);
  EXPECT_FALSE(client.Get(&reply, 500)) << "a put that warned is not put again";
  EXPECT_TRUE(agent_->WaitForLog("] CSAG111I MQPUT to queue 'QM1/" + client.reply_queue() +
                                 "' completed with warning reason 2049 ("))
      << agent_->Log();
  EXPECT_EQ(agent_->Log().find("CSAG108E"), std::string::npos) << agent_->Log();
  ExpectOrderlyEndWithEmptyTable();
}

TEST_F(FaultProcessTest, CommandQueuePutFailsAndTheClientIsAnsweredAtOnce) {
  StartAgent();
  // One attempt for each of the two requests: a retry could not pass the
  // client's context. The third request goes through.
  stand_in_.Tool("fault QM1 put-fail SYSTEM.ADMIN.COMMAND.QUEUE 2 2053");
  AgentClient client("QM1");
  client.Put(PcfCommand(MQCMD_INQUIRE_Q_MGR, {}), MQFMT_ADMIN);
  Message reply;
  ASSERT_TRUE(client.Get(&reply)) << agent_->Log();
  EXPECT_EQ(reply.data.size(), 104u);
  EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, Reason)), MQRCCF_UNEXPECTED_ERROR);
  EXPECT_NE(reply.data.find(kNoResponse), std::string::npos);
  client.Put("PING QMGR", MQFMT_STRING);
  ASSERT_TRUE(client.Get(&reply)) << agent_->Log();
  EXPECT_EQ(reply.data, kNoResponse);

  const std::string log = agent_->Log();
  EXPECT_EQ(CountOf(log,
                    "] CSAG107E MQPUT to queue 'SYSTEM.ADMIN.COMMAND.QUEUE' failed with "
                    "reason 2053 ("),
            2)
      << log;
  EXPECT_EQ(log.find("CSAG303E"), std::string::npos) << "answered, not aged out";
  ExpectStillRelaying();
  ExpectOrderlyEndWithEmptyTable();
}

TEST_F(FaultProcessTest, ReplyQueueDeletedWhileTheAnswerIsUnderWay) {
  StartAgent();
  stand_in_.Tool("fault QM1 reply-delay 1000");
  std::string queue;
  {
    AgentClient client("QM1");
    queue = client.reply_queue();
    client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
    ASSERT_TRUE(agent_->WaitForLog("] CSAG401I")) << agent_->Log();
  }  // the client ends, and its temporary reply queue with it
  EXPECT_TRUE(agent_->WaitForLog("] CSAG104E MQOPEN of queue 'QM1/" + queue +
                                 "' failed with reason 2085 ("))
      << agent_->Log();
  // A put that cannot succeed on a queue that is gone is not retried.
  EXPECT_EQ(agent_->Log().find("CSAG108E"), std::string::npos) << agent_->Log();
  stand_in_.Tool("fault QM1 reply-delay 0");
  ExpectStillRelaying();
  ExpectOrderlyEndWithEmptyTable();
}

// A client that names its temporary reply queue itself makes it again under
// the same name when it comes back: the handle the agent kept for the old
// queue is of no use, and the answer reaches the new queue.
TEST_F(FaultProcessTest, ReplyQueueMadeAgainReceivesTheAnswer) {
  StartAgent();
  for (int round = 0; round < 2; ++round) {
    MQHCONN hconn = mqemu_test::Connect("QM1");
    MQOD od = {MQOD_DEFAULT};
    FillBlankPadded(od.ObjectName, sizeof od.ObjectName, "SYSTEM.DEFAULT.MODEL.QUEUE");
    FillBlankPadded(od.DynamicQName, sizeof od.DynamicQName, "CLIENT.REPLY");
    MQHOBJ reply = MQHO_UNUSABLE_HOBJ;
    MQLONG comp_code = MQCC_OK;
    MQLONG reason = MQRC_NONE;
    MQOPEN(hconn, &od, MQOO_INPUT_EXCLUSIVE, &reply, &comp_code, &reason);
    ASSERT_EQ(reason, MQRC_NONE);
    MQMD md = {MQMD_DEFAULT};
    memcpy(md.Format, MQFMT_ADMIN, MQ_FORMAT_LENGTH);
    md.MsgType = MQMT_REQUEST;
    FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, "CLIENT.REPLY");
    MQHOBJ input = mqemu_test::Open(hconn, kAgentInputQueue, MQOO_OUTPUT);
    ASSERT_EQ(mqemu_test::Put(hconn, input, PcfCommand(MQCMD_PING_Q_MGR, {}), &md), MQRC_NONE);
    std::string data;
    EXPECT_EQ(mqemu_test::Get(hconn, reply, &data, nullptr, kWaitMs), MQRC_NONE)
        << "round " << round << "\n"
        << agent_->Log();
    mqemu_test::Disconnect(&hconn);  // the reply queue goes
  }
  EXPECT_EQ(agent_->Log().find("CSAG107E"), std::string::npos) << agent_->Log();
  ExpectOrderlyEndWithEmptyTable();
}

// --- The connection and the queue manager ---

TEST_F(FaultProcessTest, BrokenConnectionForcesTheEnd) {
  StartAgent();
  AgentClient client("QM1");
  LeaveRequestOutstanding(&client);
  stand_in_.Tool("fault QM1 break '*'");
  ExpectForcedEnd("] CSAG199E CSAGNT received reason code 2009 (");
}

TEST_F(FaultProcessTest, ConnectionQuiescingForcesTheEnd) {
  StartAgent();
  stand_in_.Tool("fault QM1 event 2202");
  ExpectForcedEnd("] CSAG199E CSAGNT received reason code 2202 (");
}

TEST_F(FaultProcessTest, QueueManagerQuiescingForcesTheEnd) {
  StartAgent();
  stand_in_.Stop("");  // controlled: the connections are told 2161
  ExpectForcedEnd("] CSAG199E CSAGNT received reason code 2161 (");
  EXPECT_EQ(CountOf(agent_->Log(), "CSAG199E"), 1) << agent_->Log();
}

TEST_F(FaultProcessTest, QueueManagerStoppingForcesTheEnd) {
  StartAgent();
  stand_in_.Stop("--immediate");  // the connections are told 2162
  ExpectForcedEnd("] CSAG199E CSAGNT received reason code 2162 (");
}

TEST_F(FaultProcessTest, DaemonKilledEndsTheAgentInOrder) {
  StartAgent();
  AgentClient client("QM1");
  LeaveRequestOutstanding(&client);
  std::ifstream pid_file(std::string(getenv("MQEMU_HOME")) + "/QM1.pid");
  pid_t daemon = 0;
  ASSERT_TRUE(pid_file >> daemon);
  ASSERT_EQ(kill(daemon, SIGKILL), 0);
  ExpectForcedEnd("] CSAG199E CSAGNT received reason code 2009 (");
  // The stand-in comes back for the fixture's orderly end.
  stand_in_.Tool("start QM1 --default");
}

// --- Queues GET(INHIBITED) ---

TEST_F(FaultProcessTest, GetInhibitedInputQueueForcesTheEnd) {
  StartAgent();
  stand_in_.Tool(std::string("fault QM1 inhibit ") + kAgentInputQueue + " get");
  ExpectForcedEnd("] CSAG120E Queue 'TOVAN.CSAGNT.COMMAND.QUEUE' has been GET(INHIBITED)\n");
}

TEST_F(FaultProcessTest, GetInhibitedReplyQueueForcesTheEnd) {
  StartAgent();
  const std::string reply_queue = agent_->ActualReplyQueue();
  stand_in_.Tool("fault QM1 inhibit " + reply_queue + " get");
  ExpectForcedEnd("] CSAG120E Queue '" + reply_queue + "' has been GET(INHIBITED)\n");
}

// --- The command server ---

TEST_F(FaultProcessTest, PausedCommandServerIsAnsweredByTheAgent) {
  StartAgent("maxage 1\nreqchkdelay 1\n");
  AgentClient client("QM1");
  LeaveRequestOutstanding(&client);
  Message reply;
  ASSERT_TRUE(client.Get(&reply)) << agent_->Log();
  EXPECT_EQ(reply.data.size(), 104u);
  EXPECT_NE(reply.data.find(kNoResponse), std::string::npos);
  EXPECT_TRUE(
      agent_->WaitForLog("] CSAG303E Ageing out request for ReplyQ '" + client.reply_queue() + "'"))
      << agent_->Log();
  stand_in_.Tool("fault QM1 command-server resume");
  // The late reply to the aged request is dropped, not delivered.
  EXPECT_TRUE(agent_->WaitForLog("] CSAG302E Unrecognised reply received MsgId: "))
      << agent_->Log();
  EXPECT_FALSE(client.Get(&reply, 200));
  ExpectStillRelaying();
  ExpectOrderlyEndWithEmptyTable();
}

// --- The error log ---

// Root writes into a read-only directory all the same; the agent is then
// started without that capability.
std::vector<std::string> WithoutOverridingPermissions() {
  if (geteuid() != 0) return {};
  return {"setpriv", "--inh-caps=-dac_override,-dac_read_search",
          "--bounding-set=-dac_override,-dac_read_search"};
}

class LogFaultProcessTest : public FaultProcessTest, public ::testing::WithParamInterface<bool> {
 protected:
  std::string LogFailFatal() const {
    return GetParam() ? "logfailfatal yes\n" : "logfailfatal no\n";
  }
};

TEST_P(LogFaultProcessTest, ReadOnlyLogDirectory) {
  if (geteuid() == 0 && system("setpriv --help >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "setpriv is needed to take root's override of permissions";
  }
  // Small files, so that the rotation needs the directory soon.
  StartAgent(LogFailFatal() + "maxlogsize 2000\n", WithoutOverridingPermissions());
  ASSERT_EQ(chmod(agent_->dir().path().c_str(), 0555), 0);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(RunAgent({"-c", "REPORT", "-m", "QM1"}).exit_status, 0);
  if (GetParam()) {
    EXPECT_TRUE(
        WaitForText([this] { return agent_->Log() + agent_->Output(); }, "CSAG208E", 1, kWaitMs))
        << agent_->Log() << agent_->Output();
    EXPECT_EQ(agent_->WaitForExit(), 1) << agent_->Log() << agent_->Output();
  } else {
    ExpectStillRelaying();
    EXPECT_TRUE(
        WaitForText([this] { return agent_->Log() + agent_->Output(); }, "CSAG208E", 1, kWaitMs));
    agent_->Signal(SIGTERM);
    EXPECT_EQ(agent_->WaitForExit(), 0) << agent_->Log() << agent_->Output();
  }
  chmod(agent_->dir().path().c_str(), 0700);
}

TEST_P(LogFaultProcessTest, LogOnAFullDevice) {
  TempDir dir;
  const std::string log_dir = dir.path() + "/full";
  ASSERT_EQ(mkdir(log_dir.c_str(), 0700), 0);
  ASSERT_EQ(symlink("/dev/full", (log_dir + "/CSAGNT_Log01.txt").c_str()), 0);
  agent_ = std::make_unique<AgentProcess>(
      std::vector<std::string>{"-k", "-m", "QM1"},
      kSuiteSettings + LogFailFatal() + "logpath \"" + log_dir + "\"\n");
  const auto output = [this] { return agent_->Output(); };
  ASSERT_TRUE(WaitForText(
      output,
      "CSAG211E Unable to write to error log file '" + log_dir + "/CSAGNT_Log01.txt' rc=28 (", 1,
      kWaitMs))
      << agent_->Output();
  if (GetParam()) {
    EXPECT_EQ(agent_->WaitForExit(), 1) << agent_->Output();
  } else {
    // The messages go to standard output instead, and the agent goes on.
    ASSERT_TRUE(WaitForText(output, "CSAG004I Parameters in effect:", 1, kWaitMs)) << output();
    ExpectStillRelaying();
    agent_->Signal(SIGTERM);
    EXPECT_EQ(agent_->WaitForExit(), 0) << agent_->Output();
    EXPECT_NE(agent_->Output().find("CSAG099I CSAGNT Agent shutting down"), std::string::npos);
  }
  EXPECT_EQ(CountOf(agent_->Output(), "CSAG211E"), 1) << "once until a write succeeds";
}

INSTANTIATE_TEST_SUITE_P(LogFailFatal, LogFaultProcessTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

// --- A flood of malformed and unrecognised messages ---

// Puts `count` messages of `data` + their number to `queue` through one
// connection and handle, in units of work of 1,000, so that they reach the
// agent in batches. When the queue is full (the agent, on a loaded machine,
// has fallen behind by its depth) the putter commits what it has and waits
// for room, as a flooding client would: every message still goes.
void Flood(const std::string& queue, int count, const std::string& data, const char* format) {
  MQHCONN hconn = mqemu_test::Connect("QM1");
  MQHOBJ hobj = mqemu_test::Open(hconn, queue, MQOO_OUTPUT);
  const auto commit = [&] {
    MQLONG comp_code = MQCC_OK;
    MQLONG reason = MQRC_NONE;
    MQCMIT(hconn, &comp_code, &reason);
    return reason;
  };
  for (int i = 0; i < count; ++i) {
    MQMD md = {MQMD_DEFAULT};
    memcpy(md.Format, format, MQ_FORMAT_LENGTH);
    MQLONG reason = mqemu_test::Put(hconn, hobj, data + std::to_string(i), &md, MQPMO_SYNCPOINT);
    for (int waits = 0; reason == MQRC_Q_FULL && waits < 3000; ++waits) {
      ASSERT_EQ(commit(), MQRC_NONE);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      md = MQMD{MQMD_DEFAULT};
      memcpy(md.Format, format, MQ_FORMAT_LENGTH);
      reason = mqemu_test::Put(hconn, hobj, data + std::to_string(i), &md, MQPMO_SYNCPOINT);
    }
    ASSERT_EQ(reason, MQRC_NONE);
    if (i % 1000 == 999 || i == count - 1) {
      ASSERT_EQ(commit(), MQRC_NONE);
    }
  }
  mqemu_test::Close(hconn, &hobj);
  mqemu_test::Disconnect(&hconn);
}

// Waits until `queue` has room for one more message, as the flood's putters
// do when they find it full.
void WaitForRoom(const std::string& queue) {
  MQHCONN hconn = mqemu_test::Connect("QM1");
  MQHOBJ hobj = mqemu_test::Open(hconn, queue, MQOO_INQUIRE);
  const MQLONG max_depth = mqemu_test::InquireInt(hconn, hobj, MQIA_MAX_Q_DEPTH);
  for (int waits = 0;
       mqemu_test::InquireInt(hconn, hobj, MQIA_CURRENT_Q_DEPTH) >= max_depth && waits < 3000;
       ++waits) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  mqemu_test::Close(hconn, &hobj);
  mqemu_test::Disconnect(&hconn);
}

// Whether `text` holds a byte outside printable ASCII other than a line end.
bool HasControlCharacters(const std::string& text) {
  for (unsigned char c : text) {
    if (c != '\n' && (c < 0x20 || c >= 0x7F)) return true;
  }
  return false;
}

TEST_F(FaultProcessTest, FloodOfMalformedAndUnrecognisedMessages) {
  const int count = LoadSize("CSAGNT_FLOOD_COUNT", 100000);
  const auto flood_start = std::chrono::steady_clock::now();
  StartAgent("maxlogsize 100000000\n");  // one file holds the whole flood
  ExpectStillRelaying();
  const std::string reply_queue = agent_->ActualReplyQueue();
  const long before_kb = agent_->PeakResidentKb();
  // Half on the input queue: datagrams that are no simple command, with
  // terminal control sequences; half on the agent's reply queue: replies
  // to no request. Two putters for each queue, each on its own connection.
  std::vector<std::thread> putters;
  for (int half = 0; half < 2; ++half) {
    putters.emplace_back(Flood, kAgentInputQueue, count / 4, "\x1b[2J\x07STOP\r\n", MQFMT_STRING);
    putters.emplace_back(Flood, reply_queue, count / 4, std::string("\x1b]0;\x9b", 5), MQFMT_ADMIN);
  }
  for (std::thread& putter : putters) putter.join();
  printf("flood: %d messages put in %.2f s\n", count,
         std::chrono::duration<double>(std::chrono::steady_clock::now() - flood_start).count());
  // The input queue is read in order: the answer comes after the flood,
  // which may still fill the queue when the putters are done.
  const auto start = std::chrono::steady_clock::now();
  WaitForRoom(kAgentInputQueue);
  ExpectStillRelaying();
  printf("flood: ping answered %.2f s after the flood\n",
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  EXPECT_TRUE(agent_->WaitForLog("] CSAG302E", 1)) << "the reply queue's flood is read too";
  const long after_kb = agent_->PeakResidentKb();
  EXPECT_LT(after_kb - before_kb, 64 * 1024) << before_kb << " KiB before, " << after_kb;
  printf("flood: agent peak resident memory %ld KiB before, %ld KiB after\n", before_kb, after_kb);

  agent_->Signal(SIGTERM);
  ASSERT_EQ(agent_->WaitForExit(), 0) << agent_->Output();
  const std::string logs = agent_->Log();
  EXPECT_GT(CountOf(logs, "] CSAG212E CSAGNT does not recognise the simple command '.[2J.STOP..1"),
            0);
  EXPECT_GT(CountOf(logs, "] CSAG302E Unrecognised reply received MsgId: "), 0);
  EXPECT_FALSE(HasControlCharacters(logs));
  // Every message of the input queue was taken: the flood, the two Pings.
  const AgentCounters counters = LastReportCounters(agent_->Log());
  EXPECT_EQ(counters.commands, count / 4 * 2 + 2);
  EXPECT_EQ(counters.replies, 2);
}

}  // namespace
}  // namespace agent_test
