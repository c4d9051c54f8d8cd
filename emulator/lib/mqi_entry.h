// What every MQI entry point of libmqm_r.so shares: how it is exported with
// IBM's prototype from cmqc.h, how it reports its completion code and
// reason, and how it finds the connection a call is for.
//
// The library variants are built with MQEMU_WITHOUT_<CALL> defined, which
// leaves that entry point out.
#pragma once

#include <cmqc.h>

#include <memory>

#include "lib/connection.h"

#define MQEMU_EXPORT extern "C" __attribute__((visibility("default")))

namespace mqemu {

// Sets the caller's completion code and reason, where it passed them.
inline void Result(PMQLONG cc, PMQLONG rc, MQLONG c, MQLONG r) {
  if (cc) *cc = c;
  if (rc) *rc = r;
}
inline void Failed(PMQLONG cc, PMQLONG rc, MQLONG r) {
  Result(cc, rc, MQCC_FAILED, r);
}

// The connection for a call from this thread, or null with the failure set.
inline std::shared_ptr<Connection> Use(MQHCONN hconn, PMQLONG cc, PMQLONG rc) {
  auto c = FindConnection(hconn);
  if (!c) {
    Failed(cc, rc, MQRC_HCONN_ERROR);
    return nullptr;
  }
  if (MQLONG reason = c->CheckCaller()) {
    Failed(cc, rc, reason);
    return nullptr;
  }
  return c;
}

// The kOpen fields of an MQOPEN of od with options (MQPUT1 opens so too).
OpenCall OpenCallOf(const MQOD& od, MQLONG options);

}  // namespace mqemu
