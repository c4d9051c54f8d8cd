// The reply consumer: matching, counting, the action table of
// ClassifyReply, delivery straight from IBM MQ's buffer, the end of a
// request by a report or a malformed reply, unmatched replies, the summary
// messages and the event calls.
#include "consolidate/reply_consumer.h"

#include <gtest/gtest.h>

#include <string>

#include "consolidate/hold_buffer.h"
#include "pcf/agent_format.h"
#include "support/relay_fixture.h"

namespace {

constexpr char kFwd[] = "FORWARDED-MSGID-00000001";

class ReplyConsumerTest : public RelayTest {
 protected:
  std::vector<std::string> Delivered() {
    std::vector<std::string> out;
    for (const RecordedPut& put : mqi_.PutsTo(kClientQ)) out.push_back(put.data);
    return out;
  }
};

// ClassifyReply, every row of its table, with coalesce on and off.
TEST_F(ReplyConsumerTest, ClassifyReplyFollowsItsTable) {
  REQUEST* bare = ListRequest(kFwd);
  REQUEST* holding = ListRequest("FORWARDED-MSGID-00000002");
  ASSERT_EQ(GrowHoldBuffer(holding, 10), 0);  // a buffer, though nothing is in it

  const std::string last = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST).Integer(1, 1).Bytes();
  const std::string more = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Bytes();
  const std::string qmgr_last = PcfBuilder(MQCMD_INQUIRE_Q_MGR, MQCFC_LAST).Integer(1, 1).Bytes();
  const std::string qmgr_more =
      PcfBuilder(MQCMD_INQUIRE_Q_MGR, MQCFC_NOT_LAST).Integer(1, 1).Bytes();
  const std::string text = "CSQM401I QUEUE(X)";
  const std::string short_pcf = last.substr(0, 35);

  constexpr int S = REPLY_STORE, C = REPLY_COALESCE, L = REPLY_LAST, I = REPLY_ADD_INFO,
                R = REPLY_AS_RECEIVED;
  struct Row {
    const char* what;
    const REQUEST* request;
    const char* format;
    std::string data;
    int on;   // with coalesce on
    int off;  // with coalesce off
  } rows[] = {
      {"PCF last, no buffer", bare, MQFMT_ADMIN, last, L, L | S},
      {"PCF last, buffer", holding, MQFMT_ADMIN, last, L | C, L | S},
      {"PCF not last", bare, MQFMT_ADMIN, more, C, S},
      {"PCF not last, buffer", holding, MQFMT_ADMIN, more, C, S},
      {"Inquire QMgr last", bare, MQFMT_ADMIN, qmgr_last, L | I, L | I | S},
      {"Inquire QMgr last, buffer", holding, MQFMT_ADMIN, qmgr_last, L | C | I, L | I | S},
      {"Inquire QMgr not last", bare, MQFMT_ADMIN, qmgr_more, C | I, S | I},
      {"MQCMD1, no buffer", bare, MQFMT_COMMAND_1, text, S, S},
      {"MQCMD1, buffer", holding, MQFMT_COMMAND_1, text, C, S},
      {"MQCMD2, buffer", holding, MQFMT_COMMAND_2, text, C, S},
      {"CSQ9022I", bare, MQFMT_COMMAND_1, "CSQ9022I done", S | L, S | L},
      {"CSQ9023E", holding, MQFMT_COMMAND_2, "CSQ9023E failed", C | L, S | L},
      {"CSQ9023I", holding, MQFMT_COMMAND_1, "CSQ9023I ended", C | L, S | L},
      {"CSQ9022 lower case", bare, MQFMT_COMMAND_1, "csq9022I done", S, S},
      {"MQSTR", bare, MQFMT_STRING, "text", L, L | S},
      {"report", holding, MQFMT_NONE, "", L, L | S},
      {"PCF shorter than an MQCFH", bare, MQFMT_ADMIN, short_pcf, L | R, L | R},
      {"MQSC shorter than 8", holding, MQFMT_COMMAND_1, "CSQ9022", L | R, L | R},
  };
  for (bool coalesce : {true, false}) {
    if (coalesce) {
      AgentConfig.AgentFlags |= AF_COALESCE;
    } else {
      AgentConfig.AgentFlags &= ~AF_COALESCE;
    }
    for (const Row& row : rows) {
      MQMD md = ReplyDescriptor(kFwd, row.format);
      ExactBuffer data(row.data);
      EXPECT_EQ(ClassifyReply(row.request, &md, data.data(), data.size()),
                coalesce ? row.on : row.off)
          << row.what << (coalesce ? ", coalesce on" : ", coalesce off");
    }
  }
}

