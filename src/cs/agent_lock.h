// AgentLock: the recursive lock of the agent's shared lists (RequestLock,
// HobjCacheLock) and of the error log (LogLock).
//
// Every user keeps a local holding flag, false at the start, and passes it
// to both calls: AgentLockAcquire does nothing when the flag is already set,
// and AgentLockRelease does nothing when it is clear. A release by a thread
// that does not hold the lock is ignored. The mutex is statically
// initialised, so a lock is ready before the first thread reaches it and no
// two threads can create it twice. Locks are never destroyed.
#pragma once

#include <pthread.h>
#include <sys/types.h>

#include <atomic>

struct AgentLock {
  pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
  std::atomic<bool> held{false};  // some thread holds the lock
  std::atomic<pid_t> owner{0};    // the holder; not cleared on release
  std::atomic<int> count{0};      // recursion count of the holder
};

// Takes `lock` for the calling thread (again, if it holds it already) and
// sets *held. Skipped entirely when *held is already set. Should the wait
// fail, *held stays clear and the caller goes on without the lock.
void AgentLockAcquire(AgentLock* lock, bool* held);

// Releases one level of `lock` and clears *held. Does nothing when *held is
// clear or when the calling thread does not hold the lock.
void AgentLockRelease(AgentLock* lock, bool* held);

// Holds an AgentLock for a scope.
class AgentLockGuard {
 public:
  explicit AgentLockGuard(AgentLock* lock) : lock_(lock) { AgentLockAcquire(lock_, &held_); }
  ~AgentLockGuard() { AgentLockRelease(lock_, &held_); }
  AgentLockGuard(const AgentLockGuard&) = delete;
  AgentLockGuard& operator=(const AgentLockGuard&) = delete;

 private:
  AgentLock* lock_;
  bool held_ = false;
};
