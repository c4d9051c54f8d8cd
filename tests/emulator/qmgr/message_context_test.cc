// Message identifiers and the context that a put sets, by context mode and
// by who puts: a session, or the queue manager itself.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
