// The main loop: once start-up has connected and registered the consumers,
// the main thread starts asynchronous consumption and polls every
// sleeptime seconds. Requests and replies are handled on IBM MQ's callback
// thread meanwhile; the loop keeps the shared clock, ages unanswered
// requests, closes idle reply-queue handles, writes the periodic status
// report, ends a triggered agent that has been idle for the disconnect
// interval, and on a console shows the status line and answers the keys.
#pragma once

#include <cstdint>

// Starts consumption and runs the loop until the agent must end; an orderly
// stop first waits for outstanding requests (stop_wait.h). Returns the exit
// status: kExitOrderly after STOP, a termination signal, 'Q' confirmed or
// the disconnect interval; kExitFailure when consumption could not start
// (CSAG106E) or a failure forced the end. The shutdown steps follow.
int RunMainLoop();

// Why the timed work of a pass ends the loop, if it does.
enum class PassOutcome {
  kGoOn,        // carry on with the pass
  kStop,        // a stop was requested
  kDisconnect,  // a triggered agent's disconnect interval expired (CSAG020I)
};

// The timed work of one pass at clock value `now` (seconds since the
// epoch): stores it in CurrentTime, ages requests every reqchkdelay seconds
// while any are outstanding, expires idle reply-queue handles every
// hobjchkdelay seconds, makes the attempts of deliveries waiting for
// another one that are due, leaves on a stop request, writes the status report
// every reportint minutes, and ends a triggered agent after discint idle
// minutes. Each test uses CurrentTime as the work before it left it (a
// message brings it up to date).
PassOutcome RunTimedWork(int64_t now);
