// AgentLock on a pthread mutex with the holder and recursion count beside it.
// `held` and `owner` are atomics because other threads read them to learn
// that they are not the holder.
#include "cs/agent_lock.h"

#include "cs/thread_id.h"

namespace {

bool HeldByMe(const AgentLock* lock) {
  return lock->held.load(std::memory_order_relaxed) &&
         lock->owner.load(std::memory_order_relaxed) == CSThreadId();
}

}  // namespace

void AgentLockAcquire(AgentLock* lock, bool* held) {
  if (*held) return;
  if (HeldByMe(lock)) {
    lock->count.fetch_add(1, std::memory_order_relaxed);
    *held = true;
    return;
  }
  if (pthread_mutex_lock(&lock->mutex) != 0) return;
  lock->owner.store(CSThreadId(), std::memory_order_relaxed);
  lock->count.store(1, std::memory_order_relaxed);
  lock->held.store(true, std::memory_order_relaxed);
  *held = true;
}

void AgentLockRelease(AgentLock* lock, bool* held) {
  if (!*held) return;
  *held = false;
  if (!HeldByMe(lock)) return;
  const int count = lock->count.load(std::memory_order_relaxed);
  if (count > 0) lock->count.store(count - 1, std::memory_order_relaxed);
  if (count <= 1) {
    lock->held.store(false, std::memory_order_relaxed);
    pthread_mutex_unlock(&lock->mutex);
  }
}
