// The one put.
#include "relay/put_message.h"

#include "agent/process_state.h"
#include "log/message.h"
#include "log/status_report.h"
#include "mq/mqi_table.h"
#include "pcf/names/constant_names.h"

bool PutMessage(MQHOBJ hobj, const char* name, MQMD* md, MQPMO* pmo, void* buffer, MQLONG length,
                MQLONG* reason) {
  MQLONG comp_code = MQCC_OK;
  MqiTable.MQPUT(QMgrHconn, hobj, md, pmo, length, buffer, &comp_code, reason);
  if (comp_code == MQCC_FAILED) {
    CountFailedPut();
    return false;
  }
  if (comp_code == MQCC_WARNING) {
    AgentMessage(kLevelHigh, MSG_ORDINARY, LogStream,
                 "CSAG111I MQPUT to queue '%s' completed with warning reason %d (%s)\n", name,
                 static_cast<int>(*reason), ReasonText(*reason));
  }
  return true;
}
