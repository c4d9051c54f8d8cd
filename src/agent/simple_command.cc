// The one put of the simple command sender.
#include "agent/simple_command.h"

#include <cmqc.h>

#include <cstring>

#include "log/message.h"
#include "log/message_texts.h"
#include "mq/mqi_table.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_names.h"
#include "state/process_state.h"

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
  MqiTable.MQPUT1(Process.QMgrHconn, &od, &md, &pmo, static_cast<MQLONG>(strlen(text)),
                  const_cast<char*>(text), &comp_code, &reason);
  if (reason == MQRC_NONE) return true;
  Log(kLevelQuiet, kCsag107E, Printable(queue).text(), static_cast<int>(reason),
      ReasonText(reason));
  return false;
}
