// The put with retries.
#include "relay/put_with_retry.h"

#include <chrono>
#include <thread>

#include "agent/process_state.h"
#include "config/settings.h"
#include "log/message.h"
#include "log/status_report.h"
#include "mq/mqi_table.h"
#include "names/constant_names.h"

bool PutWithRetry(MQHOBJ hobj, const char* name, MQMD* md, MQPMO* pmo, void* buffer, MQLONG length,
                  MQLONG* comp_code, MQLONG* reason) {
  for (int retries = 0;; ++retries) {
    MqiTable.MQPUT(QMgrHconn, hobj, md, pmo, length, buffer, comp_code, reason);
    if (*comp_code != MQCC_FAILED) {
      if (*comp_code == MQCC_WARNING) {
        AgentMessage(kLevelHigh, MSG_ORDINARY, LogStream,
                     "CSAG111I MQPUT to queue '%s' completed with warning reason %d (%s)\n", name,
                     static_cast<int>(*reason), ReasonText(*reason));
      }
      if (retries > 0) CountPutRetried();
      return true;
    }
    CountFailedPut();
    if (retries >= AgentConfig.retrycount || IsHandleGone(*reason)) return false;
    AgentMessage(kLevelHigh, MSG_ORDINARY, LogStream,
                 "CSAG108E MQPUT to queue '%s' failed with reason %d (%s) - Retry #%d after %d "
                 "seconds\n",
                 name, static_cast<int>(*reason), ReasonText(*reason), retries + 1,
                 AgentConfig.retryint);
    std::this_thread::sleep_for(std::chrono::seconds(AgentConfig.retryint));
  }
}
