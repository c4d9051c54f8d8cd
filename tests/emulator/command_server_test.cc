// The command server's replies: IBM's PCF reply format checked byte for
// byte, one reply per object for generic names, MsgId and CorrelId by the
// request's report options, error replies, authority by the request's
// identity, the queue and process commands and the command server controls;
// on a z/OS queue manager the command queue and its alias, extended
// responses and the reply sets of MQSC text requests.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "command_server_fixture.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"
#include "pcf/pcf_writer.h"
#include "qmgr_fixture.h"

namespace mqemu_test {
namespace {

std::string Ints(std::initializer_list<MQLONG> values) {
  std::string out;
  for (MQLONG v : values) out.append(reinterpret_cast<const char*>(&v), 4);
  return out;
}

std::string Padded(const std::string& s, size_t n) {
  return s + std::string(n - s.size(), ' ');
}

class CommandServerTest : public CommandServerFixture {
 protected:
  CommandServerTest() : CommandServerFixture("--default") {}
};

TEST_F(CommandServerTest, InquireQueueReplyIsIbmsFormatByteForByte) {
  MQMD md = {MQMD_DEFAULT};
  md.Persistence = MQPER_PERSISTENT;
  auto got = Send(InquireQueue("APP.Q", {MQIA_MAX_MSG_LENGTH, MQCA_Q_DESC}), &md);
  ASSERT_EQ(got.size(), 1u);
  // The attributes come in IBM MQ's order, whatever the order asked.
  std::string expected = Ints({MQCFT_RESPONSE, 36, 1, MQCMD_INQUIRE_Q, 1, MQCFC_LAST, 0, 0, 4}) +
                         Ints({MQCFT_STRING, 68, MQCA_Q_NAME, 819, 48}) + Padded("APP.Q", 48) +
                         Ints({MQCFT_INTEGER, 16, MQIA_Q_TYPE, MQQT_LOCAL}) +
                         Ints({MQCFT_STRING, 84, MQCA_Q_DESC, 819, 64}) + Padded("app queue", 64) +
                         Ints({MQCFT_INTEGER, 16, MQIA_MAX_MSG_LENGTH, 100});
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
    pcf::PcfMessage m;
    ASSERT_EQ(pcf::ParsePcf(got[i].data, &m), 0);
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
  got = Send(pcf::PcfBuilder(MQCFT_COMMAND, 999).Finish());
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
  got = Send(pcf::PcfBuilder(MQCFT_COMMAND, 12345).Finish());
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().Reason, MQRCCF_CFH_COMMAND_ERROR);
}

TEST_F(CommandServerTest, ListCountsBeyondTheMessageGetAnErrorReplyAndServingGoesOn) {
  // Eighty bytes claiming two billion empty strings.
  std::string request = Ints({MQCFT_COMMAND, 36, 1, MQCMD_INQUIRE_Q_NAMES, 1, 1, 0, 0, 1}) +
                        Ints({MQCFT_STRING_LIST, 44, MQCACF_Q_NAMES, 0, 2000000000, 0}) +
                        std::string(20, ' ');
  ASSERT_EQ(request.size(), 80u);
  auto got = Send(request);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().CompCode, MQCC_FAILED);
  EXPECT_EQ(got[0].header().Reason, MQRCCF_CFSL_COUNT_ERROR);
  std::string out;
  EXPECT_EQ(RunTool("pcf QM1 PING_Q_MGR", &out), 0) << out;
  EXPECT_NE(out.find("CompCode=0"), std::string::npos) << out;
}

// What the command server cannot read goes to the dead-letter queue, or
// nowhere when its sender asked for that.
TEST_F(CommandServerTest, UnreadableRequestsAreDeadLetteredUnlessDiscardIsAsked) {
  MQHOBJ dead = Open(h, "SYSTEM.DEAD.LETTER.QUEUE", MQOO_INQUIRE);
  MQMD text = {MQMD_DEFAULT};
  std::memcpy(text.Format, MQFMT_STRING, 8);
  text.Report = MQRO_DISCARD_MSG;
  EXPECT_TRUE(Send("DISPLAY QMGR", &text, 300).empty());
  EXPECT_EQ(InquireInt(h, dead, MQIA_CURRENT_Q_DEPTH), 0);
  text.Report = MQRO_NONE;
  EXPECT_TRUE(Send("DISPLAY QMGR", &text, 300).empty());
  EXPECT_EQ(InquireInt(h, dead, MQIA_CURRENT_Q_DEPTH), 1);
  EXPECT_EQ(Send(InquireQueue("APP.Q", {})).size(), 1u) << "serving goes on";
}

TEST_F(CommandServerTest, EscapeGivesOneReplyPerBlockOfMqscOutput) {
  auto got = Send(EscapeRequest("DISPLAY QLOCAL(SYSTEM.*)").Finish());
  ASSERT_EQ(got.size(), 3u);  // the three local system queues
  const char* names[] = {"SYSTEM.ADMIN.COMMAND.QUEUE", "SYSTEM.DEAD.LETTER.QUEUE",
                         "SYSTEM.DEFAULT.LOCAL.QUEUE"};
  for (size_t i = 0; i < got.size(); ++i) {
    MQCFH hdr = got[i].header();
    EXPECT_EQ(hdr.Command, MQCMD_ESCAPE);
    EXPECT_EQ(hdr.MsgSeqNumber, static_cast<MQLONG>(i + 1));
    EXPECT_EQ(hdr.Control, i + 1 == got.size() ? MQCFC_LAST : MQCFC_NOT_LAST);
    EXPECT_EQ(hdr.CompCode, MQCC_OK);
    pcf::PcfMessage m;
    ASSERT_EQ(pcf::ParsePcf(got[i].data, &m), 0);
    ASSERT_EQ(m.parameters.size(), 2u);
    EXPECT_EQ(m.parameters[0].parameter, MQIACF_ESCAPE_TYPE);
    EXPECT_EQ(m.parameters[0].value, MQET_MQSC);
    EXPECT_EQ(m.parameters[1].parameter, MQCACF_ESCAPE_TEXT);
    EXPECT_EQ(m.parameters[1].text.rfind("AMQ8409I: Display Queue details.\n", 0), 0u);
    EXPECT_NE(m.parameters[1].text.find(std::string("QUEUE(") + names[i] + ")"), std::string::npos)
        << m.parameters[1].text;
  }
}

