// ConnectQueueManager, OpenQueue and the connection's event handler.
#include "mq/connection.h"

#include <cstring>

#include "log/message.h"
#include "log/message_texts.h"
#include "mq/mqi_table.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_names.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

// The MQCNO of the first attempt: version 7, the application name ending
// with a NUL inside its blank field.
MQCNO ConnectOptionsWithApplName() {
  MQCNO cno = {MQCNO_DEFAULT};
  cno.Version = MQCNO_VERSION_7;
  cno.Options = MQCNO_NONE;
  static_assert(sizeof kAgentApplName <= sizeof cno.ApplName);
  memset(cno.ApplName, ' ', sizeof cno.ApplName);
  memcpy(cno.ApplName, kAgentApplName, sizeof kAgentApplName);
  return cno;
}

void ReportReason(const char* format, MQLONG reason) {
  Log(kLevelQuiet, format, static_cast<int>(reason), ReasonText(reason));
}

// Learns the queue manager's name and platform and registers the event
// handler. Every failure is reported and keeps the connection.
void InquireQueueManager(MQHCONN hconn) {
  MQOD od = {MQOD_DEFAULT};
  od.ObjectType = MQOT_Q_MGR;
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQOPEN(hconn, &od, MQOO_INQUIRE, &hobj, &comp_code, &reason);
  if (reason != MQRC_NONE) {
    ReportReason(kCsag102E, reason);
    return;
  }

  // The character attributes come back one after the other, in the order
  // of their selectors; so do the integer ones.
  MQLONG selectors[4] = {MQCA_Q_MGR_NAME, MQCA_DEAD_LETTER_Q_NAME, MQIA_PLATFORM, MQIA_MAX_HANDLES};
  MQLONG integers[2] = {0, 0};
  char names[MQ_Q_MGR_NAME_LENGTH + MQ_Q_NAME_LENGTH];
  MqiTable.MQINQ(hconn, hobj, 4, selectors, 2, integers, sizeof names, names, &comp_code, &reason);
  if (reason != MQRC_NONE) {
    ReportReason(kCsag103E, reason);
  } else {
    CopyNameTerminated(AgentConfig.qmname, kQNameWidth, names);
    CopyNameTerminated(Process.QueueManagerFacts.DeadLetterQName, kQNameWidth,
                       names + MQ_Q_MGR_NAME_LENGTH);
    Process.QueueManagerFacts.MaxHandles = integers[1];
    if (integers[0] == MQPL_ZOS) {
      AgentConfig.AgentFlags |= AF_ZOS;
      CopyTerminated(AgentConfig.commandq, kQNameWidth, "SYSTEM.COMMAND.INPUT");
    }
    MQCBD cbd = {MQCBD_DEFAULT};
    cbd.CallbackType = MQCBT_EVENT_HANDLER;
    cbd.Options = MQCBDO_FAIL_IF_QUIESCING;
    cbd.CallbackFunction = reinterpret_cast<MQPTR>(&QueueManagerEventHandler);
    cbd.MaxMsgLength = MQCBD_FULL_MSG_LENGTH;
    MqiTable.MQCB(hconn, MQOP_REGISTER, &cbd, MQHO_NONE, nullptr, nullptr, &comp_code, &reason);
    if (reason != MQRC_NONE) {
      ReportReason(kCsag199E, reason);
    }
  }
  MqiTable.MQCLOSE(hconn, &hobj, MQCO_NONE, &comp_code, &reason);
}

}  // namespace

MQHCONN ConnectQueueManager() {
  const int rc = LoadMqi(&MqiTable);
  if (rc != 0) {
    Log(kLevelQuiet, kCsag100E, rc);
    return MQHC_UNUSABLE_HCONN;
  }

  char qmgr[MQ_Q_MGR_NAME_LENGTH];
  FillNulPadded(qmgr, sizeof qmgr, AgentConfig.qmname);
  MQCNO cno = ConnectOptionsWithApplName();
  MQHCONN hconn = MQHC_UNUSABLE_HCONN;
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQCONNX(qmgr, &cno, &hconn, &comp_code, &reason);
  if (comp_code == MQCC_FAILED && reason == MQRC_CNO_ERROR) {
    // A queue manager that does not know version 7 takes version 1, where
    // the application name is not part of the structure.
    cno.Version = MQCNO_VERSION_1;
    MqiTable.MQCONNX(qmgr, &cno, &hconn, &comp_code, &reason);
  }
  if (comp_code == MQCC_FAILED) {
    Log(kLevelQuiet, kCsag101E, Printable(AgentConfig.qmname).text(), static_cast<int>(reason),
        ReasonText(reason));
    return MQHC_UNUSABLE_HCONN;
  }

  InquireQueueManager(hconn);
  return hconn;
}

