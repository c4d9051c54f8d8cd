// The command server's replies: IBM's PCF reply format checked byte for
// byte, one reply per object for generic names, MsgId and CorrelId by the
// request's report options, error replies, authority by the request's
// identity, the queue commands and the command server controls.
#include <cstring>
#include <vector>

#include "mq/pcf.h"
#include "pcf/pcf_message.h"
#include "qmgr_fixture.h"

namespace mqemu_test {
namespace {

struct Reply {
  MQMD md;
  std::string data;
  MQCFH header() const {
    MQCFH h{};
    std::memcpy(&h, data.data(), std::min(data.size(), sizeof h));
    return h;
  }
};

std::string Ints(std::initializer_list<MQLONG> values) {
  std::string out;
  for (MQLONG v : values) out.append(reinterpret_cast<const char*>(&v), 4);
  return out;
}

std::string Padded(const std::string& s, size_t n) {
  return s + std::string(n - s.size(), ' ');
}

class CommandServerTest : public ::testing::Test {
 protected:
  EmuHome home;
  QueueManagerProcess qm1{"QM1"};
  MQHCONN h = MQHC_UNUSABLE_HCONN;
  MQHOBJ replies = MQHO_UNUSABLE_HOBJ;
  MQHOBJ commands = MQHO_UNUSABLE_HOBJ;
  std::string reply_queue;

