// MQCTL on the agent's connection.
#include "mq/consumption.h"

#include "log/message.h"
#include "log/message_texts.h"
#include "mq/mqi_table.h"
#include "pcf/names/constant_names.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

struct ControlResult {
  MQLONG comp_code;
  MQLONG reason;
};

// Issues MQCTL `operation` with an MQCTLO of version 1 and `options`.
ControlResult Control(MQLONG operation, MQLONG options) {
  MQCTLO control = {MQCTLO_DEFAULT};
  control.Version = MQCTLO_VERSION_1;
  control.Options = options;
  ControlResult result = {MQCC_OK, MQRC_NONE};
  MqiTable.MQCTL(Process.QMgrHconn, operation, &control, &result.comp_code, &result.reason);
  return result;
}

void ReportControlFailure(int level, MQLONG reason) {
  Log(level, kCsag106E, AgentConfig.qmname, static_cast<int>(reason), ReasonText(reason));
}

}  // namespace

MQLONG StartConsumption() {
  const ControlResult result = Control(MQOP_START, MQCTLO_FAIL_IF_QUIESCING);
  if (result.comp_code == MQCC_FAILED) ReportControlFailure(kLevelQuiet, result.reason);
  return result.comp_code == MQCC_FAILED ? result.reason : MQRC_NONE;
}

void StopConsumption() {
  Control(MQOP_STOP, MQCTLO_FAIL_IF_QUIESCING);
}

bool SuspendConsumption() {
  const ControlResult result = Control(MQOP_SUSPEND, MQCTLO_NONE);
  if (result.reason == MQRC_NONE) return true;
  ReportControlFailure(kLevelHigh, result.reason);
  return false;
}

bool ResumeConsumption() {
  const ControlResult result = Control(MQOP_RESUME, MQCTLO_NONE);
  if (result.reason == MQRC_NONE) return true;
  ReportControlFailure(kLevelHigh, result.reason);
  RequestStop(kExitFailure);
  return false;
}
