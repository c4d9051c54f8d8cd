// CSLock across threads, LockWithAlarm's waits, and the allocation pair.
#include "cs/cs_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "cs/cs_memory.h"

namespace {

// What another thread gets from CSLockIt(lock, limit); it releases again
// what it took.
int TryFromOtherThread(CSLock* lock, int limit_ms) {
  return std::async(std::launch::async,
                    [=] {
                      const int rc = CSLockIt(lock, limit_ms);
                      if (rc == kCSLockHeld) CSUnlockIt(lock);
                      return rc;
                    })
      .get();
}

TEST(CSLockTest, ThreeTakesNeedThreeReleasesBeforeAnotherThreadGetsIt) {
  CSLock lock;
  for (int i = 0; i < 3; ++i) ASSERT_EQ(CSLockIt(&lock, kCSLockNoLimit), kCSLockHeld);
  EXPECT_EQ(lock.count.load(), 3);
  for (int i = 0; i < 2; ++i) {
    CSUnlockIt(&lock);
    EXPECT_EQ(TryFromOtherThread(&lock, 0), kCSLockTimedOut);
  }
  CSUnlockIt(&lock);
  EXPECT_EQ(lock.count.load(), 0);
  EXPECT_EQ(lock.owner.load(), 0);
  EXPECT_EQ(TryFromOtherThread(&lock, 0), kCSLockHeld);
}

TEST(CSLockTest, ZeroLimitOnLockHeldElsewhereTimesOutAndChangesNothing) {
  CSLock lock;
  ASSERT_EQ(CSLockIt(&lock, kCSLockNoLimit), kCSLockHeld);
  ASSERT_EQ(CSLockIt(&lock, kCSLockNoLimit), kCSLockHeld);
  const pid_t owner = lock.owner.load();
  EXPECT_EQ(TryFromOtherThread(&lock, 0), kCSLockTimedOut);
  EXPECT_EQ(TryFromOtherThread(&lock, 20), kCSLockTimedOut);
  EXPECT_EQ(lock.owner.load(), owner);
  EXPECT_EQ(lock.count.load(), 2);
  CSUnlockIt(&lock);
  CSUnlockIt(&lock);
}

TEST(CSLockTest, WaiterGetsTheLockWhenReleasedWithinItsLimit) {
  CSLock lock;
  ASSERT_EQ(CSLockIt(&lock, kCSLockNoLimit), kCSLockHeld);
  auto waiter = std::async(std::launch::async, [&] { return TryFromOtherThread(&lock, 10000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  CSUnlockIt(&lock);
  EXPECT_EQ(waiter.get(), kCSLockHeld);
}

TEST(CSLockTest, ConcurrentFirstUseAgreesOnOneMutex) {
  CSLock lock;
  int total = 0;
  auto work = [&] {
    for (int i = 0; i < 2000; ++i) {
      CSLockIt(&lock, kCSLockNoLimit);
      ++total;
      CSUnlockIt(&lock);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(total, 4000);
}

// On an ordinary machine a wait beyond the two-second alarm goes on.
TEST(LockWithAlarmTest, LongWaitOnOrdinaryMachineIsOnlyAWait) {
  CSSetHostNameForTesting("build-host");
  CSLock lock;
  ASSERT_EQ(CSLockIt(&lock, kCSLockNoLimit), kCSLockHeld);
  auto waiter = std::async(std::launch::async, [&] {
    const int rc = LockWithAlarm(&lock);
    if (rc == kCSLockHeld) CSUnlockIt(&lock);
    return rc;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(2300));
  CSUnlockIt(&lock);
  EXPECT_EQ(waiter.get(), kCSLockHeld);
}

TEST(CSMemoryTest, BlocksAreUsableAndFreedEvenUnderLibraryLock) {
  auto* block = static_cast<char*>(CSGetMem(1000));
  ASSERT_NE(block, nullptr);
  block[999] = 'x';
  CSFreeMem(block);
  void* empty = CSGetMem(0);
  EXPECT_NE(empty, nullptr) << "a zero-byte request is not a failure";
  CSFreeMem(empty);

  // Loading the MQI holds LibraryLock and may allocate meanwhile.
  ASSERT_EQ(CSLockIt(&LibraryLock, kCSLockNoLimit), kCSLockHeld);
  void* inner = CSGetMem(16);
  EXPECT_NE(inner, nullptr);
  CSFreeMem(inner);
  CSFreeMem(nullptr);
  EXPECT_EQ(LibraryLock.count.load(), 1);
  CSUnlockIt(&LibraryLock);
}

}  // namespace
