// The table of outstanding requests: every request forwarded to the command
// server stays here, as a REQUEST, until its last reply has been delivered
// or it is aged out.
//
// Rules:
// - RequestList and RequestCount change only under RequestLock. The lock is
//   held only for the operations below and the ageing sweep, never during an
//   MQI call.
// - InUse is set by MatchRequest and cleared by ReleaseInUse, both under
//   RequestLock. While it is set, the reply consumer alone touches the
//   request's other fields (its hold buffer above all) without the lock, and
//   the ageing sweep leaves the request alone.
// - A REQUEST owns its HoldBuffer; whoever releases the REQUEST (FreeRequest)
//   releases the buffer with it. A request taken out of the list belongs to
//   the caller that took it.
// - The command consumer and the reply consumer run on IBM MQ's callback
//   thread one at a time, so a request is always listed before the first of
//   its replies is matched.
#pragma once

#include <cmqc.h>

#include <atomic>
#include <cstdint>

#include "cs/agent_lock.h"

// The kind of a request, decided from its Format and command code.
enum RequestKind : int32_t {
  REQ_OTHER = 0,   // any other format
  REQ_MQSC = 1,    // MQSC text: "MQSTR   ", "MQCMD1  ", "MQCMD2  "
  REQ_ESCAPE = 2,  // "MQADMIN " with MQCMD_ESCAPE
  REQ_PCF = 3,     // any other "MQADMIN " command
};

// One outstanding request.
struct REQUEST {
  REQUEST* Next;                               // link in RequestList
  int64_t LastActivity;                        // received, or the latest reply matched
  int64_t Issued;                              // when the request was received
  int32_t InUse;                               // 1 while a reply of it is handled
  char ReplyToQ[MQ_Q_NAME_LENGTH + 1];         // the client's reply queue
  char ReplyToQMgr[MQ_Q_MGR_NAME_LENGTH + 1];  // and its queue manager
  MQBYTE24 FwdMsgId;                           // MsgId of the forwarded request: the match key
  MQLONG Report;                               // the client's MQMD.Report
  MQBYTE24 MsgId;                              // the client's MQMD.MsgId
  MQBYTE24 CorrelId;                           // the client's MQMD.CorrelId
  char* HoldBuffer;                            // replies waiting for delivery, or null
  int32_t HoldLength;                          // bytes in use in HoldBuffer
  int32_t HoldSize;                            // bytes allocated
  char HoldFormat[MQ_FORMAT_LENGTH];           // MQMD Format of the held message
  int32_t MaxMsgSize;                          // largest message built for this client
  int32_t Command;                             // the integer at offset 12 of the request
  int32_t Kind;                                // a RequestKind
  int32_t ReplyCount;                          // replies matched so far
  int32_t ReplyBytes;                          // their length as received
};

// The size allocated for a REQUEST, as the allocation-failure message
// names it.
constexpr int kRequestAllocationSize = 256;
static_assert(sizeof(REQUEST) <= kRequestAllocationSize);

// The outstanding requests.
struct REQUESTTABLE {
  REQUEST* RequestList = nullptr;  // newest first; under RequestLock
  std::atomic<int32_t> RequestCount{0};
  AgentLock RequestLock;
  // Time of the last ageing sweep (seconds since the epoch), 0 before the
  // first. Main thread only.
  int64_t LastAgeing = 0;
};
extern REQUESTTABLE RequestTable;

// Obtains a REQUEST with CSGetMem and clears it. Returns null when no memory
// is left (the caller reports it).
REQUEST* NewRequest();

// Releases a REQUEST that is in no list, with its hold buffer.
void FreeRequest(REQUEST* request);

// Lists `request` at the head of RequestList, under RequestLock.
void PushRequest(REQUEST* request);

// Finds, under RequestLock, the newest request whose FwdMsgId equals
// `msg_id`; marks it InUse, counts the reply (ReplyCount, ReplyBytes += the
// reply's `length`) and sets LastActivity to CurrentTime. Returns it, or
// null when no request matches (the table is then unchanged).
REQUEST* MatchRequest(const MQBYTE* msg_id, int32_t length);

// Clears InUse after a reply that was not the request's last.
void ReleaseInUse(REQUEST* request);

// Unlinks `request` from wherever it stands in RequestList now, then frees
// it with its hold buffer. For the reply consumer, after the last reply.
void RetireRequest(REQUEST* request);

// Unlinks `request` from RequestList, under RequestLock, and returns whether
// it was listed. The caller then owns it. Call with RequestLock held or not
// (the lock is recursive).
bool TakeOutRequest(REQUEST* request);

// Takes out of RequestList, under RequestLock, every request that is not
// InUse and whose LastActivity is before `cutoff` (seconds since the epoch);
// returns them linked through Next, oldest first. The caller then owns
// them. For the ageing sweep, and with INT64_MAX for the end of an orderly
// stop's wait.
REQUEST* TakeOutIdleRequests(int64_t cutoff);

// Frees every listed request and puts RequestTable back as at process
// start. For tests.
void ResetRequestTableForTesting();
