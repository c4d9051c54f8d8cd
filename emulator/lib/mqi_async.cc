// MQCB, MQCTL and MQSTAT: registering message consumers and the event
// handler, starting and stopping asynchronous consumption (whose dispatch
// thread is in dispatcher.cc), and the status of asynchronous puts.
#include <cstring>

#include "lib/mqi_entry.h"
#include "lib/mqi_structures.h"

using namespace mqemu;

#ifndef MQEMU_WITHOUT_MQCB
MQEMU_EXPORT void MQENTRY MQCB(MQHCONN Hconn, MQLONG Operation, PMQVOID pCallbackDesc, MQHOBJ Hobj,
                               PMQVOID pMsgDesc, PMQVOID pGetMsgOpts, PMQLONG pCompCode,
                               PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  const bool handler = Hobj == MQHO_NONE;
  if (Operation == MQOP_DEREGISTER || Operation == MQOP_SUSPEND || Operation == MQOP_RESUME) {
    std::unique_lock lock(c->mu);
    if (handler ? !c->has_event_handler : !c->consumers.count(Hobj)) {
      return Failed(pCompCode, pReason, MQRC_CALLBACK_NOT_REGISTERED);
    }
    if (Operation == MQOP_DEREGISTER) {
      if (handler) {
        c->has_event_handler = false;
      } else {
        c->consumers.erase(Hobj);
        lock.unlock();
        CallReply reply = c->Call(DeregisterConsumerCall{Hobj});
        return Result(pCompCode, pReason, reply.cc, reply.reason);
      }
    } else if (!handler) {
      c->SetConsumerSuspended(Hobj, Operation == MQOP_SUSPEND);
    }
    return Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
  }
  // MQOP_REGISTER, alone or with MQOP_SUSPEND or MQOP_RESUME.
  const MQLONG extra = Operation & ~MQOP_REGISTER;
  if (!(Operation & MQOP_REGISTER) ||
      (extra != 0 && extra != MQOP_SUSPEND && extra != MQOP_RESUME)) {
    return Failed(pCompCode, pReason, MQRC_OPERATION_ERROR);
  }
  auto in = static_cast<const MQCBD*>(pCallbackDesc);
  if (!in || std::memcmp(in->StrucId, MQCBD_STRUC_ID, 4) != 0 || in->Version != MQCBD_VERSION_1) {
    return Failed(pCompCode, pReason, MQRC_CBD_ERROR);
  }
  Callback cb;
  cb.cbd = *in;
  cb.suspended = extra == MQOP_SUSPEND;
  if (!cb.cbd.CallbackFunction) return Failed(pCompCode, pReason, MQRC_CALLBACK_LINK_ERROR);
  if (cb.cbd.CallbackType == MQCBT_EVENT_HANDLER) {
    std::lock_guard lock(c->mu);
    c->event_handler = cb;
    c->has_event_handler = true;
    return Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
  }
  if (cb.cbd.CallbackType != MQCBT_MESSAGE_CONSUMER) {
    return Failed(pCompCode, pReason, MQRC_CALLBACK_TYPE_ERROR);
  }
  cb.md = MQMD{MQMD_DEFAULT};
  if (pMsgDesc && !LoadMd(pMsgDesc, &cb.md)) return Failed(pCompCode, pReason, MQRC_MD_ERROR);
  cb.gmo = MQGMO{MQGMO_DEFAULT};
  if (pGetMsgOpts && !LoadGmo(pGetMsgOpts, &cb.gmo)) {
    return Failed(pCompCode, pReason, MQRC_GMO_ERROR);
  }
  // A consumer takes or browses the next message; it has no cursor message
  // of its own to take again.
  if (cb.gmo.Options &
      (MQGMO_MSG_UNDER_CURSOR | MQGMO_BROWSE_MSG_UNDER_CURSOR | MQGMO_LOCK | MQGMO_UNLOCK)) {
    return Failed(pCompCode, pReason, MQRC_OPTIONS_ERROR);
  }
  {
    std::lock_guard lock(c->mu);
    if (!c->handles.count(Hobj)) return Failed(pCompCode, pReason, MQRC_HOBJ_ERROR);
  }
  CallReply reply = c->Call(RegisterConsumerCall{Hobj, cb.gmo.Options, cb.gmo.MatchOptions, cb.md});
  MQLONG cc = reply.cc, reason = reply.reason;
  if (cc != MQCC_FAILED) {
    std::lock_guard lock(c->mu);
    c->SetConsumer(Hobj, cb);
  }
  Result(pCompCode, pReason, cc, reason);
}
#endif

MQEMU_EXPORT void MQENTRY MQCTL(MQHCONN Hconn, MQLONG Operation, PMQVOID pControlOpts,
                                PMQLONG pCompCode, PMQLONG pReason) {
  auto c = FindConnection(Hconn);
  if (!c) return Failed(pCompCode, pReason, MQRC_HCONN_ERROR);
  if (Operation != MQOP_STOP && Operation != MQOP_SUSPEND) {
    if (MQLONG reason = c->CheckCaller()) return Failed(pCompCode, pReason, reason);
  }
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  auto in = static_cast<const MQCTLO*>(pControlOpts);
  if (in) {
    if (std::memcmp(in->StrucId, MQCTLO_STRUC_ID, 4) != 0 || in->Version != MQCTLO_VERSION_1) {
      return Failed(pCompCode, pReason, MQRC_CTLO_ERROR);
    }
    ctlo = *in;
  }
  MQLONG reason;
  switch (Operation) {
    case MQOP_START:
      reason = c->Start(ctlo, false);
      break;
    case MQOP_START_WAIT:
      reason = c->Start(ctlo, true);
      break;
    case MQOP_STOP:
      reason = c->Stop();
      break;
    case MQOP_SUSPEND:
      reason = c->Suspend();
      break;
    case MQOP_RESUME:
      reason = c->Resume();
      break;
    default:
      reason = MQRC_OPERATION_ERROR;
      break;
  }
  MQLONG cc = reason == MQRC_NONE                   ? MQCC_OK
              : reason == MQRC_CONNECTION_SUSPENDED ? MQCC_WARNING
                                                    : MQCC_FAILED;
  Result(pCompCode, pReason, cc, reason);
}

MQEMU_EXPORT void MQENTRY MQSTAT(MQHCONN Hconn, MQLONG Type, PMQVOID pStatus, PMQLONG pCompCode,
                                 PMQLONG pReason) {
  if (!Use(Hconn, pCompCode, pReason)) return;
  auto sts = static_cast<PMQSTS>(pStatus);
  if (!sts || std::memcmp(sts->StrucId, MQSTS_STRUC_ID, 4) != 0 || sts->Version < 1) {
    return Failed(pCompCode, pReason, MQRC_STS_ERROR);
  }
  if (Type != MQSTAT_TYPE_ASYNC_ERROR && Type != MQSTAT_TYPE_RECONNECTION &&
      Type != MQSTAT_TYPE_RECONNECTION_ERROR) {
    return Failed(pCompCode, pReason, MQRC_STAT_TYPE_ERROR);
  }
  // Puts are never asynchronous here, so there is no error to report.
  sts->CompCode = MQCC_OK;
  sts->Reason = MQRC_NONE;
  sts->PutSuccessCount = 0;
  sts->PutWarningCount = 0;
  sts->PutFailureCount = 0;
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}
