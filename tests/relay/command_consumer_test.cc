// The command consumer: simple commands, the kinds of requests, the
// descriptor that goes to the command server, what is kept of the client's,
// failed forwards, counting, and the event calls.
#include "relay/command_consumer.h"

#include <gtest/gtest.h>

#include <string>

#include "pcf/names/constant_names.h"
#include "relay/forward.h"
#include "support/relay_fixture.h"

namespace {

class CommandConsumerTest : public RelayTest {
 protected:
  // A simple command: no reply queue.
  void SendSimple(const std::string& text, const char* format = MQFMT_STRING) {
    MQMD md = RequestDescriptor(format, "", "");
    SendRequest(&md, text);
  }
  std::vector<RecordedPut> Forwarded() { return mqi_.PutsTo(AgentConfig.commandq); }
};

TEST_F(CommandConsumerTest, StopAndReportAreRecognisedExactly) {
  EXPECT_EQ(SimpleCommand(MQFMT_STRING, "REPORT", 6), 1);
  EXPECT_TRUE(Wrote("CSAG080I CSAGNT Status Report\n"));
  EXPECT_FALSE(IsStopRequested());

  for (const char* format : {MQFMT_ADMIN, MQFMT_COMMAND_1, "mqstr   "}) {
    EXPECT_EQ(SimpleCommand(format, "STOP", 4), 0) << format;
  }
  EXPECT_EQ(SimpleCommand(MQFMT_STRING, "STOP ", 5), 0);
  EXPECT_EQ(SimpleCommand(MQFMT_STRING, " STOP", 5), 0);
  EXPECT_EQ(SimpleCommand(MQFMT_STRING, "stop", 4), 0);
  EXPECT_EQ(SimpleCommand(MQFMT_STRING, "STO", 3), 0);
  EXPECT_EQ(SimpleCommand(MQFMT_STRING, "REPORTS", 7), 0);
  EXPECT_FALSE(IsStopRequested());

  EXPECT_EQ(SimpleCommand(MQFMT_STRING, "STOP", 4), 1);
  EXPECT_TRUE(IsStopRequested());
  EXPECT_EQ(Process.StopExitStatus.load(), kExitOrderly);
  EXPECT_TRUE(Wrote("CSAG021I STOP command received\n"));
}

TEST_F(CommandConsumerTest, AnUnrecognisedSimpleCommandIsShownCutAndCounted) {
  SendSimple("STOP ");
  SendSimple("stop");
  SendSimple("STOP", MQFMT_ADMIN);
  SendSimple("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  SendSimple(std::string("\x1b[2J\x07pwn\r\n", 10));
  SendSimple("");
  EXPECT_EQ(Messages(),
            "CSAG212E CSAGNT does not recognise the simple command 'STOP '\n"
            "CSAG212E CSAGNT does not recognise the simple command 'stop'\n"
            "CSAG212E CSAGNT does not recognise the simple command 'STOP'\n"
            "CSAG212E CSAGNT does not recognise the simple command 'ABCDEFGHIJKL'\n"
            "CSAG212E CSAGNT does not recognise the simple command '.[2J.pwn..'\n"
            "CSAG212E CSAGNT does not recognise the simple command ''\n");
  EXPECT_FALSE(IsStopRequested());
  EXPECT_TRUE(mqi_.puts.empty());
  const TrafficCounts counts = ReadCounts(AgentStats.since_start);
  EXPECT_EQ(counts.CommandsReceived, 6u);
  EXPECT_EQ(counts.CommandBytesReceived, 5u + 4 + 4 + 26 + 10 + 0);
  EXPECT_EQ(ReadCounts(AgentStats.interval).CommandsReceived, 6u);
}

TEST_F(CommandConsumerTest, ABlankReplyToQMgrMakesASimpleCommand) {
  MQMD md = RequestDescriptor(MQFMT_STRING, kClientQ, " ");
  SendRequest(&md, "STOP");
  EXPECT_TRUE(IsStopRequested());
  EXPECT_TRUE(mqi_.puts.empty());
  EXPECT_EQ(ReadCounts(AgentStats.since_start).CommandsReceived, 1u);
}

TEST_F(CommandConsumerTest, StopWithAReplyQueueIsAnMqscRequest) {
  MQMD md = RequestDescriptor(MQFMT_STRING);
  SendRequest(&md, "STOP");
  EXPECT_FALSE(IsStopRequested());
  ASSERT_EQ(Forwarded().size(), 1u);
  ASSERT_NE(RequestTable.RequestList, nullptr);
  EXPECT_EQ(RequestTable.RequestList->Kind, REQ_MQSC);
}

TEST_F(CommandConsumerTest, TheKindComesFromTheFormatAndTheCommand) {
  EXPECT_EQ(ClassifyRequest(MQFMT_STRING, 13), REQ_MQSC);
  EXPECT_EQ(ClassifyRequest(MQFMT_COMMAND_1, 0), REQ_MQSC);
  EXPECT_EQ(ClassifyRequest(MQFMT_COMMAND_2, 38), REQ_MQSC);
  EXPECT_EQ(ClassifyRequest(MQFMT_ADMIN, MQCMD_ESCAPE), REQ_ESCAPE);
  EXPECT_EQ(ClassifyRequest(MQFMT_ADMIN, MQCMD_INQUIRE_Q), REQ_PCF);
  EXPECT_EQ(ClassifyRequest(MQFMT_ADMIN, 0), REQ_PCF);
  EXPECT_EQ(ClassifyRequest("MQADMIN\0", MQCMD_ESCAPE), REQ_OTHER);
  EXPECT_EQ(ClassifyRequest("mqadmin ", MQCMD_INQUIRE_Q), REQ_OTHER);
  EXPECT_EQ(ClassifyRequest(MQFMT_NONE, 0), REQ_OTHER);
  EXPECT_EQ(ClassifyRequest(MQFMT_EVENT, 0), REQ_OTHER);
}

TEST_F(CommandConsumerTest, ReceiptsAreWrittenAtMediumDetail) {
  const std::string pcf =
      PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST, 0, 0, MQCFT_COMMAND).String(MQCA_Q_NAME, "*").Bytes();
  const std::string escape = PcfBuilder(MQCMD_ESCAPE, MQCFC_LAST, 0, 0, MQCFT_COMMAND)
                                 .Integer(MQIACF_ESCAPE_TYPE, MQET_MQSC)
                                 .String(MQCACF_ESCAPE_TEXT, "DISPLAY QMGR")
                                 .Bytes();
  auto send = [&](const char* format, const std::string& data) {
    MQMD md = RequestDescriptor(format);
    SendRequest(&md, data);
  };
  send(MQFMT_ADMIN, pcf);
  EXPECT_EQ(Messages(), "") << "verbose 1";

  AgentConfig.verbose = 2;
  send(MQFMT_ADMIN, pcf);
  send(MQFMT_ADMIN, escape);
  send(MQFMT_STRING, "DISPLAY QLOCAL(*)");
  send(MQFMT_NONE, "anything");
  EXPECT_EQ(Messages(), std::string("CSAG401I Received PCF '") + CommandText(MQCMD_INQUIRE_Q) +
                            "' command message of length 60 bytes\n" + "CSAG401I Received PCF '" +
                            CommandText(MQCMD_ESCAPE) + "' command message of length " +
                            std::to_string(escape.size()) + " bytes\n" +
                            "CSAG402I Received MQSC command message of length 17 bytes\n");
  EXPECT_EQ(RequestTable.RequestCount.load(), 5);
}

TEST_F(CommandConsumerTest, TheRequestIsForwardedWithTheAgentsReplyQueueAndANewMsgId) {
  const MQLONG report = MQRO_PASS_CORREL_ID | MQRO_EXCEPTION | MQRO_COA_WITH_DATA | MQRO_COD;
  MQMD md = RequestDescriptor(MQFMT_ADMIN, "CLIENT.REPLY    ", "QMCLIENT", report);
  md.Encoding = 0x111;
  md.CodedCharSetId = 437;
  md.Expiry = 600;
  md.Persistence = MQPER_PERSISTENT;
  const MQMD given = md;
  const std::string request =
      PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST, 0, 0, MQCFT_COMMAND).String(MQCA_Q_NAME, "*").Bytes();
  Process.CurrentTime.store(1000);
  SendRequest(&md, request);

  ASSERT_EQ(Forwarded().size(), 1u);
  const RecordedPut put = Forwarded()[0];
  EXPECT_EQ(put.data, request);
  EXPECT_EQ(put.hobj, Process.CommandQueueHobj);
  EXPECT_EQ(put.pmo_options, MQPMO_NO_SYNCPOINT | MQPMO_PASS_ALL_CONTEXT);
  EXPECT_EQ(put.pmo_context, Process.InputQueueHobj);
  // The descriptor: the agent's reply queue NUL filled, no queue manager
  // (IBM MQ fills in its own), a new MsgId, the agent's CorrelId, the
  // report options the agent needs without the arrival and delivery
  // reports that the input queue served; all else as the client sent it.
  std::string reply_to_q(kAgentReplyQ);
  reply_to_q.resize(48, '\0');
  EXPECT_EQ(std::string(put.md.ReplyToQ, 48), reply_to_q);
  EXPECT_EQ(put.md.ReplyToQMgr[0], '\0');
  EXPECT_EQ(Id(put.md.MsgId), Id(MQMI_NONE));
  EXPECT_EQ(put.md.Report,
            MQRO_EXCEPTION | MQRO_PASS_MSG_ID | MQRO_PASS_CORREL_ID | MQRO_DISCARD_MSG);
  EXPECT_EQ(Id(put.md.CorrelId), kForwardCorrelId);
  EXPECT_EQ(std::string(put.md.Format, 8), MQFMT_ADMIN);
  EXPECT_EQ(put.md.Encoding, 0x111);
  EXPECT_EQ(put.md.CodedCharSetId, 437);
  EXPECT_EQ(put.md.Expiry, 600);
  EXPECT_EQ(put.md.Persistence, MQPER_PERSISTENT);
  EXPECT_EQ(put.md.MsgType, MQMT_REQUEST);

  // What is kept of the client's request.
  ASSERT_EQ(RequestTable.RequestCount.load(), 1);
  const REQUEST* kept = RequestTable.RequestList;
  EXPECT_STREQ(kept->ReplyToQ, "CLIENT.REPLY");
  EXPECT_STREQ(kept->ReplyToQMgr, "QMCLIENT");
  EXPECT_EQ(Id(kept->MsgId), Id(given.MsgId));
  EXPECT_EQ(Id(kept->CorrelId), Id(given.CorrelId));
  EXPECT_EQ(kept->Report, report);
  EXPECT_EQ(Id(kept->FwdMsgId), Id(put.msg_id)) << "the replies' key";
  EXPECT_EQ(kept->Kind, REQ_PCF);
  EXPECT_EQ(kept->Command, MQCMD_INQUIRE_Q);
  EXPECT_EQ(kept->MaxMsgSize, AgentConfig.maxmsgsize);
  EXPECT_EQ(kept->InUse, 0);
  EXPECT_EQ(kept->HoldBuffer, nullptr);
  EXPECT_EQ(kept->ReplyCount, 0);
  EXPECT_GE(kept->Issued, time(nullptr) - 5) << "the clock, not the stale Process.CurrentTime";
  EXPECT_EQ(kept->LastActivity, kept->Issued);
  EXPECT_EQ(Process.LastActivityTime.load(), 1000);

  const TrafficCounts counts = ReadCounts(AgentStats.since_start);
  EXPECT_EQ(counts.CommandsReceived, 1u);
  EXPECT_EQ(counts.CommandBytesReceived, request.size());
}

TEST_F(CommandConsumerTest, ARequestShorterThanAnMqcfhCommandGetsCommandZero) {
  MQMD md = RequestDescriptor(MQFMT_ADMIN);
  SendRequest(&md, std::string("MQADMIN-SHORT", 12));  // exactly sized: no read past it
  ASSERT_NE(RequestTable.RequestList, nullptr);
  EXPECT_EQ(RequestTable.RequestList->Command, 0);
  EXPECT_EQ(RequestTable.RequestList->Kind, REQ_PCF);

  MQMD sixteen = RequestDescriptor(MQFMT_STRING);
  std::string data(16, 'x');
  const MQLONG command = 0x41424344;
  memcpy(data.data() + 12, &command, 4);
  SendRequest(&sixteen, data);
  EXPECT_EQ(RequestTable.RequestList->Command, command) << "read for every kind";
}

TEST_F(CommandConsumerTest, ReturnedLengthUndefinedUsesTheDataLength) {
  AgentConfig.verbose = 2;
  MQMD md = RequestDescriptor(MQFMT_STRING);
  ExactBuffer data(std::string("DISPLAY QMGR"));
  Consume(CommandConsumer, &md, data.data(), data.size(), MQRL_UNDEFINED);
  EXPECT_EQ(Messages(), "CSAG402I Received MQSC command message of length 12 bytes\n");
  ASSERT_EQ(Forwarded().size(), 1u);
  EXPECT_EQ(Forwarded()[0].data, "DISPLAY QMGR");
  EXPECT_EQ(ReadCounts(AgentStats.since_start).CommandBytesReceived, 12u);
}

TEST_F(CommandConsumerTest, AFailedForwardIsAnsweredAtOnceAndLeavesNothing) {
  AgentConfig.retrycount = 1;
  mqi_.FailPuts(2, MQRC_Q_FULL, AgentConfig.commandq);
  MQMD md = RequestDescriptor(MQFMT_ADMIN, kClientQ, "QM1", MQRO_PASS_MSG_ID);
  SendRequest(&md, PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST, 0, 0, MQCFT_COMMAND).Bytes());

