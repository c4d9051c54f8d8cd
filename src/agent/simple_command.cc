// The one put of the simple command sender.
#include "agent/simple_command.h"

#include <cmqc.h>

#include <cstring>

#include "agent/process_state.h"
#include "log/message.h"
#include "mq/mqi_table.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_names.h"

bool SendSimpleCommand(const char* queue, const char* text) {
  MQOD od = {MQOD_DEFAULT};
  od.ObjectType = MQOT_Q;
  FillNulPadded(od.ObjectName, sizeof od.ObjectName, queue);
  MQMD md = {MQMD_DEFAULT};
  memcpy(md.Format, MQFMT_STRING, MQ_FORMAT_LENGTH);
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Version = MQPMO_VERSION_1;
  pmo.Options = MQPMO_NONE;

  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  MqiTable.MQPUT1(QMgrHconn, &od, &md, &pmo, static_cast<MQLONG>(strlen(text)),
                  const_cast<char*>(text), &comp_code, &reason);
  if (reason == MQRC_NONE) return true;
  AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
               "CSAG107E MQPUT to queue '%s' failed with reason %d (%s)\n", Printable(queue).text(),
               static_cast<int>(reason), ReasonText(reason));
  return false;
}
