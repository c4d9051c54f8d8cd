// Reading DISPLAY output into object definitions and writing them as MQSC
// and JSON.
#include "dump.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <nlohmann/json.hpp>

#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"

namespace query {

namespace {

// The queue types in the order a dump lists them; DISPLAY QUEUE reports
// each as its TYPE.
constexpr std::string_view kQueueKinds[] = {"QLOCAL", "QMODEL", "QALIAS", "QREMOTE"};

bool IsKeywordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

// Whether a keyword starts at `at`: keyword characters followed by '(',
// a blank or the end.
bool KeywordAt(std::string_view text, size_t at) {
  size_t end = at;
  while (end < text.size() && IsKeywordChar(text[end])) ++end;
  if (end == at || (text[at] >= '0' && text[at] <= '9')) return false;
  return end == text.size() || text[end] == '(' || IsBlank(text[end]);
}

// Whether the ')' at `at` may close a value: the text ends after it, or
// blanks and a keyword (or the end) follow.
bool ClosesValue(std::string_view text, size_t at) {
  size_t next = at + 1;
  if (next < text.size() && !IsBlank(text[next])) return false;
  while (next < text.size() && IsBlank(text[next])) ++next;
  return next == text.size() || KeywordAt(text, next);
}

// The end of the value that starts at `begin` (just after its '('): the
// first ')' that closes the parentheses opened within and may close a
// value; failing that, the first that may close one; failing that, the end.
size_t ValueEnd(std::string_view text, size_t begin) {
  size_t fallback = std::string_view::npos;
  int depth = 0;
  for (size_t i = begin; i < text.size(); ++i) {
    if (text[i] == '(') {
      ++depth;
    } else if (text[i] == ')') {
      if (depth == 0 && ClosesValue(text, i)) return i;
      if (fallback == std::string_view::npos && ClosesValue(text, i)) fallback = i;
      if (depth > 0) --depth;
    }
  }
  return fallback == std::string_view::npos ? text.size() : fallback;
}

const DumpAttribute* FindAttribute(const std::vector<DumpAttribute>& attributes,
                                   std::string_view keyword) {
  for (const DumpAttribute& a : attributes) {
    if (a.keyword == keyword) return &a;
  }
  return nullptr;
}

// A DISPLAY's answer that found nothing: the command server's "not found".
bool FoundNothing(const Answer& answer) {
  return !answer.responses.empty() &&
         std::all_of(answer.responses.begin(), answer.responses.end(), [](const auto& r) {
           return r.message.header.Reason == MQRC_UNKNOWN_OBJECT_NAME ||
                  r.message.header.Reason == MQRCCF_CHANNEL_NOT_FOUND;
         });
}

// Where an object stands in a dump: its kind's place, then its queue type's.
std::pair<size_t, size_t> Rank(const DumpObject& object) {
  const std::vector<DumpKind>& kinds = DumpKinds();
  for (size_t k = 0; k < kinds.size(); ++k) {
    if (object.kind == kinds[k].display) return {k, 0};
  }
  for (size_t q = 0; q < std::size(kQueueKinds); ++q) {
    if (object.kind == kQueueKinds[q]) return {1, q};
  }
  return {kinds.size(), 0};
}

// The object that one block of DISPLAY output of `kind` shows; false when it
// is none to dump (a temporary dynamic queue, or a block naming nothing).
bool ObjectOfBlock(const DumpKind& kind, std::string_view text, DumpObject* object) {
  std::vector<DumpAttribute> attributes = ParseDisplayBlock(text);
  const DumpAttribute* name = FindAttribute(attributes, kind.name_key);
  if (!name) return false;
  object->kind = kind.display;
  object->verb = "DEFINE";
  if (std::string_view(kind.display) == "QMGR") {
    object->verb = "ALTER";
  } else {
    object->name = name->value;
  }
  if (kind.kind_key) {
    const DumpAttribute* type = FindAttribute(attributes, kind.kind_key);
    if (!type) return false;
    object->kind = type->value;
  }
  if (const DumpAttribute* deftype = FindAttribute(attributes, "DEFTYPE")) {
    if (object->kind == "QLOCAL" && deftype->value == "TEMPDYN") return false;
  }
  for (DumpAttribute& a : attributes) {
    const bool read_only =
        std::find(kind.read_only.begin(), kind.read_only.end(), a.keyword) != kind.read_only.end();
    // Only a model queue's definition type may be set.
    const bool deftype = a.keyword == "DEFTYPE" && object->kind != "QMODEL";
    if (a.keyword == kind.name_key || (kind.kind_key && a.keyword == kind.kind_key) || read_only ||
        deftype) {
      continue;
    }
    object->attributes.push_back(std::move(a));
  }
  return true;
}

const DumpKind* KindOfCommand(std::string_view command) {
  for (const DumpKind& kind : DumpKinds()) {
    if (command.starts_with("DISPLAY " + std::string(kind.display))) return &kind;
  }
  for (std::string_view queue_kind : kQueueKinds) {
    if (command.starts_with("DISPLAY " + std::string(queue_kind))) return &DumpKinds()[1];
  }
  return nullptr;
}

}  // namespace

const std::vector<DumpKind>& DumpKinds() {
  static const std::vector<DumpKind> kinds = {
      {"qmgr",
       "QMGR",
       "QMNAME",
       nullptr,
       {"ALTDATE", "ALTTIME", "CRDATE", "CRTIME", "QMID", "CMDLEVEL", "COMMANDQ", "PLATFORM",
        "DISTL", "MAXPRTY", "SYNCPT", "VERSION", "CPILEVEL", "QSGNAME", "ADVCAP", "SPLCAP",
        "AMQPCAP", "XRCAP",
        // The character set stays the target's own: messages and
        // definitions there are in it.
        "CCSID"}},
      {"queue",
       "QUEUE",
       "QUEUE",
       "TYPE",
       {"ALTDATE", "ALTTIME", "CRDATE", "CRTIME", "CURDEPTH", "IPPROCS", "OPPROCS", "CLUSDATE",
        "CLUSTIME", "CLUSQMGR", "CLUSQT", "QMID"}},
      {"process", "PROCESS", "PROCESS", nullptr, {"ALTDATE", "ALTTIME"}},
      {"namelist", "NAMELIST", "NAMELIST", nullptr, {"ALTDATE", "ALTTIME", "NAMCOUNT"}},
      // CHLTYPE stays: DEFINE CHANNEL needs it first, where DISPLAY shows it.
      {"channel", "CHANNEL", "CHANNEL", nullptr, {"ALTDATE", "ALTTIME"}},
  };
  return kinds;
}

std::string DumpCommands(const std::vector<std::string>& types, const std::string& pattern,
                         std::vector<std::string>* commands) {
  const std::string name = pattern.empty() ? "*" : MqscValue(pattern);
  auto command = [&](std::string_view display) {
    if (display == "QMGR") return std::string("DISPLAY QMGR ALL");
    return "DISPLAY " + std::string(display) + "(" + name + ") ALL";
  };
  if (types.empty()) {
    for (const DumpKind& kind : DumpKinds()) {
      if (std::string_view(kind.display) != "QMGR" || pattern.empty()) {
        commands->push_back(command(kind.display));
      }
    }
    return {};
  }
  for (const DumpKind& kind : DumpKinds()) {
    for (const std::string& type : types) {
      if (type == kind.type) commands->push_back(command(kind.display));
    }
    if (std::string_view(kind.display) != "QUEUE") continue;
    for (std::string_view queue_kind : kQueueKinds) {
      for (const std::string& type : types) {
        std::string upper = type;
        std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
        if (upper == queue_kind) commands->push_back(command(queue_kind));
      }
    }
  }
  for (const std::string& type : types) {
    std::string upper = type;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    const bool known =
        std::any_of(DumpKinds().begin(), DumpKinds().end(),
                    [&](const DumpKind& kind) { return type == kind.type; }) ||
        std::find(std::begin(kQueueKinds), std::end(kQueueKinds), upper) != std::end(kQueueKinds);
    if (!known) return type;
  }
  return {};
}

std::vector<DumpAttribute> ParseDisplayBlock(std::string_view text) {
  // The message line (AMQ8409I: Display Queue details.) comes first.
  const size_t first_line_end = text.find('\n');
  text = first_line_end == std::string_view::npos ? std::string_view()
                                                  : text.substr(first_line_end + 1);
  std::vector<DumpAttribute> attributes;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at == text.size()) break;
    size_t end = at;
    while (end < text.size() && IsKeywordChar(text[end])) ++end;
    if (end == at) {  // not a keyword: skip to the next blank
      while (at < text.size() && !IsBlank(text[at])) ++at;
      continue;
    }
    DumpAttribute attribute;
    attribute.keyword = std::string(text.substr(at, end - at));
    if (end < text.size() && text[end] == '(') {
      const size_t value_end = ValueEnd(text, end + 1);
      attribute.value = std::string(text.substr(end + 1, value_end - end - 1));
      at = value_end + 1;
    } else {
      attribute.flag = true;
      at = end;
    }
    attributes.push_back(std::move(attribute));
  }
  return attributes;
}

