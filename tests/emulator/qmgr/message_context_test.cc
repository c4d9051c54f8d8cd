// Message identifiers and the context that a put sets, by context mode and
// by who puts: a session, or the queue manager itself.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include "emulator/qmgr/in_process_qmgr.h"
#include "pcf/mq_field.h"

namespace mqemu_test {
namespace {

using mqemu::ContextMode;

class MessageContextTest : public InProcessQmgr {
 protected:
  MQMD Given() {
    MQMD md = {MQMD_DEFAULT};
    md.Version = MQMD_VERSION_2;
    FillBlankPadded(md.UserIdentifier, sizeof md.UserIdentifier, "given");
    FillBlankPadded(md.PutApplName, sizeof md.PutApplName, "given appl");
    md.PutApplType = MQAT_JAVA;
    return md;
  }
  MQMD Set(const mqemu::Session* s, ContextMode mode) {
    MQMD md = Given();
    std::lock_guard lock(qm.mu);
    qm.SetContext(s, mode, &md);
    return md;
  }
  static std::string Field(const MQCHAR* f, size_t n) { return std::string(f, n); }
};

TEST_F(MessageContextTest, AnIdNamesTheQueueManagerAndIsUnique) {
  MQBYTE24 a, b;
  {
    std::lock_guard lock(qm.mu);
    qm.NewId(a);
    qm.NewId(b);
  }
  EXPECT_EQ(std::string(reinterpret_cast<char*>(a), 16), "AMQ QMUNIT      ");
  EXPECT_NE(std::memcmp(a, b, 24), 0);
}

TEST_F(MessageContextTest, EachModeSetsItsFields) {
  mqemu::Session& s = NewSession();

  MQMD md = Set(&s, ContextMode::kDefault);
  EXPECT_EQ(NameInField(md.UserIdentifier, sizeof md.UserIdentifier), "tester");
  EXPECT_EQ(NameInField(md.PutApplName, sizeof md.PutApplName), "unit");
  EXPECT_EQ(md.PutApplType, MQAT_UNIX);
  EXPECT_EQ(Field(md.PutDate, 8).find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(Field(md.PutTime, 8).find_first_not_of("0123456789"), std::string::npos);

  md = Set(&s, ContextMode::kIdentity);
  EXPECT_EQ(NameInField(md.UserIdentifier, sizeof md.UserIdentifier), "given");
  EXPECT_EQ(NameInField(md.PutApplName, sizeof md.PutApplName), "unit");

  md = Set(&s, ContextMode::kAll);
  EXPECT_EQ(TextInField(md.PutApplName, sizeof md.PutApplName), "given appl");
  EXPECT_EQ(md.PutApplType, MQAT_JAVA);

  md = Set(&s, ContextMode::kNone);
  EXPECT_EQ(Field(md.UserIdentifier, sizeof md.UserIdentifier), std::string(12, ' '));
  EXPECT_EQ(Field(md.PutDate, 8), std::string(8, ' '));
  EXPECT_EQ(md.PutApplType, MQAT_NO_CONTEXT);
}

// PutDate and PutTime are the clock's UTC date and time to the hundredth,
// whether a put is the first of its second or follows one in it.
TEST_F(MessageContextTest, PutDateAndTimeAreTheClocksToTheHundredth) {
  mqemu::Session& s = NewSession();
  auto stamp = [](const MQMD& md) {
    std::tm tm{};
    std::string date = Field(md.PutDate, 8), time = Field(md.PutTime, 8);
    tm.tm_year = std::stoi(date.substr(0, 4)) - 1900;
    tm.tm_mon = std::stoi(date.substr(4, 2)) - 1;
    tm.tm_mday = std::stoi(date.substr(6, 2));
    tm.tm_hour = std::stoi(time.substr(0, 2));
    tm.tm_min = std::stoi(time.substr(2, 2));
    tm.tm_sec = std::stoi(time.substr(4, 2));
    return std::chrono::system_clock::from_time_t(timegm(&tm)) +
           std::chrono::milliseconds(10 * std::stoi(time.substr(6, 2)));
  };
  for (int i = 0; i < 50; ++i) {
    auto before = std::chrono::floor<std::chrono::milliseconds>(std::chrono::system_clock::now());
    MQMD md = Set(&s, ContextMode::kDefault);
    auto after = std::chrono::system_clock::now();
    EXPECT_LE(before - std::chrono::milliseconds(10), stamp(md));
    EXPECT_LE(stamp(md), after);
    std::this_thread::sleep_for(std::chrono::milliseconds(i % 7));
  }
}

TEST_F(MessageContextTest, TheQueueManagersOwnMessagesCarryItsAdministrator) {
  MQMD md = Set(nullptr, ContextMode::kDefault);
  EXPECT_EQ(NameInField(md.UserIdentifier, sizeof md.UserIdentifier), "mqm");
  EXPECT_EQ(NameInField(md.PutApplName, sizeof md.PutApplName), "amqpcsea");
  EXPECT_EQ(md.PutApplType, MQAT_QMGR);
}

TEST_F(MessageContextTest, APutCompletesTheDescriptor) {
  Define("UNIT.Q").default_priority = 3;
  mqemu::Session& s = NewSession();
  MQHOBJ out = Open(s, "UNIT.Q", MQOO_OUTPUT);
  MQMD md = {MQMD_DEFAULT};
  md.Version = MQMD_VERSION_2;
  FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, "REPLY.Q");
  ASSERT_EQ(Put(s, out, "x", MQPMO_NEW_CORREL_ID, &md), MQRC_NONE);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(md.MsgId), 4), "AMQ ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(md.CorrelId), 4), "AMQ ");
  EXPECT_EQ(NameInField(md.ReplyToQMgr, sizeof md.ReplyToQMgr), "QMUNIT");
  EXPECT_EQ(md.Priority, 3);
}

}  // namespace
}  // namespace mqemu_test
