// MQINQ's layout of attribute values.
#include "objects/inquiry.h"

#include <algorithm>

#include "objects/attribute_tables.h"

namespace mqemu::objects {
namespace {

// The full length of a character attribute of any object type, or 0.
size_t FieldLength(MQLONG selector) {
  const Keyword* k = nullptr;
  if (const QueueRow* r = FindRow(QueueRows(), selector)) {
    k = &r->keyword;
  } else if (const QueueManagerRow* m = FindRow(QueueManagerRows(), selector)) {
    k = &m->keyword;
  } else if (const ProcessRow* p = FindRow(ProcessRows(), selector)) {
    k = &p->keyword;
  }
  return k && k->kind == ValueKind::kString ? static_cast<size_t>(k->max) : 0;
}

}  // namespace

Status MqinqObject(const QueueManager& qm, const Queue* q, const std::vector<MQLONG>& selectors,
                   MQLONG int_count, MQLONG char_length, std::vector<MQLONG>* ints,
                   std::string* chars) {
  Status st;
  MQLONG ints_needed = 0;
  size_t chars_needed = 0;
  for (MQLONG sel : selectors) {
    AttributeValue v;
    bool known = q ? Inquire(QueueRows(), ScopeOf(QueueClassBit(q->type), qm.platform), *q, sel, &v)
                   : Inquire(QueueManagerRows(), ScopeOf(kQMgrBit, qm.platform), qm, sel, &v);
    bool is_char = IsStringSelector(sel);
    if (v.is_list) return Status::Fail(MQRC_SELECTOR_ERROR);  // for PCF alone
    if (!known && ((sel >= MQIA_FIRST && sel <= MQIA_LAST) || is_char)) {
      st = Status::Warn(MQRC_SELECTOR_NOT_FOR_TYPE);
      v.is_string = is_char;
      v.number = MQIAV_NOT_APPLICABLE;
      v.text.assign(std::max<size_t>(FieldLength(sel), 1), '*');
    } else if (!known) {
      return Status::Fail(MQRC_SELECTOR_ERROR);
    }
    if (v.is_string) {
      chars_needed += v.text.size();
      if (chars_needed <= static_cast<size_t>(std::max<MQLONG>(char_length, 0))) {
        chars->append(v.text);
      } else {
        chars->append(v.text, 0, static_cast<size_t>(char_length) - chars->size());
        st = Status::Warn(MQRC_CHAR_ATTRS_TOO_SHORT);
      }
    } else {
      ++ints_needed;
      if (ints_needed <= int_count) {
        ints->push_back(v.number);
      } else {
        st = Status::Warn(MQRC_INT_ATTR_COUNT_TOO_SMALL);
      }
    }
  }
  return st;
}

}  // namespace mqemu::objects
