// The process's state; its rules are in the header.
#include "state/process_state.h"

#include <new>

PROCESSSTATE Process;

void ResetProcessStateForTesting() {
  // Every field back to its initializer; tests call this with no other
  // thread running.
  Process.~PROCESSSTATE();
  new (&Process) PROCESSSTATE;
}
