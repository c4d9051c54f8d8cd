// Locations under $MQEMU_HOME and the client side of the call socket.
#include "protocol/endpoint.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "protocol/frame_kinds.h"

namespace mqemu {

std::string HomeDirectory() {
  const char* env = std::getenv("MQEMU_HOME");
  std::string dir = env && *env ? env : "/tmp/mqemu-" + std::to_string(::getuid());
  ::mkdir(dir.c_str(), 0700);
  return dir;
}

std::string SocketPath(std::string_view qmgr) {
  return HomeDirectory() + "/" + std::string(qmgr) + ".sock";
}
std::string PidPath(std::string_view qmgr) {
  return HomeDirectory() + "/" + std::string(qmgr) + ".pid";
}
std::string LogPath(std::string_view qmgr) {
  return HomeDirectory() + "/" + std::string(qmgr) + ".log";
}
std::string LockPath(std::string_view qmgr) {
  return HomeDirectory() + "/" + std::string(qmgr) + ".lock";
}
std::string DefaultFilePath() {
  return HomeDirectory() + "/default";
}

std::string HomeProblem() {
  std::string home = HomeDirectory();
  struct stat st;
  if (::lstat(home.c_str(), &st) != 0) {
    return "cannot use the home " + home + ": " + std::strerror(errno);
  }
  return HomeProblem(home, st, ::getuid());
}

std::string HomeProblem(const std::string& path, const struct stat& st, uid_t uid) {
  if (S_ISLNK(st.st_mode)) return "the home " + path + " is a symbolic link";
  if (!S_ISDIR(st.st_mode)) return "the home " + path + " is not a directory";
  if (st.st_uid != uid) {
    return "the home " + path + " belongs to user " + std::to_string(st.st_uid) + ", not to user " +
           std::to_string(uid);
  }
  if (st.st_mode & (S_IRWXG | S_IRWXO)) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return "the home " + path + " is open to other users (mode " + mode + "); chmod 700 " + path +
           " makes it private";
  }
  return "";
}

bool ValidQueueManagerName(std::string_view name) {
  return !name.empty() && name.size() <= MQ_Q_MGR_NAME_LENGTH &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '_' || c == '%';
         });
}

std::string ReadHomeFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return "";
  char buf[4096];
  ssize_t n;
  do {
    n = ::read(fd, buf, sizeof buf);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "";
}

std::string WriteHomeFile(const std::string& path, std::string_view text) {
  std::string temporary = path + ".new" + std::to_string(::getpid());
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return "cannot write " + temporary + ": " + std::strerror(errno);
  bool written = true;
  while (written && !text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) text.remove_prefix(static_cast<size_t>(n));
  }
  int error = written ? 0 : errno;
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
    written = false;
    error = errno;
  }
  if (written) return "";
  ::unlink(temporary.c_str());
  return "cannot write " + path + ": " + std::strerror(error ? error : ENOSPC);
}

std::string DefaultQueueManager() {
  std::string text = ReadHomeFile(DefaultFilePath());
  return text.substr(0, text.find('\n'));
}

int ConnectSocket(const std::string& path, bool nonblocking) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (nonblocking ? SOCK_NONBLOCK : 0), 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return fd;
}

Channel::~Channel() {
  Close();
}

bool Channel::Open(std::string_view qmgr) {
  Close();
  fd_ = ConnectSocket(SocketPath(qmgr));
  if (fd_ < 0) return false;
  in_ = std::make_unique<FrameInput>(fd_, Waiting::FromEnvironment());
  return true;
}

bool Channel::Call(const std::string& frame, Frame* reply) {
  if (fd_ < 0) return false;
  bool sent = ring_ ? ring_->Write(frame) : WriteAll(fd_, frame);
  if (sent && in_->Next(reply)) return true;
  Close();
  return false;
}

bool Channel::Share() {
  if (fd_ < 0 || ring_) return ring_ != nullptr;
  std::string reply;
  int region_fd = -1;
  if (!WriteAll(fd_, EncodeFrame(ShareCall{}).Finish()) ||
      !ReceiveWithDescriptor(fd_, &reply, &region_fd)) {
    Close();
    return false;
  }
  FrameReader r(std::span(reinterpret_cast<const uint8_t*>(reply.data()) + 8, reply.size() - 8));
  ReplyHead head;
  if (!Decode(r, &head) || head.cc != MQCC_OK) {
    if (region_fd >= 0) ::close(region_fd);
    return false;
  }
  // The daemon has moved to the rings: a region this side cannot map
  // leaves no way to go on.
  std::shared_ptr<SharedRegion> region = region_fd >= 0 ? SharedRegion::Map(region_fd) : nullptr;
  if (!region) {
    Close();
    return false;
  }
  region->CloseDescriptor();
  ring_ = std::make_unique<RingEnd>(std::move(region), SharedRegion::kToDaemon, fd_);
  in_->ReadFrom(ring_.get());
  return true;
}

void Channel::Close() {
  if (ring_) ring_->region().Close();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  in_.reset();
  ring_.reset();
}

bool SharedCallsWanted() {
  static const bool wanted = [] {
    const char* text = std::getenv("MQEMU_SHARED_MEMORY");
    return !(text && std::string_view(text) == "0");
  }();
  return wanted;
}

}  // namespace mqemu
