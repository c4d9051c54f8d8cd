// The status line, the keys and the terminal's settings.
#include "agent/console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "log/console.h"
#include "log/message.h"
#include "log/status_report.h"
#include "state/process_state.h"

namespace {

// The terminal's settings as EnterKeyMode found them. Written once before
// any handler that reads them is installed.
termios SavedSettings;
std::atomic<bool> SettingsChanged{false};
// Standard input has ended: no key will come any more.
bool InputEnded = false;

// SIGHUP is not among them: it asks for an orderly stop (agent/signals.h),
// after which the terminal gets its settings back all the same.
constexpr int kFatalSignals[] = {SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};

void ApplyKeyMode() {
  termios keys = SavedSettings;
  keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  keys.c_cc[VMIN] = 1;
  keys.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &keys);
}

void SetHandler(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
}

// A fatal signal: the terminal gets its settings back, then the signal does
// what it would have done.
extern "C" void OnFatalSignal(int signal_number) {
  RestoreTerminal();
  SetHandler(signal_number, SIG_DFL);
  raise(signal_number);
}

extern "C" void OnContinue(int);

// Ctrl-Z: the shell gets its terminal back as it was while the job waits.
extern "C" void OnTerminalStop(int) {
  RestoreTerminal();
  SetHandler(SIGTSTP, SIG_DFL);
  raise(SIGTSTP);
}

// The job continues: keys without echo again.
extern "C" void OnContinue(int) {
  SetHandler(SIGTSTP, OnTerminalStop);
  if (tcgetattr(STDIN_FILENO, &SavedSettings) == 0) {
    ApplyKeyMode();
    SettingsChanged.store(true);
  }
}

// Reads one key from standard input, waiting at most `timeout_ms` (-1: no
// limit). Returns the key, or -1 when none came or the input has ended.
int ReadKey(int timeout_ms) {
  if (InputEnded) return -1;
  pollfd input = {STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, timeout_ms) <= 0) return -1;
  unsigned char key;
  const ssize_t n = read(STDIN_FILENO, &key, 1);
  if (n == 1) return key;
  if (n == 0 || (input.revents & (POLLHUP | POLLERR | POLLNVAL))) InputEnded = true;
  return -1;
}

// The question "Are you sure you want to quit?" is on the screen and its
// answer not yet read. Main thread only.
bool AwaitingAnswer = false;

void WriteStatusLine() {
  AgentLockGuard guard(&LogState.LogLock);
  char line[128];
  const int length = FormatStatusLine(line, sizeof line, Process.CurrentTime.load());
  EraseStatusLine(Process.StatusLineLength.load(), false);
  Process.StatusLineLength.store(length);
  fputs(line, stdout);
  fflush(stdout);
}

}  // namespace

void EnterKeyMode() {
  if (tcgetattr(STDIN_FILENO, &SavedSettings) != 0) return;
  for (int signal_number : kFatalSignals) SetHandler(signal_number, OnFatalSignal);
  SetHandler(SIGTSTP, OnTerminalStop);
  SetHandler(SIGCONT, OnContinue);
  atexit(RestoreTerminal);
  ApplyKeyMode();
  SettingsChanged.store(true);
}

void RestoreTerminal() {
  if (SettingsChanged.exchange(false)) tcsetattr(STDIN_FILENO, TCSANOW, &SavedSettings);
}

int FormatStatusLine(char* out, size_t size, int64_t now) {
  const time_t seconds = static_cast<time_t>(now);
  tm local{};
  char clock[16] = "";
  if (localtime_r(&seconds, &local) != nullptr) strftime(clock, sizeof clock, "%H:%M:%S", &local);
  const TrafficCounts counts = ReadCounts(AgentStats.interval);
  const int length = snprintf(
      out, size, "%.8s Cmd[%4d,%8d] Rep[%4d,%8d] Res[%4d,%8d]", clock,
      static_cast<int>(counts.CommandsReceived), static_cast<int>(counts.CommandBytesReceived),
      static_cast<int>(counts.RepliesReceived), static_cast<int>(counts.ReplyBytesReceived),
      static_cast<int>(counts.ResponsesSent), static_cast<int>(counts.ResponseBytesSent));
  return length < 0 ? 0
                    : (static_cast<size_t>(length) < size ? length : static_cast<int>(size) - 1);
}

ConsoleAction ConsolePass() {
  if (AwaitingAnswer) {
    // The question stays on the screen until its answer comes; the loop
    // goes on with its duties meanwhile.
    const int answer = ReadKey(0);
    if (answer < 0) return ConsoleAction::kSleep;
    AwaitingAnswer = false;
    return answer == 'Y' || answer == 'y' ? ConsoleAction::kQuit : ConsoleAction::kNoSleep;
  }
  WriteStatusLine();
  const int key = ReadKey(0);
  if (key <= 0) return ConsoleAction::kSleep;
  AgentLockGuard guard(&LogState.LogLock);
  if (key == 'Q') {
    const int length = Process.StatusLineLength.load();
    EraseStatusLine(length, true);
    printf("%-*s", length, "Are you sure you want to quit?  ");
    fflush(stdout);
    AwaitingAnswer = true;
    return ConsoleAction::kSleep;
  }
  const char typed = static_cast<char>(key);
  char shown[2];
  printf("\nUnrecognised command '%s'.\n", PrintableCopy(shown, sizeof shown, &typed, 1));
  fflush(stdout);
  return ConsoleAction::kNoSleep;
}

bool WaitForKey(int milliseconds) {
  if (InputEnded) return false;
  pollfd input = {STDIN_FILENO, POLLIN, 0};
  return poll(&input, 1, milliseconds) > 0;
}
