// PCF as people read and write it, for the administration tools (mqemu pcf
// and get, csagnt-query): the names of commands and parameters, taken from the
// constant name tables (pcf/names), the building of a request from words such
// as Q_NAME='APP.*' or Q_ATTRS=CURRENT_Q_DEPTH,MAX_Q_DEPTH, and the printing
// of replies. A message that the agent coalesced is shown as the standard
// responses it holds, the agent's information apart (pcf/coalesced_reader.h
// splits it).
#pragma once

#include <cmqc.h>

#include <ostream>
#include <string>
#include <string_view>

#include "pcf/coalesced_reader.h"
#include "pcf/pcf_writer.h"

namespace pcf {

// The parameter identifier for a label ("Q_NAME"), a symbolic name
// ("MQCA_Q_NAME") or a decimal number; -1 when it is none of them.
MQLONG ParameterId(std::string_view name);
// The command code for "INQUIRE_Q", "MQCMD_INQUIRE_Q" or a decimal number;
// -1 when it is none of them.
MQLONG CommandCode(std::string_view name);
// The label of a parameter ("Q_NAME") or of a command ("INQUIRE_Q"); null
// when the tables have none. Static texts.
const char* ParameterName(MQLONG id);
const char* CommandName(MQLONG code);

// Adds one request parameter written NAME=VALUE to `request`: a string
// parameter (by its identifier's range) takes VALUE as it is (a namelist's
// NAMES a string list of the names separated by commas), a byte string
// hexadecimal digits, any other an integer or a comma-separated integer list
// of numbers, parameter labels (attribute selectors) or the symbolic values
// ALL, LOCAL, MODEL, ALIAS, ALL_TYPES, YES and NO. The attribute selector
// parameters are lists even with one value. Returns false, adding nothing,
// when the name or a value is not understood.
bool AddParameter(PcfBuilder& request, std::string_view argument);

// The bytes written as hexadecimal digits (two per byte) into *out; false
// when the text has an odd length or a character that is not a digit.
bool ParseHex(std::string_view text, std::string* out);

// A parameter's value as the tools show it: numbers in decimal, strings in
// double quotes without their trailing blanks and with every byte outside
// printable ASCII as '.', byte strings as x'hex', lists comma-separated.
std::string ValueText(const PcfParameter& parameter);

// Writes a response's parameters one a line at `indent` ("LABEL (id) =
// value", a number alone for an unnamed parameter), a group's members two
// blanks further in (never more than kPcfMaxGroupDepth steps), then its agent
// information, if any, on one line.
void PrintResponse(std::ostream& out, const PcfResponse& response, std::string_view indent);

// The decoded text of a PCF message: a line with the MQCFH, then one line per
// parameter (a group's members indented under it) and a line with the
// agent's information if there is any. A coalesced message gives a heading
// line per response (its number, Type, Command, CompCode, Reason and the
// rest of its rebuilt MQCFH) with that response's parameters and agent
// information under it. A message that cannot be read whole (cut short,
// lying about a length, groups nested too deep) is decoded as far as it goes
// and says where it ends. *fault, when given, is set to 0 or to the reason
// the message could not be read for, as SplitCoalescedPcf gives it.
std::string DecodePcf(std::string_view data, MQLONG* fault = nullptr);

}  // namespace pcf
