// The attribute tables, one per object type: queues (local, model, alias
// and remote in one table, each row saying which of the classes have the
// attribute), process definitions, namelists and the queue manager. Each table lists
// its rows in the order that inquiries report them, and its MQSC keywords
// in the order that DISPLAY shows them.
#pragma once

#include <cmqc.h>

#include "objects/attribute_row.h"

namespace mqemu {
class QueueManager;
struct Namelist;
struct Process;
struct Queue;
}  // namespace mqemu

namespace mqemu::objects {

using QueueRow = AttributeRow<Queue>;
using ProcessRow = AttributeRow<Process>;
using NamelistRow = AttributeRow<Namelist>;
using QueueManagerRow = AttributeRow<QueueManager>;

Rows<Queue> QueueRows();
std::span<const Keyword> QueueKeywords();
Rows<Process> ProcessRows();
std::span<const Keyword> ProcessKeywords();
Rows<Namelist> NamelistRows();
std::span<const Keyword> NamelistKeywords();
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

// Whether a queue manager attribute is an integer list in PCF.
bool IsListAttribute(MQLONG selector);

}  // namespace mqemu::objects
