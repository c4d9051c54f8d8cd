// The agent as a process: spawning it, its log, its end.
#include "agent_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace agent_test {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

// The environment of the test, with the MQI loader's variables replaced.
std::vector<std::string> AgentEnvironment(const std::string& library_dir) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string_view text = *entry;
    if (text.starts_with("MQM_DLL_PATH=") || text.starts_with("MQ_INSTALLATION_PATH=") ||
        text.starts_with("MQACCESS_DEBUG=") || text.starts_with("MQIC_DLL_PATH=")) {
      continue;
    }
    env.emplace_back(text);
  }
  env.push_back("MQM_DLL_PATH=" + library_dir);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

int DevNull() {
  return open("/dev/null", O_RDONLY | O_CLOEXEC);
}

}  // namespace

std::string LibraryDir() {
  return MQEMU_LIB_DIR;
}

std::string VariantDir(const std::string& variant) {
  return std::string(MQEMU_LIB_DIR) + "/variants/" + variant;
}

pid_t SpawnAgent(const std::vector<std::string>& args, const std::string& library_dir, int stdin_fd,
                 int output_fd, const std::vector<std::string>& launcher) {
  std::vector<std::string> argv_texts = launcher;
  argv_texts.push_back(CSAGNT_PROGRAM);
  argv_texts.insert(argv_texts.end(), args.begin(), args.end());
  std::vector<std::string> env_texts = AgentEnvironment(library_dir);
  std::vector<char*> argv = Pointers(argv_texts);
  std::vector<char*> envp = Pointers(env_texts);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, stdin_fd, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output_fd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output_fd, STDERR_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // A session of its own: a terminal's interrupt key in the test's session
  // does not reach it.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv_texts[0].c_str(), &actions, &attributes, argv.data(), envp.data()) !=
      0) {
    pid = -1;
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int WaitForProcess(pid_t pid, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0) return -1;
    if (std::chrono::steady_clock::now() >= deadline) return -2;
    std::this_thread::sleep_for(kPollInterval);
  }
}

int CountOf(std::string_view text, std::string_view what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

bool WaitForText(const std::function<std::string()>& read, std::string_view text, int count,
                 int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (CountOf(read(), text) >= count) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

AgentProcess::AgentProcess(const std::vector<std::string>& args, const std::string& settings,
                           const std::string& library_dir,
                           const std::vector<std::string>& launcher) {
  const std::string config =
      dir_.Write("agent.cfg", "logpath \"" + dir_.path() + "\"\n" + settings + "\n");
  std::vector<std::string> all_args = args;
  all_args.insert(all_args.end(), {"-f", config});
  const int output =
      open(dir_.File("output.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int input = DevNull();
  pid_ = SpawnAgent(all_args, library_dir, input, output, launcher);
  close(input);
  close(output);
}

AgentProcess::~AgentProcess() {
  if (pid_ > 0 && exit_status_ == -2) {
    kill(pid_, SIGKILL);
    WaitForProcess(pid_, kWaitMs);
  }
}

bool AgentProcess::WaitForLog(std::string_view text, int count, int timeout_ms) const {
  return WaitForText([this] { return Log(); }, text, count, timeout_ms);
}

bool AgentProcess::WaitUntilRunning() const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  for (;;) {
    const std::string log = Log();
    if (log.find("] CSAG004I Parameters in effect:") != std::string::npos) return true;
    if (log.find("] CSAG099I") != std::string::npos) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::string AgentProcess::Log() const {
  return dir_.Read("CSAGNT_Log01.txt");
}

std::string AgentProcess::Output() const {
  return dir_.Read("output.txt");
}

std::string AgentProcess::ActualReplyQueue() const {
  constexpr std::string_view kLabel = "  Actual Reply Queue   : ";
  const std::string log = Log();
  const size_t at = log.find(kLabel);
  if (at == std::string::npos) return "";
  const size_t start = at + kLabel.size();
  return log.substr(start, log.find('\n', start) - start);
}

long AgentProcess::PeakResidentKb() const {
  if (pid_ <= 0 || exit_status_ != -2) return -1;
  const int fd = open(("/proc/" + std::to_string(pid_) + "/status").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  std::string status(8192, '\0');
  const ssize_t n = read(fd, status.data(), status.size());
  close(fd);
  status.resize(n > 0 ? static_cast<size_t>(n) : 0);
  const size_t at = status.find("VmHWM:");
  return at == std::string::npos ? -1 : strtol(status.c_str() + at + 6, nullptr, 10);
}

void AgentProcess::Signal(int signal_number) const {
  if (pid_ > 0 && exit_status_ == -2) kill(pid_, signal_number);
}

int AgentProcess::WaitForExit(int timeout_ms) {
  if (pid_ > 0 && exit_status_ == -2) exit_status_ = WaitForProcess(pid_, timeout_ms);
  return exit_status_;
}

AgentRun RunAgent(const std::vector<std::string>& args, const std::string& library_dir) {
  AgentRun run;
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return run;
  const int input = DevNull();
  const pid_t pid = SpawnAgent(args, library_dir, input, pipe_fds[1]);
  close(input);
  close(pipe_fds[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) {
    run.output.append(buffer, static_cast<size_t>(n));
  }
  close(pipe_fds[0]);
  if (pid > 0) run.exit_status = WaitForProcess(pid, kWaitMs);
  return run;
}

}  // namespace agent_test
