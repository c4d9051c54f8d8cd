// Subcommands that manage a queue manager: start (runs the daemon in the
// background), stop, and the controls that the daemon carries out itself
// (define, delete, define-process, delete-process, define-channel,
// delete-channel, show, fault).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "protocol/endpoint.h"
#include "protocol/frame_kinds.h"
#include "tool/commands.h"

namespace mqemu {
namespace {

std::string ProgramDirectory() {
  char path[4096];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string p(path, static_cast<size_t>(n));
  return p.substr(0, p.rfind('/'));
}

// Sends one control command; prints its text. Returns the exit status: 0,
// the reason of a warning (the status the command itself gives, as mqsc's
// 10), 1 on failure, 2 on a usage error.
int SendControl(const std::string& qmgr, const Args& command) {
  Channel channel;
  if (!channel.Open(qmgr)) {
    std::cerr << "mqemu: queue manager " << qmgr << " is not running\n";
    return 1;
  }
  FrameWriter w = EncodeFrame(ControlCall{command});
  if (w.Finish().size() - 4 > kMaxFrameLength) {
    std::cerr << "mqemu: the command is longer than the " << kMaxFrameLength
              << " bytes a queue manager takes\n";
    return 1;
  }
  Frame reply;
  FrameReader r = reply.Reader();
  ReplyHead head;
  ControlReply answer;
  if (!channel.Call(w.Finish(), &reply) || !(r = reply.Reader(), Decode(r, &head)) ||
      !DecodeWhole(r, &answer)) {
    std::cerr << "mqemu: no answer from queue manager " << qmgr << "\n";
    return 1;
  }
  MQLONG cc = head.cc, rc = head.reason;
  std::string& text = answer.text;
  if (!text.empty() && text.back() != '\n') text += '\n';
  (cc == MQCC_FAILED ? std::cerr : std::cout) << text;
  if (cc == MQCC_WARNING) return rc;
  return cc == MQCC_FAILED ? (rc == MQRC_OPTIONS_ERROR ? 2 : 1) : 0;
}

pid_t PidOf(const std::string& qmgr) {
  return static_cast<pid_t>(std::atol(ReadHomeFile(PidPath(qmgr)).c_str()));
}

// The queue manager's log, read without following a symbolic link.
std::string ReadLog(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return "";
  std::string text;
  char buf[65536];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
  ::close(fd);
  return text;
}

// Whether the process is gone; a zombie that nobody has reaped yet counts
// as gone.
bool Gone(pid_t pid) {
  if (::kill(pid, 0) != 0) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  size_t paren = line.rfind(')');
  return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'Z';
}

}  // namespace

int StartCommand(const Args& args) {
  if (args.empty() || args[0][0] == '-') {
    std::cerr << SubcommandHelp("start");
    return 2;
  }
  const std::string& qmgr = args[0];
  std::vector<std::string> daemon_args = {ProgramDirectory() + "/mqemu-qmgr", qmgr};
  for (size_t i = 1; i < args.size(); ++i) {
    bool platform = args[i] == "--platform" && i + 1 < args.size() &&
                    (args[i + 1] == "unix" || args[i + 1] == "zos");
    if (args[i] != "--default" && args[i] != "--no-command-server" && !platform) {
      std::cerr << "mqemu start: unknown or incomplete option " << args[i] << "\n";
      return 2;
    }
    daemon_args.push_back(args[i]);
    if (platform) daemon_args.push_back(args[++i]);
  }
  std::string log = LogPath(qmgr);
  int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (out < 0) {
    std::cerr << "mqemu start: cannot open " << log << ": " << std::strerror(errno) << "\n";
    return 1;
  }
  // Where this start's part of the log begins.
  const off_t log_start = ::lseek(out, 0, SEEK_END);
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) return 1;
  daemon_args.push_back("--ready-fd");
  daemon_args.push_back(std::to_string(ready[1]));
  pid_t child = ::fork();
  if (child < 0) return 1;
  if (child == 0) {
    ::setsid();
    ::fcntl(ready[1], F_SETFD, 0);
    int in = ::open("/dev/null", O_RDONLY);
    ::dup2(out, 1);
    ::dup2(out, 2);
    if (in >= 0) ::dup2(in, 0);
    std::vector<char*> argv;
    for (auto& a : daemon_args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Double fork: the daemon is not the tool's child, so nobody has to reap it.
    if (::fork() == 0) ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(ready[1]);
  ::close(out);
  ::waitpid(child, nullptr, 0);
  pollfd p{ready[0], POLLIN, 0};
  char ok = 0;
  bool started = ::poll(&p, 1, 20000) == 1 && ::read(ready[0], &ok, 1) == 1 && ok == 1;
  ::close(ready[0]);
  if (!started) {
    std::cerr << "mqemu start: queue manager " << qmgr << " did not start; see " << log << "\n";
    // The log is shared with every other start of this name, so the reason
    // shown is the last failure line a daemon wrote since this start began,
    // not whatever line another start's daemon wrote last ("started"
    // included).
    std::string text = ReadLog(log);
    std::istringstream tail(log_start > 0 && static_cast<size_t>(log_start) <= text.size()
                                ? text.substr(static_cast<size_t>(log_start))
                                : text);
    std::string line, last, reason;
    while (std::getline(tail, line)) {
      if (!line.empty()) last = line;
      if (line.starts_with("mqemu-qmgr: ")) reason = line;
    }
    if (reason.empty()) reason = last;
    if (!reason.empty()) std::cerr << reason << "\n";
    return 1;
  }
  std::cout << "queue manager " << qmgr << " started" << (args.size() > 1 ? " (" : "");
  for (size_t i = 1; i < args.size(); ++i) std::cout << (i > 1 ? " " : "") << args[i];
  std::cout << (args.size() > 1 ? ")" : "") << "\n";
  return 0;
}

int StopCommand(const Args& args) {
  if (args.empty() || args[0][0] == '-') {
    std::cerr << SubcommandHelp("stop");
    return 2;
  }
  const std::string& qmgr = args[0];
  pid_t pid = PidOf(qmgr);
  Args command = {"stop"};
  command.insert(command.end(), args.begin() + 1, args.end());
  if (int status = SendControl(qmgr, command)) return status;
  // Wait until the daemon is gone; a controlled end waits up to five
  // seconds for applications to disconnect.
  for (int i = 0; i < 1000; ++i) {
    bool gone = pid > 0 ? Gone(pid) : ConnectSocket(SocketPath(qmgr)) < 0;
    if (gone) {
      std::cout << "queue manager " << qmgr << " ended\n";
      return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::cerr << "mqemu stop: queue manager " << qmgr << " did not end\n";
  return 1;
}

int ControlCommand(const std::string& name, const Args& args) {
  if (args.empty() || args[0][0] == '-') {
    std::cerr << SubcommandHelp(name.c_str());
    return 2;
  }
  Args command = {name};
  command.insert(command.end(), args.begin() + 1, args.end());
  return SendControl(args[0], command);
}

int MqscCommand(const Args& args) {
  if (args.empty() || args[0][0] == '-') {
    std::cerr << SubcommandHelp("mqsc");
    return 2;
  }
  std::string script;
  if (args.size() > 1) {
    for (size_t i = 1; i < args.size(); ++i) script += (i > 1 ? " " : "") + args[i];
    script += "\n";
  } else {
    std::ostringstream in;
    in << std::cin.rdbuf();
    script = in.str();
  }
  return SendControl(args[0], {"mqsc", script});
}

}  // namespace mqemu
