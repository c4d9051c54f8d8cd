// The counters of the MQI meter (libmqm_r.so in build/bench/mqi_meter/), a
// library that stands in front of IBM MQ's and counts what an application
// asks of it: each MQI call by entry point, and the message callbacks that
// MQCB registered, with the time spent inside them. For a server like the
// agent, whose work happens in its callbacks, that time is its own cost:
// from the arrival of a message to the last MQI call made for it.
//
// The counters live in a file that the meter maps shared (MQI_METER_FILE),
// so that a benchmark reads them while the application runs. Its layout,
// little-endian, 8-byte fields:
//
//   u64 magic (kMeterMagic)
//   u64 calls[kMeterEntries]    MQI calls, by MeterEntry
//   u64 callbacks               message callbacks returned from
//   u64 callback_ns             nanoseconds spent inside them
//   u64 callback_mqi_ns         of those, nanoseconds inside the MQI calls
//                               that the callbacks made (the queue
//                               manager's share; the rest is the
//                               application's own)
//
// The meter loads the real library from MQI_METER_LIBRARY (a path).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace mqi_meter {

enum MeterEntry {
  kConn,
  kConnx,
  kDisc,
  kOpen,
  kClose,
  kPut,
  kPut1,
  kGet,
  kInq,
  kSet,
  kCb,
  kCtl,
  kCmit,
  kBack,
  kMeterEntries
};
constexpr const char* kEntryNames[kMeterEntries] = {
    "MQCONN", "MQCONNX", "MQDISC", "MQOPEN", "MQCLOSE", "MQPUT",  "MQPUT1",
    "MQGET",  "MQINQ",   "MQSET",  "MQCB",   "MQCTL",   "MQCMIT", "MQBACK"};

constexpr uint64_t kMeterMagic = 0x314D5251454D4951;  // "QIMEQRM1"

struct Counters {
  std::atomic<uint64_t> magic;
  std::atomic<uint64_t> calls[kMeterEntries];
  std::atomic<uint64_t> callbacks;
  std::atomic<uint64_t> callback_ns;
  std::atomic<uint64_t> callback_mqi_ns;
};
static_assert(std::atomic<uint64_t>::is_always_lock_free, "shared between processes");
static_assert(sizeof(Counters) == 8 * (4 + kMeterEntries));

}  // namespace mqi_meter
