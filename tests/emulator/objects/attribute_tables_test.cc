// The attribute tables: the invariants that the code driven by them relies
// on, and the checks and values they give.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "pcf/names/constant_name_tables.h"

#include "objects/attribute_tables.h"
#include "qmgr/channel.h"
#include "qmgr/namelist.h"
#include "qmgr/process.h"
#include "qmgr/queue.h"

namespace mqemu::objects {
namespace {

// Whatever MQSC or the command server may set must land somewhere, the MQSC
// keywords of one object type must be distinct and in DISPLAY order, and
// each mqemu define option must name one attribute.
template <typename Object>
void ExpectSoundTable(Rows<Object> rows, std::span<const Keyword> keywords) {
  std::set<std::string_view> spellings, options;
  for (const AttributeRow<Object>& r : rows) {
    SCOPED_TRACE(r.keyword.selector);
    EXPECT_EQ(FindRow(rows, r.keyword.selector), &r) << "selector listed twice";
    if (r.set || r.mqset) {
      EXPECT_TRUE(HoldsValue(r)) << "settable without a place to hold it";
      EXPECT_EQ(r.set & ~r.inquire, 0u) << "settable where it cannot be inquired";
    }
    bool text_kind = r.keyword.kind == ValueKind::kString || r.keyword.kind == ValueKind::kNameList;
    EXPECT_EQ(text_kind, IsStringSelector(r.keyword.selector));
    if (!r.option.empty()) {
      EXPECT_TRUE(options.insert(r.option).second) << r.option;
    }
  }
  for (size_t i = 0; i < keywords.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(keywords[i - 1].DisplayKey(), keywords[i].DisplayKey());
    }
    EXPECT_TRUE(spellings.insert(keywords[i].name).second) << keywords[i].name;
    if (!keywords[i].synonym.empty()) {
      EXPECT_TRUE(spellings.insert(keywords[i].synonym).second) << keywords[i].synonym;
    }
  }
}

TEST(AttributeTables, EveryTableIsSound) {
  ExpectSoundTable(QueueRows(), QueueKeywords());
  ExpectSoundTable(ProcessRows(), ProcessKeywords());
  ExpectSoundTable(NamelistRows(), NamelistKeywords());
  ExpectSoundTable(ChannelRows(), ChannelKeywords());
  ExpectSoundTable(QueueManagerRows(), QueueManagerKeywords());
}

// Tools show every parameter of an inquiry's reply by the name of the
// constant name tables.
template <typename Object>
void ExpectNamed(Rows<Object> rows) {
  for (const AttributeRow<Object>& r : rows) {
    bool named =
        std::any_of(ParameterNames.begin(), ParameterNames.end(),
                    [&](const ConstantNameRow& n) { return n.code == r.keyword.selector; });
    EXPECT_TRUE(named) << r.keyword.selector;
  }
}

TEST(AttributeTables, EveryAttributeIsNamedForTools) {
  ExpectNamed(QueueRows());
  ExpectNamed(ProcessRows());
  ExpectNamed(NamelistRows());
  ExpectNamed(ChannelRows());
  ExpectNamed(QueueManagerRows());
}

// Checks on a distributed queue manager, unless `platform` says otherwise.
MQLONG CheckNumber(MQLONG type, MQLONG selector, MQLONG value, MQLONG platform = MQPL_UNIX) {
  return CheckChange(QueueRows(), ScopeOf(QueueClassBit(type), platform), selector, false, value,
                     {});
}
MQLONG CheckText(MQLONG type, MQLONG selector, std::string_view text) {
  return CheckChange(QueueRows(), ScopeOf(QueueClassBit(type), MQPL_UNIX), selector, true, 0, text);
}

TEST(AttributeTables, ChangesAreCheckedByTheirRows) {
  // Ranges, with the row's own reason where it has one.
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_MAX_Q_DEPTH, 999999999), 0);
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_MAX_Q_DEPTH, -1), MQRCCF_PARM_VALUE_ERROR);
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_MAX_MSG_LENGTH, -1), MQRCCF_MAX_MSG_LENGTH_ERROR);
  EXPECT_EQ(CheckNumber(MQQT_MODEL, MQIA_TRIGGER_DEPTH, 0), MQRCCF_PARM_VALUE_ERROR);
  // Choices, and a narrower set where definitions allow less than MQSC names.
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_TRIGGER_TYPE, MQTT_DEPTH), 0);
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_TRIGGER_TYPE, MQTT_DEPTH + 1), MQRCCF_PARM_VALUE_ERROR);
  EXPECT_EQ(CheckNumber(MQQT_MODEL, MQIA_DEFINITION_TYPE, MQQDT_PERMANENT_DYNAMIC), 0);
  EXPECT_EQ(CheckNumber(MQQT_MODEL, MQIA_DEFINITION_TYPE, MQQDT_PREDEFINED),
            MQRCCF_PARM_VALUE_ERROR);
  // Attributes of another class, computed ones, and a type that does not fit.
  EXPECT_EQ(CheckNumber(MQQT_ALIAS, MQIA_MAX_Q_DEPTH, 1), MQRCCF_CFIN_PARM_ID_ERROR);
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_CURRENT_Q_DEPTH, 0), MQRCCF_CFIN_PARM_ID_ERROR);
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_OPEN_INPUT_COUNT, 0), MQRCCF_CFIN_PARM_ID_ERROR);
  EXPECT_EQ(CheckNumber(MQQT_REMOTE, MQIA_INHIBIT_GET, 0), MQRCCF_CFIN_PARM_ID_ERROR);
  EXPECT_EQ(CheckText(MQQT_REMOTE, MQCA_REMOTE_Q_MGR_NAME, "QM2"), 0);
  EXPECT_EQ(CheckText(MQQT_LOCAL, MQCA_XMIT_Q_NAME, "QM2"), MQRCCF_CFST_PARM_ID_ERROR);
  // Kept attributes are checked as the others; a value that MQSC names, or
  // a number in its range.
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_Q_DEPTH_HIGH_LIMIT, 100), 0);
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_Q_DEPTH_HIGH_LIMIT, 101), MQRCCF_PARM_VALUE_ERROR);
  EXPECT_EQ(CheckNumber(MQQT_ALIAS, MQIA_CAP_EXPIRY, MQCEX_NOLIMIT), 0);
  EXPECT_EQ(CheckNumber(MQQT_ALIAS, MQIA_CAP_EXPIRY, 600), 0);
  EXPECT_EQ(CheckNumber(MQQT_ALIAS, MQIA_CAP_EXPIRY, 0), MQRCCF_PARM_VALUE_ERROR);
  EXPECT_EQ(CheckNumber(MQQT_MODEL, MQIA_MONITORING_Q, MQMON_HIGH), 0);
  EXPECT_EQ(CheckNumber(MQQT_MODEL, MQIA_MONITORING_Q, MQMON_NONE), MQRCCF_PARM_VALUE_ERROR);
  // Each platform has its own attributes.
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_INDEX_TYPE, MQIT_MSG_ID, MQPL_ZOS), 0);
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_INDEX_TYPE, MQIT_MSG_ID), MQRCCF_CFIN_PARM_ID_ERROR);
  EXPECT_EQ(CheckNumber(MQQT_LOCAL, MQIA_DIST_LISTS, MQDL_SUPPORTED, MQPL_ZOS),
            MQRCCF_CFIN_PARM_ID_ERROR);
  EXPECT_EQ(CheckText(MQQT_LOCAL, MQIA_MAX_Q_DEPTH, "1"), MQRCCF_CFST_PARM_ID_ERROR);
  EXPECT_EQ(CheckText(MQQT_LOCAL, MQCA_Q_NAME, "X"), MQRCCF_CFST_PARM_ID_ERROR);
  // Strings: the field length, and names where the attribute names an object.
  EXPECT_EQ(CheckText(MQQT_LOCAL, MQCA_Q_DESC, std::string(MQ_Q_DESC_LENGTH, 'd')), 0);
  EXPECT_EQ(CheckText(MQQT_LOCAL, MQCA_Q_DESC, std::string(MQ_Q_DESC_LENGTH + 1, 'd')),
            MQRCCF_CFST_STRING_LENGTH_ERR);
  EXPECT_EQ(CheckText(MQQT_ALIAS, MQCA_BASE_Q_NAME, ""), MQRCCF_OBJECT_NAME_ERROR);
  EXPECT_EQ(CheckText(MQQT_ALIAS, MQCA_BASE_Q_NAME, "A B"), MQRCCF_OBJECT_NAME_ERROR);
  EXPECT_EQ(CheckText(MQQT_LOCAL, MQCA_INITIATION_Q_NAME, ""), 0);
  EXPECT_EQ(CheckText(MQQT_LOCAL, MQCA_PROCESS_NAME, "P?"), MQRCCF_OBJECT_NAME_ERROR);
  // Processes take any application type that is not negative.
  const unsigned process = ScopeOf(kProcessBit, MQPL_UNIX);
  EXPECT_EQ(CheckChange(ProcessRows(), process, MQIA_APPL_TYPE, false, 123456, {}), 0);
  EXPECT_EQ(CheckChange(ProcessRows(), process, MQIA_APPL_TYPE, false, -1, {}),
            MQRCCF_PARM_VALUE_ERROR);
}

