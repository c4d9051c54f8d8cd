// The shared-memory call channel: frames of any size cross both rings
// whole and in order, through two mappings of one region as between the
// library and the daemon; a peer that spoils the counters, closes the
// region or goes away ends the channel instead of leaving the other side
// reading wrong memory or sleeping for ever; a reader whose peer says it
// waits long sleeps rather than polls; the push ring's ends of one
// direction.
#include "protocol/shared_ring.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "protocol/endpoint.h"
#include "protocol/frame.h"
#include "protocol/frame_kinds.h"

namespace mqemu {
namespace {

class SharedRingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets_), 0);
    std::shared_ptr<SharedRegion> daemon_side = SharedRegion::Create();
    ASSERT_TRUE(daemon_side);
    client_side_ = SharedRegion::Map(::dup(daemon_side->fd()));
    ASSERT_TRUE(client_side_);
    daemon_ = std::make_unique<RingEnd>(daemon_side, SharedRegion::kToClient, sockets_[0],
                                        Waiting::Never());
    client_ = std::make_unique<RingEnd>(client_side_, SharedRegion::kToDaemon, sockets_[1],
                                        Waiting::Fixed(20));
  }
  void TearDown() override {
    for (int fd : sockets_) {
      if (fd >= 0) ::close(fd);
    }
  }
  // A frame of `size` payload bytes whose bytes tell where they are.
  static std::string FrameOf(size_t size, uint8_t seed) {
    FrameWriter w(Kind::kPut);
    std::string payload(size, '\0');
    for (size_t i = 0; i < size; ++i) payload[i] = static_cast<char>(seed + i * 7);
    w.Bytes(payload.data(), payload.size());
    return std::move(w).Release();
  }

  int sockets_[2] = {-1, -1};
  std::shared_ptr<SharedRegion> client_side_;
  std::unique_ptr<RingEnd> daemon_, client_;
};

TEST_F(SharedRingTest, FramesOfEverySizeCrossBothWaysWholeAndInOrder) {
  // Small frames that cross the end of the ring many times, and frames
  // larger than the ring, which go through it in pieces as it is read.
  std::vector<size_t> sizes;
  for (int i = 0; i < 3000; ++i) sizes.push_back(static_cast<size_t>(100 + i % 900));
  sizes.push_back(SharedRegion::kRingBytes * 3 + 17);
  sizes.push_back(1);
  sizes.push_back(SharedRegion::kRingBytes);
  std::thread client([&] {
    FrameInput in(-1);
    in.ReadFrom(client_.get());
    Frame reply;
    for (size_t i = 0; i < sizes.size(); ++i) {
      ASSERT_TRUE(client_->Write(FrameOf(sizes[i], static_cast<uint8_t>(i))));
      ASSERT_TRUE(in.Next(&reply));
      ASSERT_EQ(reply.payload.size(), 8u) << i;
    }
  });
  FrameInput in(-1);
  in.ReadFrom(daemon_.get());
  Frame request;
  for (size_t i = 0; i < sizes.size(); ++i) {
    ASSERT_TRUE(in.Next(&request)) << i;
    std::string expected = FrameOf(sizes[i], static_cast<uint8_t>(i)).substr(8);
    ASSERT_EQ(std::string(request.payload.begin(), request.payload.end()), expected) << i;
    FrameWriter w(Kind::kPut);
    w.I32(MQCC_OK);
    w.I32(MQRC_NONE);
    ASSERT_TRUE(daemon_->Write(w.Finish()));
  }
  client.join();
}

TEST_F(SharedRingTest, ASpoiledCounterEndsTheChannel) {
  RingControl& to_daemon = daemon_->region().control(SharedRegion::kToDaemon);
  uint8_t buf[64];
  // A writer that claims more than the ring holds.
  to_daemon.written.store(SharedRegion::kRingBytes + 1);
  EXPECT_EQ(daemon_->Read(buf, sizeof buf), 0u);
  EXPECT_EQ(daemon_->Read(buf, sizeof buf), 0u) << "a failed end stays failed";
  // A reader that claims to have read what was never written.
  to_daemon.read.store(5);
  EXPECT_FALSE(client_->Write("hello"));
}

TEST_F(SharedRingTest, ASleepingReaderWakesWhenThePeerGoesOrClosesTheRegion) {
  uint8_t buf[64];
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    client_->region().Close();
  });
  EXPECT_EQ(daemon_->Read(buf, sizeof buf), 0u);
  closer.join();
  EXPECT_FALSE(client_->Write("x"));

  // A fresh pair whose client process is gone: only its socket's end says so.
  TearDown();
  SetUp();
  std::thread goer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::close(sockets_[1]);
    sockets_[1] = -1;
  });
  EXPECT_EQ(daemon_->Read(buf, sizeof buf), 0u);
  goer.join();
}

