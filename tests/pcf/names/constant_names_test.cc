// ReasonText and CommandText, and the row order of the tables behind them.
#include "pcf/names/constant_names.h"

#include <gtest/gtest.h>

#include <climits>
#include <string_view>

#include "pcf/names/constant_name_tables.h"

namespace {

struct Described {
  MQLONG code;
  const char* description;
};

TEST(ReasonText, DescribesTheReasonsTheAgentReports) {
  const Described kReasons[] = {
      {0, "OK"},
      {2009, "Connection broken"},
      {2016, "Get inhibited"},
      {2018, "Hconn error"},
      {2019, "Hobj error"},
      {2030, "Message to big for queue"},
      {2031, "Message to big for qmgr"},
      {2035, "Not authorized"},
      {2042, "Object in use"},
      {2051, "Put inhibited"},
      {2053, "Queue full"},
      {2058, "QMgr name error"},
      {2059, "QMgr not available"},
      {2085, "Unknown object name"},
      {2087, "Unknown remote QMgr"},
      {2161, "QMgr quiescing"},
      {2162, "QMgr stopping"},
      {2195, "Unexpected error"},
      {2202, "Connection quiescing"},
      {2203, "Connection stopping"},
      {2298, "Function not supported"},
      {2538, "Host Not Available"},
      {2544, "Reconnecting"},
      {2548, "Reconnect Failed"},
      {3008, "Command failed"},
      {3016, "Message length error"},
      {3238, "Unexpected error"},
      {33844, "Repository not available"},
  };
  for (const Described& reason : kReasons) {
    EXPECT_STREQ(ReasonText(reason.code), reason.description) << "reason " << reason.code;
  }
}

TEST(ReasonText, CodeWithSeveralNamesGetsItsFirstRow) {
  const Described kShared[] = {
      {2120, "Converted message to big"},   // not MQRC_TRUNCATED
      {2192, "Pageset full"},               // not MQRC_STORAGE_MEDIUM_FULL
      {3029, "Mode value error"},           // not MQRCCF_QUIESCE_VALUE_ERROR
      {3250, "Listener status not found"},  // MQRCCF_LSTR_STATUS_NOT_FOUND
      {3353, "SSL/TLS Suite B error"},      // MQRCCF_SUITE_B_ERROR
      {6104, "Attribute Locked"},
      {6119, "Inconsistent Format"},
      {6129, "Reference Error"},
  };
  for (const Described& reason : kShared) {
    EXPECT_STREQ(ReasonText(reason.code), reason.description) << "reason " << reason.code;
  }
}

TEST(ReasonText, FeedbackCodesOutsideTheReasonTableComeFromTheFeedbackTable) {
  const Described kFeedback[] = {
      {501, "Publications on request"}, {502, "Subscriber is Publisher"},
      {503, "Message scope mismatch"},  {504, "Selector mismatch"},
      {505, "Not a group ur message"},
  };
  for (const Described& feedback : kFeedback) {
    for (const ConstantNameRow& row : ReasonNames) {
      EXPECT_NE(row.code, feedback.code) << "reason table has " << row.name;
    }
    EXPECT_STREQ(ReasonText(feedback.code), feedback.description) << "feedback " << feedback.code;
  }
  EXPECT_STREQ(ReasonText(258), "Expiration");  // MQFB_EXPIRATION, in both tables
}

TEST(ReasonText, CodeWithoutARowIsTheEmptyText) {
  // Range bounds (MQRC_APPL_FIRST, MQFB_SYSTEM_LAST, MQFB_APPL_LAST) are not
  // codes IBM MQ reports, and the agent has no private feedback codes.
  for (MQLONG code : {9999, -1, 900, 999, 65535, 999999999, 200000, 200001, INT_MIN, INT_MAX}) {
    const char* text = ReasonText(code);
    ASSERT_NE(text, nullptr) << "reason " << code;
    EXPECT_STREQ(text, "") << "reason " << code;
  }
}

TEST(CommandText, DescribesPcfCommands) {
  const Described kCommands[] = {
      {2, "Inquire QMgr"},
      {13, "Inquire Q"},
      {38, "Escape Command"},
      {42, "Inquire Channel Status"},
      {185, "Inquire Pub Sub Status"},
      {208, "Change Protection Policy"},  // also MQCMD_SET_PROT_POLICY
  };
  for (const Described& command : kCommands) {
    EXPECT_STREQ(CommandText(command.code), command.description) << "command " << command.code;
  }
}

TEST(CommandText, CodeWithoutARowIsTheEmptyText) {
  for (MQLONG code : {12345, -1, 9000, 9032, INT_MAX}) {
    const char* text = CommandText(code);
    ASSERT_NE(text, nullptr) << "command " << code;
    EXPECT_STREQ(text, "") << "command " << code;
  }
}

// Checks that the rows [begin, end) of `table` all carry names beginning with
// `prefix` and stand in ascending order of name.
void ExpectSortedFamily(ConstantNameTable table, size_t begin, size_t end,
                        std::string_view prefix) {
  ASSERT_LT(begin, end);
  ASSERT_LE(end, table.size());
  for (size_t i = begin; i < end; ++i) {
    std::string_view name = table[i].name;
    EXPECT_TRUE(name.starts_with(prefix)) << name << " at row " << i;
    if (i > begin) {
      EXPECT_LT(std::string_view(table[i - 1].name), name) << "row " << i;
    }
  }
}

// Returns the index of the first row of `table` at or after `from` whose
// name does not begin with `prefix`.
size_t EndOfFamily(ConstantNameTable table, size_t from, std::string_view prefix) {
  while (from < table.size() && std::string_view(table[from].name).starts_with(prefix)) ++from;
  return from;
}

void ExpectPlainDescriptions(ConstantNameTable table, size_t from) {
  for (size_t i = from; i < table.size(); ++i) {
    std::string_view text = table[i].description;
    ASSERT_FALSE(text.empty()) << table[i].name;
    EXPECT_NE(text.front(), ' ') << table[i].name;
    EXPECT_NE(text.back(), ' ') << table[i].name;
    EXPECT_EQ(text.find("  "), std::string_view::npos) << table[i].name;
  }
}

TEST(ConstantNameTables, ReasonRowsRunMqrcMqrccfUnnamedThenFeedback) {
  const ConstantNameTable table = ReasonNames;
  size_t mqrc_end = EndOfFamily(table, 0, "MQRC_");
  size_t mqrccf_end = EndOfFamily(table, mqrc_end, "MQRCCF_");
  ExpectSortedFamily(table, 0, mqrc_end, "MQRC_");
  ExpectSortedFamily(table, mqrc_end, mqrccf_end, "MQRCCF_");
  ASSERT_LT(mqrccf_end, table.size());
  EXPECT_EQ(table[mqrccf_end].code, 33844);
  EXPECT_STREQ(table[mqrccf_end].name, "");
  ExpectSortedFamily(table, mqrccf_end + 1, table.size(), "MQFB_");
  ExpectPlainDescriptions(table, 0);
}

TEST(ConstantNameTables, FeedbackRowsStartWithAnEmptyRowForZero) {
  const ConstantNameTable table = FeedbackNames;
  ASSERT_FALSE(table.empty());
  EXPECT_EQ(table[0].code, 0);
  EXPECT_STREQ(table[0].name, "");
  EXPECT_STREQ(table[0].description, "");
  ExpectSortedFamily(table, 1, table.size(), "MQFB_");
  ExpectPlainDescriptions(table, 1);
}

TEST(ConstantNameTables, CommandRowsEndWithTheInternalClusterCommands) {
  const ConstantNameTable table = CommandNames;
  ASSERT_GT(table.size(), 2u);
  size_t internal = table.size() - 2;
  ExpectSortedFamily(table, 0, internal, "MQCMD_");
  EXPECT_STREQ(table[internal].name, "MQCMD_INTER_Q_MGR_STATUS");
  EXPECT_STREQ(table[internal + 1].name, "MQCMD_INTER_Q_MGR_BALANCE");
  ExpectPlainDescriptions(table, 0);
}

}  // namespace
