// Triggering: the trigger conditions of a queue, and the trigger messages
// that the queue manager puts, at once or when a missed trigger is caught up.
#include "qmgr/triggering.h"

#include <gtest/gtest.h>

#include <cstring>

#include "emulator/qmgr/in_process_qmgr.h"
#include "pcf/mq_field.h"

namespace mqemu_test {
namespace {

using mqemu::Message;
using mqemu::Queue;
using mqemu::TriggerConditionMet;

void AddMessages(Queue* q, int count, MQLONG priority) {
  for (int i = 0; i < count; ++i) {
    Message m{{MQMD_DEFAULT}, "x"};
    m.md.Priority = priority;
    q->Add(m);
  }
}

TEST(TriggerCondition, FollowsTriggerTypeDepthAndPriority) {
  Queue q;
  q.trigger_control = MQTC_ON;
  q.trigger_type = MQTT_FIRST;
  AddMessages(&q, 1, 0);
  EXPECT_TRUE(TriggerConditionMet(q, 0, true)) << "FIRST: the first message";
  AddMessages(&q, 1, 0);
  EXPECT_FALSE(TriggerConditionMet(q, 0, true)) << "FIRST: a second message";
  EXPECT_TRUE(TriggerConditionMet(q, 0, false)) << "FIRST missed: the queue still holds some";
  q.open_input = 1;
  EXPECT_FALSE(TriggerConditionMet(q, 0, true)) << "FIRST: the queue is served";
  q.open_input = 0;

  q.trigger_type = MQTT_EVERY;
  EXPECT_TRUE(TriggerConditionMet(q, 0, true));
  q.trigger_msg_priority = 5;
  EXPECT_FALSE(TriggerConditionMet(q, 4, true)) << "below the trigger message priority";
  EXPECT_TRUE(TriggerConditionMet(q, 5, true));

  q.trigger_type = MQTT_DEPTH;
  q.trigger_depth = 2;
  AddMessages(&q, 1, 5);
  EXPECT_FALSE(TriggerConditionMet(q, 5, true)) << "DEPTH counts only messages of priority";
  AddMessages(&q, 1, 5);
  EXPECT_TRUE(TriggerConditionMet(q, 5, true));

  q.trigger_control = MQTC_OFF;
  EXPECT_FALSE(TriggerConditionMet(q, 5, true)) << "trigger control off";
  q.trigger_control = MQTC_ON;
  q.type = MQQT_MODEL;
  EXPECT_FALSE(TriggerConditionMet(q, 5, true)) << "only local queues trigger";
}

class TriggeringTest : public InProcessQmgr {
 protected:
  TriggeringTest() {
    std::lock_guard lock(qm.mu);
    mqemu::Process* p = qm.AddProcess("UNIT.PROCESS");
    p->appl_id = "/bin/true";
    p->user_data = "from the process";
    qm.AddQueue("UNIT.INITQ", MQQT_LOCAL);
    app = qm.AddQueue("UNIT.APP", MQQT_LOCAL);
    app->trigger_control = MQTC_ON;
    app->trigger_type = MQTT_FIRST;
    app->trigger_data = "some data";
    app->initiation_queue = "UNIT.INITQ";
    app->process_name = "UNIT.PROCESS";
  }
  // The trigger message on the initiation queue, taken off it.
  MQTM TakeTrigger(mqemu::Session& s, MQHOBJ initq) {
    std::string data;
    MQMD md = {MQMD_DEFAULT};
    EXPECT_EQ(Get(s, initq, &data, 0, &md), MQRC_NONE);
    EXPECT_EQ(std::memcmp(md.Format, MQFMT_TRIGGER, 8), 0);
    MQTM tm{};
    EXPECT_EQ(data.size(), sizeof tm);
    std::memcpy(&tm, data.data(), std::min(data.size(), sizeof tm));
    return tm;
  }
  mqemu::Queue* app = nullptr;
};

TEST_F(TriggeringTest, AnArrivalPutsTheTriggerMessageOnAServedInitiationQueue) {
  mqemu::Session& monitor = NewSession();
  MQHOBJ initq = Open(monitor, "UNIT.INITQ", MQOO_INPUT_SHARED);
  mqemu::Session& app_session = NewSession();
  MQHOBJ out = Open(app_session, "UNIT.APP", MQOO_OUTPUT);
  ASSERT_EQ(Put(app_session, out, "work"), MQRC_NONE);
  MQTM tm = TakeTrigger(monitor, initq);
  EXPECT_EQ(NameInField(tm.QName, sizeof tm.QName), "UNIT.APP");
  EXPECT_EQ(NameInField(tm.ProcessName, sizeof tm.ProcessName), "UNIT.PROCESS");
  EXPECT_EQ(TextInField(tm.TriggerData, sizeof tm.TriggerData), "some data");
  EXPECT_EQ(NameInField(tm.ApplId, sizeof tm.ApplId), "/bin/true");
  EXPECT_EQ(TextInField(tm.UserData, sizeof tm.UserData), "from the process");
  ASSERT_EQ(Put(app_session, out, "more"), MQRC_NONE);
  EXPECT_EQ(Depth("UNIT.INITQ"), 0u) << "FIRST fires once until the queue is emptied";
}

TEST_F(TriggeringTest, AMissedTriggerFiresWhenTheInitiationQueueIsOpened) {
  mqemu::Session& s = NewSession();
  MQHOBJ out = Open(s, "UNIT.APP", MQOO_OUTPUT);
  ASSERT_EQ(Put(s, out, "work"), MQRC_NONE);
  EXPECT_EQ(Depth("UNIT.INITQ"), 0u);
  MQHOBJ initq = Open(s, "UNIT.INITQ", MQOO_INPUT_SHARED);
  MQTM tm = TakeTrigger(s, initq);
  EXPECT_EQ(NameInField(tm.QName, sizeof tm.QName), "UNIT.APP");
}

TEST_F(TriggeringTest, ADepthTriggerTurnsTriggerControlOff) {
  {
    std::lock_guard lock(qm.mu);
    app->trigger_type = MQTT_DEPTH;
    app->trigger_depth = 2;
  }
  mqemu::Session& s = NewSession();
  MQHOBJ initq = Open(s, "UNIT.INITQ", MQOO_INPUT_SHARED);
  MQHOBJ out = Open(s, "UNIT.APP", MQOO_OUTPUT);
  ASSERT_EQ(Put(s, out, "one"), MQRC_NONE);
  EXPECT_EQ(Depth("UNIT.INITQ"), 0u);
  ASSERT_EQ(Put(s, out, "two"), MQRC_NONE);
  TakeTrigger(s, initq);
  std::lock_guard lock(qm.mu);
  EXPECT_EQ(app->trigger_control, MQTC_OFF);
}

}  // namespace
}  // namespace mqemu_test
