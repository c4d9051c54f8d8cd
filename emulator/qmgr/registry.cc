// The queue manager's object registry: finding, adding and deleting its
// queues and process definitions.
#include "qmgr/queue_manager.h"

#include "qmgr/clock.h"

namespace mqemu {

Queue* QueueManager::FindQueue(std::string_view queue_name) {
  auto it = queues.find(std::string(queue_name));
  return it == queues.end() ? nullptr : it->second.get();
}

Queue* QueueManager::AddQueue(const std::string& queue_name, MQLONG type) {
  if (queues.count(queue_name)) return nullptr;
  auto q = std::make_unique<Queue>();
  q->name = queue_name;
  q->type = type;
  if (type == MQQT_MODEL) q->definition_type = MQQDT_TEMPORARY_DYNAMIC;
  NowFields(&q->creation_date, &q->creation_time, nullptr, nullptr);
  q->alteration_date = q->creation_date;
  q->alteration_time = q->creation_time;
  Queue* raw = q.get();
  queues.emplace(queue_name, std::move(q));
  return raw;
}

Status QueueManager::DeleteQueue(const std::string& queue_name, bool purge) {
  Queue* q = FindQueue(queue_name);
  if (!q) return Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
  if (q->open_input || q->open_output || !q->watchers.empty()) {
    return Status::Fail(MQRC_OBJECT_IN_USE);
  }
  if (!q->messages.empty() && !purge) return Status::Fail(MQRC_Q_NOT_EMPTY);
  queues.erase(queue_name);
  return Status::Ok();
}

Process* QueueManager::FindProcess(std::string_view process_name) {
  auto it = processes.find(std::string(process_name));
  return it == processes.end() ? nullptr : it->second.get();
}

Process* QueueManager::AddProcess(const std::string& process_name) {
  if (processes.count(process_name)) return nullptr;
  auto p = std::make_unique<Process>();
  p->name = process_name;
  NowFields(&p->alteration_date, &p->alteration_time, nullptr, nullptr);
  Process* raw = p.get();
  processes.emplace(process_name, std::move(p));
  return raw;
}

Status QueueManager::DeleteProcess(const std::string& process_name) {
  return processes.erase(process_name) ? Status::Ok() : Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
}

}  // namespace mqemu