  EXPECT_EQ(Messages(),
            "CSAG107E MQPUT to queue 'SYSTEM.ADMIN.COMMAND.QUEUE' failed with reason "
            "2053 (" +
                std::string(ReasonText(MQRC_Q_FULL)) + ")\n");
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
  EXPECT_EQ(RequestTable.RequestList, nullptr);
  const TrafficCounts counts = ReadCounts(AgentStats.since_start);
  EXPECT_EQ(counts.CommandsReceived, 0u);
  EXPECT_EQ(counts.CommandBytesReceived, 0u);
  EXPECT_EQ(counts.FailedPuts, 1u) << "tried once: a retry could not pass the client's context";

  // The client hears at once that no answer will come.
  const std::vector<RecordedPut> answer = mqi_.PutsTo(kClientQ);
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].data.size(), 104u);
  EXPECT_EQ(HeaderOf(answer[0].data).CompCode, MQCC_FAILED);
  EXPECT_EQ(HeaderOf(answer[0].data).Reason, MQRCCF_UNEXPECTED_ERROR);
  EXPECT_EQ(Id(answer[0].md.MsgId), "CLIENT-MSGID-0123456789A") << "MQRO_PASS_MSG_ID";
  EXPECT_FALSE(IsStopRequested());
}

TEST_F(CommandConsumerTest, WithReplyqinqTheClientsQueueLimitsTheRequestAtOnce) {
  mqi_.SetQueueAttributes(kClientQ, 100000, MQQDT_PREDEFINED);
  MQMD md = RequestDescriptor(MQFMT_STRING);
  SendRequest(&md, "DISPLAY QMGR");
  ASSERT_NE(RequestTable.RequestList, nullptr);
  EXPECT_EQ(RequestTable.RequestList->MaxMsgSize, 100000);
  // The client's queue is opened before the request goes on.
  EXPECT_EQ(mqi_.calls.front(), std::string("OPEN ") + kClientQ);
  EXPECT_EQ(mqi_.calls.back(), "PUT " + std::string(AgentConfig.commandq));

  // Without replyqinq the queue is opened all the same, to know that the
  // answer has somewhere to go, but not inquired.
  AgentConfig.AgentFlags &= ~AF_REPLYQINQ;
  ResetReplyQCacheForTesting();
  mqi_.calls.clear();
  MQMD again = RequestDescriptor(MQFMT_STRING);
  SendRequest(&again, "DISPLAY QMGR");
  EXPECT_EQ(RequestTable.RequestList->MaxMsgSize, AgentConfig.maxmsgsize);
  EXPECT_EQ(mqi_.calls, (std::vector<std::string>{std::string("OPEN ") + kClientQ,
                                                  "PUT " + std::string(AgentConfig.commandq)}));
}

