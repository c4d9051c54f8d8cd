// The queue manager survives what its clients do: malformed and lying
// frames, clients that die in the middle of a call, and many connections
// opened and dropped; nothing of one connection stays behind.
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "protocol/endpoint.h"
#include "protocol/frame.h"
#include "qmgr_fixture.h"

namespace mqemu_test {
namespace {

class DaemonRobustnessTest : public ::testing::Test {
 protected:
  EmuHome home;
  QueueManagerProcess qm1{"QM1"};
  void SetUp() override {
    ASSERT_TRUE(qm1.running());
    ASSERT_EQ(RunTool("define QM1 APP.Q"), 0);
  }
  // Sends raw bytes on a fresh socket and reports whether the daemon closed
  // it without answering.
  static bool ClosedAfter(const std::string& bytes) {
    int fd = mqemu::ConnectSocket(mqemu::SocketPath("QM1"));
    EXPECT_GE(fd, 0);
    mqemu::WriteAll(fd, bytes);
    ::shutdown(fd, SHUT_WR);
    char buf[64];
    ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    return n == 0;
  }
  static int OpenInputCount() {
    MQHCONN h = Connect();
    MQHOBJ q = Open(h, "APP.Q", MQOO_INQUIRE);
    int n = InquireInt(h, q, MQIA_OPEN_INPUT_COUNT);
    Disconnect(&h);
    return n;
  }
};

std::string Raw(uint32_t length, uint32_t kind, const std::string& payload = "") {
  std::string s(8, '\0');
  std::memcpy(s.data(), &length, 4);
  std::memcpy(s.data() + 4, &kind, 4);
  return s + payload;
}

std::string ConnectFrame() {
  mqemu::FrameWriter hello(mqemu::Kind::kConnect);
  hello.I32(1);
  hello.Blob("root");
  hello.Blob("robust");
  hello.I32(1);
  hello.Blob("QM1");
  return hello.Finish();
}

std::string OpenFrame(const std::string& queue, MQLONG options) {
  mqemu::FrameWriter open(mqemu::Kind::kOpen);
  char name[48], blank[48], dynamic[48];
  SetName(name, 48, queue);
  SetName(blank, 48, "");
  SetName(dynamic, 48, "TOVAN.*");
  open.I32(MQOT_Q);
  open.Bytes(name, 48);
  open.Bytes(blank, 48);
  open.Bytes(dynamic, 48);
  open.I32(options);
  return open.Finish();
}

TEST_F(DaemonRobustnessTest, MalformedFramesCloseOnlyThatClient) {
  EXPECT_TRUE(ClosedAfter(Raw(2, 1)));
  EXPECT_TRUE(ClosedAfter(Raw(0xFFFFFFFFu, 1)));
  EXPECT_TRUE(ClosedAfter(Raw(1000, 1, "short")));
  EXPECT_TRUE(ClosedAfter(Raw(4, 77)));
  // A connect whose user blob claims more bytes than the frame holds.
  mqemu::FrameWriter lying(mqemu::Kind::kConnect);
  lying.I32(1);
  lying.U32(5000);
  std::string frame = lying.Finish();
  mqemu::Channel channel;
  ASSERT_TRUE(channel.Open("QM1"));
  mqemu::Frame reply;
  ASSERT_TRUE(channel.Call(frame, &reply));
  int32_t cc = 0;
  ASSERT_TRUE(reply.Reader().I32(&cc));
  EXPECT_EQ(cc, MQCC_FAILED);
  // A connected client sends a put whose data blob runs past the frame: the
  // session ends and its open handle is released.
  ASSERT_TRUE(channel.Open("QM1"));
  ASSERT_TRUE(channel.Call(ConnectFrame(), &reply));
  ASSERT_TRUE(channel.Call(OpenFrame("APP.Q", MQOO_INPUT_SHARED), &reply));
  EXPECT_EQ(OpenInputCount(), 1);
  mqemu::FrameWriter put(mqemu::Kind::kPut);
  put.I32(1);
  put.I32(0);
  put.I32(0);
  MQMD md = {MQMD_DEFAULT};
  put.Bytes(&md, sizeof md);
  put.U32(1u << 20);
  EXPECT_FALSE(channel.Call(put.Finish(), &reply));
  for (int i = 0; i < 100 && OpenInputCount() != 0; ++i) usleep(5000);
  EXPECT_EQ(OpenInputCount(), 0);
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "APP.Q", MQOO_OUTPUT);
  EXPECT_EQ(Put(h, q, "still serving"), MQRC_NONE);
  Disconnect(&h);
}

TEST_F(DaemonRobustnessTest, ClientDyingInAWaitingGetLeavesNothingBehind) {
  pid_t pid = ::fork();
  if (pid == 0) {
    MQHCONN h = Connect();
    MQHOBJ q = Open(h, "APP.Q", MQOO_INPUT_EXCLUSIVE);
    std::string data;
    Get(h, q, &data, nullptr, MQWI_UNLIMITED);
    ::_exit(0);
  }
  for (int i = 0; i < 200 && OpenInputCount() == 0; ++i) usleep(5000);
  ASSERT_EQ(OpenInputCount(), 1);
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  MQHCONN h = Connect();
  for (int i = 0; i < 200 && OpenInputCount() != 0; ++i) usleep(5000);
  EXPECT_EQ(OpenInputCount(), 0);
  MQHOBJ exclusive = Open(h, "APP.Q", MQOO_INPUT_EXCLUSIVE);
  Close(h, &exclusive);
  Disconnect(&h);
}

TEST_F(DaemonRobustnessTest, AThousandConnectionsOpenedAndDropped) {
  for (int i = 0; i < 1000; ++i) {
    if (i % 2) {
      MQHCONN h = Connect();
      MQHOBJ q = Open(h, "SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_EXCLUSIVE);
      ASSERT_NE(q, MQHO_UNUSABLE_HOBJ);
      Disconnect(&h);
      continue;
    }
    // Dropped without MQDISC: the socket just closes after the open.
    mqemu::Channel channel;
    ASSERT_TRUE(channel.Open("QM1"));
    mqemu::Frame reply;
    ASSERT_TRUE(channel.Call(ConnectFrame(), &reply));
    ASSERT_TRUE(
        channel.Call(OpenFrame("SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_EXCLUSIVE), &reply));
  }
  std::string out;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(RunTool("show QM1", &out), 0);
    if (out.find(" 0 connection(s)") != std::string::npos) break;
    usleep(10000);
  }
  EXPECT_NE(out.find(" 0 connection(s)"), std::string::npos) << out;
  EXPECT_EQ(out.find("TOVAN."), std::string::npos) << out;
}

}  // namespace
}  // namespace mqemu_test
