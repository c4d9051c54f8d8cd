// The delivery socket of a client connection seen through its link: a
// thread takes the frames that the daemon pushes off the socket as soon as
// they come, notes when each would arrive at the far end of the link (the
// daemon sent it just then), and Next hands each on at that time. So a burst
// of pushed messages pays half the round-trip time once, and then its bytes
// at the rate, as on a real connection, however slowly the consumer takes
// them.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "lib/link.h"
#include "protocol/frame.h"

namespace mqemu {

class LinkReader {
 public:
  // Starts reading fd; the link must outlive the reader.
  LinkReader(int fd, Link* link);
  // Shuts the socket down for reading and joins the thread.
  ~LinkReader();
  LinkReader(const LinkReader&) = delete;
  LinkReader& operator=(const LinkReader&) = delete;

  // Waits for the next frame to arrive. After the socket ends, the frames
  // already on their way still arrive, then it returns false.
  bool Next(Frame* frame);
  // Waits until `deadline` at most for Next to have something (a frame or
  // the end of the socket); false when the time passed or Interrupt was
  // called first.
  bool WaitReady(LinkClock::time_point deadline);
  // Ends a WaitReady in progress, or the next one.
  void Interrupt();
  // Whether a frame has arrived at the reader (Next may still wait for the
  // time it reaches the far end of the link).
  bool Buffered();

 private:
  void Run();

  int fd_;
  Link* link_;
  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<std::pair<LinkClock::time_point, Frame>> frames_;
  bool ended_ = false;
  bool interrupted_ = false;
  std::thread thread_;
};

}  // namespace mqemu
