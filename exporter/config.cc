// Reading the exporter's configuration file with yaml-cpp. yaml-cpp reports
// faults as exceptions carrying their place; they are caught here and turned
// into "line N: REASON", the only form in which they leave this file.
#include "config.h"

#include <fnmatch.h>
#include <yaml-cpp/yaml.h>

#include <cmqc.h>
#include <cmqxc.h>

#include <charconv>
#include <fstream>
#include <set>
#include <sstream>

namespace exporter {
namespace {

// A fault found while reading, with the node that holds it.
struct Fault {
  YAML::Mark mark;
  std::string reason;
};

std::string Where(const YAML::Mark& mark) {
  return mark.is_null() ? "" : "line " + std::to_string(mark.line + 1) + ": ";
}

[[noreturn]] void Refuse(const YAML::Node& node, std::string reason) {
  throw Fault{node.Mark(), std::move(reason)};
}

std::string Scalar(const YAML::Node& node, std::string_view key) {
  if (!node.IsScalar()) Refuse(node, std::string(key) + " must be a single value");
  return node.Scalar();
}

// A name of IBM MQ's: not empty, no blanks, at most `length` characters.
std::string Name(const YAML::Node& node, std::string_view key, size_t length) {
  std::string value = Scalar(node, key);
  if (value.empty()) Refuse(node, std::string(key) + " is empty");
  if (value.size() > length) {
    Refuse(node, std::string(key) + " \"" + value + "\" is longer than " + std::to_string(length) +
                     " characters");
  }
  if (value.find(' ') != std::string::npos) {
    Refuse(node, std::string(key) + " \"" + value + "\" holds a blank");
  }
  return value;
}

bool Bool(const YAML::Node& node, std::string_view key) {
  const std::string value = Scalar(node, key);
  if (value == "true") return true;
  if (value == "false") return false;
  Refuse(node, std::string(key) + " must be true or false, not \"" + value + "\"");
}

Milliseconds Duration(const YAML::Node& node, std::string_view key, bool zero_allowed) {
  const std::string value = Scalar(node, key);
  Milliseconds d{};
  if (!ParseDuration(value, &d)) {
    Refuse(node,
           std::string(key) + " \"" + value + "\" is not a duration (such as 500ms, 10s, 2m)");
  }
  if (d.count() == 0 && !zero_allowed) Refuse(node, std::string(key) + " must be longer than 0");
  return d;
}

std::vector<std::string> Patterns(const YAML::Node& node, std::string_view key) {
  if (!node.IsSequence()) Refuse(node, std::string(key) + " must be a list of queue name patterns");
  std::vector<std::string> patterns;
  for (const YAML::Node& item : node) patterns.push_back(Name(item, key, MQ_Q_NAME_LENGTH));
  return patterns;
}

QueueManagerConfig QueueManager(const YAML::Node& node, Milliseconds timeout) {
  if (!node.IsMap()) Refuse(node, "each queue manager must be a map with a name");
  QueueManagerConfig qm;
  qm.timeout = timeout;
  bool named = false, agent_queue = false;
  for (const auto& entry : node) {
    const std::string key = entry.first.as<std::string>();
    const YAML::Node& value = entry.second;
    if (key == "name") {
      qm.name = Name(value, key, MQ_Q_MGR_NAME_LENGTH);
      named = true;
    } else if (key == "channel") {
      qm.channel = Name(value, key, MQ_CHANNEL_NAME_LENGTH);
    } else if (key == "conname") {
      qm.conname = Name(value, key, MQ_CONN_NAME_LENGTH);
    } else if (key == "agent_queue") {
      qm.agent_queue = Name(value, key, MQ_Q_NAME_LENGTH);
      agent_queue = true;
    } else if (key == "direct") {
      qm.direct = Bool(value, key);
    } else if (key == "reply_model") {
      qm.reply_model = Name(value, key, MQ_Q_NAME_LENGTH);
    } else if (key == "include") {
      qm.include = Patterns(value, key);
    } else if (key == "exclude") {
      qm.exclude = Patterns(value, key);
    } else if (key == "timeout") {
      qm.timeout = Duration(value, key, false);
    } else if (key == "reset_stats") {
      qm.reset_stats = Bool(value, key);
    } else {
      Refuse(entry.first, "unknown setting \"" + key + "\" of a queue manager");
    }
  }
  if (!named) Refuse(node, "a queue manager without a name");
  if (qm.channel.empty() != qm.conname.empty()) {
    Refuse(node, "queue manager " + qm.name + ": a client needs both channel and conname");
  }
  if (qm.direct && agent_queue) {
    Refuse(node, "queue manager " + qm.name + ": agent_queue and direct: true exclude each other");
  }
  return qm;
}

void Read(const YAML::Node& root, Config* config) {
  if (!root.IsMap()) Refuse(root, "the file must be a map with queue_managers");
  Milliseconds timeout = kDefaultTimeout;
  if (const YAML::Node t = root["timeout"]) timeout = Duration(t, "timeout", false);
  YAML::Node list;
  bool listed = false;
  for (const auto& entry : root) {
    const std::string key = entry.first.as<std::string>();
    if (key == "min_interval") {
      config->min_interval = Duration(entry.second, key, true);
    } else if (key == "queue_managers") {
      list = entry.second;
      listed = true;
    } else if (key != "timeout") {
      Refuse(entry.first, "unknown setting \"" + key + "\"");
    }
  }
  if (!listed) Refuse(root, "no queue_managers");
  if (!list.IsSequence() || list.size() == 0) {
    Refuse(list, "queue_managers must be a list of at least one queue manager");
  }
  std::set<std::string> names;
  for (const YAML::Node& item : list) {
    QueueManagerConfig qm = QueueManager(item, timeout);
    if (!names.insert(qm.name).second) {
      Refuse(item, "queue manager " + qm.name + " is listed twice");
    }
    config->queue_managers.push_back(std::move(qm));
  }
}

}  // namespace

std::string ParseConfig(std::string_view text, Config* config) {
  Config parsed;
  try {
    Read(YAML::Load(std::string(text)), &parsed);
  } catch (const Fault& fault) {
    return Where(fault.mark) + fault.reason;
  } catch (const YAML::Exception& e) {
    return Where(e.mark) + e.msg;
  }
  *config = std::move(parsed);
  return "";
}

std::string LoadConfig(const std::string& path, Config* config) {
  std::ifstream file(path);
  if (!file) return path + ": cannot be read";
  std::ostringstream text;
  text << file.rdbuf();
  std::string error = ParseConfig(text.str(), config);
  if (error.empty()) return "";
  // "line N: REASON" becomes "PATH:N: REASON", as compilers name a place.
  if (error.starts_with("line ")) {
    const size_t colon = error.find(':');
    return path + ":" + error.substr(5, colon - 5) + error.substr(colon);
  }
  return path + ": " + error;
}

bool QueueSelected(const QueueManagerConfig& config, std::string_view queue) {
  const std::string name(queue);
  auto matches = [&name](const std::string& pattern) {
    return fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
  };
  const bool system = name.starts_with("SYSTEM.");
  bool included = false;
  for (const std::string& pattern : config.include) {
    if (matches(pattern) && (!system || pattern.starts_with("SYSTEM."))) included = true;
  }
  if (!included) return false;
  for (const std::string& pattern : config.exclude) {
    if (matches(pattern)) return false;
  }
  return true;
}

bool ParseDuration(std::string_view text, Milliseconds* out) {
  struct Unit {
    std::string_view suffix;
    int64_t ms;
  };
  // Longer suffixes first, so that "ms" is not read as "m".
  static constexpr Unit kUnits[] = {
      {"ms", 1}, {"h", 3600000}, {"m", 60000}, {"s", 1000}, {"d", 86400000}};
  if (text.empty()) return false;
  int64_t total = 0;
  while (!text.empty()) {
    int64_t n = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end == text.data() || n < 0) return false;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    const Unit* unit = nullptr;
    for (const Unit& u : kUnits) {
      if (text.starts_with(u.suffix)) {
        unit = &u;
        break;
      }
    }
    if (!unit || n > (INT64_MAX / 2 - total) / unit->ms) return false;
    total += n * unit->ms;
    text.remove_prefix(unit->suffix.size());
  }
  *out = Milliseconds(total);
  return true;
}

}  // namespace exporter
