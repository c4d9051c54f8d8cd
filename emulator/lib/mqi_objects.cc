// MQOPEN and MQCLOSE, with what the library remembers of each object handle,
// and MQINQ and MQSET, which ask for and change an open object's attributes.
#include <algorithm>
#include <cstring>

#include "lib/mqi_entry.h"
#include "lib/mqi_structures.h"
#include "pcf/mq_field.h"

namespace mqemu {
namespace {

// The argument checks shared by MQINQ and MQSET: MQRC_NONE or the reason.
MQLONG CheckAttributeArguments(MQLONG selector_count, PMQLONG selectors, MQLONG int_count,
                               PMQLONG ints, MQLONG char_length, PMQCHAR chars) {
  if (selector_count < 0 || selector_count > 256 || (selector_count > 0 && !selectors)) {
    return MQRC_SELECTOR_COUNT_ERROR;
  }
  if (int_count < 0 || (int_count > 0 && !ints)) return MQRC_INT_ATTR_COUNT_ERROR;
  if (char_length < 0 || (char_length > 0 && !chars)) return MQRC_CHAR_ATTR_LENGTH_ERROR;
  return MQRC_NONE;
}

std::vector<MQLONG> Longs(PMQLONG p, MQLONG count) {
  return count > 0 ? std::vector<MQLONG>(p, p + count) : std::vector<MQLONG>();
}

}  // namespace

OpenCall OpenCallOf(const MQOD& od, MQLONG options) {
  OpenCall call;
  call.type = od.ObjectType;
  std::memcpy(call.name, od.ObjectName, sizeof call.name);
  std::memcpy(call.qmgr, od.ObjectQMgrName, sizeof call.qmgr);
  std::memcpy(call.dynamic, od.DynamicQName, sizeof call.dynamic);
  call.options = options;
  return call;
}

}  // namespace mqemu

using namespace mqemu;

MQEMU_EXPORT void MQENTRY MQOPEN(MQHCONN Hconn, PMQVOID pObjDesc, MQLONG Options, PMQHOBJ pHobj,
                                 PMQLONG pCompCode, PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  MQOD od;
  if (!LoadOd(pObjDesc, &od)) return Failed(pCompCode, pReason, MQRC_OD_ERROR);
  if (!pHobj) return Failed(pCompCode, pReason, MQRC_HOBJ_ERROR);
  CallReply reply = c->Call(OpenCallOf(od, Options));
  MQLONG cc = reply.cc, reason = reply.reason;
  OpenReply opened;
  if (cc != MQCC_FAILED && !reply.Read(&opened)) {
    cc = MQCC_FAILED;
    reason = MQRC_CONNECTION_BROKEN;
  }
  *pHobj = cc == MQCC_FAILED ? MQHO_UNUSABLE_HOBJ : opened.hobj;
  if (cc != MQCC_FAILED) {
    LocalHandle h;
    h.options = Options;
    h.name = NameInField(opened.name, 48);
    h.qmgr = NameInField(opened.qmgr, 48);
    h.saved = MQMD{MQMD_DEFAULT};
    {
      std::lock_guard lock(c->mu);
      c->handles[opened.hobj] = h;
    }
    if (od.ObjectType == MQOT_Q) std::memcpy(od.ObjectName, opened.name, 48);
    if (od.Version >= MQOD_VERSION_3) {
      std::memcpy(od.ResolvedQName, opened.resolved, 48);
      std::memcpy(od.ResolvedQMgrName, opened.qmgr, 48);
    }
    Store(pObjDesc, od, OdLength(od.Version));
  }
  Result(pCompCode, pReason, cc, reason);
}

#ifndef MQEMU_WITHOUT_MQCLOSE
MQEMU_EXPORT void MQENTRY MQCLOSE(MQHCONN Hconn, PMQHOBJ pHobj, MQLONG Options, PMQLONG pCompCode,
                                  PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  if (!pHobj) return Failed(pCompCode, pReason, MQRC_HOBJ_ERROR);
  CallReply reply = c->Call(CloseCall{*pHobj, Options});
  MQLONG cc = reply.cc, reason = reply.reason;
  if (cc != MQCC_FAILED) {
    std::lock_guard lock(c->mu);
    c->handles.erase(*pHobj);
    c->consumers.erase(*pHobj);
    *pHobj = MQHO_UNUSABLE_HOBJ;
  }
  Result(pCompCode, pReason, cc, reason);
}
#endif

MQEMU_EXPORT void MQENTRY MQINQ(MQHCONN Hconn, MQHOBJ Hobj, MQLONG SelectorCount,
                                PMQLONG pSelectors, MQLONG IntAttrCount, PMQLONG pIntAttrs,
                                MQLONG CharAttrLength, PMQCHAR pCharAttrs, PMQLONG pCompCode,
                                PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  if (MQLONG bad = CheckAttributeArguments(SelectorCount, pSelectors, IntAttrCount, pIntAttrs,
                                           CharAttrLength, pCharAttrs)) {
    return Failed(pCompCode, pReason, bad);
  }
  CallReply reply =
      c->Call(InquireCall{Hobj, Longs(pSelectors, SelectorCount), IntAttrCount, CharAttrLength});
  MQLONG cc = reply.cc, reason = reply.reason;
  InquireReply values;
  if (!reply.Read(&values) || values.ints.size() > static_cast<size_t>(IntAttrCount) ||
      values.chars.size() > static_cast<size_t>(CharAttrLength)) {
    return Result(pCompCode, pReason, MQCC_FAILED,
                  cc == MQCC_FAILED ? reason : MQRC_CONNECTION_BROKEN);
  }
  if (cc != MQCC_FAILED) {
    std::copy(values.ints.begin(), values.ints.end(), pIntAttrs);
    if (!values.chars.empty()) std::memcpy(pCharAttrs, values.chars.data(), values.chars.size());
  }
  Result(pCompCode, pReason, cc, reason);
}

MQEMU_EXPORT void MQENTRY MQSET(MQHCONN Hconn, MQHOBJ Hobj, MQLONG SelectorCount,
                                PMQLONG pSelectors, MQLONG IntAttrCount, PMQLONG pIntAttrs,
                                MQLONG CharAttrLength, PMQCHAR pCharAttrs, PMQLONG pCompCode,
                                PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  if (MQLONG bad = CheckAttributeArguments(SelectorCount, pSelectors, IntAttrCount, pIntAttrs,
                                           CharAttrLength, pCharAttrs)) {
    return Failed(pCompCode, pReason, bad);
  }
  SetCall call{Hobj, Longs(pSelectors, SelectorCount), Longs(pIntAttrs, IntAttrCount),
               std::string_view(pCharAttrs, static_cast<size_t>(CharAttrLength))};
  CallReply reply = c->Call(call);
  Result(pCompCode, pReason, reply.cc, reply.reason);
}
