// Test support for the relay and consolidation: the agent's process-wide
// state as at a fresh start, connected (through the recording MQI) to queue
// manager QM1 with its three queues open, messages captured in a file, and
// helpers that call the consumers as IBM MQ does.
#pragma once

#include <gtest/gtest.h>

#include <cmqc.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "consolidate/ageing.h"
#include "consolidate/reply_consumer.h"
#include "log/message.h"
#include "log/status_report.h"
#include "pcf/mq_field.h"
#include "relay/command_consumer.h"
#include "relay/forward.h"
#include "relay/reply_queue_cache.h"
#include "relay/request_table.h"
#include "relay/retry_queue.h"
#include "state/process_state.h"
#include "state/settings.h"
#include "support/pcf_builder.h"
#include "support/recording_mqi.h"
#include "support/reset_agent.h"
#include "support/temp_dir.h"

// The agent's dynamic reply queue in these tests.
inline constexpr char kAgentReplyQ[] = "TOVAN.CSAGNT.0123456789ABCDEF";
// A client's reply queue.
inline constexpr char kClientQ[] = "CLIENT.REPLY";
// The queue manager's dead-letter queue.
inline constexpr char kDeadLetterQ[] = "SYSTEM.DEAD.LETTER.QUEUE";
// The CorrelId of every forwarded request in these tests.
inline constexpr char kForwardCorrelId[] = "CSAGNT-FORWARD-CORRELID.";

class RelayTest : public testing::Test {
 protected:
  RelayTest() : mqi_(RecordingMqi::Install()) {}

  void SetUp() override {
    ResetAgentForTesting();
    AgentConfig.AgentFlags |= AF_NOCONSOLE;
    CopyTerminated(AgentConfig.qmname, kQNameWidth, "QM1");
    CopyTerminated(AgentConfig.actualreplyq, kQNameWidth, kAgentReplyQ);
    // Failed puts are retried at once, so no test waits.
    AgentConfig.retryint = 0;

    messages_path_ = dir_.File("messages.txt");
    LogState.LogStream.store(fopen(messages_path_.c_str(), "w"));
    ASSERT_NE(LogState.LogStream.load(), nullptr);

    Process.CurrentTime.store(time(nullptr));

    Process.QMgrHconn = RecordingMqi::kHconn;
    Process.CommandQueueHobj = mqi_.Preopen(AgentConfig.commandq);
    Process.InputQueueHobj = mqi_.Preopen(AgentConfig.inputq);
    Process.ReplyQueueHobj = mqi_.Preopen(kAgentReplyQ);
    CopyTerminated(Process.AgentQueueNames.CommandQ, kQNameWidth, AgentConfig.commandq);
    CopyTerminated(Process.AgentQueueNames.InputQ, kQNameWidth, AgentConfig.inputq);
    CopyTerminated(Process.QueueManagerFacts.DeadLetterQName, kQNameWidth, kDeadLetterQ);
    Process.QueueManagerFacts.MaxHandles = 256;
    memcpy(Process.ForwardCorrelId, kForwardCorrelId, sizeof Process.ForwardCorrelId);
  }

  void TearDown() override {
    FILE* stream = LogState.LogStream.load();
    ResetAgentForTesting();
    if (stream != stdout) fclose(stream);
  }

