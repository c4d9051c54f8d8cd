// Test support: the agent program copied into a fresh directory of its own,
// which is then its program directory (the home of CSAGNT.CFG and, without
// logpath, of the error logs), run with a deadline so that a start-up that
// hangs fails the test instead of stopping it.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "agent/agent_process.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

class AgentCopy {
 public:
  // A directory without the IBM MQ library: the agent ends after CSAG100E.
  static constexpr char kNoLibrary[] = "/nonexistent";

  AgentCopy() { std::filesystem::copy_file(CSAGNT_PROGRAM, program()); }
  ~AgentCopy() { WaitForExit(0); }
  AgentCopy(const AgentCopy&) = delete;
  AgentCopy& operator=(const AgentCopy&) = delete;

  const TempDir& dir() const { return dir_; }
  std::string program() const { return dir_.File("csagnt"); }

  // Starts the copy with `args` and MQM_DLL_PATH `library_dir`, standard
  // input from /dev/null, standard output and error to Output().
  void Start(const std::vector<std::string>& args, const std::string& library_dir = kNoLibrary) {
    const int output =
        open(dir_.File("output.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid_ = StartProgram(program(), args, output, {{"MQM_DLL_PATH", library_dir}},
                        {"MQACCESS_DEBUG", "MQ_INSTALLATION_PATH"});
    close(output);
  }

  // The exit status once the agent has ended (as agent_test::WaitForProcess
  // answers); one still running after `timeout_ms` is killed, and -2 returned.
  int WaitForExit(int timeout_ms = agent_test::kWaitMs) {
    if (pid_ <= 0) return -2;
    int status = agent_test::WaitForProcess(pid_, timeout_ms);
    if (status == -2) {
      kill(pid_, SIGKILL);
      agent_test::WaitForProcess(pid_, agent_test::kWaitMs);
    }
    pid_ = -1;
    return status;
  }

  // Start and WaitForExit.
  int Run(const std::vector<std::string>& args, const std::string& library_dir = kNoLibrary) {
    Start(args, library_dir);
    return WaitForExit();
  }

  void Signal(int signal_number) const {
    if (pid_ > 0) kill(pid_, signal_number);
  }
  std::string Output() const { return dir_.Read("output.txt"); }
  std::string Log() const { return dir_.Read("CSAGNT_Log01.txt"); }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
};

// Whether `text` holds nothing but printable ASCII and line feeds.
inline bool PrintableLines(const std::string& text) {
  for (char c : text) {
    if (c != '\n' && (c < 0x20 || c > 0x7e)) return false;
  }
  return true;
}
