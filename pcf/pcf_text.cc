// Names of PCF commands and parameters from the constant name tables, the
// building of requests from words, and the printing of replies.
#include "pcf/pcf_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <sstream>
#include <vector>

#include "pcf/agent_format.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_name_tables.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"
#include "pcf/printable.h"

namespace pcf {

namespace {

constexpr std::string_view kCommandPrefix = "MQCMD_";

// MQCFH Type values.
struct TypeName {
  MQLONG type;
  const char* name;
};
constexpr TypeName kTypes[] = {
    {MQCFT_COMMAND, "COMMAND"},       {MQCFT_RESPONSE, "RESPONSE"},
    {MQCFT_EVENT, "EVENT"},           {MQCFT_USER, "USER"},
    {MQCFT_REPORT, "REPORT"},         {MQCFT_COMMAND_XR, "COMMAND_XR"},
    {MQCFT_XR_MSG, "XR_MSG"},         {MQCFT_XR_ITEM, "XR_ITEM"},
    {MQCFT_XR_SUMMARY, "XR_SUMMARY"}, {MQCFT_STATISTICS, "STATISTICS"},
    {MQCFT_ACCOUNTING, "ACCOUNTING"}, {MQCFT_STATUS, "STATUS"},
};

// The decimal number `text` is, or -1.
MQLONG Number(std::string_view text) {
  MQLONG value = -1;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() ? value : -1;
}

std::string Label(MQLONG id) {
  const char* n = ParameterName(id);
  return n ? std::string(n) + " (" + std::to_string(id) + ")" : std::to_string(id);
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

std::string TypeAnnotation(MQLONG type) {
  for (const TypeName& t : kTypes) {
    if (t.type == type) return std::string(" (") + t.name + ")";
  }
  return {};
}

std::string CommandAnnotation(MQLONG code) {
  const char* n = CommandName(code);
  return n ? std::string(" (") + n + ")" : std::string();
}

bool IsStringParameter(MQLONG id) {
  return (id >= MQCA_FIRST && id <= MQCA_LAST) || (id >= 3001 && id <= 3999) ||
         id == TVN_ATTR_ERROR_TEXT;
}

bool IsByteParameter(MQLONG id) {
  return id >= 7001 && id <= 7999;
}

// A number, one of the symbolic values that requests commonly need, or a
// parameter label (a selector in an attribute list).
bool ParseValue(std::string_view text, MQLONG* out) {
  static constexpr struct {
    std::string_view name;
    MQLONG value;
  } kValues[] = {{"ALL", MQIACF_ALL},
                 {"LOCAL", MQQT_LOCAL},
                 {"MODEL", MQQT_MODEL},
                 {"ALIAS", MQQT_ALIAS},
                 {"YES", 1},
                 {"NO", 0},
                 {"ALL_TYPES", MQQT_ALL}};
  for (const auto& v : kValues) {
    if (text == v.name) {
      *out = v.value;
      return true;
    }
  }
  if (!text.empty() && text[0] == '-') {
    MQLONG magnitude = Number(text.substr(1));
    *out = -magnitude;
    return magnitude >= 0;
  }
  *out = ParameterId(text);
  return *out >= 0;
}

}  // namespace

MQLONG ParameterId(std::string_view name) {
  for (const ConstantNameRow& row : ParameterNames) {
    if (name == row.description || name == row.name) return row.code;
  }
  return Number(name);
}

MQLONG CommandCode(std::string_view name) {
  if (name.starts_with(kCommandPrefix)) name.remove_prefix(kCommandPrefix.size());
  for (const ConstantNameRow& row : CommandNames) {
    std::string_view symbol = row.name;
    if (symbol.starts_with(kCommandPrefix) && symbol.substr(kCommandPrefix.size()) == name) {
      return row.code;
    }
  }
  return Number(name);
}

const char* ParameterName(MQLONG id) {
  for (const ConstantNameRow& row : ParameterNames) {
    if (row.code == id) return row.description;
  }
  return nullptr;
}

const char* CommandName(MQLONG code) {
  for (const ConstantNameRow& row : CommandNames) {
    if (row.code == code && std::string_view(row.name).starts_with(kCommandPrefix)) {
      return row.name + kCommandPrefix.size();
    }
  }
  return nullptr;
}

bool ParseHex(std::string_view text, std::string* out) {
  if (text.size() % 2) return false;
  std::string bytes;
  for (size_t i = 0; i < text.size(); i += 2) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
    if (error != std::errc() || end != text.data() + i + 2) return false;
    bytes += static_cast<char>(value);
  }
  *out = std::move(bytes);
  return true;
}

bool AddParameter(PcfBuilder& request, std::string_view argument) {
  size_t eq = argument.find('=');
  if (eq == std::string_view::npos) return false;
  MQLONG id = ParameterId(argument.substr(0, eq));
  std::string_view value = argument.substr(eq + 1);
  if (id < 0) return false;
  if (id == MQCA_NAMES) {  // a namelist's names: a string list, separated by commas
    std::vector<std::string> names;
    for (size_t start = 0; !value.empty();) {
      size_t comma = value.find(',', start);
      names.emplace_back(value.substr(start, comma - start));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    request.StringList(id, names, MQ_OBJECT_NAME_LENGTH);
    return true;
  }
  if (IsStringParameter(id)) {
    request.String(id, value);
    return true;
  }
  if (IsByteParameter(id)) {
    std::string bytes;
    if (!ParseHex(value, &bytes)) return false;
    request.ByteString(id, bytes);
    return true;
  }
  std::vector<MQLONG> values;
  for (size_t start = 0;;) {
    size_t comma = value.find(',', start);
    MQLONG v;
    if (!ParseValue(value.substr(start, comma - start), &v)) return false;
    values.push_back(v);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  // Attribute selector lists are integer lists even with one value.
  bool list = values.size() > 1 || id == MQIACF_Q_ATTRS || id == MQIACF_Q_MGR_ATTRS ||
              id == MQIACF_PROCESS_ATTRS || id == MQIACF_NAMELIST_ATTRS ||
              id == MQIACF_CHANNEL_ATTRS || id == MQIACH_CHANNEL_INSTANCE_ATTRS;
  if (list) {
    request.IntegerList(id, values);
  } else {
    request.Integer(id, values[0]);
  }
  return true;
}

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
      out << '"' << PrintableText(TrimTrailingBlanks(p.text)) << '"';
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
        out << (i ? ", " : "") << '"' << PrintableText(TrimTrailingBlanks(p.texts[i])) << '"';
      }
      break;
    default:
      out << "(type " << p.type << ")";
      break;
  }
  return out.str();
}

