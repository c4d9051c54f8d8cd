// Message identifiers and the context fields of a message put.
#include "qmgr/queue_manager.h"

#include <unistd.h>
#include <chrono>
#include <cstring>

#include "pcf/mq_field.h"
#include "qmgr/clock.h"

namespace mqemu {

void QueueManager::NewId(MQBYTE* id) {
  std::memcpy(id, "AMQ ", 4);
  FillBlankPadded(reinterpret_cast<char*>(id) + 4, 12, name);
  if (id_counter_ == 0) {
    id_counter_ =
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(::getpid()) << 48);
  }
  uint64_t unique = ++id_counter_;
  std::memcpy(id + 16, &unique, 8);
}

void QueueManager::SetContext(const Session* s, ContextMode mode, MQMD* md) {
  if (mode == ContextMode::kAll) return;
  if (mode == ContextMode::kNone) {
    FillBlankPadded(md->UserIdentifier, sizeof md->UserIdentifier, "");
    std::memset(md->AccountingToken, 0, sizeof md->AccountingToken);
    FillBlankPadded(md->ApplIdentityData, sizeof md->ApplIdentityData, "");
    md->PutApplType = MQAT_NO_CONTEXT;
    FillBlankPadded(md->PutApplName, sizeof md->PutApplName, "");
    FillBlankPadded(md->PutDate, sizeof md->PutDate, "");
    FillBlankPadded(md->PutTime, sizeof md->PutTime, "");
    FillBlankPadded(md->ApplOriginData, sizeof md->ApplOriginData, "");
    return;
  }
  // The queue manager's own messages (command server replies) carry the
  // identity of IBM MQ's administrator and command server program.
  const std::string user = s ? s->user : "mqm";
  if (mode == ContextMode::kDefault) {
    FillBlankPadded(md->UserIdentifier, sizeof md->UserIdentifier, user);
    std::memset(md->AccountingToken, 0, sizeof md->AccountingToken);
    FillBlankPadded(md->ApplIdentityData, sizeof md->ApplIdentityData, "");
  }
  md->PutApplType = s ? MQAT_UNIX : MQAT_QMGR;
  FillBlankPadded(md->PutApplName, sizeof md->PutApplName, s ? s->appl : "amqpcsea");
  NowFields(nullptr, nullptr, md->PutDate, md->PutTime);
  FillBlankPadded(md->ApplOriginData, sizeof md->ApplOriginData, "");
}

}  // namespace mqemu
