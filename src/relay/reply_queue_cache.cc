// The reply-queue handle cache.
#include "relay/reply_queue_cache.h"

#include <cstring>
#include <ctime>

#include "agent/process_state.h"
#include "config/settings.h"
#include "cs/cs_memory.h"
#include "log/message.h"
#include "mq/consumption.h"
#include "mq/mqi_table.h"
#include "names/constant_names.h"
#include "pcf/mq_field.h"
#include "relay/deliver.h"

HOBJCACHE* HobjCache = nullptr;
AgentLock HobjCacheLock;
int64_t LastHobjCheck = 0;

namespace {

// Whether `entry` is the one for `queue` on `qmgr`.
bool Matches(const HOBJCACHE* entry, const char* queue, const char* qmgr) {
  return strncmp(entry->QName, queue, MQ_Q_NAME_LENGTH) == 0 &&
         strncmp(entry->QMgrName, qmgr, MQ_Q_MGR_NAME_LENGTH) == 0 &&
         entry->OpenKey == kReplyQueueOpenKey;
}

HOBJCACHE* FindEntry(const char* queue, const char* qmgr) {
  AgentLockGuard guard(&HobjCacheLock);
  for (HOBJCACHE* entry = HobjCache; entry != nullptr; entry = entry->Next) {
    if (Matches(entry, queue, qmgr)) {
      entry->LastUsed = CurrentTime.load(std::memory_order_relaxed);
      return entry;
    }
  }
  return nullptr;
}

// Opens `queue` on `qmgr` with `options`; returns the handle or
// MQHO_UNUSABLE_HOBJ, and the reason.
MQHOBJ OpenReplyQueue(const char* queue, const char* qmgr, MQLONG options, MQLONG* reason) {
  MQOD od = {MQOD_DEFAULT};
  FillNulPadded(od.ObjectName, sizeof od.ObjectName, queue);
  FillNulPadded(od.ObjectQMgrName, sizeof od.ObjectQMgrName, qmgr);
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG comp_code = MQCC_OK;
  MqiTable.MQOPEN(QMgrHconn, &od, options, &hobj, &comp_code, reason);
  return *reason == MQRC_NONE ? hobj : MQHO_UNUSABLE_HOBJ;
}

const char* DefinitionTypeWord(int32_t type) {
  switch (type) {
    case MQQDT_PREDEFINED:
      return "PREDEFINED";
    case MQQDT_PERMANENT_DYNAMIC:
      return "PERMDYN";
    case MQQDT_TEMPORARY_DYNAMIC:
      return "TEMPDYN";
    case MQQDT_SHARED_DYNAMIC:
      return "SHAREDYN";
    default:
      return "";
  }
}

}  // namespace

HOBJCACHE* GetReplyQHandle(const char* queue, const char* qmgr) {
  CurrentTime.store(time(nullptr), std::memory_order_relaxed);
  if (HOBJCACHE* entry = FindEntry(queue, qmgr)) return entry;

  char name[kQNameDisplaySize];
  FormatQName(qmgr, queue, name);
  MQLONG options = kReplyQueueOpenKey;
  if ((AgentConfig.AgentFlags & AF_REPLYQINQ) &&
      strncmp(qmgr, AgentConfig.qmname, MQ_Q_MGR_NAME_LENGTH) == 0) {
    options |= MQOO_INQUIRE;
  }
  MQLONG reason = MQRC_NONE;
  MQHOBJ hobj = OpenReplyQueue(queue, qmgr, options, &reason);
  if (hobj == MQHO_UNUSABLE_HOBJ && (options & MQOO_INQUIRE) &&
      (reason == MQRC_OPTION_NOT_VALID_FOR_TYPE || reason == MQRC_NOT_AUTHORIZED)) {
    // A queue that may not be inquired (a remote queue, or no authority) is
    // still used, with maxmsgsize.
    options &= ~MQOO_INQUIRE;
    hobj = OpenReplyQueue(queue, qmgr, options, &reason);
  }
  if (hobj == MQHO_UNUSABLE_HOBJ) {
    AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
                 "CSAG104E MQOPEN of queue '%s' failed with reason %d (%s)\n", name,
                 static_cast<int>(reason), ReasonText(reason));
    return nullptr;
  }

  auto* entry = static_cast<HOBJCACHE*>(CSGetMem(kHobjCacheAllocationSize));
  if (entry == nullptr) {
    AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
                 "CSAG202E Can not allocate %d bytes for a '%s' structure\n",
                 kHobjCacheAllocationSize, "HOBJCACHE");
    RequestStop(kExitFailure);
    return nullptr;
  }
  memset(entry, 0, sizeof *entry);
  FillNulPadded(entry->QMgrName, sizeof entry->QMgrName, qmgr);
  FillNulPadded(entry->QName, sizeof entry->QName, queue);
  entry->OpenKey = kReplyQueueOpenKey;
  entry->Hobj = hobj;
  entry->LastUsed = CurrentTime.load(std::memory_order_relaxed);
  entry->MaxMsgLen = AgentConfig.maxmsgsize;
  if (options & MQOO_INQUIRE) InquireReplyQ(entry, name);

  AgentLockGuard guard(&HobjCacheLock);
  entry->Next = HobjCache;
  HobjCache = entry;
  return entry;
}

