// The registry of message handles.
#include "lib/message_handles.h"

#include <map>
#include <mutex>

namespace mqemu {
namespace {

std::mutex handles_mu;
std::map<MQHMSG, MessageHandle>& Handles() {
  static auto* handles = new std::map<MQHMSG, MessageHandle>;
  return *handles;
}
MQHMSG next_hmsg = 0x0A000001;

MessageHandle* Find(MQHCONN hconn, MQHMSG hmsg) {
  auto it = Handles().find(hmsg);
  if (it == Handles().end()) return nullptr;
  MQHCONN owner = it->second.owner;
  return owner == MQHC_UNASSOCIATED_HCONN || owner == hconn ? &it->second : nullptr;
}

}  // namespace

MQHMSG CreateMessageHandle(MQHCONN owner) {
  std::lock_guard lock(handles_mu);
  MQHMSG h = next_hmsg++;
  Handles()[h].owner = owner;
  return h;
}

bool DeleteMessageHandle(MQHCONN hconn, MQHMSG hmsg) {
  std::lock_guard lock(handles_mu);
  if (!Find(hconn, hmsg)) return false;
  Handles().erase(hmsg);
  return true;
}

void DeleteMessageHandlesOf(MQHCONN hconn) {
  std::lock_guard lock(handles_mu);
  std::erase_if(Handles(), [&](const auto& entry) { return entry.second.owner == hconn; });
}

MQHMSG GetHandle(const MQGMO& gmo) {
  return gmo.Version >= MQGMO_VERSION_4 && IsMessageHandle(gmo.MsgHandle) ? gmo.MsgHandle
                                                                          : MQHM_NONE;
}

PropertiesWanted WantedProperties(const MQGMO& gmo) {
  if (gmo.Options & MQGMO_NO_PROPERTIES) return PropertiesWanted::kNone;
  if (gmo.Options & MQGMO_PROPERTIES_FORCE_MQRFH2) return PropertiesWanted::kInMqrfh2;
  if (GetHandle(gmo) != MQHM_NONE) return PropertiesWanted::kApart;
  if (gmo.Options & MQGMO_PROPERTIES_IN_HANDLE) return PropertiesWanted::kNone;
  return PropertiesWanted::kInMqrfh2;
}

void FillMessageHandle(MQHCONN hconn, MQHMSG hmsg, std::string_view wire) {
  WithMessageHandle(hconn, hmsg, [&](MessageHandle& h) {
    properties::Decode(wire, &h.list);
    h.cursor_set = false;
  });
}

bool PutProperties(MQHCONN hconn, const MQPMO& pmo, std::string* wire) {
  wire->clear();
  if (pmo.Version < MQPMO_VERSION_3) return true;
  properties::PropertyList list;
  for (MQHMSG hmsg : {pmo.OriginalMsgHandle, pmo.NewMsgHandle}) {
    if (!IsMessageHandle(hmsg)) continue;
    if (!WithMessageHandle(hconn, hmsg, [&](MessageHandle& h) {
          for (const properties::Property& p : h.list) properties::SetProperty(&list, p, false);
        })) {
      return false;
    }
  }
  *wire = properties::Encode(list);
  return true;
}

HandleGuard::HandleGuard(MQHCONN hconn, MQHMSG hmsg) {
  handles_mu.lock();
  handle_ = Find(hconn, hmsg);
}

HandleGuard::~HandleGuard() {
  handles_mu.unlock();
}

}  // namespace mqemu
