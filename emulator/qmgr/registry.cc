// The queue manager's object registry: finding, adding and deleting its
// queues, process definitions, namelists and channels.
#include "qmgr/queue_manager.h"

#include "pcf/pcf_format.h"
#include "qmgr/clock.h"

namespace mqemu {
namespace {

// The object of that name in `objects`, or null.
template <typename Object>
Object* FindIn(const std::map<std::string, std::unique_ptr<Object>>& objects,
               std::string_view name) {
  auto it = objects.find(std::string(name));
  return it == objects.end() ? nullptr : it->second.get();
}

// A new object of that name in `objects`, altered now; null when the name is
// taken.
template <typename Object>
Object* AddTo(std::map<std::string, std::unique_ptr<Object>>& objects, const std::string& name) {
  if (objects.count(name)) return nullptr;
  auto object = std::make_unique<Object>();
  object->name = name;
  NowFields(&object->alteration_date, &object->alteration_time, nullptr, nullptr);
  Object* raw = object.get();
  objects.emplace(name, std::move(object));
  return raw;
}

}  // namespace

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
  return FindIn(processes, process_name);
}

Process* QueueManager::AddProcess(const std::string& process_name) {
  return AddTo(processes, process_name);
}

Status QueueManager::DeleteProcess(const std::string& process_name) {
  return processes.erase(process_name) ? Status::Ok() : Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
}

Namelist* QueueManager::FindNamelist(std::string_view namelist_name) {
  return FindIn(namelists, namelist_name);
}

Namelist* QueueManager::AddNamelist(const std::string& namelist_name) {
  return AddTo(namelists, namelist_name);
}

Status QueueManager::DeleteNamelist(const std::string& namelist_name) {
  return namelists.erase(namelist_name) ? Status::Ok() : Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
}

ChannelDefinition* QueueManager::FindChannel(std::string_view channel_name) {
  return FindIn(channels, channel_name);
}

ChannelDefinition* QueueManager::AddChannel(const std::string& channel_name, MQLONG type) {
  ChannelDefinition* c = AddTo(channels, channel_name);
  if (c) c->type = type;
  return c;
}

Status QueueManager::DeleteChannel(const std::string& channel_name) {
  return channels.erase(channel_name) ? Status::Ok() : Status::Fail(MQRCCF_CHANNEL_NOT_FOUND);
}

}  // namespace mqemu
