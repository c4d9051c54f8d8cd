// The one put.
#include "relay/put_message.h"

#include "log/message.h"
#include "log/message_texts.h"
#include "log/status_report.h"
#include "mq/mqi_table.h"
#include "pcf/names/constant_names.h"
#include "state/process_state.h"

bool PutMessage(MQHOBJ hobj, const char* name, MQMD* md, MQPMO* pmo, void* buffer, MQLONG length,
                MQLONG* reason) {
  MQLONG comp_code = MQCC_OK;
  MqiTable.MQPUT(Process.QMgrHconn, hobj, md, pmo, length, buffer, &comp_code, reason);
  if (comp_code == MQCC_FAILED) {
    CountFailedPut();
    return false;
  }
  if (comp_code == MQCC_WARNING) {
    Log(kLevelHigh, kCsag111I, name, static_cast<int>(*reason), ReasonText(*reason));
  }
  return true;
}
