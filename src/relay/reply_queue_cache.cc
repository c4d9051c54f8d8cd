// The reply-queue handle cache.
#include "relay/reply_queue_cache.h"

#include <cstring>
#include <ctime>

#include "cs/cs_memory.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "mq/consumption.h"
#include "mq/mqi_table.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_names.h"
#include "state/process_state.h"
#include "state/settings.h"

REPLYQCACHE ReplyQCache;

namespace {

// Whether `entry` is the one for `queue` on `qmgr`.
bool Matches(const HOBJCACHE* entry, const char* queue, const char* qmgr) {
  return strncmp(entry->QName, queue, MQ_Q_NAME_LENGTH) == 0 &&
         strncmp(entry->QMgrName, qmgr, MQ_Q_MGR_NAME_LENGTH) == 0 &&
         entry->OpenKey == kReplyQueueOpenKey;
}

HOBJCACHE* FindEntry(const char* queue, const char* qmgr) {
  AgentLockGuard guard(&ReplyQCache.HobjCacheLock);
  for (HOBJCACHE* entry = ReplyQCache.HobjCache; entry != nullptr; entry = entry->Next) {
    if (Matches(entry, queue, qmgr)) {
      entry->LastUsed = Process.CurrentTime.load(std::memory_order_relaxed);
      return entry;
    }
  }
  return nullptr;
}

// Unlinks `entry` from HobjCache; returns whether it was listed. Under
// HobjCacheLock.
bool Unlink(HOBJCACHE* entry) {
  for (HOBJCACHE** link = &ReplyQCache.HobjCache; *link != nullptr; link = &(*link)->Next) {
    if (*link == entry) {
      *link = entry->Next;
      entry->Next = nullptr;
      --ReplyQCache.HobjCacheCount;
      return true;
    }
  }
  return false;
}

// Closes the handle of an entry that is out of the cache and releases it;
// a failed close is reported at level 3 (the handle ends with the
// connection in any case).
void CloseEntry(HOBJCACHE* entry) {
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQCLOSE(Process.QMgrHconn, &entry->Hobj, MQCO_NONE, &comp_code, &reason);
  if (reason != MQRC_NONE) {
    char name[kQNameDisplaySize];
    Log(kLevelHigh, kCsag109E, FormatQName(entry->QMgrName, entry->QName, name),
        static_cast<int>(reason), ReasonText(reason));
  }
  CSFreeMem(entry);
}

// Closes the least recently used entry, if there is one, to free a handle.
// Returns whether one was closed.
bool CloseLeastRecentlyUsed() {
  HOBJCACHE* oldest = nullptr;
  {
    AgentLockGuard guard(&ReplyQCache.HobjCacheLock);
    // The list is newest first, so among entries of one LastUsed the last
    // found is the one opened first.
    for (HOBJCACHE* entry = ReplyQCache.HobjCache; entry != nullptr; entry = entry->Next) {
      if (oldest == nullptr || entry->LastUsed <= oldest->LastUsed) oldest = entry;
    }
    if (oldest == nullptr) return false;
    Unlink(oldest);
  }
  CloseEntry(oldest);
  return true;
}

// What MQOPEN handed back, beside the handle.
struct OpenedQueue {
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  bool made_from_model = false;  // the name handed back is another queue's
  char resolved_q[MQ_Q_NAME_LENGTH + 1] = "";
  char resolved_qmgr[MQ_Q_MGR_NAME_LENGTH + 1] = "";
};

// Opens `queue` on `qmgr` with `options`; returns the reason. A connection
// without a handle to spare (2017) closes the least recently used entry
// and tries once more.
MQLONG OpenReplyQueue(const char* queue, const char* qmgr, MQLONG options, OpenedQueue* opened) {
  MQLONG reason = MQRC_NONE;
  for (int attempt = 0; attempt < 2; ++attempt) {
    MQOD od = {MQOD_DEFAULT};
    od.Version = MQOD_VERSION_3;  // for the resolved names
    FillNulPadded(od.ObjectName, sizeof od.ObjectName, queue);
    FillNulPadded(od.ObjectQMgrName, sizeof od.ObjectQMgrName, qmgr);
    MQLONG comp_code = MQCC_OK;
    MqiTable.MQOPEN(Process.QMgrHconn, &od, options, &opened->hobj, &comp_code, &reason);
    if (reason == MQRC_NONE) {
      // Only a model queue hands back another name: the one of the dynamic
      // queue that the open made.
      opened->made_from_model = NameInField(od.ObjectName, sizeof od.ObjectName) !=
                                NameInField(queue, strnlen(queue, MQ_Q_NAME_LENGTH));
      CopyNameTerminated(opened->resolved_q, MQ_Q_NAME_LENGTH, od.ResolvedQName);
      CopyNameTerminated(opened->resolved_qmgr, MQ_Q_MGR_NAME_LENGTH, od.ResolvedQMgrName);
      return reason;
    }
    opened->hobj = MQHO_UNUSABLE_HOBJ;
    if (reason != MQRC_HANDLE_NOT_AVAILABLE || !CloseLeastRecentlyUsed()) break;
  }
  return reason;
}

// Whether a queue resolved to `queue` on `qmgr` is one of the agent's own.
bool IsAgentsQueue(const char* queue, const char* qmgr) {
  if (strncmp(qmgr, AgentConfig.qmname, MQ_Q_MGR_NAME_LENGTH) != 0 || queue[0] == '\0') {
    return false;
  }
  return strcmp(queue, AgentConfig.actualreplyq) == 0 ||
         strcmp(queue, Process.AgentQueueNames.InputQ) == 0 ||
         strcmp(queue, Process.AgentQueueNames.CommandQ) == 0;
}

const char* DefinitionTypeWord(int32_t type) {
  // Indexed by MQQDT_*.
  constexpr const char* kWords[] = {"", "PREDEFINED", "PERMDYN", "TEMPDYN", "SHAREDYN"};
  static_assert(MQQDT_PREDEFINED == 1 && MQQDT_PERMANENT_DYNAMIC == 2 &&
                MQQDT_TEMPORARY_DYNAMIC == 3 && MQQDT_SHARED_DYNAMIC == 4);
  return type >= MQQDT_PREDEFINED && type <= MQQDT_SHARED_DYNAMIC ? kWords[type] : "";
}

}  // namespace

