// Command intake: simple commands, and requests recorded and forwarded.
#include "relay/command_consumer.h"

#include <cstring>
#include <ctime>

#include "log/message.h"
#include "log/message_texts.h"
#include "log/status_report.h"
#include "mq/connection.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_names.h"
#include "pcf/pcf_format.h"
#include "relay/error_reply.h"
#include "relay/forward.h"
#include "relay/reply_queue_cache.h"
#include "relay/request_table.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

constexpr int kFormatLength = MQ_FORMAT_LENGTH;

bool IsFormat(const char* format, const char* expected) {
  return memcmp(format, expected, kFormatLength) == 0;
}

// The 32-bit integer at offset 12 of a message (MQCFH.Command for PCF), or
// 0 when the message is too short to hold one.
int32_t CommandCode(const char* data, int32_t length) {
  constexpr int32_t kCommandOffset = offsetof(MQCFH, Command);
  if (data == nullptr || length < kCommandOffset + 4) return 0;
  int32_t command;
  memcpy(&command, data + kCommandOffset, sizeof command);
  return command;
}

void ReportReceipt(const REQUEST* request, int32_t length) {
  if (request->Kind == REQ_MQSC) {
    Log(kLevelMedium, kCsag402I, length);
  } else if (request->Kind == REQ_ESCAPE || request->Kind == REQ_PCF) {
    Log(kLevelMedium, kCsag401I, CommandText(request->Command), length);
  }
}

// Records and forwards one request; returns whether it was forwarded.
bool HandleRequest(MQMD* md, char* data, int32_t length) {
  REQUEST* request = NewRequest();
  if (request == nullptr) {
    Log(kLevelQuiet, kCsag202E, kRequestAllocationSize, "REQUEST");
    RequestStop(kExitFailure);
    return false;
  }
  const int64_t now = time(nullptr);
  Process.CurrentTime.store(now, std::memory_order_relaxed);
  request->LastActivity = now;
  request->Issued = now;
  request->Command = CommandCode(data, length);
  request->MaxMsgSize = AgentConfig.maxmsgsize;
  request->Kind = ClassifyRequest(md->Format, request->Command);
  ReportReceipt(request, length);
  RewriteRequestDescriptor(request, md);

  // The answer must have somewhere to go: a queue that opens and is none of
  // the agent's own (where it would be taken for another request's answer,
  // or forwarded again). A request without one is not forwarded; the cache
  // has said why.
  HOBJCACHE* entry = GetReplyQHandle(request->ReplyToQ, request->ReplyToQMgr);
  if (entry == nullptr) {
    FreeRequest(request);
    return false;
  }
  LimitMsgSize(request, entry);

  if (ForwardRequest(md, data, length) != MQRC_NONE) {
    // The client learns at once that its request went nowhere, instead of
    // waiting for an answer that cannot come.
    SendNoResponseReply(request);
    FreeRequest(request);
    return false;
  }
  memcpy(request->FwdMsgId, md->MsgId, sizeof request->FwdMsgId);
  PushRequest(request);
  return true;
}

}  // namespace

int32_t ClassifyRequest(const char* format, int32_t command) {
  if (IsFormat(format, MQFMT_STRING) || IsFormat(format, MQFMT_COMMAND_1) ||
      IsFormat(format, MQFMT_COMMAND_2)) {
    return REQ_MQSC;
  }
  if (IsFormat(format, MQFMT_ADMIN)) return command == MQCMD_ESCAPE ? REQ_ESCAPE : REQ_PCF;
  return REQ_OTHER;
}

int SimpleCommand(const char* format, const char* text, int32_t length) {
  if (!IsFormat(format, MQFMT_STRING)) return 0;
  if (length == 4 && memcmp(text, "STOP", 4) == 0) {
    Log(kLevelQuiet, kCsag021I);
    RequestStop(kExitOrderly);
    return 1;
  }
  if (length == 6 && memcmp(text, "REPORT", 6) == 0) {
    StatusReport(1);
    return 1;
  }
  return 0;
}

void MQENTRY CommandConsumer(MQHCONN, PMQVOID message_descriptor, PMQVOID get_options,
                             PMQVOID buffer, PMQCBC context) {
  int32_t length;
  if (!ConsumedMessage(context, get_options, AgentConfig.inputq, &length)) return;
  auto* md = static_cast<MQMD*>(message_descriptor);
  auto* data = static_cast<char*>(buffer);

  if (FieldNameLength(md->ReplyToQ, sizeof md->ReplyToQ) == 0 ||
      FieldNameLength(md->ReplyToQMgr, sizeof md->ReplyToQMgr) == 0) {
    if (SimpleCommand(md->Format, data, length) == 0) {
      char shown[13];
      const int32_t n = length < 12 ? length : 12;
      Log(kLevelQuiet, kCsag212E,
          PrintableCopy(shown, sizeof shown, data, n > 0 ? static_cast<size_t>(n) : 0));
    }
  } else if (!HandleRequest(md, data, length)) {
    return;
  }
  CountCommandReceived(static_cast<uint32_t>(length));
}
