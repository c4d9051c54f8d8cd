// Comparing what a client reads back from the agent with what the command
// server sends directly: the same response, apart from the trailing blanks
// that the agent trims from PCF strings. For tests and benchmarks that check
// the agent returns the right data.
#pragma once

#include <string>

#include "pcf/pcf_reader.h"

namespace pcf {

// Returns "" when `relayed` says what `direct` says: the same MQCFH (every
// field but StrucLength, which is always 36), and parameter for parameter the
// same type, identifier and value, MQCFST strings (and their CodedCharSetId)
// equal apart from trailing blanks, every other value exactly equal.
// Otherwise a one-line description of the first difference.
std::string ResponseDifference(const PcfMessage& direct, const PcfMessage& relayed);

}  // namespace pcf
