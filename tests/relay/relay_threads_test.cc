// The relay's two threads at once: IBM MQ's callback thread taking in
// requests and replies while the main thread ages requests and expires
// reply-queue handles. IBM MQ runs no consumer while the main thread has
// suspended consumption; the tests model that with a gate that a consumer
// call holds and that MQCTL SUSPEND takes until RESUME.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "pcf/agent_format.h"
#include "support/relay_fixture.h"

namespace {

class RelayThreadsTest : public RelayTest {
 protected:
  void SetUp() override {
    RelayTest::SetUp();
    mqi_.OnControl([this](MQLONG operation) {
      if (operation == MQOP_SUSPEND) dispatch_.lock();
      if (operation == MQOP_RESUME) dispatch_.unlock();
    });
  }
  void TearDown() override {
    mqi_.OnControl(nullptr);
    RelayTest::TearDown();
  }
  // Runs `call` as IBM MQ runs a consumer: never while consumption is
  // suspended.
  template <typename F>
  void AsConsumer(F call) {
    std::lock_guard<std::mutex> lock(dispatch_);
    call();
  }
  std::mutex dispatch_;
};

// Requests forwarded and answered on one thread while the other ages them
// out: every request ends exactly once, either with its last reply or with
// the error reply, and nothing held for it is lost.
TEST_F(RelayThreadsTest, EveryRequestEndsOnceWhileTheSweepRuns) {
  AgentConfig.AgentFlags &= ~AF_COMPRESS;
  AgentConfig.maxage = -1;  // whatever is not in use may age at once
  constexpr int kRequests = 300;
  const std::string more = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_NOT_LAST).Integer(1, 1).Bytes();
  const std::string last = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST).Integer(2, 2).Bytes();
  std::atomic<bool> done{false};
  std::atomic<bool> sweeping{false};

  std::thread main_loop([&] {
    while (!done) {
      AgeRequests();
      sweeping = true;
    }
  });
  std::thread callbacks([&] {
    while (!sweeping) std::this_thread::yield();
    for (int i = 0; i < kRequests; ++i) {
      const std::string queue = "CLIENT." + std::to_string(i % 7);
      MQMD md = RequestDescriptor(MQFMT_ADMIN, queue.c_str());
      char id[25];
      snprintf(id, sizeof id, "CLIENT-MSGID-%011d", i);
      memcpy(md.MsgId, id, 24);
      md.Report = MQRO_PASS_MSG_ID;
      AsConsumer([&] { SendRequest(&md, PcfBuilder(MQCMD_INQUIRE_Q).Bytes()); });
      // The forwarded request's MsgId is the one IBM MQ generated for it.
      char fwd[25];
      snprintf(fwd, sizeof fwd, "GENERATED-MSGID-%08d", i + 1);
      std::this_thread::yield();
      AsConsumer([&] { SendReply(fwd, more); });
      std::this_thread::yield();
      AsConsumer([&] { SendReply(fwd, last); });
    }
    done = true;
  });
  callbacks.join();
  main_loop.join();
  AgeRequests();  // whatever is still listed

  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
  EXPECT_EQ(RequestTable.RequestList, nullptr);
  // Per request (its client's MsgId comes back, MQRO_PASS_MSG_ID), in
  // order: the coalesced answer; or the error reply, after the first reply
  // when the request aged between its replies.
  std::map<std::string, std::string> story;
  for (const RecordedPut& put : mqi_.puts) {
    if (put.object.rfind("CLIENT.", 0) != 0 || put.comp_code != MQCC_OK) continue;
    const MQCFH header = HeaderOf(put.data);
    std::string& told = story[Id(put.md.MsgId)];
    if (header.CompCode == MQCC_FAILED && put.data.size() == 104) {
      told += "error;";
    } else if (header.Control == (MQCFC_LAST | CFC_COALESCED) && put.data.size() == 84) {
      told += "answer;";
    } else if (put.data == more) {
      told += "first;";
    } else {
      told += "unexpected;";
    }
  }
  ASSERT_EQ(story.size(), static_cast<size_t>(kRequests));
  for (const auto& [id, told] : story) {
    EXPECT_TRUE(told == "answer;" || told == "error;" || told == "first;error;") << id << told;
  }
  EXPECT_EQ(ReadCounts(AgentStats.since_start).CommandsReceived, static_cast<uint32_t>(kRequests));
}

// Lookups of reply queues on one thread while the other expires every idle
// handle: each queue opened is closed at most once, and what is still
// cached was never closed.
TEST_F(RelayThreadsTest, ExpiryRacesLookups) {
  AgentConfig.hobjttl = -1;  // every entry is due at every pass
  std::atomic<bool> done{false};
  std::atomic<bool> expiring{false};
  std::thread main_loop([&] {
    while (!done) {
      ExpireReplyQHandles();
      expiring = true;
    }
  });
  std::thread callbacks([&] {
    while (!expiring) std::this_thread::yield();
    for (int i = 0; i < 2000; ++i) {
      const std::string queue = "CLIENT." + std::to_string(i % 5);
      AsConsumer([&] {
        HOBJCACHE* entry = GetReplyQHandle(queue.c_str(), "QM1");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(mqi_.NameOf(entry->Hobj), queue) << "a handle still open";
      });
      std::this_thread::yield();
    }
    done = true;
  });
  callbacks.join();
  main_loop.join();

  int cached = 0;
  for (HOBJCACHE* entry = ReplyQCache.HobjCache; entry != nullptr; entry = entry->Next) ++cached;
  int opened = 0;
  for (const RecordedOpen& open : mqi_.opens) opened += open.reason == MQRC_NONE;
  EXPECT_EQ(opened, static_cast<int>(mqi_.closes.size()) + cached);
  EXPECT_FALSE(IsStopRequested());
}

}  // namespace
