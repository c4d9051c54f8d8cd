// Asynchronous consumption through MQCB and MQCTL: delivery, the thread
// rule (MQRC_HCONN_ASYNC_ACTIVE), the waiting rules of SUSPEND and STOP,
// and events to consumers and to the event handler.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "qmgr_fixture.h"

namespace mqemu_test {
namespace {

using namespace std::chrono_literals;

// What the callbacks saw, shared with the test thread.
struct Seen {
  std::mutex mu;
  std::condition_variable cv;
  std::vector<std::string> messages;
  std::vector<MQLONG> data_lengths, returned_lengths;
  std::vector<MQLONG> consumer_events, handler_events;
  std::atomic<bool> in_callback{false};
  std::atomic<bool> block{false};
  std::atomic<int> calls_after_stop{0};
  std::atomic<bool> stopped{false};
  std::atomic<int> delay_us{0};

  // A copy, taken under the lock, of something the callbacks write.
  template <typename T>
  T Copy(const T& field) {
    std::lock_guard lock(mu);
    return field;
  }

  template <typename Pred>
  bool WaitFor(Pred pred) {
    std::unique_lock lock(mu);
    return cv.wait_for(lock, 5s, pred);
  }
};

Seen* seen = nullptr;

void MQENTRY Consumer(MQHCONN, PMQVOID, PMQVOID gmo, PMQVOID buffer, PMQCBC cbc) {
  if (seen->stopped) ++seen->calls_after_stop;
  seen->in_callback = true;
  while (seen->block) std::this_thread::sleep_for(1ms);
  if (seen->delay_us) std::this_thread::sleep_for(std::chrono::microseconds(seen->delay_us));
  {
    std::lock_guard lock(seen->mu);
    if (cbc->CallType == MQCBCT_MSG_REMOVED) {
      seen->messages.emplace_back(static_cast<char*>(buffer),
                                  static_cast<size_t>(cbc->BufferLength));
      seen->data_lengths.push_back(cbc->DataLength);
      seen->returned_lengths.push_back(static_cast<PMQGMO>(gmo)->ReturnedLength);
    } else if (cbc->CallType == MQCBCT_EVENT_CALL) {
      seen->consumer_events.push_back(cbc->Reason);
    }
  }
  seen->in_callback = false;
  seen->cv.notify_all();
}

void MQENTRY EventHandler(MQHCONN, PMQVOID, PMQVOID, PMQVOID, PMQCBC cbc) {
  std::lock_guard lock(seen->mu);
  if (cbc->CallType == MQCBCT_EVENT_CALL) seen->handler_events.push_back(cbc->Reason);
  seen->cv.notify_all();
}

class AsyncTest : public ::testing::Test {
 protected:
  EmuHome home;
  QueueManagerProcess qm1{"QM1"};
  Seen state;
  MQHCONN h = MQHC_UNUSABLE_HCONN;
  MQHOBJ in = MQHO_UNUSABLE_HOBJ;

