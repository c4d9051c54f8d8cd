// MQPUT, MQPUT1 and MQGET: the message calls, with the context a put passes
// or sets and the context a get saves for passing on, and the properties of
// the message handles they name.
#include <algorithm>
#include <cstring>

#include "lib/message_handles.h"
#include "lib/mqi_entry.h"
#include "lib/mqi_structures.h"
#include "pcf/mq_field.h"

namespace mqemu {
namespace {

// Applies the put's context options: checks them against the object's open
// options, copies passed context from the context handle into md and returns
// how the daemon sets the rest; MQRC_NONE or the failure in *reason.
ContextMode PutContext(Connection& c, MQLONG open_options, const MQPMO& pmo, MQMD* md,
                       MQLONG* reason) {
  MQLONG context =
      pmo.Options & (MQPMO_NO_CONTEXT | MQPMO_DEFAULT_CONTEXT | MQPMO_PASS_IDENTITY_CONTEXT |
                     MQPMO_PASS_ALL_CONTEXT | MQPMO_SET_IDENTITY_CONTEXT | MQPMO_SET_ALL_CONTEXT);
  *reason = MQRC_NONE;
  if (context & (context - 1)) {
    *reason = MQRC_OPTIONS_ERROR;
    return ContextMode::kDefault;
  }
  switch (context) {
    case MQPMO_NO_CONTEXT:
      return ContextMode::kNone;
    case MQPMO_SET_IDENTITY_CONTEXT:
      if (!(open_options & (MQOO_SET_IDENTITY_CONTEXT | MQOO_SET_ALL_CONTEXT))) {
        *reason = MQRC_NOT_OPEN_FOR_SET_IDENT;
      }
      return ContextMode::kIdentity;
    case MQPMO_SET_ALL_CONTEXT:
      if (!(open_options & MQOO_SET_ALL_CONTEXT)) *reason = MQRC_NOT_OPEN_FOR_SET_ALL;
      return ContextMode::kAll;
    case MQPMO_PASS_IDENTITY_CONTEXT:
    case MQPMO_PASS_ALL_CONTEXT: {
      bool all = context == MQPMO_PASS_ALL_CONTEXT;
      MQLONG needed =
          all ? MQOO_PASS_ALL_CONTEXT : (MQOO_PASS_IDENTITY_CONTEXT | MQOO_PASS_ALL_CONTEXT);
      if (!(open_options & needed)) {
        *reason = all ? MQRC_NOT_OPEN_FOR_PASS_ALL : MQRC_NOT_OPEN_FOR_PASS_IDENT;
        return ContextMode::kDefault;
      }
      std::lock_guard lock(c.mu);
      auto it = c.handles.find(pmo.Context);
      if (it == c.handles.end() || !(it->second.options & MQOO_SAVE_ALL_CONTEXT)) {
        *reason = MQRC_CONTEXT_HANDLE_ERROR;
        return ContextMode::kDefault;
      }
      const MQMD& saved = it->second.saved;
      std::memcpy(md->UserIdentifier, saved.UserIdentifier, sizeof md->UserIdentifier);
      std::memcpy(md->AccountingToken, saved.AccountingToken, sizeof md->AccountingToken);
      std::memcpy(md->ApplIdentityData, saved.ApplIdentityData, sizeof md->ApplIdentityData);
      if (!all) return ContextMode::kIdentity;
      md->PutApplType = saved.PutApplType;
      std::memcpy(md->PutApplName, saved.PutApplName, sizeof md->PutApplName);
      std::memcpy(md->PutDate, saved.PutDate, sizeof md->PutDate);
      std::memcpy(md->PutTime, saved.PutTime, sizeof md->PutTime);
      std::memcpy(md->ApplOriginData, saved.ApplOriginData, sizeof md->ApplOriginData);
      return ContextMode::kAll;
    }
    default:
      return ContextMode::kDefault;
  }
}

// The MQMD fields that MQPUT hands back: identifiers and context.
void StorePutMd(void* caller, const MQMD& sent, const MQMD& done) {
  MQMD out = sent;
  std::memcpy(out.MsgId, done.MsgId, sizeof out.MsgId);
  std::memcpy(out.CorrelId, done.CorrelId, sizeof out.CorrelId);
  std::memcpy(out.UserIdentifier, done.UserIdentifier,
              offsetof(MQMD, GroupId) - offsetof(MQMD, UserIdentifier));
  StoreMd(caller, out);
}

void StoreResolved(PMQPMO caller, MQPMO* pmo, const std::string& name, const std::string& qmgr) {
  std::memset(pmo->ResolvedQName, ' ', sizeof pmo->ResolvedQName);
  std::memset(pmo->ResolvedQMgrName, ' ', sizeof pmo->ResolvedQMgrName);
  std::memcpy(pmo->ResolvedQName, name.data(), std::min(name.size(), size_t{48}));
  std::memcpy(pmo->ResolvedQMgrName, qmgr.data(), std::min(qmgr.size(), size_t{48}));
  Store(caller, *pmo, PmoLength(caller->Version));
}

MQLONG OpenOptionsForPut1(MQLONG pmo_options) {
  MQLONG o = MQOO_OUTPUT;
  if (pmo_options & MQPMO_PASS_IDENTITY_CONTEXT) o |= MQOO_PASS_IDENTITY_CONTEXT;
  if (pmo_options & MQPMO_PASS_ALL_CONTEXT) o |= MQOO_PASS_ALL_CONTEXT;
  if (pmo_options & MQPMO_SET_IDENTITY_CONTEXT) o |= MQOO_SET_IDENTITY_CONTEXT;
  if (pmo_options & MQPMO_SET_ALL_CONTEXT) o |= MQOO_SET_ALL_CONTEXT;
  if (pmo_options & MQPMO_FAIL_IF_QUIESCING) o |= MQOO_FAIL_IF_QUIESCING;
  return o;
}

// The put shared by MQPUT and MQPUT1: `od` is null for MQPUT.
void Put(MQHCONN Hconn, MQHOBJ Hobj, const MQOD* od, PMQVOID pMsgDesc, PMQVOID pPutMsgOpts,
         MQLONG BufferLength, PMQVOID pBuffer, PMQLONG pCompCode, PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  MQMD md;
  MQPMO pmo;
  if (!LoadMd(pMsgDesc, &md)) return Failed(pCompCode, pReason, MQRC_MD_ERROR);
  if (!LoadPmo(pPutMsgOpts, &pmo)) return Failed(pCompCode, pReason, MQRC_PMO_ERROR);
  if (BufferLength < 0) return Failed(pCompCode, pReason, MQRC_BUFFER_LENGTH_ERROR);
  if (BufferLength > 0 && !pBuffer) return Failed(pCompCode, pReason, MQRC_BUFFER_ERROR);
  std::string properties;
  if (!PutProperties(Hconn, pmo, &properties)) return Failed(pCompCode, pReason, MQRC_HMSG_ERROR);
  // No queue manager takes a message beyond the largest MaxMsgLength, and no
  // frame carries one.
  if (static_cast<size_t>(BufferLength) + properties.size() >
      static_cast<size_t>(kMaxMessageLength)) {
    return Failed(pCompCode, pReason, MQRC_MSG_TOO_BIG_FOR_Q_MGR);
  }
  MQLONG open_options = OpenOptionsForPut1(pmo.Options);
  std::string name, qmgr;
  if (!od) {
    std::lock_guard lock(c->mu);
    auto it = c->handles.find(Hobj);
    if (it == c->handles.end()) return Failed(pCompCode, pReason, MQRC_HOBJ_ERROR);
    open_options = it->second.options;
    name = it->second.name;
    qmgr = it->second.qmgr;
  } else {
    name = NameInField(od->ObjectName, 48);
    qmgr = NameInField(od->ObjectQMgrName, 48);
    if (qmgr.empty()) qmgr = c->qmgr_name;
  }
  MQLONG reason = MQRC_NONE;
  MQMD sent = md;
  ContextMode mode = PutContext(*c, open_options, pmo, &sent, &reason);
  if (reason) return Failed(pCompCode, pReason, reason);
  PutFields put{
      pmo.Options, mode, sent,
      std::string_view(static_cast<const char*>(pBuffer), static_cast<size_t>(BufferLength)),
      properties};
  // An asynchronous put does not wait for the queue manager's answer over
  // the network; here the answer is at hand at once and is returned.
  const auto wait = (pmo.Options & MQPMO_ASYNC_RESPONSE) ? Connection::LinkWait::kNoReply
                                                         : Connection::LinkWait::kReply;
  CallReply reply = od ? c->Call(Put1Call{OpenCallOf(*od, open_options), put}, wait)
                       : c->Call(PutCall{Hobj, put}, wait);
  MQLONG cc = reply.cc;
  reason = reply.reason;
  PutReply done;
  if (cc != MQCC_FAILED && reply.Read(&done)) {
    StorePutMd(pMsgDesc, md, done.md);
    StoreResolved(static_cast<PMQPMO>(pPutMsgOpts), &pmo, name, qmgr);
  }
  Result(pCompCode, pReason, cc, reason);
}

}  // namespace
}  // namespace mqemu

