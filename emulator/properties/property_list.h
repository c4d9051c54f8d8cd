// Message properties as the stand-in keeps them: a message handle's list in
// the library, and the same list in its wire form, which travels with a
// message from MQPUT through the queue manager (which keeps it unread) to
// MQGET or a consumer.
//
// Wire form, all integers little-endian (client and daemon share a host):
//
//   u32 count, then count times:
//     u32 name length, name bytes      the canonical name (below)
//     i32 type                         MQTYPE_*, never MQTYPE_AS_SET
//     u32 value length, value bytes    as Property::value says
//     i32 support, i32 context, i32 copy options   of the MQPD it was set with
//
// Decode checks every length and type against the bytes there; a list that
// does not decode is treated as no properties.
#pragma once

#include <cmqc.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mqemu::properties {

struct Property {
  // Canonical: a user property without its optional "usr." prefix
  // ("usr.Colour" and "Colour" are one property; so is "usr.usr.Colour").
  std::string name;
  MQLONG type = MQTYPE_STRING;
  // The value in native form: MQTYPE_BOOLEAN an MQLONG 0 or 1, INT8..INT64
  // and FLOAT32/64 their bytes, STRING its characters (no terminator),
  // BYTE_STRING its bytes, NULL nothing.
  std::string value;
  MQLONG support = MQPD_SUPPORT_OPTIONAL;
  MQLONG context = MQPD_NO_CONTEXT;
  MQLONG copy_options = MQCOPY_DEFAULT;
};

using PropertyList = std::vector<Property>;

// The longest property name IBM MQ accepts.
inline constexpr size_t kMaxNameLength = 4095;

std::string Encode(const PropertyList& list);
// False (and *list emptied) when `wire` is not a well-formed list.
bool Decode(std::string_view wire, PropertyList* list);

// The canonical form of a property name (see Property::name).
std::string CanonicalName(std::string_view name);

// MQRC_NONE when `name` may name a property (to set or delete it), else
// MQRC_PROPERTY_NAME_ERROR (empty, a wildcard, an empty part between dots)
// or MQRC_PROPERTY_NAME_LENGTH_ERR.
MQLONG CheckName(std::string_view name);

// Whether a property's canonical name matches an inquiry's name: exactly,
// or, ending in '%', by the prefix before it ("%" all, "usr.%" the user
// properties, "a.%" those under a).
bool NameMatches(std::string_view pattern, std::string_view canonical_name);

// The fixed size of a value of `type`, or 0 for the types of any length
// (strings, byte strings) and for NULL.
size_t FixedSize(MQLONG type);
// Whether `type` is a property data type (MQTYPE_AS_SET is not).
bool IsType(MQLONG type);

// Sets p in list: replaces the first property of its name, or adds it at
// the end (always, with `append`).
void SetProperty(PropertyList* list, Property p, bool append);

}  // namespace mqemu::properties
