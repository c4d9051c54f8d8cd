// Reply intake: match, count, compress, hold or coalesce, deliver, retire.
#include "consolidate/reply_consumer.h"

#include <cstring>

#include "consolidate/coalesce.h"
#include "consolidate/compress.h"
#include "consolidate/hold_buffer.h"
#include "consolidate/reply_shape.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "log/status_report.h"
#include "mq/connection.h"
#include "pcf/agent_format.h"
#include "pcf/mqsc_reply.h"
#include "pcf/names/constant_names.h"
#include "pcf/pcf_format.h"
#include "relay/deliver.h"
#include "relay/forward.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

bool IsFormat(const char* format, const char* expected) {
  return memcmp(format, expected, MQ_FORMAT_LENGTH) == 0;
}

void ReportUnrecognised(const MQBYTE* msg_id) {
  char hex[2 * sizeof(MQBYTE24) + 1];
  Log(kLevelQuiet, kCsag302E, FormatHexId(msg_id, sizeof(MQBYTE24), hex));
}

// After the last reply: the counts at verbose level 2, then the request is
// retired.
void FinishRequest(REQUEST* request) {
  if (AgentConfig.verbose == kLevelMedium) {
    if (request->ReplyCount == 1) {
      Log(kLevelMedium, kCsag403I, request->ReplyBytes);
    } else {
      Log(kLevelMedium, kCsag404I, request->ReplyCount, request->ReplyBytes);
    }
  }
  RetireRequest(request);
}

// Holds, coalesces and delivers one reply as `flags` say. Whether the reply
// joins what is held is decided first (coalescing decides, FitsWithHeld);
// then, in the order the client receives them: what is held goes out when
// the reply does not join it, the reply is gathered (appended, or held
// alone), and the request's last reply sends what is held, or the reply
// itself when it was not gathered. The agent information counts against the
// size limit as the replies do: a message that would not fit the client's
// queue with it goes without it.
void RelayReply(REQUEST* request, MQMD* md, char* data, int32_t length, int flags) {
  const bool gathered = (flags & (REPLY_STORE | REPLY_COALESCE | REPLY_ADD_INFO)) != 0;
  const int32_t reserve = (flags & REPLY_ADD_INFO) ? kAgentInfoLength : 0;
  const bool joins = (flags & REPLY_COALESCE) && FitsWithHeld(request, md, data, length, reserve);

  if (!joins) DeliverHeld(request, md);
  if (joins) {
    if (IsMqscFormat(md->Format)) {
      AppendMqscReply(request, data, length);
    } else {
      AppendPcfReply(request, data, length);
    }
  } else if (gathered) {
    HoldReply(request, md, data, length);
  }
  if (flags & REPLY_ADD_INFO) AddAgentInfo(request);

  if (!(flags & REPLY_LAST)) {
    ReleaseInUse(request);
    return;
  }
  if (gathered) {
    DeliverHeld(request, md);
  } else {
    DeliverReply(request, md, data, length, true);
  }
  FinishRequest(request);
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
    RelayReply(request, md, data, length, REPLY_LAST);
    return;
  }
  DeliverReply(request, md, data, length, true);
  ReleaseInUse(request);
}

}  // namespace

int ClassifyReply(const REQUEST* request, const MQMD* md, const char* data, int32_t length) {
  if (!ReplyShapeIsSound(md->Format, data, length)) return REPLY_LAST | REPLY_AS_RECEIVED;
  const bool has_buffer = HasHoldBuffer(request);
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
  int32_t length;
  if (!ConsumedMessage(context, get_options, AgentConfig.actualreplyq, &length)) return;
  auto* md = static_cast<MQMD*>(message_descriptor);
  auto* data = static_cast<char*>(buffer);
  Log(kLevelHigh, kCsag403I, length);

  // A reply of the agent's carries its request's MsgId and the CorrelId of
  // every forwarded request.
  REQUEST* request = memcmp(md->CorrelId, Process.ForwardCorrelId, sizeof md->CorrelId) == 0
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
  RelayReply(request, md, data, length, flags);
}
