// The lookups over the constant name tables: linear scans in table order, so
// that the first row of a code with several rows answers.
#include "pcf/names/constant_names.h"

#include "pcf/names/constant_name_tables.h"

namespace {

// Returns the description of the first row of `table` with `code`, or null
// when no row has it.
const char* FindDescription(ConstantNameTable table, MQLONG code) {
  for (const ConstantNameRow& row : table) {
    if (row.code == code) return row.description;
  }
  return nullptr;
}

}  // namespace

const char* ReasonText(MQLONG code) {
  if (const char* description = FindDescription(ReasonNames, code)) return description;
  if (const char* description = FindDescription(FeedbackNames, code)) return description;
  return "";
}

const char* CommandText(MQLONG code) {
  const char* description = FindDescription(CommandNames, code);
  return description != nullptr ? description : "";
}
