// Reply intake: match, count, compress, hold or coalesce, deliver, retire.
#include "consolidate/reply_consumer.h"

#include <cstring>

#include "agent/process_state.h"
#include "config/settings.h"
#include "consolidate/coalesce.h"
#include "consolidate/compress.h"
#include "consolidate/hold_buffer.h"
#include "consolidate/reply_shape.h"
#include "log/message.h"
#include "log/status_report.h"
#include "mq/connection.h"
#include "pcf/agent_format.h"
#include "pcf/mqsc_reply.h"
#include "pcf/names/constant_names.h"
#include "pcf/pcf_format.h"
#include "relay/deliver.h"
#include "relay/forward.h"

namespace {

bool IsFormat(const char* format, const char* expected) {
  return memcmp(format, expected, MQ_FORMAT_LENGTH) == 0;
}

void ReportUnrecognised(const MQBYTE* msg_id) {
  char hex[2 * sizeof(MQBYTE24) + 1];
  AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
               "CSAG302E Unrecognised reply received MsgId: %s\n",
               FormatHexId(msg_id, sizeof(MQBYTE24), hex));
}

bool SomethingHeld(const REQUEST* request) {
  return request->HoldBuffer != nullptr && request->HoldLength > 0;
}

// Holds or coalesces the reply as `flags` say. The agent information
// counts against the size limit as the replies do: a message that would
// not fit the client's queue with it goes without it.
void Gather(REQUEST* request, MQMD* md, char* data, int32_t length, int flags) {
  const int32_t info = (flags & REPLY_ADD_INFO) ? kAgentInfoLength : 0;
  if (flags & REPLY_COALESCE) {
    const bool mqsc = IsMqscFormat(md->Format);
    // An MQSC text takes a separator byte as well.
    const int64_t gathered = int64_t{request->HoldLength} + length + (mqsc ? 1 : 0) + info;
    // PCF joins only PCF, MQSC text only MQSC text.
    if (SomethingHeld(request) && SameReplyKind(md->Format, request->HoldFormat) &&
        gathered <= request->MaxMsgSize) {
      if (mqsc) {
        AppendMqscReply(request, data, length);
      } else {
        AppendPcfReply(request, md, data, length);
      }
    } else {
      HoldReply(request, md, data, length);
    }
  } else if (flags & REPLY_STORE) {
    HoldReply(request, md, data, length);
  }
  if (flags & REPLY_ADD_INFO) {
    if (!(flags & (REPLY_COALESCE | REPLY_STORE))) HoldReply(request, md, data, length);
    if (SomethingHeld(request) && IsFormat(md->Format, MQFMT_ADMIN) &&
        int64_t{request->HoldLength} + info <= request->MaxMsgSize) {
      AddAgentInfo(request);
    }
  }
}

// Delivers the request's last message(s) and retires it.
void Finish(REQUEST* request, MQMD* md, char* data, int32_t length, int flags) {
  // A reply that ends the request on its own follows what is held for the
  // request, so that nothing the command server sent is lost.
  DeliverHeld(request, md);
  if (!(flags & (REPLY_STORE | REPLY_COALESCE | REPLY_ADD_INFO))) {
    DeliverReply(request, md, data, length, true);
  }
  if (AgentConfig.verbose == kLevelMedium) {
    if (request->ReplyCount == 1) {
      AgentMessage(kLevelMedium, MSG_ORDINARY, LogStream,
                   "CSAG403I Received reply message of length %d bytes\n", request->ReplyBytes);
    } else {
      AgentMessage(kLevelMedium, MSG_ORDINARY, LogStream,
                   "CSAG404I Received %d reply messages of total length %d bytes\n",
                   request->ReplyCount, request->ReplyBytes);
    }
  }
  RetireRequest(request);
}

// Whether a report about the forwarded request means that no answer will
// follow: an exception or an expiry report does; confirmations of arrival
// or delivery, action notifications and activity reports do not.
bool ReportEndsRequest(MQLONG feedback) {
  return feedback != MQFB_COA && feedback != MQFB_COD && feedback != MQFB_PAN &&
         feedback != MQFB_NAN && feedback != MQFB_ACTIVITY;
}