void DropReplyQHandle(HOBJCACHE* entry) {
  {
    AgentLockGuard guard(&HobjCacheLock);
    HOBJCACHE** link = &HobjCache;
    while (*link != nullptr && *link != entry) link = &(*link)->Next;
    if (*link == nullptr) return;
    *link = entry->Next;
  }
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQCLOSE(QMgrHconn, &entry->Hobj, MQCO_NONE, &comp_code, &reason);
  CSFreeMem(entry);
}

void InquireReplyQ(HOBJCACHE* entry, const char* name) {
  MQLONG selectors[2] = {MQIA_MAX_MSG_LENGTH, MQIA_DEFINITION_TYPE};
  MQLONG values[2] = {0, 0};
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQINQ(QMgrHconn, entry->Hobj, 2, selectors, 2, values, 0, nullptr, &comp_code, &reason);
  if (reason != MQRC_NONE) {
    AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
                 "CSAG110E MQINQ of reply queue '%s' failed with reason %d (%s)\n", name,
                 static_cast<int>(reason), ReasonText(reason));
    return;
  }
  entry->MaxMsgLen = values[0];
  entry->DefinitionType = values[1];
}

void LimitMsgSize(REQUEST* request, HOBJCACHE* entry) {
  if (entry->MaxMsgLen >= request->MaxMsgSize) return;
  request->MaxMsgSize = entry->MaxMsgLen;
  bool report;
  {
    AgentLockGuard guard(&HobjCacheLock);
    report = entry->Reported == 0;
    entry->Reported = 1;
  }
  if (!report) return;
  char name[kQNameDisplaySize];
  FormatQName(request->ReplyToQMgr, request->ReplyToQ, name);
  AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
               "CSAG304I ReplyQ %s (%s) has smaller MaxMsgLen (%d)\nthan configured maxmsgsize "
               "(%d). Consolidation size reduced accordingly\n",
               name, DefinitionTypeWord(entry->DefinitionType), request->MaxMsgSize,
               AgentConfig.maxmsgsize);
}

void ExpireReplyQHandles() {
  const int64_t now = CurrentTime.load(std::memory_order_relaxed);
  HOBJCACHE* expired = nullptr;
  HOBJCACHE** tail = &expired;
  {
    AgentLockGuard guard(&HobjCacheLock);
    for (HOBJCACHE** link = &HobjCache; *link != nullptr;) {
      HOBJCACHE* entry = *link;
      if (now - entry->LastUsed > AgentConfig.hobjttl) {
        *link = entry->Next;
        entry->Next = nullptr;
        *tail = entry;
        tail = &entry->Next;
      } else {
        link = &entry->Next;
      }
    }
  }

  bool running = true;
  while (expired != nullptr) {
    HOBJCACHE* entry = expired;
    expired = entry->Next;
    if (running) {
      SuspendConsumption();
      MQLONG comp_code = MQCC_OK;
      MQLONG reason = MQRC_NONE;
      MqiTable.MQCLOSE(QMgrHconn, &entry->Hobj, MQCO_NONE, &comp_code, &reason);
      if (reason != MQRC_NONE) {
        char name[kQNameDisplaySize];
        AgentMessage(kLevelHigh, MSG_ORDINARY, LogStream,
                     "CSAG109E MQCLOSE of queue '%s' failed with reason %d (%s)\n",
                     FormatQName(entry->QMgrName, entry->QName, name), static_cast<int>(reason),
                     ReasonText(reason));
      }
      running = ResumeConsumption();
    }
    CSFreeMem(entry);
  }
  LastHobjCheck = CurrentTime.load(std::memory_order_relaxed);
}

void ClearReplyQCacheForTesting() {
  AgentLockGuard guard(&HobjCacheLock);
  while (HobjCache != nullptr) {
    HOBJCACHE* entry = HobjCache;
    HobjCache = entry->Next;
    CSFreeMem(entry);
  }
  LastHobjCheck = 0;
}
