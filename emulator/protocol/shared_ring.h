// The call channel of a connection in shared memory: once connected, the
// library asks the daemon to share (kShare), and from then on request and
// reply frames go through two rings in one memory region that both map,
// instead of through the socket; a third ring carries what the daemon
// pushes to the connection's consumers, when the library asks for that as
// it attaches its delivery socket (AttachCall). A call whose peer is running on the other
// CPU then costs no system call at all: the writer copies the frame into
// the ring and the reader, polling the ring, finds it within a microsecond.
// A poller gives its CPU away (sched_yield) when the peer shares that CPU,
// and so could not answer while it polls, or has been slow to answer. A
// reader that finds nothing after its poll sleeps on a futex, and the
// writer wakes it; a writer about to wait long itself (a get waiting for a
// message) says so, and its reader sleeps at once. The socket stays open
// beside the rings: the daemon sends the region's descriptor over it, and
// its end tells either side that the other is gone.
//
// The region, created by the daemon (a sealed memfd, so that a client
// cannot shrink it under the daemon), is laid out as
//
//   | RingControl to_daemon | to_client | pushes |   (kControlBytes)
//   | to_daemon data | to_client data | pushes data |   (kRingBytes each)
//
// Each ring is a byte stream with one writer and one reader. Its counters
// only grow: `written` is the number of bytes the writer has put in ever,
// `read` the number the reader has taken; byte i of the stream lies at
// data[i % kRingBytes]. The writer owns `written`, the reader `read`, and
// each side keeps its own counter to itself and only publishes it, so a
// peer that scribbles on the region can spoil its own bytes, never make the
// daemon read or write outside the region: a peer counter that claims more
// than the ring holds ends the channel.
//
// Waking (for each direction; the same for the writer waiting for room):
// the reader reads `data_signal`, sets `reader_waiting`, looks at `written`
// once more and sleeps on the futex `data_signal` only when there is still
// nothing; the writer publishes `written`, then, if `reader_waiting` is
// set, bumps `data_signal` and wakes it. All four are sequentially
// consistent, so a wake cannot be lost between look and sleep. A sleeper
// wakes at least every kCheckEvery to see whether the peer has gone (its
// socket ended) or closed the region.
//
// Where each side runs: an end publishes the CPU it last ran on as the
// writer of the ring it writes and as the reader of the ring it reads; a
// poller compares its own CPU with its peer's on the ring it waits on.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "protocol/waiting.h"

namespace mqemu {

struct alignas(64) RingControl {
  alignas(64) std::atomic<uint64_t> written{0};
  alignas(64) std::atomic<uint64_t> read{0};
  alignas(64) std::atomic<uint32_t> reader_waiting{0};
  std::atomic<uint32_t> data_signal{0};
  std::atomic<uint32_t> writer_waiting{0};
  std::atomic<uint32_t> space_signal{0};
  std::atomic<uint32_t> closed{0};  // set by either side: the channel is over
  // Set by the writer while it waits for something other than its reader
  // (a get waiting for a message): its next bytes will not come soon, so
  // the reader sleeps at once instead of polling.
  std::atomic<uint32_t> writer_parked{0};
  // The CPU the writer and the reader last ran on, as they wrote, read or
  // polled: a poller on its peer's CPU gives way at once (RingEnd::Await).
  std::atomic<int32_t> writer_cpu{-1};
  std::atomic<int32_t> reader_cpu{-1};
};
static_assert(std::atomic<int32_t>::is_always_lock_free);
static_assert(std::atomic<uint64_t>::is_always_lock_free);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

// One connection's shared region, mapped.
class SharedRegion {
 public:
  static constexpr size_t kControlBytes = 4096;
  static constexpr size_t kRingBytes = 256 * 1024;
  static constexpr int kRings = 3;
  static constexpr size_t kRegionBytes = kControlBytes + kRings * kRingBytes;
  static constexpr std::chrono::milliseconds kCheckEvery{100};

  // The daemon's side: a new region and its descriptor (see fd()). Null
  // when the system refuses memory for it.
  static std::unique_ptr<SharedRegion> Create();
  // The library's side: maps the region of descriptor fd, which it takes
  // over. Null when fd is not a region of kRegionBytes.
  static std::unique_ptr<SharedRegion> Map(int fd);
  ~SharedRegion();
  SharedRegion(const SharedRegion&) = delete;
  SharedRegion& operator=(const SharedRegion&) = delete;

  // The memfd; -1 after CloseDescriptor (the mapping stays).
  int fd() const { return fd_; }
  void CloseDescriptor();
  RingControl& control(int ring) { return reinterpret_cast<RingControl*>(base_)[ring]; }
  uint8_t* data(int ring) { return base_ + kControlBytes + static_cast<size_t>(ring) * kRingBytes; }
  // Ends the channel for both sides and wakes whoever sleeps on it.
  void Close();

