// The control commands of the mqemu tool, executed inside the daemon.
#include "qmgr/control.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "mqsc/runmqsc.h"
#include "objects/attribute_tables.h"
#include "protocol/endpoint.h"
#include "qmgr/attributes.h"
#include "qmgr/definitions.h"
#include "qmgr/mqsc_backend.h"

namespace mqemu {
namespace {

using objects::ChannelRows;
using objects::ProcessRows;
using objects::QueueRows;

// A trigger type by name: first, every, depth or none.
bool TriggerType(const std::string& s, MQLONG* out) {
  static const std::pair<const char*, MQLONG> types[] = {
      {"first", MQTT_FIRST}, {"every", MQTT_EVERY}, {"depth", MQTT_DEPTH}, {"none", MQTT_NONE}};
  for (const auto& [name, type] : types) {
    if (s == name) {
      *out = type;
      return true;
    }
  }
  return false;
}

bool ParseNumber(const std::string& s, MQLONG* out) {
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || v < -2147483647L - 1 || v > 2147483647L) return false;
  *out = static_cast<MQLONG>(v);
  return true;
}

// Whether `word` is `upper` in lower case.
bool IsLowerCaseOf(std::string_view word, std::string_view upper) {
  return word.size() == upper.size() &&
         std::equal(word.begin(), word.end(), upper.begin(), [](char w, char u) {
           return w == std::tolower(static_cast<unsigned char>(u));
         });
}

// The number that `value` names for `row`: one of its MQSC choices by name
// (in either case) or a decimal number.
template <typename Row>
bool OptionNumber(const Row& row, const std::string& value, MQLONG* out) {
  for (const objects::ValueName& c : row.keyword.choices) {
    if (!c.name.empty() && (value == c.name || IsLowerCaseOf(value, c.name))) {
      *out = c.value;
      return true;
    }
  }
  return ParseNumber(value, out);
}

// The change that option `opt` with `value` gives: the row's own option, or
// "--" and the MQSC keyword in lower case of any attribute that definitions
// may set (but a flag, which MQSC gives without a value), when the value
// fits its type.
template <typename Object>
bool OptionValue(objects::Rows<Object> rows, const std::string& opt, const std::string& value,
                 std::vector<AttributeChange>* changes) {
  for (const auto& row : rows) {
    bool by_keyword = row.set && row.keyword.kind != objects::ValueKind::kFlag &&
                      opt.starts_with("--") &&
                      IsLowerCaseOf(std::string_view(opt).substr(2), row.keyword.name);
    if (row.option != opt && !by_keyword) continue;
    MQLONG n = 0;
    bool is_string = row.keyword.kind == objects::ValueKind::kString;
    if (!is_string && !OptionNumber(row, value, &n)) return false;
    changes->push_back({row.keyword.selector, is_string, n, is_string ? value : std::string()});
    return true;
  }
  return false;
}

// The change that option `opt` without a value gives: "--" and either
// keyword of a flag that definitions may set, in lower case ("--hardenbo",
// "--noshare").
template <typename Object>
bool FlagOption(objects::Rows<Object> rows, const std::string& opt,
                std::vector<AttributeChange>* changes) {
  if (!opt.starts_with("--")) return false;
  std::string_view word = std::string_view(opt).substr(2);
  for (const auto& row : rows) {
    if (!row.set || row.keyword.kind != objects::ValueKind::kFlag) continue;
    for (const objects::ValueName& c : row.keyword.choices) {
      if (!c.name.empty() && IsLowerCaseOf(word, c.name)) {
        changes->push_back({row.keyword.selector, false, c.value, {}});
        return true;
      }
    }
  }
  return false;
}

Status Usage(std::string* text, const std::string& message) {
  *text = message;
  return Status::Fail(MQRC_OPTIONS_ERROR);
}

// The status and text of a definition command a (a[0] the command, a[1] the
// name) of an object of kind `what`.
Status Outcome(const DefinitionResult& r, const std::vector<std::string>& a, const char* what,
               std::string* text) {
  if (r.reason) {
    *text = a[0] + " " + a[1] + " failed with reason " + std::to_string(r.reason);
    return Status::Fail(r.reason);
  }
  *text = std::string(what) + " " + a[1] + " defined";
  return Status::Ok();
}

Status Define(const std::vector<std::string>& a, std::string* text) {
  if (a.size() < 2) return Usage(text, "define: queue name missing");
  MQLONG type = MQQT_LOCAL;
  bool replace = false;
  std::vector<AttributeChange> changes;
  for (size_t i = 2; i < a.size(); ++i) {
    const std::string& opt = a[i];
    bool has_value = i + 1 < a.size();
    MQLONG n = 0;
    if (opt == "--model") {
      type = MQQT_MODEL;
    } else if (opt == "--remote") {
      type = MQQT_REMOTE;
    } else if (opt == "--replace") {
      replace = true;
    } else if (opt == "--alias" && has_value) {
      type = MQQT_ALIAS;
      changes.push_back({MQCA_BASE_Q_NAME, true, 0, a[++i]});
    } else if (opt == "--permanent") {
      changes.push_back({MQIA_DEFINITION_TYPE, false, MQQDT_PERMANENT_DYNAMIC, {}});
    } else if (opt == "--trigger" && has_value && TriggerType(a[i + 1], &n)) {
      changes.push_back({MQIA_TRIGGER_CONTROL, false, MQTC_ON, {}});
      changes.push_back({MQIA_TRIGGER_TYPE, false, n, {}});
      ++i;
    } else if (opt == "--notrigger") {
      changes.push_back({MQIA_TRIGGER_CONTROL, false, MQTC_OFF, {}});
    } else if (has_value && OptionValue(QueueRows(), opt, a[i + 1], &changes)) {
      ++i;
    } else if (!FlagOption(QueueRows(), opt, &changes)) {
      return Usage(text, "define: unknown or incomplete option " + opt);
    }
  }
  std::lock_guard lock(Qm().mu);
  return Outcome(DefineQueue(Qm(), a[1], type, changes, replace), a, "queue", text);
}

Status DefineProcessCommand(const std::vector<std::string>& a, std::string* text) {
  if (a.size() < 2) return Usage(text, "define-process: process name missing");
  bool replace = false;
  std::vector<AttributeChange> changes;
  for (size_t i = 2; i < a.size(); ++i) {
    const std::string& opt = a[i];
    bool has_value = i + 1 < a.size();
    MQLONG n = 0;
    if (opt == "--replace") {
      replace = true;
    } else if (opt == "--appltype" && has_value &&
               (a[i + 1] == "unix" || a[i + 1] == "UNIX" || ParseNumber(a[i + 1], &n))) {
      changes.push_back({MQIA_APPL_TYPE, false, n ? n : MQAT_UNIX, {}});
      ++i;
    } else if (has_value && OptionValue(ProcessRows(), opt, a[i + 1], &changes)) {
      ++i;
    } else {
      return Usage(text, "define-process: unknown or incomplete option " + opt);
    }
  }
  std::lock_guard lock(Qm().mu);
  return Outcome(DefineProcess(Qm(), a[1], changes, replace), a, "process", text);
}

// mqemu define-channel: --type names the type as DEFINE CHANNEL's CHLTYPE
// does, in either case (svrconn unless given).
Status DefineChannelCommand(const std::vector<std::string>& a, std::string* text) {
  if (a.size() < 2) return Usage(text, "define-channel: channel name missing");
  MQLONG type = MQCHT_SVRCONN;
  bool replace = false;
  std::vector<AttributeChange> changes;
  for (size_t i = 2; i < a.size(); ++i) {
    const std::string& opt = a[i];
    bool has_value = i + 1 < a.size();
    if (opt == "--replace") {
      replace = true;
    } else if (opt == "--type" && has_value) {
      type = 0;
      for (const objects::ValueName& t : objects::ChannelTypeNames()) {
        if (a[i + 1] == t.name || IsLowerCaseOf(a[i + 1], t.name)) type = t.value;
      }
      if (type == 0) return Usage(text, "define-channel: unknown channel type " + a[i + 1]);
      ++i;
    } else if (has_value && OptionValue(ChannelRows(), opt, a[i + 1], &changes)) {
      ++i;
    } else {
      return Usage(text, "define-channel: unknown or incomplete option " + opt);
    }
  }
  std::lock_guard lock(Qm().mu);
  return Outcome(DefineChannel(Qm(), a[1], type, changes, replace), a, "channel", text);
}

Status Delete(const std::vector<std::string>& a, std::string* text) {
  bool process = a[0] == "delete-process";
  bool channel = a[0] == "delete-channel";
  if (a.size() < 2) return Usage(text, a[0] + ": name missing");
  bool purge = a.size() > 2 && a[2] == "--purge";
  std::lock_guard lock(Qm().mu);
  Status st = process   ? Qm().DeleteProcess(a[1])
              : channel ? Qm().DeleteChannel(a[1])
                        : Qm().DeleteQueue(a[1], purge);
  *text = st.failed() ? a[0] + " " + a[1] + " failed with reason " + std::to_string(st.rc)
                      : (process   ? "process "
                         : channel ? "channel "
                                   : "queue ") +
                            a[1] + " deleted";
  return st;
}

const char* TypeName(MQLONG type) {
  switch (type) {
    case MQQT_MODEL:
      return "model";
    case MQQT_ALIAS:
      return "alias";
    case MQQT_REMOTE:
      return "remote";
    default:
      return "local";
  }
}

// A channel type as mqemu define-channel takes it.
std::string ChannelTypeText(MQLONG type) {
  for (const objects::ValueName& t : objects::ChannelTypeNames()) {
    if (t.value == type) {
      std::string name(t.name);
      for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      return name;
    }
  }
  return "unknown";
}

const char* DefinitionName(MQLONG type) {
  switch (type) {
    case MQQDT_PERMANENT_DYNAMIC:
      return "permanent-dynamic";
    case MQQDT_TEMPORARY_DYNAMIC:
      return "temporary-dynamic";
    default:
      return "predefined";
  }
}

Status Show(const std::vector<std::string>& a, std::string* text) {
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  std::ostringstream out;
  if (a.size() < 2) {
    out << "queue manager " << qm.name << ": platform " << qm.platform << ", command level "
        << qm.command_level << ", CCSID " << qm.ccsid << ", " << qm.sessions.size()
        << " connection(s)\n";
  }
  std::string pattern = a.size() < 2 ? "*" : a[1];
  int shown = 0;
  for (auto& [name, q] : qm.queues) {
    if (!MatchesGeneric(name, pattern)) continue;
    ++shown;
    out << name << "  type=" << TypeName(q->type);
    if (q->type == MQQT_ALIAS) {
      out << " base=" << q->base_queue;
    } else if (q->type == MQQT_REMOTE) {
      out << " rname=" << q->remote_queue << " rqmname=" << q->remote_qmgr
          << " xmitq=" << q->transmission_queue;
    } else {
      out << " definition=" << DefinitionName(q->definition_type)
          << " maxmsglen=" << q->max_msg_length << " maxdepth=" << q->max_depth;
    }
    if (q->type == MQQT_LOCAL) {
      out << " depth=" << q->messages.size() << " input=" << q->open_input
          << " output=" << q->open_output << " puts=" << q->activity.puts
          << " gets=" << q->activity.gets << " highdepth=" << q->activity.high_depth;
    }
    out << " get=" << (q->inhibit_get ? "inhibited" : "allowed")
        << " put=" << (q->inhibit_put ? "inhibited" : "allowed");
    if (q->trigger_control == MQTC_ON) {
      out << " trigger=" << q->trigger_type << " initq=" << q->initiation_queue
          << " process=" << q->process_name;
    }
    if (!q->description.empty()) out << " description=\"" << q->description << '"';
    out << '\n';
  }
  for (auto& [name, p] : qm.processes) {
    if (!MatchesGeneric(name, pattern)) continue;
    ++shown;
    out << name << "  type=process applicid=\"" << p->appl_id << "\" appltype=" << p->appl_type
        << " userdata=\"" << p->user_data << "\" envdata=\"" << p->env_data << "\"\n";
  }
  for (auto& [name, n] : qm.namelists) {
    if (!MatchesGeneric(name, pattern)) continue;
    ++shown;
    out << name << "  type=namelist names=";
    for (size_t i = 0; i < n->names.size(); ++i) out << (i ? "," : "") << n->names[i];
    if (!n->description.empty()) out << " description=\"" << n->description << '"';
    out << '\n';
  }
  for (auto& [name, c] : qm.channels) {
    if (!MatchesGeneric(name, pattern)) continue;
    ++shown;
    out << name << "  type=channel chltype=" << ChannelTypeText(c->type);
    objects::AttributeValue v;
    for (MQLONG selector : {MQCACH_CONNECTION_NAME, MQCACH_XMIT_Q_NAME, MQCACH_MCA_USER_ID}) {
      if (!ChannelAttribute(*c, selector, &v) || TrimTrailingBlanks(v.text).empty()) continue;
      out << (selector == MQCACH_CONNECTION_NAME ? " conname="
              : selector == MQCACH_XMIT_Q_NAME   ? " xmitq="
                                                 : " mcauser=")
          << TrimTrailingBlanks(v.text);
    }
    if (ChannelAttribute(*c, MQCACH_DESC, &v) && !TrimTrailingBlanks(v.text).empty()) {
      out << " description=\"" << TrimTrailingBlanks(v.text) << '"';
    }
    out << '\n';
  }
  // The connections and what each has open, when everything is shown.
  for (const auto& [id, session] : qm.sessions) {
    if (a.size() >= 2 || session->ended) continue;
    const Session& c = *session;
    out << "connection " << id << "  appl=\"" << c.appl << "\" pid=" << c.pid << " tid=" << c.tid
        << " user=" << c.user;
    if (!c.channel.empty()) out << " channel=" << c.channel << " conname=" << c.conname;
    out << " handles=" << c.handles.size();
    for (const auto& [hobj, h] : c.handles) out << ' ' << h.object_name;
    out << '\n';
  }
  *text = out.str();
  if (shown == 0 && a.size() >= 2) {
    *text = "no queue matches " + pattern;
    return Status::Fail(MQRC_UNKNOWN_OBJECT_NAME);
  }
  return Status::Ok();
}

// Sessions whose application name or user is `who` ("*": all). Lock held.
std::vector<Session*> SessionsOf(const std::string& who) {
  std::vector<Session*> out;
  for (auto& [id, s] : Qm().sessions) {
    if (who == "*" || s->appl == who || s->user == who) out.push_back(s.get());
  }
  return out;
}

void Break(Session& s) {
  s.broken = true;
  if (s.region) s.region->Close();
  ::shutdown(s.call_fd, SHUT_RDWR);
  if (s.delivery_fd >= 0) ::shutdown(s.delivery_fd, SHUT_RDWR);
  for (auto& entry : Qm().queues) entry.second->arrived->notify_all();
}

Status Fault(const std::vector<std::string>& a, std::string* text) {
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  Faults& f = qm.faults;
  auto arg = [&](size_t i) { return i < a.size() ? a[i] : std::string(); };
  const std::string what = arg(1);
  MQLONG n = 0, reason = 0;
  *text = "fault " + what + " set";
  auto wake_command_server = [&] {
    if (Queue* q = qm.FindQueue(qm.command_queue)) q->arrived->notify_all();
  };
  if (what == "command-server" && (arg(2) == "pause" || arg(2) == "resume")) {
    f.command_server_paused = arg(2) == "pause";
    wake_command_server();
  } else if (what == "reply-delay" && ParseNumber(arg(2), &n) && n >= 0) {
    f.reply_delay_ms = n;
  } else if ((what == "put-fail" || what == "put-warn") && ParseNumber(arg(3), &n) &&
             ParseNumber(arg(4), &reason)) {
    Queue* q = qm.FindQueue(arg(2));
    if (!q) return Usage(text, "no queue " + arg(2));
    q->put_faults = n;
    q->put_fault_reason = reason;
    q->put_fault_warning = what == "put-warn";
  } else if ((what == "inhibit" || what == "allow") && (arg(3) == "get" || arg(3) == "put")) {
    Queue* q = qm.FindQueue(arg(2));
    if (!q) return Usage(text, "no queue " + arg(2));
    MQLONG value = what == "inhibit" ? 1 : 0;
    if (arg(3) == "get") {
      qm.SetInhibitGet(*q, value);
    } else {
      q->inhibit_put = value;
    }
  } else if (what == "refuse-cno7" && (arg(2) == "on" || arg(2) == "off")) {
    f.refuse_cno_from_7 = arg(2) == "on";
  } else if ((what == "deny" || what == "permit") && !arg(2).empty()) {
    bool deny = what == "deny";
    const std::string user = arg(2);
    if (arg(3) == "command-server") {
      if (deny)
        f.deny_command_server.insert(user);
      else
        f.deny_command_server.erase(user);
    } else if ((arg(3) == "open" || arg(3) == "inquire") && !arg(4).empty()) {
      auto& set = arg(3) == "open" ? f.deny_open : f.deny_inquire;
      if (deny)
        set.insert({user, arg(4)});
      else
        set.erase({user, arg(4)});
    } else {
      return Usage(text, "fault deny|permit USER command-server | open OBJECT | inquire OBJECT");
    }
  } else if (what == "break" && !arg(2).empty()) {
    auto sessions = SessionsOf(arg(2));
    for (Session* s : sessions) Break(*s);
    *text = "broke " + std::to_string(sessions.size()) + " connection(s)";
  } else if (what == "event" && ParseNumber(arg(2), &reason)) {
    auto sessions = SessionsOf(arg(3).empty() ? "*" : arg(3));
    for (Session* s : sessions) s->OnEvent(MQHO_NONE, MQCC_WARNING, reason);
    *text = "event " + arg(2) + " sent to " + std::to_string(sessions.size()) + " connection(s)";
  } else if (what == "clear") {
    f = Faults{};
    for (auto& entry : qm.queues) entry.second->put_faults = 0;
    wake_command_server();
    *text = "faults cleared";
  } else {
    return Usage(text, "unknown or incomplete fault: " + what);
  }
  return Status::Ok();
}

// Runs MQSC commands (the lines of args[1]) as runmqsc does; its exit
// status, 10 when a command failed, comes back as the reason of a warning.
Status Mqsc(const std::vector<std::string>& a, std::string* text) {
  if (a.size() != 2) return Usage(text, "mqsc: one script expected");
  QueueManagerMqscBackend backend(Qm());
  std::istringstream in(a[1]);
  std::ostringstream out;
  int status = mqsc::RunScript(backend, Qm().name, &in, &out);
  *text = out.str();
  return status == 0 ? Status::Ok() : Status::Warn(status);
}

}  // namespace