TEST(AttributeTables, ValuesComeFromMembersAndComputationsAtFieldLength) {
  Queue q;
  q.name = "APP.Q";
  q.type = MQQT_LOCAL;
  q.max_depth = 7;
  q.messages.resize(3);
  const unsigned local = ScopeOf(kLocalBit, MQPL_UNIX);
  AttributeValue v;
  ASSERT_TRUE(Inquire(QueueRows(), local, q, MQCA_Q_NAME, &v));
  EXPECT_EQ(v.text, "APP.Q" + std::string(MQ_Q_NAME_LENGTH - 5, ' '));
  ASSERT_TRUE(Inquire(QueueRows(), local, q, MQIA_MAX_Q_DEPTH, &v));
  EXPECT_EQ(v.number, 7);
  ASSERT_TRUE(Inquire(QueueRows(), local, q, MQIA_CURRENT_Q_DEPTH, &v));
  EXPECT_EQ(v.number, 3);
  // A model queue has no depth, an alias no maximum depth, a distributed
  // queue manager's queue no disposition.
  EXPECT_FALSE(Inquire(QueueRows(), ScopeOf(kModelBit, MQPL_UNIX), q, MQIA_CURRENT_Q_DEPTH, &v));
  EXPECT_FALSE(Inquire(QueueRows(), ScopeOf(kAliasBit, MQPL_UNIX), q, MQIA_MAX_Q_DEPTH, &v));
  EXPECT_FALSE(Inquire(QueueRows(), local, q, MQIA_QSG_DISP, &v));
  ASSERT_TRUE(Inquire(QueueRows(), ScopeOf(kLocalBit, MQPL_ZOS), q, MQIA_QSG_DISP, &v));
  EXPECT_EQ(v.number, MQQSGD_Q_MGR);

  // Kept values have their row's default until given one; strings are
  // stored without their trailing blanks and reported at full length.
  Queue changed;
  Store(*FindRow(QueueRows(), MQCA_Q_DESC), changed, 0, "text with blanks   ");
  EXPECT_EQ(changed.description, "text with blanks");
  ASSERT_TRUE(Inquire(QueueRows(), local, changed, MQIA_Q_DEPTH_HIGH_LIMIT, &v));
  EXPECT_EQ(v.number, 80);
  Store(*FindRow(QueueRows(), MQIA_Q_DEPTH_HIGH_LIMIT), changed, 90, {});
  Store(*FindRow(QueueRows(), MQCA_CUSTOM), changed, 0, "CAPEXPRY(10)  ");
  ASSERT_TRUE(Inquire(QueueRows(), local, changed, MQIA_Q_DEPTH_HIGH_LIMIT, &v));
  EXPECT_EQ(v.number, 90);
  ASSERT_TRUE(Inquire(QueueRows(), local, changed, MQCA_CUSTOM, &v));
  EXPECT_EQ(v.text, "CAPEXPRY(10)" + std::string(MQ_CUSTOM_LENGTH - 12, ' '));
  EXPECT_EQ(changed.kept.texts.at(MQCA_CUSTOM), "CAPEXPRY(10)");

  // A model's values go to the dynamic queues it makes.
  Queue made;
  CopyValues(QueueRows(), kQueueBits, changed, made);
  ASSERT_TRUE(Inquire(QueueRows(), local, made, MQIA_Q_DEPTH_HIGH_LIMIT, &v));
  EXPECT_EQ(v.number, 90);
  EXPECT_EQ(made.description, "text with blanks");
}

}  // namespace
}  // namespace mqemu::objects
