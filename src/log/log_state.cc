// The log's state; its rules are in the header.
#include "log/log_state.h"

LOGSTATE LogState;

void ResetLogStateForTesting() {
  AgentLockGuard guard(&LogState.LogLock);
  LogState.LogStream.store(stdout);
  LogState.LastDateDay = 0;
  LogState.LogWriteFailing = false;
  LogState.RotationInProgress = false;
  LogState.LogFileName[0] = '\0';
  LogState.Retired.fill(0);
}