Status RunControl(const std::vector<std::string>& args, std::string* text) {
  if (args.empty()) return Usage(text, "no command");
  const std::string& cmd = args[0];
  if (cmd == "define") return Define(args, text);
  if (cmd == "delete" || cmd == "delete-process" || cmd == "delete-channel") {
    return Delete(args, text);
  }
  if (cmd == "define-channel") return DefineChannelCommand(args, text);
  if (cmd == "define-process") return DefineProcessCommand(args, text);
  if (cmd == "show") return Show(args, text);
  if (cmd == "fault") return Fault(args, text);
  if (cmd == "mqsc") return Mqsc(args, text);
  if (cmd == "stop") {
    bool immediate = false;
    MQLONG reason = MQRC_Q_MGR_QUIESCING;
    for (size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--immediate") {
        immediate = true;
      } else if (!(args[i] == "--reason" && i + 1 < args.size() &&
                   ParseNumber(args[++i], &reason))) {
        return Usage(text, "stop: unknown or incomplete option " + args[i]);
      }
    }
    std::thread([immediate, reason] { EndQueueManager(immediate, reason); }).detach();
    *text = "queue manager " + Qm().name + " ending";
    return Status::Ok();
  }
  return Usage(text, "unknown command " + cmd);
}

void EndQueueManager(bool immediate, MQLONG reason) {
  QueueManager& qm = Qm();
  using namespace std::chrono_literals;
  {
    std::lock_guard lock(qm.mu);
    qm.quiescing = true;
    for (auto& entry : qm.queues) entry.second->arrived->notify_all();
    if (!immediate) {
      for (auto& [id, s] : qm.sessions) s->OnEvent(MQHO_NONE, MQCC_WARNING, reason);
    }
  }
  if (!immediate) {
    for (auto deadline = std::chrono::steady_clock::now() + 5s;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(20ms)) {
      std::lock_guard lock(qm.mu);
      if (qm.sessions.empty()) break;
    }
  }
  {
    std::lock_guard lock(qm.mu);
    qm.ending = true;
    for (auto& [id, s] : qm.sessions) s->OnEvent(MQHO_NONE, MQCC_FAILED, MQRC_Q_MGR_STOPPING);
    for (auto& entry : qm.queues) entry.second->arrived->notify_all();
    qm.command_server_wake.notify_all();
  }
  // Give the delivery threads a moment to write the events, then break
  // whatever is still connected.
  for (int i = 0; i < 25; ++i) {
    std::this_thread::sleep_for(4ms);
    std::lock_guard lock(qm.mu);
    bool pending = false;
    for (auto& [id, s] : qm.sessions) pending = pending || s->EventsOwed();
    if (!pending) break;
  }
  {
    std::lock_guard lock(qm.mu);
    for (auto& [id, s] : qm.sessions) Break(*s);
  }
  ::unlink(SocketPath(qm.name).c_str());
  ::unlink(PidPath(qm.name).c_str());
  if (DefaultQueueManager() == qm.name) ::unlink(DefaultFilePath().c_str());
  std::fflush(nullptr);
  ::_exit(0);
}

}  // namespace mqemu
