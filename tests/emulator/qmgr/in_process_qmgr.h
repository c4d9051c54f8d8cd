// Test support: a queue manager in the test's own process, without its
// daemon, sockets or command server, and sessions on it whose MQI calls are
// made directly.
#pragma once

#include <cmqc.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "qmgr/queue_manager.h"

namespace mqemu_test {

class InProcessQmgr : public ::testing::Test {
 protected:
  InProcessQmgr() { qm.Init("QMUNIT"); }

  // A new session of user "tester" and application "unit", among the queue
  // manager's sessions. Without a call
  // socket (call_fd -1) its client never goes, unless call_fd is given.
  mqemu::Session& NewSession(int call_fd = -1);
  // Defines a queue (the lock taken here).
  mqemu::Queue& Define(const std::string& name, MQLONG type = MQQT_LOCAL);
  // MQOPEN of a queue; expects expect_reason. With a model queue,
  // dynamic_name is the pattern and *opened the name of the queue made.
  MQHOBJ Open(mqemu::Session& s, const std::string& name, MQLONG options,
              MQLONG expect_reason = MQRC_NONE, const std::string& dynamic_name = "",
              std::string* opened = nullptr);
  // MQPUT of data; returns the reason. md (if given) is used and completed.
  MQLONG Put(mqemu::Session& s, MQHOBJ hobj, const std::string& data,
             MQLONG pmo_options = MQPMO_NO_SYNCPOINT, MQMD* md = nullptr);
  // MQGET (no wait unless gmo_options say MQGMO_WAIT); returns the reason.
  MQLONG Get(mqemu::Session& s, MQHOBJ hobj, std::string* data, MQLONG gmo_options = 0,
             MQMD* md = nullptr, MQLONG wait_ms = 0);
  // The number of messages on a queue.
  size_t Depth(const std::string& name);

  mqemu::QueueManager qm;  // owns the sessions, as the daemon's does
};

}  // namespace mqemu_test