TEST_F(CommandServerTest, EscapeChangesTheQueueManagerAndReportsFailures) {
  auto made = Send(EscapeRequest("DEFINE QLOCAL(MQSC.Q) MAXMSGL(1000)").Finish());
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].header().CompCode, MQCC_OK);
  auto shown = Send(InquireQueue("MQSC.Q", {MQIA_MAX_MSG_LENGTH}));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].header().CompCode, MQCC_OK);

  auto failed = Send(EscapeRequest("DELETE QLOCAL(NO.SUCH.Q)").Finish());
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0].header().CompCode, MQCC_FAILED);
  EXPECT_NE(failed[0].header().Reason, MQRC_NONE);
  EXPECT_EQ(failed[0].header().Control, MQCFC_LAST);

  auto bad_type = Send(EscapeRequest("DISPLAY QMGR", 2).Finish());
  ASSERT_EQ(bad_type.size(), 1u);
  EXPECT_EQ(bad_type[0].header().Reason, MQRCCF_ESCAPE_TYPE_ERROR);
  auto missing = Send(pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_ESCAPE).Finish());
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0].header().Reason, MQRCCF_PARM_COUNT_TOO_SMALL);
}

TEST_F(CommandServerTest, AuthorityFollowsTheRequestsIdentityEvenWhenForwarded) {
  ASSERT_EQ(RunTool("fault QM1 deny alice command-server"), 0);
  ASSERT_EQ(RunTool("define QM1 AGENT.IN"), 0);
  MQHCONN alice = Connect("QM1", "alice");
  MQHOBJ agent_in = Open(alice, "AGENT.IN", MQOO_OUTPUT);
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_ADMIN, 8);
  FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, reply_queue);
  pcf::PcfBuilder ping(MQCFT_COMMAND, MQCMD_PING_Q_MGR);
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
  pcf::PcfBuilder create(MQCFT_COMMAND, MQCMD_CREATE_Q);
  create.String(MQCA_Q_NAME, "NEW.Q");
  create.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  create.Integer(MQIA_MAX_Q_DEPTH, 7);
  EXPECT_EQ(Send(create.Finish())[0].header().CompCode, MQCC_OK);
  EXPECT_EQ(Send(create.Finish())[0].header().Reason, MQRCCF_OBJECT_ALREADY_EXISTS);
  pcf::PcfBuilder change(MQCFT_COMMAND, MQCMD_CHANGE_Q);
  change.String(MQCA_Q_NAME, "NEW.Q");
  change.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  change.Integer(MQIA_MAX_MSG_LENGTH, 64);
  EXPECT_EQ(Send(change.Finish())[0].header().CompCode, MQCC_OK);
  MQHOBJ q = Open(h, "NEW.Q", MQOO_INQUIRE | MQOO_OUTPUT);
  EXPECT_EQ(InquireInt(h, q, MQIA_MAX_MSG_LENGTH), 64);
  EXPECT_EQ(InquireInt(h, q, MQIA_MAX_Q_DEPTH), 7);
  ASSERT_EQ(Put(h, q, "m"), MQRC_NONE);
  pcf::PcfBuilder clear(MQCFT_COMMAND, MQCMD_CLEAR_Q);
  clear.String(MQCA_Q_NAME, "NEW.Q");
  EXPECT_EQ(Send(clear.Finish())[0].header().Reason, MQRCCF_OBJECT_OPEN);
  Close(h, &q);
  EXPECT_EQ(Send(clear.Finish())[0].header().CompCode, MQCC_OK);
  pcf::PcfBuilder names(MQCFT_COMMAND, MQCMD_INQUIRE_Q_NAMES);
  names.String(MQCA_Q_NAME, "*");
  names.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
  auto listed = Send(names.Finish());
  ASSERT_EQ(listed.size(), 1u);
  pcf::PcfMessage m;
  ASSERT_EQ(pcf::ParsePcf(listed[0].data, &m), 0);
  ASSERT_EQ(m.parameters[0].parameter, MQCACF_Q_NAMES);
  EXPECT_EQ(m.parameters[0].texts.size(), 6u);  // 3 local system queues, APP.Q, NEW.Q, replies
  pcf::PcfBuilder del(MQCFT_COMMAND, MQCMD_DELETE_Q);
  del.String(MQCA_Q_NAME, "NEW.Q");
  EXPECT_EQ(Send(del.Finish())[0].header().CompCode, MQCC_OK);
  EXPECT_EQ(Send(del.Finish())[0].header().Reason, MQRC_UNKNOWN_OBJECT_NAME);
}

// The reason and the parameter identifier of a one-reply failure.
std::pair<MQLONG, MQLONG> Failure(const std::vector<Reply>& got) {
  pcf::PcfMessage m;
  if (got.size() != 1 || pcf::ParsePcf(got[0].data, &m) != 0 ||
      got[0].header().CompCode != MQCC_FAILED) {
    return {0, 0};
  }
  for (const pcf::PcfParameter& p : m.parameters) {
    if (p.parameter == MQIACF_PARAMETER_ID) return {got[0].header().Reason, p.value};
  }
  return {got[0].header().Reason, 0};
}

