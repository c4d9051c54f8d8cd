// The calling thread's id as the locks record it in their owner fields. 0 is
// never a thread's id, so a lock whose owner is 0 belongs to nobody.
#pragma once

#include <sys/types.h>
#include <unistd.h>

inline pid_t CSThreadId() {
  thread_local const pid_t id = gettid();
  return id;
}
