// Message order and selection within a queue.
#include "qmgr/queue.h"

#include <algorithm>
#include <cstring>

namespace mqemu {

bool IsNullId(const MQBYTE* id) {
  return std::all_of(id, id + 24, [](MQBYTE b) { return b == 0; });
}

void Queue::Add(Message m) {
  if (delivery_sequence == MQMDS_FIFO || messages.empty() ||
      messages.back().md.Priority >= m.md.Priority) {
    messages.push_back(std::move(m));
    return;
  }
  auto at = std::find_if(messages.begin(), messages.end(),
                         [&](const Message& q) { return q.md.Priority < m.md.Priority; });
  messages.insert(at, std::move(m));
}

MQLONG Queue::DepthFrom(MQLONG priority) const {
  return static_cast<MQLONG>(std::count_if(messages.begin(), messages.end(), [&](const Message& m) {
    return m.md.Priority >= priority;
  }));
}

std::deque<Message>::iterator Queue::Find(const MQBYTE* msg_id, const MQBYTE* correl_id) {
  if (!msg_id && !correl_id) return messages.begin();
  return std::find_if(messages.begin(), messages.end(), [&](const Message& m) {
    return (!msg_id || std::memcmp(m.md.MsgId, msg_id, 24) == 0) &&
           (!correl_id || std::memcmp(m.md.CorrelId, correl_id, 24) == 0);
  });
}

}  // namespace mqemu
