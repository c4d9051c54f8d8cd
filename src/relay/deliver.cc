// The delivery of a message to a client, with its identifiers restored.
#include "relay/deliver.h"

#include <cstring>

#include "log/status_report.h"
#include "relay/client_queue.h"
#include "relay/put_message.h"
#include "relay/retry_queue.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

// The client's identifiers, as its report options ask.
void RestoreClientIdentifiers(const REQUEST* request, MQMD* md) {
  if (request->Report & MQRO_PASS_MSG_ID) {
    memcpy(md->MsgId, request->MsgId, sizeof md->MsgId);
  } else {
    memcpy(md->MsgId, MQMI_NONE, sizeof md->MsgId);
  }
  if (request->Report & MQRO_PASS_CORREL_ID) {
    memcpy(md->CorrelId, request->CorrelId, sizeof md->CorrelId);
  } else {
    memcpy(md->CorrelId, request->MsgId, sizeof md->CorrelId);
  }
}

}  // namespace

void DeliverReply(REQUEST* request, MQMD* md, void* buffer, MQLONG length, bool pass_context) {
  RestoreClientIdentifiers(request, md);
  const char* queue = request->ReplyToQ;
  const char* qmgr = request->ReplyToQMgr;
  const int64_t now = Process.CurrentTime.load(std::memory_order_relaxed);

  // Messages for one queue leave in order: this one waits behind those
  // already waiting.
  if (const MQLONG waiting = DeferredReason(queue, qmgr); waiting != MQRC_NONE) {
    if (!DeferDelivery(queue, qmgr, *md, buffer, length, waiting, 0, now)) {
      GiveUpDelivery(queue, qmgr, *md, buffer, length, ClientPutOutcome::kFailed, waiting);
    }
    return;
  }

  MQLONG reason = MQRC_NONE;
  const ClientPutOutcome outcome =
      PutToClientQueue(queue, qmgr, md, buffer, length, pass_context, &reason);
  if (outcome == ClientPutOutcome::kPut) {
    CountResponseSent(static_cast<uint32_t>(length));
    return;
  }
  if (outcome == ClientPutOutcome::kFailed && IsWorthRetrying(reason) &&
      AgentConfig.retrycount > 0 &&
      DeferDelivery(queue, qmgr, *md, buffer, length, reason, 1, now + AgentConfig.retryint)) {
    return;
  }
  GiveUpDelivery(queue, qmgr, *md, buffer, length, outcome, reason);
}

MQMD AgentReplyDescriptor(const char* format) {
  MQMD md = {MQMD_DEFAULT};
  md.MsgType = MQMT_REPLY;
  memcpy(md.Format, format, MQ_FORMAT_LENGTH);
  return md;
}
