// One queue manager that the exporter collects: its connection, kept from
// one collection to the next and made anew after a failure, and one
// collection, four or five requests asked one after another (through the
// agent, or of the command server with direct: true) and their answers read
// back into plain values. Not thread-safe: one collection at a time.
#pragma once

#include <cmqc.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "admin/client.h"
#include "config.h"

namespace exporter {

// Values derived from other parameters, kept beside the parameters'
// own values under these identifiers (no MQI parameter is negative).
enum Derived : MQLONG {
  kSinceLastGet = -1,      // seconds since LastGetDate/Time
  kSinceLastPut = -2,      // seconds since LastPutDate/Time
  kQueueTimeShort = -3,    // QTIME's short-term indicator, in seconds
  kQueueTimeLong = -4,     // QTIME's long-term indicator, in seconds
  kUptime = -5,            // seconds since the queue manager started
  kSinceLastMessage = -6,  // seconds since a channel's last message
  kChannelStart = -7,      // a channel's start, seconds since the epoch
};

// One object's values: the integer parameters of its responses (integer
// lists but QTIME left out) and the derived values, by identifier.
struct ObjectSample {
  std::map<MQLONG, double> values;
  std::map<std::string, std::string> labels;  // the object's own: queue, channel, ...
};

// Why a collection failed, as counted in the exporter's errors metric.
enum class ErrorKind { kConnect, kTimeout, kUnreadable, kCommand };
inline constexpr std::array<const char*, 4> kErrorKindNames = {"connect", "timeout", "unreadable",
                                                               "command"};

// What one collection found.
struct Collection {
  bool reached = false;                        // every request was answered whole
  ErrorKind error_kind{};                      // why not, when not reached
  std::string error;                           // the same in words, one line
  std::string platform;                        // "UNIX", "ZOS", ... as the queue manager reports it
  double seconds = 0;                          // how long the collection took
  uint64_t messages = 0;                       // reply messages received
  uint64_t bytes = 0;                          // and their bytes
  ObjectSample qmgr;                           // Inquire Queue Manager Status
  std::map<std::string, ObjectSample> queues;  // by name, selected ones only
  std::map<std::string, ObjectSample> channels;  // by name and instance
};

class Target {
 public:
  // `mqi` is the entry points of the library that `config` asks for (the
  // client library for a client); it must outlive the target.
  Target(const QueueManagerConfig& config, const admin::Mqi& mqi);
  ~Target();
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  // Collects once, within the configured timeout. Never fails as a call:
  // a failure is in the result, and the connection is dropped so that the
  // next collection connects anew.
  Collection Collect();

  const QueueManagerConfig& config() const { return config_; }

 private:
  class Session;  // one collection's requests and answers

  QueueManagerConfig config_;
  admin::Mqi mqi_;
  std::unique_ptr<admin::Client> client_;
  std::string platform_;
};

}  // namespace exporter
