// One client must never stall, misdirect or silence the agent for the
// others: the agent as a process against the stand-in, one grouped case per
// family. Answers that cannot be put wait without blocking anyone and end in
// the dead-letter queue; answers go only where they belong, whoever guesses
// identifiers; reports about a forwarded request reach its client without
// losing the answer; a hang-up stops the agent in order; a flood of reply
// queues stays within the queue manager's handles; what the agent adds
// counts against the client's queue size; a command queue that is the input
// queue is refused at start.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include "agent_client.h"
#include "agent_process.h"
#include "pcf/mq_field.h"

namespace agent_test {
namespace {

constexpr char kDeadLetterQueue[] = "SYSTEM.DEAD.LETTER.QUEUE";

class IsolationProcessTest : public ::testing::Test {
 protected:
  explicit IsolationProcessTest(const std::string& stand_in_options = "--default")
      : stand_in_("QM1", stand_in_options) {}

  void StartAgent(const std::string& settings = "") {
    agent_ = std::make_unique<AgentProcess>(std::vector<std::string>{"-k", "-m", "QM1", "-v", "h"},
                                            settings);
    ASSERT_TRUE(agent_->WaitUntilRunning()) << agent_->Log() << agent_->Output();
  }

  // Gets the next message of `queue`, its descriptor into *md; "" when none
  // came within the wait.
  std::string GetFrom(const std::string& queue, MQMD* md = nullptr, int wait_ms = kWaitMs) {
    MQHCONN hconn = mqemu_test::Connect("QM1");
    MQHOBJ hobj = mqemu_test::Open(hconn, queue, MQOO_INPUT_SHARED);
    std::string data;
    MQMD got = {MQMD_DEFAULT};
    if (mqemu_test::Get(hconn, hobj, &data, &got, wait_ms) != MQRC_NONE) data.clear();
    if (md != nullptr) *md = got;
    mqemu_test::Disconnect(&hconn);
    return data;
  }

  // The next message of the dead-letter queue: its header's reason and
  // destination, and what follows the header.
  struct DeadLetter {
    MQLONG reason = 0;
    std::string destination;
    std::string data;
  };
  DeadLetter NextDeadLetter() {
    MQMD md;
    const std::string message = GetFrom(kDeadLetterQueue, &md);
    DeadLetter dead;
    if (message.size() < sizeof(MQDLH)) {
      ADD_FAILURE() << "no dead-letter message";
      return dead;
    }
    EXPECT_EQ(std::string(md.Format, 8), MQFMT_DEAD_LETTER_HEADER);
    MQDLH header;
    memcpy(&header, message.data(), sizeof header);
    EXPECT_EQ(std::string(header.StrucId, 4), MQDLH_STRUC_ID);
    dead.reason = header.Reason;
    dead.destination = NameInField(header.DestQName, sizeof header.DestQName);
    dead.data = message.substr(sizeof header);
    return dead;
  }

  StandIn stand_in_;
  std::unique_ptr<AgentProcess> agent_;
};

// A request whose answer cannot be put (queue put-inhibited, too small,
// full) neither delays other clients nor the stop: a failure that waiting
// cannot mend goes to the dead-letter queue at once, a full queue is tried
// again later without sleeping on the thread that serves everyone, and the
// stop ends that wait at once.
TEST_F(IsolationProcessTest, UndeliverableAnswersStallNobody) {
  // A retry half a minute away: any wait for it on the serving thread, or
  // at the stop, would outlast every deadline below.
  StartAgent("retryint 30\nretrycount 1\n");
  stand_in_.Tool("define QM1 ADV.PUTDIS --put disabled");
  stand_in_.Tool("define QM1 ADV.SMALL --maxmsglen 64");
  stand_in_.Tool("define QM1 ADV.FULL --maxdepth 1");
  stand_in_.Tool("put QM1 ADV.FULL filler");

  AgentClient careless("QM1");
  careless.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN,
               AgentClient::Options().ReplyToQ("ADV.PUTDIS"));
  careless.Put(PcfCommand(MQCMD_INQUIRE_Q_MGR, {}), MQFMT_ADMIN,
               AgentClient::Options().ReplyToQ("ADV.SMALL"));
  careless.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN,
               AgentClient::Options().ReplyToQ("ADV.FULL"));

