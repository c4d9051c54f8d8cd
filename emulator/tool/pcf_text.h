// Readable text of PCF messages for the mqemu tool: the names of commands and
// parameters, and a decoder that prints a message parameter by parameter. A
// message that the agent coalesced is shown as the standard responses it
// holds, each under a heading, and the agent's information apart
// (pcf/coalesced_reader.h splits it).
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

// The decoded text of a PCF message: a line with the MQCFH, then one line per
// parameter (a group's members indented under it) and a line with the
// agent's information if there is any. A coalesced message gives a heading
// line per response (its number, Type, Command, CompCode, Reason and the
// rest of its rebuilt MQCFH) with that response's parameters and agent
// information under it. A message that is cut short is decoded as far as it
// goes and says where it ends.
std::string DecodePcf(std::string_view data);

}  // namespace mqemu
