// The delivery of a message to a client, with its identifiers restored.
#include "relay/deliver.h"

#include <cstdio>
#include <cstring>

#include "agent/process_state.h"
#include "log/message.h"
#include "log/status_report.h"
#include "names/constant_names.h"
#include "relay/put_with_retry.h"
#include "relay/reply_queue_cache.h"

namespace {

// The length of a name of up to 48 characters without its trailing NULs,
// tabs, line feeds and blanks; a name ends at its first NUL in any case.
size_t NameLength(const char* name) {
  size_t n = strnlen(name, MQ_Q_NAME_LENGTH);
  while (n > 0 && (name[n - 1] == ' ' || name[n - 1] == '\t' || name[n - 1] == '\n')) --n;
  return n;
}

}  // namespace

char* FormatQName(const char* qmgr, const char* queue, char* out) {
  char* end = out;
  if (qmgr[0] != '\0') {
    const size_t n = NameLength(qmgr);
    PrintableCopy(end, n + 1, qmgr, n);
    end += n;
    *end++ = '/';
  }
  const size_t n = NameLength(queue);
  PrintableCopy(end, n + 1, queue, n);
  return out;
}

void DeliverReply(REQUEST* request, MQMD* md, void* buffer, MQLONG length, bool pass_context) {
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Version = MQPMO_VERSION_1;
  pmo.Options = MQPMO_NO_SYNCPOINT;
  if (pass_context) {
    pmo.Options |= MQPMO_PASS_ALL_CONTEXT;
    pmo.Context = ReplyQueueHobj;
  }

  char name[kQNameDisplaySize];
  FormatQName(request->ReplyToQMgr, request->ReplyToQ, name);

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

  HOBJCACHE* entry = GetReplyQHandle(request->ReplyToQ, request->ReplyToQMgr);
  if (entry == nullptr) return;

  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  bool put = PutWithRetry(entry->Hobj, name, md, &pmo, buffer, length, &comp_code, &reason);
  if (!put && IsHandleGone(reason)) {
    // The cached handle outlived its queue (a client's temporary queue goes
    // with the client): the queue is opened anew, which reports a queue
    // that is really gone (CSAG104E), and finds one made again.
    DropReplyQHandle(entry);
    entry = GetReplyQHandle(request->ReplyToQ, request->ReplyToQMgr);
    if (entry == nullptr) return;
    put = PutWithRetry(entry->Hobj, name, md, &pmo, buffer, length, &comp_code, &reason);
  }
  if (!put) {
    AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
                 "CSAG107E MQPUT to queue '%s' failed with reason %d (%s)\n", name,
                 static_cast<int>(reason), ReasonText(reason));
    return;
  }
  CountResponseSent(static_cast<uint32_t>(length));
}