  static constexpr int kToDaemon = 0;  // calls
  static constexpr int kToClient = 1;  // their replies
  static constexpr int kPushes = 2;    // pushed messages and events
  static constexpr int kNoRing = -1;

 private:
  SharedRegion(int fd, uint8_t* base) : fd_(fd), base_(base) {}
  int fd_;
  uint8_t* base_;
};

// One side's end of the rings: it writes one, reads one, or both.
// `socket` is the connection's socket, watched for the peer's going. Not
// thread-safe but for Interrupt: the owner serialises (one call at a time).
class RingEnd {
 public:
  // The call channel's end that writes `write_ring` and reads the other of
  // kToDaemon and kToClient. `waiting` is the process's ring policy unless
  // a test says otherwise.
  RingEnd(std::shared_ptr<SharedRegion> region, int write_ring, int socket,
          Waiting waiting = Waiting::FromEnvironment(Waiting::kRingSpinMicroseconds))
      : RingEnd(std::move(region), write_ring, 1 - write_ring, socket, waiting) {}
  // An end of one direction only: the other ring is kNoRing. Write needs a
  // write ring, Read and WaitReadable a read ring.
  RingEnd(std::shared_ptr<SharedRegion> region, int write_ring, int read_ring, int socket,
          Waiting waiting = Waiting::FromEnvironment(Waiting::kRingSpinMicroseconds));
  // Writes all of data, waiting for room as the reader takes it. False
  // when the peer has gone or the region is closed or spoiled.
  bool Write(std::string_view data);
  // Writes as much of data as there is room for now, without waiting: the
  // count written, 0 too when the peer has gone.
  size_t WriteSome(std::string_view data);
  // Reads at least one and at most `size` bytes, waiting for them as the
  // waiting policy says. Returns the count, or 0 when the peer has gone or
  // the region is closed or spoiled.
  size_t Read(uint8_t* out, size_t size);
  // Waits, as Read does, until bytes are there to read or the peer has gone
  // (true: Read then returns at once), or until `deadline` passes or
  // another thread calls Interrupt (false).
  bool WaitReadable(std::chrono::steady_clock::time_point deadline);
  // From any thread: ends the WaitReadable under way, or the next one.
  void Interrupt();
  SharedRegion& region() { return *region_; }
  const std::shared_ptr<SharedRegion>& shared_region() const { return region_; }
  // Tells the reader of this side's ring whether to expect the next bytes
  // soon (see RingControl::writer_parked).
  void Park(bool parked) { out_->writer_parked.store(parked ? 1 : 0); }

 private:
  enum class Awaited { kReady, kGone, kTimedOut };
  // Waits on `ring` until `ready`, the peer is gone or `deadline` passes:
  // for data to read when `data`, else for room to write. Polls first
  // unless the policy or a parked writer says to sleep at once.
  template <typename Ready>
  Awaited Await(RingControl& ring, bool data, Ready ready,
                std::chrono::steady_clock::time_point deadline =
                    std::chrono::steady_clock::time_point::max());
  bool PeerGone();
  void PublishCpu(int cpu);
  // The bytes written to the read ring that this side has not read, or
  // false (and failed_) when its counter is past belief.
  bool Available(uint64_t* available);
  // The room left in the write ring, or false (and failed_) likewise.
  bool Room(uint64_t* room);
  void CopyIn(std::string_view data);

  // How a poll spends its time: kLooksBetweenYields looks at the ring, then
  // a yield when the peer shares this CPU or has not answered after
  // kSpinAlone.
  static constexpr int kLooksBetweenYields = 8;
  static constexpr std::chrono::microseconds kSpinAlone{3};

  std::shared_ptr<SharedRegion> region_;
  RingControl* out_;  // null for a reading end only
  RingControl* in_;   // null for a writing end only
  uint8_t* out_data_;
  const uint8_t* in_data_;
  int socket_;
  Waiting waiting_;
  uint64_t written_ = 0;  // this side's own counters
  uint64_t read_ = 0;
  bool failed_ = false;
  std::atomic<bool> interrupted_{false};
};

// Sends `data` on the socket with descriptor `fd` attached (SCM_RIGHTS).
bool SendWithDescriptor(int socket, std::string_view data, int fd);
// Reads one whole frame from the socket, at most kMaxShareReply bytes, and
// the descriptor attached to it: its bytes (Length and Kind first) and
// *fd, or -1 when none came. False when the socket ended or the frame is
// longer.
constexpr size_t kMaxShareReply = 256;
bool ReceiveWithDescriptor(int socket, std::string* frame, int* fd);

}  // namespace mqemu
