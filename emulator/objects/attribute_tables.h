// The attribute tables, one per object type: queues (local, model, alias
// and remote in one table, each row saying which of the classes have the
// attribute), process definitions, namelists, channels (server-connection,
// sender and receiver in one table) and the queue manager. Each table lists
// its rows in the order that inquiries report them, and its MQSC keywords
// in the order that DISPLAY shows them.
#pragma once

#include <cmqc.h>
#include <cmqxc.h>

#include "objects/attribute_row.h"

namespace mqemu {
class QueueManager;
struct ChannelDefinition;
struct Namelist;
struct Process;
struct Queue;
}  // namespace mqemu

namespace mqemu::objects {

using QueueRow = AttributeRow<Queue>;
using ProcessRow = AttributeRow<Process>;
using NamelistRow = AttributeRow<Namelist>;
using ChannelRow = AttributeRow<ChannelDefinition>;
using QueueManagerRow = AttributeRow<QueueManager>;

Rows<Queue> QueueRows();
std::span<const Keyword> QueueKeywords();
Rows<Process> ProcessRows();
std::span<const Keyword> ProcessKeywords();
Rows<Namelist> NamelistRows();
std::span<const Keyword> NamelistKeywords();
Rows<ChannelDefinition> ChannelRows();
std::span<const Keyword> ChannelKeywords();
// The channel types the stand-in defines, by their MQSC names (SDR, RCVR,
// SVRCONN) and MQCHT_* values.
std::span<const ValueName> ChannelTypeNames();
Rows<QueueManager> QueueManagerRows();
std::span<const Keyword> QueueManagerKeywords();

// The class bit of a queue type (MQQT_*); 0 for none.
constexpr unsigned QueueClassBit(MQLONG type) {
  switch (type) {
    case MQQT_LOCAL:
      return kLocalBit;
    case MQQT_MODEL:
      return kModelBit;
    case MQQT_ALIAS:
      return kAliasBit;
    case MQQT_REMOTE:
      return kRemoteBit;
    default:
      return 0;
  }
}

// The class bit of a channel type (MQCHT_*); 0 for a type the stand-in
// does not define.
constexpr unsigned ChannelClassBit(MQLONG type) {
  switch (type) {
    case MQCHT_SENDER:
      return kSenderBit;
    case MQCHT_RECEIVER:
      return kReceiverBit;
    case MQCHT_SVRCONN:
      return kSvrconnBit;
    default:
      return 0;
  }
}

// Whether a queue manager or channel attribute is an integer list in PCF.
bool IsListAttribute(MQLONG selector);

}  // namespace mqemu::objects
