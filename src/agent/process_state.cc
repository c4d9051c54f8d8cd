// Definitions of the shared process-wide values; their rules are in the header.
#include "agent/process_state.h"

std::atomic<int> StopRequested{0};
std::atomic<int> StopSignal{0};
std::atomic<int> StopRequestCount{0};
std::atomic<int> StopExitStatus{kExitOrderly};
std::atomic<int64_t> CurrentTime{0};
std::atomic<int64_t> LastActivityTime{0};
std::atomic<int> StatusLineLength{0};
bool UsageShown = false;

MQHCONN QMgrHconn = MQHC_UNUSABLE_HCONN;
MQHOBJ CommandQueueHobj = MQHO_UNUSABLE_HOBJ;
MQHOBJ InputQueueHobj = MQHO_UNUSABLE_HOBJ;
MQHOBJ ReplyQueueHobj = MQHO_UNUSABLE_HOBJ;

// IBM MQ's default MAXHANDS, for a queue manager that could not be asked.
QMGRFACTS QueueManagerFacts = {"", 256};
AGENTQUEUENAMES AgentQueueNames = {"", ""};
