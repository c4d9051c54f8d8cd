// The trap: its file, and the misuses that raise it. Each case runs in a
// forked child process (the parent has no other threads), which the trap's
// SIGTRAP ends; the parent then reads the trap file the child wrote.
#include "cs/cs_trap.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <future>
#include <regex>
#include <string>

#include "cs/cs_lock.h"
#include "support/temp_dir.h"

namespace {

class CSTrapTest : public testing::Test {
 protected:
  // The trap file's line, written by the child into `dir_`.
  std::string TrapLine() const { return dir_.Read("cstrap.txt"); }

  // Runs `body` in a child with TMPDIR set to the test's directory.
  template <typename Body>
  void ExpectTrap(Body body) {
    const std::string dir = dir_.path();
    EXPECT_EXIT(
        {
          setenv("TMPDIR", dir.c_str(), 1);
          body();
        },
        testing::KilledBySignal(SIGTRAP), "");
  }

  TempDir dir_;
};

TEST_F(CSTrapTest, WritesLineModuleBuildAndValue) {
  ExpectTrap([] { CSTrap(42, -7); });
  EXPECT_TRUE(
      std::regex_match(TrapLine(), std::regex(R"(cstrap line 42 file cs \(.+\) value -7\n)")))
      << TrapLine();
}

TEST_F(CSTrapTest, TrapsWithoutAWritableTrapDirectory) {
  EXPECT_EXIT(
      {
        setenv("TMPDIR", "/nonexistent/dir", 1);
        CSTrap(1, 1);
      },
      testing::KilledBySignal(SIGTRAP), "");
}

TEST_F(CSTrapTest, ReleaseOfLockHeldByAnotherThreadTrapsWithItsCount) {
  ExpectTrap([] {
    static CSLock lock;
    std::async(std::launch::async, [] {
      CSLockIt(&lock, kCSLockNoLimit);
      CSLockIt(&lock, kCSLockNoLimit);
    }).get();
    CSUnlockIt(&lock);
  });
  EXPECT_TRUE(
      std::regex_match(TrapLine(), std::regex(R"(cstrap line 617 file cs \(.+\) value 2\n)")))
      << TrapLine();
}

TEST_F(CSTrapTest, ReleaseOfFreeLockTraps) {
  ExpectTrap([] {
    static CSLock lock;
    CSUnlockIt(&lock);
  });
  EXPECT_TRUE(
      std::regex_match(TrapLine(), std::regex(R"(cstrap line 617 file cs \(.+\) value 0\n)")))
      << TrapLine();
}

// On the development machine a wait of more than two seconds for a
// LockWithAlarm lock counts as a deadlock.
TEST_F(CSTrapTest, LongWaitOnDevelopmentMachineTraps) {
  ExpectTrap([] {
    static CSLock lock;
    CSSetHostNameForTesting(kDevelopmentHostName);
    std::async(std::launch::async, [] { CSLockIt(&lock, kCSLockNoLimit); }).get();
    LockWithAlarm(&lock);
  });
  EXPECT_TRUE(
      std::regex_match(TrapLine(), std::regex(R"(cstrap line 576 file cs \(.+\) value 0\n)")))
      << TrapLine();
}

TEST(CSTrapFileNameTest, FollowsTmpdirElseTmp) {
  const char* saved = getenv("TMPDIR");
  const std::string restore = saved ? saved : "";
  char path[512];
  setenv("TMPDIR", "/var/tmp/", 1);
  CSTrapFileName(path, sizeof path);
  EXPECT_STREQ(path, "/var/tmp/cstrap.txt");
  unsetenv("TMPDIR");
  CSTrapFileName(path, sizeof path);
  EXPECT_STREQ(path, "/tmp/cstrap.txt");
  if (saved) setenv("TMPDIR", restore.c_str(), 1);
}

}  // namespace
