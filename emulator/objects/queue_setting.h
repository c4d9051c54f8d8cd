// Setting queue attributes, the one place where a stored value's hook runs
// (get-inhibit tells waiting getters and consumers): used by definitions and
// changes of every origin and by MQSET.
#pragma once

#include <cmqc.h>

#include <string_view>
#include <vector>

#include "objects/attribute_tables.h"
#include "qmgr/queue_manager.h"

namespace mqemu::objects {

// Lock held. Stores a checked value of `row` in q and runs the row's hook.
void SetQueueAttribute(QueueManager& qm, Queue& q, const QueueRow& row, MQLONG number,
                       std::string_view text);

// Lock held. MQSET on q: each selector in turn is set from the next of
// `ints`. Fails at the first selector that MQSET may not set
// (MQRC_SELECTOR_ERROR), that has no value left (MQRC_INT_ATTR_COUNT_ERROR)
// or whose value is refused (the row's reason); those before it stay set.
Status MqsetQueue(QueueManager& qm, Queue& q, const std::vector<MQLONG>& selectors,
                  const std::vector<MQLONG>& ints);

}  // namespace mqemu::objects
