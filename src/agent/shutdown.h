// The shutdown steps that every path of the agent ends in: stop consumption
// and disconnect when connected, then (unless in simple-command mode or after
// the usage text) the final status report, CSAG099I and the separator line.
#pragma once

// Runs the shutdown steps and returns `exit_status`, the status the process
// ends with.
int ShutdownAgent(int exit_status);
