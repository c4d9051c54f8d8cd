// The home of the queue managers: which homes may be used, and its files
// read and written without following symbolic links, a file replaced whole
// or not at all.
#include "protocol/endpoint.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace mqemu {
namespace {

struct stat StatOf(mode_t mode, uid_t owner) {
  struct stat st {};
  st.st_mode = mode;
  st.st_uid = owner;
  return st;
}

TEST(HomeProblem, OnlyAPrivateDirectoryOfTheUsersOwnWillDo) {
  EXPECT_EQ(HomeProblem("/h", StatOf(S_IFDIR | 0700, 1000), 1000), "");
  EXPECT_EQ(HomeProblem("/h", StatOf(S_IFDIR | 0700, 1001), 1000),
            "the home /h belongs to user 1001, not to user 1000");
  EXPECT_EQ(HomeProblem("/h", StatOf(S_IFDIR | 0777, 1000), 1000),
            "the home /h is open to other users (mode 0777); chmod 700 /h makes it private");
  EXPECT_NE(HomeProblem("/h", StatOf(S_IFDIR | 0710, 1000), 1000), "");
  EXPECT_NE(HomeProblem("/h", StatOf(S_IFDIR | 0701, 1000), 1000), "");
  EXPECT_NE(HomeProblem("/h", StatOf(S_IFDIR | 01777, 1000), 1000), "");
  EXPECT_EQ(HomeProblem("/h", StatOf(S_IFLNK | 0777, 1000), 1000),
            "the home /h is a symbolic link");
  EXPECT_EQ(HomeProblem("/h", StatOf(S_IFREG | 0600, 1000), 1000),
            "the home /h is not a directory");
}

TEST(HomeProblem, IsCheckedOnTheHomeItself) {
  TempDir dir;
  ::setenv("MQEMU_HOME", dir.path().c_str(), 1);
  EXPECT_EQ(HomeProblem(), "");
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_NE(HomeProblem().find("open to other users (mode 0755)"), std::string::npos);
  std::filesystem::create_directory_symlink(dir.path(), dir.path() + ".link");
  ::setenv("MQEMU_HOME", (dir.path() + ".link").c_str(), 1);
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_NE(HomeProblem().find("is a symbolic link"), std::string::npos);
  ::unlink((dir.path() + ".link").c_str());
  ::unsetenv("MQEMU_HOME");
}

TEST(HomeFiles, SymbolicLinksAreNeitherReadNorWrittenThrough) {
  TempDir dir;
  std::string victim = dir.Write("victim", "precious\n");
  std::string file = dir.File("default");
  ::symlink(victim.c_str(), file.c_str());
  EXPECT_EQ(ReadHomeFile(file), "");
  EXPECT_EQ(WriteHomeFile(file, "QM1\n"), "");
  EXPECT_EQ(TempDir::ReadPath(victim), "precious\n");
  EXPECT_EQ(ReadHomeFile(file), "QM1\n");
  EXPECT_FALSE(std::filesystem::is_symlink(file));
}

TEST(HomeFiles, AFileThatCannotBeWrittenWholeStaysAsItWas) {
  TempDir dir;
  std::string file = dir.Write("default", "QM1\n");
  // A disk that takes no more bytes, in a child of its own.
  pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit none{0, 0};
    ::setrlimit(RLIMIT_FSIZE, &none);
    std::string error = WriteHomeFile(file, "QM2\n");
    ::_exit(error.find("cannot write " + file + ": File too large") == 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadHomeFile(file), "QM1\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(QueueManagerNames, AreNamesAndNeverPaths) {
  EXPECT_TRUE(ValidQueueManagerName("QM1"));
  EXPECT_TRUE(ValidQueueManagerName("a.B_c%9"));
  EXPECT_TRUE(ValidQueueManagerName(std::string(48, 'Q')));
  EXPECT_FALSE(ValidQueueManagerName(std::string(49, 'Q')));
  EXPECT_FALSE(ValidQueueManagerName(""));
  EXPECT_FALSE(ValidQueueManagerName("../QM1"));
  EXPECT_FALSE(ValidQueueManagerName("QM/1"));
  EXPECT_FALSE(ValidQueueManagerName("QM 1"));
}

}  // namespace
}  // namespace mqemu
