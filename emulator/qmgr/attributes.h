// The attributes of queues, processes and of the queue manager that MQINQ and the
// command server report, by selector: one table, so that both give the same
// values at the same field lengths.
#pragma once

#include <cmqc.h>

#include <string>
#include <vector>

namespace mqemu {

class QueueManager;
struct Process;
struct Queue;

struct AttributeValue {
  bool is_string = false;
  MQLONG number = 0;
  std::string text;  // blank padded to the attribute's full length
};

// Lock held. Returns false when the selector is not an attribute of q's type.
bool QueueAttribute(const Queue& q, MQLONG selector, AttributeValue* out);
bool QueueManagerAttribute(const QueueManager& qm, MQLONG selector, AttributeValue* out);
bool ProcessAttribute(const Process& p, MQLONG selector, AttributeValue* out);

// Every selector of a queue type (MQQT_*) and of the queue manager, in the
// order that inquiries report them.
const std::vector<MQLONG>& QueueSelectors(MQLONG type);
const std::vector<MQLONG>& QueueManagerSelectors();
const std::vector<MQLONG>& ProcessSelectors();

// The full length of a character attribute, or 0 when selector is none.
size_t CharAttributeLength(MQLONG selector);

}  // namespace mqemu