TEST_F(CommandServerTest, AttributesInStructuresOfTheWrongTypeAreRefused) {
  auto queue_command = [](MQLONG command, const std::string& name) {
    pcf::PcfBuilder b(MQCFT_COMMAND, command);
    b.String(MQCA_Q_NAME, name);
    b.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
    return b;
  };
  pcf::PcfBuilder as_list = queue_command(MQCMD_CREATE_Q, "LIST.Q");
  as_list.IntegerList(MQIA_MAX_MSG_LENGTH, {1000});
  EXPECT_EQ(Failure(Send(as_list.Finish())),
            std::make_pair(MQRCCF_CFIL_PARM_ID_ERROR, MQLONG{MQIA_MAX_MSG_LENGTH}));
  pcf::PcfBuilder in_group = queue_command(MQCMD_CREATE_Q, "LIST.Q");
  in_group.Group(8000, 1);
  in_group.Integer(MQIA_MAX_MSG_LENGTH, 1000);
  EXPECT_EQ(Failure(Send(in_group.Finish())), std::make_pair(MQRCCF_CFGR_PARM_ID_ERROR, 8000));
  pcf::PcfBuilder as_text = queue_command(MQCMD_CREATE_Q, "LIST.Q");
  as_text.String(MQIA_MAX_MSG_LENGTH, "1000");
  EXPECT_EQ(Failure(Send(as_text.Finish())),
            std::make_pair(MQRCCF_CFST_PARM_ID_ERROR, MQLONG{MQIA_MAX_MSG_LENGTH}));
  pcf::PcfBuilder description_as_number = queue_command(MQCMD_CREATE_Q, "LIST.Q");
  description_as_number.Integer(MQCA_Q_DESC, 7);
  EXPECT_EQ(Failure(Send(description_as_number.Finish())),
            std::make_pair(MQRCCF_CFIN_PARM_ID_ERROR, MQLONG{MQCA_Q_DESC}));
  EXPECT_EQ(Failure(Send(InquireQueue("LIST.Q", {}))).first, MQRC_UNKNOWN_OBJECT_NAME);

  // A change of the wrong type leaves the queue as it was: puts go on.
  pcf::PcfBuilder change = queue_command(MQCMD_CHANGE_Q, "APP.Q");
  change.IntegerList(MQIA_MAX_MSG_LENGTH, {1000});
  EXPECT_EQ(Failure(Send(change.Finish())).first, MQRCCF_CFIL_PARM_ID_ERROR);
  pcf::PcfBuilder change_in_group = queue_command(MQCMD_CHANGE_Q, "APP.Q");
  change_in_group.Group(8000, 1);
  change_in_group.Integer(MQIA_MAX_MSG_LENGTH, 1000);
  EXPECT_EQ(Failure(Send(change_in_group.Finish())).first, MQRCCF_CFGR_PARM_ID_ERROR);
  MQHOBJ q = Open(h, "APP.Q", MQOO_INQUIRE | MQOO_OUTPUT);
  EXPECT_EQ(InquireInt(h, q, MQIA_MAX_MSG_LENGTH), 100);
  EXPECT_EQ(Put(h, q, "still fits"), MQRC_NONE);
  Close(h, &q);

  // Lists of selectors are lists; a name is a string.
  pcf::PcfBuilder single_selector(MQCFT_COMMAND, MQCMD_INQUIRE_Q);
  single_selector.String(MQCA_Q_NAME, "APP.Q");
  single_selector.Integer(MQIACF_Q_ATTRS, MQIA_MAX_MSG_LENGTH);
  EXPECT_EQ(Failure(Send(single_selector.Finish())),
            std::make_pair(MQRCCF_CFIN_PARM_ID_ERROR, MQLONG{MQIACF_Q_ATTRS}));
  pcf::PcfBuilder name_list(MQCFT_COMMAND, MQCMD_DELETE_PROCESS);
  name_list.StringList(MQCA_PROCESS_NAME, {"P"}, 48);
  EXPECT_EQ(Failure(Send(name_list.Finish())),
            std::make_pair(MQRCCF_CFSL_PARM_ID_ERROR, MQLONG{MQCA_PROCESS_NAME}));
}

TEST_F(CommandServerTest, MaxFileSizeIsDefinedChangedAndInquired) {
  auto inquired = [&]() -> MQLONG {
    auto got = Send(InquireQueue("FILE.Q", {MQIA_MAX_Q_FILE_SIZE}));
    pcf::PcfMessage m;
    if (got.size() != 1 || pcf::ParsePcf(got[0].data, &m) != 0) return 0;
    for (const pcf::PcfParameter& p : m.parameters) {
      if (p.parameter == MQIA_MAX_Q_FILE_SIZE) return p.value;
    }
    return 0;
  };
  auto queue_command = [](MQLONG command, const std::string& name, MQLONG type, MQLONG size) {
    pcf::PcfBuilder b(MQCFT_COMMAND, command);
    b.String(MQCA_Q_NAME, name);
    b.Integer(MQIA_Q_TYPE, type);
    b.Integer(MQIA_MAX_Q_FILE_SIZE, size);
    return b.Finish();
  };
  EXPECT_EQ(Send(queue_command(MQCMD_CREATE_Q, "FILE.Q", MQQT_LOCAL, 20))[0].header().CompCode,
            MQCC_OK);
  EXPECT_EQ(inquired(), 20);
  EXPECT_EQ(
      Send(queue_command(MQCMD_CHANGE_Q, "FILE.Q", MQQT_LOCAL, MQQFS_DEFAULT))[0].header().CompCode,
      MQCC_OK);
  EXPECT_EQ(inquired(), MQQFS_DEFAULT);
  EXPECT_EQ(Failure(Send(queue_command(MQCMD_CHANGE_Q, "FILE.Q", MQQT_LOCAL, 19))),
            std::make_pair(MQRCCF_PARM_VALUE_ERROR, MQLONG{MQIA_MAX_Q_FILE_SIZE}));
  EXPECT_EQ(Failure(Send(queue_command(MQCMD_CHANGE_Q, "FILE.Q", MQQT_LOCAL, 267386881))),
            std::make_pair(MQRCCF_PARM_VALUE_ERROR, MQLONG{MQIA_MAX_Q_FILE_SIZE}));
  EXPECT_EQ(inquired(), MQQFS_DEFAULT);
  // An alias queue has no file of its own.
  EXPECT_EQ(Failure(Send(queue_command(MQCMD_CREATE_Q, "FILE.A", MQQT_ALIAS, 20))),
            std::make_pair(MQRCCF_CFIN_PARM_ID_ERROR, MQLONG{MQIA_MAX_Q_FILE_SIZE}));
}

MQHOBJ OpenQueueManager(MQHCONN h) {
  MQOD od = {MQOD_DEFAULT};
  od.ObjectType = MQOT_Q_MGR;
  MQHOBJ object = MQHO_UNUSABLE_HOBJ;
  MQLONG cc, rc;
  MQOPEN(h, &od, MQOO_INQUIRE, &object, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE);
  return object;
}

