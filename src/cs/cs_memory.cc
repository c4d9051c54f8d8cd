// CSGetMem and CSFreeMem on the C heap, serialised by LibraryLock.
#include "cs/cs_memory.h"

#include <cstdlib>

#include "cs/cs_lock.h"

// A lock that could not be taken is not released: releasing a lock one does
// not hold would raise the trap. The heap is safe without it.

void* CSGetMem(size_t size) {
  const bool locked = LockWithAlarm(&LibraryLock) == kCSLockHeld;
  void* block = malloc(size == 0 ? 1 : size);
  if (locked) CSUnlockIt(&LibraryLock);
  return block;
}

void CSFreeMem(void* block) {
  if (block == nullptr) return;
  const bool locked = LockWithAlarm(&LibraryLock) == kCSLockHeld;
  free(block);
  if (locked) CSUnlockIt(&LibraryLock);
}