void PrintResponse(std::ostream& out, const PcfResponse& response, std::string_view indent) {
  std::vector<int64_t> members_left;  // of each group open around the next parameter
  for (const PcfParameter& p : response.message.parameters) {
    // The reader nests no deeper; the bound holds for any response.
    const size_t depth = std::min<size_t>(members_left.size(), kPcfMaxGroupDepth);
    out << indent << std::string(2 * depth, ' ') << Label(p.parameter) << " = " << ValueText(p)
        << "\n";
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

std::string DecodePcf(std::string_view data, MQLONG* fault_out) {
  std::ostringstream out;
  std::vector<PcfResponse> responses;
  const MQLONG fault = SplitCoalescedPcf(data, &responses);
  if (fault_out) *fault_out = fault;
  if (data.size() < sizeof(MQCFH)) {
    out << "  (not PCF: " << data.size() << " bytes, shorter than an MQCFH)\n";
    return out.str();
  }
  MQCFH h;
  std::memcpy(&h, data.data(), sizeof h);
  out << "  MQCFH Type=" << h.Type << " Version=" << h.Version << " Command=" << h.Command
      << CommandAnnotation(h.Command) << " MsgSeqNumber=" << h.MsgSeqNumber
      << " Control=" << h.Control;
  if (h.Control & CFC_COALESCED) out << " (coalesced: " << responses.size() << " responses)";
  out << " CompCode=" << h.CompCode << " Reason=" << h.Reason
      << " ParameterCount=" << h.ParameterCount << "\n";
  if (h.Control & CFC_COALESCED) {
    for (size_t i = 0; i < responses.size(); ++i) {
      const MQCFH& r = responses[i].message.header;
      out << "  response " << i + 1 << ": Type=" << r.Type << TypeAnnotation(r.Type)
          << " Command=" << r.Command << CommandAnnotation(r.Command) << " CompCode=" << r.CompCode
          << " Reason=" << r.Reason << " MsgSeqNumber=" << r.MsgSeqNumber
          << " Control=" << r.Control << " ParameterCount=" << r.ParameterCount << "\n";
      PrintResponse(out, responses[i], "    ");
    }
  } else if (!responses.empty()) {
    PrintResponse(out, responses.front(), "  ");
  }
  if (fault) out << "  (decoding stopped: reason " << fault << ")\n";
  return out.str();
}

}  // namespace pcf
