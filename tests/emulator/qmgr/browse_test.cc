// Browse cursors where a process test cannot time them: a browsing
// consumer's copies handed back at a stop, a message put back by a backout
// at its old place under the cursor, and the order of a FIFO queue whose
// delivery sequence changes under messages.
#include <gtest/gtest.h>

#include "emulator/qmgr/in_process_qmgr.h"

namespace mqemu_test {
namespace {

class BrowseTest : public InProcessQmgr {
 protected:
  BrowseTest() {
    Define("UNIT.Q");
    hobj = Open(s, "UNIT.Q", MQOO_BROWSE | MQOO_INPUT_SHARED | MQOO_OUTPUT);
    for (const char* data : {"one", "two", "three"}) EXPECT_EQ(Put(s, hobj, data), MQRC_NONE);
  }
  std::string Browse(MQLONG options) {
    std::string data;
    EXPECT_EQ(Get(s, hobj, &data, options), MQRC_NONE);
    return data;
  }
  mqemu::Session& s = NewSession();
  MQHOBJ hobj = MQHO_NONE;
};

TEST_F(BrowseTest, CopiesHandedBackAtAStopAreBrowsedAgain) {
  mqemu::Consumer browser;
  browser.gmo_options = MQGMO_BROWSE_FIRST;
  ASSERT_EQ(qm.RegisterConsumer(s, hobj, browser).rc, MQRC_NONE);
  std::vector<mqemu::RequeuedMessage> back;
  {
    std::lock_guard lock(qm.mu);
    mqemu::Queue& q = *qm.FindQueue("UNIT.Q");
    mqemu::Message m;
    ASSERT_TRUE(qm.BrowseMessage(q, {}, &s.handles[hobj].cursor, &m));
    EXPECT_EQ(m.data, "one");
    // "two" and "three" pushed, then the connection stopped before them.
    for (const char* expected : {"two", "three"}) {
      ASSERT_TRUE(qm.BrowseMessage(q, {}, &s.handles[hobj].cursor, &m));
      EXPECT_EQ(m.data, expected);
      back.push_back({hobj, m, true});
    }
  }
  ASSERT_EQ(qm.Requeue(s, std::move(back)).rc, MQRC_NONE);
  EXPECT_EQ(Depth("UNIT.Q"), 3u) << "copies are not messages";
  EXPECT_EQ(Browse(MQGMO_BROWSE_NEXT), "two");
}

TEST_F(BrowseTest, ABackedOutGetReturnsUnderTheCursor) {
  EXPECT_EQ(Browse(MQGMO_BROWSE_FIRST), "one");
  EXPECT_EQ(Browse(MQGMO_BROWSE_NEXT), "two");
  std::string data;
  ASSERT_EQ(Get(s, hobj, &data, MQGMO_MSG_UNDER_CURSOR | MQGMO_SYNCPOINT), MQRC_NONE);
  EXPECT_EQ(Get(s, hobj, &data, MQGMO_BROWSE_MSG_UNDER_CURSOR), MQRC_NO_MSG_UNDER_CURSOR);
  {
    std::lock_guard lock(qm.mu);
    qm.EndUnitOfWork(s, false);
  }
  EXPECT_EQ(Browse(MQGMO_BROWSE_MSG_UNDER_CURSOR), "two");
  EXPECT_EQ(Browse(MQGMO_BROWSE_NEXT), "three");
  // A message of higher priority arriving before the cursor is not seen
  // until the browse starts over.
  MQMD urgent = {MQMD_DEFAULT};
  urgent.Version = MQMD_VERSION_2;
  urgent.Priority = 9;
  ASSERT_EQ(Put(s, hobj, "urgent", MQPMO_NO_SYNCPOINT, &urgent), MQRC_NONE);
  EXPECT_EQ(Get(s, hobj, &data, MQGMO_BROWSE_NEXT), MQRC_NO_MSG_AVAILABLE);
  EXPECT_EQ(Browse(MQGMO_BROWSE_FIRST), "urgent");
}

// A FIFO queue places each message as though of the queue's default
// priority: browses, the cursor and gets all follow arrival order, and a
// change of the delivery sequence moves no message already there.
TEST_F(BrowseTest, AFifoQueueKeepsOneOrderThroughAChangeOfSequence) {
  auto put = [&](const char* data, MQLONG priority) {
    MQMD md = {MQMD_DEFAULT};
    md.Version = MQMD_VERSION_2;
    md.Priority = priority;
    EXPECT_EQ(Put(s, hobj, data, MQPMO_NO_SYNCPOINT, &md), MQRC_NONE);
  };
  auto set_sequence = [&](MQLONG sequence) {
    std::lock_guard lock(qm.mu);
    qm.FindQueue("UNIT.Q")->delivery_sequence = sequence;
  };
  set_sequence(MQMDS_FIFO);
  put("urgent", 9);
  EXPECT_EQ(Browse(MQGMO_BROWSE_FIRST), "one");
  EXPECT_EQ(Browse(MQGMO_BROWSE_NEXT), "two");
  std::string data;
  ASSERT_EQ(Get(s, hobj, &data, MQGMO_MSG_UNDER_CURSOR), MQRC_NONE);
  EXPECT_EQ(data, "two");
  EXPECT_EQ(Browse(MQGMO_BROWSE_NEXT), "three");
  EXPECT_EQ(Browse(MQGMO_BROWSE_NEXT), "urgent");

  // Back to priority order: a later message of priority 5 goes before
  // them all, and "urgent" keeps its FIFO place and its own priority.
  set_sequence(MQMDS_PRIORITY);
  put("late", 5);
  EXPECT_EQ(Get(s, hobj, &data, MQGMO_BROWSE_NEXT), MQRC_NO_MSG_AVAILABLE);
  EXPECT_EQ(Browse(MQGMO_BROWSE_FIRST), "late");
  MQLONG priority = 0;
  for (const char* expected : {"late", "one", "three", "urgent"}) {
    MQMD md = {MQMD_DEFAULT};
    md.Version = MQMD_VERSION_2;
    ASSERT_EQ(Get(s, hobj, &data, 0, &md), MQRC_NONE);
    EXPECT_EQ(data, expected);
    priority = md.Priority;
  }
  EXPECT_EQ(priority, 9);
}

}  // namespace
}  // namespace mqemu_test
