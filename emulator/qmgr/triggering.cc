// Triggering: the trigger conditions of a queue, the trigger message (MQTM)
// put on its initiation queue, and the triggers missed while nobody served
// that initiation queue.
#include "qmgr/triggering.h"

#include "qmgr/queue_manager.h"

#include <cstring>

#include "pcf/mq_field.h"

namespace mqemu {

bool TriggerConditionMet(const Queue& q, MQLONG priority, bool arrival) {
  if (q.trigger_control != MQTC_ON || !q.is_local() || priority < q.trigger_msg_priority) {
    return false;
  }
  switch (q.trigger_type) {
    case MQTT_FIRST:
      if (q.open_input > 0) return false;
      return arrival ? q.DepthFrom(q.trigger_msg_priority) == 1
                     : q.DepthFrom(q.trigger_msg_priority) > 0;
    case MQTT_EVERY:
      return true;
    case MQTT_DEPTH:
      return q.DepthFrom(q.trigger_msg_priority) >= q.trigger_depth;
    default:
      return false;
  }
}

void QueueManager::Trigger(Queue& q) {
  Queue* initq = FindQueue(q.initiation_queue);
  const Process* process = FindProcess(q.process_name);
  if (!initq || !initq->is_local() || initq == &q || !process) return;
  if (initq->open_input == 0) {
    // Nobody serves the initiation queue: no trigger message now, but FIRST
    // and DEPTH fire when a trigger monitor opens it.
    q.trigger_missed = q.trigger_type != MQTT_EVERY;
    return;
  }
  MQTM tm = {MQTM_DEFAULT};
  FillBlankPadded(tm.QName, sizeof tm.QName, q.name);
  FillBlankPadded(tm.ProcessName, sizeof tm.ProcessName, process->name);
  FillBlankPadded(tm.TriggerData, sizeof tm.TriggerData, q.trigger_data);
  tm.ApplType = process->appl_type;
  FillBlankPadded(tm.ApplId, sizeof tm.ApplId, process->appl_id);
  FillBlankPadded(tm.EnvData, sizeof tm.EnvData, process->env_data);
  FillBlankPadded(tm.UserData, sizeof tm.UserData, process->user_data);
  Message m{{MQMD_DEFAULT}, std::string(reinterpret_cast<const char*>(&tm), sizeof tm)};
  m.md.Version = MQMD_VERSION_2;
  m.md.MsgType = MQMT_DATAGRAM;
  std::memcpy(m.md.Format, MQFMT_TRIGGER, 8);
  m.md.CodedCharSetId = ccsid;
  NewId(m.md.MsgId);
  SetContext(nullptr, ContextMode::kDefault, &m.md);
  // A trigger message that cannot be put (initiation queue full or put
  // inhibited) is lost; the queue stays as it is.
  if (Enqueue(*initq, std::move(m)).failed()) return;
  q.trigger_missed = false;
  if (q.trigger_type == MQTT_DEPTH) q.trigger_control = MQTC_OFF;
}

void QueueManager::InitiationQueueOpened(const Queue& initq) {
  for (auto& [queue_name, q] : queues) {
    if (!q->trigger_missed || q->initiation_queue != initq.name) continue;
    q->trigger_missed = false;
    if (TriggerConditionMet(*q, q->trigger_msg_priority, false)) {
      Trigger(*q);
    }
  }
}

}  // namespace mqemu