  void SetUp() override {
    seen = &state;
    ASSERT_TRUE(qm1.running());
    ASSERT_EQ(RunTool("define QM1 APP.Q"), 0);
    h = Connect();
    in = Open(h, "APP.Q", MQOO_INPUT_SHARED | MQOO_SAVE_ALL_CONTEXT);
    Register(MQCBT_EVENT_HANDLER, MQHO_NONE, EventHandler);
    Register(MQCBT_MESSAGE_CONSUMER, in, Consumer);
  }
  void TearDown() override {
    MQLONG cc, rc;
    if (h != MQHC_UNUSABLE_HCONN) MQDISC(&h, &cc, &rc);
    seen = nullptr;
  }
  void Register(MQLONG type, MQHOBJ hobj, MQCB_FUNCTION* fn) {
    MQCBD cbd = {MQCBD_DEFAULT};
    cbd.CallbackType = type;
    cbd.CallbackFunction = reinterpret_cast<MQPTR>(fn);
    cbd.MaxMsgLength = MQCBD_FULL_MSG_LENGTH;
    MQMD md = {MQMD_DEFAULT};
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.Options = MQGMO_NO_SYNCPOINT | MQGMO_FAIL_IF_QUIESCING | MQGMO_CONVERT;
    MQLONG cc, rc;
    MQCB(h, MQOP_REGISTER, &cbd, hobj, type == MQCBT_EVENT_HANDLER ? nullptr : &md,
         type == MQCBT_EVENT_HANDLER ? nullptr : &gmo, &cc, &rc);
    ASSERT_EQ(rc, MQRC_NONE);
  }
  MQLONG Control(MQLONG op) {
    MQCTLO ctlo = {MQCTLO_DEFAULT};
    MQLONG cc, rc;
    MQCTL(h, op, &ctlo, &cc, &rc);
    return rc;
  }
  // Puts through a connection of its own.
  void PutMessages(int count, size_t size = 10) {
    MQHCONN p = Connect();
    MQHOBJ out = Open(p, "APP.Q", MQOO_OUTPUT);
    for (int i = 0; i < count; ++i) {
      std::string data = std::to_string(i);
      data.resize(std::max(size, data.size()), '.');
      ASSERT_EQ(Put(p, out, data), MQRC_NONE);
    }
    Disconnect(&p);
  }
};

TEST_F(AsyncTest, ConsumerGetsEveryMessageInOrderWithItsLength) {
  ASSERT_EQ(Control(MQOP_START), MQRC_NONE);
  PutMessages(200, 2000);
  ASSERT_TRUE(state.WaitFor([&] { return state.messages.size() == 200; }));
  ASSERT_EQ(Control(MQOP_STOP), MQRC_NONE);
  for (size_t i = 0; i < 200; ++i) {
    EXPECT_EQ(state.messages[i].substr(0, std::to_string(i).size()), std::to_string(i));
    EXPECT_EQ(state.data_lengths[i], 2000);
    EXPECT_EQ(state.returned_lengths[i], 2000);
  }
}

// A consumer that falls behind: the pushes fill its socket, and what the
// putting side could not write at once still reaches it, whole and in order.
TEST_F(AsyncTest, AConsumerThatFallsBehindGetsEveryMessageInOrder) {
  state.delay_us = 50;
  ASSERT_EQ(Control(MQOP_START), MQRC_NONE);
  PutMessages(400, 8000);
  ASSERT_TRUE(state.WaitFor([&] { return state.messages.size() == 400; }));
  ASSERT_EQ(Control(MQOP_STOP), MQRC_NONE);
  for (size_t i = 0; i < 400; ++i) {
    ASSERT_EQ(state.messages[i].substr(0, std::to_string(i).size() + 1), std::to_string(i) + ".");
    EXPECT_EQ(state.messages[i].size(), 8000u);
  }
}

// A plain start with nothing registered succeeds (there is simply nothing to
// call); waiting for callbacks that can never come is refused.
TEST(AsyncStartTest, StartWithoutCallbacksSucceedsButStartWaitIsRefused) {
  EmuHome home;
  QueueManagerProcess qm1{"QM1"};
  ASSERT_TRUE(qm1.running());
  MQHCONN h = Connect();
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  MQLONG cc, rc;
  MQCTL(h, MQOP_START_WAIT, &ctlo, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NO_CALLBACKS_ACTIVE);
  MQCTL(h, MQOP_START, &ctlo, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE);
  MQCTL(h, MQOP_STOP, &ctlo, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE);
  Disconnect(&h);
}

TEST_F(AsyncTest, OtherThreadsMayUseTheConnectionOnlyWhileSuspendedOrStopped) {
  MQHOBJ out = Open(h, "APP.Q", MQOO_OUTPUT);
  ASSERT_EQ(Control(MQOP_START), MQRC_NONE);
  EXPECT_EQ(Put(h, out, "x"), MQRC_HCONN_ASYNC_ACTIVE);
  ASSERT_EQ(Control(MQOP_SUSPEND), MQRC_NONE);
  EXPECT_EQ(Put(h, out, "while suspended"), MQRC_NONE);
  EXPECT_TRUE(state.Copy(state.messages).empty());
  ASSERT_EQ(Control(MQOP_RESUME), MQRC_NONE);
  ASSERT_TRUE(state.WaitFor([&] { return state.messages.size() == 1; }));
  EXPECT_EQ(Put(h, out, "x"), MQRC_HCONN_ASYNC_ACTIVE);
  ASSERT_EQ(Control(MQOP_STOP), MQRC_NONE);
  EXPECT_EQ(Put(h, out, "after stop"), MQRC_NONE);
}

TEST_F(AsyncTest, SuspendWaitsForTheRunningCallback) {
  ASSERT_EQ(Control(MQOP_START), MQRC_NONE);
  state.block = true;
  PutMessages(1);
  while (!state.in_callback) std::this_thread::sleep_for(1ms);
  std::atomic<bool> suspended{false};
  std::thread suspender([&] {
    EXPECT_EQ(Control(MQOP_SUSPEND), MQRC_NONE);
    suspended = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(suspended);
  state.block = false;
  suspender.join();
  EXPECT_TRUE(suspended);
  EXPECT_FALSE(state.in_callback);
  ASSERT_EQ(Control(MQOP_RESUME), MQRC_NONE);
  ASSERT_EQ(Control(MQOP_STOP), MQRC_NONE);
}

TEST_F(AsyncTest, NoCallbackAfterStopAndNoMessageLost) {
  state.delay_us = 300;  // slow enough that the stop comes mid-stream
  ASSERT_EQ(Control(MQOP_START), MQRC_NONE);
  std::thread putter([&] { PutMessages(300, 100); });
  ASSERT_TRUE(state.WaitFor([&] { return state.messages.size() >= 20; }));
  ASSERT_EQ(Control(MQOP_STOP), MQRC_NONE);
  state.stopped = true;
  putter.join();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(state.calls_after_stop, 0);
  size_t delivered;
  {
    std::lock_guard lock(state.mu);
    delivered = state.messages.size();
  }
  MQHOBJ inq = Open(h, "APP.Q", MQOO_INQUIRE);
  EXPECT_EQ(static_cast<size_t>(InquireInt(h, inq, MQIA_CURRENT_Q_DEPTH)), 300 - delivered);
  std::string first;
  ASSERT_EQ(Get(h, in, &first), MQRC_NONE);
  EXPECT_EQ(first.substr(0, std::to_string(delivered).size() + 1), std::to_string(delivered) + ".");
}

std::atomic<int> other_consumer_messages{0};

void MQENTRY OtherConsumer(MQHCONN, PMQVOID, PMQVOID, PMQVOID, PMQCBC cbc) {
  if (cbc->CallType == MQCBCT_MSG_REMOVED) ++other_consumer_messages;
}

// Messages pushed to a consumer that stops before taking them go back to
// their queue and on to another consumer of it, without waiting for the
// next message to arrive.
TEST_F(AsyncTest, MessagesHandedBackAtStopReachAnotherConsumer) {
  other_consumer_messages = 0;
  MQHCONN other = Connect();
  MQHOBJ other_in = Open(other, "APP.Q", MQOO_INPUT_SHARED);
  MQCBD cbd = {MQCBD_DEFAULT};
  cbd.CallbackFunction = reinterpret_cast<MQPTR>(OtherConsumer);
  MQMD md = {MQMD_DEFAULT};
  MQGMO gmo = {MQGMO_DEFAULT};
  gmo.Options = MQGMO_NO_SYNCPOINT;
  MQLONG cc, rc;
  MQCB(other, MQOP_REGISTER, &cbd, other_in, &md, &gmo, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);

  state.delay_us = 2000;  // this consumer falls behind what is pushed to it
  ASSERT_EQ(Control(MQOP_START), MQRC_NONE);
  PutMessages(300, 100);
  ASSERT_TRUE(state.WaitFor([&] { return !state.messages.empty(); }));
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  MQCTL(other, MQOP_START, &ctlo, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  ASSERT_EQ(Control(MQOP_STOP), MQRC_NONE);
  const size_t taken = state.Copy(state.messages).size();
  ASSERT_LT(taken, 300u);

  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (taken + static_cast<size_t>(other_consumer_messages.load()) < 300 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(taken + static_cast<size_t>(other_consumer_messages.load()), 300u);
  MQCTL(other, MQOP_STOP, &ctlo, &cc, &rc);
  Disconnect(&other);
}

TEST_F(AsyncTest, GetInhibitedGoesToTheConsumerAndConnectionEventsToTheHandler) {
  ASSERT_EQ(Control(MQOP_START), MQRC_NONE);
  ASSERT_EQ(RunTool("fault QM1 inhibit APP.Q get"), 0);
  ASSERT_TRUE(state.WaitFor([&] { return !state.consumer_events.empty(); }));
  EXPECT_EQ(state.Copy(state.consumer_events)[0], MQRC_GET_INHIBITED);
  ASSERT_EQ(RunTool("fault QM1 event 2202"), 0);
  ASSERT_TRUE(state.WaitFor([&] { return !state.handler_events.empty(); }));
  EXPECT_EQ(state.Copy(state.handler_events)[0], MQRC_CONNECTION_QUIESCING);
  ASSERT_EQ(RunTool("fault QM1 break '*'"), 0);
  ASSERT_TRUE(state.WaitFor([&] { return state.handler_events.size() == 2; }));
  EXPECT_EQ(state.Copy(state.handler_events)[1], MQRC_CONNECTION_BROKEN);
  EXPECT_EQ(state.Copy(state.consumer_events).size(), 1u);
  MQLONG cc, rc;
  MQDISC(&h, &cc, &rc);
  h = MQHC_UNUSABLE_HCONN;
}

TEST_F(AsyncTest, ControlledStopTellsTheHandlerFirst) {
  ASSERT_EQ(Control(MQOP_START), MQRC_NONE);
  std::thread stopper([&] { qm1.Stop("--reason 2202"); });
  ASSERT_TRUE(state.WaitFor([&] { return !state.handler_events.empty(); }));
  EXPECT_EQ(state.Copy(state.handler_events)[0], MQRC_CONNECTION_QUIESCING);
  MQLONG cc, rc;
  MQCTL(h, MQOP_STOP, nullptr, &cc, &rc);
  MQDISC(&h, &cc, &rc);
  h = MQHC_UNUSABLE_HCONN;
  stopper.join();
}

}  // namespace
}  // namespace mqemu_test
