// The handle cache of client reply queues: a queue is opened at its first
// use and kept open while it is used at least once every hobjttl seconds,
// so that a busy client's queue is opened once. A reply queue on the
// agent's own queue manager is inquired when it is opened, and the
// requests for it build no message larger than the queue takes. The cache
// holds no more handles than the queue manager lets one connection have
// beside the agent's own (MAXHANDS): the least recently used is closed to
// make room.
//
// Rules:
// - HobjCache, HobjCacheCount and the fields of the entries change only
//   under HobjCacheLock, which is held only to search, to push, and to
//   unlink; never during an MQI call.
// - An entry is keyed by the queue and queue manager names of the request
//   that opened it, so that every later request for the same names finds
//   it, whatever IBM MQ hands back in the object descriptor.
// - GetReplyQHandle runs on IBM MQ's callback thread, or on the main thread
//   while consumption is suspended: the two never run at once, so an entry
//   that one of them closes to make room is in use by nobody.
//   ExpireReplyQHandles runs on the main thread and closes handles only
//   while consumption is suspended. An entry found by a lookup has just had
//   LastUsed refreshed and is neither expired nor the least recently used.
#pragma once

#include <cmqc.h>

#include <atomic>
#include <cstdint>

#include "cs/agent_lock.h"
#include "relay/request_table.h"

// One open reply queue.
struct HOBJCACHE {
  HOBJCACHE* Next;                      // link in HobjCache
  char QMgrName[MQ_Q_MGR_NAME_LENGTH];  // the request's ReplyToQMgr (NUL-terminated when shorter)
  char QName[MQ_Q_NAME_LENGTH];         // the request's ReplyToQ (NUL-terminated when shorter)
  MQLONG OpenKey;                       // always kReplyQueueOpenKey
  MQHOBJ Hobj;                          // the open queue
  int64_t LastUsed;                     // created or last found
  int32_t MaxMsgLen;                    // the queue's MaxMsgLength if inquired, else maxmsgsize
  int32_t DefinitionType;               // the queue's definition type if inquired, else 0
  int32_t Reported;                     // CSAG304I written for this entry
};

// The size allocated for a HOBJCACHE, as the allocation-failure message
// names it.
constexpr int kHobjCacheAllocationSize = 144;
static_assert(sizeof(HOBJCACHE) <= kHobjCacheAllocationSize);

// The options every reply queue is opened with (MQOO_INQUIRE may be added).
constexpr MQLONG kReplyQueueOpenKey = MQOO_OUTPUT | MQOO_PASS_ALL_CONTEXT;

// Handles of the connection that the cache leaves to the agent's own use:
// its three queues, the queue manager object, a put to the dead-letter
// queue, and some to spare.
constexpr int32_t kAgentOwnHandles = 8;

// The cache.
struct REPLYQCACHE {
  HOBJCACHE* HobjCache = nullptr;  // newest first; under HobjCacheLock
  int32_t HobjCacheCount = 0;
  AgentLock HobjCacheLock;
  // Time of the last expiry pass (seconds since the epoch), 0 before the
  // first. Main thread only.
  int64_t LastHobjCheck = 0;
};
extern REPLYQCACHE ReplyQCache;

// The most handles the cache keeps open: the queue manager's MAXHANDS less
// kAgentOwnHandles, and at least one.
int32_t MaxCachedReplyQueues();

// Why a reply queue is not used.
enum class ReplyQueueRefusal {
  kNone,         // it is used
  kNotOpened,    // MQOPEN failed (CSAG104E)
  kModelQueue,   // it is a model queue: opening it made a dynamic queue,
                 // which was deleted again (CSAG305E)
  kAgentsQueue,  // it resolves to the agent's reply or input queue or the
                 // command server's queue, where an answer would be taken
                 // for another request or forwarded again (CSAG305E)
};

// Returns the cache entry for reply queue `queue` on `qmgr` (the request's
// ReplyToQ and ReplyToQMgr), refreshing its LastUsed; opens and caches the
// queue when there is none. The queue is opened for output passing all
// context, with MQOO_INQUIRE as well when replyqinq is on and qmgr is the
// agent's own queue manager (an open refused for that with 2045 or 2035 is
// tried again without it); it is then inquired (InquireReplyQ). When the
// connection has no handle left (2017) the least recently used entry is
// closed and the open tried once more. Returns null when the queue could
// not be opened (CSAG104E; nothing is cached, so the next use tries again),
// when it is refused (CSAG305E; see ReplyQueueRefusal), or when no memory
// was left (CSAG202E, stop requested); then *refusal (when given) says why
// and *reason holds the reason to report for the queue.
HOBJCACHE* GetReplyQHandle(const char* queue, const char* qmgr,
                           ReplyQueueRefusal* refusal = nullptr, MQLONG* reason = nullptr);

// Takes `entry` out of the cache, closes its handle (the outcome is not
// looked at) and releases it: for a handle whose queue has gone (a put
// failed with MQRC_Q_DELETED or MQRC_HOBJ_ERROR), so that the next lookup
// opens the queue anew. Does nothing when the entry is no longer listed
// (the expiry pass owns it). Same threads as GetReplyQHandle.
void DropReplyQHandle(HOBJCACHE* entry);

// Inquires the MaxMsgLength and definition type of a newly opened queue into
// `entry`; on failure writes CSAG110E with the display name `name` and the
// entry keeps its defaults.
void InquireReplyQ(HOBJCACHE* entry, const char* name);

// Lowers the request's MaxMsgSize to the queue's MaxMsgLen when that is
// smaller, writing CSAG304I once per cache entry.
void LimitMsgSize(REQUEST* request, HOBJCACHE* entry);

// The expiry pass: closes (between MQCTL suspend and resume) and releases
// every entry idle for more than hobjttl seconds at CurrentTime, then sets
// LastHobjCheck. A failed resume requests a stop; the entries not yet
// closed are then released without MQCLOSE (their handles end with the
// connection).
void ExpireReplyQHandles();

// Releases every entry without closing its handle and puts ReplyQCache back
// as at process start. For tests.
void ResetReplyQCacheForTesting();
