// The rewriting and forwarding of a request.
#include "relay/forward.h"

#include <cstring>

#include "agent/process_state.h"
#include "config/settings.h"
#include "log/message.h"
#include "names/constant_names.h"
#include "pcf/mq_field.h"
#include "relay/put_with_retry.h"

void RewriteRequestDescriptor(REQUEST* request, MQMD* md) {
  CopyNameTerminated(request->ReplyToQ, MQ_Q_NAME_LENGTH, md->ReplyToQ);
  CopyNameTerminated(request->ReplyToQMgr, MQ_Q_MGR_NAME_LENGTH, md->ReplyToQMgr);
  FillNulPadded(md->ReplyToQ, sizeof md->ReplyToQ, AgentConfig.actualreplyq);
  md->ReplyToQMgr[0] = '\0';

  memcpy(request->MsgId, md->MsgId, sizeof request->MsgId);
  memcpy(request->CorrelId, md->CorrelId, sizeof request->CorrelId);
  request->Report = md->Report;
  md->Report |= MQRO_PASS_MSG_ID | MQRO_DISCARD_MSG;
  memcpy(md->MsgId, MQMI_NONE, sizeof md->MsgId);
}

MQLONG ForwardRequest(MQMD* md, void* buffer, MQLONG length) {
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Version = MQPMO_VERSION_1;
  pmo.Options = MQPMO_NO_SYNCPOINT | MQPMO_PASS_ALL_CONTEXT;
  pmo.Context = InputQueueHobj;
  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  if (PutWithRetry(CommandQueueHobj, AgentConfig.commandq, md, &pmo, buffer, length, &comp_code,
                   &reason)) {
    return MQRC_NONE;
  }
  AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
               "CSAG107E MQPUT to queue '%s' failed with reason %d (%s)\n", AgentConfig.commandq,
               static_cast<int>(reason), ReasonText(reason));
  return reason == MQRC_NONE ? MQRC_UNEXPECTED_ERROR : reason;
}
