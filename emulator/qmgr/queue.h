// A queue of the emulated queue manager: its attributes, its messages and
// the bookkeeping of who has it open. Queues live in memory only.
//
// Every field is guarded by the queue manager's one lock (QueueManager::mu);
// `arrived` is signalled whenever a message is added (after the lock is let
// go, when the adding thread has a WakeAfterUnlock scope: so it is shared,
// to outlive a queue deleted meanwhile), the queue's get-inhibit changes or
// the queue manager starts to quiesce.
#pragma once

#include <cmqc.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "objects/kept_values.h"

namespace mqemu {

class Session;

using MessageClock = std::chrono::steady_clock;
inline constexpr MessageClock::time_point kNeverExpires = MessageClock::time_point::max();

struct Message {
  MQMD md;  // full version-2 descriptor, context as it was set at the put
  std::string data;
  // The message's properties in their wire form (properties/
  // property_list.h): kept and passed on unread.
  std::string properties{};
  // Its place in its queue, set when it arrives and kept when it goes back
  // (a backout, a requeue after a stop): its order of arrival, and the
  // priority it is placed at. That is md.Priority, or the queue's default
  // priority when the queue delivers FIFO, so that a FIFO queue returns its
  // messages in arrival order whatever their MQMD.Priority says; a later
  // change of the delivery sequence or default priority moves no message
  // already there, as on IBM MQ.
  uint64_t position = 0;
  MQLONG place_priority = 0;
  // When MQMD.Expiry runs out: the message is then discarded when a get,
  // browse or consumer comes upon it.
  MessageClock::time_point expires = kNeverExpires;
  // When it was put to its queue: its age, and how long it waited there.
  MessageClock::time_point put_at{};

  bool ExpiredAt(MessageClock::time_point now) const { return expires <= now; }
  // Sets expires from md.Expiry (tenths of a second from now).
  void StartExpiry(MessageClock::time_point now);
  // The MQMD.Expiry that a getter or a receiving queue manager sees: the
  // tenths of a second left (at least 1), or md.Expiry when it never
  // expires.
  MQLONG ExpiryLeft(MessageClock::time_point now) const;
};

// What a get or a consumer selects by: MsgId and CorrelId, when it matches
// on them.
struct Selection {
  bool match_msg_id = false;
  bool match_correl_id = false;
  MQBYTE24 msg_id{};
  MQBYTE24 correl_id{};
  // The selection of an MQMD's identifiers under MatchOptions `match`; a
  // null identifier matches every message.
  static Selection Of(const MQMD& md, MQLONG match);
  bool Matches(const MQMD& md) const;
};

// A handle's browse cursor: the place in the queue's order of the message
// last browsed, which stays a place when that message goes.
struct BrowseCursor {
  bool positioned = false;
  MQLONG priority = 0;  // the message's place_priority
  uint64_t position = 0;
};

// What a queue has seen since it was defined, for status inquiries, and
// since its statistics were last reset. Every put and get counts, whoever
// made it: applications, other queue managers and the queue manager itself.
struct QueueActivity {
  using WallClock = std::chrono::system_clock;
  WallClock::time_point last_put{};  // the epoch until the first
  WallClock::time_point last_get{};
  // The time messages waited on the queue before a get, in microseconds,
  // averaged over the last few gets and over many (-1 until the first).
  int64_t wait_short_us = -1;
  int64_t wait_long_us = -1;
  // Statistics since reset_at: the highest depth, messages put and got
  // (uncommitted ones included, backed-out ones not taken back).
  MQLONG high_depth = 0;
  MQLONG puts = 0;
  MQLONG gets = 0;
  MessageClock::time_point reset_at = MessageClock::now();

