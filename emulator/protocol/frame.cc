// Frame encoding, decoding and socket transfer; the format is drawn in
// frame.h.
#include "protocol/frame.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "protocol/shared_ring.h"

namespace mqemu {

FrameWriter::FrameWriter(Kind kind, std::string buffer)
    : buf_(std::move(buffer)), start_(buf_.size()) {
  Reserve(512);
  U32(0);
  U32(static_cast<uint32_t>(kind));
}

void FrameWriter::I32(int32_t v) {
  Bytes(&v, sizeof v);
}
void FrameWriter::U32(uint32_t v) {
  Bytes(&v, sizeof v);
}
void FrameWriter::U64(uint64_t v) {
  Bytes(&v, sizeof v);
}
void FrameWriter::Bytes(const void* p, size_t n) {
  buf_.append(static_cast<const char*>(p), n);
}
void FrameWriter::Blob(std::string_view s) {
  U32(static_cast<uint32_t>(s.size()));
  buf_.append(s);
}

const std::string& FrameWriter::Finish() {
  uint32_t length = static_cast<uint32_t>(buf_.size() - start_ - 4);
  std::memcpy(buf_.data() + start_, &length, sizeof length);
  return buf_;
}

std::string FrameWriter::Release() && {
  Finish();
  return std::move(buf_);
}

bool FrameReader::Bytes(void* out, size_t n) {
  if (!ok_ || p_.size() - pos_ < n) return ok_ = false;
  if (n) std::memcpy(out, p_.data() + pos_, n);
  pos_ += n;
  return true;
}
bool FrameReader::I32(int32_t* v) {
  return Bytes(v, sizeof *v);
}
bool FrameReader::U32(uint32_t* v) {
  return Bytes(v, sizeof *v);
}
bool FrameReader::U64(uint64_t* v) {
  return Bytes(v, sizeof *v);
}

bool FrameReader::Blob(std::string_view* out) {
  uint32_t n = 0;
  if (!U32(&n)) return false;
  if (p_.size() - pos_ < n) return ok_ = false;
  *out = std::string_view(reinterpret_cast<const char*>(p_.data()) + pos_, n);
  pos_ += n;
  return true;
}

bool FrameReader::Blob(std::string* out) {
  std::string_view v;
  if (!Blob(&v)) return false;
  out->assign(v);
  return true;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

size_t SendWithoutWaiting(int fd, std::string_view data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    sent += static_cast<size_t>(n);
  }
  return sent;
}

bool FrameInput::Fill(size_t need) {
  if (end_ - begin_ >= need) return true;
  if (begin_ > 0) {
    std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  while (end_ < need) {
    if (end_ == buf_.size()) buf_.resize(std::min(need, 2 * buf_.size()));
    if (ring_) {
      size_t got = ring_->Read(buf_.data() + end_, buf_.size() - end_);
      if (got == 0) return false;
      end_ += got;
      continue;
    }
    ssize_t n = -1;
    auto poll = waiting_.PollFor();
    if (poll.count() > 0) {
      auto until = std::chrono::steady_clock::now() + poll;
      do {
        n = ::recv(fd_, buf_.data() + end_, buf_.size() - end_, MSG_DONTWAIT);
      } while (n < 0 && errno == EAGAIN && std::chrono::steady_clock::now() < until);
      if (n >= 0 || errno != EAGAIN) {
        waiting_.Caught();
      } else {
        auto slept_from = std::chrono::steady_clock::now();
        n = ::read(fd_, buf_.data() + end_, buf_.size() - end_);
        waiting_.Missed(std::chrono::steady_clock::now() - slept_from);
      }
    } else {
      n = ::read(fd_, buf_.data() + end_, buf_.size() - end_);
    }
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    end_ += static_cast<size_t>(n);
  }
  return true;
}

bool FrameInput::WaitReadable(int wake_fd, std::chrono::steady_clock::time_point deadline) {
  if (end_ > begin_) return true;
  begin_ = end_ = 0;
  auto poll = waiting_.PollFor();
  if (poll.count() > 0) {
    auto until = std::chrono::steady_clock::now() + poll;
    ssize_t n;
    do {
      n = ::recv(fd_, buf_.data() + end_, buf_.size() - end_, MSG_DONTWAIT);
    } while (n < 0 && errno == EAGAIN && std::chrono::steady_clock::now() < until);
    if (n > 0) end_ += static_cast<size_t>(n);
    if (n >= 0 || errno != EAGAIN) {
      waiting_.Caught();
      return true;  // bytes, or the end of the stream for Next to find
    }
  }
  pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_fd, POLLIN, 0}};
  int timeout = -1;
  if (deadline != std::chrono::steady_clock::time_point::max()) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    timeout = static_cast<int>(std::max<int64_t>(left.count(), 0));
  }
  auto slept_from = std::chrono::steady_clock::now();
  if (::poll(fds, 2, timeout) < 0) return false;  // a signal: the caller looks again
  if (fds[1].revents & POLLIN) {
    uint64_t count;
    [[maybe_unused]] ssize_t n = ::read(wake_fd, &count, sizeof count);
  }
  if (!fds[0].revents) return false;
  if (poll.count() > 0) waiting_.Missed(std::chrono::steady_clock::now() - slept_from);
  // Take what came now, so that Next does not poll for it again and the
  // waiting policy learns from this wait alone.
  ssize_t n = ::recv(fd_, buf_.data(), buf_.size(), MSG_DONTWAIT);
  if (n > 0) end_ = static_cast<size_t>(n);
  return true;
}

bool FrameInput::Next(Frame* frame) {
  if (!Fill(8)) return false;
  uint32_t length, kind;
  std::memcpy(&length, buf_.data() + begin_, 4);
  std::memcpy(&kind, buf_.data() + begin_ + 4, 4);
  if (length < 4 || length > kMaxFrameLength) {
    refused_length_ = length;
    return false;
  }
  if (!Fill(4 + size_t{length})) return false;
  frame->kind = static_cast<Kind>(kind);
  // A frame reused after a large one gives that memory back.
  if (frame->payload.capacity() > std::max<size_t>(kBufferSize, length)) frame->payload = {};
  frame->payload.assign(buf_.data() + begin_ + 8, buf_.data() + begin_ + 4 + length);
  begin_ += 4 + size_t{length};
  if (begin_ == end_) begin_ = end_ = 0;
  // A large message grows the buffer; give the memory back afterwards.
  if (begin_ == 0 && end_ == 0 && buf_.size() > kBufferSize) {
    buf_ = std::vector<uint8_t>(kBufferSize);
  }
  return true;
}

}  // namespace mqemu
