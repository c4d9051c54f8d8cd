// The simulated network link's arithmetic: what MQEMU_LINK accepts, and when
// frames sent one after another arrive in one direction.
#include "lib/link.h"

#include <gtest/gtest.h>

#include <string>

namespace mqemu {
namespace {

using namespace std::chrono_literals;

LinkSpec Parse(std::string_view text) {
  std::string error;
  auto spec = ParseLinkSpec(text, &error);
  EXPECT_TRUE(spec) << text << ": " << error;
  return spec.value_or(LinkSpec{});
}

TEST(LinkSpec, AcceptsEitherPartWithItsUnits) {
  LinkSpec both = Parse("rtt=20ms,rate=100mbit");
  EXPECT_EQ(both.rtt, 20ms);
  EXPECT_EQ(both.bits_per_second, 100'000'000u);
  EXPECT_EQ(Parse("rate=1gbit,rtt=1ms").rtt, 1ms);
  EXPECT_EQ(Parse("rtt=250us").rtt, 250us);
  EXPECT_EQ(Parse("rtt=1.5s").rtt, 1500ms);
  EXPECT_EQ(Parse("rtt=10s").rtt, 10s);  // the longest round trip
  EXPECT_EQ(Parse("rtt=0.5ms").rtt, 500us);
  EXPECT_EQ(Parse("rate=64kbit").bits_per_second, 64'000u);
  EXPECT_EQ(Parse("rtt=5ms").bits_per_second, 0u);
  EXPECT_EQ(Parse("rate=10mbit").rtt, 0ns);
  EXPECT_FALSE(Parse("").shaped());
  EXPECT_FALSE(Parse("rtt=0ms").shaped());
}

TEST(LinkSpec, RefusesAnythingElseSayingWhy) {
  for (const char* bad :
       {"rtt=20",       "rtt=20 ms",        "rtt=20MS",  "rtt=-1ms",          "rtt=ms",
        "rtt=",         "rate=100mb",       "rate=100",  "rate=0mbit",        "rate=0.0001kbit",
        "latency=20ms", "rtt=20ms,",        ",rtt=20ms", "rtt=20ms,rtt=30ms", "rtt=20ms;rate=1gbit",
        "rtt=1e3ms",    "rtt=99999999999s", "rtt",       "rtt=10.001s",       "rtt=10001ms",
        "rtt=1000s"}) {
    std::string error;
    EXPECT_FALSE(ParseLinkSpec(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(LinkSpec, TransferTimeIsTheBytesAtTheRate) {
  LinkSpec spec = Parse("rate=100mbit");
  EXPECT_EQ(spec.TransferTime(1'000'000), 80ms);
  EXPECT_EQ(spec.TransferTime(1), 80ns);
  EXPECT_EQ(Parse("rate=1kbit").TransferTime(100u << 20), 838'860'800ms);
  EXPECT_EQ(Parse("rtt=1ms").TransferTime(1'000'000), 0ns);
}

TEST(LinkDirection, AFrameArrivesHalfTheRoundTripAfterItsLastByteLeft) {
  LinkSpec spec = Parse("rtt=20ms,rate=8mbit");  // one byte a microsecond
  LinkDirection way;
  LinkClock::time_point t0{};
  EXPECT_EQ(way.Arrival(spec, t0, 1000) - t0, 10ms + 1ms);
  // A frame sent long after the last one has the link to itself.
  EXPECT_EQ(way.Arrival(spec, t0 + 1s, 2000) - t0, 1s + 10ms + 2ms);
}

TEST(LinkDirection, FramesSentTogetherQueueBehindEachOtherAndPayTheDelayOnce) {
  LinkSpec spec = Parse("rtt=20ms,rate=8mbit");
  LinkDirection way;
  LinkClock::time_point t0{};
  LinkClock::time_point last{};
  for (int i = 1; i <= 100; ++i) {
    last = way.Arrival(spec, t0, 1000);
    EXPECT_EQ(last - t0, 10ms + i * 1ms);
  }
  // One sent while the link is still busy waits for it, not for its own
  // sending time.
  EXPECT_EQ(way.Arrival(spec, t0 + 50ms, 1000), last + 1ms);
  // Without a rate only the latency counts, and frames never queue.
  LinkDirection latency_only;
  LinkSpec rtt = Parse("rtt=2ms");
  EXPECT_EQ(latency_only.Arrival(rtt, t0, 1 << 20) - t0, 1ms);
  EXPECT_EQ(latency_only.Arrival(rtt, t0, 1 << 20) - t0, 1ms);
}

TEST(Link, DirectionsAreIndependent) {
  Link link(Parse("rtt=2ms,rate=8mbit"));
  LinkClock::time_point t0{};
  EXPECT_EQ(link.Up(t0, 5000) - t0, 1ms + 5ms);
  EXPECT_EQ(link.Down(t0, 1000) - t0, 1ms + 1ms);
  EXPECT_EQ(link.Up(t0, 1000) - t0, 1ms + 6ms);
}

}  // namespace
}  // namespace mqemu
