// Getting with a wait: a message that comes during the wait is taken, and a
// client that goes ends the wait; the client is asked with the lock free.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "emulator/qmgr/in_process_qmgr.h"

namespace mqemu_test {
namespace {

using PutGetTest = InProcessQmgr;

TEST_F(PutGetTest, AWaitingGetTakesAMessagePutDuringTheWait) {
  Define("UNIT.Q");
  mqemu::Session& getter = NewSession();
  mqemu::Session& putter = NewSession();
  MQHOBJ in = Open(getter, "UNIT.Q", MQOO_INPUT_SHARED);
  MQHOBJ out = Open(putter, "UNIT.Q", MQOO_OUTPUT);
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(Put(putter, out, "awaited"), MQRC_NONE);
  });
  std::string data;
  EXPECT_EQ(Get(getter, in, &data, MQGMO_WAIT, nullptr, 10000), MQRC_NONE);
  EXPECT_EQ(data, "awaited");
  later.join();
}

TEST_F(PutGetTest, AWaitingGetEndsWhenItsClientGoes) {
  Define("UNIT.Q");
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  mqemu::Session& s = NewSession(fds[0]);
  MQHOBJ in = Open(s, "UNIT.Q", MQOO_INPUT_SHARED);
  std::thread gone([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ::close(fds[1]);
  });
  std::string data;
  EXPECT_EQ(Get(s, in, &data, MQGMO_WAIT, nullptr, MQWI_UNLIMITED), MQRC_CONNECTION_BROKEN);
  gone.join();
  ::close(fds[0]);
}

}  // namespace
}  // namespace mqemu_test
