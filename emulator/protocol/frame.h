// The wire format between the MQI library (and the mqemu tool) and an
// emulated queue manager daemon, over a Unix-domain stream socket.
//
// Every message in either direction is one frame:
//
//   | Length (u32) | Kind (u32) | Payload (Length - 4 bytes) |
//
// Length counts Kind and Payload, so a frame occupies Length + 4 bytes; it is
// never below 4 nor above kMaxFrameLength, which holds the largest message
// with the fields around it. A reader takes memory for a frame as its bytes
// arrive, not as its Length claims, and drops a peer that claims more than
// kMaxFrameLength. All integers are little-endian
// host order (client and daemon run on the same machine). A payload is a
// sequence of fields written by FrameWriter and read back by FrameReader:
//
//   u32 / i32 / u64   4 or 8 bytes
//   bytes(n)          exactly n raw bytes, n known to both sides (an MQMD is
//                     bytes(364): always the full version-2 descriptor)
//   blob              u32 length, then that many bytes (message data, text)
//
// A reader never trusts a length: every field read is checked against the
// bytes really received, and a frame that runs short, or whose blob claims
// more than is left, or that holds bytes past its kind's last field, is
// refused; the daemon then drops that client. Which fields each Kind
// carries is drawn in protocol/frame_kinds.h; every reply begins with i32
// CompCode, i32 Reason.
//
// A connection uses two sockets: the call socket, where every MQI call is
// one request frame answered by one reply frame (carried, once the library
// asks with kShare, by rings in shared memory: shared_ring.h), and the
// delivery socket,
// attached after MQCONN, on which the daemon pushes messages and events to a
// started connection without waiting for any answer (pipelined delivery).
#pragma once

#include <cmqc.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/waiting.h"

namespace mqemu {

class RingEnd;

// The largest message: IBM MQ's largest MaxMsgLength, 100 MB.
constexpr MQLONG kMaxMessageLength = 100 * 1024 * 1024;
// The largest frame: a message of kMaxMessageLength with the fields of the
// frame that carries it (kPut1, the largest, has about 530 bytes of them).
constexpr uint32_t kMaxFrameLength = static_cast<uint32_t>(kMaxMessageLength) + 4096u;

// What a frame is; the fields each kind carries are drawn in
// protocol/frame_kinds.h.
enum class Kind : uint32_t {
  // Requests on the call socket, each answered by a reply of the same kind.
  kConnect = 1,
  kDisconnect = 2,
  kOpen = 3,
  kClose = 4,
  kPut = 5,
  kPut1 = 6,
  kGet = 7,
  kInquire = 8,
  kSet = 9,
  kRegisterConsumer = 10,
  kDeregisterConsumer = 11,
  kStart = 12,
  kStop = 13,
  kRequeue = 14,
  kAttach = 15,  // the first frame on a delivery socket; no reply
  kControl = 16,
  kCommit = 17,
  kBackout = 18,
  kShare = 19,  // move the call socket's frames to shared memory (shared_ring.h)

  // Pushed on the delivery socket:
  kMessage = 100,
  kEvent = 101,
  kStopped = 102,
};

// How the daemon sets the context fields of a message being put.
enum class ContextMode : int32_t {
  kDefault = 0,   // identity and origin from the connection and the clock
  kNone = 1,      // all context fields blank
  kIdentity = 2,  // identity as in the MQMD given, origin from the daemon
  kAll = 3,       // every context field as in the MQMD given
};

// Where a get wants the properties of the message it takes.
enum class PropertiesWanted : int32_t {
  kNone = 0,      // discarded
  kApart = 1,     // in the reply's properties field, for a message handle
  kInMqrfh2 = 2,  // in an MQRFH2 header before the message data
};

class FrameWriter {
 public:
  // Starts a frame at the end of `buffer`: frames written one after another
  // into one buffer go to the socket in one write, with no copy between.
  explicit FrameWriter(Kind kind, std::string buffer = {});
  // Makes room for `more` bytes of fields, so that a large field is not
  // copied again as the frame grows.
  void Reserve(size_t more) { buf_.reserve(buf_.size() + more); }
  void I32(int32_t v);
  void U32(uint32_t v);
  void U64(uint64_t v);
  void Bytes(const void* p, size_t n);
  void Blob(std::string_view s);
  void Blob(const void* p, size_t n) { Blob(std::string_view(static_cast<const char*>(p), n)); }
  // The whole buffer (the frames before this one and this one), the
  // frame's length field filled in.
  const std::string& Finish();
  // Finish, then hands the buffer over to the caller.
  std::string Release() &&;

