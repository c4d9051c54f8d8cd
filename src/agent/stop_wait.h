// The wait of an orderly stop. With stopwait above 0 an orderly stop (STOP,
// a termination signal, 'Q') does not abandon the requests in the table:
// the agent stops taking messages from its input queue, so that another
// agent on the same queue takes the new ones, goes on relaying replies
// until the table is empty or stopwait seconds have passed, and answers
// what is still outstanding with the CSAG501E error reply. Another stop
// request, or 'Q' confirmed on the console, ends the wait at once.
#pragma once

// Runs the wait on the main thread, after the main loop has ended for an
// orderly stop and before the shutdown steps. Does nothing when stopwait is
// 0 or less or no request is outstanding. Returns the exit status to end
// with: kExitOrderly, or kExitFailure when a failure was requested during
// the wait (then nothing more is put).
int WaitForOutstandingRequests();
