// Message property lists: wire form, names and matching.
#include "properties/property_list.h"

#include <cstring>
#include <span>

#include "protocol/frame.h"

namespace mqemu::properties {
namespace {

// The folders whose properties keep their folder in their name; every other
// name is a user property.
constexpr std::string_view kUserPrefix = "usr.";

void AppendU32(std::string* out, uint32_t v) {
  out->append(reinterpret_cast<const char*>(&v), sizeof v);
}
void AppendI32(std::string* out, int32_t v) {
  out->append(reinterpret_cast<const char*>(&v), sizeof v);
}
void AppendBlob(std::string* out, std::string_view s) {
  AppendU32(out, static_cast<uint32_t>(s.size()));
  out->append(s);
}

}  // namespace

std::string Encode(const PropertyList& list) {
  if (list.empty()) return {};
  std::string out;
  AppendU32(&out, static_cast<uint32_t>(list.size()));
  for (const Property& p : list) {
    AppendBlob(&out, p.name);
    AppendI32(&out, p.type);
    AppendBlob(&out, p.value);
    AppendI32(&out, p.support);
    AppendI32(&out, p.context);
    AppendI32(&out, p.copy_options);
  }
  return out;
}

bool Decode(std::string_view wire, PropertyList* list) {
  list->clear();
  if (wire.empty()) return true;
  FrameReader r(std::span(reinterpret_cast<const uint8_t*>(wire.data()), wire.size()));
  uint32_t count = 0;
  // Each property takes at least 24 bytes, so a count beyond that is a lie.
  if (!r.U32(&count) || count > r.remaining() / 24) return false;
  list->resize(count);
  for (Property& p : *list) {
    if (!r.Blob(&p.name) || !r.I32(&p.type) || !r.Blob(&p.value) || !r.I32(&p.support) ||
        !r.I32(&p.context) || !r.I32(&p.copy_options) || !IsType(p.type) ||
        (FixedSize(p.type) != 0 && p.value.size() != FixedSize(p.type)) ||
        (p.type == MQTYPE_NULL && !p.value.empty()) || CheckName(p.name) != MQRC_NONE) {
      list->clear();
      return false;
    }
  }
  if (r.remaining() != 0) {
    list->clear();
    return false;
  }
  return true;
}

std::string CanonicalName(std::string_view name) {
  // "usr.usr.x" is x too, so that a name reads back the same from the
  // nested elements of an MQRFH2's usr folder.
  while (name.substr(0, kUserPrefix.size()) == kUserPrefix) name.remove_prefix(kUserPrefix.size());
  return std::string(name);
}

MQLONG CheckName(std::string_view name) {
  if (name.size() > kMaxNameLength) return MQRC_PROPERTY_NAME_LENGTH_ERR;
  if (name.empty() || name.find('%') != std::string_view::npos || name.front() == '.' ||
      name.back() == '.' || name.find("..") != std::string_view::npos) {
    return MQRC_PROPERTY_NAME_ERROR;
  }
  return MQRC_NONE;
}

bool NameMatches(std::string_view pattern, std::string_view canonical_name) {
  if (pattern.empty() || pattern.back() != '%') return CanonicalName(pattern) == canonical_name;
  pattern.remove_suffix(1);
  if (pattern == kUserPrefix) {
    // The user properties: those outside the other folders.
    for (std::string_view folder : {"jms.", "mcd.", "mqext.", "mqps.", "Root."}) {
      if (canonical_name.substr(0, folder.size()) == folder) return false;
    }
    return true;
  }
  std::string prefix = CanonicalName(pattern);
  return canonical_name.substr(0, prefix.size()) == prefix;
}

size_t FixedSize(MQLONG type) {
  switch (type) {
    case MQTYPE_BOOLEAN:
      return sizeof(MQBOOL);
    case MQTYPE_INT8:
      return 1;
    case MQTYPE_INT16:
      return 2;
    case MQTYPE_INT32:
    case MQTYPE_FLOAT32:
      return 4;
    case MQTYPE_INT64:
    case MQTYPE_FLOAT64:
      return 8;
    default:
      return 0;
  }
}

bool IsType(MQLONG type) {
  switch (type) {
    case MQTYPE_NULL:
    case MQTYPE_BOOLEAN:
    case MQTYPE_BYTE_STRING:
    case MQTYPE_INT8:
    case MQTYPE_INT16:
    case MQTYPE_INT32:
    case MQTYPE_INT64:
    case MQTYPE_FLOAT32:
    case MQTYPE_FLOAT64:
    case MQTYPE_STRING:
      return true;
    default:
      return false;
  }
}

void SetProperty(PropertyList* list, Property p, bool append) {
  if (!append) {
    for (Property& existing : *list) {
      if (existing.name == p.name) {
        existing = std::move(p);
        return;
      }
    }
  }
  list->push_back(std::move(p));
}

}  // namespace mqemu::properties