 private:
  std::string buf_;
  size_t start_;  // where this frame begins in buf_
};

class FrameReader {
 public:
  explicit FrameReader(std::span<const uint8_t> payload) : p_(payload) {}
  // Each returns false, and leaves the reader failed, when the field runs past
  // the end of the payload.
  bool I32(int32_t* v);
  bool U32(uint32_t* v);
  bool U64(uint64_t* v);
  bool Bytes(void* out, size_t n);
  bool Blob(std::string* out);
  bool Blob(std::string_view* out);
  // Marks the reader failed, for a field whose value is out of range;
  // returns false.
  bool Fail() { return ok_ = false; }
  bool ok() const { return ok_; }
  size_t remaining() const { return ok_ ? p_.size() - pos_ : 0; }

 private:
  std::span<const uint8_t> p_;
  size_t pos_ = 0;
  bool ok_ = true;
};

struct Frame {
  Kind kind{};
  std::vector<uint8_t> payload;
  FrameReader Reader() const { return FrameReader(payload); }
};

// Writes all of data to the socket fd (never raising SIGPIPE), retrying on EINTR and short writes.
// Returns false when the peer is gone or on any other error.
bool WriteAll(int fd, std::string_view data);
// Writes as much of data on socket fd as it takes now, without waiting:
// the count written, short of data's size when the socket is full or gone.
size_t SendWithoutWaiting(int fd, std::string_view data);

// Reads frames from one socket through a buffer, so that a burst of small
// pushed frames costs few system calls. Not thread-safe: one reader per fd.
class FrameInput {
 public:
  // A read that would block first polls the socket as `waiting` says.
  explicit FrameInput(int fd, Waiting waiting = Waiting::Never()) : fd_(fd), waiting_(waiting) {}
  FrameInput(const FrameInput&) = delete;
  FrameInput& operator=(const FrameInput&) = delete;
  // From now on reads the frames from `ring` (which waits as it was told)
  // instead of the socket; the ring must outlive the reader. Nothing may be
  // buffered from the socket then.
  void ReadFrom(RingEnd* ring) { ring_ = ring; }
  // Reads the next frame. Returns false at end of stream, on an error, or when
  // the length field is out of range (the caller then closes the socket).
  bool Next(Frame* frame);
  // Whether bytes of a frame are buffered, so that Next need not wait for
  // the peer before they end.
  bool Buffered() const { return end_ > begin_; }
  // Waits until Next has bytes to read (or the stream has ended): true; or
  // until `deadline` passes or `wake_fd` becomes readable first: false, with
  // the wake counted off (an eventfd). Polls the socket first as the waiting
  // policy says, as Next does.
  bool WaitReadable(int wake_fd, std::chrono::steady_clock::time_point deadline);
  // After Next returned false: the Length of a frame refused for being out
  // of range, or 0 when the stream ended or failed.
  uint32_t refused_length() const { return refused_length_; }

 private:
  static constexpr size_t kBufferSize = 64 * 1024;
  // Reads until at least `need` bytes are buffered. The buffer grows with
  // the bytes that arrive, to at most twice what has arrived, never to what
  // a length field merely claims.
  bool Fill(size_t need);
  int fd_;
  Waiting waiting_;
  RingEnd* ring_ = nullptr;
  std::vector<uint8_t> buf_ = std::vector<uint8_t>(kBufferSize);
  size_t begin_ = 0, end_ = 0;
  uint32_t refused_length_ = 0;
};

}  // namespace mqemu
