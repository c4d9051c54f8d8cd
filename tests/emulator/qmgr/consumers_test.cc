// Consumers and what their sessions are told: events for a get-inhibited
// queue, messages put back after a stop, and the end of a session.
#include <gtest/gtest.h>

#include "emulator/qmgr/in_process_qmgr.h"

namespace mqemu_test {
namespace {

class ConsumersTest : public InProcessQmgr {
 protected:
  ConsumersTest() {
    Define("UNIT.Q");
    hobj = Open(s, "UNIT.Q", MQOO_INPUT_SHARED | MQOO_OUTPUT);
    EXPECT_EQ(qm.RegisterConsumer(s, hobj, mqemu::Consumer{}).rc, MQRC_NONE);
  }
  void Inhibit(MQLONG value) {
    std::lock_guard lock(qm.mu);
    qm.SetInhibitGet(*qm.FindQueue("UNIT.Q"), value);
  }
  bool EventsOwed() {
    std::lock_guard lock(qm.mu);
    return s.EventsOwed();
  }
  mqemu::Session& s = NewSession();
  MQHOBJ hobj = MQHO_NONE;
};

TEST_F(ConsumersTest, AGetInhibitIsToldOnceAndOnlyToAStartedConnection) {
  Inhibit(MQQA_GET_INHIBITED);
  EXPECT_FALSE(EventsOwed()) << "held while the connection is stopped";
  ASSERT_EQ(qm.Start(s).rc, MQRC_NONE);
  EXPECT_TRUE(EventsOwed());
  {
    std::lock_guard lock(qm.mu);
    EXPECT_TRUE(s.consumers.at(hobj).inhibit_told);
  }
  Inhibit(MQQA_GET_ALLOWED);
  std::lock_guard lock(qm.mu);
  EXPECT_FALSE(s.consumers.at(hobj).inhibit_told) << "told again after the next inhibit";
}

TEST_F(ConsumersTest, RequeuedMessagesGoBackToTheirPlacesInTheirOrder) {
  ASSERT_EQ(Put(s, hobj, "later"), MQRC_NONE);
  std::vector<mqemu::RequeuedMessage> pushed;
  for (const char* data : {"one", "two"}) {
    mqemu::Message m{{MQMD_DEFAULT}, data};
    m.md.Priority = 0;  // as the queue gave it; pushed before "later" arrived
    pushed.push_back({hobj, std::move(m), false});
  }
  ASSERT_EQ(qm.Requeue(s, std::move(pushed)).rc, MQRC_NONE);
  ASSERT_EQ(qm.DeregisterConsumer(s, hobj).rc, MQRC_NONE);
  for (const char* expected : {"one", "two", "later"}) {
    std::string data;
    ASSERT_EQ(Get(s, hobj, &data), MQRC_NONE);
    EXPECT_EQ(data, expected);
  }
}

TEST_F(ConsumersTest, AnEndedSessionLeavesNoConsumerHandleOrWatcher) {
  {
    std::lock_guard lock(qm.mu);
    qm.EndSession(s);
    EXPECT_TRUE(s.ended);
    EXPECT_TRUE(s.consumers.empty());
    EXPECT_TRUE(s.handles.empty());
    mqemu::Queue* q = qm.FindQueue("UNIT.Q");
    EXPECT_TRUE(q->watchers.empty());
    EXPECT_EQ(q->open_input, 0);
  }
  std::lock_guard lock(qm.mu);
  EXPECT_TRUE(qm.DeleteQueue("UNIT.Q", false).rc == MQRC_NONE);
}

}  // namespace
}  // namespace mqemu_test