  AgentClient other("QM1");
  other.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
  Message reply;
  ASSERT_TRUE(other.Get(&reply)) << agent_->Log();
  EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, CompCode)), MQCC_OK);

  ASSERT_TRUE(
      agent_->WaitForLog("] CSAG108E MQPUT to queue 'QM1/ADV.FULL' failed with reason "
                         "2053 (Queue full) - Retry #1 after 30 seconds\n"))
      << agent_->Log();
  const std::string log = agent_->Log();
  EXPECT_EQ(CountOf(log, "] CSAG107E MQPUT to queue 'QM1/ADV.PUTDIS' failed with reason 2051 ("), 1)
      << log;
  EXPECT_EQ(CountOf(log, "] CSAG107E MQPUT to queue 'QM1/ADV.SMALL' failed with reason 2030 ("), 1)
      << log;
  EXPECT_EQ(CountOf(log, "put to the dead-letter queue 'SYSTEM.DEAD.LETTER.QUEUE'"), 2) << log;
  DeadLetter first = NextDeadLetter();
  EXPECT_EQ(first.reason, MQRC_PUT_INHIBITED);
  EXPECT_EQ(first.destination, "ADV.PUTDIS");
  EXPECT_EQ(ParseOrFail(first.data).header.Command, MQCMD_PING_Q_MGR);
  DeadLetter second = NextDeadLetter();
  EXPECT_EQ(second.reason, MQRC_MSG_TOO_BIG_FOR_Q);
  EXPECT_EQ(second.destination, "ADV.SMALL");

  // The stop does not wait for the full queue's retry: its message goes to
  // the dead-letter queue now.
  agent_->Signal(SIGTERM);
  ASSERT_EQ(agent_->WaitForExit(), 0) << agent_->Log();
  EXPECT_EQ(
      CountOf(agent_->Log(), "] CSAG107E MQPUT to queue 'QM1/ADV.FULL' failed with reason 2053 ("),
      1)
      << agent_->Log();
  DeadLetter third = NextDeadLetter();
  EXPECT_EQ(third.reason, MQRC_Q_FULL);
  EXPECT_EQ(third.destination, "ADV.FULL");
}

