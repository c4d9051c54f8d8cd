// Test support: runs a program in a child process with extra environment
// settings, standard input from /dev/null and standard output and error
// gathered, and waits for it.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

struct ProgramRun {
  int exit_status = -1;  // the exit status, or -1 when it did not exit normally
  std::string output;    // standard output and standard error together
};

// Starts `path` with `args` in a child process, its standard input from
// /dev/null and its standard output and error to `output_fd`; `env` entries
// are set in the child (an empty value is set, empty) and the names in
// `unset` removed. Returns the child's pid (the caller waits for it), or -1.
inline pid_t StartProgram(const std::string& path, const std::vector<std::string>& args,
                          int output_fd, const std::map<std::string, std::string>& env = {},
                          const std::vector<std::string>& unset = {}) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
  for (const std::string& name : unset) unsetenv(name.c_str());
  int null_fd = open("/dev/null", O_RDONLY);
  dup2(null_fd, STDIN_FILENO);
  dup2(output_fd, STDOUT_FILENO);
  dup2(output_fd, STDERR_FILENO);
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(path.c_str(), argv.data());
  _exit(127);
}

// Runs `path` as StartProgram does and waits for it, gathering its output.
inline ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& args,
                             const std::map<std::string, std::string>& env = {},
                             const std::vector<std::string>& unset = {}) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return {};
  fcntl(pipe_fds[0], F_SETFD, FD_CLOEXEC);
  pid_t pid = StartProgram(path, args, pipe_fds[1], env, unset);
  close(pipe_fds[1]);
  ProgramRun run;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0)
    run.output.append(buffer, static_cast<size_t>(n));
  close(pipe_fds[0]);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
    run.exit_status = WEXITSTATUS(status);
  return run;
}
