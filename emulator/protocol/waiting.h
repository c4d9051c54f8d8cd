// How a reader of a socket waits for its peer: poll the socket for a few
// tens of microseconds before sleeping in read, or sleep at once.
//
// Polling pays when the peer runs on another CPU: its answer usually comes
// within microseconds, and catching it saves a sleep and a cross-CPU
// wake-up (about 120 µs on a busy 2-core machine, against 10 µs polled).
// It costs dearly when the peer shares the reader's CPU: the peer cannot
// run until the reader gives up, so every poll is wasted and both sides
// waste one each call (86 µs, against 5 µs for a plain blocking read).
// (A ring reader, which can see where its peer last ran, gives its CPU
// away instead: shared_ring.h.)
//
// The reader cannot know where its peer runs, so it learns it: a poll that
// catches the data keeps polling on; a poll that misses, followed by data
// that came soon after the reader slept, means the peer was waiting for the
// CPU, and after kMissesToStop of those in a row the reader sleeps at once,
// trying one poll again every kProbeEvery waits in case the peer has moved.
// A long sleep (the peer idle) says nothing either way.
//
// MQEMU_SPIN_US overrides this, for measuring: 0 never polls, N > 0 always
// polls for N microseconds. It is read once per process.
#pragma once

#include <chrono>
#include <cstdint>

namespace mqemu {

class Waiting {
 public:
  static constexpr int kSpinMicroseconds = 40;
  // A ring in shared memory is looked at without a system call, and its
  // poller gives the CPU away when the peer needs it, so its reader can
  // afford to poll longer: long enough to ride out the peer being
  // preempted for a moment by the other threads of a 2-CPU machine.
  static constexpr int kRingSpinMicroseconds = 100;
  static constexpr int kMissesToStop = 2;
  static constexpr uint32_t kProbeEvery = 16;
  // A sleep shorter than this, after a missed poll, counts as a miss.
  static constexpr std::chrono::microseconds kSoon{500};

  // The policy of this process: adaptive, polling for `spin_us` at first,
  // unless MQEMU_SPIN_US says otherwise.
  static Waiting FromEnvironment(int spin_us = kSpinMicroseconds);
  static Waiting Adaptive(int spin_us = kSpinMicroseconds) { return Waiting(spin_us, true); }
  static Waiting Fixed(int spin_us) { return Waiting(spin_us, false); }
  static Waiting Never() { return Waiting(0, false); }

  // How long to poll before this wait; 0 to sleep at once.
  std::chrono::microseconds PollFor();
  // After the wait: whether the poll caught the data and, if not, how long
  // the reader then slept.
  void Caught() { misses_ = 0; }
  void Missed(std::chrono::nanoseconds slept);

 private:
  Waiting(int spin_us, bool adaptive) : spin_us_(spin_us), adaptive_(adaptive) {}
  int spin_us_;
  bool adaptive_;
  int misses_ = 0;
  uint32_t waits_ = 0;
};

}  // namespace mqemu
