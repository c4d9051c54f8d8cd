// CSLock on a pthread mutex, with the owner and count kept beside it. The
// owner and count are atomics because a thread that does not hold the lock
// reads them to learn that it is not the owner (and for the trap's value).
#include "cs/cs_lock.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>

#include "cs/cs_trap.h"
#include "cs/thread_id.h"

CSLock LibraryLock;

namespace {

constexpr int kAlarmWaitMs = 2000;
constexpr int kHostNameSize = 100;

int WaitFor(pthread_mutex_t* mutex, int timeout_ms) {
  if (timeout_ms < 0) return pthread_mutex_lock(mutex);
  if (timeout_ms == 0) return pthread_mutex_trylock(mutex) == EBUSY ? ETIMEDOUT : 0;
  timespec deadline;
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += timeout_ms / 1000;
  deadline.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  return pthread_mutex_timedlock(mutex, &deadline);
}

// The host name, read once per process ("Unknown" when it cannot be had).
char HostName[kHostNameSize];
std::once_flag HostNameRead;

const char* ThisHostName() {
  std::call_once(HostNameRead, [] {
    if (gethostname(HostName, sizeof HostName) != 0) strcpy(HostName, "Unknown");
    HostName[sizeof HostName - 1] = '\0';
  });
  return HostName;
}

}  // namespace

int CSLockIt(CSLock* lock, int timeout_ms) {
  const pid_t self = CSThreadId();
  if (lock->owner.load(std::memory_order_relaxed) == self &&
      lock->count.load(std::memory_order_relaxed) != 0) {
    lock->count.fetch_add(1, std::memory_order_relaxed);
    return kCSLockHeld;
  }
  const int rc = WaitFor(&lock->mutex, timeout_ms);
  if (rc == ETIMEDOUT) return kCSLockTimedOut;
  if (rc != 0) return rc;
  lock->owner.store(self, std::memory_order_relaxed);
  lock->count.store(1, std::memory_order_relaxed);
  return kCSLockHeld;
}

void CSUnlockIt(CSLock* lock) {
  const int count = lock->count.load(std::memory_order_relaxed);
  if (count == 0 || lock->owner.load(std::memory_order_relaxed) != CSThreadId()) {
    CSTrap(617, count);
    return;
  }
  lock->count.store(count - 1, std::memory_order_relaxed);
  if (count - 1 == 0) {
    lock->owner.store(0, std::memory_order_relaxed);
    pthread_mutex_unlock(&lock->mutex);
  }
}

int LockWithAlarm(CSLock* lock) {
  const int rc = CSLockIt(lock, kAlarmWaitMs);
  if (rc != kCSLockTimedOut) return rc;
  // The terminating NUL takes part, so only the exact name matches.
  if (memcmp(ThisHostName(), kDevelopmentHostName, sizeof kDevelopmentHostName) == 0) {
    CSTrap(576, 0);
  }
  return CSLockIt(lock, kCSLockNoLimit);
}

void CSSetHostNameForTesting(const char* name) {
  ThisHostName();
  strncpy(HostName, name, sizeof HostName - 1);
  HostName[sizeof HostName - 1] = '\0';
}
