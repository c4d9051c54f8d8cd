// The queue manager of this daemon, its start with the system queues, its
// access rules, and the end of a client session.
#include "qmgr/queue_manager.h"

#include <cctype>

#include "pcf/pcf_format.h"
#include "qmgr/clock.h"

namespace mqemu {

QueueManager& Qm() {
  static QueueManager qm;
  return qm;
}

bool MatchesGeneric(std::string_view name, std::string_view pattern) {
  if (!pattern.empty() && pattern.back() == '*') {
    pattern.remove_suffix(1);
    return name.substr(0, pattern.size()) == pattern;
  }
  return name == pattern;
}

void QueueManager::Init(std::string_view qmgr_name, MQLONG qmgr_platform) {
  name = qmgr_name;
  platform = qmgr_platform;
  NowFields(&creation_date, &creation_time, nullptr, nullptr);
  alteration_date = creation_date;
  alteration_time = creation_time;
  start_date = creation_date;
  start_time = creation_time;
  std::lock_guard lock(mu);
  // The defaults that IBM MQ derives from the queue manager's name.
  std::string lower_name(name);
  for (char& c : lower_name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  kept.texts[MQCA_CERT_LABEL] =
      (platform == MQPL_ZOS ? "ibmWebSphereMQ" + name : "ibmwebspheremq" + lower_name);
  kept.texts[MQCA_CONN_AUTH] = "SYSTEM.DEFAULT.AUTHINFO.IDPWOS";
  if (platform != MQPL_ZOS)
    kept.texts[MQCA_SSL_KEY_REPOSITORY] = "/var/mqm/qmgrs/" + name + "/ssl/key";
  AddQueue("SYSTEM.DEFAULT.LOCAL.QUEUE", MQQT_LOCAL);
  Queue* model = AddQueue("SYSTEM.DEFAULT.MODEL.QUEUE", MQQT_MODEL);
  model->definition_type = MQQDT_TEMPORARY_DYNAMIC;
  if (platform == MQPL_ZOS) {
    max_msg_length = kMaxMessageLength;
    command_queue = "SYSTEM.COMMAND.INPUT";
    AddQueue("SYSTEM.ADMIN.COMMAND.QUEUE", MQQT_ALIAS)->base_queue = command_queue;
  }
  AddQueue(command_queue, MQQT_LOCAL)->max_depth = 3000;
  // The default channels: a new channel takes the attributes of its type's.
  // A server-connection channel does not end an idle client unless told.
  AddChannel("SYSTEM.DEF.SENDER", MQCHT_SENDER);
  AddChannel("SYSTEM.DEF.RECEIVER", MQCHT_RECEIVER);
  AddChannel("SYSTEM.DEF.SVRCONN", MQCHT_SVRCONN)->kept.numbers[MQIACH_DISC_INTERVAL] = 0;
  AddChannel("SYSTEM.ADMIN.SVRCONN", MQCHT_SVRCONN)->kept.numbers[MQIACH_DISC_INTERVAL] = 0;
  AddQueue(kDeadLetterQueue, MQQT_LOCAL)->max_depth = 999999999;
}

bool QueueManager::MayOpen(const std::string& user, const std::string& object) const {
  return !faults.deny_open.count({user, object});
}
bool QueueManager::MayInquire(const std::string& user, const std::string& object) const {
  return !faults.deny_inquire.count({user, object});
}

void QueueManager::EndSession(Session& s) {
  if (s.ended) return;
  s.ended = true;
  EndUnitOfWork(s, false);  // an application that ends without MQDISC backs out
  while (!s.handles.empty()) {
    auto it = s.handles.begin();
    ReleaseHandle(s, it->first, it->second, MQCO_NONE);
    s.handles.erase(it);
  }
  s.started = false;
  s.OnEnded();
  for (auto& entry : queues) entry.second->arrived->notify_all();
}

}  // namespace mqemu
