// Message order, selection and expiry within a queue.
#include "qmgr/queue.h"

#include <algorithm>
#include <cstring>

#include "objects/value_names.h"

namespace mqemu {

bool IsNullId(const MQBYTE* id) {
  return std::all_of(id, id + 24, [](MQBYTE b) { return b == 0; });
}

void Message::StartExpiry(MessageClock::time_point now) {
  expires =
      md.Expiry > 0 ? now + std::chrono::milliseconds(int64_t{md.Expiry} * 100) : kNeverExpires;
}

MQLONG Message::ExpiryLeft(MessageClock::time_point now) const {
  if (expires == kNeverExpires) return md.Expiry;
  auto left = std::chrono::ceil<std::chrono::milliseconds>(expires - now).count();
  return static_cast<MQLONG>(std::max<int64_t>((left + 99) / 100, 1));
}

Selection Selection::Of(const MQMD& md, MQLONG match) {
  Selection s;
  s.match_msg_id = (match & MQMO_MATCH_MSG_ID) && !IsNullId(md.MsgId);
  s.match_correl_id = (match & MQMO_MATCH_CORREL_ID) && !IsNullId(md.CorrelId);
  std::memcpy(s.msg_id, md.MsgId, 24);
  std::memcpy(s.correl_id, md.CorrelId, 24);
  return s;
}

bool Selection::Matches(const MQMD& md) const {
  return (!match_msg_id || std::memcmp(md.MsgId, msg_id, 24) == 0) &&
         (!match_correl_id || std::memcmp(md.CorrelId, correl_id, 24) == 0);
}

void QueueActivity::Put() {
  last_put = WallClock::now();
  if (puts < objects::kMaxCount) ++puts;
}

void QueueActivity::Got(MessageClock::time_point put_at, MessageClock::time_point now) {
  last_get = WallClock::now();
  if (gets < objects::kMaxCount) ++gets;
  int64_t waited = std::chrono::duration_cast<std::chrono::microseconds>(now - put_at).count();
  // Moving averages: the short one follows the last few messages, the long
  // one many.
  auto average = [waited](int64_t* avg, int64_t weight) {
    *avg = *avg < 0 ? waited : *avg + (waited - *avg) / weight;
  };
  average(&wait_short_us, 4);
  average(&wait_long_us, 64);
}

void QueueActivity::Reached(size_t depth) {
  high_depth = std::max(high_depth, static_cast<MQLONG>(depth));
}

bool Queue::Before(MQLONG a_priority, uint64_t a_position, MQLONG b_priority,
                   uint64_t b_position) const {
  return a_priority != b_priority ? a_priority > b_priority : a_position < b_position;
}

void Queue::Add(Message m) {
  m.position = ++last_position;
  m.place_priority = delivery_sequence == MQMDS_FIFO ? default_priority : m.md.Priority;
  const Message* last = messages.empty() ? nullptr : &messages.back();
  if (!last || !Before(m.place_priority, m.position, last->place_priority, last->position)) {
    messages.push_back(std::move(m));
    activity.Reached(messages.size());
    return;
  }
  Restore(std::move(m));
}

void Queue::Restore(Message m) {
  auto at = std::upper_bound(
      messages.begin(), messages.end(), m, [this](const Message& a, const Message& b) {
        return Before(a.place_priority, a.position, b.place_priority, b.position);
      });
  messages.insert(at, std::move(m));
  activity.Reached(messages.size());
}

size_t Queue::After(const BrowseCursor& c) const {
  if (!c.positioned) return 0;
  auto it = std::partition_point(messages.begin(), messages.end(), [&](const Message& m) {
    return !Before(c.priority, c.position, m.place_priority, m.position);
  });
  return static_cast<size_t>(it - messages.begin());
}

size_t Queue::Under(const BrowseCursor& c) const {
  if (!c.positioned) return messages.size();
  auto it = std::partition_point(messages.begin(), messages.end(), [&](const Message& m) {
    return Before(m.place_priority, m.position, c.priority, c.position);
  });
  if (it == messages.end() || it->place_priority != c.priority || it->position != c.position) {
    return messages.size();
  }
  return static_cast<size_t>(it - messages.begin());
}

BrowseCursor CursorOn(const Message& m) {
  return {true, m.place_priority, m.position};
}

MQLONG Queue::DepthFrom(MQLONG priority) const {
  return static_cast<MQLONG>(std::count_if(messages.begin(), messages.end(), [&](const Message& m) {
    return m.md.Priority >= priority;
  }));
}

}  // namespace mqemu
