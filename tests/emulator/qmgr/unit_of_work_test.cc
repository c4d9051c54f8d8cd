// Units of work: syncpoint puts wait for the commit, a backout drops them
// and puts syncpoint gets back, and a session that ends backs out.
#include <gtest/gtest.h>

#include "emulator/qmgr/in_process_qmgr.h"

namespace mqemu_test {
namespace {

class UnitOfWorkTest : public InProcessQmgr {
 protected:
  UnitOfWorkTest() {
    Define("UNIT.Q");
    hobj = Open(s, "UNIT.Q", MQOO_OUTPUT | MQOO_INPUT_SHARED);
  }
  void End(bool commit) {
    std::lock_guard lock(qm.mu);
    qm.EndUnitOfWork(s, commit);
  }
  mqemu::Session& s = NewSession();
  MQHOBJ hobj = MQHO_NONE;
};

TEST_F(UnitOfWorkTest, SyncpointPutsAppearOnCommitAndGoOnBackout) {
  ASSERT_EQ(Put(s, hobj, "kept", MQPMO_SYNCPOINT), MQRC_NONE);
  EXPECT_EQ(Depth("UNIT.Q"), 0u);
  End(true);
  EXPECT_EQ(Depth("UNIT.Q"), 1u);
  ASSERT_EQ(Put(s, hobj, "dropped", MQPMO_SYNCPOINT), MQRC_NONE);
  End(false);
  EXPECT_EQ(Depth("UNIT.Q"), 1u);
  std::string data;
  EXPECT_EQ(Get(s, hobj, &data), MQRC_NONE);
  EXPECT_EQ(data, "kept");
}

TEST_F(UnitOfWorkTest, BackoutPutsSyncpointGetsBackInFrontWithTheirBackoutCount) {
  ASSERT_EQ(Put(s, hobj, "first"), MQRC_NONE);
  ASSERT_EQ(Put(s, hobj, "second"), MQRC_NONE);
  std::string data;
  ASSERT_EQ(Get(s, hobj, &data, MQGMO_SYNCPOINT), MQRC_NONE);
  End(false);
  MQMD md = {MQMD_DEFAULT};
  ASSERT_EQ(Get(s, hobj, &data, MQGMO_SYNCPOINT, &md), MQRC_NONE);
  EXPECT_EQ(data, "first");
  EXPECT_EQ(md.BackoutCount, 1);
  End(true);
  EXPECT_EQ(Depth("UNIT.Q"), 1u) << "a committed get is gone";
}

TEST_F(UnitOfWorkTest, ASessionThatEndsBacksOut) {
  ASSERT_EQ(Put(s, hobj, "got"), MQRC_NONE);
  std::string data;
  ASSERT_EQ(Get(s, hobj, &data, MQGMO_SYNCPOINT), MQRC_NONE);
  ASSERT_EQ(Put(s, hobj, "never", MQPMO_SYNCPOINT), MQRC_NONE);
  {
    std::lock_guard lock(qm.mu);
    qm.EndSession(s);
  }
  EXPECT_EQ(Depth("UNIT.Q"), 1u);
  mqemu::Session& other = NewSession();
  MQHOBJ in = Open(other, "UNIT.Q", MQOO_INPUT_SHARED);
  EXPECT_EQ(Get(other, in, &data), MQRC_NONE);
  EXPECT_EQ(data, "got");
}

}  // namespace
}  // namespace mqemu_test
