// ResponseDifference: the headers field by field, then the parameters in
// order.
#include "pcf/response_diff.h"
#include "pcf/mq_field.h"

#include <string_view>

namespace pcf {
namespace {

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

std::string HeaderDifference(const MQCFH& d, const MQCFH& r) {
  struct Field {
    const char* name;
    MQLONG direct;
    MQLONG relayed;
  };
  const Field fields[] = {
      {"Type", d.Type, r.Type},          {"Version", d.Version, r.Version},
      {"Command", d.Command, r.Command}, {"MsgSeqNumber", d.MsgSeqNumber, r.MsgSeqNumber},
      {"Control", d.Control, r.Control}, {"CompCode", d.CompCode, r.CompCode},
      {"Reason", d.Reason, r.Reason},    {"ParameterCount", d.ParameterCount, r.ParameterCount}};
  for (const Field& f : fields) {
    if (f.direct != f.relayed) {
      return std::string("MQCFH ") + f.name + " " + std::to_string(f.direct) + " against " +
             std::to_string(f.relayed);
    }
  }
  return "";
}

// The difference of two parameters of the same type and identifier.
std::string ValueDifference(const PcfParameter& d, const PcfParameter& r) {
  switch (d.type) {
    case MQCFT_STRING:
      if (TrimTrailingBlanks(d.text) != TrimTrailingBlanks(r.text))
        return Quoted(d.text) + " against " + Quoted(r.text);
      if (d.ccsid != r.ccsid) return "CodedCharSetId differs";
      return "";
    case MQCFT_INTEGER:
      if (d.value != r.value)
        return std::to_string(d.value) + " against " + std::to_string(r.value);
      return "";
    case MQCFT_INTEGER64:
      if (d.value64 != r.value64) {
        return std::to_string(d.value64) + " against " + std::to_string(r.value64);
      }
      return "";
    default:
      if (d.text != r.text || d.values != r.values || d.texts != r.texts ||
          d.group_count != r.group_count || d.ccsid != r.ccsid) {
        return "values differ";
      }
      return "";
  }
}

}  // namespace

std::string ResponseDifference(const PcfMessage& direct, const PcfMessage& relayed) {
  std::string difference = HeaderDifference(direct.header, relayed.header);
  if (!difference.empty()) return difference;
  if (direct.parameters.size() != relayed.parameters.size()) {
    return std::to_string(direct.parameters.size()) + " parameters against " +
           std::to_string(relayed.parameters.size());
  }
  for (size_t i = 0; i < direct.parameters.size(); ++i) {
    const PcfParameter& d = direct.parameters[i];
    const PcfParameter& r = relayed.parameters[i];
    const std::string where =
        "parameter " + std::to_string(i + 1) + " (" + std::to_string(d.parameter) + "): ";
    if (d.type != r.type || d.parameter != r.parameter) {
      return where + "type " + std::to_string(d.type) + " against " + std::to_string(r.type) +
             ", identifier " + std::to_string(d.parameter) + " against " +
             std::to_string(r.parameter);
    }
    difference = ValueDifference(d, r);
    if (!difference.empty()) return where + difference;
  }
  return "";
}

}  // namespace pcf