  void SetUp() override {
    ASSERT_TRUE(qm1.running());
    ASSERT_EQ(RunTool("define QM1 APP.Q --maxmsglen 100 --description 'app queue'"), 0);
    h = Connect();
    replies = Open(h, "SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_EXCLUSIVE, 0, &reply_queue);
    commands = Open(h, "SYSTEM.ADMIN.COMMAND.QUEUE", MQOO_OUTPUT);
  }
  void TearDown() override { Disconnect(&h); }

  // Puts a request (through `via`, default the command queue handle) and
  // collects its replies until MQCFC_LAST or a short wait without any.
  std::vector<Reply> Send(const std::string& request, MQMD* md_io = nullptr,
                          MQLONG wait_ms = 2000) {
    MQMD md = {MQMD_DEFAULT};
    if (md_io) md = *md_io;
    std::memcpy(md.Format, MQFMT_ADMIN, 8);
    md.MsgType = MQMT_REQUEST;
    SetName(md.ReplyToQ, sizeof md.ReplyToQ, reply_queue);
    EXPECT_EQ(Put(h, commands, request, &md), MQRC_NONE);
    if (md_io) *md_io = md;
    return Collect(wait_ms);
  }
  std::vector<Reply> Collect(MQLONG wait_ms = 2000) {
    std::vector<Reply> out;
    for (;;) {
      Reply r;
      r.md = MQMD{MQMD_DEFAULT};
      if (Get(h, replies, &r.data, &r.md, wait_ms) != MQRC_NONE) break;
      out.push_back(r);
      if (r.header().Control & MQCFC_LAST) break;
    }
    return out;
  }
  static std::string InquireQueue(const std::string& name, std::vector<MQLONG> attrs) {
    mqemu::PcfBuilder b(MQCFT_COMMAND, MQCMD_INQUIRE_Q);
    b.String(MQCA_Q_NAME, name);
    if (!attrs.empty()) b.IntegerList(MQIACF_Q_ATTRS, attrs);
    return b.Finish();
  }
};

TEST_F(CommandServerTest, InquireQueueReplyIsIbmsFormatByteForByte) {
  MQMD md = {MQMD_DEFAULT};
  md.Persistence = MQPER_PERSISTENT;
  auto got = Send(InquireQueue("APP.Q", {MQIA_MAX_MSG_LENGTH, MQCA_Q_DESC}), &md);
  ASSERT_EQ(got.size(), 1u);
  std::string expected = Ints({MQCFT_RESPONSE, 36, 1, MQCMD_INQUIRE_Q, 1, MQCFC_LAST, 0, 0, 4}) +
                         Ints({MQCFT_STRING, 68, MQCA_Q_NAME, 819, 48}) + Padded("APP.Q", 48) +
                         Ints({MQCFT_INTEGER, 16, MQIA_Q_TYPE, MQQT_LOCAL}) +
                         Ints({MQCFT_INTEGER, 16, MQIA_MAX_MSG_LENGTH, 100}) +
                         Ints({MQCFT_STRING, 84, MQCA_Q_DESC, 819, 64}) + Padded("app queue", 64);
  EXPECT_EQ(got[0].data, expected);
  EXPECT_EQ(got[0].md.MsgType, MQMT_REPLY);
  EXPECT_EQ(std::string(got[0].md.Format, 8), "MQADMIN ");
  EXPECT_EQ(got[0].md.Persistence, MQPER_PERSISTENT);
  EXPECT_EQ(std::memcmp(got[0].md.CorrelId, md.MsgId, 24), 0);
  EXPECT_NE(std::memcmp(got[0].md.MsgId, md.MsgId, 24), 0);
}

TEST_F(CommandServerTest, GenericNamesGiveOneNumberedReplyPerQueue) {
  auto got = Send(InquireQueue("SYSTEM.*", {MQIACF_ALL}));
  ASSERT_EQ(got.size(), 4u);
  const char* names[] = {"SYSTEM.ADMIN.COMMAND.QUEUE", "SYSTEM.DEAD.LETTER.QUEUE",
                         "SYSTEM.DEFAULT.LOCAL.QUEUE", "SYSTEM.DEFAULT.MODEL.QUEUE"};
  for (size_t i = 0; i < got.size(); ++i) {
    MQCFH hdr = got[i].header();
    EXPECT_EQ(hdr.MsgSeqNumber, static_cast<MQLONG>(i + 1));
    EXPECT_EQ(hdr.Control, i + 1 == got.size() ? MQCFC_LAST : MQCFC_NOT_LAST);
    mqemu::PcfMessage m;
    ASSERT_EQ(mqemu::ParsePcf(got[i].data, &m), 0);
    ASSERT_GE(m.parameters.size(), 2u);
    EXPECT_EQ(m.parameters[0].text, Padded(names[i], 48));
    EXPECT_EQ(static_cast<MQLONG>(m.parameters.size()), hdr.ParameterCount);
  }
  MQMD pass = {MQMD_DEFAULT};
  pass.Report = MQRO_PASS_MSG_ID | MQRO_PASS_CORREL_ID;
  std::memcpy(pass.CorrelId, "CLIENT-CORREL", 13);
  got = Send(InquireQueue("SYSTEM.DEFAULT.*", {}), &pass);
  ASSERT_EQ(got.size(), 2u);
  for (const Reply& r : got) {
    EXPECT_EQ(std::memcmp(r.md.MsgId, pass.MsgId, 24), 0);
    EXPECT_EQ(std::memcmp(r.md.CorrelId, "CLIENT-CORREL", 13), 0);
  }
}

TEST_F(CommandServerTest, FailuresGiveOneErrorReply) {
  auto got = Send(InquireQueue("NO.SUCH.Q", {}));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].data, Ints({MQCFT_RESPONSE, 36, 1, MQCMD_INQUIRE_Q, 1, MQCFC_LAST, MQCC_FAILED,
                               MQRC_UNKNOWN_OBJECT_NAME, 0}));
  got = Send(mqemu::PcfBuilder(MQCFT_COMMAND, 999).Finish());
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().Reason, MQRCCF_CFH_COMMAND_ERROR);
  got = Send(Ints({MQCFT_COMMAND, 36, 1}));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().Reason, MQRCCF_MSG_LENGTH_ERROR);
  std::string lying = InquireQueue("APP.Q", {});
  lying[36 + 16] = 100;  // MQCFST StringLength beyond the message
  got = Send(lying);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().CompCode, MQCC_FAILED);
  got = Send(mqemu::PcfBuilder(MQCFT_COMMAND, MQCMD_ESCAPE).Finish());
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().Reason, MQRCCF_CFH_COMMAND_ERROR);
}

TEST_F(CommandServerTest, AuthorityFollowsTheRequestsIdentityEvenWhenForwarded) {
  ASSERT_EQ(RunTool("fault QM1 deny alice command-server"), 0);
  ASSERT_EQ(RunTool("define QM1 AGENT.IN"), 0);
  MQHCONN alice = Connect("QM1", "alice");
  MQHOBJ agent_in = Open(alice, "AGENT.IN", MQOO_OUTPUT);
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_ADMIN, 8);
  SetName(md.ReplyToQ, sizeof md.ReplyToQ, reply_queue);
  mqemu::PcfBuilder ping(MQCFT_COMMAND, MQCMD_PING_Q_MGR);
  ASSERT_EQ(Put(alice, agent_in, ping.Finish(), &md), MQRC_NONE);
  Disconnect(&alice);
  // The agent forwards alice's request with her context.
  MQHCONN agent = Connect("QM1", "agent");
  MQHOBJ in = Open(agent, "AGENT.IN", MQOO_INPUT_SHARED | MQOO_SAVE_ALL_CONTEXT);
  MQHOBJ cmd = Open(agent, "SYSTEM.ADMIN.COMMAND.QUEUE", MQOO_OUTPUT | MQOO_PASS_ALL_CONTEXT);
  std::string request;
  MQMD got_md = {MQMD_DEFAULT};
  ASSERT_EQ(Get(agent, in, &request, &got_md), MQRC_NONE);
  ASSERT_EQ(Put(agent, cmd, request, &got_md, MQPMO_PASS_ALL_CONTEXT, in), MQRC_NONE);
  auto got = Collect();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().CompCode, MQCC_FAILED);
  EXPECT_EQ(got[0].header().Reason, MQRC_NOT_AUTHORIZED);
  got = Send(ping.Finish());
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().CompCode, MQCC_OK);
  Disconnect(&agent);
}

