// Attribute values by selector, for MQINQ, the command server and MQSC,
// from the attribute tables.
#include "qmgr/attributes.h"

#include "objects/attribute_tables.h"
#include "qmgr/queue_manager.h"

namespace mqemu {

using namespace objects;

const std::vector<MQLONG>& QueueSelectors(MQLONG type) {
  static const std::vector<MQLONG> local = InquirySelectors(QueueRows(), kLocalBit);
  static const std::vector<MQLONG> model = InquirySelectors(QueueRows(), kModelBit);
  static const std::vector<MQLONG> alias = InquirySelectors(QueueRows(), kAliasBit);
  if (type == MQQT_MODEL) return model;
  if (type == MQQT_ALIAS) return alias;
  return local;
}

const std::vector<MQLONG>& QueueManagerSelectors() {
  static const std::vector<MQLONG> all = InquirySelectors(QueueManagerRows(), kQMgrBit);
  return all;
}

const std::vector<MQLONG>& ProcessSelectors() {
  static const std::vector<MQLONG> all = InquirySelectors(ProcessRows(), kProcessBit);
  return all;
}

bool QueueAttribute(const Queue& q, MQLONG selector, AttributeValue* out) {
  return Inquire(QueueRows(), QueueClassBit(q.type), q, selector, out);
}

bool ProcessAttribute(const Process& p, MQLONG selector, AttributeValue* out) {
  return Inquire(ProcessRows(), kProcessBit, p, selector, out);
}

bool QueueManagerAttribute(const QueueManager& qm, MQLONG selector, AttributeValue* out) {
  return Inquire(QueueManagerRows(), kQMgrBit, qm, selector, out);
}

}  // namespace mqemu
