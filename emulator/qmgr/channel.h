// A channel definition of the emulated queue manager: a server-connection,
// sender or receiver channel. The stand-in keeps and reports its attributes;
// server-connection channels are what clients of the client library connect
// through, and their running instances are what channel status reports.
// Nothing in the queue manager reads a sender's or receiver's attributes:
// messages reach other queue managers without them.
//
// Guarded by the queue manager's one lock (QueueManager::mu), like queues.
#pragma once

#include <cmqc.h>
#include <cmqxc.h>

#include <string>

#include "objects/kept_values.h"

namespace mqemu {

struct ChannelDefinition {
  std::string name;
  MQLONG type = MQCHT_SVRCONN;  // MQCHT_SENDER, MQCHT_RECEIVER or MQCHT_SVRCONN
  std::string alteration_date;  // "yyyy-mm-dd": the definition or its last change
  std::string alteration_time;  // "hh.mm.ss"
  objects::KeptValues kept;     // every other attribute, by selector
};

}  // namespace mqemu
