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
  // Whether the child wrote the trap file with `line` and `value`.
  testing::AssertionResult TrapFileSays(int line, int value) const {
    const std::string text = dir_.Read("cstrap.txt");
    const std::regex expected("cstrap line " + std::to_string(line) + R"( file cs \(.+\) value )" +
                              std::to_string(value) + "\n");
    if (std::regex_match(text, expected)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "trap file: '" << text << "'";
  }

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
  EXPECT_TRUE(TrapFileSays(42, -7));
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
  EXPECT_TRUE(TrapFileSays(617, 2));
}

TEST_F(CSTrapTest, ReleaseOfFreeLockTraps) {
  ExpectTrap([] {
    static CSLock lock;
    CSUnlockIt(&lock);
  });
  EXPECT_TRUE(TrapFileSays(617, 0));
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
  EXPECT_TRUE(TrapFileSays(576, 0));
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