int32_t MaxCachedReplyQueues() {
  const int32_t most = Process.QueueManagerFacts.MaxHandles - kAgentOwnHandles;
  return most > 1 ? most : 1;
}

HOBJCACHE* GetReplyQHandle(const char* queue, const char* qmgr, ReplyQueueRefusal* refusal,
                           MQLONG* reason_out) {
  ReplyQueueRefusal unused_refusal;
  MQLONG unused_reason;
  if (refusal == nullptr) refusal = &unused_refusal;
  if (reason_out == nullptr) reason_out = &unused_reason;
  *refusal = ReplyQueueRefusal::kNone;
  *reason_out = MQRC_NONE;

  Process.CurrentTime.store(time(nullptr), std::memory_order_relaxed);
  if (HOBJCACHE* entry = FindEntry(queue, qmgr)) return entry;

  char name[kQNameDisplaySize];
  FormatQName(qmgr, queue, name);
  MQLONG options = kReplyQueueOpenKey;
  if ((AgentConfig.AgentFlags & AF_REPLYQINQ) &&
      strncmp(qmgr, AgentConfig.qmname, MQ_Q_MGR_NAME_LENGTH) == 0) {
    options |= MQOO_INQUIRE;
  }
  OpenedQueue opened;
  MQLONG reason = OpenReplyQueue(queue, qmgr, options, &opened);
  if (reason != MQRC_NONE && (options & MQOO_INQUIRE) &&
      (reason == MQRC_OPTION_NOT_VALID_FOR_TYPE || reason == MQRC_NOT_AUTHORIZED)) {
    // A queue that may not be inquired (a remote queue, or no authority) is
    // still used, with maxmsgsize.
    options &= ~MQOO_INQUIRE;
    reason = OpenReplyQueue(queue, qmgr, options, &opened);
  }
  if (reason != MQRC_NONE) {
    Log(kLevelQuiet, kCsag104E, name, static_cast<int>(reason), ReasonText(reason));
    *refusal = ReplyQueueRefusal::kNotOpened;
    *reason_out = reason;
    return nullptr;
  }
  if (opened.made_from_model || IsAgentsQueue(opened.resolved_q, opened.resolved_qmgr)) {
    const bool model = opened.made_from_model;
    Log(kLevelQuiet, kCsag305E, name,
        model ? "it is a model queue" : "it is one of the agent's own queues");
    // A dynamic queue made by this open goes with it.
    MQLONG comp_code = MQCC_OK;
    MQLONG close_reason = MQRC_NONE;
    MqiTable.MQCLOSE(Process.QMgrHconn, &opened.hobj, model ? MQCO_DELETE_PURGE : MQCO_NONE,
                     &comp_code, &close_reason);
    *refusal = model ? ReplyQueueRefusal::kModelQueue : ReplyQueueRefusal::kAgentsQueue;
    *reason_out = model ? MQRC_Q_TYPE_ERROR : MQRC_NOT_AUTHORIZED;
    return nullptr;
  }

  auto* entry = static_cast<HOBJCACHE*>(CSGetMem(kHobjCacheAllocationSize));
  if (entry == nullptr) {
    Log(kLevelQuiet, kCsag202E, kHobjCacheAllocationSize, "HOBJCACHE");
    RequestStop(kExitFailure);
    *refusal = ReplyQueueRefusal::kNotOpened;
    *reason_out = MQRC_STORAGE_NOT_AVAILABLE;
    return nullptr;
  }
  memset(entry, 0, sizeof *entry);
  FillNulPadded(entry->QMgrName, sizeof entry->QMgrName, qmgr);
  FillNulPadded(entry->QName, sizeof entry->QName, queue);
  entry->OpenKey = kReplyQueueOpenKey;
  entry->Hobj = opened.hobj;
  entry->LastUsed = Process.CurrentTime.load(std::memory_order_relaxed);
  entry->MaxMsgLen = AgentConfig.maxmsgsize;
  if (options & MQOO_INQUIRE) InquireReplyQ(entry, name);

  // Room for the new entry: the least recently used ones make way.
  for (;;) {
    {
      AgentLockGuard guard(&ReplyQCache.HobjCacheLock);
      if (ReplyQCache.HobjCacheCount < MaxCachedReplyQueues() || ReplyQCache.HobjCache == nullptr) {
        entry->Next = ReplyQCache.HobjCache;
        ReplyQCache.HobjCache = entry;
        ++ReplyQCache.HobjCacheCount;
        return entry;
      }
    }
    CloseLeastRecentlyUsed();
  }
}

