// Dynamic queues: a local queue made from a model queue when the model is
// opened, named after the application's pattern.
#include "qmgr/queue_manager.h"

#include <cstdio>
#include <ctime>

namespace mqemu {

Status QueueManager::CreateDynamic(Session& s, Queue& model, const std::string& pattern,
                                   Queue** made) {
  if (pattern.empty() || pattern.size() > MQ_Q_NAME_LENGTH) {
    return Status::Fail(MQRC_DYNAMIC_Q_NAME_ERROR);
  }
  std::string queue_name = pattern;
  if (pattern.back() == '*') {
    std::string prefix = pattern.substr(0, pattern.size() - 1);
    // Complete the prefix with hexadecimal characters of a counter unique in
    // this queue manager, up to the 48 characters of a queue name.
    static uint64_t dynamic_counter = 0;
    do {
      char unique[32];
      std::snprintf(unique, sizeof unique, "%08lX%08lX",
                    static_cast<unsigned long>(std::time(nullptr) & 0xffffffff),
                    static_cast<unsigned long>(++dynamic_counter));
      queue_name = (prefix + unique).substr(0, MQ_Q_NAME_LENGTH);
    } while (FindQueue(queue_name));
  } else if (FindQueue(queue_name)) {
    return Status::Fail(MQRC_OBJECT_ALREADY_EXISTS);
  }
  Queue* q = AddQueue(queue_name, MQQT_LOCAL);
  q->definition_type = model.definition_type;
  q->description = model.description;
  q->max_msg_length = model.max_msg_length;
  q->max_depth = model.max_depth;
  q->inhibit_get = model.inhibit_get;
  q->inhibit_put = model.inhibit_put;
  q->default_persistence = model.default_persistence;
  q->default_priority = model.default_priority;
  q->default_input_open = model.default_input_open;
  q->shareability = model.shareability;
  q->trigger_control = model.trigger_control;
  q->trigger_type = model.trigger_type;
  q->trigger_depth = model.trigger_depth;
  q->trigger_msg_priority = model.trigger_msg_priority;
  q->trigger_data = model.trigger_data;
  q->initiation_queue = model.initiation_queue;
  q->process_name = model.process_name;
  if (q->definition_type == MQQDT_TEMPORARY_DYNAMIC) q->owner_session = s.id;
  *made = q;
  return Status::Ok();
}

}  // namespace mqemu
