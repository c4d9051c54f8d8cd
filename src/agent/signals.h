// Termination signals: SIGTERM, SIGINT and SIGHUP (the terminal closed, or
// the session it ran in ended) ask the agent to stop in an orderly way
// instead of ending it at once, so that a service manager's stop runs the
// shutdown steps and loses no request. SIGPIPE is ignored: a write to a
// pipe whose reader has gone fails instead of ending the agent.
#pragma once

// Installs the handlers and ignores SIGPIPE. The handler only stores
// StopSignal and StopRequested.
void InstallTerminationHandlers();

// Writes "CSAG022I Termination signal %d received" once, if a termination
// signal has arrived. Called on the main thread by the shutdown steps.
void ReportTerminationSignal();
