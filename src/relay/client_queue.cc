// Putting to a client's queue through the handle cache.
#include "relay/client_queue.h"

#include "log/message.h"
#include "log/message_texts.h"
#include "pcf/names/constant_names.h"
#include "relay/dead_letter.h"
#include "relay/put_message.h"
#include "relay/reply_queue_cache.h"
#include "state/process_state.h"

ClientPutOutcome PutToClientQueue(const char* queue, const char* qmgr, MQMD* md, void* buffer,
                                  MQLONG length, bool pass_context, MQLONG* reason) {
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Version = MQPMO_VERSION_1;
  pmo.Options = MQPMO_NO_SYNCPOINT;
  if (pass_context) {
    pmo.Options |= MQPMO_PASS_ALL_CONTEXT;
    pmo.Context = Process.ReplyQueueHobj;
  }
  char name[kQNameDisplaySize];
  FormatQName(qmgr, queue, name);
  HOBJCACHE* entry = GetReplyQHandle(queue, qmgr, nullptr, reason);
  if (entry == nullptr) return ClientPutOutcome::kNotOpened;
  if (PutMessage(entry->Hobj, name, md, &pmo, buffer, length, reason)) {
    return ClientPutOutcome::kPut;
  }
  if (!IsHandleGone(*reason)) return ClientPutOutcome::kFailed;
  DropReplyQHandle(entry);
  entry = GetReplyQHandle(queue, qmgr, nullptr, reason);
  if (entry == nullptr) return ClientPutOutcome::kNotOpened;
  return PutMessage(entry->Hobj, name, md, &pmo, buffer, length, reason)
             ? ClientPutOutcome::kPut
             : ClientPutOutcome::kFailed;
}

void GiveUpDelivery(const char* queue, const char* qmgr, const MQMD& md, const void* buffer,
                    MQLONG length, ClientPutOutcome outcome, MQLONG reason) {
  if (outcome == ClientPutOutcome::kFailed) {
    char name[kQNameDisplaySize];
    Log(kLevelQuiet, kCsag107E, FormatQName(qmgr, queue, name), static_cast<int>(reason),
        ReasonText(reason));
  }
  DeadLetter(queue, qmgr, md, buffer, length, reason);
}
