// Attribute values by selector, for MQINQ, the command server and MQSC,
// from the attribute tables.
#include "qmgr/attributes.h"

#include "objects/attribute_tables.h"
#include "qmgr/queue_manager.h"

namespace mqemu {

using namespace objects;

namespace {

// The scope of an object of class `class_bit` on this queue manager.
unsigned Scope(unsigned class_bit) {
  return ScopeOf(class_bit, Qm().platform);
}

}  // namespace

bool QueueAttribute(const Queue& q, MQLONG selector, AttributeValue* out) {
  return Inquire(QueueRows(), Scope(QueueClassBit(q.type)), q, selector, out);
}

bool ProcessAttribute(const Process& p, MQLONG selector, AttributeValue* out) {
  return Inquire(ProcessRows(), Scope(kProcessBit), p, selector, out);
}

bool NamelistAttribute(const Namelist& n, MQLONG selector, AttributeValue* out) {
  return Inquire(NamelistRows(), Scope(kNamelistBit), n, selector, out);
}

bool ChannelAttribute(const ChannelDefinition& c, MQLONG selector, AttributeValue* out) {
  return Inquire(ChannelRows(), Scope(ChannelClassBit(c.type)), c, selector, out);
}

bool QueueManagerAttribute(const QueueManager& qm, MQLONG selector, AttributeValue* out) {
  return Inquire(QueueManagerRows(), Scope(kQMgrBit), qm, selector, out);
}

void ReportQueue(const Queue& q, std::span<const MQLONG> asked, bool all, const Report& report) {
  ForEachReported(QueueRows(), Scope(QueueClassBit(q.type)), q, asked, all, report);
}

void ReportProcess(const Process& p, std::span<const MQLONG> asked, bool all,
                   const Report& report) {
  ForEachReported(ProcessRows(), Scope(kProcessBit), p, asked, all, report);
}

void ReportNamelist(const Namelist& n, std::span<const MQLONG> asked, bool all,
                    const Report& report) {
  ForEachReported(NamelistRows(), Scope(kNamelistBit), n, asked, all, report);
}

void ReportChannel(const ChannelDefinition& c, std::span<const MQLONG> asked, bool all,
                   const Report& report) {
  ForEachReported(ChannelRows(), Scope(ChannelClassBit(c.type)), c, asked, all, report);
}

void ReportQueueManager(const QueueManager& qm, std::span<const MQLONG> asked, bool all,
                        const Report& report) {
  ForEachReported(QueueManagerRows(), Scope(kQMgrBit), qm, asked, all, report);
}

}  // namespace mqemu
