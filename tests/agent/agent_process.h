// Test support: the agent as a process against the IBM MQ stand-in. Each
// agent runs with a configuration file in a temporary directory of its own,
// which also receives its error log, so that a test reads back what the
// agent wrote while it runs. Waiting is always for something to happen,
// with a generous deadline; nothing is timed.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

namespace agent_test {

// A deadline long enough for a sanitizer build on a busy machine.
constexpr int kWaitMs = 20000;

// The directory of the stand-in's libmqm_r.so, and of one of its variants
// ("no-mqcb", "no-mqconnx", ...).
std::string LibraryDir();
std::string VariantDir(const std::string& variant);

// Starts the agent program with `args`, its standard input from `stdin_fd`
// and its standard output and error to `output_fd`, in a session of its
// own, with MQM_DLL_PATH set to `library_dir` and the other variables that
// steer the MQI loader removed. With a `launcher` (a program found on the
// PATH and its arguments) the agent is started through it. Returns the pid,
// or -1.
pid_t SpawnAgent(const std::vector<std::string>& args, const std::string& library_dir, int stdin_fd,
                 int output_fd, const std::vector<std::string>& launcher = {});

// Waits for `pid` to end: its exit status, -1 when a signal ended it, -2 when
// it still runs after `timeout_ms`.
int WaitForProcess(pid_t pid, int timeout_ms);

// Polls `read` (the text of a file, say) until it holds `text` `count` times
// or `timeout_ms` has passed; returns whether it did.
bool WaitForText(const std::function<std::string()>& read, std::string_view text, int count,
                 int timeout_ms);

// Counts the occurrences of `what` in `text`.
int CountOf(std::string_view text, std::string_view what);

// One running agent, started with -f naming its configuration file: the
// `settings` lines given, and logpath its own directory (unless `settings`
// names another). Killed at once if it still runs when the object goes.
class AgentProcess {
 public:
  explicit AgentProcess(const std::vector<std::string>& args, const std::string& settings = "",
                        const std::string& library_dir = LibraryDir(),
                        const std::vector<std::string>& launcher = {});
  ~AgentProcess();
  AgentProcess(const AgentProcess&) = delete;
  AgentProcess& operator=(const AgentProcess&) = delete;

  // Waits until the error log holds `text` `count` times.
  bool WaitForLog(std::string_view text, int count = 1, int timeout_ms = kWaitMs) const;
  // Waits until the agent has started its main loop: the parameters in
  // effect (CSAG004I) are written. False when it ended or never got there.
  bool WaitUntilRunning() const;
  std::string Log() const;
  // What the agent wrote to standard output and error (sanitizer reports
  // land here).
  std::string Output() const;
  // The agent's dynamic reply queue as CSAG004I names it, or "".
  std::string ActualReplyQueue() const;

  void Signal(int signal_number) const;
  pid_t pid() const { return pid_; }
  // The agent's peak resident memory (VmHWM) in KiB while it runs, else -1.
  long PeakResidentKb() const;
  // The exit status once the agent has ended (see WaitForProcess).
  int WaitForExit(int timeout_ms = kWaitMs);

  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int exit_status_ = -2;
};

// Runs the agent program with `args` to its end, standard input from
// /dev/null; returns the exit status and what it wrote to standard output
// and error.
struct AgentRun {
  int exit_status = -2;
  std::string output;
};
AgentRun RunAgent(const std::vector<std::string>& args,
                  const std::string& library_dir = LibraryDir());

}  // namespace agent_test