TEST_F(ReplyConsumerTest, AOneReplyAnswerIsDeliveredFromTheReceivedBuffer) {
  ListRequest(kFwd, REQ_PCF, MQRO_PASS_CORREL_ID);
  const std::string reply = PcfBuilder(MQCMD_INQUIRE_Q).String(MQCA_Q_NAME, "Q1", 48).Bytes();
  MQMD md = ReplyDescriptor(kFwd);
  ExactBuffer buffer(reply);
  Consume(ReplyConsumer, &md, buffer.data(), buffer.size());

  ASSERT_EQ(mqi_.puts.size(), 1u);
  const RecordedPut put = mqi_.puts[0];
  EXPECT_EQ(put.buffer, buffer.data()) << "no copy";
  EXPECT_EQ(put.data.size(), 36u + 24u) << "compressed in place";
  EXPECT_EQ(Id(put.md.CorrelId), "CLIENT-CORRELID-01234567");
  EXPECT_EQ(put.pmo_options, MQPMO_NO_SYNCPOINT | MQPMO_PASS_ALL_CONTEXT);
  EXPECT_EQ(put.pmo_context, Process.ReplyQueueHobj);
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
  const TrafficCounts counts = ReadCounts(AgentStats.interval);
  EXPECT_EQ(counts.RepliesReceived, 1u);
  EXPECT_EQ(counts.ReplyBytesReceived, reply.size()) << "counted as received";
  EXPECT_EQ(counts.ResponseBytesSent, 60u);

  // With coalesce off the reply goes through the hold buffer.
  AgentConfig.AgentFlags &= ~AF_COALESCE;
  ListRequest(kFwd);
  ExactBuffer again(reply);
  MQMD again_md = ReplyDescriptor(kFwd);
  Consume(ReplyConsumer, &again_md, again.data(), again.size());
  ASSERT_EQ(mqi_.puts.size(), 2u);
  EXPECT_NE(mqi_.puts[1].buffer, again.data());
  EXPECT_EQ(mqi_.puts[1].data, put.data);
}

TEST_F(ReplyConsumerTest, ARepliedRequestStaysListedUntilItsLastReply) {
  REQUEST* request = ListRequest(kFwd);
  request->LastActivity = 1000;
  Process.CurrentTime.store(5000);
  SendReply(kFwd, PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Bytes());
  ASSERT_EQ(RequestTable.RequestList, request);
  EXPECT_EQ(request->InUse, 0);
  EXPECT_EQ(request->ReplyCount, 1);
  EXPECT_EQ(request->ReplyBytes, 52);
  EXPECT_EQ(request->LastActivity, 5000);
  EXPECT_EQ(Process.LastActivityTime.load(), 5000);
}

TEST_F(ReplyConsumerTest, TheReturnedLengthOrElseTheDataLengthIsTheReplysLength) {
  ListRequest(kFwd);
  const std::string reply = PcfBuilder().Integer(1, 1).Bytes();
  MQMD md = ReplyDescriptor(kFwd);
  ExactBuffer buffer(reply);
  Consume(ReplyConsumer, &md, buffer.data(), buffer.size(), MQRL_UNDEFINED);
  ASSERT_EQ(Delivered(), std::vector<std::string>{reply});
  EXPECT_EQ(ReadCounts(AgentStats.since_start).ReplyBytesReceived, 52u);
}

TEST_F(ReplyConsumerTest, AnUnmatchedReplyIsReportedAndChangesNothing) {
  REQUEST* request = ListRequest(kFwd);
  MQBYTE24 id;
  for (int i = 0; i < 24; ++i) id[i] = static_cast<MQBYTE>(i * 11);
  MQMD md = ReplyDescriptor(kFwd);
  memcpy(md.MsgId, id, sizeof id);
  ExactBuffer buffer(PcfBuilder().Integer(1, 1).Bytes());
  Consume(ReplyConsumer, &md, buffer.data(), buffer.size());

  EXPECT_EQ(Messages(),
            "CSAG302E Unrecognised reply received MsgId: "
            "000B16212C37424D58636E79848F9AA5B0BBC6D1DCE7F2FD\n");
  EXPECT_TRUE(mqi_.puts.empty());
  EXPECT_EQ(RequestTable.RequestCount.load(), 1);
  EXPECT_EQ(request->ReplyCount, 0);
  const TrafficCounts counts = ReadCounts(AgentStats.since_start);
  EXPECT_EQ(counts.RepliesReceived, 0u);
  EXPECT_EQ(counts.ReplyBytesReceived, 0u);
}

