// Test support: queue managers started with the mqemu tool in a fresh
// $MQEMU_HOME of their own, stopped at once when the test ends, and small
// MQI helpers that fail the test on unexpected results.
#pragma once

#include <cmqc.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mqemu_test {

// Runs the mqemu tool with args; returns its exit status and sets *output to
// what it printed (standard output and error).
int RunTool(const std::string& args, std::string* output = nullptr);

// A fresh $MQEMU_HOME for the life of the object.
class EmuHome {
 public:
  EmuHome();
  ~EmuHome();
  EmuHome(const EmuHome&) = delete;
  EmuHome& operator=(const EmuHome&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The memory cap of queue managers in tests of memory faults: far above what
// a sound daemon takes, far below the build machine's memory.
constexpr long kMemoryCapMb = 3072;

// One running queue manager, stopped (immediately) on destruction.
class QueueManagerProcess {
 public:
  // With memory_cap_mb the daemon runs with its memory capped at that many
  // megabytes (its address space, or under a sanitizer its resident size),
  // so that a test of a memory fault cannot take the machine's memory
  // should the fault come back.
  explicit QueueManagerProcess(std::string name, const std::string& options = "--default",
                               long memory_cap_mb = 0);
  ~QueueManagerProcess();
  QueueManagerProcess(const QueueManagerProcess&) = delete;
  QueueManagerProcess& operator=(const QueueManagerProcess&) = delete;
  const std::string& name() const { return name_; }
  bool running() const { return running_; }
  void Stop(const std::string& options = "--immediate");

 private:
  std::string name_;
  bool running_ = false;
};

// MQI helpers; each expects success unless told otherwise.
MQHCONN Connect(const std::string& qmgr = "", const char* user = nullptr);
void Disconnect(MQHCONN* hconn);
MQHOBJ Open(MQHCONN hconn, const std::string& queue, MQLONG options, MQLONG expect_reason = 0,
            std::string* opened_name = nullptr, const std::string& qmgr = "");
void Close(MQHCONN hconn, MQHOBJ* hobj);
// Puts text; returns the reason; md (if given) is used and completed.
MQLONG Put(MQHCONN hconn, MQHOBJ hobj, const std::string& data, MQMD* md = nullptr,
           MQLONG pmo_options = MQPMO_NO_SYNCPOINT, MQHOBJ context = MQHO_NONE);
// Gets one message (waiting up to wait_ms); returns the reason.
MQLONG Get(MQHCONN hconn, MQHOBJ hobj, std::string* data, MQMD* md = nullptr, MQLONG wait_ms = 0,
           MQLONG buffer_length = 65536, MQLONG options = 0);
MQLONG InquireInt(MQHCONN hconn, MQHOBJ hobj, MQLONG selector);

}  // namespace mqemu_test