TEST_F(CommandServerTest, QueueManagerLimitsAreChangedAndEnforced) {
  auto change = [&](MQLONG selector, MQLONG value) {
    pcf::PcfBuilder b(MQCFT_COMMAND, MQCMD_CHANGE_Q_MGR);
    b.Integer(MQIACF_FORCE, MQFC_YES);
    b.Integer(selector, value);
    return Send(b.Finish());
  };
  EXPECT_EQ(change(MQIA_MAX_HANDLES, 300)[0].header().CompCode, MQCC_OK);
  EXPECT_EQ(change(MQIA_MAX_MSG_LENGTH, 40000)[0].header().CompCode, MQCC_OK);
  EXPECT_EQ(Failure(change(MQIA_MAX_MSG_LENGTH, 32767)),
            std::make_pair(MQRCCF_MAX_MSG_LENGTH_ERROR, MQLONG{MQIA_MAX_MSG_LENGTH}));
  EXPECT_EQ(Failure(change(MQIA_MAX_HANDLES, 0)),
            std::make_pair(MQRCCF_PARM_VALUE_ERROR, MQLONG{MQIA_MAX_HANDLES}));
  EXPECT_EQ(Failure(change(MQIA_PLATFORM, MQPL_ZOS)),
            std::make_pair(MQRCCF_CFIN_PARM_ID_ERROR, MQLONG{MQIA_PLATFORM}));
  MQHOBJ qmgr_object = OpenQueueManager(h);
  EXPECT_EQ(InquireInt(h, qmgr_object, MQIA_MAX_HANDLES), 300);
  EXPECT_EQ(InquireInt(h, qmgr_object, MQIA_MAX_MSG_LENGTH), 40000);
  Close(h, &qmgr_object);

  // A put longer than the queue manager allows fails even where the queue
  // would take it, and no queue may be given more than the queue manager.
  ASSERT_EQ(RunTool("define QM1 BIG.Q --maxmsglen 40000"), 0);
  EXPECT_NE(RunTool("define QM1 BIGGER.Q --maxmsglen 40001"), 0);
  auto escape = Send(EscapeRequest("ALTER QMGR MAXMSGL(32768)").Finish());
  EXPECT_EQ(escape[0].header().CompCode, MQCC_OK);
  MQHOBJ q = Open(h, "BIG.Q", MQOO_OUTPUT);
  EXPECT_EQ(Put(h, q, std::string(32768, 'm')), MQRC_NONE);
  EXPECT_EQ(Put(h, q, std::string(32769, 'm')), MQRC_MSG_TOO_BIG_FOR_Q_MGR);
  Close(h, &q);

  // The dead-letter queue is the one DEADQ names: a request the command
  // server cannot read and a reply for a queue that does not exist go there.
  ASSERT_EQ(RunTool("define QM1 OTHER.DLQ"), 0);
  EXPECT_EQ(Send(EscapeRequest("ALTER QMGR DEADQ(OTHER.DLQ)").Finish())[0].header().CompCode,
            MQCC_OK);
  MQMD text = {MQMD_DEFAULT};
  std::memcpy(text.Format, MQFMT_STRING, 8);
  ASSERT_EQ(Put(h, commands, "DISPLAY QMGR", &text), MQRC_NONE);
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_ADMIN, 8);
  FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, "NO.SUCH.REPLY.Q");
  ASSERT_EQ(Put(h, commands, pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_PING_Q_MGR).Finish(), &md),
            MQRC_NONE);
  MQHOBJ dlq = Open(h, "OTHER.DLQ", MQOO_INPUT_SHARED);
  std::string dead;
  EXPECT_EQ(Get(h, dlq, &dead, nullptr, 2000), MQRC_NONE);
  EXPECT_EQ(dead, "DISPLAY QMGR");
  EXPECT_EQ(Get(h, dlq, &dead, nullptr, 2000), MQRC_NONE);
  Close(h, &dlq);
}

std::string InquireText(MQHCONN h, MQHOBJ hobj, MQLONG selector, MQLONG length) {
  std::string text(static_cast<size_t>(length), '\0');
  MQLONG cc, rc;
  MQINQ(h, hobj, 1, &selector, 0, nullptr, length, text.data(), &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE) << selector;
  return TrimTrailingBlanks(text);
}

