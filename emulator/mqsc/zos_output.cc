// The z/OS style of MQSC output: CSQ messages with the command prefix, one
// message a reply, framed by the CSQN205I count and the CSQ9022I / CSQ9023E
// completion message. The name in the completion message is the module of
// the queue manager that ran the command, as z/OS reports it.
#include <algorithm>
#include <cstdio>

#include "mqsc/mqsc_output.h"
#include "pcf/pcf_format.h"

namespace mqemu::mqsc {
namespace {

std::string_view ModuleOf(const CommandResult& r) {
  if (r.status == Status::kSyntaxError || r.status == Status::kUnknownVerb) return "CSQ9SCND";
  switch (r.verb) {
    case Verb::kDefine:
      return "CSQMAQLC";
    case Verb::kAlter:
      return "CSQMMQLC";
    case Verb::kDelete:
      return "CSQMUQLC";
    case Verb::kClear:
      return "CSQMCLMQ";
    case Verb::kPing:
      return "CSQMPING";
    default:
      return "CSQMDRTS";
  }
}

// The command as the completion message names it: " DISPLAY QUEUE".
std::string CommandName(const CommandResult& r) {
  if (r.verb == Verb::kNone) return " " + r.verb_text;
  std::string name = " " + std::string(VerbName(r.verb));
  if (r.object != ObjectKind::kNone) name += " " + std::string(ObjectName(r.object));
  return name;
}

std::string Hex8(MQLONG value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// The object a failure is about, as z/OS names it: "QLOCAL(A.Q) QSGDISP(QMGR)".
std::string FailedObject(const CommandResult& r) {
  return std::string(ObjectName(r.object)) + "(" + r.failed_name + ") QSGDISP(QMGR)";
}

// The item messages of a failure, and whether it is an abnormal completion.
bool AppendFailure(const CommandResult& r, const std::string& lead, std::vector<std::string>* out) {
  std::string module(ModuleOf(r));
  bool not_found = r.reason == MQRC_UNKNOWN_OBJECT_NAME || r.reason == MQRCCF_UNKNOWN_OBJECT_NAME ||
                   r.reason == MQRCCF_CHANNEL_NOT_FOUND;
  if (not_found && r.verb == Verb::kDisplay && r.generic) {
    std::string noun = r.object == ObjectKind::kProcess    ? "PROCESS"
                       : r.object == ObjectKind::kNamelist ? "NAMELIST"
                       : r.object == ObjectKind::kChannel  ? "CHANNEL"
                                                           : "QUEUE";
    out->push_back("CSQM297I " + lead + module + " NO " + noun +
                   " FOUND MATCHING REQUEST CRITERIA");
    return false;
  }
  MQLONG code = r.reason;
  if (not_found) {
    out->push_back("CSQM125I " + lead + module + " " + FailedObject(r) + " WAS NOT FOUND");
    code = 0x00D44002;
  } else if (r.reason == MQRCCF_OBJECT_ALREADY_EXISTS) {
    out->push_back("CSQM095I " + lead + module + " " + FailedObject(r) + " ALREADY EXISTS");
    code = 0x00D44003;
  } else if (r.reason == MQRC_OBJECT_IN_USE || r.reason == MQRCCF_OBJECT_IN_USE ||
             r.reason == MQRCCF_OBJECT_OPEN) {
    out->push_back("CSQM101I " + lead + module + " " + FailedObject(r) + " IS CURRENTLY IN USE");
    code = 0x00D44004;
  } else if (r.reason == MQRCCF_OBJECT_WRONG_TYPE || r.reason == MQRCCF_Q_WRONG_TYPE) {
    out->push_back("CSQM127I " + lead + module + " " + r.failed_name + " IS WRONG TYPE");
  } else if (r.reason == MQRC_Q_NOT_EMPTY) {
    out->push_back("CSQM150I " + lead + module + " " + FailedObject(r) + " IS NOT EMPTY");
  }
  out->push_back("CSQM090E " + lead + module + " FAILURE REASON CODE X'" + Hex8(code) + "'");
  return true;
}

}  // namespace

std::vector<std::string> ZosMessages(const CommandResult& r, std::string_view command_prefix) {
  const std::string lead = std::string(command_prefix) + " ";
  std::vector<std::string> out;
  bool abnormal = false;
  switch (r.status) {
    case Status::kOk:
      for (const auto& fields : r.displayed) {
        // Queues, channels, processes and namelists carry their disposition
        // after their identity (a queue's and a channel's with its type).
        std::vector<std::string> shown = fields;
        bool named = r.object == ObjectKind::kProcess || r.object == ObjectKind::kNamelist;
        size_t identity = IsQueue(r.object) || r.object == ObjectKind::kChannel ? 2 : named ? 1 : 0;
        if (identity > 0) {
          shown.insert(shown.begin() + std::min(identity, shown.size()), "QSGDISP(QMGR)");
        }
        std::string_view id = IsStatus(r.object)                  ? "CSQM201I "
                              : r.object == ObjectKind::kProcess  ? "CSQM408I "
                              : r.object == ObjectKind::kNamelist ? "CSQM407I "
                              : r.object == ObjectKind::kChannel  ? "CSQM415I "
                                                                  : "CSQM409I ";
        std::string text = std::string(id) + lead;
        // One line: the marks that end lines of the distributed layout go.
        bool first = true;
        for (const std::string& field : shown) {
          if (field.empty() || field == "\n") continue;
          text += (first ? "" : " ") + field;
          first = false;
        }
        out.push_back(std::move(text));
      }
      break;
    case Status::kFailed:
      abnormal = AppendFailure(r, lead, &out);
      break;
    case Status::kSyntaxError:
      out.push_back(r.error_keyword.empty()
                        ? "CSQ9002E " + lead + "UNBALANCED PARENTHESES OR APOSTROPHES IN COMMAND"
                        : "CSQ9001E " + lead + "'" + r.error_keyword + "' KEYWORD IS INVALID");
      abnormal = true;
      break;
    case Status::kUnknownVerb:
      out.push_back("CSQ9001E " + lead + "'" + r.verb_text + "' VERB IS INVALID");
      abnormal = true;
      break;
    case Status::kEnd:
      break;
  }
  out.push_back((abnormal ? "CSQ9023E " : "CSQ9022I ") + lead + std::string(ModuleOf(r)) + " '" +
                CommandName(r) + (abnormal ? "' ABNORMAL COMPLETION" : "' NORMAL COMPLETION"));
  return out;
}

std::string ZosCountMessage(size_t count, MQLONG return_code, MQLONG reason_code) {
  char text[80];
  std::snprintf(text, sizeof text, "CSQN205I   COUNT=%8zu, RETURN=%s, REASON=%s", count,
                Hex8(return_code).c_str(), Hex8(reason_code).c_str());
  return text;
}

std::vector<ZosReply> ZosReplySet(const CommandResult& result, std::string_view command_prefix) {
  std::vector<std::string> messages = ZosMessages(result, command_prefix);
  std::vector<ZosReply> set;
  set.push_back({MQFMT_COMMAND_1, ZosCountMessage(messages.size() + 1, 0, 0)});
  for (std::string& m : messages) set.push_back({MQFMT_COMMAND_2, std::move(m)});
  return set;
}

}  // namespace mqemu::mqsc
