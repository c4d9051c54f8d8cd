// The delivery socket read through a link (see link_reader.h).
#include "lib/link_reader.h"

#include <sys/socket.h>

namespace mqemu {

LinkReader::LinkReader(int fd, Link* link) : fd_(fd), link_(link) {
  thread_ = std::thread([this] { Run(); });
}

LinkReader::~LinkReader() {
  ::shutdown(fd_, SHUT_RD);
  thread_.join();
}

void LinkReader::Run() {
  FrameInput in(fd_);
  Frame frame;
  while (in.Next(&frame)) {
    LinkClock::time_point arrival = link_->Down(LinkClock::now(), 8 + frame.payload.size());
    std::lock_guard lock(mu_);
    frames_.emplace_back(arrival, std::move(frame));
    frame = Frame();
    cv_.notify_one();
  }
  std::lock_guard lock(mu_);
  ended_ = true;
  cv_.notify_one();
}

bool LinkReader::Next(Frame* frame) {
  LinkClock::time_point arrival;
  {
    std::unique_lock lock(mu_);
    cv_.wait(lock, [&] { return !frames_.empty() || ended_; });
    if (frames_.empty()) return false;
    arrival = frames_.front().first;
    *frame = std::move(frames_.front().second);
    frames_.pop_front();
  }
  std::this_thread::sleep_until(arrival);
  return true;
}

bool LinkReader::WaitReady(LinkClock::time_point deadline) {
  std::unique_lock lock(mu_);
  cv_.wait_until(lock, deadline, [&] { return !frames_.empty() || ended_ || interrupted_; });
  interrupted_ = false;
  return !frames_.empty() || ended_;
}

bool LinkReader::Buffered() {
  std::lock_guard lock(mu_);
  return !frames_.empty();
}

void LinkReader::Interrupt() {
  std::lock_guard lock(mu_);
  interrupted_ = true;
  cv_.notify_one();
}

}  // namespace mqemu
