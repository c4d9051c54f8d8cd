// Messages for another stand-in queue manager: a remote queue manager that
// is stopped delays only the messages for it, and gets them once it goes
// on; messages that cannot reach one go to the dead-letter queue.
#include <signal.h>

#include <cstring>
#include <fstream>

#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_writer.h"
#include "protocol/endpoint.h"
#include "qmgr_fixture.h"

namespace mqemu_test {
namespace {

// A queue manager's daemon stopped (SIGSTOP) for the life of the object, or
// until Resume.
class Paused {
 public:
  explicit Paused(const std::string& qmgr) {
    std::ifstream(mqemu::PidPath(qmgr)) >> pid_;
    EXPECT_GT(pid_, 0);
    if (pid_ > 0) ::kill(pid_, SIGSTOP);
  }
  ~Paused() { Resume(); }
  Paused(const Paused&) = delete;
  Paused& operator=(const Paused&) = delete;
  void Resume() {
    if (pid_ > 0) ::kill(pid_, SIGCONT);
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
};

class RemoteTest : public ::testing::Test {
 protected:
  EmuHome home;
  QueueManagerProcess qm1{"QM1"};
  QueueManagerProcess qm2{"QM2", ""};
  MQHCONN h = MQHC_UNUSABLE_HCONN;
  MQHOBJ replies = MQHO_UNUSABLE_HOBJ;
  MQHOBJ commands = MQHO_UNUSABLE_HOBJ;
  std::string reply_queue;

  void SetUp() override {
    ASSERT_TRUE(qm1.running() && qm2.running());
    ASSERT_EQ(RunTool("define QM2 REMOTE.Q"), 0);
    h = Connect("QM1");
    replies = Open(h, "SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_EXCLUSIVE, 0, &reply_queue);
    commands = Open(h, "SYSTEM.ADMIN.COMMAND.QUEUE", MQOO_OUTPUT);
  }
  void TearDown() override { Disconnect(&h); }

  // Puts a Ping to QM1's command server, its reply to go to queue on qmgr.
  void Ping(const std::string& queue, const std::string& qmgr, MQLONG report = MQRO_NONE) {
    MQMD md = {MQMD_DEFAULT};
    std::memcpy(md.Format, MQFMT_ADMIN, 8);
    md.MsgType = MQMT_REQUEST;
    md.Report = report;
    FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, queue);
    FillBlankPadded(md.ReplyToQMgr, sizeof md.ReplyToQMgr, qmgr);
    ASSERT_EQ(Put(h, commands, pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_PING_Q_MGR).Finish(), &md),
              MQRC_NONE);
  }
  // Whether a Ping answered on the local reply queue within a few seconds.
  bool LocalPingAnswered() {
    Ping(reply_queue, "QM1");
    std::string data;
    return Get(h, replies, &data, nullptr, 5000) == MQRC_NONE;
  }
};

TEST_F(RemoteTest, AStoppedQueueManagerDelaysOnlyTheMessagesForIt) {
  MQHOBJ remote = Open(h, "REMOTE.Q", MQOO_OUTPUT, 0, nullptr, "QM2");
  Paused paused("QM2");
  Ping("REMOTE.Q", "QM2");
  EXPECT_TRUE(LocalPingAnswered());
  // An application's puts return while the messages wait for QM2.
  EXPECT_EQ(Put(h, remote, "first"), MQRC_NONE);
  EXPECT_EQ(Put(h, remote, "second"), MQRC_NONE);
  EXPECT_TRUE(LocalPingAnswered());
  MQHCONN other = Connect("QM1");
  MQHOBJ local = Open(other, "SYSTEM.DEFAULT.LOCAL.QUEUE", MQOO_OUTPUT);
  EXPECT_EQ(Put(other, local, "unhindered"), MQRC_NONE);
  Disconnect(&other);

  // QM2 goes on and gets every message once, in order.
  paused.Resume();
  MQHCONN h2 = Connect("QM2");
  MQHOBJ in = Open(h2, "REMOTE.Q", MQOO_INPUT_SHARED);
  std::string data;
  MQMD md = {MQMD_DEFAULT};
  ASSERT_EQ(Get(h2, in, &data, &md, 5000), MQRC_NONE);
  EXPECT_EQ(std::string(md.Format, 8), "MQADMIN ");
  EXPECT_EQ(md.MsgType, MQMT_REPLY);
  ASSERT_EQ(Get(h2, in, &data, nullptr, 5000), MQRC_NONE);
  EXPECT_EQ(data, "first");
  ASSERT_EQ(Get(h2, in, &data, nullptr, 5000), MQRC_NONE);
  EXPECT_EQ(data, "second");
  EXPECT_EQ(Get(h2, in, &data), MQRC_NO_MSG_AVAILABLE);
  Disconnect(&h2);
}

TEST_F(RemoteTest, WhatCannotReachAQueueManagerGoesToTheDeadLetterQueue) {
  MQHOBJ dlq = Open(h, "SYSTEM.DEAD.LETTER.QUEUE", MQOO_INPUT_SHARED);
  std::string data;
  // The remote put fails: QM2 has no such queue.
  MQHOBJ missing = Open(h, "NO.SUCH.Q", MQOO_OUTPUT, 0, nullptr, "QM2");
  EXPECT_EQ(Put(h, missing, "for nobody"), MQRC_NONE);
  ASSERT_EQ(Get(h, dlq, &data, nullptr, 5000), MQRC_NONE);
  EXPECT_EQ(data, "for nobody");
  // QM2 has ended: a put through a handle opened before, and a reply.
  MQHOBJ remote = Open(h, "REMOTE.Q", MQOO_OUTPUT, 0, nullptr, "QM2");
  qm2.Stop();
  EXPECT_EQ(Put(h, remote, "too late"), MQRC_NONE);
  ASSERT_EQ(Get(h, dlq, &data, nullptr, 5000), MQRC_NONE);
  EXPECT_EQ(data, "too late");
  Ping("REMOTE.Q", "QM2");
  MQMD md = {MQMD_DEFAULT};
  ASSERT_EQ(Get(h, dlq, &data, &md, 5000), MQRC_NONE);
  EXPECT_EQ(md.MsgType, MQMT_REPLY);
  // Unless the report options say discard.
  Ping("REMOTE.Q", "QM2", MQRO_DISCARD_MSG);
  EXPECT_TRUE(LocalPingAnswered());
  EXPECT_EQ(Get(h, dlq, &data), MQRC_NO_MSG_AVAILABLE);
}

}  // namespace
}  // namespace mqemu_test