using namespace mqemu;

#ifndef MQEMU_WITHOUT_MQPUT
MQEMU_EXPORT void MQENTRY MQPUT(MQHCONN Hconn, MQHOBJ Hobj, PMQVOID pMsgDesc, PMQVOID pPutMsgOpts,
                                MQLONG BufferLength, PMQVOID pBuffer, PMQLONG pCompCode,
                                PMQLONG pReason) {
  Put(Hconn, Hobj, nullptr, pMsgDesc, pPutMsgOpts, BufferLength, pBuffer, pCompCode, pReason);
}
#endif

MQEMU_EXPORT void MQENTRY MQPUT1(MQHCONN Hconn, PMQVOID pObjDesc, PMQVOID pMsgDesc,
                                 PMQVOID pPutMsgOpts, MQLONG BufferLength, PMQVOID pBuffer,
                                 PMQLONG pCompCode, PMQLONG pReason) {
  MQOD od;
  if (!LoadOd(pObjDesc, &od)) return Failed(pCompCode, pReason, MQRC_OD_ERROR);
  Put(Hconn, MQHO_NONE, &od, pMsgDesc, pPutMsgOpts, BufferLength, pBuffer, pCompCode, pReason);
}

MQEMU_EXPORT void MQENTRY MQGET(MQHCONN Hconn, MQHOBJ Hobj, PMQVOID pMsgDesc, PMQVOID pGetMsgOpts,
                                MQLONG BufferLength, PMQVOID pBuffer, PMQLONG pDataLength,
                                PMQLONG pCompCode, PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  MQMD md;
  MQGMO gmo;
  if (!LoadMd(pMsgDesc, &md)) return Failed(pCompCode, pReason, MQRC_MD_ERROR);
  if (!LoadGmo(pGetMsgOpts, &gmo)) return Failed(pCompCode, pReason, MQRC_GMO_ERROR);
  if (BufferLength < 0) return Failed(pCompCode, pReason, MQRC_BUFFER_LENGTH_ERROR);
  if (BufferLength > 0 && !pBuffer) return Failed(pCompCode, pReason, MQRC_BUFFER_ERROR);
  if (!pDataLength) return Failed(pCompCode, pReason, MQRC_DATA_LENGTH_ERROR);
  const MQHMSG hmsg = GetHandle(gmo);
  if (hmsg != MQHM_NONE && !WithMessageHandle(Hconn, hmsg, [](MessageHandle&) {})) {
    return Failed(pCompCode, pReason, MQRC_HMSG_ERROR);
  }
  CallReply reply = c->Call(GetCall{Hobj, gmo.Options, gmo.MatchOptions, gmo.WaitInterval,
                                    BufferLength, md, WantedProperties(gmo)});
  MQLONG cc = reply.cc, reason = reply.reason;
  GetReply got;
  if (!reply.Read(&got) || got.data.size() > static_cast<size_t>(BufferLength)) {
    return Result(pCompCode, pReason, MQCC_FAILED,
                  cc == MQCC_FAILED ? reason : MQRC_CONNECTION_BROKEN);
  }
  bool message = cc != MQCC_FAILED;
  if (message) {
    if (!got.data.empty()) std::memcpy(pBuffer, got.data.data(), got.data.size());
    *pDataLength = got.data_length;
    StoreMd(pMsgDesc, got.md);
    if (hmsg != MQHM_NONE && WantedProperties(gmo) == PropertiesWanted::kApart) {
      FillMessageHandle(Hconn, hmsg, got.properties);
    }
    std::memset(gmo.ResolvedQName, ' ', sizeof gmo.ResolvedQName);
    gmo.ReturnedLength = static_cast<MQLONG>(got.data.size());
    {
      std::lock_guard lock(c->mu);
      auto it = c->handles.find(Hobj);
      if (it != c->handles.end()) {
        std::memcpy(gmo.ResolvedQName, it->second.name.data(),
                    std::min(it->second.name.size(), size_t{48}));
        if ((it->second.options & MQOO_SAVE_ALL_CONTEXT) && reason != MQRC_TRUNCATED_MSG_FAILED) {
          it->second.saved = got.md;
        }
      }
    }
    Store(pGetMsgOpts, gmo, GmoLength(gmo.Version));
  }
  Result(pCompCode, pReason, cc, reason);
}
