// The distributed (runmqsc) style of MQSC output: IBM's AMQ messages and
// runmqsc's two-column attribute layout.
#include <cstdio>

#include "mqsc/mqsc_output.h"
#include "pcf/pcf_format.h"

namespace mqemu::mqsc {
namespace {

// An attribute starts in column 4 or column 44; one that does not fit the
// left column with a blank to spare takes a line of its own.
constexpr size_t kIndent = 3;
constexpr size_t kColumnWidth = 40;

void AppendAttributeLines(const std::vector<std::string>& fields, std::string* out) {
  std::string line;
  auto flush = [&] {
    if (line.empty()) return;
    *out += "\n" + line;
    line.clear();
  };
  for (const std::string& f : fields) {
    if (f.empty() || f == "\n") {  // the end of a line; empty: a blank line after it
      flush();
      if (f.empty()) *out += "\n";
      continue;
    }
    if (f.size() >= kColumnWidth) {
      flush();
      line = std::string(kIndent, ' ') + f;
      flush();
    } else if (line.empty()) {
      line = std::string(kIndent, ' ') + f;
    } else {
      line.resize(kIndent + kColumnWidth, ' ');
      line += f;
      flush();
    }
  }
  flush();
}

std::string_view DisplayHeading(ObjectKind object) {
  switch (object) {
    case ObjectKind::kProcess:
      return "AMQ8407I: Display Process details.";
    case ObjectKind::kNamelist:
      return "AMQ8550I: Display namelist details.";
    case ObjectKind::kChannel:
      return "AMQ8414I: Display Channel details.";
    case ObjectKind::kQMgr:
      return "AMQ8408I: Display Queue Manager details.";
    case ObjectKind::kQStatus:
    case ObjectKind::kQStats:
      return "AMQ8450I: Display queue status details.";
    case ObjectKind::kQMStatus:
      return "AMQ8705I: Display Queue Manager Status Details.";
    case ObjectKind::kConn:
      return "AMQ8276I: Display Connection details.";
    case ObjectKind::kChStatus:
      return "AMQ8417I: Display Channel Status details.";
    default:
      return "AMQ8409I: Display Queue details.";
  }
}

std::string SuccessMessage(const CommandResult& r) {
  bool process = r.object == ObjectKind::kProcess;
  if (r.object == ObjectKind::kNamelist) {
    switch (r.verb) {
      case Verb::kDefine:
        return "AMQ8552I: IBM MQ namelist created.";
      case Verb::kAlter:
        return "AMQ8551I: IBM MQ namelist changed.";
      case Verb::kDelete:
        return "AMQ8553I: IBM MQ namelist deleted.";
      default:
        return {};
    }
  }
  if (r.object == ObjectKind::kChannel) {
    switch (r.verb) {
      case Verb::kDefine:
        return "AMQ8014I: IBM MQ channel created.";
      case Verb::kAlter:
        return "AMQ8016I: IBM MQ channel changed.";
      case Verb::kDelete:
        return "AMQ8015I: IBM MQ channel deleted.";
      default:
        return {};
    }
  }
  switch (r.verb) {
    case Verb::kDefine:
      return process ? "AMQ8010I: IBM MQ process created." : "AMQ8006I: IBM MQ queue created.";
    case Verb::kAlter:
      if (r.object == ObjectKind::kQMgr) return "AMQ8005I: IBM MQ queue manager changed.";
      return process ? "AMQ8012I: IBM MQ process changed." : "AMQ8008I: IBM MQ queue changed.";
    case Verb::kDelete:
      return process ? "AMQ8011I: IBM MQ process deleted." : "AMQ8007I: IBM MQ queue deleted.";
    case Verb::kClear:
      return "AMQ8022I: IBM MQ queue cleared.";
    case Verb::kPing:
      return "AMQ8415I: Ping IBM MQ Queue Manager command complete.";
    default:
      return {};
  }
}

std::string FailureMessage(const CommandResult& r) {
  switch (r.reason) {
    case MQRC_UNKNOWN_OBJECT_NAME:
    case MQRCCF_UNKNOWN_OBJECT_NAME:
    case MQRCCF_CHANNEL_NOT_FOUND:
      return "AMQ8147E: IBM MQ object " + r.failed_name + " not found.";
    case MQRCCF_OBJECT_ALREADY_EXISTS:
      return "AMQ8150E: IBM MQ object already exists.";
    case MQRCCF_OBJECT_WRONG_TYPE:
    case MQRCCF_Q_WRONG_TYPE:
    case MQRCCF_CHANNEL_TYPE_ERROR:
      return "AMQ8151E: IBM MQ object has different type.";
    case MQRC_OBJECT_IN_USE:
    case MQRCCF_OBJECT_IN_USE:
    case MQRCCF_OBJECT_OPEN:
      return "AMQ8148E: IBM MQ object in use.";
    case MQRCCF_CHL_STATUS_NOT_FOUND:
      return "AMQ8420I: Channel Status not found.";
    case MQRC_Q_NOT_EMPTY:
      return "AMQ8143E: IBM MQ queue " + r.failed_name + " not empty.";
    default: {
      char text[64];
      std::snprintf(text, sizeof text, "AMQ8101S: IBM MQ error (%X) has occurred.",
                    static_cast<unsigned>(r.reason));
      return text;
    }
  }
}

std::string ValueSyntax(const Keyword& k, bool display) {
  std::string name(k.name);
  if (k.kind == ValueKind::kFlag) {
    return k.choices[1].name.empty() ? name : name + " | " + std::string(k.choices[1].name);
  }
  if (display) return name;
  if (k.kind == ValueKind::kNumber) return name + "( integer )";
  if (k.kind == ValueKind::kString) return name + "( string )";
  if (k.kind == ValueKind::kNameList) return name + "( name , ... )";
  std::string choices;
  for (const ValueName& c : k.choices) {
    choices += (choices.empty() ? "" : " | ") + std::string(c.name);
  }
  if (k.max > 0) choices += " | integer";
  return name + "( " + choices + " )";
}

// The valid syntax of the command that had the error, from the keyword
// tables: the command and its name, its options, then one attribute a line.
std::string SyntaxHelp(Verb verb, ObjectKind object) {
  std::string verb_name(VerbName(verb));
  if (!ValidCommand(verb, object)) {
    std::string objects;
    for (ObjectKind o : {ObjectKind::kQueue, ObjectKind::kQAlias, ObjectKind::kQLocal,
                         ObjectKind::kQModel, ObjectKind::kQRemote, ObjectKind::kQMgr,
                         ObjectKind::kProcess, ObjectKind::kNamelist, ObjectKind::kChannel}) {
      if (ValidCommand(verb, o))
        objects += (objects.empty() ? "" : " | ") + std::string(ObjectName(o));
    }
    return verb_name + (objects.empty() ? "" : " " + objects);
  }
  const bool display = verb == Verb::kDisplay;
  std::string text = verb_name + " " + std::string(ObjectName(object));
  if (object != ObjectKind::kQMgr) {
    std::string name = IsQueue(object)                   ? "q_name"
                       : object == ObjectKind::kNamelist ? "namelist_name"
                       : object == ObjectKind::kChannel  ? "channel_name"
                                                         : "process_name";
    text += "( " + std::string(display ? "generic_" : "") + name + " )";
  }
  std::vector<std::string> options;
  const std::string channel_types = "RCVR | SDR | SVRCONN";
  if (object == ObjectKind::kChannel && (verb == Verb::kDefine || verb == Verb::kAlter)) {
    options.push_back("CHLTYPE( " + channel_types + " )");
  }
  if (verb == Verb::kDefine) {
    options.insert(options.end(), {"LIKE( name )", "NOREPLACE | REPLACE"});
  } else if (verb == Verb::kAlter) {
    options.push_back("FORCE");
  } else if (verb == Verb::kDelete && object == ObjectKind::kQLocal) {
    options = {"NOPURGE | PURGE"};
  } else if (display) {
    options = {"ALL"};
    if (object == ObjectKind::kQueue) {
      options.push_back("TYPE( ALL | QALIAS | QLOCAL | QMODEL | QREMOTE )");
    } else if (object == ObjectKind::kChannel) {
      options.push_back("TYPE( ALL | " + channel_types + " )");
    }
  }
  if (verb == Verb::kDefine || verb == Verb::kAlter || display) {
    unsigned scope = ClassBitOf(object) | kDistributedBit;
    for (const Keyword& k : KeywordsOf(object)) {
      if (InScope(display ? k.shown : k.settable, k.platforms, scope)) {
        options.push_back(ValueSyntax(k, display));
      }
    }
  }
  for (const std::string& o : options) text += "\n   [ " + o + " ]";
  return text;
}

constexpr std::string_view kValidCommands[] = {"ALTER",   "CLEAR", "DEFINE", "DELETE",
                                               "DISPLAY", "END",   "PING"};

}  // namespace

std::vector<std::string> DistributedBlocks(const CommandResult& r) {
  switch (r.status) {
    case Status::kOk:
      if (r.verb == Verb::kDisplay || r.verb == Verb::kReset) {
        std::vector<std::string> blocks;
        for (const auto& fields : r.displayed) {
          std::string block(DisplayHeading(r.object));
          AppendAttributeLines(fields, &block);
          blocks.push_back(std::move(block));
        }
        return blocks;
      }
      return {SuccessMessage(r)};
    case Status::kFailed:
      return {FailureMessage(r)};
    case Status::kSyntaxError:
      return {"AMQ8405I: Syntax error detected at or near end of command segment below:-\n" +
              r.error_segment + "\n\nAMQ8427I: Valid syntax for the MQSC command:\n\n" +
              SyntaxHelp(r.verb, r.object)};
    case Status::kUnknownVerb: {
      std::string text = "AMQ8426I: Valid MQSC commands are:\n";
      for (std::string_view verb : kValidCommands) text += "\n    " + std::string(verb);
      return {text};
    }
    case Status::kEnd:
      break;
  }
  return {};
}

}  // namespace mqemu::mqsc
