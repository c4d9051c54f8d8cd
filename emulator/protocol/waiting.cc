// The socket readers' waiting policy (see waiting.h).
#include "protocol/waiting.h"

#include <cstdlib>

namespace mqemu {

Waiting Waiting::FromEnvironment(int spin_us) {
  static const int fixed = [] {
    const char* text = std::getenv("MQEMU_SPIN_US");
    if (!text || !*text) return -1;
    char* end = nullptr;
    long us = std::strtol(text, &end, 10);
    if (*end != '\0' || us < 0 || us > 100'000) return -1;
    return static_cast<int>(us);
  }();
  return fixed >= 0 ? Fixed(fixed) : Adaptive(spin_us);
}

std::chrono::microseconds Waiting::PollFor() {
  if (spin_us_ == 0) return std::chrono::microseconds(0);
  if (adaptive_ && misses_ >= kMissesToStop && ++waits_ % kProbeEvery != 0) {
    return std::chrono::microseconds(0);
  }
  return std::chrono::microseconds(spin_us_);
}

void Waiting::Missed(std::chrono::nanoseconds slept) {
  if (!adaptive_) return;
  if (slept < kSoon && misses_ < kMissesToStop) ++misses_;
}

}  // namespace mqemu
