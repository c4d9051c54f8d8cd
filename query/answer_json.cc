// The answer as JSON, for scripts (jq): parameters by their names from the
// constant name tables, a group's members in an object of their own, a name
// that comes more than once with an array of its values.
#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

#include "answer.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_text.h"

namespace query {

namespace {

using json = nlohmann::ordered_json;

std::string Key(MQLONG id) {
  const char* name = pcf::ParameterName(id);
  return name ? name : std::to_string(id);
}

// Adds `value` under `key`; a key met again holds an array of its values
// (`repeated` lists the keys that already do).
void Add(json* object, std::set<std::string>* repeated, const std::string& key, json value) {
  auto found = object->find(key);
  if (found == object->end()) {
    (*object)[key] = std::move(value);
    return;
  }
  if (repeated->insert(key).second) *found = json::array({std::move(*found)});
  found->push_back(std::move(value));
}

json Value(const pcf::PcfParameter& p) {
  switch (p.type) {
    case MQCFT_INTEGER:
      return p.value;
    case MQCFT_INTEGER64:
      return p.value64;
    case MQCFT_STRING:
      return TrimTrailingBlanks(p.text);
    case MQCFT_INTEGER_LIST:
      return p.values;
    case MQCFT_STRING_LIST: {
      json list = json::array();
      for (const std::string& t : p.texts) list.push_back(TrimTrailingBlanks(t));
      return list;
    }
    default:  // byte strings and anything else: as the tools show them
      return pcf::ValueText(p);
  }
}

// Fills *object with up to `count` parameters from params[*next] on, a
// group's members into an object of the group's own, `depth` groups in. The
// reader nests groups no deeper than kPcfMaxGroupDepth; deeper members of
// any other list stay in the deepest object, so that the recursion is
// bounded whatever the list.
void Fill(json* object, const std::vector<pcf::PcfParameter>& params, size_t* next, int64_t count,
          int depth) {
  std::set<std::string> repeated;
  for (int64_t n = 0; n < count && *next < params.size(); ++n) {
    const pcf::PcfParameter& p = params[(*next)++];
    if (p.type == MQCFT_GROUP && depth < kPcfMaxGroupDepth) {
      json group = json::object();
      Fill(&group, params, next, p.group_count, depth + 1);
      Add(object, &repeated, Key(p.parameter), std::move(group));
    } else {
      if (p.type == MQCFT_GROUP) count += p.group_count;
      Add(object, &repeated, Key(p.parameter), Value(p));
    }
  }
}

json Parameters(const std::vector<pcf::PcfParameter>& params) {
  json object = json::object();
  size_t next = 0;
  Fill(&object, params, &next, static_cast<int64_t>(params.size()), 0);
  return object;
}

// A reason or feedback code under `name`, and its symbolic name under
// `name`_name when it is not 0 and the constant name tables know it.
void AddCode(json* out, const std::string& name, MQLONG code) {
  (*out)[name] = code;
  if (code == 0) return;
  if (std::string symbol = ReasonName(code); !symbol.empty()) (*out)[name + "_name"] = symbol;
}

json Response(const pcf::PcfResponse& r) {
  const MQCFH& h = r.message.header;
  const char* command = pcf::CommandName(h.Command);
  json out = {
      {"type", h.Type},
      {"command", command ? json(command) : json(h.Command)},
      {"comp_code", h.CompCode},
      {"reason", h.Reason},
  };
  if (h.Reason != MQRC_NONE) {
    if (std::string name = ReasonName(h.Reason); !name.empty()) out["reason_name"] = name;
  }
  out["parameters"] = Parameters(r.message.parameters);
  if (!r.agent_info.empty()) out["agent"] = Parameters(r.agent_info);
  return out;
}

}  // namespace

json AnswerJson(const Request& request, const Answer& answer) {
  json responses = json::array();
  for (const pcf::PcfResponse& r : answer.responses) responses.push_back(Response(r));
  json out = {
      {"queue_manager", request.qmgr},
      {"queue", request.queue},
      {"path", request.direct ? "direct" : "agent"},
      {request.pcf ? "pcf" : "mqsc", request.text},
      {"responses", std::move(responses)},
  };
  if (!answer.texts.empty()) out["texts"] = answer.texts;
  out["messages"] = answer.messages;
  out["bytes"] = answer.bytes;
  out["complete"] = answer.complete;
  out["agent_error"] = answer.agent_error;
  if (std::string problem = ProblemOf(request, answer); !problem.empty()) out["error"] = problem;
  if (answer.fault != 0) AddCode(&out, "reason", answer.fault);
  if (answer.report) AddCode(&out, "feedback", answer.feedback);
  out["exit_status"] = ExitStatusOf(answer);
  return out;
}

json FailureJson(const Failure& failure) {
  json out = {{"error", failure.error}};
  if (!failure.hint.empty()) {
    std::string hint = failure.hint;
    std::replace(hint.begin(), hint.end(), '\n', ' ');
    out["hint"] = hint;
  }
  AddCode(&out, "reason", failure.reason);
  out["exit_status"] = failure.status;
  return out;
}

}  // namespace query
