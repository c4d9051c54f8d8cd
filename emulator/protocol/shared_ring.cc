// The shared-memory call channel (see shared_ring.h).
#include "protocol/shared_ring.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace mqemu {
namespace {

static_assert(SharedRegion::kRings * sizeof(RingControl) <= SharedRegion::kControlBytes);

// Sleeps while word holds `expected`, at most `timeout`; true when the time
// ran out.
bool FutexWait(std::atomic<uint32_t>& word, uint32_t expected, std::chrono::nanoseconds timeout) {
  timespec ts{static_cast<time_t>(timeout.count() / 1'000'000'000),
              static_cast<long>(timeout.count() % 1'000'000'000)};
  return ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAIT, expected, &ts,
                   nullptr, 0) != 0 &&
         errno == ETIMEDOUT;
}

void FutexWake(std::atomic<uint32_t>& word) {
  ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAKE, 1, nullptr, nullptr, 0);
}

void Wake(std::atomic<uint32_t>& waiting_flag, std::atomic<uint32_t>& signal) {
  if (waiting_flag.load()) {
    signal.fetch_add(1);
    FutexWake(signal);
  }
}

inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

std::unique_ptr<SharedRegion> SharedRegion::Create() {
  int fd = ::memfd_create("mqemu-call", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) return nullptr;
  if (::ftruncate(fd, kRegionBytes) != 0 ||
      ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::unique_ptr<SharedRegion> region = Map(fd);
  if (region) {
    for (int ring = 0; ring < kRings; ++ring) new (&region->control(ring)) RingControl;
  }
  return region;
}

std::unique_ptr<SharedRegion> SharedRegion::Map(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      st.st_size != static_cast<off_t>(kRegionBytes)) {
    ::close(fd);
    return nullptr;
  }
  void* base = ::mmap(nullptr, kRegionBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (base == MAP_FAILED) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<SharedRegion>(new SharedRegion(fd, static_cast<uint8_t*>(base)));
}

SharedRegion::~SharedRegion() {
  ::munmap(base_, kRegionBytes);
  CloseDescriptor();
}

void SharedRegion::CloseDescriptor() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void SharedRegion::Close() {
  for (int ring = 0; ring < kRings; ++ring) {
    RingControl& c = control(ring);
    c.closed.store(1);
    c.data_signal.fetch_add(1);
    c.space_signal.fetch_add(1);
    FutexWake(c.data_signal);
    FutexWake(c.space_signal);
  }
}

RingEnd::RingEnd(std::shared_ptr<SharedRegion> region, int write_ring, int read_ring, int socket,
                 Waiting waiting)
    : region_(std::move(region)),
      out_(write_ring == SharedRegion::kNoRing ? nullptr : &region_->control(write_ring)),
      in_(read_ring == SharedRegion::kNoRing ? nullptr : &region_->control(read_ring)),
      out_data_(out_ ? region_->data(write_ring) : nullptr),
      in_data_(in_ ? region_->data(read_ring) : nullptr),
      socket_(socket),
      waiting_(waiting) {}

bool RingEnd::PeerGone() {
  if ((out_ && out_->closed.load()) || (in_ && in_->closed.load())) return true;
  // Nothing is sent on the socket once the rings are in use: anything
  // readable on it, its end above all, means the peer is gone.
  pollfd p{socket_, POLLIN | POLLRDHUP, 0};
  return ::poll(&p, 1, 0) == 1 && p.revents != 0;
}

void RingEnd::PublishCpu(int cpu) {
  if (out_) out_->writer_cpu.store(cpu, std::memory_order_relaxed);
  if (in_) in_->reader_cpu.store(cpu, std::memory_order_relaxed);
}

template <typename Ready>
RingEnd::Awaited RingEnd::Await(RingControl& ring, bool data, Ready ready,
                                std::chrono::steady_clock::time_point deadline) {
  if (ready()) return Awaited::kReady;
  std::atomic<uint32_t>& waiting_flag = data ? ring.reader_waiting : ring.writer_waiting;
  std::atomic<uint32_t>& signal = data ? ring.data_signal : ring.space_signal;
  const std::atomic<int32_t>& peer_cpu = data ? ring.writer_cpu : ring.reader_cpu;
  auto peer_parked = [&] { return data && ring.writer_parked.load(std::memory_order_relaxed); };
  auto poll = peer_parked() ? std::chrono::microseconds(0) : waiting_.PollFor();
  if (poll.count() > 0) {
    auto now = std::chrono::steady_clock::now();
    const auto until = std::min(deadline, now + poll);
    const auto alone_until = now + kSpinAlone;
    do {
      // A peer that last ran on this CPU cannot answer until this thread
      // lets it run. One on another CPU answers within a microsecond or two
      // when it runs; when it has not after kSpinAlone it is waiting for
      // its CPU, and the threads waiting for this one go first.
      const int cpu = ::sched_getcpu();
      PublishCpu(cpu);
      if (cpu == peer_cpu.load(std::memory_order_relaxed) || now >= alone_until) {
        ::sched_yield();
      }
      for (int i = 0; i < kLooksBetweenYields; ++i) {
        if (ready()) {
          waiting_.Caught();
          return Awaited::kReady;
        }
        Pause();
      }
      // A parked peer says nothing of where it runs: no miss is counted.
      if (peer_parked()) poll = std::chrono::microseconds(0);
      now = std::chrono::steady_clock::now();
    } while (poll.count() > 0 && now < until);
  }
  auto slept_from = std::chrono::steady_clock::now();
  Awaited result = Awaited::kReady;
  // The peer's going is looked for only after a sleep that ran out its
  // time, so that a wait costs no system call but the futex's.
  for (bool timed_out = false;;) {
    uint32_t seen = signal.load();
    waiting_flag.store(1);
    if (ready()) break;
    if ((timed_out || ring.closed.load()) && PeerGone()) {
      result = Awaited::kGone;
      break;
    }
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      result = Awaited::kTimedOut;
      break;
    }
    timed_out =
        FutexWait(signal, seen,
                  std::min<std::chrono::nanoseconds>(SharedRegion::kCheckEvery, deadline - now));
  }
  waiting_flag.store(0);
  if (result == Awaited::kReady && poll.count() > 0) {
    waiting_.Missed(std::chrono::steady_clock::now() - slept_from);
  }
  return result;
}

bool RingEnd::Room(uint64_t* room) {
  uint64_t taken = out_->read.load();
  // A reader may not claim to have read what was never written.
  if (taken > written_ || written_ - taken > SharedRegion::kRingBytes) return !(failed_ = true);
  *room = SharedRegion::kRingBytes - (written_ - taken);
  return true;
}

void RingEnd::CopyIn(std::string_view data) {
  constexpr uint64_t kSize = SharedRegion::kRingBytes;
  size_t at = written_ % kSize;
  size_t first = std::min(data.size(), static_cast<size_t>(kSize - at));
  std::memcpy(out_data_ + at, data.data(), first);
  std::memcpy(out_data_, data.data() + first, data.size() - first);
  written_ += data.size();
  out_->written.store(written_);
  out_->writer_cpu.store(::sched_getcpu(), std::memory_order_relaxed);
  Wake(out_->reader_waiting, out_->data_signal);
}

bool RingEnd::Write(std::string_view data) {
  if (out_->closed.load() || (in_ && in_->closed.load())) failed_ = true;
  while (!data.empty() && !failed_) {
    uint64_t room = 0;
    auto has_room = [&] { return !Room(&room) || room > 0; };
    if (Await(*out_, false, has_room) != Awaited::kReady || failed_) {
      failed_ = true;
      return false;
    }
    size_t n = std::min<uint64_t>(data.size(), room);
    CopyIn(data.substr(0, n));
    data.remove_prefix(n);
  }
  return !failed_;
}

size_t RingEnd::WriteSome(std::string_view data) {
  if (out_->closed.load() || (in_ && in_->closed.load())) failed_ = true;
  uint64_t room = 0;
  if (failed_ || !Room(&room) || room == 0) return 0;
  size_t n = std::min<uint64_t>(data.size(), room);
  CopyIn(data.substr(0, n));
  return n;
}

bool RingEnd::Available(uint64_t* available) {
  uint64_t w = in_->written.load();
  if (w < read_ || w - read_ > SharedRegion::kRingBytes) return !(failed_ = true);
  *available = w - read_;
  return true;
}

size_t RingEnd::Read(uint8_t* out, size_t size) {
  constexpr uint64_t kSize = SharedRegion::kRingBytes;
  if (failed_ || size == 0) return 0;
  uint64_t available = 0;
  auto ready = [&] { return !Available(&available) || available > 0; };
  if (Await(*in_, true, ready) != Awaited::kReady || failed_) {
    failed_ = true;
    return 0;
  }
  size_t n = std::min<uint64_t>(size, available);
  size_t at = read_ % kSize;
  size_t first = std::min(n, static_cast<size_t>(kSize - at));
  std::memcpy(out, in_data_ + at, first);
  std::memcpy(out + first, in_data_, n - first);
  read_ += n;
  in_->read.store(read_);
  in_->reader_cpu.store(::sched_getcpu(), std::memory_order_relaxed);
  Wake(in_->writer_waiting, in_->space_signal);
  return n;
}

bool RingEnd::WaitReadable(std::chrono::steady_clock::time_point deadline) {
  if (failed_) return true;
  uint64_t available = 0;
  bool interrupted = false;
  auto ready = [&] {
    if (interrupted_.exchange(false)) return interrupted = true;
    return !Available(&available) || available > 0;
  };
  Awaited result = Await(*in_, true, ready, deadline);
  if (result == Awaited::kGone) failed_ = true;
  return result != Awaited::kTimedOut && !interrupted;
}

void RingEnd::Interrupt() {
  interrupted_.store(true);
  in_->data_signal.fetch_add(1);
  FutexWake(in_->data_signal);
}

namespace {

// A message of one buffer with room for one descriptor beside it.
struct DescriptorMessage {
  DescriptorMessage(void* data, size_t size) : iov{data, size} {
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
  }
  DescriptorMessage(const DescriptorMessage&) = delete;
  DescriptorMessage& operator=(const DescriptorMessage&) = delete;
  iovec iov;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  msghdr msg{};
};

}  // namespace

bool SendWithDescriptor(int socket, std::string_view data, int fd) {
  DescriptorMessage m(const_cast<char*>(data.data()), data.size());
  msghdr& msg = m.msg;
  cmsghdr* c = CMSG_FIRSTHDR(&msg);
  c->cmsg_level = SOL_SOCKET;
  c->cmsg_type = SCM_RIGHTS;
  c->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(c), &fd, sizeof fd);
  ssize_t n;
  do {
    n = ::sendmsg(socket, &msg, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  // The frame is small: the socket's buffer, empty between calls, takes it
  // whole or the peer is gone.
  return n == static_cast<ssize_t>(data.size());
}

bool ReceiveWithDescriptor(int socket, std::string* frame, int* fd) {
  *fd = -1;
  frame->clear();
  char buf[kMaxShareReply];
  size_t need = 8;
  while (frame->size() < need) {
    DescriptorMessage m(buf, need - frame->size());
    msghdr& msg = m.msg;
    ssize_t n = ::recvmsg(socket, &msg, MSG_CMSG_CLOEXEC);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS &&
          c->cmsg_len == CMSG_LEN(sizeof(int))) {
        int received;
        std::memcpy(&received, CMSG_DATA(c), sizeof received);
        if (*fd >= 0) ::close(*fd);
        *fd = received;
      }
    }
    frame->append(buf, static_cast<size_t>(n));
    if (need == 8 && frame->size() >= 8) {
      uint32_t length;
      std::memcpy(&length, frame->data(), 4);
      if (length < 4 || length + size_t{4} > kMaxShareReply) break;
      need = length + size_t{4};
    }
  }
  if (frame->size() == need && need > 8) return true;
  if (*fd >= 0) ::close(*fd);
  *fd = -1;
  return false;
}

}  // namespace mqemu