// An answer must have somewhere to go: a queue that opens, is not a model
// queue (which would make a queue for nobody) and none of the agent's own
// (where it would be taken for another request's answer, or be forwarded
// again). Such a request is refused, said once, and neither forwarded nor
// counted.
TEST_F(CommandConsumerTest, ARequestWhoseAnswerCouldGoNowhereSafeIsRefused) {
  mqi_.RefuseOpen(kClientQ, MQRC_UNKNOWN_OBJECT_NAME);
  MQMD md = RequestDescriptor(MQFMT_STRING);
  SendRequest(&md, "DISPLAY QMGR");
  EXPECT_EQ(Messages(), "CSAG104E MQOPEN of queue 'QM1/CLIENT.REPLY' failed with reason 2085 (" +
                            std::string(ReasonText(MQRC_UNKNOWN_OBJECT_NAME)) + ")\n");

  mqi_.RenameOnOpen("MODEL.REPLY", "AMQ.MADE.BY.THE.OPEN", "QM1");
  MQMD model = RequestDescriptor(MQFMT_STRING, "MODEL.REPLY");
  SendRequest(&model, "DISPLAY QMGR");
  EXPECT_TRUE(Wrote("CSAG305E ReplyQ 'QM1/MODEL.REPLY' refused: it is a model queue\n"));
  EXPECT_EQ(mqi_.calls.back(), "CLOSE MODEL.REPLY") << "the queue made goes again";

  for (const std::string& own : {std::string(kAgentReplyQ), std::string(AgentConfig.inputq),
                                 std::string(AgentConfig.commandq)}) {
    mqi_.ResolveOnOpen("ALIAS.OF.OWN", own, "QM1");
    MQMD alias = RequestDescriptor(MQFMT_STRING, "ALIAS.OF.OWN");
    SendRequest(&alias, "DISPLAY QMGR");
  }
  EXPECT_EQ(CountOf("CSAG305E ReplyQ 'QM1/ALIAS.OF.OWN' refused: it is one of the agent's own "
                    "queues\n"),
            3);

  EXPECT_TRUE(Forwarded().empty());
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
  EXPECT_EQ(ReadCounts(AgentStats.since_start).CommandsReceived, 0u);
  EXPECT_EQ(ReplyQCache.HobjCacheCount, 0) << "nothing refused is cached";
}