// A report that the queue manager sent about the forwarded request reaches
// the client as it came, with the client's identifiers; one that ends the
// request follows what is held for it.
void HandleReport(REQUEST* request, MQMD* md, char* data, int32_t length) {
  if (ReportEndsRequest(md->Feedback)) {
    Finish(request, md, data, length, REPLY_LAST);
    return;
  }
  DeliverReply(request, md, data, length, true);
  ReleaseInUse(request);
}

}  // namespace

int ClassifyReply(const REQUEST* request, const MQMD* md, const char* data, int32_t length) {
  if (!ReplyShapeIsSound(md->Format, data, length)) return REPLY_LAST | REPLY_AS_RECEIVED;
  const bool has_buffer = request->HoldBuffer != nullptr;
  int flags;
  if (IsFormat(md->Format, MQFMT_ADMIN)) {
    MQCFH header;
    memcpy(&header, data, sizeof header);
    if (header.Control & MQCFC_LAST) {
      flags = REPLY_LAST | (has_buffer ? REPLY_COALESCE : 0);
    } else {
      flags = REPLY_COALESCE;
    }
    if (header.Command == MQCMD_INQUIRE_Q_MGR) flags |= REPLY_ADD_INFO;
  } else if (IsMqscFormat(md->Format)) {
    flags = has_buffer ? REPLY_COALESCE : REPLY_STORE;
    if (IsClosingMqscText(std::string_view(data, 8))) flags |= REPLY_LAST;
  } else {
    flags = REPLY_LAST;
  }
  if (!(AgentConfig.AgentFlags & AF_COALESCE)) flags = (flags & ~REPLY_COALESCE) | REPLY_STORE;
  return flags;
}

void MQENTRY ReplyConsumer(MQHCONN, PMQVOID message_descriptor, PMQVOID get_options, PMQVOID buffer,
                           PMQCBC context) {
  if (context->CallType == MQCBCT_EVENT_CALL) {
    HandleConsumerEvent(context, AgentConfig.actualreplyq);
    return;
  }
  if (context->CallType != MQCBCT_MSG_REMOVED) {
    AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream, "Calltype = %d\n",
                 static_cast<int>(context->CallType));
    return;
  }

  LastActivityTime.store(CurrentTime.load(std::memory_order_relaxed), std::memory_order_relaxed);
  auto* md = static_cast<MQMD*>(message_descriptor);
  const auto* gmo = static_cast<const MQGMO*>(get_options);
  int32_t length =
      gmo->ReturnedLength == MQRL_UNDEFINED ? context->DataLength : gmo->ReturnedLength;
  auto* data = static_cast<char*>(buffer);
  AgentMessage(kLevelHigh, MSG_ORDINARY, LogStream,
               "CSAG403I Received reply message of length %d bytes\n", length);

  // A reply of the agent's carries its request's MsgId and the CorrelId of
  // every forwarded request.
  REQUEST* request = memcmp(md->CorrelId, ForwardCorrelId, sizeof md->CorrelId) == 0
                         ? MatchRequest(md->MsgId, length)
                         : nullptr;
  if (request == nullptr) {
    ReportUnrecognised(md->MsgId);
    return;
  }
  CountReplyReceived(static_cast<uint32_t>(length));
  if (md->MsgType == MQMT_REPORT) {
    HandleReport(request, md, data, length);
    return;
  }

  const int flags = ClassifyReply(request, md, data, length);
  if ((AgentConfig.AgentFlags & AF_COMPRESS) && !(flags & REPLY_AS_RECEIVED) &&
      IsFormat(md->Format, MQFMT_ADMIN)) {
    CompressPcf(data, &length);
  }
  Gather(request, md, data, length, flags);
  if (flags & REPLY_LAST) {
    Finish(request, md, data, length, flags);
  } else {
    ReleaseInUse(request);
  }
}
