// Where emulated queue managers live and how a client reaches one.
//
// Everything of a queue manager is kept under the directory $MQEMU_HOME
// (default /tmp/mqemu-<uid>): "<QMGR>.sock" is the socket it listens on,
// "<QMGR>.pid" its process id, "<QMGR>.log" its standard output and error,
// "<QMGR>.lock" the file its daemon holds locked while it runs, and the file
// "default" holds the name of the default queue manager. Tests isolate
// themselves by pointing MQEMU_HOME at a directory of their own.
//
// The home is all that guards the sockets and files, so it must be the
// user's own: a directory (not a symbolic link) that belongs to the user
// and that nobody else may enter, read or write. The tool, the daemon and
// MQCONN refuse a home that is not (HomeProblem), and its files are never
// opened through a symbolic link.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>

#include "protocol/frame.h"
#include "protocol/shared_ring.h"

namespace mqemu {

// $MQEMU_HOME, or /tmp/mqemu-<uid>; the directory is created (mode 0700) when
// missing.
std::string HomeDirectory();
std::string SocketPath(std::string_view qmgr);
std::string PidPath(std::string_view qmgr);
std::string LogPath(std::string_view qmgr);
std::string LockPath(std::string_view qmgr);
std::string DefaultFilePath();

// Why the home may not be used, or "" when it may (see above). Creates the
// home first when it is missing.
std::string HomeProblem();
// The same rule for a home at `path` whose lstat gave `st`, for user `uid`.
std::string HomeProblem(const std::string& path, const struct stat& st, uid_t uid);

// Whether a queue manager name can be used: 1 to 48 of the characters IBM
// MQ allows in names (A-Z, a-z, 0-9, '.', '_', '%'), except '/', since the
// name is part of file names in the home.
bool ValidQueueManagerName(std::string_view name);

// The contents of a small file of the home (at most 4 KB are read), or ""
// when it cannot be read or is a symbolic link.
std::string ReadHomeFile(const std::string& path);
// Replaces a file of the home with `text`, whole or not at all: the text is
// written to a new file beside it, which is then renamed over it (so a
// symbolic link in its place is replaced, never followed). Returns "", or
// why it failed (a full disk, say), leaving the old file as it was.
std::string WriteHomeFile(const std::string& path, std::string_view text);

// The name in the "default" file, or "" when there is none.
std::string DefaultQueueManager();

// Connects a stream socket to path. Returns the descriptor, or -1 (errno set).
// With nonblocking the socket does not block, nor does the connect: a
// listener whose backlog is full makes it fail with EAGAIN.
int ConnectSocket(const std::string& path, bool nonblocking = false);

// One request/reply socket to a daemon. Not thread-safe: callers serialise.
class Channel {
 public:
  Channel() = default;
  ~Channel();
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  // Connects to the named queue manager's socket; false when it is not
  // running.
  bool Open(std::string_view qmgr);
  // Sends a finished frame and reads the reply into *reply. Returns false when
  // the daemon is gone or sent something unreadable; the channel is then
  // closed.
  bool Call(const std::string& frame, Frame* reply);
  // After a connect: asks the daemon to share a region (kShare), and from
  // then on calls go through it (shared_ring.h). False, the socket still
  // in use, when the daemon did not share one; the channel is closed when
  // it did not answer at all or shared a region that cannot be mapped.
  bool Share();
  bool shared() const { return ring_ != nullptr; }
  // The shared region, or null.
  std::shared_ptr<SharedRegion> region() const { return ring_ ? ring_->shared_region() : nullptr; }
  void Close();
  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::unique_ptr<FrameInput> in_;
  std::unique_ptr<RingEnd> ring_;
};

// Whether this process's connections move their calls to shared memory:
// yes, unless MQEMU_SHARED_MEMORY is "0" (for measuring the socket alone).
bool SharedCallsWanted();

}  // namespace mqemu
