// The attributes of queues, processes and of the queue manager that MQINQ,
// the command server and MQSC's DISPLAY report, by selector, read from the
// attribute tables (objects/), so that all give the same values at the same
// field lengths.
#pragma once

#include <cmqc.h>

#include <string>
#include <vector>

#include "objects/attribute_row.h"

namespace mqemu {

class QueueManager;
struct Process;
struct Queue;

using objects::AttributeValue;

// Lock held. Returns false when the selector is not an attribute of q's type.
bool QueueAttribute(const Queue& q, MQLONG selector, AttributeValue* out);
bool QueueManagerAttribute(const QueueManager& qm, MQLONG selector, AttributeValue* out);
bool ProcessAttribute(const Process& p, MQLONG selector, AttributeValue* out);

// Every selector of a queue type (MQQT_*) and of the queue manager, in the
// order that inquiries report them.
const std::vector<MQLONG>& QueueSelectors(MQLONG type);
const std::vector<MQLONG>& QueueManagerSelectors();
const std::vector<MQLONG>& ProcessSelectors();

}  // namespace mqemu
