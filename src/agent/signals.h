// Termination signals: SIGTERM and SIGINT ask the agent to stop in an orderly
// way instead of ending it at once, so that a service manager's stop runs the
// shutdown steps and loses no request.
#pragma once

// Installs the handlers. The handler only stores StopSignal and
// StopRequested.
void InstallTerminationHandlers();

// Writes "CSAG022I Termination signal %d received" once, if a termination
// signal has arrived. Called on the main thread by the shutdown steps.
void ReportTerminationSignal();