// A request whose reply queue is (or resolves to) one of the agent's own
// queues, or a model queue, is refused and never forwarded; and replies
// that the command server sends to the agent's reply queue for requests
// that did not come through the agent are not taken for a client's answer,
// however well their MsgIds are guessed.
TEST_F(IsolationProcessTest, AnswersGoOnlyWhereTheyBelong) {
  StartAgent();
  const std::string agents_queue = agent_->ActualReplyQueue();
  stand_in_.Tool("define QM1 ADV.ALIAS --alias " + agents_queue);
  AgentClient attacker("QM1");
  for (const std::string& own : {agents_queue, std::string(kAgentInputQueue),
                                 std::string(kCommandQueue), std::string("ADV.ALIAS")}) {
    attacker.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN,
                 AgentClient::Options().ReplyToQ(own));
    EXPECT_TRUE(agent_->WaitForLog("] CSAG305E ReplyQ 'QM1/" + own +
                                   "' refused: it is one of the agent's own queues\n"))
        << agent_->Log();
  }
  attacker.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN,
               AgentClient::Options().ReplyToQ("SYSTEM.DEFAULT.MODEL.QUEUE"));
  EXPECT_TRUE(agent_->WaitForLog(
      "] CSAG305E ReplyQ 'QM1/SYSTEM.DEFAULT.MODEL.QUEUE' refused: it is a model queue\n"))
      << agent_->Log();

  // The attacker learns where the queue manager's MsgIds stand, then asks
  // the command server directly, in the name of the next ones, to answer
  // into the agent's reply queue, ahead of a victim's request.
  AgentClient victim("QM1");
  stand_in_.Tool("define QM1 ADV.PROBE");
  stand_in_.Tool("fault QM1 command-server pause");
  MQMD probe = attacker.Put("probe", MQFMT_STRING, AgentClient::Options().Queue("ADV.PROBE"));
  uint64_t next;
  memcpy(&next, probe.MsgId + 16, sizeof next);
  for (uint64_t guess = next + 1; guess <= next + 6; ++guess) {
    MQMD md = {MQMD_DEFAULT};
    memcpy(md.Format, MQFMT_ADMIN, 8);
    md.MsgType = MQMT_REQUEST;
    md.Report = MQRO_PASS_MSG_ID;
    memcpy(md.MsgId, probe.MsgId, 16);
    memcpy(md.MsgId + 16, &guess, sizeof guess);
    FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, agents_queue);
    MQHCONN hconn = mqemu_test::Connect("QM1");
    MQHOBJ queue = mqemu_test::Open(hconn, kCommandQueue, MQOO_OUTPUT);
    MQPMO pmo = {MQPMO_DEFAULT};
    pmo.Options = MQPMO_NO_SYNCPOINT;
    const std::string spoof = PcfCommand(MQCMD_INQUIRE_Q_MGR, {});
    MQLONG cc, reason;
    MQPUT(hconn, queue, &md, &pmo, static_cast<MQLONG>(spoof.size()),
          const_cast<char*>(spoof.data()), &cc, &reason);
    ASSERT_EQ(reason, MQRC_NONE);
    mqemu_test::Disconnect(&hconn);
  }
  victim.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
  ASSERT_TRUE(agent_->WaitForLog("] CSAG401I", 1)) << agent_->Log();
  stand_in_.Tool("fault QM1 command-server resume");

  Message reply;
  ASSERT_TRUE(victim.Get(&reply)) << agent_->Log();
  EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, Command)), MQCMD_PING_Q_MGR)
      << "the victim's own answer";
  EXPECT_FALSE(victim.Get(&reply, 300)) << "and nothing else";
  EXPECT_TRUE(agent_->WaitForLog("] CSAG302E Unrecognised reply received MsgId: ", 6))
      << agent_->Log();
  Message nothing;
  EXPECT_FALSE(attacker.Get(&nothing, 0));
}

// The agent before a command server that the test plays, so that it can
// send reports as a queue manager would.
class ReportProcessTest : public IsolationProcessTest {
 protected:
  ReportProcessTest() : IsolationProcessTest("--default --no-command-server") {}
};

