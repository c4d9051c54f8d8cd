// The MQSC interpreter: gives the parsed words their meaning through the
// keyword tables and calls the backend.
#include "mqsc/mqsc_interpreter.h"

#include <algorithm>
#include <charconv>

#include <cmqxc.h>

#include "mqsc/mqsc_parser.h"
#include "mqsc/status_display.h"
#include "objects/attribute_tables.h"
#include "pcf/pcf_format.h"

namespace mqemu::mqsc {
namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '/' || c == '%';
}

// An object name: 1 to 48 of IBM's name characters; a generic name (DISPLAY
// only) may end in '*'.
bool ValidName(std::string_view name, bool allow_generic) {
  if (name.empty() || name.size() > MQ_Q_NAME_LENGTH) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    bool last_star = allow_generic && name[i] == '*' && i + 1 == name.size();
    if (!IsNameChar(name[i]) && !last_star) return false;
  }
  return true;
}

bool ParseNumber(std::string_view text, MQLONG min, MQLONG max, MQLONG* out) {
  if (text.empty() || text.size() > 12) return false;
  long long v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max) return false;
  *out = static_cast<MQLONG>(v);
  return true;
}

// The value of an attribute keyword as the backend receives it.
bool ParseValue(const Keyword& k, const Word& w, Attribute* out) {
  out->selector = k.selector;
  switch (k.kind) {
    case ValueKind::kFlag:
      if (w.has_value) return false;
      out->number = w.keyword == k.choices[0].name ? k.choices[0].value : k.choices[1].value;
      return true;
    case ValueKind::kNumber:
      return w.has_value && !w.quoted && ParseNumber(w.value, k.min, k.max, &out->number);
    case ValueKind::kString:
      if (!w.has_value || w.value.size() > static_cast<size_t>(k.max)) return false;
      out->is_string = true;
      out->text = w.value;
      return true;
    case ValueKind::kChoice:
      if (!w.has_value || w.quoted) return false;
      for (const ValueName& c : k.choices) {
        if (w.value == c.name) {
          out->number = c.value;
          return true;
        }
      }
      return k.max > 0 && ParseNumber(w.value, k.min, k.max, &out->number);
    case ValueKind::kNameList:
      // Names separated by commas; NAMES() or NAMES(' ') empties the list.
      if (!w.has_value) return false;
      out->is_string = true;
      out->is_list = true;
      if (TrimTrailingBlanks(w.value).empty()) return true;
      for (size_t start = 0;;) {
        size_t comma = w.value.find(',', start);
        std::string name = w.value.substr(start, comma - start);
        if (!ValidName(name, false)) return false;
        out->texts.push_back(std::move(name));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      return out->texts.size() <= static_cast<size_t>(k.min);
  }
  return false;
}

const Attribute* FindAttribute(const std::vector<Attribute>& attributes, MQLONG selector) {
  for (const Attribute& a : attributes) {
    if (a.selector == selector) return &a;
  }
  return nullptr;
}

bool IsUnknownObject(MQLONG reason) {
  return reason == MQRC_UNKNOWN_OBJECT_NAME || reason == MQRCCF_UNKNOWN_OBJECT_NAME ||
         reason == MQRCCF_CHANNEL_NOT_FOUND;
}

class Interpreter {
 public:
  Interpreter(MqscBackend& backend, std::string_view text) : backend_(backend), text_(text) {}

  CommandResult Run() {
    parsed_ = ParseCommand(text_);
    const auto& words = parsed_.words;
    if (!words.empty()) {
      result_.verb_text = words[0].keyword;
      result_.verb = FindVerb(words[0].keyword);
    }
    if (result_.verb == Verb::kNone || words[0].has_value) {
      result_.verb = Verb::kNone;
      return Fail(Status::kUnknownVerb, MQRCCF_PARM_SYNTAX_ERROR);
    }
    if (!parsed_.ok) {
      if (words.size() > 1 && ValidCommand(result_.verb, FindObject(words[1].keyword))) {
        result_.object = FindObject(words[1].keyword);
      }
      result_.error_segment = std::string(text_.substr(0, parsed_.error_end));
      return Fail(Status::kSyntaxError, MQRCCF_PARM_SYNTAX_ERROR);
    }
    if (result_.verb == Verb::kEnd) {
      if (words.size() > 1) return SyntaxError(1);
      result_.status = Status::kEnd;
      return result_;
    }
    if (words.size() < 2) return SyntaxError(0);
    ObjectKind object = FindObject(words[1].keyword);
    if (!ValidCommand(result_.verb, object)) return SyntaxError(1);
    result_.object = object;
    if (object == ObjectKind::kQMgr || object == ObjectKind::kQMStatus) {
      if (words[1].has_value) return SyntaxError(1);
    } else {
      bool generic = result_.verb == Verb::kDisplay || result_.verb == Verb::kReset;
      if (!words[1].has_value || !ValidName(words[1].value, generic) ||
          (object == ObjectKind::kChannel && words[1].value.size() > MQ_CHANNEL_NAME_LENGTH)) {
        return SyntaxError(1);
      }
      result_.name = words[1].value;
      result_.generic = result_.name.back() == '*';
    }
    switch (result_.verb) {
      case Verb::kDefine:
      case Verb::kAlter:
        return DefineOrAlter();
      case Verb::kDelete:
        return Delete();
      case Verb::kClear:
        return words.size() > 2 ? SyntaxError(2) : Done(backend_.ClearQueue(result_.name));
      case Verb::kPing:
        return words.size() > 2 ? SyntaxError(2) : Done(backend_.Ping());
      case Verb::kDisplay:
        return IsStatus(object) ? StatusCommand() : Display();
      case Verb::kReset:
        return StatusCommand();
      default:
        return SyntaxError(0);
    }
  }

 private:
  // The class of `object` on the backend's platform.
  unsigned Scope(ObjectKind object) const {
    return ClassBitOf(object) | PlatformBitOf(backend_.Platform());
  }

  CommandResult Fail(Status status, MQLONG reason) {
    result_.status = status;
    result_.comp_code = MQCC_FAILED;
    result_.reason = reason;
    return result_;
  }

  CommandResult SyntaxError(size_t word) {
    const Word& w = parsed_.words[word];
    result_.error_segment = std::string(text_.substr(0, w.end));
    result_.error_keyword = w.keyword;
    return Fail(Status::kSyntaxError, MQRCCF_PARM_SYNTAX_ERROR);
  }

  CommandResult Done(MQLONG reason, const std::string& like = {}) {
    if (reason == MQRC_NONE) return result_;
    result_.failed_name = IsUnknownObject(reason) && !like.empty() ? like : result_.name;
    return Fail(Status::kFailed, reason);
  }

  CommandResult DefineOrAlter() {
    const bool define = result_.verb == Verb::kDefine;
    unsigned scope = Scope(result_.object);
    // A channel's definition names its type, which decides its keywords.
    MQLONG channel_type = 0;
    if (result_.object == ObjectKind::kChannel) {
      size_t at = 2;
      while (at < parsed_.words.size() && parsed_.words[at].keyword != "CHLTYPE") ++at;
      if (at == parsed_.words.size()) return SyntaxError(parsed_.words.size() - 1);
      const Word& w = parsed_.words[at];
      channel_type = w.has_value && !w.quoted ? ChannelTypeOf(w.value) : 0;
      if (channel_type == 0) return SyntaxError(at);
      scope = objects::ChannelClassBit(channel_type) | PlatformBitOf(backend_.Platform());
    }
    std::string like;
    bool replace = false, replace_given = false, force_given = false, type_given = false;
    std::vector<Attribute> changes;
    for (size_t i = 2; i < parsed_.words.size(); ++i) {
      const Word& w = parsed_.words[i];
      if (define && w.keyword == "LIKE") {
        if (!w.has_value || !like.empty() || !ValidName(w.value, false)) return SyntaxError(i);
        like = w.value;
        continue;
      }
      if (define && (w.keyword == "REPLACE" || w.keyword == "NOREPLACE")) {
        if (w.has_value || replace_given) return SyntaxError(i);
        replace_given = true;
        replace = w.keyword == "REPLACE";
        continue;
      }
      if (channel_type != 0 && w.keyword == "CHLTYPE") {
        if (type_given) return SyntaxError(i);
        type_given = true;
        continue;
      }
      if (!define && w.keyword == "FORCE") {
        if (w.has_value || force_given) return SyntaxError(i);
        force_given = true;
        continue;
      }
      const Keyword* k = FindKeyword(result_.object, w.keyword);
      Attribute a;
      if (k == nullptr || !InScope(k->settable, k->platforms, scope) || !ParseValue(*k, w, &a) ||
          FindAttribute(changes, a.selector) != nullptr) {
        return SyntaxError(i);
      }
      changes.push_back(std::move(a));
    }
    if (result_.object == ObjectKind::kQMgr) return Done(backend_.AlterQueueManager(changes));
    if (result_.object == ObjectKind::kProcess) {
      return define ? Done(backend_.DefineProcess(result_.name, like, changes, replace), like)
                    : Done(backend_.AlterProcess(result_.name, changes));
    }
    if (result_.object == ObjectKind::kNamelist) {
      return define ? Done(backend_.DefineNamelist(result_.name, like, changes, replace), like)
                    : Done(backend_.AlterNamelist(result_.name, changes));
    }
    if (result_.object == ObjectKind::kChannel) {
      return define
                 ? Done(backend_.DefineChannel(result_.name, channel_type, like, changes, replace),
                        like)
                 : Done(backend_.AlterChannel(result_.name, channel_type, changes));
    }
    MQLONG type = QueueTypeOf(result_.object);
    return define ? Done(backend_.DefineQueue(result_.name, type, like, changes, replace), like)
                  : Done(backend_.AlterQueue(result_.name, type, changes));
  }

  CommandResult Delete() {
    bool purge = false, purge_given = false;
    for (size_t i = 2; i < parsed_.words.size(); ++i) {
      const Word& w = parsed_.words[i];
      bool purge_word = w.keyword == "PURGE" || w.keyword == "NOPURGE";
      if (result_.object != ObjectKind::kQLocal || !purge_word || w.has_value || purge_given) {
        return SyntaxError(i);
      }
      purge_given = true;
      purge = w.keyword == "PURGE";
    }
    if (result_.object == ObjectKind::kProcess) return Done(backend_.DeleteProcess(result_.name));
    if (result_.object == ObjectKind::kNamelist) return Done(backend_.DeleteNamelist(result_.name));
    if (result_.object == ObjectKind::kChannel) return Done(backend_.DeleteChannel(result_.name));
    return Done(backend_.DeleteQueue(result_.name, QueueTypeOf(result_.object), purge));
  }

  CommandResult Display() {
    const ObjectKind object = result_.object;
    const unsigned scope = Scope(object);
    bool all = false, type_given = false;
    MQLONG type = object == ObjectKind::kChannel ? MQCHT_ALL : QueueTypeOf(object);
    std::vector<const Keyword*> wanted;
    bool named_qmname = false;  // QMNAME is always shown, but may be asked for
    for (size_t i = 2; i < parsed_.words.size(); ++i) {
      const Word& w = parsed_.words[i];
      if (w.keyword == "ALL" && !w.has_value && !all) {
        all = true;
        continue;
      }
      if (object == ObjectKind::kQMgr && w.keyword == "QMNAME" && !w.has_value) {
        named_qmname = true;
        continue;
      }
      if (object == ObjectKind::kChannel && w.keyword == "TYPE") {
        MQLONG of = w.has_value && !w.quoted ? ChannelTypeOf(w.value) : 0;
        if ((of == 0 && w.value != "ALL") || w.quoted || type_given) return SyntaxError(i);
        type_given = true;
        type = w.value == "ALL" ? MQCHT_ALL : of;
        continue;
      }
      // A channel's name and type are always shown, but may be asked for.
      if (object == ObjectKind::kChannel && w.keyword == "CHLTYPE" && !w.has_value) continue;
      if (object == ObjectKind::kQueue && w.keyword == "TYPE") {
        ObjectKind of = FindObject(w.value);
        bool valid = w.has_value && !w.quoted && !type_given &&
                     (w.value == "ALL" || (IsQueue(of) && of != ObjectKind::kQueue));
        if (!valid) return SyntaxError(i);
        type_given = true;
        type = w.value == "ALL" ? MQQT_ALL : QueueTypeOf(of);
        continue;
      }
      const Keyword* k = FindKeyword(object, w.keyword);
      if (k == nullptr || !InScope(k->shown, k->platforms, scope) || w.has_value) {
        return SyntaxError(i);
      }
      wanted.push_back(k);
    }
    // Without attributes named, DISPLAY QMGR and the display of one named
    // queue or process show everything; a generic name shows the names.
    if (wanted.empty() && !named_qmname && (object == ObjectKind::kQMgr || !result_.generic))
      all = true;
    std::vector<MQLONG> selectors;
    for (const Keyword& k : KeywordsOf(object)) {
      bool asked = all || std::find(wanted.begin(), wanted.end(), &k) != wanted.end();
      if (asked && InScope(k.shown, k.platforms, scope)) selectors.push_back(k.selector);
    }
    auto fields = [&](unsigned object_bit, const std::vector<Attribute>& attributes,
                      std::vector<std::string>* out) {
      for (const Keyword& k : KeywordsOf(object)) {
        if (!InScope(k.shown, k.platforms, object_bit | PlatformBitOf(backend_.Platform()))) {
          continue;
        }
        if (std::find(selectors.begin(), selectors.end(), k.selector) == selectors.end()) continue;
        const Attribute* a = FindAttribute(attributes, k.selector);
        if (a == nullptr) continue;
        std::string field = DisplayField(k, *a);
        if (!field.empty()) out->push_back(std::move(field));
      }
    };

    MQLONG reason = MQRC_NONE;
    if (object == ObjectKind::kQMgr) {
      selectors.insert(selectors.begin(), MQCA_Q_MGR_NAME);
      std::vector<Attribute> values;
      reason = backend_.QueueManagerAttributes(selectors, &values);
      if (reason == MQRC_NONE) {
        const Attribute* name = FindAttribute(values, MQCA_Q_MGR_NAME);
        Keyword qmname{"QMNAME", {}, MQCA_Q_MGR_NAME, ValueKind::kString, 0, 0, {}, 0, 0};
        std::vector<std::string> shown{DisplayField(qmname, name ? *name : Attribute{})};
        fields(kQMgrBit, values, &shown);
        result_.displayed.push_back(std::move(shown));
      }
    } else if (object == ObjectKind::kProcess) {
      std::vector<ProcessObject> processes;
      reason = backend_.ListProcesses(result_.name, selectors, &processes);
      for (const ProcessObject& p : processes) {
        std::vector<std::string> shown{"PROCESS(" + p.name + ")"};
        fields(kProcessBit, p.attributes, &shown);
        result_.displayed.push_back(std::move(shown));
      }
    } else if (object == ObjectKind::kNamelist) {
      std::vector<NamelistObject> namelists;
      reason = backend_.ListNamelists(result_.name, selectors, &namelists);
      for (const NamelistObject& n : namelists) {
        std::vector<std::string> shown{"NAMELIST(" + n.name + ")"};
        fields(kNamelistBit, n.attributes, &shown);
        result_.displayed.push_back(std::move(shown));
      }
    } else if (object == ObjectKind::kChannel) {
      std::vector<ChannelObject> channels;
      reason = backend_.ListChannels(result_.name, type, selectors, &channels);
      for (const ChannelObject& c : channels) {
        std::vector<std::string> shown{"CHANNEL(" + c.name + ")",
                                       "CHLTYPE(" + std::string(ChannelTypeName(c.type)) + ")"};
        fields(objects::ChannelClassBit(c.type), c.attributes, &shown);
        result_.displayed.push_back(std::move(shown));
      }
      if (reason == MQRC_NONE && result_.displayed.empty()) reason = MQRCCF_CHANNEL_NOT_FOUND;
    } else {
      std::vector<QueueObject> queues;
      reason = backend_.ListQueues(result_.name, type, selectors, &queues);
      for (const QueueObject& q : queues) {
        std::vector<std::string> shown{"QUEUE(" + q.name + ")",
                                       "TYPE(" + std::string(QueueTypeName(q.type)) + ")"};
        fields(ClassBitOfQueueType(q.type), q.attributes, &shown);
        result_.displayed.push_back(std::move(shown));
      }
    }
    if (reason == MQRC_NONE && result_.displayed.empty()) reason = MQRC_UNKNOWN_OBJECT_NAME;
    if (reason != MQRC_NONE) result_.displayed.clear();
    return Done(reason);
  }

  // DISPLAY QSTATUS, RESET QSTATS, DISPLAY QMSTATUS, DISPLAY CONN and
  // DISPLAY CHSTATUS: the
  // PCF status command that the words ask for, its records shown.
  CommandResult StatusCommand() {
    const ObjectKind object = result_.object;
    objects::StatusQuery query;
    query.command = object == ObjectKind::kQStatus    ? MQCMD_INQUIRE_Q_STATUS
                    : object == ObjectKind::kQStats   ? MQCMD_RESET_Q_STATS
                    : object == ObjectKind::kQMStatus ? MQCMD_INQUIRE_Q_MGR_STATUS
                    : object == ObjectKind::kChStatus ? MQCMD_INQUIRE_CHANNEL_STATUS
                                                      : MQCMD_INQUIRE_CONNECTION;
    if (object != ObjectKind::kConn) query.name = result_.name;
    size_t bad = ReadStatusWords(object, parsed_.words, 2, &query);
    if (bad < parsed_.words.size()) return SyntaxError(bad);
    std::vector<objects::StatusRecord> records;
    MQLONG reason = backend_.Status(query, &records);
    if (reason == MQRCCF_NONE_FOUND) reason = MQRC_UNKNOWN_OBJECT_NAME;
    if (reason == MQRC_NONE) {
      result_.displayed = StatusFields(object, query, result_.name, records);
      if (object == ObjectKind::kConn && result_.displayed.empty()) {
        reason = MQRC_UNKNOWN_OBJECT_NAME;
      }
    }
    if (reason != MQRC_NONE) result_.displayed.clear();
    return Done(reason);
  }

  MqscBackend& backend_;
  std::string_view text_;
  ParsedCommand parsed_;
  CommandResult result_;
};

}  // namespace

CommandResult RunCommand(MqscBackend& backend, std::string_view text) {
  return Interpreter(backend, text).Run();
}

}  // namespace mqemu::mqsc
