// Clients of the client library as the queue manager sees them: the
// server-connection channel each names (MQSERVER, or the MQCD of MQCONNX),
// refused unless the queue manager defines it as one, and each connected
// client a running channel instance in channel status and in its
// connection's status, in PCF and MQSC.
#include <cmqc.h>
#include <cmqxc.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "qmgr_fixture.h"

namespace mqemu_test {
namespace {

// MQCONN through the channel that MQSERVER names; its reason.
MQLONG ConnectThrough(const char* server, MQHCONN* h) {
  ::setenv("MQSERVER", server, 1);
  MQLONG cc = 0, reason = 0;
  char qmgr[MQ_Q_MGR_NAME_LENGTH] = "QMCHL";
  MQCONN(qmgr, h, &cc, &reason);
  ::unsetenv("MQSERVER");
  return reason;
}

std::string Mqsc(const std::string& command) {
  std::string out;
  EXPECT_EQ(RunTool("mqsc QMCHL \"" + command + "\"", &out) & ~10, 0) << out;
  return out;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(ChannelStatusTest, ClientsNameTheirChannelAndRunAsItsInstances) {
  EmuHome home;
  QueueManagerProcess qm{"QMCHL"};
  ASSERT_TRUE(qm.running());
  ASSERT_EQ(RunTool("define-channel QMCHL APP.SVRCONN"), 0);
  ASSERT_EQ(RunTool("define-channel QMCHL TO.X --type sdr"), 0);
  ASSERT_EQ(RunTool("define QMCHL APP.Q"), 0);
  EXPECT_NE(Mqsc("DISPLAY CHSTATUS(*)").find("AMQ8420I: Channel Status not found."),
            std::string::npos);

  // None named: the default channel. Named by MQSERVER; by the MQCD of
  // MQCONNX, which wins over MQSERVER.
  ::unsetenv("MQSERVER");
  MQHCONN plain = Connect("QMCHL");
  MQHCONN named = MQHC_UNUSABLE_HCONN, by_mqcd = MQHC_UNUSABLE_HCONN, refused;
  ASSERT_EQ(ConnectThrough("APP.SVRCONN/TCP/localhost(1414)", &named), MQRC_NONE);
  EXPECT_EQ(ConnectThrough("NO.SUCH/TCP/localhost(1414)", &refused), MQRC_UNKNOWN_CHANNEL_NAME);
  EXPECT_EQ(ConnectThrough("TO.X/TCP/localhost(1414)", &refused), MQRC_UNKNOWN_CHANNEL_NAME);
  MQCD cd = {MQCD_CLIENT_CONN_DEFAULT};
  std::memcpy(cd.ChannelName, "APP.SVRCONN", 11);
  MQCNO cno = {MQCNO_DEFAULT};
  cno.Version = MQCNO_VERSION_2;
  cno.ClientConnPtr = &cd;
  ::setenv("MQSERVER", "NO.SUCH/TCP/localhost(1414)", 1);
  MQLONG cc = 0, reason = 0;
  char qmgr[MQ_Q_MGR_NAME_LENGTH] = "QMCHL";
  MQCONNX(qmgr, &cno, &by_mqcd, &cc, &reason);
  ::unsetenv("MQSERVER");
  ASSERT_EQ(reason, MQRC_NONE);

  // Traffic on one instance: two puts and a get.
  MQHOBJ out = Open(named, "APP.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED);
  ASSERT_EQ(Put(named, out, "one"), MQRC_NONE);
  ASSERT_EQ(Put(named, out, "two"), MQRC_NONE);
  std::string got;
  ASSERT_EQ(Get(named, out, &got), MQRC_NONE);

  std::string all = Mqsc("DISPLAY CHSTATUS(*)");
  EXPECT_EQ(Count(all, "AMQ8417I: Display Channel Status details."), 3u) << all;
  EXPECT_EQ(Count(all, "CHANNEL(APP.SVRCONN)"), 2u);
  EXPECT_EQ(Count(all, "CHANNEL(SYSTEM.DEF.SVRCONN)"), 1u);
  EXPECT_EQ(Count(all, "STATUS(RUNNING)"), 3u);
  EXPECT_NE(all.find("CHLTYPE(SVRCONN)"), std::string::npos);
  EXPECT_NE(all.find("CONNAME(127.0.0.1)"), std::string::npos);
  // Selected attributes come with the instance's identity; the first
  // instance of APP.SVRCONN is the one that carried the messages.
  std::string app = Mqsc("DISPLAY CHSTATUS(APP.*) MSGS LSTMSGDA BYTSSENT BYTSRCVD");
  EXPECT_NE(app.find("MSGS(3)"), std::string::npos) << app;
  EXPECT_NE(app.find("MSGS(0)"), std::string::npos);
  EXPECT_NE(app.find("LSTMSGDA( )"), std::string::npos);
  EXPECT_NE(app.find("LSTMSGDA(20"), std::string::npos);
  EXPECT_NE(app.find("STATUS(RUNNING)"), std::string::npos);
  EXPECT_EQ(app.find("BYTSSENT(0)"), std::string::npos);
  std::string conns = Mqsc("DISPLAY CONN(*) TYPE(CONN) CHANNEL");
  EXPECT_EQ(Count(conns, "CHANNEL(APP.SVRCONN)"), 2u) << conns;
  // PCF: one response per instance, the counts as integers.
  std::string pcf;
  ASSERT_EQ(RunTool("pcf QMCHL INQUIRE_CHANNEL_STATUS CHANNEL_NAME=APP.SVRCONN "
                    "CHANNEL_INSTANCE_ATTRS=MSGS,LAST_MSG_TIME",
                    &pcf),
            0);
  EXPECT_NE(pcf.find("MSGS (1534) = 3"), std::string::npos) << pcf;
  EXPECT_EQ(Count(pcf, "CHANNEL_STATUS (1527) = 3"), 2u);
  EXPECT_NE(Mqsc("DISPLAY CHSTATUS(NONE*)").find("AMQ8420I"), std::string::npos);

  Close(named, &out);
  for (MQHCONN* h : {&plain, &named, &by_mqcd}) Disconnect(h);
  EXPECT_NE(Mqsc("DISPLAY CHSTATUS(*)").find("AMQ8420I"), std::string::npos);
}

}  // namespace
}  // namespace mqemu_test