TEST_F(ReplyConsumerTest, AReportEndsTheRequestAfterWhatIsHeld) {
  ListRequest(kFwd);
  const std::string held = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Bytes();
  SendReply(kFwd, held);

  MQMD report = ReplyDescriptor(kFwd, MQFMT_NONE);
  report.MsgType = MQMT_REPORT;
  report.Feedback = MQFB_EXPIRATION;
  ExactBuffer data(std::string("expired request"));
  Consume(ReplyConsumer, &report, data.data(), data.size());

  const std::vector<RecordedPut> puts = mqi_.PutsTo(kClientQ);
  ASSERT_EQ(puts.size(), 2u);
  EXPECT_EQ(puts[0].data, held);
  EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_ADMIN) << "the held reply keeps its format";
  EXPECT_EQ(puts[0].md.MsgType, MQMT_REPLY);
  EXPECT_EQ(puts[1].data, "expired request");
  EXPECT_EQ(std::string(puts[1].md.Format, 8), MQFMT_NONE);
  EXPECT_EQ(puts[1].md.MsgType, MQMT_REPORT);
  EXPECT_EQ(puts[1].md.Feedback, MQFB_EXPIRATION);
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);

  SendReply(kFwd, PcfBuilder().Integer(1, 1).Bytes());
  EXPECT_TRUE(Wrote("CSAG302E"));
  EXPECT_EQ(mqi_.PutsTo(kClientQ).size(), 2u);
}

TEST_F(ReplyConsumerTest, AReportEndsTheRequestAfterWhatIsHeldWithCoalesceOffToo) {
  AgentConfig.AgentFlags &= ~AF_COALESCE;
  ListRequest(kFwd);
  const std::string held = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Bytes();
  SendReply(kFwd, held);
  MQMD report = ReplyDescriptor(kFwd, MQFMT_NONE);
  report.MsgType = MQMT_REPORT;
  ExactBuffer data(std::string("report"));
  Consume(ReplyConsumer, &report, data.data(), data.size());

  const std::vector<RecordedPut> puts = mqi_.PutsTo(kClientQ);
  ASSERT_EQ(puts.size(), 2u);
  EXPECT_EQ(puts[0].data, held);
  EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_ADMIN);
  EXPECT_EQ(puts[0].md.MsgType, MQMT_REPLY);
  EXPECT_EQ(puts[1].data, "report");
  EXPECT_EQ(std::string(puts[1].md.Format, 8), MQFMT_NONE);
  EXPECT_EQ(puts[1].md.MsgType, MQMT_REPORT);
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
}

// A reply that is not what its format promises is delivered exactly as it
// came, after what is held, and ends the request; nothing reads past it.
TEST_F(ReplyConsumerTest, AMalformedReplyIsDeliveredAsItCame) {
  const std::string padded = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST)
                                 .String(MQCA_Q_NAME, "Q", 48)
                                 .Integer(1, 1)
                                 .Bytes();
  const std::string held = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Bytes();
  std::string counts_too_many = padded;
  const MQLONG three = 3;
  memcpy(counts_too_many.data() + offsetof(MQCFH, ParameterCount), &three, 4);
  std::string string_too_long = padded;
  const MQLONG long_string = 200;
  memcpy(string_too_long.data() + 36 + 16, &long_string, 4);
  const struct {
    const char* what;
    std::string reply;
  } cases[] = {
      {"20 bytes", padded.substr(0, 20)},
      {"cut in a parameter", padded.substr(0, 60)},
      {"one parameter more than there is", counts_too_many},
      {"StringLength past the structure", string_too_long},
      {"bytes after the last parameter", padded + "xxxx"},
  };
  int n = 0;
  for (const auto& c : cases) {
    char fwd[25];
    snprintf(fwd, sizeof fwd, "FORWARDED-MSGID-%08d", ++n);
    ListRequest(fwd);
    SendReply(fwd, held);
    mqi_.puts.clear();
    SendReply(fwd, c.reply);
    EXPECT_EQ(Delivered(), (std::vector<std::string>{held, c.reply})) << c.what;
    EXPECT_EQ(RequestTable.RequestCount.load(), 0) << c.what;
  }
  // MQSC texts shorter than their message number, too.
  ListRequest(kFwd, REQ_MQSC);
  mqi_.puts.clear();
  SendReply(kFwd, "CSQ", MQFMT_COMMAND_1);
  EXPECT_EQ(Delivered(), std::vector<std::string>{"CSQ"});
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
}