TEST_F(CommandServerTest, EveryAttributeOfIbmMqAtItsFullSize) {
  auto queue = Parameters(Send(InquireQueue("APP.Q", {MQIACF_ALL})));
  EXPECT_GE(queue.size(), 55u);
  for (MQLONG selector : {MQCA_CLUSTER_NAME, MQCA_CUSTOM, MQCA_BACKOUT_REQ_Q_NAME,
                          MQIA_PROPERTY_CONTROL, MQIA_Q_DEPTH_HIGH_LIMIT, MQCA_ALTERATION_DATE}) {
    EXPECT_EQ(queue.count(selector), 1u) << selector;
  }
  EXPECT_EQ(queue[MQCA_CUSTOM].text, std::string(MQ_CUSTOM_LENGTH, ' '));
  EXPECT_EQ(queue[MQIA_Q_DEPTH_HIGH_LIMIT].value, 80);

  // Attributes kept only to be reported are defined, changed and inquired
  // as the others, by PCF, MQSC and MQINQ.
  pcf::PcfBuilder change(MQCFT_COMMAND, MQCMD_CHANGE_Q);
  change.String(MQCA_Q_NAME, "APP.Q");
  change.String(MQCA_CUSTOM, "CAPEXPRY(600)");
  change.Integer(MQIA_BACKOUT_THRESHOLD, 3);
  change.String(MQCA_BACKOUT_REQ_Q_NAME, "APP.BACKOUT");
  EXPECT_EQ(Send(change.Finish())[0].header().CompCode, MQCC_OK);
  auto escape = Send(EscapeRequest("ALTER QLOCAL(APP.Q) QDEPTHHI(90) HARDENBO").Finish());
  EXPECT_EQ(escape[0].header().CompCode, MQCC_OK);
  queue = Parameters(Send(InquireQueue("APP.Q", {MQIA_Q_DEPTH_HIGH_LIMIT, MQCA_CUSTOM})));
  EXPECT_EQ(queue[MQIA_Q_DEPTH_HIGH_LIMIT].value, 90);
  EXPECT_EQ(TrimTrailingBlanks(queue[MQCA_CUSTOM].text), "CAPEXPRY(600)");
  MQHOBJ q = Open(h, "APP.Q", MQOO_INQUIRE);
  EXPECT_EQ(InquireInt(h, q, MQIA_BACKOUT_THRESHOLD), 3);
  EXPECT_EQ(InquireInt(h, q, MQIA_HARDEN_GET_BACKOUT), MQQA_BACKOUT_HARDENED);
  EXPECT_EQ(InquireText(h, q, MQCA_BACKOUT_REQ_Q_NAME, MQ_Q_NAME_LENGTH), "APP.BACKOUT");
  Close(h, &q);
  pcf::PcfBuilder too_high(MQCFT_COMMAND, MQCMD_CHANGE_Q);
  too_high.String(MQCA_Q_NAME, "APP.Q");
  too_high.Integer(MQIA_Q_DEPTH_HIGH_LIMIT, 101);
  EXPECT_EQ(Failure(Send(too_high.Finish())),
            std::make_pair(MQRCCF_PARM_VALUE_ERROR, MQLONG{MQIA_Q_DEPTH_HIGH_LIMIT}));

  // A FIFO queue keeps messages in the order they came, whatever their priority.
  EXPECT_EQ(Send(EscapeRequest("ALTER QLOCAL(APP.Q) MSGDLVSQ(FIFO)").Finish())[0].header().CompCode,
            MQCC_OK);
  MQHOBJ fifo = Open(h, "APP.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED);
  for (MQLONG priority : {1, 9}) {
    MQMD md = {MQMD_DEFAULT};
    md.Priority = priority;
    ASSERT_EQ(Put(h, fifo, std::to_string(priority), &md), MQRC_NONE);
  }
  std::string first;
  EXPECT_EQ(Get(h, fifo, &first), MQRC_NONE);
  EXPECT_EQ(first, "1");
  Close(h, &fifo);

  // A model queue's attributes go to the dynamic queues it makes.
  ASSERT_EQ(RunTool("define QM1 APP.MODEL --model --bothresh 7 --custom 'from the model'"), 0);
  std::string dynamic;
  MQHOBJ made = Open(h, "APP.MODEL", MQOO_INPUT_EXCLUSIVE | MQOO_INQUIRE, 0, &dynamic);
  EXPECT_EQ(InquireInt(h, made, MQIA_BACKOUT_THRESHOLD), 7);
  EXPECT_EQ(InquireText(h, made, MQCA_CUSTOM, MQ_CUSTOM_LENGTH), "from the model");
  Close(h, &made);

  // The queue manager's, among them a list (the TLS Suite B strengths):
  // what IBM MQ 9.4 on Linux reports, and MQSC shows them in its order.
  auto qmgr = Parameters(Send(pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_INQUIRE_Q_MGR).Finish()));
  EXPECT_EQ(qmgr.size(), 95u);
  pcf::PcfMessage shown;
  ASSERT_EQ(pcf::ParsePcf(Send(EscapeRequest("DISPLAY QMGR ALL").Finish())[0].data, &shown), 0);
  std::string keywords;
  std::istringstream lines(shown.parameters.at(1).text);
  for (std::string word; lines >> word;) {
    if (word.find('(') != std::string::npos) word.erase(word.find('('));
    if (!word.empty() && std::isupper(static_cast<unsigned char>(word[0]))) keywords += word + " ";
  }
  EXPECT_EQ(keywords.substr(keywords.find("QMNAME")),
            "QMNAME ACCTCONO ACCTINT ACCTMQI ACCTQ ACTIVREC ACTVCONO ACTVTRC ADVCAP ALTDATE "
            "ALTTIME AMQPCAP AUTHOREV CCSID CERTLABL CERTVPOL CHAD CHADEV CHADEXIT CHLEV CHLAUTH "
            "CLWLDATA CLWLEXIT CLWLLEN CLWLMRUC CLWLUSEQ CMDEV CMDLEVEL COMMANDQ CONFIGEV CONNAUTH "
            "CRDATE CRTIME CUSTOM DEADQ DEFCLXQ DEFXMITQ DESCR DISTL IMGINTVL IMGLOGLN IMGRCOVO "
            "IMGRCOVQ IMGSCHED INHIBTEV INITKEY IPADDRV LOCALEV LOGGEREV MARKINT MAXHANDS MAXMSGL "
            "MAXPROPL MAXPRTY MAXUMSGS MONACLS MONCHL MONQ PARENT PERFMEV PLATFORM PSMODE PSCLUS "
            "PSNPMSG PSNPRES PSRTYCNT PSSYNCPT QMID REMOTEEV REPOS REPOSNL REVDNS ROUTEREC SCHINIT "
            "SCMDSERV SPLCAP SSLCRLNL SSLCRYP SSLEV SSLFIPS KEYRPWD SSLKEYR SSLRKEYC STATACLS "
            "STATCHL STATINT STATMQI STATQ STRSTPEV SUITEB SYNCPT TREELIFE TRIGINT VERSION XRCAP ");
  EXPECT_EQ(qmgr[MQIA_SUITE_B_STRENGTH].values, std::vector<MQLONG>{MQ_SUITE_B_NONE});
  pcf::PcfBuilder change_qmgr(MQCFT_COMMAND, MQCMD_CHANGE_Q_MGR);
  change_qmgr.Integer(MQIA_PERFORMANCE_EVENT, MQEVR_ENABLED);
  change_qmgr.IntegerList(MQIA_SUITE_B_STRENGTH, {MQ_SUITE_B_192_BIT});
  change_qmgr.String(MQCA_SSL_KEY_REPO_PASSWORD, "secret");
  EXPECT_EQ(Send(change_qmgr.Finish())[0].header().CompCode, MQCC_OK);
  qmgr = Parameters(Send(pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_INQUIRE_Q_MGR).Finish()));
  EXPECT_EQ(qmgr[MQIA_PERFORMANCE_EVENT].value, MQEVR_ENABLED);
  EXPECT_EQ(qmgr[MQIA_SUITE_B_STRENGTH].values, std::vector<MQLONG>{MQ_SUITE_B_192_BIT});
  EXPECT_EQ(TrimTrailingBlanks(qmgr[MQCA_SSL_KEY_REPO_PASSWORD].text), "********");
  // A distributed queue manager has none of z/OS's.
  EXPECT_EQ(qmgr.count(MQIA_INTRA_GROUP_QUEUING), 0u);
  EXPECT_EQ(Failure(Send(EscapeRequest("ALTER QMGR IGQ(ENABLED)").Finish())).first,
            MQRCCF_PARM_SYNTAX_ERROR);
}

