// Triggering: the trigger messages that FIRST, EVERY and DEPTH queues put on
// their initiation queue and when they do not, the MQTM's fields, and the
// trigger monitor that starts the process's program with the MQTMC2 and ends
// when the queue manager stops.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "qmgr_fixture.h"
#include "support/run_program.h"

namespace mqemu_test {
namespace {

std::string Padded(const std::string& s, size_t n) {
  return s + std::string(n - s.size(), ' ');
}

class TriggerTest : public ::testing::Test {
 protected:
  EmuHome home;
  QueueManagerProcess qm1{"QM1"};
  MQHCONN h = MQHC_UNUSABLE_HCONN;

  void SetUp() override {
    ASSERT_TRUE(qm1.running());
    ASSERT_EQ(RunTool("define-process QM1 APP.PROC --applicid /opt/app/run --userdata '-q X'"), 0);
    ASSERT_EQ(RunTool("define QM1 INIT.Q"), 0);
    h = Connect();
  }
  void TearDown() override {
    if (h != MQHC_UNUSABLE_HCONN) Disconnect(&h);
  }

  void DefineTriggered(const std::string& options) {
    ASSERT_EQ(RunTool("define QM1 APP.Q --initq INIT.Q --process APP.PROC " + options), 0);
  }
  void PutTo(const std::string& queue, int count, MQLONG pmo_options = MQPMO_NO_SYNCPOINT) {
    MQHOBJ q = Open(h, queue, MQOO_OUTPUT);
    for (int i = 0; i < count; ++i) ASSERT_EQ(Put(h, q, "m", nullptr, pmo_options), MQRC_NONE);
    Close(h, &q);
  }
  // The messages on a queue now, taken off it.
  int Drain(const std::string& queue) {
    MQHOBJ q = Open(h, queue, MQOO_INPUT_SHARED);
    int n = 0;
    std::string data;
    while (Get(h, q, &data) == MQRC_NONE) ++n;
    Close(h, &q);
    return n;
  }
};

TEST_F(TriggerTest, FirstTriggersWhenTheDepthGoesFromZeroToOneWithNoReader) {
  DefineTriggered("--trigger first --trigdata 'the data'");
  MQHOBJ initq = Open(h, "INIT.Q", MQOO_INPUT_SHARED);
  PutTo("APP.Q", 2);
  std::string tm_data;
  MQMD md = {MQMD_DEFAULT};
  ASSERT_EQ(Get(h, initq, &tm_data, &md), MQRC_NONE);
  EXPECT_EQ(std::string(md.Format, 8), "MQTRIG  ");
  EXPECT_EQ(md.MsgType, MQMT_DATAGRAM);
  ASSERT_EQ(tm_data.size(), sizeof(MQTM));
  MQTM tm;
  std::memcpy(&tm, tm_data.data(), sizeof tm);
  EXPECT_EQ(std::string(tm.StrucId, 4), "TM  ");
  EXPECT_EQ(tm.Version, MQTM_VERSION_1);
  EXPECT_EQ(std::string(tm.QName, 48), Padded("APP.Q", 48));
  EXPECT_EQ(std::string(tm.ProcessName, 48), Padded("APP.PROC", 48));
  EXPECT_EQ(std::string(tm.TriggerData, 64), Padded("the data", 64));
  EXPECT_EQ(tm.ApplType, MQAT_UNIX);
  EXPECT_EQ(std::string(tm.ApplId, 256), Padded("/opt/app/run", 256));
  EXPECT_EQ(std::string(tm.UserData, 128), Padded("-q X", 128));
  EXPECT_EQ(std::string(tm.EnvData, 128), Padded("", 128));
  std::string more;
  EXPECT_EQ(Get(h, initq, &more), MQRC_NO_MSG_AVAILABLE) << "the second message triggered";
  EXPECT_EQ(Drain("APP.Q"), 2);
  // While an application has the queue open for input, no trigger.
  MQHOBJ reader = Open(h, "APP.Q", MQOO_INPUT_SHARED);
  PutTo("APP.Q", 1);
  EXPECT_EQ(Get(h, initq, &more), MQRC_NO_MSG_AVAILABLE);
  Close(h, &reader);
  EXPECT_EQ(Drain("APP.Q"), 1);
  // Empty again: the next message triggers again.
  PutTo("APP.Q", 1);
  EXPECT_EQ(Get(h, initq, &more), MQRC_NONE);
  Close(h, &initq);
}

TEST_F(TriggerTest, FirstTriggerMissedWhileNobodyServesTheInitiationQueueComesOnItsOpen) {
  DefineTriggered("--trigger first");
  PutTo("APP.Q", 1);
  MQHOBJ initq = Open(h, "INIT.Q", MQOO_INPUT_SHARED | MQOO_INQUIRE);
  std::string tm;
  EXPECT_EQ(Get(h, initq, &tm), MQRC_NONE);
  EXPECT_EQ(tm.substr(8, 5), "APP.Q");
  Close(h, &initq);
  // Missed, but the queue was emptied before a monitor came: nothing.
  EXPECT_EQ(Drain("APP.Q"), 1);
  PutTo("APP.Q", 1);
  EXPECT_EQ(Drain("APP.Q"), 1);
  initq = Open(h, "INIT.Q", MQOO_INPUT_SHARED);
  EXPECT_EQ(Get(h, initq, &tm), MQRC_NO_MSG_AVAILABLE);
  Close(h, &initq);
}

TEST_F(TriggerTest, EveryTriggersForEachMessageAndSyncpointPutsAtCommit) {
  DefineTriggered("--trigger every");
  MQHOBJ initq = Open(h, "INIT.Q", MQOO_INPUT_SHARED | MQOO_INQUIRE);
  PutTo("APP.Q", 3);
  EXPECT_EQ(InquireInt(h, initq, MQIA_CURRENT_Q_DEPTH), 3);
  PutTo("APP.Q", 2, MQPMO_SYNCPOINT);
  EXPECT_EQ(InquireInt(h, initq, MQIA_CURRENT_Q_DEPTH), 3);
  MQLONG cc, rc;
  MQCMIT(h, &cc, &rc);
  ASSERT_EQ(rc, MQRC_NONE);
  EXPECT_EQ(InquireInt(h, initq, MQIA_CURRENT_Q_DEPTH), 5);
  Close(h, &initq);
}

TEST_F(TriggerTest, DepthTriggersOnceAtTheDepthAndSwitchesTriggeringOff) {
  DefineTriggered("--trigger depth --trigdepth 3");
  MQHOBJ initq = Open(h, "INIT.Q", MQOO_INPUT_SHARED | MQOO_INQUIRE);
  PutTo("APP.Q", 2);
  EXPECT_EQ(InquireInt(h, initq, MQIA_CURRENT_Q_DEPTH), 0);
  PutTo("APP.Q", 1);
  EXPECT_EQ(InquireInt(h, initq, MQIA_CURRENT_Q_DEPTH), 1);
  MQHOBJ app = Open(h, "APP.Q", MQOO_INQUIRE);
  EXPECT_EQ(InquireInt(h, app, MQIA_TRIGGER_CONTROL), MQTC_OFF);
  Close(h, &app);
  PutTo("APP.Q", 3);
  EXPECT_EQ(InquireInt(h, initq, MQIA_CURRENT_Q_DEPTH), 1);
  Close(h, &initq);
}

// Runs the tool in a child process with its output to `output`.
pid_t SpawnTool(const std::vector<std::string>& args, const std::string& output) {
  int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  pid_t pid = StartProgram(MQEMU_TOOL, args, fd);
  ::close(fd);
  return pid;
}

// Waits up to five seconds for `done`.
template <typename Condition>
bool WaitFor(Condition done) {
  for (int i = 0; i < 500; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(TriggerTest, TriggerMonitorStartsTheProgramWithTheMqtmc2AndEndsWithTheQueueManager) {
  const std::string dir = home.path();
  const std::string program = dir + "/triggered.sh";
  std::ofstream(program) << "#!/bin/sh\nprintf '%s' \"$1\" > \"" << dir << "/arg.tmp\"\nmv \""
                         << dir << "/arg.tmp\" \"" << dir << "/arg\"\n";
  ::chmod(program.c_str(), 0700);
  // Defined with MQSC, as an administrator would.
  ASSERT_EQ(RunTool("mqsc QM1 \"DEFINE PROCESS(RUN.PROC) REPLACE APPLICID('" + program + "')\""),
            0);
  ASSERT_EQ(RunTool("mqsc QM1 \"DEFINE QLOCAL(APP.Q) TRIGGER TRIGTYPE(FIRST) INITQ(INIT.Q) "
                    "PROCESS(RUN.PROC)\""),
            0);
  pid_t monitor = SpawnTool({"trigger-monitor", "QM1", "INIT.Q"}, dir + "/monitor.out");
  ASSERT_GT(monitor, 0);
  MQHOBJ initq = Open(h, "INIT.Q", MQOO_INQUIRE);
  ASSERT_TRUE(WaitFor([&] { return InquireInt(h, initq, MQIA_OPEN_INPUT_COUNT) == 1; }));
  Close(h, &initq);
  PutTo("APP.Q", 1);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(dir + "/arg"); }));
  const std::string arg = ReadFile(dir + "/arg");
  ASSERT_EQ(arg.size(), 732u);
  EXPECT_EQ(arg.substr(0, 8), "TMC    2");
  EXPECT_EQ(arg.substr(8, 48), Padded("APP.Q", 48));
  EXPECT_EQ(arg.substr(56, 48), Padded("RUN.PROC", 48));
  EXPECT_EQ(arg.substr(168, 4), "   6");
  EXPECT_EQ(arg.substr(172, 256), Padded(program, 256));
  EXPECT_EQ(arg.substr(684, 48), Padded("QM1", 48));
  Disconnect(&h);
  qm1.Stop("");  // a controlled end
  int status = -1;
  ASSERT_TRUE(WaitFor([&] { return ::waitpid(monitor, &status, WNOHANG) == monitor; }));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::string out = ReadFile(dir + "/monitor.out");
  EXPECT_NE(out.find("queue APP.Q: started " + program), std::string::npos) << out;
}

}  // namespace
}  // namespace mqemu_test
