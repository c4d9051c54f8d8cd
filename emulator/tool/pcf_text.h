// Readable text of PCF messages for the mqemu tool: the names of commands and
// parameters, and a decoder that prints a message parameter by parameter,
// including the agent's coalesced layout (replies separated by the response
// delimiter parameter 40000, the agent's parameters 80000 and 80001).
#pragma once

#include <cmqc.h>

#include <string>
#include <string_view>

namespace mqemu {

// The parameter identifier or command code for a name such as "Q_NAME",
// "MQCA_Q_NAME", "INQUIRE_Q" or a number; -1 when unknown.
MQLONG ParameterId(const std::string& name);
MQLONG CommandCode(const std::string& name);
const char* ParameterName(MQLONG id);
const char* CommandName(MQLONG code);

// The decoded text of a PCF message, one line per header field group and per
// parameter. A message that is cut short is decoded as far as it goes and
// says where it ends.
std::string DecodePcf(std::string_view data);

}  // namespace mqemu
