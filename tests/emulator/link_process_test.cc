// Clients on the stand-in's client library, libmqic_r.so, over the link
// that MQEMU_LINK sets: calls pay the round trip and their bytes at the
// rate, asynchronous puts and pushed messages all arrive in order, and the server bindings (the
// mqemu tool) ignore MQEMU_LINK. Only lower bounds of time are checked.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "qmgr_fixture.h"

namespace mqemu_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The client library reads MQEMU_LINK at the first MQCONN of the process.
const bool link_set = ::setenv("MQEMU_LINK", "rtt=20ms,rate=100mbit", 1) == 0;

class LinkProcessTest : public ::testing::Test {
 protected:
  EmuHome home;
  QueueManagerProcess qm{"QMLINK"};
  void SetUp() override {
    ASSERT_TRUE(link_set);
    ASSERT_TRUE(qm.running());
    ASSERT_EQ(RunTool("define QMLINK LINK.Q --maxmsglen 2000000"), 0);
  }
};

TEST_F(LinkProcessTest, EachCallPaysTheRoundTrip) {
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "LINK.Q", MQOO_OUTPUT);
  auto start = Clock::now();
  for (int i = 0; i < 10; ++i) ASSERT_EQ(Put(h, q, "message " + std::to_string(i)), MQRC_NONE);
  EXPECT_GE(Clock::now() - start, 200ms);
  Close(h, &q);
  Disconnect(&h);
}

// Puts with MQPMO_ASYNC_RESPONSE leave the round trip unawaited; what they
// put is there, in order, for the next call, which pays its own.
TEST_F(LinkProcessTest, AsynchronousPutsArriveInOrder) {
  MQHCONN h = Connect();
  MQHOBJ out = Open(h, "LINK.Q", MQOO_OUTPUT);
  for (int i = 0; i < 10; ++i) {
    MQMD md = {MQMD_DEFAULT};
    ASSERT_EQ(Put(h, out, "async " + std::to_string(i), &md,
                  MQPMO_NO_SYNCPOINT | MQPMO_ASYNC_RESPONSE | MQPMO_NEW_MSG_ID),
              MQRC_NONE);
    EXPECT_NE(md.MsgId[0], 0) << "the MsgId made for the put";
  }
  MQHOBJ in = Open(h, "LINK.Q", MQOO_INPUT_SHARED);
  const auto start = Clock::now();
  for (int i = 0; i < 10; ++i) {
    std::string got;
    ASSERT_EQ(Get(h, in, &got), MQRC_NONE);
    EXPECT_EQ(got, "async " + std::to_string(i));
  }
  EXPECT_GE(Clock::now() - start, 10 * 20ms);
  Close(h, &in);
  Close(h, &out);
  Disconnect(&h);
}

TEST_F(LinkProcessTest, ALargeMessageTakesItsBytesAtTheRate) {
  MQHCONN h = Connect();
  MQHOBJ out = Open(h, "LINK.Q", MQOO_OUTPUT);
  std::string megabyte(1'000'000, 'x');
  megabyte[999'999] = 'y';
  ASSERT_EQ(Put(h, out, megabyte), MQRC_NONE);
  MQHOBJ in = Open(h, "LINK.Q", MQOO_INPUT_SHARED);
  std::string got;
  auto start = Clock::now();
  ASSERT_EQ(Get(h, in, &got, nullptr, 0, 2'000'000), MQRC_NONE);
  // 8,000,000 bits at 100 Mbit/s, and the round trip of the call.
  EXPECT_GE(Clock::now() - start, 80ms + 20ms);
  EXPECT_EQ(got, megabyte);
  Close(h, &in);
  Close(h, &out);
  Disconnect(&h);
}

struct Received {
  std::mutex mu;
  std::condition_variable cv;
  std::vector<std::string> messages;
} received;

void MQENTRY Consume(MQHCONN, PMQVOID, PMQVOID, PMQVOID buffer, PMQCBC cbc) {
  if (cbc->CallType != MQCBCT_MSG_REMOVED) return;
  std::lock_guard lock(received.mu);
  received.messages.emplace_back(static_cast<const char*>(buffer),
                                 static_cast<size_t>(cbc->DataLength));
  received.cv.notify_all();
}

TEST_F(LinkProcessTest, PushedMessagesAllArriveInOrder) {
  MQHCONN h = Connect();
  MQHOBJ out = Open(h, "LINK.Q", MQOO_OUTPUT);
  std::vector<std::string> sent;
  for (int i = 0; i < 40; ++i) {
    sent.push_back(std::string(static_cast<size_t>(i) * 250, 'a' + i % 26) + std::to_string(i));
  }
  for (const std::string& m : sent) ASSERT_EQ(Put(h, out, m), MQRC_NONE);
  MQHOBJ in = Open(h, "LINK.Q", MQOO_INPUT_SHARED);
  MQCBD cbd = {MQCBD_DEFAULT};
  cbd.CallbackFunction = reinterpret_cast<MQPTR>(Consume);
  MQMD md = {MQMD_DEFAULT};
  MQGMO gmo = {MQGMO_DEFAULT};
  gmo.Options = MQGMO_NO_SYNCPOINT;
  MQLONG cc, rc;
  MQCB(h, MQOP_REGISTER, &cbd, in, &md, &gmo, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  MQCTL(h, MQOP_START, &ctlo, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  {
    std::unique_lock lock(received.mu);
    EXPECT_TRUE(
        received.cv.wait_for(lock, 20s, [&] { return received.messages.size() >= sent.size(); }));
  }
  MQCTL(h, MQOP_STOP, &ctlo, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE);
  {
    std::lock_guard lock(received.mu);
    EXPECT_EQ(received.messages, sent);
  }
  Close(h, &in);
  Close(h, &out);
  Disconnect(&h);
}

TEST_F(LinkProcessTest, TheServerBindingsIgnoreTheLink) {
  // Even a value the client library refuses is nothing to the mqemu tool,
  // which uses libmqm_r.so.
  ASSERT_EQ(::setenv("MQEMU_LINK", "no link at all", 1), 0);
  std::string output;
  EXPECT_EQ(RunTool("put QMLINK LINK.Q tool", &output), 0) << output;
  EXPECT_EQ(RunTool("get QMLINK LINK.Q", &output), 0) << output;
  EXPECT_NE(output.find("tool"), std::string::npos) << output;
  ASSERT_EQ(::setenv("MQEMU_LINK", "rtt=20ms,rate=100mbit", 1), 0);
}

}  // namespace
}  // namespace mqemu_test
