// The agent in the foreground on a real pseudo-terminal: the status line
// rewritten in place, the keys, the question before quitting, and the
// terminal's settings given back at the end.
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "agent_client.h"
#include "agent_process.h"

namespace agent_test {
namespace {

// Length of "hh:mm:ss Cmd[%4d,%8d] Rep[%4d,%8d] Res[%4d,%8d]".
constexpr size_t kStatusLineLength = 65;
constexpr char kQuestion[] = "Are you sure you want to quit?  ";

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(openpty(&master_, &terminal_, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(tcgetattr(terminal_, &before_), 0);
  }

  // Starts the agent on the terminal with the `settings` lines.
  void StartAgent(const std::string& settings = "") {
    const std::string config =
        dir_.Write("agent.cfg", "logpath \"" + dir_.path() + "\"\n" + settings);
    pid_ = SpawnAgent({"-m", "QM1", "-f", config}, LibraryDir(), terminal_, terminal_);
    ASSERT_GT(pid_, 0);
  }

  void TearDown() override {
    if (pid_ > 0 && exit_status_ == -2) {
      kill(pid_, SIGKILL);
      WaitForProcess(pid_, kWaitMs);
    }
    close(master_);
    close(terminal_);
  }

  // Everything the agent has written to the terminal so far.
  const std::string& Screen() {
    char buffer[4096];
    for (;;) {
      pollfd ready = {master_, POLLIN, 0};
      if (poll(&ready, 1, 0) <= 0) break;
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      screen_.append(buffer, static_cast<size_t>(n));
    }
    return screen_;
  }

  // Waits until the screen shows `text` `count` times after `from`.
  bool WaitForScreen(const std::string& text, int count = 1, size_t from = 0) {
    return WaitForText([this, from] { return Screen().substr(std::min(from, Screen().size())); },
                       text, count, kWaitMs);
  }

  void Press(char key) { ASSERT_EQ(write(master_, &key, 1), 1); }

  tcflag_t LocalModes() {
    termios now{};
    EXPECT_EQ(tcgetattr(terminal_, &now), 0);
    return now.c_lflag;
  }

  StandIn stand_in_;
  TempDir dir_;
  int master_ = -1;
  int terminal_ = -1;
  termios before_{};
  pid_t pid_ = -1;
  int exit_status_ = -2;
  std::string screen_;
};

TEST_F(ConsoleTest, StatusLineKeysAndQuit) {
  StartAgent();
  ASSERT_TRUE(WaitForScreen("] CSAG004I Parameters in effect:")) << Screen();
  ASSERT_TRUE(WaitForScreen(" Cmd[   0,       0] Rep[   0,       0] Res[   0,       0]"))
      << Screen();
  // Keys come one at a time, unechoed, while the agent runs.
  const tcflag_t running = LocalModes();
  EXPECT_EQ(running & (ICANON | ECHO), 0u);
  // The next status line is written over the last one.
  ASSERT_TRUE(WaitForScreen(std::string(kStatusLineLength, '\b'))) << Screen();

  Press('q');
  ASSERT_TRUE(WaitForScreen("Unrecognised command 'q'.")) << Screen();

  size_t mark = Screen().size();
  Press('Q');
  const std::string erase = std::string(kStatusLineLength, '\b') +
                            std::string(kStatusLineLength, ' ') +
                            std::string(kStatusLineLength, '\b');
  std::string question = kQuestion;
  question.resize(kStatusLineLength, ' ');
  ASSERT_TRUE(WaitForScreen(erase + question, 1, mark)) << Screen().substr(mark);
  mark = Screen().size();
  Press('n');
  // Back to the status line: the agent goes on.
  ASSERT_TRUE(WaitForScreen(" Cmd[", 1, mark)) << Screen().substr(mark);

  mark = Screen().size();
  Press('Q');
  ASSERT_TRUE(WaitForScreen(kQuestion, 1, mark)) << Screen().substr(mark);
  Press('y');
  exit_status_ = WaitForProcess(pid_, kWaitMs);
  EXPECT_EQ(exit_status_, 0) << Screen();
  EXPECT_NE(Screen().find("] CSAG099I CSAGNT Agent shutting down"), std::string::npos) << Screen();
  EXPECT_NE(dir_.Read("CSAGNT_Log01.txt").find("] CSAG099I"), std::string::npos);

  // The terminal is as the agent found it.
  EXPECT_EQ(LocalModes(), before_.c_lflag);
  EXPECT_EQ(LocalModes() & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
}

TEST_F(ConsoleTest, TerminationSignalRestoresTheTerminal) {
  StartAgent();
  ASSERT_TRUE(WaitForScreen(" Cmd[")) << Screen();
  EXPECT_EQ(LocalModes() & (ICANON | ECHO), 0u);
  kill(pid_, SIGTERM);
  exit_status_ = WaitForProcess(pid_, kWaitMs);
  EXPECT_EQ(exit_status_, 0) << Screen();
  EXPECT_EQ(LocalModes(), before_.c_lflag);
}

// The question before quitting waits for its answer without stopping the
// loop: requests are still aged out and answered meanwhile. A control key
// is shown printably.
TEST_F(ConsoleTest, TheQuestionLeavesTheLoopAtWorkAndKeysAreShownPrintably) {
  StartAgent("maxage 1\nreqchkdelay 1\n");
  ASSERT_TRUE(WaitForScreen(" Cmd[")) << Screen();
  Press('\x1b');
  ASSERT_TRUE(WaitForScreen("Unrecognised command '.'.")) << Screen();
  EXPECT_EQ(Screen().find('\x1b'), std::string::npos);

  const size_t mark = Screen().size();
  Press('Q');
  ASSERT_TRUE(WaitForScreen(kQuestion, 1, mark)) << Screen().substr(mark);
  stand_in_.Tool("fault QM1 command-server pause");
  AgentClient client("QM1");
  client.Put(PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN);
  Message reply;
  ASSERT_TRUE(client.Get(&reply)) << Screen();
  EXPECT_NE(reply.data.find("CSAG501E"), std::string::npos);

  Press('y');
  exit_status_ = WaitForProcess(pid_, kWaitMs);
  EXPECT_EQ(exit_status_, 0) << Screen();
}

}  // namespace
}  // namespace agent_test