// Arrival and delivery reports are not asked for again of the forwarded
// request (the input queue served them: the queue manager confirmed the
// request's arrival there and its delivery to the agent); a report that
// reaches the agent goes to the client, and ends the request only when no
// answer can follow it (an exception or an expiry).
TEST_F(ReportProcessTest, ReportsReachTheClientAndOnlyTheFinalOnesEndTheRequest) {
  StartAgent();
  FakeCommandServer server("QM1");
  AgentClient client("QM1");
  auto expect_confirmations = [&](const MQMD& asked) {
    for (MQLONG feedback : {MQFB_COA, MQFB_COD}) {
      Message confirmation;
      ASSERT_TRUE(client.Get(&confirmation)) << agent_->Log();
      EXPECT_EQ(confirmation.md.MsgType, MQMT_REPORT);
      EXPECT_EQ(confirmation.md.Feedback, feedback);
      EXPECT_EQ(confirmation.md.PutApplType, MQAT_QMGR) << "the queue manager's own";
      EXPECT_EQ(memcmp(confirmation.md.MsgId, asked.MsgId, 24), 0);
    }
  };
  const MQLONG report = MQRO_COA | MQRO_COD | MQRO_EXCEPTION | MQRO_PASS_MSG_ID;
  const MQMD asked = client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN,
                                AgentClient::Options().Report(report));
  Message request;
  ASSERT_TRUE(server.NextRequest(&request)) << agent_->Log();
  EXPECT_EQ(request.md.Report & (MQRO_COA_WITH_FULL_DATA | MQRO_COD_WITH_FULL_DATA), 0);
  EXPECT_EQ(request.md.Report & MQRO_EXCEPTION, MQRO_EXCEPTION);
  expect_confirmations(asked);

  // A confirmation of arrival passes; the answer after it still arrives.
  server.Reply(request, "", MQFMT_NONE, MQMT_REPORT, MQFB_COA);
  server.Reply(request, PcfResponse(MQCMD_PING_Q_MGR, 1, MQCFC_LAST, 36), MQFMT_ADMIN);
  Message got;
  ASSERT_TRUE(client.Get(&got)) << agent_->Log();
  EXPECT_EQ(got.md.MsgType, MQMT_REPORT);
  EXPECT_EQ(got.md.Feedback, MQFB_COA);
  EXPECT_EQ(memcmp(got.md.MsgId, asked.MsgId, 24), 0) << "the client's identifiers";
  ASSERT_TRUE(client.Get(&got)) << agent_->Log();
  EXPECT_EQ(got.md.MsgType, MQMT_REPLY);
  EXPECT_EQ(got.data, PcfResponse(MQCMD_PING_Q_MGR, 1, MQCFC_LAST, 36));

  // An exception report ends the request: what was held goes first, and a
  // reply after it is not the client's any more.
  const MQMD inquiry = client.Put(PcfCommand(MQCMD_INQUIRE_Q, {}), MQFMT_ADMIN,
                                  AgentClient::Options().Report(report));
  ASSERT_TRUE(server.NextRequest(&request)) << agent_->Log();
  expect_confirmations(inquiry);
  server.Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, 52), MQFMT_ADMIN);
  server.Reply(request, "", MQFMT_NONE, MQMT_REPORT, MQRC_Q_FULL);
  server.Reply(request, PcfResponse(MQCMD_INQUIRE_Q, 2, MQCFC_LAST, 52), MQFMT_ADMIN);
  ASSERT_TRUE(client.Get(&got)) << agent_->Log();
  EXPECT_EQ(got.data, PcfResponse(MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, 52));
  ASSERT_TRUE(client.Get(&got)) << agent_->Log();
  EXPECT_EQ(got.md.MsgType, MQMT_REPORT);
  EXPECT_EQ(got.md.Feedback, MQRC_Q_FULL);
  EXPECT_TRUE(agent_->WaitForLog("] CSAG302E Unrecognised reply received MsgId: "))
      << agent_->Log();
  EXPECT_FALSE(client.Get(&got, 300));
}

// SIGHUP (a closed terminal, an ended session) is an orderly stop, with its
// wait for the requests in the table; SIGPIPE is ignored.
TEST_F(IsolationProcessTest, HangUpStopsInOrderAndABrokenPipeIsIgnored) {
  StartAgent("stopwait 20\n");
  agent_->Signal(SIGPIPE);
  AgentClient client("QM1");
  stand_in_.Tool("fault QM1 command-server pause");
  for (int i = 0; i < 3; ++i) client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
  ASSERT_TRUE(agent_->WaitForLog("] CSAG401I", 3)) << agent_->Log();
  agent_->Signal(SIGHUP);
  ASSERT_TRUE(agent_->WaitForLog("] CSAG023I Waiting up to 20 seconds for 3 outstanding requests"))
      << agent_->Log() << agent_->Output();
  stand_in_.Tool("fault QM1 command-server resume");
  ASSERT_EQ(agent_->WaitForExit(), 0) << agent_->Log() << agent_->Output();
  ExpectOrderlyShutdownAfter(agent_->Log(), "] CSAG022I Termination signal 1 received\n");
  for (int i = 0; i < 3; ++i) {
    Message reply;
    ASSERT_TRUE(client.Get(&reply)) << "answer " << i;
    EXPECT_EQ(HeaderField(reply.data, offsetof(MQCFH, CompCode)), MQCC_OK);
  }
}

