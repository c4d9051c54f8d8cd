// Locations under $MQEMU_HOME and the client side of the call socket.
#include "protocol/endpoint.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

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
std::string DefaultFilePath() {
  return HomeDirectory() + "/default";
}

std::string DefaultQueueManager() {
  std::ifstream in(DefaultFilePath());
  std::string name;
  std::getline(in, name);
  return name;
}

std::string TrimName(const char* field, size_t length) {
  size_t n = 0;
  while (n < length && field[n] != '\0' && field[n] != ' ') ++n;
  return std::string(field, n);
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
  in_ = std::make_unique<FrameInput>(fd_, kSpinMicroseconds);
  return true;
}

bool Channel::Call(const std::string& frame, Frame* reply) {
  if (fd_ < 0) return false;
  if (WriteAll(fd_, frame) && in_->Next(reply)) return true;
  Close();
  return false;
}

void Channel::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  in_.reset();
}

}  // namespace mqemu
