// The outstanding-request list and its operations under RequestLock.
#include "relay/request_table.h"

#include <cstring>

#include "cs/cs_memory.h"
#include "state/process_state.h"

REQUESTTABLE RequestTable;

namespace {

// Unlinks `request` from RequestList; returns whether it was listed. Under
// RequestLock.
bool Unlink(REQUEST* request) {
  for (REQUEST** link = &RequestTable.RequestList; *link != nullptr; link = &(*link)->Next) {
    if (*link == request) {
      *link = request->Next;
      request->Next = nullptr;
      RequestTable.RequestCount.fetch_sub(1, std::memory_order_relaxed);
      return true;
    }
  }
  return false;
}

}  // namespace

REQUEST* NewRequest() {
  auto* request = static_cast<REQUEST*>(CSGetMem(kRequestAllocationSize));
  if (request != nullptr) memset(request, 0, sizeof *request);
  return request;
}

void FreeRequest(REQUEST* request) {
  if (request == nullptr) return;
  CSFreeMem(request->HoldBuffer);
  CSFreeMem(request);
}

void PushRequest(REQUEST* request) {
  AgentLockGuard guard(&RequestTable.RequestLock);
  request->Next = RequestTable.RequestList;
  RequestTable.RequestList = request;
  RequestTable.RequestCount.fetch_add(1, std::memory_order_relaxed);
}

REQUEST* MatchRequest(const MQBYTE* msg_id, int32_t length) {
  AgentLockGuard guard(&RequestTable.RequestLock);
  for (REQUEST* request = RequestTable.RequestList; request != nullptr; request = request->Next) {
    if (memcmp(request->FwdMsgId, msg_id, sizeof request->FwdMsgId) != 0) continue;
    request->InUse = 1;
    // The counts wrap around like the traffic counters instead of overflowing.
    request->ReplyCount = static_cast<int32_t>(static_cast<uint32_t>(request->ReplyCount) + 1);
    request->ReplyBytes = static_cast<int32_t>(static_cast<uint32_t>(request->ReplyBytes) +
                                               static_cast<uint32_t>(length));
    request->LastActivity = Process.CurrentTime.load(std::memory_order_relaxed);
    return request;
  }
  return nullptr;
}

void ReleaseInUse(REQUEST* request) {
  AgentLockGuard guard(&RequestTable.RequestLock);
  request->InUse = 0;
}

void RetireRequest(REQUEST* request) {
  {
    AgentLockGuard guard(&RequestTable.RequestLock);
    Unlink(request);
  }
  FreeRequest(request);
}

bool TakeOutRequest(REQUEST* request) {
  AgentLockGuard guard(&RequestTable.RequestLock);
  return Unlink(request);
}

REQUEST* TakeOutIdleRequests(int64_t cutoff) {
  REQUEST* taken = nullptr;
  AgentLockGuard guard(&RequestTable.RequestLock);
  for (REQUEST** link = &RequestTable.RequestList; *link != nullptr;) {
    REQUEST* request = *link;
    if (request->InUse == 0 && request->LastActivity < cutoff) {
      *link = request->Next;
      RequestTable.RequestCount.fetch_sub(1, std::memory_order_relaxed);
      // The table is newest first; each request taken goes to the front of
      // the list taken, which is therefore oldest first.
      request->Next = taken;
      taken = request;
    } else {
      link = &request->Next;
    }
  }
  return taken;
}

void ResetRequestTableForTesting() {
  AgentLockGuard guard(&RequestTable.RequestLock);
  while (REQUEST* request = RequestTable.RequestList) {
    TakeOutRequest(request);
    FreeRequest(request);
  }
  RequestTable.RequestCount.store(0, std::memory_order_relaxed);
  RequestTable.LastAgeing = 0;
}
