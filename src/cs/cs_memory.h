// The allocation pair through which all of the agent's memory is taken and
// given back. Both take LibraryLock (with the alarm of LockWithAlarm) around
// their work.
#pragma once

#include <cstddef>

// Returns a block of at least `size` bytes (uninitialised), or null when no
// memory is left; the caller reports the failure. A size of 0 still gives a
// distinct block, so null always means failure.
void* CSGetMem(size_t size);

// Releases a block from CSGetMem. A null block is ignored.
void CSFreeMem(void* block);
