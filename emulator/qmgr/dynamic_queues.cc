// Dynamic queues: a local queue made from a model queue when the model is
// opened, named after the application's pattern.
#include "qmgr/queue_manager.h"

#include <cstdio>
#include <ctime>

#include "objects/attribute_tables.h"

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
  objects::CopyValues(objects::QueueRows(), objects::kQueueBits, model, *q);
  if (q->definition_type == MQQDT_TEMPORARY_DYNAMIC) q->owner_session = s.id;
  *made = q;
  return Status::Ok();
}

}  // namespace mqemu
