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

// Lock held. MQSET on q, all or nothing: each integer selector takes the
// next of `ints`, each character selector the next field of its full length
// in `chars`. Every selector is checked before any attribute changes: one
// that MQSET may not set, or that q's platform lacks, fails the call with
// MQRC_SELECTOR_ERROR (MQRC_SELECTOR_NOT_FOR_TYPE when q's type lacks it:
// InhibitGet of a remote queue), one without a value
// with MQRC_INT_ATTR_COUNT_ERROR or MQRC_CHAR_ATTR_LENGTH_ERROR, one whose
// value is refused with the row's reason; then nothing is changed.
Status MqsetQueue(QueueManager& qm, Queue& q, const std::vector<MQLONG>& selectors,
                  const std::vector<MQLONG>& ints, std::string_view chars);

}  // namespace mqemu::objects