// A client would poll up to 100 ms for each reply; while the daemon says
// that its call waits (a get waiting for a message), the client sleeps
// instead and burns no CPU, and still gets the reply when it comes.
TEST_F(SharedRingTest, AReaderWhoseWriterIsParkedSleepsInsteadOfPolling) {
  RingEnd patient(client_side_, SharedRegion::kToDaemon, sockets_[1], Waiting::Fixed(100'000));
  daemon_->Park(true);
  std::thread replier([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    daemon_->Park(false);
    daemon_->Write("reply");
  });
  timespec from{}, to{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &from);
  uint8_t buf[16];
  size_t got = patient.Read(buf, sizeof buf);
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &to);
  replier.join();
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), got), "reply");
  double cpu_ms = (to.tv_sec - from.tv_sec) * 1e3 + (to.tv_nsec - from.tv_nsec) / 1e6;
  EXPECT_LT(cpu_ms, 15.0) << "the reader polled through the daemon's wait";
}

// The push ring, written by one end and read by another: a write that does
// not wait takes what fits; the reader waits until bytes come, its deadline
// passes or another thread interrupts it, and finds the end of a closed
// region.
TEST_F(SharedRingTest, ThePushRingTakesWhatFitsAndItsReaderWaitsUntilADeadline) {
  RingEnd pusher(daemon_->shared_region(), SharedRegion::kPushes, SharedRegion::kNoRing,
                 sockets_[0], Waiting::Never());
  RingEnd reader(client_side_, SharedRegion::kNoRing, SharedRegion::kPushes, sockets_[1],
                 Waiting::Fixed(20));
  using Clock = std::chrono::steady_clock;
  auto started = Clock::now();
  EXPECT_FALSE(reader.WaitReadable(started + std::chrono::milliseconds(20)));
  EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(20));
  reader.Interrupt();
  EXPECT_FALSE(reader.WaitReadable(Clock::time_point::max()));
  std::thread interrupter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    reader.Interrupt();
  });
  EXPECT_FALSE(reader.WaitReadable(Clock::time_point::max()));
  interrupter.join();

  std::string pushes = FrameOf(SharedRegion::kRingBytes, 3);
  size_t taken = pusher.WriteSome(pushes);
  EXPECT_EQ(taken, SharedRegion::kRingBytes);
  EXPECT_EQ(pusher.WriteSome(std::string_view(pushes).substr(taken)), 0u);
  ASSERT_TRUE(reader.WaitReadable(Clock::time_point::max()));
  std::string got(pushes.size(), '\0');
  size_t read = 0;
  while (read < taken)
    read += reader.Read(reinterpret_cast<uint8_t*>(got.data()) + read, taken - read);
  EXPECT_EQ(pusher.WriteSome(std::string_view(pushes).substr(taken)), pushes.size() - taken);
  while (read < pushes.size()) {
    read += reader.Read(reinterpret_cast<uint8_t*>(got.data()) + read, pushes.size() - read);
  }
  EXPECT_EQ(got, pushes);

  daemon_->region().Close();
  EXPECT_TRUE(reader.WaitReadable(Clock::time_point::max()));
  uint8_t byte;
  EXPECT_EQ(reader.Read(&byte, 1), 0u);
  EXPECT_EQ(pusher.WriteSome("x"), 0u);
}

TEST(SharedRegionTest, OnlyARegionOfTheRightSizeIsMapped) {
  int fd = ::memfd_create("not-a-region", MFD_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 4096), 0);
  EXPECT_EQ(SharedRegion::Map(fd), nullptr);
}

// A daemon that answers kShare with a region this side cannot map has moved
// its calls to the rings: the channel must close rather than go on on the
// socket, where no reply would ever come.
TEST(SharedRegionTest, AChannelWhoseRegionCannotBeMappedIsClosed) {
  char home[] = "/tmp/mqemu-share-test-XXXXXX";
  ASSERT_NE(::mkdtemp(home), nullptr);
  ::setenv("MQEMU_HOME", home, 1);
  std::string path = SocketPath("QMSHARE");
  int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  std::thread daemon([listener] {
    int peer = ::accept(listener, nullptr, nullptr);
    FrameInput in(peer);
    Frame call;
    if (in.Next(&call) && call.kind == Kind::kShare) {
      int small = ::memfd_create("too-small", MFD_CLOEXEC);
      (void)!::ftruncate(small, 4096);
      FrameWriter w(Kind::kShare);
      EncodeReply(w, MQCC_OK, MQRC_NONE, NoFields{});
      SendWithDescriptor(peer, w.Finish(), small);
      ::close(small);
    }
    char byte;
    while (::read(peer, &byte, 1) > 0) {
    }
    ::close(peer);
  });
  Channel channel;
  ASSERT_TRUE(channel.Open("QMSHARE"));
  EXPECT_FALSE(channel.Share());
  EXPECT_FALSE(channel.is_open());
  daemon.join();
  ::close(listener);
  ::unlink(path.c_str());
  ::rmdir(home);
  ::unsetenv("MQEMU_HOME");
}

}  // namespace
}  // namespace mqemu
