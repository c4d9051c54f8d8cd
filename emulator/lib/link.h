// The simulated network link of the client library (libmqic_r.so): what a
// connection to a queue manager far away costs, set by the environment as
//
//   MQEMU_LINK="rtt=20ms,rate=100mbit"
//
// rtt is the round-trip time (units us, ms or s; at most 10 s); rate the link's speed
// (units kbit, mbit or gbit, powers of ten). Either part may be left out:
// without rtt frames take no latency, without rate no time for their bytes.
//
// A link behaves like one TCP connection: in each direction frames are sent
// one after another in order, each taking its bytes at the rate once the
// frame before it has gone, and each arrives half the round-trip time after
// its last byte left. The server bindings (libmqm_r.so) never read
// MQEMU_LINK.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace mqemu {

using LinkClock = std::chrono::steady_clock;

struct LinkSpec {
  std::chrono::nanoseconds rtt{0};
  uint64_t bits_per_second = 0;  // 0: bytes take no time
  bool shaped() const { return rtt.count() > 0 || bits_per_second > 0; }
  // How long `bytes` take to be sent at the rate.
  std::chrono::nanoseconds TransferTime(size_t bytes) const;
};

// Parses a MQEMU_LINK value: comma-separated rtt=<number><unit> and
// rate=<number><unit>, each at most once, numbers decimal (a fraction is
// allowed), rtt at most 10 s. "" is an unshaped link. Returns nullopt, and
// sets *error to what is wrong, for anything else.
std::optional<LinkSpec> ParseLinkSpec(std::string_view text, std::string* error);

// One direction of a link: the schedule of its frames.
class LinkDirection {
 public:
  // When a frame of `bytes` handed to the link at `sent` arrives at the
  // other end; the frame occupies the link after the frames before it.
  LinkClock::time_point Arrival(const LinkSpec& spec, LinkClock::time_point sent, size_t bytes);

 private:
  LinkClock::time_point free_{};  // when the last frame's last byte has left
};

// Both directions of one connection's link. Thread-safe: the call socket
// and the delivery socket of a connection share the way back.
class Link {
 public:
  explicit Link(const LinkSpec& spec) : spec_(spec) {}
  const LinkSpec& spec() const { return spec_; }
  LinkClock::time_point Up(LinkClock::time_point sent, size_t bytes);
  LinkClock::time_point Down(LinkClock::time_point sent, size_t bytes);

 private:
  const LinkSpec spec_;
  std::mutex mu_;
  LinkDirection up_, down_;
};

// The link of this process's client connections: null in the server
// bindings, when MQEMU_LINK is unset or empty, and when it is malformed
// (*refused is then set and the reason is written to standard error once).
// Read once, at the first connection.
const LinkSpec* ClientLink(bool* refused);

}  // namespace mqemu