  // Records a put, a get of a message put at put_at, and the depth reached.
  void Put();
  void Got(MessageClock::time_point put_at, MessageClock::time_point now);
  void Reached(size_t depth);
};

struct Queue {
  std::string name;
  MQLONG type = MQQT_LOCAL;                   // MQQT_LOCAL, MQQT_MODEL, MQQT_ALIAS or MQQT_REMOTE
  MQLONG definition_type = MQQDT_PREDEFINED;  // for a model: what it creates
  std::string description;
  std::string base_queue;  // alias queues only
  // A remote queue's definition: the queue on another queue manager that
  // puts to it reach, and the transmission queue that an open checks.
  std::string remote_queue;
  std::string remote_qmgr;
  std::string transmission_queue;
  MQLONG max_msg_length = 4194304;
  MQLONG max_depth = 5000;
  MQLONG max_file_size = MQQFS_DEFAULT;  // megabytes, or the queue manager's default size
  MQLONG inhibit_get = MQQA_GET_ALLOWED;
  MQLONG inhibit_put = MQQA_PUT_ALLOWED;
  MQLONG default_persistence = MQPER_NOT_PERSISTENT;
  MQLONG default_priority = 0;
  MQLONG default_input_open = MQOO_INPUT_SHARED;
  MQLONG shareability = MQQA_SHAREABLE;
  MQLONG usage = MQUS_NORMAL;
  MQLONG delivery_sequence = MQMDS_PRIORITY;     // MQMDS_FIFO: messages in arrival order only
  std::string creation_date;                     // "yyyy-mm-dd"
  std::string creation_time;                     // "hh.mm.ss"
  std::string alteration_date, alteration_time;  // the last definition or change
  objects::KeptValues kept;                      // the attributes that are only reported
  QueueActivity activity;

  // Triggering (local and model queues): TriggerConditionMet (triggering.h)
  // reads these when a message arrives, and the queue manager puts the
  // trigger message they describe.
  MQLONG trigger_control = MQTC_OFF;
  MQLONG trigger_type = MQTT_FIRST;
  MQLONG trigger_depth = 1;
  MQLONG trigger_msg_priority = 0;
  std::string trigger_data;
  std::string initiation_queue;
  std::string process_name;
  // A FIRST or DEPTH condition arose while the initiation queue was not open
  // for input: the trigger message is made when it is opened.
  bool trigger_missed = false;

  // In the queue's order (Before): highest priority first, in the order of
  // arrival (position) within one priority.
  std::deque<Message> messages;
  uint64_t last_position = 0;
  // Handles open on the queue; on an alias or remote queue, those opened
  // through its name (the queue they resolve to counts them too).
  int open_input = 0;
  int open_output = 0;
  bool open_exclusive = false;
  // Creator of a temporary dynamic queue: the queue goes when that handle
  // closes or that session ends.
  uint32_t owner_session = 0;
  MQHOBJ owner_hobj = MQHO_NONE;
  // Sessions with a registered consumer on this queue, told when a message
  // arrives.
  std::vector<Session*> watchers;
  std::shared_ptr<std::condition_variable> arrived = std::make_shared<std::condition_variable>();

  // Fault control: the next put_faults puts end with put_fault_reason, failed
  // (message not put) or as a warning (message put).
  int put_faults = 0;
  MQLONG put_fault_reason = MQRC_NONE;
  bool put_fault_warning = false;

  bool is_local() const { return type == MQQT_LOCAL; }
  // The queue's order, the one place that says it: whether a message placed
  // at a_priority (Message::place_priority) that arrived at a_position comes
  // before one placed at b_priority at b_position (higher priority first,
  // then earlier arrival).
  bool Before(MQLONG a_priority, uint64_t a_position, MQLONG b_priority, uint64_t b_position) const;
  // The number of messages of at least priority `priority`.
  MQLONG DepthFrom(MQLONG priority) const;
  // Adds an arriving message, last of its priority: its own, or the
  // queue's default priority when the delivery sequence is FIFO.
  void Add(Message m);
  // Puts a message that was on the queue back at its place.
  void Restore(Message m);
  // The index of the first message after the cursor (0 when it is not
  // positioned), or of the message under it; messages.size() when none.
  size_t After(const BrowseCursor& cursor) const;
  size_t Under(const BrowseCursor& cursor) const;
};

// The cursor on message m.
BrowseCursor CursorOn(const Message& m);

// Whether a 24-byte identifier is all zero (MQMI_NONE / MQCI_NONE).
bool IsNullId(const MQBYTE* id);

}  // namespace mqemu