void DropReplyQHandle(HOBJCACHE* entry) {
  {
    AgentLockGuard guard(&ReplyQCache.HobjCacheLock);
    if (!Unlink(entry)) return;
  }
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQCLOSE(Process.QMgrHconn, &entry->Hobj, MQCO_NONE, &comp_code, &reason);
  CSFreeMem(entry);
}

void InquireReplyQ(HOBJCACHE* entry, const char* name) {
  MQLONG selectors[2] = {MQIA_MAX_MSG_LENGTH, MQIA_DEFINITION_TYPE};
  MQLONG values[2] = {0, 0};
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQINQ(Process.QMgrHconn, entry->Hobj, 2, selectors, 2, values, 0, nullptr, &comp_code,
                 &reason);
  if (reason != MQRC_NONE) {
    Log(kLevelQuiet, kCsag110E, name, static_cast<int>(reason), ReasonText(reason));
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
    AgentLockGuard guard(&ReplyQCache.HobjCacheLock);
    report = entry->Reported == 0;
    entry->Reported = 1;
  }
  if (!report) return;
  char name[kQNameDisplaySize];
  FormatQName(request->ReplyToQMgr, request->ReplyToQ, name);
  Log(kLevelQuiet, kCsag304I, name, DefinitionTypeWord(entry->DefinitionType), request->MaxMsgSize,
      AgentConfig.maxmsgsize);
}

void ExpireReplyQHandles() {
  const int64_t now = Process.CurrentTime.load(std::memory_order_relaxed);
  HOBJCACHE* expired = nullptr;
  HOBJCACHE** tail = &expired;
  {
    AgentLockGuard guard(&ReplyQCache.HobjCacheLock);
    for (HOBJCACHE** link = &ReplyQCache.HobjCache; *link != nullptr;) {
      HOBJCACHE* entry = *link;
      if (now - entry->LastUsed > AgentConfig.hobjttl) {
        *link = entry->Next;
        entry->Next = nullptr;
        --ReplyQCache.HobjCacheCount;
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
      CloseEntry(entry);
      running = ResumeConsumption();
    } else {
      CSFreeMem(entry);
    }
  }
  ReplyQCache.LastHobjCheck = Process.CurrentTime.load(std::memory_order_relaxed);
}

void ResetReplyQCacheForTesting() {
  AgentLockGuard guard(&ReplyQCache.HobjCacheLock);
  while (ReplyQCache.HobjCache != nullptr) {
    HOBJCACHE* entry = ReplyQCache.HobjCache;
    ReplyQCache.HobjCache = entry->Next;
    CSFreeMem(entry);
  }
  ReplyQCache.HobjCacheCount = 0;
  ReplyQCache.LastHobjCheck = 0;
}
