// A queue of the emulated queue manager: its attributes, its messages and
// the bookkeeping of who has it open. Queues live in memory only.
//
// Every field is guarded by the queue manager's one lock (QueueManager::mu);
// `arrived` is signalled, under that lock, whenever a message is added, the
// queue's get-inhibit changes or the queue manager starts to quiesce.
#pragma once

#include <cmqc.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "objects/kept_values.h"

namespace mqemu {

class Session;

struct Message {
  MQMD md;  // full version-2 descriptor, context as it was set at the put
  std::string data;
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

  std::deque<Message> messages;  // highest priority first, FIFO within one priority
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
  std::condition_variable arrived;

  // Fault control: the next put_faults puts end with put_fault_reason, failed
  // (message not put) or as a warning (message put).
  int put_faults = 0;
  MQLONG put_fault_reason = MQRC_NONE;
  bool put_fault_warning = false;

  bool is_local() const { return type == MQQT_LOCAL; }
  // The number of messages of at least priority `priority`.
  MQLONG DepthFrom(MQLONG priority) const;
  // Adds a message in priority order, or last when the delivery sequence
  // is FIFO.
  void Add(Message m);
  // The first message that matches, or messages.end(). A null id matches
  // every message.
  std::deque<Message>::iterator Find(const MQBYTE* msg_id, const MQBYTE* correl_id);
};

// Whether a 24-byte identifier is all zero (MQMI_NONE / MQCI_NONE).
bool IsNullId(const MQBYTE* id);

}  // namespace mqemu
