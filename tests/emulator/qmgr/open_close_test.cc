// Opening and closing, with the dynamic queues that a model queue makes and
// the close that deletes them.
#include <gtest/gtest.h>

#include "emulator/qmgr/in_process_qmgr.h"

namespace mqemu_test {
namespace {

constexpr const char* kModel = "SYSTEM.DEFAULT.MODEL.QUEUE";

using OpenCloseTest = InProcessQmgr;

TEST_F(OpenCloseTest, APrefixGivesEachDynamicQueueAUniqueName) {
  mqemu::Session& s = NewSession();
  std::string first, second;
  Open(s, kModel, MQOO_INPUT_SHARED, MQRC_NONE, "UNIT.REPLY.*", &first);
  Open(s, kModel, MQOO_INPUT_SHARED, MQRC_NONE, "UNIT.REPLY.*", &second);
  EXPECT_EQ(first.rfind("UNIT.REPLY.", 0), 0u) << first;
  EXPECT_LE(first.size(), size_t{MQ_Q_NAME_LENGTH});
  EXPECT_NE(first, second);
  std::lock_guard lock(qm.mu);
  ASSERT_NE(qm.FindQueue(first), nullptr);
  EXPECT_EQ(qm.FindQueue(first)->type, MQQT_LOCAL);
  EXPECT_EQ(qm.FindQueue(first)->definition_type, MQQDT_TEMPORARY_DYNAMIC);
}

TEST_F(OpenCloseTest, ADynamicNameTakenOrTooLongIsRefused) {
  mqemu::Session& s = NewSession();
  Open(s, kModel, MQOO_INPUT_SHARED, MQRC_OBJECT_ALREADY_EXISTS, "SYSTEM.DEFAULT.LOCAL.QUEUE");
  Open(s, kModel, MQOO_INPUT_SHARED, MQRC_DYNAMIC_Q_NAME_ERROR, std::string(49, 'A'));
}

TEST_F(OpenCloseTest, ATemporaryDynamicQueueGoesWithTheHandleThatMadeIt) {
  mqemu::Session& maker = NewSession();
  std::string name;
  MQHOBJ made = Open(maker, kModel, MQOO_INPUT_SHARED, MQRC_NONE, "UNIT.TEMP.*", &name);
  mqemu::Session& other = NewSession();
  MQHOBJ out = Open(other, name, MQOO_OUTPUT);
  ASSERT_EQ(qm.Close(maker, made, MQCO_NONE).rc, MQRC_NONE);
  {
    std::lock_guard lock(qm.mu);
    EXPECT_EQ(qm.FindQueue(name), nullptr);
  }
  EXPECT_EQ(Put(other, out, "late"), MQRC_Q_DELETED);
}

TEST_F(OpenCloseTest, APermanentDynamicQueueGoesOnlyWhenItsCloseSaysDelete) {
  {
    std::lock_guard lock(qm.mu);
    qm.FindQueue(kModel)->definition_type = MQQDT_PERMANENT_DYNAMIC;
  }
  mqemu::Session& s = NewSession();
  std::string name;
  MQHOBJ h = Open(s, kModel, MQOO_OUTPUT, MQRC_NONE, "UNIT.PERM", &name);
  ASSERT_EQ(Put(s, h, "x"), MQRC_NONE);
  EXPECT_EQ(qm.Close(s, h, MQCO_DELETE).rc, MQRC_Q_NOT_EMPTY);
  ASSERT_EQ(qm.Close(s, h, MQCO_NONE).rc, MQRC_NONE);
  h = Open(s, name, MQOO_OUTPUT);
  ASSERT_EQ(qm.Close(s, h, MQCO_DELETE_PURGE).rc, MQRC_NONE);
  std::lock_guard lock(qm.mu);
  EXPECT_EQ(qm.FindQueue(name), nullptr);
}

}  // namespace
}  // namespace mqemu_test