TEST_F(CommandServerTest, RemoteQueueDefinitionsLeadToAnotherQueueManager) {
  QueueManagerProcess qm2("QM2", "");
  ASSERT_EQ(RunTool("define QM2 THERE.Q"), 0);
  pcf::PcfBuilder create(MQCFT_COMMAND, MQCMD_CREATE_Q);
  create.String(MQCA_Q_NAME, "R.Q");
  create.Integer(MQIA_Q_TYPE, MQQT_REMOTE);
  create.String(MQCA_REMOTE_Q_NAME, "THERE.Q");
  create.String(MQCA_REMOTE_Q_MGR_NAME, "QM2");
  EXPECT_EQ(Send(create.Finish())[0].header().CompCode, MQCC_OK);
  auto shown = Send(EscapeRequest("DISPLAY QREMOTE(R.Q) ALL").Finish());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].data.find("RNAME(THERE.Q)"), std::string::npos);
  EXPECT_NE(shown[0].data.find("RQMNAME(QM2)"), std::string::npos);
  auto remote = Parameters(Send(InquireQueue("R.Q", {})));
  EXPECT_EQ(remote[MQIA_Q_TYPE].value, MQQT_REMOTE);
  EXPECT_EQ(remote.count(MQIA_MAX_Q_DEPTH), 0u);

  // A put reaches the queue on the other queue manager; the definition is
  // what MQINQ reports, and only its own options open it.
  MQHOBJ r = Open(h, "R.Q", MQOO_OUTPUT | MQOO_INQUIRE);
  EXPECT_EQ(InquireText(h, r, MQCA_REMOTE_Q_MGR_NAME, MQ_Q_MGR_NAME_LENGTH), "QM2");
  EXPECT_EQ(Put(h, r, "over there"), MQRC_NONE);
  Open(h, "R.Q", MQOO_INPUT_SHARED, MQRC_OPTION_NOT_VALID_FOR_TYPE);
  MQHCONN h2 = Connect("QM2");
  MQHOBJ there = Open(h2, "THERE.Q", MQOO_INPUT_SHARED);
  std::string data;
  EXPECT_EQ(Get(h2, there, &data, nullptr, 2000), MQRC_NONE);
  EXPECT_EQ(data, "over there");
  // So does a reply whose reply queue is the definition.
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_ADMIN, 8);
  FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, "R.Q");
  ASSERT_EQ(Put(h, commands, pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_PING_Q_MGR).Finish(), &md),
            MQRC_NONE);
  EXPECT_EQ(Get(h2, there, &data, nullptr, 2000), MQRC_NONE);
  // And a report whose reply queue is the definition.
  MQHOBJ app = Open(h, "APP.Q", MQOO_OUTPUT);
  MQMD confirmed = {MQMD_DEFAULT};
  confirmed.Report = MQRO_COA;
  FillBlankPadded(confirmed.ReplyToQ, sizeof confirmed.ReplyToQ, "R.Q");
  ASSERT_EQ(Put(h, app, "confirm me", &confirmed), MQRC_NONE);
  Close(h, &app);
  MQMD report = {MQMD_DEFAULT};
  EXPECT_EQ(Get(h2, there, &data, &report, 2000), MQRC_NONE);
  EXPECT_EQ(report.MsgType, MQMT_REPORT);
  EXPECT_EQ(report.Feedback, MQFB_COA);
  Disconnect(&h2);
  // Nobody deletes it, or an alias, under an open handle.
  ASSERT_EQ(RunTool("define QM1 AL.Q --alias APP.Q"), 0);
  MQHOBJ alias = Open(h, "AL.Q", MQOO_OUTPUT);
  pcf::PcfBuilder del(MQCFT_COMMAND, MQCMD_DELETE_Q);
  del.String(MQCA_Q_NAME, "AL.Q");
  EXPECT_EQ(Send(del.Finish())[0].header().Reason, MQRCCF_OBJECT_OPEN);
  EXPECT_EQ(Put(h, alias, "still there"), MQRC_NONE);
  Close(h, &alias);
  EXPECT_EQ(Send(del.Finish())[0].header().CompCode, MQCC_OK);
  pcf::PcfBuilder del_remote(MQCFT_COMMAND, MQCMD_DELETE_Q);
  del_remote.String(MQCA_Q_NAME, "R.Q");
  EXPECT_EQ(Send(del_remote.Finish())[0].header().Reason, MQRCCF_OBJECT_OPEN);
  Close(h, &r);

  // Its transmission queue, when it names one, must be a local queue for
  // transmission; a disabled definition takes no puts.
  auto mqsc = [&](const std::string& command) {
    return Send(EscapeRequest(command).Finish())[0].header().CompCode;
  };
  auto put1 = [&]() {
    MQOD od = {MQOD_DEFAULT};
    std::strncpy(od.ObjectName, "R.Q", sizeof od.ObjectName);
    MQMD put_md = {MQMD_DEFAULT};
    MQPMO pmo = {MQPMO_DEFAULT};
    MQLONG cc, rc;
    char text[] = "x";
    MQPUT1(h, &od, &put_md, &pmo, 1, text, &cc, &rc);
    return rc;
  };
  EXPECT_EQ(mqsc("ALTER QREMOTE(R.Q) XMITQ(QM2.XMIT)"), MQCC_OK);
  EXPECT_EQ(put1(), MQRC_UNKNOWN_XMIT_Q);
  EXPECT_EQ(mqsc("DEFINE QLOCAL(QM2.XMIT)"), MQCC_OK);
  EXPECT_EQ(put1(), MQRC_XMIT_Q_USAGE_ERROR);
  EXPECT_EQ(mqsc("ALTER QLOCAL(QM2.XMIT) USAGE(XMITQ)"), MQCC_OK);
  EXPECT_EQ(put1(), MQRC_NONE);
  EXPECT_EQ(mqsc("ALTER QREMOTE(R.Q) PUT(DISABLED)"), MQCC_OK);
  EXPECT_EQ(put1(), MQRC_PUT_INHIBITED);
  EXPECT_EQ(mqsc("ALTER QREMOTE(R.Q) RNAME(' ')"), MQCC_OK);
  EXPECT_EQ(mqsc("ALTER QREMOTE(R.Q) PUT(ENABLED)"), MQCC_OK);
  EXPECT_EQ(put1(), MQRC_REMOTE_Q_NAME_ERROR);
}

TEST_F(CommandServerTest, PausedCommandServerAnswersAfterResume) {
  ASSERT_EQ(RunTool("fault QM1 command-server pause"), 0);
  pcf::PcfBuilder ping(MQCFT_COMMAND, MQCMD_PING_Q_MGR);
  EXPECT_TRUE(Send(ping.Finish(), nullptr, 100).empty());
  ASSERT_EQ(RunTool("fault QM1 reply-delay 50"), 0);
  ASSERT_EQ(RunTool("fault QM1 command-server resume"), 0);
  auto got = Collect();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header().Command, MQCMD_PING_Q_MGR);
}

