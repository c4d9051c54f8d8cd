// Checks shared by the attribute tables.
#include "objects/attribute_row.h"

namespace mqemu::objects {

bool ValidObjectName(std::string_view name) {
  if (name.empty() || name.size() > MQ_Q_NAME_LENGTH) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '/' || c == '%';
  });
}

}  // namespace mqemu::objects