TEST_F(ReplyConsumerTest, TheSummaryIsWrittenAtMediumDetailOnly) {
  const std::string more = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Bytes();
  const std::string last = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST).Integer(1, 1).Bytes();

  AgentConfig.verbose = 2;
  ListRequest(kFwd);
  SendReply(kFwd, more);
  SendReply(kFwd, more);
  SendReply(kFwd, last);
  ListRequest("FORWARDED-MSGID-00000002");
  SendReply("FORWARDED-MSGID-00000002", last);
  EXPECT_EQ(Messages(),
            "CSAG404I Received 3 reply messages of total length 156 bytes\n"
            "CSAG403I Received reply message of length 52 bytes\n");

  AgentConfig.verbose = 3;
  ListRequest(kFwd);
  SendReply(kFwd, more);
  SendReply(kFwd, last);
  EXPECT_EQ(CountOf("CSAG403I Received reply message of length 52 bytes\n"), 3);
  EXPECT_EQ(CountOf("CSAG404I"), 1);
}

TEST_F(ReplyConsumerTest, EventsRequestAStop) {
  Event(ReplyConsumer, MQRC_NONE);
  EXPECT_FALSE(IsStopRequested());
  Event(ReplyConsumer, MQRC_NONE, MQCBCT_REGISTER_CALL);
  EXPECT_EQ(Messages(), "Calltype = 3\n");
  EXPECT_FALSE(IsStopRequested());

  Event(ReplyConsumer, MQRC_CONNECTION_BROKEN);
  Event(ReplyConsumer, MQRC_Q_MGR_STOPPING);
  EXPECT_TRUE(IsStopRequested());
  EXPECT_EQ(Process.StopExitStatus.load(), kExitFailure);
  EXPECT_EQ(CountOf("CSAG199E CSAGNT received reason code 2009 ("), 1);
  EXPECT_EQ(CountOf("CSAG199E"), 1) << "only the first while a stop is requested";

  // GET(INHIBITED) is written every time, naming the agent's reply queue.
  Event(ReplyConsumer, MQRC_GET_INHIBITED);
  Event(ReplyConsumer, MQRC_GET_INHIBITED);
  EXPECT_EQ(CountOf(std::string("CSAG120E Queue '") + kAgentReplyQ + "' has been GET(INHIBITED)\n"),
            2);
}

TEST_F(ReplyConsumerTest, GetInhibitedAloneIsAFailureToo) {
  Event(ReplyConsumer, MQRC_GET_INHIBITED);
  EXPECT_TRUE(IsStopRequested());
  EXPECT_EQ(Process.StopExitStatus.load(), kExitFailure);
}

}  // namespace

// A PCF reply and MQSC text never join one message: each goes out whole,
// in its own format, whichever came first.
TEST_F(ReplyConsumerTest, RepliesOfAnotherFormatAreNotCoalescedWithWhatIsHeld) {
  const std::string pcf = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Bytes();
  const std::string text = "CSQN205I   COUNT=       2, RETURN=00000000, REASON=00000000";
  const std::string last = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST).Integer(2, 2).Bytes();

  ListRequest(kFwd);
  SendReply(kFwd, pcf);
  SendReply(kFwd, text, MQFMT_COMMAND_1);
  SendReply(kFwd, last);
  std::vector<RecordedPut> puts = mqi_.PutsTo(kClientQ);
  ASSERT_EQ(puts.size(), 3u);
  EXPECT_EQ(puts[0].data, pcf);
  EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_ADMIN);
  EXPECT_EQ(puts[1].data, text);
  EXPECT_EQ(std::string(puts[1].md.Format, 8), MQFMT_COMMAND_1);
  EXPECT_EQ(puts[2].data, last);
  EXPECT_EQ(std::string(puts[2].md.Format, 8), MQFMT_ADMIN);
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);

  mqi_.puts.clear();
  ListRequest(kFwd, REQ_MQSC);
  SendReply(kFwd, text, MQFMT_COMMAND_1);
  SendReply(kFwd, last);
  puts = mqi_.PutsTo(kClientQ);
  ASSERT_EQ(puts.size(), 2u);
  EXPECT_EQ(puts[0].data, text) << "the text keeps its '*'-less first message";
  EXPECT_EQ(std::string(puts[0].md.Format, 8), MQFMT_COMMAND_1);
  EXPECT_EQ(puts[1].data, last);
  EXPECT_EQ(std::string(puts[1].md.Format, 8), MQFMT_ADMIN);
}
