// MQINQ over the attribute tables: the values of a list of selectors for a
// queue or the queue manager, laid out as MQINQ returns them.
#pragma once

#include <cmqc.h>

#include <string>
#include <vector>

#include "qmgr/queue_manager.h"

namespace mqemu::objects {

// Lock held. Appends the integer values of `selectors` to *ints (at most
// int_count) and the character values to *chars (at most char_length bytes,
// each at its full field length), for queue q or, when q is null, for the
// queue manager. A selector of the other object type gives
// MQIAV_NOT_APPLICABLE or '*'s and the warning MQRC_SELECTOR_NOT_FOR_TYPE;
// too little room gives MQRC_INT_ATTR_COUNT_TOO_SMALL or
// MQRC_CHAR_ATTRS_TOO_SHORT; a selector of no attribute fails with
// MQRC_SELECTOR_ERROR.
Status MqinqObject(const QueueManager& qm, const Queue* q, const std::vector<MQLONG>& selectors,
                   MQLONG int_count, MQLONG char_length, std::vector<MQLONG>* ints,
                   std::string* chars);

}  // namespace mqemu::objects
