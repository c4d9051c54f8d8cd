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
//   u32 / i32 / i64   4 or 8 bytes
//   bytes(n)          exactly n raw bytes, n known to both sides (an MQMD is
//                     bytes(364): always the full version-2 descriptor)
//   blob              u32 length, then that many bytes (message data, text)
//
// A reader never trusts a length: every field read is checked against the
// bytes really received, and a frame that runs short, or whose blob claims
// more than is left, makes the reader fail; the daemon then drops that
// client. Which fields each Kind carries is written beside the Kind below
// ("->" request, "<-" reply); every reply begins with i32 CompCode, i32
// Reason.
//
// A connection uses two sockets: the call socket, where every MQI call is
// one request frame answered by one reply frame, and the delivery socket,
// attached after MQCONN, on which the daemon pushes messages and events to a
// started connection without waiting for any answer (pipelined delivery).
#pragma once

#include <cmqc.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/waiting.h"

namespace mqemu {

// The largest message: IBM MQ's largest MaxMsgLength, 100 MB.
constexpr MQLONG kMaxMessageLength = 100 * 1024 * 1024;
// The largest frame: a message of kMaxMessageLength with the fields of the
// frame that carries it (kPut1, the largest, has about 530 bytes of them).
constexpr uint32_t kMaxFrameLength = static_cast<uint32_t>(kMaxMessageLength) + 4096u;

enum class Kind : uint32_t {
  // -> i32 cno_version, blob user, blob appl_name, i32 pid, blob qmgr
  // <- cc, rc, u32 session, bytes(48) qmgr name
  kConnect = 1,
  // -> (nothing)                               <- cc, rc
  kDisconnect = 2,
  // -> i32 type, bytes(48) name, bytes(48) qmgr, bytes(48) dynamic, i32 options
  // <- cc, rc, i32 hobj, bytes(48) name, bytes(48) resolved qmgr
  kOpen = 3,
  // -> i32 hobj, i32 options                   <- cc, rc
  kClose = 4,
  // -> i32 hobj, i32 pmo options, i32 context mode, bytes(364) md, blob data
  // <- cc, rc, bytes(364) md
  kPut = 5,
  // -> the kOpen request fields, then the kPut fields without hobj
  // <- cc, rc, bytes(364) md
  kPut1 = 6,
  // -> i32 hobj, i32 gmo options, i32 match options, i32 wait ms,
  //    i32 buffer length, bytes(364) md
  // <- cc, rc, bytes(364) md, i32 data length, blob data (at most buffer length)
  kGet = 7,
  // -> i32 hobj, i32 count, count x i32 selector, i32 int count, i32 char length
  // <- cc, rc, i32 n, n x i32 value, blob chars
  kInquire = 8,
  // -> i32 hobj, i32 count, count x i32 selector, i32 n, n x i32, blob chars
  // <- cc, rc
  kSet = 9,
  // -> i32 hobj, i32 gmo options, i32 match options, bytes(364) md
  // <- cc, rc          (register or replace the consumer of hobj)
  kRegisterConsumer = 10,
  // -> i32 hobj                                <- cc, rc
  kDeregisterConsumer = 11,
  // -> (nothing)                               <- cc, rc
  kStart = 12,
  // -> (nothing)   <- cc, rc; the delivery socket then carries kStopped
  kStop = 13,
  // -> i32 count, count x (i32 hobj, bytes(364) md, blob data)  <- cc, rc
  // Messages pushed before a stop and not delivered go back to the front of
  // their queues, in order.
  kRequeue = 14,
  // -> u32 session (first frame on a delivery socket)   no reply
  kAttach = 15,
  // -> i32 argc, argc x blob argument   <- cc, rc, blob text
  // The mqemu tool's administration and fault controls.
  kControl = 16,
  // -> (nothing)   <- cc, rc: the connection's unit of work ends
  kCommit = 17,
  kBackout = 18,

  // Pushed on the delivery socket:
  // i32 hobj, bytes(364) md, blob data
  kMessage = 100,
  // i32 hobj (MQHO_NONE for the connection), i32 compcode, i32 reason
  kEvent = 101,
  // (nothing): no message follows until the next kStart
  kStopped = 102,
};

// How the daemon sets the context fields of a message being put.
enum class ContextMode : int32_t {
  kDefault = 0,   // identity and origin from the connection and the clock
  kNone = 1,      // all context fields blank
  kIdentity = 2,  // identity as in the MQMD given, origin from the daemon
  kAll = 3,       // every context field as in the MQMD given
};

class FrameWriter {
 public:
  explicit FrameWriter(Kind kind);
  void I32(int32_t v);
  void U32(uint32_t v);
  void Bytes(const void* p, size_t n);
  void Blob(std::string_view s);
  void Blob(const void* p, size_t n) { Blob(std::string_view(static_cast<const char*>(p), n)); }
  // The whole frame, length field filled in.
  const std::string& Finish();

 private:
  std::string buf_;
};

class FrameReader {
 public:
  explicit FrameReader(std::span<const uint8_t> payload) : p_(payload) {}
  // Each returns false, and leaves the reader failed, when the field runs past
  // the end of the payload.
  bool I32(int32_t* v);
  bool U32(uint32_t* v);
  bool Bytes(void* out, size_t n);
  bool Blob(std::string* out);
  bool Blob(std::string_view* out);
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

// Reads frames from one socket through a buffer, so that a burst of small
// pushed frames costs few system calls. Not thread-safe: one reader per fd.
class FrameInput {
 public:
  // A read that would block first polls the socket as `waiting` says.
  explicit FrameInput(int fd, Waiting waiting = Waiting::Never()) : fd_(fd), waiting_(waiting) {}
  FrameInput(const FrameInput&) = delete;
  FrameInput& operator=(const FrameInput&) = delete;
  // Reads the next frame. Returns false at end of stream, on an error, or when
  // the length field is out of range (the caller then closes the socket).
  bool Next(Frame* frame);
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
  std::vector<uint8_t> buf_ = std::vector<uint8_t>(kBufferSize);
  size_t begin_ = 0, end_ = 0;
  uint32_t refused_length_ = 0;
};

}  // namespace mqemu
