// The messages that wait for another attempt, oldest first.
#include "relay/retry_queue.h"

#include <cstring>
#include <string>
#include <unordered_set>

#include "cs/agent_lock.h"
#include "cs/cs_memory.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "log/status_report.h"
#include "mq/consumption.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_names.h"
#include "relay/client_queue.h"
#include "relay/put_message.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

// One message waiting.
struct DEFERRED {
  DEFERRED* Next;
  char QName[MQ_Q_NAME_LENGTH + 1];
  char QMgrName[MQ_Q_MGR_NAME_LENGTH + 1];
  MQMD Descriptor;
  char* Data;
  MQLONG Length;
  MQLONG Reason;     // its last failure, or that of the message it waits behind
  int32_t Attempts;  // puts tried so far
  int64_t Due;       // when the next may be tried (seconds since the epoch)
};

DEFERRED* DeferredList = nullptr;  // oldest first
DEFERRED** DeferredTail = &DeferredList;
int64_t DeferredBytes = 0;
int32_t DeferredCount = 0;
AgentLock DeferredLock;

bool SameQueue(const DEFERRED* deferred, const char* queue, const char* qmgr) {
  return strncmp(deferred->QName, queue, MQ_Q_NAME_LENGTH) == 0 &&
         strncmp(deferred->QMgrName, qmgr, MQ_Q_MGR_NAME_LENGTH) == 0;
}

std::string QueueKey(const DEFERRED* deferred) {
  return std::string(deferred->QMgrName) + '/' + deferred->QName;
}

void Release(DEFERRED* deferred) {
  CSFreeMem(deferred->Data);
  CSFreeMem(deferred);
}

// Unlinks the entry at *link; returns it. Under DeferredLock.
DEFERRED* Unlink(DEFERRED** link) {
  DEFERRED* deferred = *link;
  *link = deferred->Next;
  if (DeferredTail == &deferred->Next) DeferredTail = link;
  deferred->Next = nullptr;
  DeferredBytes -= deferred->Length;
  --DeferredCount;
  return deferred;
}

// CSAG108E: the put of a message for `queue` on `qmgr` failed for `reason`
// and will be tried again, as retry number `retry`.
void AnnounceRetry(const char* queue, const char* qmgr, MQLONG reason, int32_t retry) {
  char name[kQNameDisplaySize];
  Log(kLevelHigh, kCsag108E, FormatQName(qmgr, queue, name), static_cast<int>(reason),
      ReasonText(reason), retry, AgentConfig.retryint);
}

// Whether an attempt is due for a message first in line for its queue.
bool AnyAttemptDue(int64_t now) {
  AgentLockGuard guard(&DeferredLock);
  std::unordered_set<std::string> seen;
  for (DEFERRED* deferred = DeferredList; deferred != nullptr; deferred = deferred->Next) {
    if (!seen.insert(QueueKey(deferred)).second) continue;
    if (deferred->Due <= now) return true;
  }
  return false;
}

}  // namespace

bool DeferDelivery(const char* queue, const char* qmgr, const MQMD& md, const void* data,
                   MQLONG length, MQLONG reason, int32_t attempts, int64_t due) {
  AgentLockGuard guard(&DeferredLock);
  if (DeferredBytes + length > kMaxDeferredBytes) return false;
  auto* deferred = static_cast<DEFERRED*>(CSGetMem(sizeof(DEFERRED)));
  if (deferred == nullptr) return false;
  memset(deferred, 0, sizeof *deferred);
  deferred->Data = static_cast<char*>(CSGetMem(length > 0 ? static_cast<size_t>(length) : 1));
  if (deferred->Data == nullptr) {
    CSFreeMem(deferred);
    return false;
  }
  if (length > 0) memcpy(deferred->Data, data, static_cast<size_t>(length));
  CopyTerminated(deferred->QName, MQ_Q_NAME_LENGTH, queue);
  CopyTerminated(deferred->QMgrName, MQ_Q_MGR_NAME_LENGTH, qmgr);
  deferred->Descriptor = md;
  deferred->Length = length;
  deferred->Reason = reason;
  deferred->Attempts = attempts;
  deferred->Due = due;
  *DeferredTail = deferred;
  DeferredTail = &deferred->Next;
  DeferredBytes += length;
  ++DeferredCount;
  if (attempts > 0) AnnounceRetry(queue, qmgr, reason, attempts);
  return true;
}

MQLONG DeferredReason(const char* queue, const char* qmgr) {
  AgentLockGuard guard(&DeferredLock);
  MQLONG reason = MQRC_NONE;
  for (DEFERRED* deferred = DeferredList; deferred != nullptr; deferred = deferred->Next) {
    if (SameQueue(deferred, queue, qmgr)) reason = deferred->Reason;
  }
  return reason;
}

void RetryDeferredDeliveries() {
  const int64_t now = Process.CurrentTime.load(std::memory_order_relaxed);
  if (!AnyAttemptDue(now)) return;
  SuspendConsumption();
  // No consumer runs now, so nothing is added meanwhile; the lock still
  // covers each change of the list.
  std::unordered_set<std::string> waiting;  // queues whose first message is not due or failed
  DEFERRED** link = &DeferredList;
  for (;;) {
    DEFERRED* deferred;
    {
      AgentLockGuard guard(&DeferredLock);
      deferred = *link;
    }
    if (deferred == nullptr) break;
    const std::string key = QueueKey(deferred);
    if (waiting.count(key) != 0 || deferred->Due > now) {
      waiting.insert(key);
      link = &deferred->Next;
      continue;
    }
    MQLONG reason = MQRC_NONE;
    const bool retried = deferred->Attempts > 0;
    const ClientPutOutcome outcome =
        PutToClientQueue(deferred->QName, deferred->QMgrName, &deferred->Descriptor, deferred->Data,
                         deferred->Length, false, &reason);
    ++deferred->Attempts;
    if (outcome == ClientPutOutcome::kFailed && IsWorthRetrying(reason) &&
        deferred->Attempts <= AgentConfig.retrycount) {
      AnnounceRetry(deferred->QName, deferred->QMgrName, reason, deferred->Attempts);
      deferred->Reason = reason;
      deferred->Due = now + AgentConfig.retryint;
      waiting.insert(key);
      link = &deferred->Next;
      continue;
    }
    {
      AgentLockGuard guard(&DeferredLock);
      Unlink(link);
    }
    if (outcome == ClientPutOutcome::kPut) {
      if (retried) CountPutRetried();
      CountResponseSent(static_cast<uint32_t>(deferred->Length));
    } else {
      GiveUpDelivery(deferred->QName, deferred->QMgrName, deferred->Descriptor, deferred->Data,
                     deferred->Length, outcome, reason);
    }
    Release(deferred);
  }
  ResumeConsumption();
}

void DeadLetterDeferredDeliveries() {
  for (;;) {
    DEFERRED* deferred;
    {
      AgentLockGuard guard(&DeferredLock);
      if (DeferredList == nullptr) return;
      deferred = Unlink(&DeferredList);
    }
    GiveUpDelivery(deferred->QName, deferred->QMgrName, deferred->Descriptor, deferred->Data,
                   deferred->Length, ClientPutOutcome::kFailed, deferred->Reason);
    Release(deferred);
  }
}

int32_t DeferredDeliveryCount() {
  AgentLockGuard guard(&DeferredLock);
  return DeferredCount;
}

void ClearDeferredDeliveriesForTesting() {
  AgentLockGuard guard(&DeferredLock);
  while (DeferredList != nullptr) Release(Unlink(&DeferredList));
}
