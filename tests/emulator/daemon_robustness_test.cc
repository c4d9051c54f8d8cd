// The queue manager survives what its clients do: malformed and lying
// frames, clients that die in the middle of a call, and many connections
// opened and dropped; nothing of one connection stays behind.
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "pcf/mq_field.h"
#include "protocol/endpoint.h"
#include "protocol/frame.h"
#include "protocol/frame_kinds.h"
#include "qmgr_fixture.h"

namespace mqemu_test {
namespace {

class DaemonRobustnessTest : public ::testing::Test {
 protected:
  EmuHome home;
  QueueManagerProcess qm1{"QM1", "--default", kMemoryCapMb};
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
  mqemu::ConnectCall hello;
  hello.user = "root";
  hello.appl = "robust";
  hello.pid = 1;
  hello.qmgr = "QM1";
  return mqemu::EncodeFrame(hello).Finish();
}

std::string OpenFrame(const std::string& queue, MQLONG options) {
  mqemu::FrameWriter open(mqemu::Kind::kOpen);
  char name[48], blank[48], dynamic[48];
  FillBlankPadded(name, 48, queue);
  FillBlankPadded(blank, 48, "");
  FillBlankPadded(dynamic, 48, "TOVAN.*");
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

// The text of a file, "" when it cannot be read.
std::string FileText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The most memory the daemon has had resident, in bytes (VmHWM).
long PeakResidentBytes() {
  std::string pid = FileText(mqemu::PidPath("QM1"));
  std::istringstream status(FileText("/proc/" + pid.substr(0, pid.find('\n')) + "/status"));
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) * 1024;
  }
  return -1;
}

TEST_F(DaemonRobustnessTest, FramesLongerThanTheLargestMessageAreRefusedAndLogged) {
  EXPECT_TRUE(ClosedAfter(Raw(128u << 20, 1)));
  EXPECT_TRUE(ClosedAfter(Raw(mqemu::kMaxFrameLength + 1, 1)));
  // Within a connection too: the session ends, the daemon goes on.
  mqemu::Channel channel;
  ASSERT_TRUE(channel.Open("QM1"));
  mqemu::Frame reply;
  ASSERT_TRUE(channel.Call(ConnectFrame(), &reply));
  EXPECT_FALSE(channel.Call(Raw(200u << 20, static_cast<uint32_t>(mqemu::Kind::kPut)), &reply));
  std::string log = FileText(mqemu::LogPath("QM1"));
  EXPECT_NE(log.find("frame claims 134217728 bytes"), std::string::npos) << log;
  EXPECT_NE(log.find("frame claims " + std::to_string(mqemu::kMaxFrameLength + 1)),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("frame claims 209715200 bytes"), std::string::npos) << log;
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "APP.Q", MQOO_OUTPUT);
  EXPECT_EQ(Put(h, q, "still serving"), MQRC_NONE);
  Disconnect(&h);
}

TEST_F(DaemonRobustnessTest, AClaimedLengthTakesNoMemoryBeforeItsBytesArrive) {
  long before = PeakResidentBytes();
  ASSERT_GT(before, 0);
  // Clients that claim the largest frame and send a little of it: new
  // sockets, and a connection in the middle of a put.
  std::vector<int> fds;
  for (int i = 0; i < 8; ++i) fds.push_back(mqemu::ConnectSocket(mqemu::SocketPath("QM1")));
  mqemu::Channel channel;
  ASSERT_TRUE(channel.Open("QM1"));
  mqemu::Frame reply;
  ASSERT_TRUE(channel.Call(ConnectFrame(), &reply));
  fds.push_back(channel.fd());
  // Sends bytes on every socket and waits until the daemon has read them
  // (nothing is left queued on the sockets). The daemon reads the second
  // round only after taking whatever memory it takes on reading a length.
  auto send_and_wait = [&fds](const std::string& bytes) {
    for (int fd : fds) ASSERT_TRUE(fd >= 0 && mqemu::WriteAll(fd, bytes));
    for (int fd : fds) {
      int queued = 1;
      for (int i = 0; i < 2500 && ::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0; ++i) {
        usleep(2000);
      }
      EXPECT_EQ(queued, 0);
    }
  };
  send_and_wait(Raw(mqemu::kMaxFrameLength, static_cast<uint32_t>(mqemu::Kind::kPut)) +
                std::string(4096, 'x'));
  send_and_wait(std::string(4096, 'y'));
  EXPECT_LT(PeakResidentBytes() - before, 64L << 20);
  for (int fd : fds) {
    if (fd != channel.fd()) ::close(fd);
  }
  MQHCONN h = Connect();
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
