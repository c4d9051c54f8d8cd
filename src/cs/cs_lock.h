// The support library's recursive lock, CSLock, and the process-wide
// LibraryLock that guards allocation and the loading of the IBM MQ library.
//
// A CSLock may be taken again by the thread that holds it; each CSLockIt
// that returned 0 needs one CSUnlockIt. Its mutex is statically initialised,
// so a lock is ready before any thread reaches it and there is no creation
// for two threads to race over. Locks are never destroyed.
#pragma once

#include <pthread.h>
#include <sys/types.h>

#include <atomic>

// Results of CSLockIt.
constexpr int kCSLockHeld = 0;        // the lock is now held
constexpr int kCSLockTimedOut = 258;  // the time limit ran out
// Any other result is the failure of the wait (an errno value).

constexpr int kCSLockNoLimit = -1;

struct CSLock {
  pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
  std::atomic<pid_t> owner{0};  // thread id of the holder, 0 when free
  std::atomic<int> count{0};    // recursion count, 0 when free
};

extern CSLock LibraryLock;

// Takes `lock`, waiting at most `timeout_ms` milliseconds (kCSLockNoLimit:
// no limit; 0: do not wait). Returns kCSLockHeld, kCSLockTimedOut, or the
// error of the failed wait. On anything but kCSLockHeld the lock is
// unchanged.
int CSLockIt(CSLock* lock, int timeout_ms);

// Releases one level of `lock`. A thread that does not hold `lock` (or a
// free lock) raises CSTrap(617, count).
void CSUnlockIt(CSLock* lock);

// Takes `lock` in two stages: up to two seconds, then without a limit. On
// the development machine (host name kDevelopmentHostName) a wait of more
// than two seconds counts as a deadlock and raises CSTrap(576, 0) before the
// second stage. Returns what CSLockIt returned last.
int LockWithAlarm(CSLock* lock);

// The host name that arms the alarm of LockWithAlarm.
inline constexpr char kDevelopmentHostName[] = "TVQX";
static_assert(sizeof kDevelopmentHostName == 5, "a four-character name");

// Replaces the host name that LockWithAlarm compares (normally read once
// from gethostname). For tests of the alarm.
void CSSetHostNameForTesting(const char* name);
