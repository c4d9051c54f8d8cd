// Asynchronous consumption on the agent's connection (MQCTL): started by the
// main loop, stopped at shutdown, and suspended around every MQI call that
// the main thread makes while it runs (closing idle handles, answering aged
// requests), since IBM MQ lets no other thread use a started connection and
// no consumer must run meanwhile.
#pragma once

#include <cmqc.h>

// MQCTL MQOP_START on QMgrHconn. Returns MQRC_NONE when consumption has
// started, else the reason of the failure (CSAG106E is written at level 0).
MQLONG StartConsumption();

// MQCTL MQOP_STOP on QMgrHconn; the outcome is not looked at. Once it has
// returned no consumer runs any more.
void StopConsumption();

// MQCTL MQOP_SUSPEND. Returns whether consumption is suspended; a failure is
// reported with CSAG106E at level 3 and the caller goes on.
bool SuspendConsumption();

// MQCTL MQOP_RESUME. Returns whether consumption runs again; a failure is
// reported with CSAG106E at level 3 and requests a stop (the consumers can
// no longer run), which ends the agent with a failure.
bool ResumeConsumption();