std::vector<DumpObject> DumpObjects(const std::vector<const Job*>& jobs, bool* failed) {
  std::vector<DumpObject> objects;
  for (const Job* job : jobs) {
    const Answer* answer = &job->answer;
    if (ExitStatusOf(*answer) != kExitOk) {
      if (!FoundNothing(*answer)) *failed = true;
      continue;
    }
    for (const pcf::PcfResponse& r : answer->responses) {
      for (const pcf::PcfParameter& p : r.message.parameters) {
        if (p.parameter != MQCACF_ESCAPE_TEXT || p.type != MQCFT_STRING) continue;
        const DumpKind* kind = KindOfCommand(job->request.text);
        DumpObject object;
        if (kind && ObjectOfBlock(*kind, p.text, &object)) objects.push_back(std::move(object));
      }
    }
  }
  std::stable_sort(objects.begin(), objects.end(), [](const DumpObject& a, const DumpObject& b) {
    return std::make_pair(Rank(a), a.name) < std::make_pair(Rank(b), b.name);
  });
  return objects;
}

std::string MqscValue(std::string_view value) {
  const bool plain = !value.empty() && std::all_of(value.begin(), value.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '%' ||
           c == '*' || c == ',' || c == '-';
  });
  if (plain) return std::string(value);
  if (value.find_first_not_of(' ') == std::string_view::npos) return "' '";
  std::string quoted = "'";
  for (char c : value) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

