// Channel definitions through the command server: the default channels,
// channels created, copied, changed, inquired and deleted in PCF and in
// MQSC, and bad requests answered as IBM MQ answers them, the command
// server serving on.
#include "command_server_fixture.h"

#include <cmqxc.h>

namespace mqemu_test {
namespace {

class ChannelTest : public CommandServerFixture {
 protected:
  ChannelTest() : CommandServerFixture("--default") {}

  // A request naming a channel and, unless 0, its type.
  static pcf::PcfBuilder Request(MQLONG command, const std::string& name, MQLONG type = 0) {
    pcf::PcfBuilder b(MQCFT_COMMAND, command);
    b.String(command == MQCMD_COPY_CHANNEL ? MQCACF_TO_CHANNEL_NAME : MQCACH_CHANNEL_NAME, name);
    if (type) b.Integer(MQIACH_CHANNEL_TYPE, type);
    return b;
  }
  static std::string Text(const Params& p, MQLONG selector) {
    return TrimTrailingBlanks(p.at(selector).text);
  }
};

TEST_F(ChannelTest, DefaultsDefinitionsAndChangesInPcfAndMqsc) {
  // The default channels exist, each with its type's attributes only.
  std::vector<Params> got = Ask(Request(MQCMD_INQUIRE_CHANNEL, "SYSTEM.*"));
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(Text(got[0], MQCACH_CHANNEL_NAME), "SYSTEM.ADMIN.SVRCONN");
  EXPECT_EQ(got[0].at(MQCACH_CHANNEL_NAME).text.size(), size_t{MQ_CHANNEL_NAME_LENGTH});
  EXPECT_EQ(got[0].at(MQIACH_CHANNEL_TYPE).value, MQCHT_SVRCONN);
  EXPECT_EQ(got[0].at(MQIACH_DISC_INTERVAL).value, 0);
  EXPECT_EQ(got[0].at(MQIACH_SHARING_CONVERSATIONS).value, 10);
  EXPECT_EQ(got[0].at(MQIACH_HDR_COMPRESSION).type, MQCFT_INTEGER_LIST);
  EXPECT_EQ(got[0].count(MQCACH_XMIT_Q_NAME), 0u);
  EXPECT_EQ(got[1].at(MQIACH_CHANNEL_TYPE).value, MQCHT_RECEIVER);
  EXPECT_EQ(got[1].at(MQIACH_PUT_AUTHORITY).value, MQPA_DEFAULT);
  EXPECT_EQ(got[2].at(MQIACH_CHANNEL_TYPE).value, MQCHT_SENDER);
  EXPECT_EQ(got[2].at(MQIACH_DISC_INTERVAL).value, 6000);
  EXPECT_EQ(got[2].at(MQCACH_CONNECTION_NAME).text.size(), size_t{MQ_CONN_NAME_LENGTH});
  EXPECT_EQ(got[2].count(MQIACH_SHARING_CONVERSATIONS), 0u);

  // A sender and a server-connection channel; a copy of the latter.
  pcf::PcfBuilder sender = Request(MQCMD_CREATE_CHANNEL, "TO.QM2", MQCHT_SENDER);
  sender.String(MQCACH_CONNECTION_NAME, "qm2.example(1414)");
  sender.String(MQCACH_XMIT_Q_NAME, "QM2");
  EXPECT_EQ(Reason(std::move(sender)), MQRC_NONE);
  pcf::PcfBuilder svrconn = Request(MQCMD_CREATE_CHANNEL, "APP.SVRCONN", MQCHT_SVRCONN);
  svrconn.String(MQCACH_DESC, "applications");
  svrconn.Integer(MQIACH_MAX_INSTANCES, 50);
  EXPECT_EQ(Reason(std::move(svrconn)), MQRC_NONE);
  pcf::PcfBuilder copy = Request(MQCMD_COPY_CHANNEL, "APP2.SVRCONN", MQCHT_SVRCONN);
  copy.String(MQCACF_FROM_CHANNEL_NAME, "APP.SVRCONN");
  copy.String(MQCACH_MCA_USER_ID, "app");
  EXPECT_EQ(Reason(std::move(copy)), MQRC_NONE);
  pcf::PcfBuilder change = Request(MQCMD_CHANGE_CHANNEL, "TO.QM2", MQCHT_SENDER);
  change.Integer(MQIACH_BATCH_SIZE, 100);
  EXPECT_EQ(Reason(std::move(change)), MQRC_NONE);

  // Selected attributes, in the table's order whatever the order asked.
  pcf::PcfBuilder inquire = Request(MQCMD_INQUIRE_CHANNEL, "APP*");
  inquire.IntegerList(MQIACF_CHANNEL_ATTRS, {MQCACH_MCA_USER_ID, MQIACH_MAX_INSTANCES});
  got = Ask(std::move(inquire));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(Text(got[0], MQCACH_CHANNEL_NAME), "APP.SVRCONN");
  EXPECT_EQ(got[1].at(MQIACH_MAX_INSTANCES).value, 50);
  EXPECT_EQ(Text(got[1], MQCACH_MCA_USER_ID), "app");
  EXPECT_EQ(got[1].size(), 4u);  // name and type always, the two asked for
  got = Ask(Request(MQCMD_INQUIRE_CHANNEL, "TO.QM2"));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(Text(got[0], MQCACH_XMIT_Q_NAME), "QM2");
  EXPECT_EQ(got[0].at(MQIACH_BATCH_SIZE).value, 100);
  got = Ask(Request(MQCMD_INQUIRE_CHANNEL_NAMES, "*", MQCHT_SVRCONN));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].at(MQCACH_CHANNEL_NAMES).texts.size(), 4u);

