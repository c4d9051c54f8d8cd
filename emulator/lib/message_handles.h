// The message handles (MQHMSG) of this process: each holds a message's
// properties, as MQSETMP sets them and MQGET fills them, and the property
// cursor of MQINQMP. A handle belongs to the connection that made it, or to
// none (MQHC_UNASSOCIATED_HCONN) and then serves every connection; MQDISC
// deletes a connection's handles.
//
// Thread-safe: one lock guards the registry and every handle's contents;
// WithMessageHandle runs its function under it, so the function must not
// call back into the MQI.
#pragma once

#include <cmqc.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "properties/property_list.h"
#include "protocol/frame.h"

namespace mqemu {

struct MessageHandle {
  MQHCONN owner = MQHC_UNASSOCIATED_HCONN;
  properties::PropertyList list;
  // MQINQMP's cursor: the index of the property last returned, when one
  // was.
  bool cursor_set = false;
  size_t cursor = 0;
};

// Whether h names a message handle at all (MQHM_NONE and
// MQHM_UNUSABLE_HMSG do not).
inline bool IsMessageHandle(MQHMSG h) {
  return h != MQHM_NONE && h != MQHM_UNUSABLE_HMSG;
}

MQHMSG CreateMessageHandle(MQHCONN owner);
// False when hmsg is not a handle usable on hconn.
bool DeleteMessageHandle(MQHCONN hconn, MQHMSG hmsg);
void DeleteMessageHandlesOf(MQHCONN hconn);

// Where a get with these options wants a message's properties: in its
// MQGMO's message handle (version 4), in an MQRFH2 before the data (forced,
// or with no handle, as a queue's default PROPCTL(COMPAT) gives them), or
// nowhere (MQGMO_NO_PROPERTIES, or MQGMO_PROPERTIES_IN_HANDLE without one).
PropertiesWanted WantedProperties(const MQGMO& gmo);
// The handle a get fills, or MQHM_NONE.
MQHMSG GetHandle(const MQGMO& gmo);
// Replaces hmsg's properties with those of a message got (in wire form).
void FillMessageHandle(MQHCONN hconn, MQHMSG hmsg, std::string_view wire);
// The properties to put with a message (wire form): those of the MQPMO's
// original message handle, then those of its new one over them. False when
// one is not a handle usable on hconn.
bool PutProperties(MQHCONN hconn, const MQPMO& pmo, std::string* wire);

// Whether hmsg is a handle usable on hconn; if so, runs f on it under the
// registry's lock.
template <typename F>
bool WithMessageHandle(MQHCONN hconn, MQHMSG hmsg, F f);

// What WithMessageHandle is built on: the handle, with the lock taken by a
// guard that the caller holds; null when hmsg is not usable on hconn.
class HandleGuard {
 public:
  HandleGuard(MQHCONN hconn, MQHMSG hmsg);
  ~HandleGuard();
  HandleGuard(const HandleGuard&) = delete;
  HandleGuard& operator=(const HandleGuard&) = delete;
  MessageHandle* get() const { return handle_; }

 private:
  MessageHandle* handle_;
};

template <typename F>
bool WithMessageHandle(MQHCONN hconn, MQHMSG hmsg, F f) {
  HandleGuard guard(hconn, hmsg);
  if (!guard.get()) return false;
  f(*guard.get());
  return true;
}

}  // namespace mqemu
