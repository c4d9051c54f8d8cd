// Property values converted between data types, as MQINQMP does when asked
// for a type other than the property's own (MQIMPO_CONVERT_TYPE), and
// written as text and read back, as an MQRFH2 element holds them.
#pragma once

#include <cmqc.h>

#include <string>
#include <string_view>

#include "properties/property_list.h"

namespace mqemu::properties {

// The value of p as `type`, in native form. The conversions are the
// widening ones (INT8 to INT16, INT32, INT64; INT16 to INT32, INT64; INT32
// to INT64; FLOAT32 to FLOAT64), every type but a byte string to a string
// (booleans as "TRUE" and "FALSE", numbers in decimal), and a string to any
// of those types. Returns MQRC_NONE, MQRC_PROP_CONV_NOT_SUPPORTED for any
// other pair, or MQRC_PROP_NUMBER_FORMAT_ERROR when a string does not hold
// a value of the type.
MQLONG ConvertValue(const Property& p, MQLONG type, std::string* out);

// The value as element text of an MQRFH2 folder (booleans "1" and "0",
// numbers in decimal, byte strings in hexadecimal), not yet escaped.
std::string ValueText(const Property& p);
// The native value of `type` that element text holds; false when it holds
// none. Booleans are "1", "0", "true" or "false".
bool ValueFromText(MQLONG type, std::string_view text, std::string* out);

}  // namespace mqemu::properties