  // MQSC: define LIKE, alter, display by type and by attribute, delete.
  EXPECT_EQ(Mqsc("DEFINE CHANNEL(IN.QM2) CHLTYPE(RCVR) PUTAUT(CTX) DESCR('from qm2')"),
            "AMQ8014I: IBM MQ channel created.\n");
  EXPECT_EQ(Mqsc("DEFINE CHL(IN2) CHLTYPE(RCVR) LIKE(IN.QM2)"),
            "AMQ8014I: IBM MQ channel created.\n");
  EXPECT_EQ(Mqsc("ALTER CHANNEL(IN2) CHLTYPE(RCVR) MRRTY(3)"),
            "AMQ8016I: IBM MQ channel changed.\n");
  std::string shown = Mqsc("DISPLAY CHANNEL(IN*) TYPE(RCVR) PUTAUT MRRTY DESCR");
  EXPECT_NE(shown.find("AMQ8414I: Display Channel details.\n"
                       "   CHANNEL(IN.QM2)                         CHLTYPE(RCVR)\n"
                       "   DESCR(from qm2)                         MRRTY(10)\n"
                       "   PUTAUT(CTX)"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("CHANNEL(IN2)"), std::string::npos);
  EXPECT_NE(shown.find("MRRTY(3)"), std::string::npos);
  EXPECT_EQ(Mqsc("DISPLAY CHANNEL(*) TYPE(SDR)").find("CHANNEL(IN"), std::string::npos);
  EXPECT_NE(Mqsc("DISPLAY CHANNEL(APP.SVRCONN) ALL").find("MAXINST(50)"), std::string::npos);
  EXPECT_EQ(Mqsc("DELETE CHANNEL(IN2)"), "AMQ8015I: IBM MQ channel deleted.\n");
  EXPECT_EQ(Reason(Request(MQCMD_DELETE_CHANNEL, "APP2.SVRCONN")), MQRC_NONE);
  EXPECT_EQ(Ask(Request(MQCMD_INQUIRE_CHANNEL, "*")).size(), 7u);
}

TEST_F(ChannelTest, BadRequestsGetIbmReasonsAndTheServerServesOn) {
  // Unknown channels, a generic name matching nothing.
  EXPECT_EQ(Reason(Request(MQCMD_INQUIRE_CHANNEL, "NONE.*")), MQRCCF_CHANNEL_NOT_FOUND);
  EXPECT_EQ(Reason(Request(MQCMD_DELETE_CHANNEL, "NONE")), MQRCCF_CHANNEL_NOT_FOUND);
  EXPECT_EQ(Reason(Request(MQCMD_CHANGE_CHANNEL, "NONE", MQCHT_SVRCONN)), MQRCCF_CHANNEL_NOT_FOUND);
  pcf::PcfBuilder copy = Request(MQCMD_COPY_CHANNEL, "C", MQCHT_SVRCONN);
  copy.String(MQCACF_FROM_CHANNEL_NAME, "NONE");
  EXPECT_EQ(Reason(std::move(copy)), MQRCCF_CHANNEL_NOT_FOUND);
  // The type: required, one the stand-in defines, the channel's own.
  EXPECT_EQ(Reason(Request(MQCMD_CREATE_CHANNEL, "C")), MQRCCF_PARM_COUNT_TOO_SMALL);
  EXPECT_EQ(Reason(Request(MQCMD_CREATE_CHANNEL, "C", MQCHT_CLUSRCVR)), MQRCCF_CHANNEL_TYPE_ERROR);
  EXPECT_EQ(Reason(Request(MQCMD_CHANGE_CHANNEL, "SYSTEM.DEF.SENDER", MQCHT_SVRCONN)),
            MQRCCF_CHANNEL_TYPE_ERROR);
  EXPECT_EQ(Reason(Request(MQCMD_CREATE_CHANNEL, "SYSTEM.DEF.SVRCONN", MQCHT_SVRCONN)),
            MQRCCF_OBJECT_ALREADY_EXISTS);
  // An attribute of other channel types; a value out of range; a bad name.
  pcf::PcfBuilder wrong = Request(MQCMD_CREATE_CHANNEL, "C", MQCHT_SVRCONN);
  wrong.String(MQCACH_XMIT_Q_NAME, "Q");
  EXPECT_EQ(Reason(std::move(wrong)), MQRCCF_WRONG_CHANNEL_TYPE);
  pcf::PcfBuilder range = Request(MQCMD_CREATE_CHANNEL, "C", MQCHT_SENDER);
  range.Integer(MQIACH_BATCH_SIZE, 0);
  EXPECT_EQ(Reason(std::move(range)), MQRCCF_PARM_VALUE_ERROR);
  EXPECT_EQ(Reason(Request(MQCMD_CREATE_CHANNEL, "A.NAME.LONGER.THAN.20", MQCHT_SVRCONN)),
            MQRCCF_CHANNEL_NAME_ERROR);
  // MQSC: CHLTYPE required and checked, keywords of the type only.
  EXPECT_EQ(Mqsc("DEFINE CHANNEL(C)").rfind("AMQ8405I", 0), 0u);
  EXPECT_EQ(Mqsc("DEFINE CHANNEL(C) CHLTYPE(SVRCONN) XMITQ(Q)").rfind("AMQ8405I", 0), 0u);
  EXPECT_EQ(Mqsc("ALTER CHANNEL(SYSTEM.DEF.SENDER) CHLTYPE(RCVR)"),
            "AMQ8151E: IBM MQ object has different type.\n");
  EXPECT_EQ(Mqsc("DISPLAY CHANNEL(NONE*)"), "AMQ8147E: IBM MQ object NONE* not found.\n");
  EXPECT_EQ(Ask(Request(MQCMD_INQUIRE_CHANNEL, "*")).size(), 4u);
}

}  // namespace
}  // namespace mqemu_test