TEST_F(CommandServerTest, ProcessDefinitionsThroughPcf) {
  pcf::PcfBuilder create(MQCFT_COMMAND, MQCMD_CREATE_PROCESS);
  create.String(MQCA_PROCESS_NAME, "APP.PROC");
  create.String(MQCA_APPL_ID, "/usr/bin/app");
  create.String(MQCA_USER_DATA, "-q APP.Q");
  EXPECT_EQ(Send(create.Finish())[0].header().CompCode, MQCC_OK);
  EXPECT_EQ(Send(create.Finish())[0].header().Reason, MQRCCF_OBJECT_ALREADY_EXISTS);
  pcf::PcfBuilder inquire(MQCFT_COMMAND, MQCMD_INQUIRE_PROCESS);
  inquire.String(MQCA_PROCESS_NAME, "APP.*");
  inquire.IntegerList(MQIACF_PROCESS_ATTRS, {MQCA_APPL_ID, MQIA_APPL_TYPE, MQCA_USER_DATA});
  auto got = Send(inquire.Finish());
  ASSERT_EQ(got.size(), 1u);
  pcf::PcfMessage m;
  ASSERT_EQ(pcf::ParsePcf(got[0].data, &m), 0);
  ASSERT_EQ(m.parameters.size(), 4u);
  EXPECT_EQ(m.parameters[0].text, Padded("APP.PROC", 48));
  // In IBM MQ's order, whatever the order asked.
  EXPECT_EQ(m.parameters[1].value, MQAT_UNIX);
  EXPECT_EQ(m.parameters[2].text, Padded("/usr/bin/app", 256));
  EXPECT_EQ(m.parameters[3].text, Padded("-q APP.Q", 128));
  // The queue's trigger attributes, set and inquired through PCF and MQINQ.
  pcf::PcfBuilder change(MQCFT_COMMAND, MQCMD_CHANGE_Q);
  change.String(MQCA_Q_NAME, "APP.Q");
  change.Integer(MQIA_TRIGGER_CONTROL, MQTC_ON);
  change.Integer(MQIA_TRIGGER_TYPE, MQTT_DEPTH);
  change.Integer(MQIA_TRIGGER_DEPTH, 3);
  change.String(MQCA_PROCESS_NAME, "APP.PROC");
  change.String(MQCA_INITIATION_Q_NAME, "INIT.Q");
  EXPECT_EQ(Send(change.Finish())[0].header().CompCode, MQCC_OK);
  MQHOBJ q = Open(h, "APP.Q", MQOO_INQUIRE);
  EXPECT_EQ(InquireInt(h, q, MQIA_TRIGGER_CONTROL), MQTC_ON);
  EXPECT_EQ(InquireInt(h, q, MQIA_TRIGGER_TYPE), MQTT_DEPTH);
  EXPECT_EQ(InquireInt(h, q, MQIA_TRIGGER_DEPTH), 3);
  Close(h, &q);
  auto queue = Send(InquireQueue("APP.Q", {MQCA_PROCESS_NAME, MQCA_INITIATION_Q_NAME}));
  ASSERT_EQ(pcf::ParsePcf(queue[0].data, &m), 0);
  ASSERT_EQ(m.parameters.size(), 4u);
  EXPECT_EQ(m.parameters[2].text, Padded("APP.PROC", 48));
  EXPECT_EQ(m.parameters[3].text, Padded("INIT.Q", 48));
  pcf::PcfBuilder bad(MQCFT_COMMAND, MQCMD_CHANGE_Q);
  bad.String(MQCA_Q_NAME, "APP.Q");
  bad.Integer(MQIA_TRIGGER_TYPE, 7);
  EXPECT_EQ(Send(bad.Finish())[0].header().Reason, MQRCCF_PARM_VALUE_ERROR);
  pcf::PcfBuilder del(MQCFT_COMMAND, MQCMD_DELETE_PROCESS);
  del.String(MQCA_PROCESS_NAME, "APP.PROC");
  EXPECT_EQ(Send(del.Finish())[0].header().CompCode, MQCC_OK);
  EXPECT_EQ(Send(inquire.Finish())[0].header().Reason, MQRC_UNKNOWN_OBJECT_NAME);
}

class ZosCommandServerTest : public CommandServerFixture {
 protected:
  ZosCommandServerTest() : CommandServerFixture("--default --platform zos") {}

  // Puts an MQSC text request and collects its reply set: the first reply
  // says how many there are.
  std::vector<Reply> SendText(const std::string& command) {
    MQMD md = {MQMD_DEFAULT};
    std::memcpy(md.Format, MQFMT_STRING, 8);
    md.MsgType = MQMT_REQUEST;
    FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, reply_queue);
    EXPECT_EQ(Put(h, commands, command, &md), MQRC_NONE);
    std::vector<Reply> out;
    size_t count = 1;
    while (out.size() < count) {
      Reply r;
      r.md = MQMD{MQMD_DEFAULT};
      if (Get(h, replies, &r.data, &r.md, 2000) != MQRC_NONE) break;
      if (out.empty() && r.data.size() > 25)
        count = std::strtoul(r.data.substr(17, 8).c_str(), nullptr, 10);
      out.push_back(r);
    }
    return out;
  }
};

TEST_F(ZosCommandServerTest, PlatformAndCommandQueueWithItsAlias) {
  MQHOBJ qmgr_object = MQHO_UNUSABLE_HOBJ;
  {
    MQOD od = {MQOD_DEFAULT};
    od.ObjectType = MQOT_Q_MGR;
    MQLONG cc, rc;
    MQOPEN(h, &od, MQOO_INQUIRE, &qmgr_object, &cc, &rc);
    ASSERT_EQ(rc, MQRC_NONE);
  }
  EXPECT_EQ(InquireInt(h, qmgr_object, MQIA_PLATFORM), MQPL_ZOS);
  EXPECT_EQ(InquireInt(h, qmgr_object, MQIA_MAX_MSG_LENGTH), 104857600);  // fixed on z/OS
  Close(h, &qmgr_object);
  MQHOBJ alias = Open(h, "SYSTEM.ADMIN.COMMAND.QUEUE", MQOO_INQUIRE);
  EXPECT_EQ(InquireInt(h, alias, MQIA_Q_TYPE), MQQT_ALIAS);
  Close(h, &alias);
  // Requests put to either name reach the command server.
  MQHOBJ input = Open(h, "SYSTEM.COMMAND.INPUT", MQOO_OUTPUT);
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_ADMIN, 8);
  FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, reply_queue);
  ASSERT_EQ(Put(h, input, pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_PING_Q_MGR).Finish(), &md),
            MQRC_NONE);
  EXPECT_EQ(Collect().size(), 1u);  // the XR_SUMMARY alone
  Close(h, &input);
  auto got = Send(pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_INQUIRE_Q_MGR).Finish());
  ASSERT_EQ(got.size(), 2u);
  pcf::PcfMessage m;
  ASSERT_EQ(pcf::ParsePcf(got[0].data, &m), 0);
  auto command_q = std::find_if(m.parameters.begin(), m.parameters.end(), [](const auto& p) {
    return p.parameter == MQCA_COMMAND_INPUT_Q_NAME;
  });
  ASSERT_NE(command_q, m.parameters.end());
  EXPECT_EQ(command_q->text, Padded("SYSTEM.COMMAND.INPUT", 48));
  // z/OS's own attributes, and none of the distributed platforms' alone.
  auto has = [&m](MQLONG selector) {
    return std::any_of(m.parameters.begin(), m.parameters.end(),
                       [selector](const auto& p) { return p.parameter == selector; });
  };
  EXPECT_EQ(m.parameters.size(), 2u + 110u);  // the response's identity, then the attributes
  EXPECT_TRUE(has(MQIA_INTRA_GROUP_QUEUING));
  EXPECT_TRUE(has(MQIA_ADVANCED_CAPABILITY));
  EXPECT_TRUE(has(MQIA_CPI_LEVEL));
  EXPECT_FALSE(has(MQIA_DIST_LISTS));
  EXPECT_FALSE(has(MQCA_CREATION_DATE));
  // The channel types whose orphaned agents are adopted are a list.
  pcf::PcfBuilder adopt(MQCFT_COMMAND, MQCMD_CHANGE_Q_MGR);
  adopt.IntegerList(MQIA_ADOPTNEWMCA_TYPE, {MQADOPT_TYPE_NO});
  EXPECT_EQ(Send(adopt.Finish()).back().header().CompCode, MQCC_OK);
  pcf::PcfBuilder inquire(MQCFT_COMMAND, MQCMD_INQUIRE_Q_MGR);
  inquire.IntegerList(MQIACF_Q_MGR_ATTRS, {MQIA_ADOPTNEWMCA_TYPE});
  ASSERT_EQ(pcf::ParsePcf(Send(inquire.Finish())[0].data, &m), 0);
  EXPECT_EQ(m.parameters.back().type, MQCFT_INTEGER_LIST);
  EXPECT_EQ(m.parameters.back().values, std::vector<MQLONG>{MQADOPT_TYPE_NO});
  got = Send(InquireQueue("APP.Q", {MQIACF_ALL}));
  ASSERT_EQ(pcf::ParsePcf(got[0].data, &m), 0);
  EXPECT_TRUE(has(MQCA_STORAGE_CLASS));
  EXPECT_TRUE(has(MQIA_INDEX_TYPE));
  EXPECT_FALSE(has(MQIA_DIST_LISTS));
}