MQHOBJ OpenQueue(const char* name, char* resolved_name, MQLONG options, MQCB_FUNCTION* consumer) {
  MQOD od = {MQOD_DEFAULT};
  od.Version = MQOD_VERSION_3;  // for the resolved name
  FillNulPadded(od.ObjectName, sizeof od.ObjectName, name);
  FillNulPadded(od.DynamicQName, sizeof od.DynamicQName, AgentConfig.tempqpfx);
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQOPEN(Process.QMgrHconn, &od, options, &hobj, &comp_code, &reason);
  if (comp_code == MQCC_FAILED) {
    Log(kLevelQuiet, kCsag104E, Printable(name).text(), static_cast<int>(reason),
        ReasonText(reason));
    return MQHO_UNUSABLE_HOBJ;
  }
  if (resolved_name != nullptr) CopyNameTerminated(resolved_name, kQNameWidth, od.ResolvedQName);

  if (consumer != nullptr) {
    MQCBD cbd = {MQCBD_DEFAULT};
    cbd.CallbackType = MQCBT_MESSAGE_CONSUMER;
    cbd.Options = MQCBDO_NONE;
    cbd.CallbackFunction = reinterpret_cast<MQPTR>(consumer);
    cbd.MaxMsgLength = MQCBD_FULL_MSG_LENGTH;
    MQMD md = {MQMD_DEFAULT};
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.Version = MQGMO_VERSION_1;
    gmo.Options = MQGMO_NO_SYNCPOINT | MQGMO_FAIL_IF_QUIESCING | MQGMO_CONVERT;
    MqiTable.MQCB(Process.QMgrHconn, MQOP_REGISTER, &cbd, hobj, &md, &gmo, &comp_code, &reason);
    if (comp_code == MQCC_FAILED) {
      Log(kLevelQuiet, kCsag105E, Printable(name).text(), static_cast<int>(reason),
          ReasonText(reason));
    }
  }
  return hobj;
}

void HandleConsumerEvent(const MQCBC* context, const char* queue) {
  if (context->Reason == MQRC_NONE) return;
  if (context->Reason == MQRC_GET_INHIBITED) {
    Log(kLevelQuiet, kCsag120E, queue);
    RequestStop(kExitFailure);
    return;
  }
  if (IsStopRequested()) return;
  ReportReason(kCsag199E, context->Reason);
  RequestStop(kExitFailure);
}

bool ConsumedMessage(const MQCBC* context, PMQVOID get_options, const char* queue,
                     int32_t* length) {
  if (context->CallType == MQCBCT_EVENT_CALL) {
    HandleConsumerEvent(context, queue);
    return false;
  }
  if (context->CallType != MQCBCT_MSG_REMOVED) {
    Log(kLevelQuiet, "Calltype = %d\n", static_cast<int>(context->CallType));
    return false;
  }
  Process.LastActivityTime.store(Process.CurrentTime.load(std::memory_order_relaxed),
                                 std::memory_order_relaxed);
  const auto* gmo = static_cast<const MQGMO*>(get_options);
  *length = gmo->ReturnedLength == MQRL_UNDEFINED ? context->DataLength : gmo->ReturnedLength;
  return true;
}

void MQENTRY QueueManagerEventHandler(MQHCONN, PMQVOID, PMQVOID, PMQVOID, PMQCBC context) {
  if (context == nullptr || context->CallType != MQCBCT_EVENT_CALL) return;
  switch (context->Reason) {
    case MQRC_CONNECTION_BROKEN:
    case MQRC_Q_MGR_QUIESCING:
    case MQRC_Q_MGR_STOPPING:
    case MQRC_CONNECTION_QUIESCING:
    case MQRC_CONNECTION_STOPPING:
      if (IsStopRequested()) return;
      ReportReason(kCsag199E, context->Reason);
      RequestStop(kExitFailure);
      return;
    default:
      return;
  }
}