// More distinct reply queues than the queue manager lets one connection
// hold handles (MAXHANDS 256): the cache closes the least recently used and
// every answer is delivered.
TEST_F(IsolationProcessTest, ManyReplyQueuesStayWithinTheQueueManagersHandles) {
  StartAgent("retryint 0\nretrycount 1\n");
  AgentClient client("QM1");
  constexpr int kQueues = 300;
  auto name = [](int i) { return "ADV.REPLY." + std::to_string(1000 + i); };
  for (int i = 0; i < kQueues; ++i) {
    client.Put(PcfCommand(MQCMD_CREATE_Q, {{MQCA_Q_NAME, name(i)}}, {{MQIA_Q_TYPE, MQQT_LOCAL}}),
               MQFMT_ADMIN, AgentClient::Options().Queue(kCommandQueue));
  }
  for (int i = 0; i < kQueues; ++i) {
    Message created;
    ASSERT_TRUE(client.Get(&created));
    ASSERT_EQ(HeaderField(created.data, offsetof(MQCFH, CompCode)), MQCC_OK);
  }
  for (int i = 0; i < kQueues; ++i) {
    client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN,
               AgentClient::Options().ReplyToQ(name(i)));
  }
  // One more through the agent, answered after all the others.
  client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
  Message last;
  ASSERT_TRUE(client.Get(&last)) << agent_->Log();

  pcf::PcfBuilder inquiry(MQCFT_COMMAND, MQCMD_INQUIRE_Q);
  inquiry.String(MQCA_Q_NAME, "ADV.REPLY.*");
  inquiry.IntegerList(MQIACF_Q_ATTRS, {MQIA_CURRENT_Q_DEPTH});
  client.Put(inquiry.Finish(), MQFMT_ADMIN, AgentClient::Options().Queue(kCommandQueue));
  int answered = 0;
  for (const Message& m : client.GetUntilLast()) {
    for (const pcf::PcfParameter& p : ParseOrFail(m.data).parameters) {
      answered += p.parameter == MQIA_CURRENT_Q_DEPTH && p.value == 1;
    }
  }
  EXPECT_EQ(answered, kQueues) << agent_->Log();
  EXPECT_EQ(agent_->Log().find("CSAG104E"), std::string::npos) << agent_->Log();
}

// The agent information on an Inquire Queue Manager answer counts against
// the size of the client's queue: where the answer fits only without it,
// it goes without it.
TEST_F(IsolationProcessTest, WhatTheAgentAddsCountsAgainstTheClientsQueueSize) {
  StartAgent();
  AgentClient client("QM1");
  client.Put(PcfCommand(MQCMD_INQUIRE_Q_MGR, {}), MQFMT_ADMIN);
  Message full;
  ASSERT_TRUE(client.Get(&full)) << agent_->Log();
  const size_t with_info = full.data.size();

  stand_in_.Tool("define QM1 ADV.TIGHT --maxmsglen " + std::to_string(with_info - 16));
  client.Put(PcfCommand(MQCMD_INQUIRE_Q_MGR, {}), MQFMT_ADMIN,
             AgentClient::Options().ReplyToQ("ADV.TIGHT"));
  const std::string tight = GetFrom("ADV.TIGHT");
  ASSERT_EQ(tight.size(), with_info - 2 * MQCFIN_STRUC_LENGTH) << agent_->Log();
  for (const pcf::PcfParameter& p : ParseOrFail(tight).parameters) {
    EXPECT_NE(p.parameter, TVN_ATTR_CSAGNT_CMDLEVEL);
  }
  EXPECT_EQ(agent_->Log().find("CSAG107E"), std::string::npos) << agent_->Log();
}

// A command queue that is, or resolves to, the agent's input queue would
// send every request round for ever: the agent refuses to start.
TEST_F(IsolationProcessTest, ACommandQueueThatIsTheInputQueueIsRefusedAtStart) {
  stand_in_.Tool(std::string("define QM1 ADV.LOOP --alias ") + kAgentInputQueue);
  for (const char* queue : {kAgentInputQueue, "ADV.LOOP"}) {
    AgentProcess agent({"-k", "-m", "QM1"}, std::string("commandq ") + queue + "\n");
    ASSERT_EQ(agent.WaitForExit(), 1) << agent.Log();
    EXPECT_NE(agent.Log().find("] CSAG008E Command queue '" + std::string(queue) +
                               "' is the agent's own input queue 'TOVAN.CSAGNT.COMMAND.QUEUE'\n"),
              std::string::npos)
        << agent.Log();
  }
}

}  // namespace
}  // namespace agent_test
