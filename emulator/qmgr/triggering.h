// The trigger conditions of a queue: whether a message's arrival, or the
// opening of an initiation queue after a missed trigger, calls for a trigger
// message. The queue manager puts that message (triggering.cc).
#pragma once

#include <cmqc.h>

#include "qmgr/queue.h"

namespace mqemu {

// Lock held. Whether q's trigger condition holds after a message of
// `priority` arrived (arrival true; the message is already on q), or still
// holds for a missed FIRST or DEPTH trigger (arrival false). Only a local
// queue with trigger control on triggers, and only for messages of at
// least its trigger message priority.
bool TriggerConditionMet(const Queue& q, MQLONG priority, bool arrival);

}  // namespace mqemu
