// The socket readers' waiting policy: polling goes on while it catches the
// peer's data, stops when misses show the peer shares the CPU, and is tried
// again now and then.
#include "protocol/waiting.h"

#include <gtest/gtest.h>

namespace mqemu {
namespace {

using namespace std::chrono_literals;

TEST(Waiting, AdaptivePollsWhilePollingCatchesTheData) {
  Waiting w = Waiting::Adaptive();
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(w.PollFor(), 40us);
    w.Caught();
  }
  // One miss alone, or any number of long sleeps (an idle peer), change
  // nothing.
  EXPECT_EQ(w.PollFor(), 40us);
  w.Missed(100us);
  for (int i = 0; i < 10; ++i) {
    ASSERT_EQ(w.PollFor(), 40us);
    w.Missed(5ms);
  }
}

TEST(Waiting, AdaptiveStopsAfterMissesFollowedBySoonDataAndProbesNowAndThen) {
  Waiting w = Waiting::Adaptive();
  w.PollFor();
  w.Missed(20us);
  w.PollFor();
  w.Missed(20us);
  int polls = 0;
  for (uint32_t i = 0; i < 10 * Waiting::kProbeEvery; ++i) {
    if (w.PollFor() > 0us) {
      ++polls;
      w.Missed(20us);
    }
  }
  EXPECT_EQ(polls, 10);
  // A probe that catches the data turns polling back on.
  while (w.PollFor() == 0us) {
  }
  w.Caught();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(w.PollFor(), 40us);
}

TEST(Waiting, FixedAndNeverIgnoreWhatHappens) {
  Waiting fixed = Waiting::Fixed(25);
  Waiting never = Waiting::Never();
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(fixed.PollFor(), 25us);
    fixed.Missed(1us);
    ASSERT_EQ(never.PollFor(), 0us);
  }
}

}  // namespace
}  // namespace mqemu
