// Namelists through the command server: created, copied, changed, inquired
// and deleted in PCF and in MQSC, and bad requests answered as IBM MQ
// answers them, the command server serving on.
#include "command_server_fixture.h"

namespace mqemu_test {
namespace {

class NamelistTest : public CommandServerFixture {
 protected:
  NamelistTest() : CommandServerFixture("--default") {}

  static pcf::PcfBuilder Request(MQLONG command, const std::string& name) {
    pcf::PcfBuilder b(MQCFT_COMMAND, command);
    b.String(command == MQCMD_COPY_NAMELIST ? MQCACF_TO_NAMELIST_NAME : MQCA_NAMELIST_NAME, name);
    return b;
  }
  static std::vector<std::string> Trimmed(const pcf::PcfParameter& p) {
    std::vector<std::string> out;
    for (const std::string& t : p.texts) out.push_back(TrimTrailingBlanks(t));
    return out;
  }
};

TEST_F(NamelistTest, DefinedCopiedChangedInquiredAndDeletedInPcfAndMqsc) {
  pcf::PcfBuilder create = Request(MQCMD_CREATE_NAMELIST, "NL.A");
  create.String(MQCA_NAMELIST_DESC, "app queues");
  create.StringList(MQCA_NAMES, {"A.Q", "B.Q"}, MQ_OBJECT_NAME_LENGTH);
  EXPECT_EQ(Reason(std::move(create)), MQRC_NONE);

  pcf::PcfBuilder copy = Request(MQCMD_COPY_NAMELIST, "NL.B");
  copy.String(MQCACF_FROM_NAMELIST_NAME, "NL.A");
  copy.StringList(MQCA_NAMES, {"C.Q"}, MQ_OBJECT_NAME_LENGTH);
  EXPECT_EQ(Reason(std::move(copy)), MQRC_NONE);

  // Every attribute of each namelist, one response each, in name order.
  std::vector<Params> got = Ask(Request(MQCMD_INQUIRE_NAMELIST, "NL.*"));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(TrimTrailingBlanks(got[0].at(MQCA_NAMELIST_NAME).text), "NL.A");
  EXPECT_EQ(got[0].at(MQCA_NAMELIST_NAME).text.size(), size_t{MQ_NAMELIST_NAME_LENGTH});
  EXPECT_EQ(got[0].at(MQIA_NAME_COUNT).value, 2);
  EXPECT_EQ(got[0].at(MQCA_NAMES).type, MQCFT_STRING_LIST);
  EXPECT_EQ(Trimmed(got[0].at(MQCA_NAMES)), (std::vector<std::string>{"A.Q", "B.Q"}));
  EXPECT_EQ(got[0].at(MQCA_NAMES).texts[0].size(), size_t{MQ_OBJECT_NAME_LENGTH});
  EXPECT_EQ(got[0].at(MQCA_ALTERATION_DATE).text.size(), size_t{MQ_DATE_LENGTH});
  EXPECT_EQ(got[0].count(MQIA_NAMELIST_TYPE), 0u);  // z/OS only
  EXPECT_EQ(TrimTrailingBlanks(got[1].at(MQCA_NAMELIST_DESC).text), "app queues");
  EXPECT_EQ(Trimmed(got[1].at(MQCA_NAMES)), (std::vector<std::string>{"C.Q"}));

  // A change that empties the list; an inquiry of the count alone.
  pcf::PcfBuilder change = Request(MQCMD_CHANGE_NAMELIST, "NL.A");
  change.StringList(MQCA_NAMES, {}, MQ_OBJECT_NAME_LENGTH);
  EXPECT_EQ(Reason(std::move(change)), MQRC_NONE);
  pcf::PcfBuilder count = Request(MQCMD_INQUIRE_NAMELIST, "NL.A");
  count.IntegerList(MQIACF_NAMELIST_ATTRS, {MQIA_NAME_COUNT});
  got = Ask(std::move(count));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].size(), 2u);
  EXPECT_EQ(got[0].at(MQIA_NAME_COUNT).value, 0);