TEST_F(ZosCommandServerTest, ExtendedResponsesByteForByte) {
  auto got = Send(InquireQueue("APP.Q", {MQIA_MAX_MSG_LENGTH}));
  ASSERT_EQ(got.size(), 2u);
  std::string id = got[0].data.substr(36 + 16, 24);
  std::string identity = Ints({MQCFT_BYTE_STRING, 40, MQBACF_RESPONSE_ID, 24}) + id +
                         Ints({MQCFT_STRING, 68, MQCACF_RESPONSE_Q_MGR_NAME, 819, 48}) +
                         Padded("QM1", 48);
  // The queue's disposition always follows its name and type.
  EXPECT_EQ(got[0].data, Ints({MQCFT_XR_ITEM, 36, 1, MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, 0, 0, 6}) +
                             identity + Ints({MQCFT_STRING, 68, MQCA_Q_NAME, 819, 48}) +
                             Padded("APP.Q", 48) +
                             Ints({MQCFT_INTEGER, 16, MQIA_Q_TYPE, MQQT_LOCAL}) +
                             Ints({MQCFT_INTEGER, 16, MQIA_QSG_DISP, MQQSGD_Q_MGR}) +
                             Ints({MQCFT_INTEGER, 16, MQIA_MAX_MSG_LENGTH, 100}));
  EXPECT_EQ(got[1].data,
            Ints({MQCFT_XR_SUMMARY, 36, 1, MQCMD_INQUIRE_Q, 2, MQCFC_LAST, 0, 0, 2}) + identity);
  // An error: XR_MSG with the reason, then the summary, with a new id.
  got = Send(InquireQueue("NO.SUCH.Q", {}));
  ASSERT_EQ(got.size(), 2u);
  std::string other = got[0].data.substr(36 + 16, 24);
  EXPECT_NE(other, id);
  identity.replace(16, 24, other);
  EXPECT_EQ(got[0].data, Ints({MQCFT_XR_MSG, 36, 1, MQCMD_INQUIRE_Q, 1, MQCFC_NOT_LAST, MQCC_FAILED,
                               MQRC_UNKNOWN_OBJECT_NAME, 2}) +
                             identity);
  EXPECT_EQ(got[1].data, Ints({MQCFT_XR_SUMMARY, 36, 1, MQCMD_INQUIRE_Q, 2, MQCFC_LAST, MQCC_FAILED,
                               MQRC_UNKNOWN_OBJECT_NAME, 2}) +
                             identity);
}

TEST_F(ZosCommandServerTest, GenericInquiryGivesOneItemPerQueueThenTheSummary) {
  auto got = Send(InquireQueue("SYSTEM.*", {}));
  // SYSTEM.ADMIN.COMMAND.QUEUE, SYSTEM.COMMAND.INPUT, the dead-letter queue
  // and the two default queues, then the summary.
  ASSERT_EQ(got.size(), 6u);
  for (size_t i = 0; i < got.size(); ++i) {
    MQCFH hdr = got[i].header();
    EXPECT_EQ(hdr.Type, i + 1 < got.size() ? MQCFT_XR_ITEM : MQCFT_XR_SUMMARY);
    EXPECT_EQ(hdr.MsgSeqNumber, static_cast<MQLONG>(i + 1));
    EXPECT_EQ(hdr.Control, i + 1 < got.size() ? MQCFC_NOT_LAST : MQCFC_LAST);
    EXPECT_EQ(got[i].data.substr(36 + 16, 24), got[0].data.substr(36 + 16, 24));
  }
}

TEST_F(ZosCommandServerTest, MqscTextGetsACountedReplySet) {
  for (const char* command : {"DISPLAY QUEUE(*)", "define qlocal(A.Q)", ""}) {
    auto got = SendText(command);
    ASSERT_GE(got.size(), 2u) << command;
    const std::string& first = got[0].data;
    char expected[80];
    std::snprintf(expected, sizeof expected, "CSQN205I   COUNT=%8zu, RETURN=", got.size());
    EXPECT_EQ(first.substr(0, 34), expected);
    ASSERT_EQ(first.size(), 59u) << first;  // RETURN and REASON in 8 hexadecimal digits
    EXPECT_EQ(first.substr(42, 9), ", REASON=");
    EXPECT_EQ(first.find_first_not_of("0123456789ABCDEF", 34), 42u);
    EXPECT_EQ(first.find_first_not_of("0123456789ABCDEF", 51), std::string::npos);
    EXPECT_EQ(std::string(got[0].md.Format, 8), "MQCMD1  ");
    for (size_t i = 1; i < got.size(); ++i) {
      EXPECT_EQ(std::string(got[i].md.Format, 8), "MQCMD2  ");
      EXPECT_EQ(got[i].md.MsgType, MQMT_REPLY);
      EXPECT_EQ(got[i].data.substr(0, 3), "CSQ");
    }
    const std::string& last = got.back().data;
    EXPECT_TRUE(last.starts_with("CSQ9022I") || last.starts_with("CSQ9023E")) << last;
    EXPECT_NE(last.find(" +QM1 "), std::string::npos) << last;
  }
  // Nothing follows the set.
  std::string extra;
  EXPECT_EQ(Get(h, replies, &extra, nullptr, 50), MQRC_NO_MSG_AVAILABLE) << extra;
  // A connection's status is one message on one line.
  auto conn = SendText("DISPLAY CONN(*) TYPE(ALL) PID OBJNAME");
  ASSERT_GE(conn.size(), 3u);
  EXPECT_TRUE(conn[1].data.starts_with("CSQM201I +QM1 CONN(")) << conn[1].data;
  EXPECT_NE(conn[1].data.find(" TYPE(CONN) PID("), std::string::npos) << conn[1].data;
  EXPECT_NE(conn[1].data.find(" OBJNAME("), std::string::npos) << conn[1].data;
  EXPECT_EQ(conn[1].data.find('\n'), std::string::npos) << conn[1].data;
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
