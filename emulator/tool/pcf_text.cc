// Names of PCF commands and parameters, and the PCF decoder of the tool.
#include "tool/pcf_text.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "pcf/agent_format.h"
#include "pcf/coalesced_reader.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"

namespace mqemu {

using pcf::PcfParameter;
using pcf::PcfResponse;
using pcf::Trimmed;

namespace {

struct Name {
  MQLONG id;
  const char* name;
};

constexpr Name kParameters[] = {
    {MQCA_Q_NAME, "Q_NAME"},
    {MQIA_Q_TYPE, "Q_TYPE"},
    {MQCA_Q_DESC, "Q_DESC"},
    {MQCA_BASE_Q_NAME, "BASE_Q_NAME"},
    {MQIA_MAX_MSG_LENGTH, "MAX_MSG_LENGTH"},
    {MQIA_MAX_Q_DEPTH, "MAX_Q_DEPTH"},
    {MQIA_CURRENT_Q_DEPTH, "CURRENT_Q_DEPTH"},
    {MQIA_OPEN_INPUT_COUNT, "OPEN_INPUT_COUNT"},
    {MQIA_OPEN_OUTPUT_COUNT, "OPEN_OUTPUT_COUNT"},
    {MQIA_INHIBIT_GET, "INHIBIT_GET"},
    {MQIA_INHIBIT_PUT, "INHIBIT_PUT"},
    {MQIA_DEFINITION_TYPE, "DEFINITION_TYPE"},
    {MQIA_DEF_PERSISTENCE, "DEF_PERSISTENCE"},
    {MQIA_DEF_PRIORITY, "DEF_PRIORITY"},
    {MQIA_DEF_INPUT_OPEN_OPTION, "DEF_INPUT_OPEN_OPTION"},
    {MQIA_SHAREABILITY, "SHAREABILITY"},
    {MQIA_USAGE, "USAGE"},
    {MQCA_CREATION_DATE, "CREATION_DATE"},
    {MQCA_CREATION_TIME, "CREATION_TIME"},
    {MQCA_Q_MGR_NAME, "Q_MGR_NAME"},
    {MQCA_Q_MGR_DESC, "Q_MGR_DESC"},
    {MQCA_Q_MGR_IDENTIFIER, "Q_MGR_IDENTIFIER"},
    {MQIA_PLATFORM, "PLATFORM"},
    {MQIA_COMMAND_LEVEL, "COMMAND_LEVEL"},
    {MQIA_CODED_CHAR_SET_ID, "CODED_CHAR_SET_ID"},
    {MQIA_MAX_PRIORITY, "MAX_PRIORITY"},
    {MQIA_MAX_HANDLES, "MAX_HANDLES"},
    {MQIA_SYNCPOINT, "SYNCPOINT"},
    {MQCA_COMMAND_INPUT_Q_NAME, "COMMAND_INPUT_Q_NAME"},
    {MQCA_DEAD_LETTER_Q_NAME, "DEAD_LETTER_Q_NAME"},
    {MQIACF_Q_MGR_ATTRS, "Q_MGR_ATTRS"},
    {MQIACF_Q_ATTRS, "Q_ATTRS"},
    {MQIACF_ALL, "ALL"},
    {MQIACF_REPLACE, "REPLACE"},
    {MQIACF_PURGE, "PURGE"},
    {MQIACF_FORCE, "FORCE"},
    {MQIACF_PARAMETER_ID, "PARAMETER_ID"},
    {MQIACF_ERROR_ID, "ERROR_ID"},
    {MQIACF_ESCAPE_TYPE, "ESCAPE_TYPE"},
    {MQCACF_ESCAPE_TEXT, "ESCAPE_TEXT"},
    {MQCACF_Q_NAMES, "Q_NAMES"},
    {MQIACF_Q_TYPES, "Q_TYPES"},
    {MQBACF_RESPONSE_ID, "RESPONSE_ID"},
    {MQCACF_RESPONSE_Q_MGR_NAME, "RESPONSE_Q_MGR_NAME"},
    {TVN_ATTR_ERROR_TEXT, "CSAGNT_ERROR_TEXT"},
    {TVN_ATTR_RESPONSE_DELIMITER, "CSAGNT_RESPONSE_DELIMITER"},
    {TVN_ATTR_CSAGNT_CMDLEVEL, "CSAGNT_COMMAND_LEVEL"},
    {TVN_ATTR_CSAGNT_FEATURES, "CSAGNT_FEATURES"},
};

constexpr Name kCommands[] = {
    {MQCMD_INQUIRE_Q_MGR, "INQUIRE_Q_MGR"},
    {MQCMD_INQUIRE_Q, "INQUIRE_Q"},
    {MQCMD_INQUIRE_Q_NAMES, "INQUIRE_Q_NAMES"},
    {MQCMD_CREATE_Q, "CREATE_Q"},
    {MQCMD_CHANGE_Q, "CHANGE_Q"},
    {MQCMD_DELETE_Q, "DELETE_Q"},
    {MQCMD_CLEAR_Q, "CLEAR_Q"},
    {MQCMD_PING_Q_MGR, "PING_Q_MGR"},
    {MQCMD_ESCAPE, "ESCAPE"},
    {MQCMD_CHANGE_Q_MGR, "CHANGE_Q_MGR"},
    {MQCMD_COPY_Q, "COPY_Q"},
    {MQCMD_INQUIRE_Q_STATUS, "INQUIRE_Q_STATUS"},
};

// MQCFH Type values.
constexpr Name kTypes[] = {
    {MQCFT_COMMAND, "COMMAND"},       {MQCFT_RESPONSE, "RESPONSE"},
    {MQCFT_EVENT, "EVENT"},           {MQCFT_USER, "USER"},
    {MQCFT_REPORT, "REPORT"},         {MQCFT_COMMAND_XR, "COMMAND_XR"},
    {MQCFT_XR_MSG, "XR_MSG"},         {MQCFT_XR_ITEM, "XR_ITEM"},
    {MQCFT_XR_SUMMARY, "XR_SUMMARY"}, {MQCFT_STATISTICS, "STATISTICS"},
    {MQCFT_ACCOUNTING, "ACCOUNTING"}, {MQCFT_STATUS, "STATUS"},
};

template <size_t N>
MQLONG Lookup(const Name (&table)[N], std::string name) {
  for (const char* prefix : {"MQCMD_", "MQIACF_", "MQCACF_", "MQBACF_", "MQIA_", "MQCA_"}) {
    if (name.rfind(prefix, 0) == 0) {
      name.erase(0, std::strlen(prefix));
      break;
    }
  }
  for (const Name& n : table) {
    if (name == n.name) return n.id;
  }
  char* end = nullptr;
  long v = std::strtol(name.c_str(), &end, 10);
  return !name.empty() && *end == '\0' ? static_cast<MQLONG>(v) : -1;
}

template <size_t N>
const char* Find(const Name (&table)[N], MQLONG id) {
  for (const Name& n : table) {
    if (n.id == id) return n.name;
  }
  return nullptr;
}

std::string Label(MQLONG id) {
  const char* n = ParameterName(id);
  return n ? std::string(n) + " (" + std::to_string(id) + ")" : std::to_string(id);
}

std::string Printable(std::string_view s) {
  std::string out;
  for (char c : s) out += (c >= 0x20 && c < 0x7f) ? c : '.';
  return out;
}

std::string Hex(std::string_view s) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// " (NAME)" for a value the table names, else nothing.
template <size_t N>
std::string Annotation(const Name (&table)[N], MQLONG id) {
  const char* n = Find(table, id);
  return n ? std::string(" (") + n + ")" : std::string();
}

// A parameter's value as the tool shows it: strings trimmed and printable.
std::string ValueText(const PcfParameter& p) {
  std::ostringstream out;
  switch (p.type) {
    case MQCFT_INTEGER:
      out << p.value;
      break;
    case MQCFT_INTEGER64:
      out << p.value64;
      break;
    case MQCFT_STRING:
      out << '"' << Printable(Trimmed(p.text)) << '"';
      break;
    case MQCFT_BYTE_STRING:
      out << "x'" << Hex(p.text) << "'";
      break;
    case MQCFT_GROUP:
      out << "group of " << p.group_count;
      break;
    case MQCFT_INTEGER_LIST:
      for (size_t i = 0; i < p.values.size(); ++i) out << (i ? "," : "") << p.values[i];
      break;
    case MQCFT_STRING_LIST:
      for (size_t i = 0; i < p.texts.size(); ++i) {
        out << (i ? ", " : "") << '"' << Printable(Trimmed(p.texts[i])) << '"';
      }
      break;
    default:
      out << "(type " << p.type << ")";
      break;
  }
  return out.str();
}

// A response's parameters one a line at `indent`, a group's members two
// blanks further in, then its agent information on one line.
void PrintResponse(std::ostream& out, const PcfResponse& response, const std::string& indent) {
  std::vector<int64_t> members_left;  // of each group open around the next parameter
  for (const PcfParameter& p : response.message.parameters) {
    out << indent << std::string(2 * members_left.size(), ' ') << Label(p.parameter) << " = "
        << ValueText(p) << "\n";
    if (!members_left.empty()) --members_left.back();
    if (p.type == MQCFT_GROUP && p.group_count > 0) members_left.push_back(p.group_count);
    while (!members_left.empty() && members_left.back() == 0) members_left.pop_back();
  }
  if (response.agent_info.empty()) return;
  out << indent << "agent information: ";
  for (size_t i = 0; i < response.agent_info.size(); ++i) {
    const PcfParameter& p = response.agent_info[i];
    out << (i ? ", " : "") << Label(p.parameter) << " = " << ValueText(p);
  }
  out << "\n";
}

}  // namespace

MQLONG ParameterId(const std::string& name) {
  return Lookup(kParameters, name);
}
MQLONG CommandCode(const std::string& name) {
  return Lookup(kCommands, name);
}
const char* ParameterName(MQLONG id) {
  return Find(kParameters, id);
}
const char* CommandName(MQLONG code) {
  return Find(kCommands, code);
}

std::string DecodePcf(std::string_view data) {
  std::ostringstream out;
  if (data.size() < sizeof(MQCFH)) {
    out << "  (not PCF: " << data.size() << " bytes, shorter than an MQCFH)\n";
    return out.str();
  }
  std::vector<PcfResponse> responses;
  MQLONG fault = pcf::SplitCoalescedPcf(data, &responses);
  MQCFH h;
  std::memcpy(&h, data.data(), sizeof h);
  const char* command = CommandName(h.Command);
  out << "  MQCFH Type=" << h.Type << " Version=" << h.Version << " Command=" << h.Command;
  if (command) out << " (" << command << ")";
  out << " MsgSeqNumber=" << h.MsgSeqNumber << " Control=" << h.Control;
  if (h.Control & CFC_COALESCED) out << " (coalesced: " << responses.size() << " responses)";
  out << " CompCode=" << h.CompCode << " Reason=" << h.Reason
      << " ParameterCount=" << h.ParameterCount << "\n";
  if (h.Control & CFC_COALESCED) {
    for (size_t i = 0; i < responses.size(); ++i) {
      const MQCFH& r = responses[i].message.header;
      out << "  response " << i + 1 << ": Type=" << r.Type << Annotation(kTypes, r.Type)
          << " Command=" << r.Command << Annotation(kCommands, r.Command)
          << " CompCode=" << r.CompCode << " Reason=" << r.Reason
          << " MsgSeqNumber=" << r.MsgSeqNumber << " Control=" << r.Control
          << " ParameterCount=" << r.ParameterCount << "\n";
      PrintResponse(out, responses[i], "    ");
    }
  } else if (!responses.empty()) {
    PrintResponse(out, responses.front(), "  ");
  }
  if (fault) out << "  (decoding stopped: reason " << fault << ")\n";
  return out.str();
}

}  // namespace mqemu