TEST_F(CommandServerTest, CreateChangeClearDeleteAndListQueues) {
  mqemu::PcfBuilder create(MQCFT_COMMAND, MQCMD_CREATE_Q);
  create.String(MQCA_Q_NAME, "NEW.Q");
  create.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  create.Integer(MQIA_MAX_Q_DEPTH, 7);
  EXPECT_EQ(Send(create.Finish())[0].header().CompCode, MQCC_OK);
  EXPECT_EQ(Send(create.Finish())[0].header().Reason, MQRCCF_OBJECT_ALREADY_EXISTS);
  mqemu::PcfBuilder change(MQCFT_COMMAND, MQCMD_CHANGE_Q);
  change.String(MQCA_Q_NAME, "NEW.Q");
  change.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  change.Integer(MQIA_MAX_MSG_LENGTH, 64);
  EXPECT_EQ(Send(change.Finish())[0].header().CompCode, MQCC_OK);
  MQHOBJ q = Open(h, "NEW.Q", MQOO_INQUIRE | MQOO_OUTPUT);
  EXPECT_EQ(InquireInt(h, q, MQIA_MAX_MSG_LENGTH), 64);
  EXPECT_EQ(InquireInt(h, q, MQIA_MAX_Q_DEPTH), 7);
  ASSERT_EQ(Put(h, q, "m"), MQRC_NONE);
  mqemu::PcfBuilder clear(MQCFT_COMMAND, MQCMD_CLEAR_Q);
  clear.String(MQCA_Q_NAME, "NEW.Q");
  EXPECT_EQ(Send(clear.Finish())[0].header().Reason, MQRCCF_OBJECT_OPEN);
  Close(h, &q);
  EXPECT_EQ(Send(clear.Finish())[0].header().CompCode, MQCC_OK);
  mqemu::PcfBuilder names(MQCFT_COMMAND, MQCMD_INQUIRE_Q_NAMES);
  names.String(MQCA_Q_NAME, "*");
  names.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  auto listed = Send(names.Finish());
  ASSERT_EQ(listed.size(), 1u);
  mqemu::PcfMessage m;
  ASSERT_EQ(mqemu::ParsePcf(listed[0].data, &m), 0);
  ASSERT_EQ(m.parameters[0].parameter, MQCACF_Q_NAMES);
  EXPECT_EQ(m.parameters[0].texts.size(), 6u);  // 3 local system queues, APP.Q, NEW.Q, replies
  mqemu::PcfBuilder del(MQCFT_COMMAND, MQCMD_DELETE_Q);
  del.String(MQCA_Q_NAME, "NEW.Q");
  EXPECT_EQ(Send(del.Finish())[0].header().CompCode, MQCC_OK);
  EXPECT_EQ(Send(del.Finish())[0].header().Reason, MQRC_UNKNOWN_OBJECT_NAME);
}

TEST_F(CommandServerTest, PausedCommandServerAnswersAfterResume) {
  ASSERT_EQ(RunTool("fault QM1 command-server pause"), 0);
  mqemu::PcfBuilder ping(MQCFT_COMMAND, MQCMD_PING_Q_MGR);
  EXPECT_TRUE(Send(ping.Finish(), nullptr, 100).empty());
  ASSERT_EQ(RunTool("fault QM1 reply-delay 50"), 0);
  ASSERT_EQ(RunTool("fault QM1 command-server resume"), 0);
  auto got = Collect();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().Command, MQCMD_PING_Q_MGR);
}

TEST(CommandServerOff, AnotherProgramMayServeTheCommandQueue) {
  EmuHome home;
  QueueManagerProcess qm("QM1", "--default --no-command-server");
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, "SYSTEM.ADMIN.COMMAND.QUEUE", MQOO_INPUT_EXCLUSIVE);
  Close(h, &q);
  Disconnect(&h);
}

}  // namespace
}  // namespace mqemu_test