  // What the agent wrote, without the date lines and the time stamps.
  std::string Messages() const {
    fflush(LogState.LogStream.load());
    const std::string text = TempDir::ReadPath(messages_path_);
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      end = end == std::string::npos ? text.size() : end + 1;
      const std::string line = text.substr(start, end - start);
      start = end;
      if (line.rfind("           CSAG002I ", 0) == 0) continue;
      const bool stamped = line.size() >= 11 && line[0] == '[' && line[9] == ']' && line[10] == ' ';
      out += stamped ? line.substr(11) : line;
    }
    return out;
  }
  // How often `piece` occurs in what the agent wrote.
  int CountOf(const std::string& piece) const {
    const std::string text = Messages();
    int count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
      ++count;
    }
    return count;
  }
  bool Wrote(const std::string& piece) const { return CountOf(piece) > 0; }

  // Calls `consumer` as IBM MQ does for a message taken off its queue.
  // `returned_length` MQRL_UNDEFINED makes it report the length in the
  // MQCBC's DataLength alone.
  static void Consume(MQCB_FUNCTION* consumer, MQMD* md, char* data, MQLONG length,
                      MQLONG returned_length = kLengthAsGiven) {
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.ReturnedLength = returned_length == kLengthAsGiven ? length : returned_length;
    MQCBC context = Context();
    context.CallType = MQCBCT_MSG_REMOVED;
    context.DataLength = length;
    context.BufferLength = length;
    consumer(RecordingMqi::kHconn, md, &gmo, data, &context);
  }
  static constexpr MQLONG kLengthAsGiven = -99;

  // A callback context as IBM MQ hands it over (cmqc.h has no default).
  static MQCBC Context() {
    MQCBC context{};
    memcpy(context.StrucId, MQCBC_STRUC_ID, sizeof context.StrucId);
    context.Version = MQCBC_VERSION_1;
    context.Hobj = MQHO_NONE;
    return context;
  }

  // Calls `consumer` as IBM MQ does for an event.
  static void Event(MQCB_FUNCTION* consumer, MQLONG reason, MQLONG call_type = MQCBCT_EVENT_CALL) {
    MQCBC context = Context();
    context.CallType = call_type;
    context.CompCode = reason == MQRC_NONE ? MQCC_OK : MQCC_FAILED;
    context.Reason = reason;
    consumer(RecordingMqi::kHconn, nullptr, nullptr, nullptr, &context);
  }

  // Hands `bytes` (in a block of exactly their size) to the command
  // consumer as a message on the input queue.
  static void SendRequest(MQMD* md, const std::string& bytes) {
    ExactBuffer buffer(bytes);
    Consume(CommandConsumer, md, buffer.data(), buffer.size());
  }
  // Hands `bytes` to the reply consumer as a reply to the request forwarded
  // as `fwd_msg_id`, in `format`.
  static void SendReply(const char* fwd_msg_id, const std::string& bytes,
                        const char* format = MQFMT_ADMIN) {
    MQMD md = ReplyDescriptor(fwd_msg_id, format);
    ExactBuffer buffer(bytes);
    Consume(ReplyConsumer, &md, buffer.data(), buffer.size());
  }

  // The descriptor of a client's request.
  static MQMD RequestDescriptor(const char* format, const char* reply_to_q = kClientQ,
                                const char* reply_to_qmgr = "QM1", MQLONG report = MQRO_NONE) {
    MQMD md = {MQMD_DEFAULT};
    memcpy(md.Format, format, MQ_FORMAT_LENGTH);
    md.MsgType = MQMT_REQUEST;
    md.Report = report;
    FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, reply_to_q);
    FillBlankPadded(md.ReplyToQMgr, sizeof md.ReplyToQMgr, reply_to_qmgr);
    memcpy(md.MsgId, "CLIENT-MSGID-0123456789A", sizeof md.MsgId);
    memcpy(md.CorrelId, "CLIENT-CORRELID-01234567", sizeof md.CorrelId);
    return md;
  }

  // Lists a request as the command consumer would have, without forwarding
  // anything: its replies carry `fwd_msg_id` (24 characters).
  REQUEST* ListRequest(const char* fwd_msg_id, int32_t kind = REQ_PCF, MQLONG report = MQRO_NONE,
                       const char* reply_to_q = kClientQ) {
    REQUEST* request = NewRequest();
    const int64_t now = Process.CurrentTime.load();
    request->LastActivity = now;
    request->Issued = now;
    CopyTerminated(request->ReplyToQ, MQ_Q_NAME_LENGTH, reply_to_q);
    CopyTerminated(request->ReplyToQMgr, MQ_Q_MGR_NAME_LENGTH, "QM1");
    memcpy(request->FwdMsgId, fwd_msg_id, sizeof request->FwdMsgId);
    request->Report = report;
    memcpy(request->MsgId, "CLIENT-MSGID-0123456789A", sizeof request->MsgId);
    memcpy(request->CorrelId, "CLIENT-CORRELID-01234567", sizeof request->CorrelId);
    request->MaxMsgSize = AgentConfig.maxmsgsize;
    request->Kind = kind;
    request->Command = MQCMD_INQUIRE_Q;
    PushRequest(request);
    return request;
  }

  // The descriptor of a reply to the request forwarded as `fwd_msg_id`: that
  // MsgId, and the CorrelId of every forwarded request.
  static MQMD ReplyDescriptor(const char* fwd_msg_id, const char* format = MQFMT_ADMIN) {
    MQMD md = {MQMD_DEFAULT};
    memcpy(md.Format, format, MQ_FORMAT_LENGTH);
    md.MsgType = MQMT_REPLY;
    memcpy(md.MsgId, fwd_msg_id, sizeof md.MsgId);
    memcpy(md.CorrelId, kForwardCorrelId, sizeof md.CorrelId);
    return md;
  }

  // What went to the dead-letter queue: the messages behind their headers.
  std::vector<RecordedPut> DeadLetters() { return mqi_.PutsTo(kDeadLetterQ); }

  // The 24 bytes of a MsgId or CorrelId.
  static std::string Id(const void* id) { return std::string(static_cast<const char*>(id), 24); }

  RecordingMqi& mqi_;
  TempDir dir_;
  std::string messages_path_;
};
