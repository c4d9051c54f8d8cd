// The attributes of queues, processes, namelists, channels and of the queue manager that MQINQ,
// the command server and MQSC's DISPLAY report, by selector, read from the
// attribute tables (objects/) for this queue manager's platform, so that
// all give the same values at the same field lengths.
#pragma once

#include <cmqc.h>

#include <functional>
#include <span>
#include <string>

#include "objects/attribute_row.h"

namespace mqemu {

class QueueManager;
struct ChannelDefinition;
struct Namelist;
struct Process;
struct Queue;

using objects::AttributeValue;

// Lock held. Returns false when the selector is not an attribute of q's type.
bool QueueAttribute(const Queue& q, MQLONG selector, AttributeValue* out);
bool QueueManagerAttribute(const QueueManager& qm, MQLONG selector, AttributeValue* out);
bool ProcessAttribute(const Process& p, MQLONG selector, AttributeValue* out);
bool NamelistAttribute(const Namelist& n, MQLONG selector, AttributeValue* out);
bool ChannelAttribute(const ChannelDefinition& c, MQLONG selector, AttributeValue* out);

// Lock held. Calls report(selector, value) for each attribute that an
// inquiry of the object reports when it asks for `asked`, or for everything
// when `all`: in the order IBM MQ reports them, the identifying attributes
// first whatever is asked.
using Report = std::function<void(MQLONG selector, const AttributeValue& value)>;
void ReportQueue(const Queue& q, std::span<const MQLONG> asked, bool all, const Report& report);
void ReportProcess(const Process& p, std::span<const MQLONG> asked, bool all, const Report& report);
void ReportNamelist(const Namelist& n, std::span<const MQLONG> asked, bool all,
                    const Report& report);
void ReportChannel(const ChannelDefinition& c, std::span<const MQLONG> asked, bool all,
                   const Report& report);
void ReportQueueManager(const QueueManager& qm, std::span<const MQLONG> asked, bool all,
                        const Report& report);

}  // namespace mqemu