  // MQSC: LIKE takes the description, DISPLAY shows the list.
  EXPECT_NE(Mqsc("DEFINE NAMELIST(NL.M) LIKE(NL.B) NAMES(X.Q,y.q)").find("AMQ8552I"),
            std::string::npos);
  std::string shown = Mqsc("DISPLAY NAMELIST(NL.M)");
  EXPECT_NE(shown.find("AMQ8550I: Display namelist details."), std::string::npos) << shown;
  EXPECT_NE(shown.find("NAMES(X.Q,Y.Q)"), std::string::npos) << shown;
  EXPECT_NE(shown.find("NAMCOUNT(2)"), std::string::npos) << shown;
  EXPECT_NE(shown.find("DESCR(app queues)"), std::string::npos) << shown;
  EXPECT_NE(Mqsc("ALTER NL(NL.M) NAMES()").find("AMQ8551I"), std::string::npos);
  EXPECT_NE(Mqsc("DIS NAMELIST(NL.M) NAMES").find("NAMES( )"), std::string::npos);
  EXPECT_NE(Mqsc("DELETE NAMELIST(NL.M)").find("AMQ8553I"), std::string::npos);
  EXPECT_NE(Mqsc("DISPLAY NAMELIST(NONE.*)").find("AMQ8147E"), std::string::npos);
  EXPECT_NE(Mqsc("DEFINE NAMELIST(NL.X) NAMES(A,,B)").find("AMQ8405I"), std::string::npos);
  EXPECT_NE(Mqsc("DEFINE NAMELIST(NL.X) NLTYPE(QUEUE)").find("AMQ8405I"), std::string::npos);

  pcf::PcfBuilder names(MQCFT_COMMAND, MQCMD_INQUIRE_NAMELIST_NAMES);
  names.String(MQCA_NAMELIST_NAME, "*");
  got = Ask(std::move(names));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(Trimmed(got[0].at(MQCACF_NAMELIST_NAMES)), (std::vector<std::string>{"NL.A", "NL.B"}));

  // Bad requests.
  EXPECT_EQ(Reason(Request(MQCMD_CREATE_NAMELIST, "NL.A")), MQRCCF_OBJECT_ALREADY_EXISTS);
  pcf::PcfBuilder as_string = Request(MQCMD_CHANGE_NAMELIST, "NL.A");
  as_string.String(MQCA_NAMES, "A.Q");
  EXPECT_EQ(Reason(std::move(as_string)), MQRCCF_CFST_PARM_ID_ERROR);
  pcf::PcfBuilder too_long = Request(MQCMD_CHANGE_NAMELIST, "NL.A");
  too_long.StringList(MQCA_NAMES, {std::string(49, 'Q')}, 49);
  EXPECT_EQ(Reason(std::move(too_long)), MQRCCF_CFSL_STRING_LENGTH_ERR);
  pcf::PcfBuilder too_many = Request(MQCMD_CHANGE_NAMELIST, "NL.A");
  too_many.StringList(MQCA_NAMES, std::vector<std::string>(257, "Q"), MQ_OBJECT_NAME_LENGTH);
  EXPECT_EQ(Reason(std::move(too_many)), MQRCCF_CFSL_COUNT_ERROR);
  pcf::PcfBuilder zos_only = Request(MQCMD_CHANGE_NAMELIST, "NL.A");
  zos_only.Integer(MQIA_NAMELIST_TYPE, MQNT_Q);
  EXPECT_EQ(Reason(std::move(zos_only)), MQRCCF_CFIN_PARM_ID_ERROR);
  pcf::PcfBuilder from_unknown = Request(MQCMD_COPY_NAMELIST, "NL.C");
  from_unknown.String(MQCACF_FROM_NAMELIST_NAME, "NL.NONE");
  EXPECT_EQ(Reason(std::move(from_unknown)), MQRC_UNKNOWN_OBJECT_NAME);
  EXPECT_EQ(Reason(Request(MQCMD_COPY_NAMELIST, "NL.C")), MQRCCF_PARM_COUNT_TOO_SMALL);
  EXPECT_EQ(Reason(Request(MQCMD_INQUIRE_NAMELIST, "NL.NONE")), MQRC_UNKNOWN_OBJECT_NAME);
  EXPECT_EQ(Reason(Request(MQCMD_DELETE_NAMELIST, "NL.NONE")), MQRC_UNKNOWN_OBJECT_NAME);

  // The command server serves on; a deleted namelist is gone.
  EXPECT_EQ(Reason(Request(MQCMD_DELETE_NAMELIST, "NL.B")), MQRC_NONE);
  EXPECT_EQ(Ask(Request(MQCMD_INQUIRE_NAMELIST, "NL.*")).size(), 1u);
}

}  // namespace
}  // namespace mqemu_test
