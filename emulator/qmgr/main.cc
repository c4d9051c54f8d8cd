// mqemu-qmgr: the daemon of one emulated queue manager. The mqemu tool's
// start subcommand runs it in the background:
//
//   mqemu-qmgr QMGR [--default] [--no-command-server] [--platform unix|zos]
//              [--ready-fd N]
//
// It refuses a home that is not the user's own, holds QMGR.lock locked so
// that no other daemon of that name starts, listens on $MQEMU_HOME/QMGR.sock,
// writes QMGR.pid (and the "default" file with --default; when a file
// cannot be written, the start fails), writes one byte to descriptor N once
// it accepts connections, and serves each client socket on a thread of its
// own. The first frame of a socket says what it is: kConnect (a
// connection's call socket), kAttach (a connection's delivery socket) or
// kControl (the tool).
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "protocol/endpoint.h"
#include "protocol/frame.h"
#include "protocol/frame_kinds.h"
#include "qmgr/command_server.h"
#include "qmgr/control.h"
#include "qmgr/queue_manager.h"
#include "qmgr/session.h"

namespace mqemu {
namespace {

uint32_t next_session_id = 1;  // guarded by Qm().mu

void ServeControl(int fd, const Frame& first) {
  FrameInput in(fd);
  Frame request = first;
  do {
    if (request.kind != Kind::kControl) return;
    FrameReader r = request.Reader();
    ControlCall call;
    if (!DecodeWhole(r, &call)) return;
    ControlReply reply;
    Status st = RunControl(call.args, &reply.text);
    FrameWriter w(Kind::kControl);
    EncodeReply(w, st.cc, st.rc, reply);
    if (!WriteAll(fd, w.Finish())) return;
  } while (in.Next(&request));
  LogRefusedFrame(fd, in);
}

void ServeClient(int fd) {
  Frame first;
  {
    FrameInput in(fd);
    // Only the first frame is read here; the client waits for its answer
    // before sending more, so nothing is left in this reader's buffer.
    if (!in.Next(&first)) {
      LogRefusedFrame(fd, in);
      ::close(fd);
      return;
    }
  }
  QueueManager& qm = Qm();
  if (first.kind == Kind::kConnect) {
    std::shared_ptr<Session> s;
    {
      std::lock_guard lock(qm.mu);
      s = std::make_shared<Session>(next_session_id++, fd);
      qm.sessions.emplace(s->id, s);
    }
    s->ServeCalls(first);
  } else if (first.kind == Kind::kAttach) {
    AttachCall attach;
    std::shared_ptr<Session> s;
    if (FrameReader r = first.Reader(); DecodeWhole(r, &attach)) {
      std::lock_guard lock(qm.mu);
      auto it = qm.sessions.find(attach.session);
      if (it != qm.sessions.end()) s = it->second;
    }
    if (s) s->ServeDelivery(fd, attach.shared != 0);
  } else {
    ServeControl(fd, first);
  }
  ::close(fd);
}

int Listen(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return -1;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  ::unlink(path.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 512) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int Run(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::fprintf(stderr,
                 "usage: mqemu-qmgr QMGR [--default] [--no-command-server] [--platform unix|zos]"
                 " [--ready-fd N]\n");
    return 2;
  }
  std::string name = argv[1];
  bool make_default = false, command_server = true;
  int ready_fd = -1;
  MQLONG platform = MQPL_UNIX;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--default") {
      make_default = true;
    } else if (a == "--no-command-server") {
      command_server = false;
    } else if (a == "--platform" && i + 1 < argc &&
               (std::strcmp(argv[i + 1], "unix") == 0 || std::strcmp(argv[i + 1], "zos") == 0)) {
      platform = std::strcmp(argv[++i], "zos") == 0 ? MQPL_ZOS : MQPL_UNIX;
    } else if (a == "--ready-fd" && i + 1 < argc) {
      ready_fd = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "mqemu-qmgr: unknown option %s\n", a.c_str());
      return 2;
    }
  }
  if (!ValidQueueManagerName(name)) {
    std::fprintf(stderr,
                 "mqemu-qmgr: a queue manager name has 1 to 48 of the characters A-Z a-z 0-9 . _ "
                 "%%\n");
    return 2;
  }
  if (std::string problem = HomeProblem(); !problem.empty()) {
    std::fprintf(stderr, "mqemu-qmgr: %s\n", problem.c_str());
    return 1;
  }
  ::signal(SIGPIPE, SIG_IGN);
  // SIGTERM and SIGINT end the queue manager at once; they are taken by a
  // thread of their own, so every other thread keeps them blocked.
  sigset_t ending;
  sigemptyset(&ending);
  sigaddset(&ending, SIGTERM);
  sigaddset(&ending, SIGINT);
  pthread_sigmask(SIG_BLOCK, &ending, nullptr);
  // One daemon per name: it holds the name's lock file locked while it runs
  // (the lock ends with the process, however it ends).
  int lock = ::open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (lock < 0) {
    std::fprintf(stderr, "mqemu-qmgr: cannot open %s: %s\n", LockPath(name).c_str(),
                 std::strerror(errno));
    return 1;
  }
  if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
    std::fprintf(stderr, "mqemu-qmgr: queue manager %s is already running\n", name.c_str());
    return 1;
  }
  // A socket's path is limited to what sockaddr_un holds; a longer home
  // could never be listened on, whatever else is right with it.
  if (std::string path = SocketPath(name); path.size() >= sizeof(sockaddr_un{}.sun_path)) {
    std::fprintf(stderr,
                 "mqemu-qmgr: the home is too deep for a socket: %s has %zu characters, at "
                 "most %zu fit; choose a shorter MQEMU_HOME\n",
                 path.c_str(), path.size(), sizeof(sockaddr_un{}.sun_path) - 1);
    return 1;
  }
  Qm().Init(name, platform);
  int listener = Listen(SocketPath(name));
  if (listener < 0) {
    std::fprintf(stderr, "mqemu-qmgr: cannot listen on %s: %s\n", SocketPath(name).c_str(),
                 std::strerror(errno));
    return 1;
  }
  std::string failure = WriteHomeFile(PidPath(name), std::to_string(::getpid()) + "\n");
  if (failure.empty() && make_default) failure = WriteHomeFile(DefaultFilePath(), name + "\n");
  if (!failure.empty()) {
    std::fprintf(stderr, "mqemu-qmgr: %s\n", failure.c_str());
    ::unlink(SocketPath(name).c_str());
    ::unlink(PidPath(name).c_str());
    return 1;
  }
  if (command_server) StartCommandServer();
  std::thread([ending] {
    int sig = 0;
    sigwait(&ending, &sig);
    EndQueueManager(true, MQRC_Q_MGR_STOPPING);
  }).detach();
  std::printf("queue manager %s started (pid %d)\n", name.c_str(), static_cast<int>(::getpid()));
  std::fflush(stdout);
  if (ready_fd >= 0) {
    char ok = 1;
    (void)!::write(ready_fd, &ok, 1);
    ::close(ready_fd);
  }
  for (;;) {
    int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE) {
        if (errno == EMFILE || errno == ENFILE)
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      return 1;
    }
    std::thread(ServeClient, fd).detach();
  }
}

}  // namespace
}  // namespace mqemu

int main(int argc, char** argv) {
  return mqemu::Run(argc, argv);
}
