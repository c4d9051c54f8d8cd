// AgentLock: recursion through separate holding flags, ignored misuse, and
// mutual exclusion.
#include "cs/agent_lock.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

// Whether another thread could take `lock` right now (without blocking).
bool FreeForOtherThread(AgentLock* lock) {
  return std::async(std::launch::async,
                    [=] {
                      if (pthread_mutex_trylock(&lock->mutex) != 0) return false;
                      pthread_mutex_unlock(&lock->mutex);
                      return true;
                    })
      .get();
}

TEST(AgentLockTest, TakenTwiceReleasedTwiceIsFreeAndAThirdReleaseDoesNothing) {
  AgentLock lock;
  bool outer = false;
  bool inner = false;
  AgentLockAcquire(&lock, &outer);
  AgentLockAcquire(&lock, &inner);
  EXPECT_TRUE(outer && inner);
  EXPECT_EQ(lock.count.load(), 2);
  AgentLockRelease(&lock, &inner);
  EXPECT_FALSE(inner);
  EXPECT_FALSE(FreeForOtherThread(&lock));
  AgentLockRelease(&lock, &outer);
  EXPECT_TRUE(FreeForOtherThread(&lock));

  bool stray = true;  // a flag left set by mistake
  AgentLockRelease(&lock, &stray);
  EXPECT_FALSE(lock.held.load());
  EXPECT_EQ(lock.count.load(), 0);
  EXPECT_TRUE(FreeForOtherThread(&lock));
}

TEST(AgentLockTest, AcquireWithFlagAlreadySetIsSkipped) {
  AgentLock lock;
  bool held = false;
  AgentLockAcquire(&lock, &held);
  AgentLockAcquire(&lock, &held);
  EXPECT_EQ(lock.count.load(), 1);
  AgentLockRelease(&lock, &held);
  EXPECT_TRUE(FreeForOtherThread(&lock));
}

TEST(AgentLockTest, ReleaseByAnotherThreadIsIgnored) {
  AgentLock lock;
  bool held = false;
  AgentLockAcquire(&lock, &held);
  std::thread([&] {
    bool wrongly_set = true;
    AgentLockRelease(&lock, &wrongly_set);
  }).join();
  EXPECT_TRUE(lock.held.load());
  EXPECT_EQ(lock.count.load(), 1);
  EXPECT_FALSE(FreeForOtherThread(&lock));
  AgentLockRelease(&lock, &held);
}

TEST(AgentLockTest, GuardExcludesOtherThreads) {
  AgentLock lock;
  int total = 0;
  auto work = [&] {
    for (int i = 0; i < 5000; ++i) {
      AgentLockGuard guard(&lock);
      AgentLockGuard nested(&lock);
      ++total;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(total, 10000);
  EXPECT_TRUE(FreeForOtherThread(&lock));
}

}  // namespace