TEST_F(CommandConsumerTest, EventsRequestAStop) {
  Event(CommandConsumer, MQRC_NONE);
  EXPECT_FALSE(IsStopRequested());
  Event(CommandConsumer, MQRC_NONE, MQCBCT_DEREGISTER_CALL);
  EXPECT_EQ(Messages(), "Calltype = 4\n");
  EXPECT_FALSE(IsStopRequested());

  Event(CommandConsumer, MQRC_CONNECTION_QUIESCING);
  Event(CommandConsumer, MQRC_CONNECTION_BROKEN);
  EXPECT_TRUE(IsStopRequested());
  EXPECT_EQ(Process.StopExitStatus.load(), kExitFailure);
  EXPECT_EQ(CountOf("CSAG199E"), 1);
  EXPECT_EQ(CountOf("CSAG199E CSAGNT received reason code 2202 ("), 1);

  Event(CommandConsumer, MQRC_GET_INHIBITED);
  EXPECT_EQ(CountOf("CSAG120E Queue 'TOVAN.CSAGNT.COMMAND.QUEUE' has been GET(INHIBITED)\n"), 1);
}

TEST_F(CommandConsumerTest, AStopAfterSTOPIsStillAFailureWhenTheQueueIsInhibited) {
  SendSimple("STOP");
  EXPECT_EQ(Process.StopExitStatus.load(), kExitOrderly);
  Event(CommandConsumer, MQRC_GET_INHIBITED);
  EXPECT_EQ(Process.StopExitStatus.load(), kExitFailure);
  EXPECT_TRUE(Wrote("CSAG120E"));
}

}  // namespace