void PrintDump(std::ostream& out, const std::string& qmgr, const std::vector<DumpObject>& objects) {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  char when[32];
  std::strftime(when, sizeof when, "%Y-%m-%d %H.%M.%S", std::localtime(&now));
  out << "* Object definitions of queue manager " << qmgr << ", " << when << ",\n"
      << "* by csagnt-query --dump: replay with csagnt-query or runmqsc.\n";
  for (const DumpObject& object : objects) {
    out << object.verb << " " << object.kind;
    if (!object.name.empty()) out << "(" << MqscValue(object.name) << ")";
    for (const DumpAttribute& a : object.attributes) {
      out << " +\n   " << a.keyword;
      if (!a.flag) out << "(" << MqscValue(a.value) << ")";
    }
    if (object.verb == "DEFINE") out << " +\n   REPLACE";
    out << "\n";
  }
}

nlohmann::ordered_json DumpJson(const std::vector<DumpObject>& objects) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const DumpObject& object : objects) {
    nlohmann::ordered_json attributes = nlohmann::ordered_json::object();
    for (const DumpAttribute& a : object.attributes) {
      attributes[a.keyword] = a.flag ? nlohmann::ordered_json(true)
                                     : nlohmann::ordered_json(TrimTrailingBlanks(a.value));
    }
    nlohmann::ordered_json entry = {{"object", object.kind}};
    if (!object.name.empty()) entry["name"] = object.name;
    entry["attributes"] = std::move(attributes);
    list.push_back(std::move(entry));
  }
  return list;
}

}  // namespace query
