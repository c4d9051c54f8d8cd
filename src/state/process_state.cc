// The process's state; its rules are in the header.
#include "state/process_state.h"

#include <cstring>

PROCESSSTATE Process;

void ResetProcessStateForTesting() {
  const PROCESSSTATE fresh;
  Process.StopRequested.store(fresh.StopRequested.load());
  Process.StopRequestCount.store(fresh.StopRequestCount.load());
  Process.StopSignal.store(fresh.StopSignal.load());
  Process.StopExitStatus.store(fresh.StopExitStatus.load());
  Process.CurrentTime.store(fresh.CurrentTime.load());
  Process.LastActivityTime.store(fresh.LastActivityTime.load());
  Process.StatusLineLength.store(fresh.StatusLineLength.load());
  Process.UsageShown = fresh.UsageShown;
  memcpy(Process.ProgramDirectory, fresh.ProgramDirectory, sizeof Process.ProgramDirectory);
  Process.QMgrHconn = fresh.QMgrHconn;
  Process.CommandQueueHobj = fresh.CommandQueueHobj;
  Process.InputQueueHobj = fresh.InputQueueHobj;
  Process.ReplyQueueHobj = fresh.ReplyQueueHobj;
  memcpy(Process.ForwardCorrelId, fresh.ForwardCorrelId, sizeof Process.ForwardCorrelId);
  Process.QueueManagerFacts = fresh.QueueManagerFacts;
  Process.AgentQueueNames = fresh.AgentQueueNames;
}
