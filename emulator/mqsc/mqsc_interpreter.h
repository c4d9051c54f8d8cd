// Runs one MQSC command against a backend and describes the outcome in a
// result that knows no output style: the formatters (mqsc_output.h) write it
// as runmqsc or as a z/OS command server would, so that the Escape command,
// z/OS text requests and the mqemu mqsc subcommand share one interpreter.
#pragma once

#include <cmqc.h>

#include <string>
#include <string_view>
#include <vector>

#include "mqsc/mqsc_backend.h"
#include "mqsc/mqsc_keywords.h"

namespace mqemu::mqsc {

enum class Status {
  kOk,           // the command did what it asked
  kSyntaxError,  // a keyword or value is wrong: see error_segment
  kUnknownVerb,  // the command's first word is no MQSC verb
  kFailed,       // the backend refused it, or DISPLAY found nothing: see reason
  kEnd,          // END: the end of a runmqsc session
};

struct CommandResult {
  Status status = Status::kOk;
  Verb verb = Verb::kNone;
  ObjectKind object = ObjectKind::kNone;
  std::string verb_text;  // the first word as written, upper case
  std::string name;       // the object's name as given, possibly generic
  bool generic = false;
  std::string failed_name;  // the object a failure is about (LIKE's object or name)
  // One entry per object displayed, each its fields in display order:
  // "QUEUE(A.Q)", "TYPE(QLOCAL)", "MAXMSGL(100000)", ...; "\n" ends a line
  // early, "" ends it with a blank line after it.
  std::vector<std::vector<std::string>> displayed;
  std::string error_segment;   // kSyntaxError: the command text up to the error
  std::string error_keyword;   // kSyntaxError: the keyword in error, when known
  MQLONG comp_code = MQCC_OK;  // MQCC_FAILED for every status but kOk and kEnd
  MQLONG reason = MQRC_NONE;   // the backend's reason, or MQRCCF_PARM_SYNTAX_ERROR
};

// Parses and runs one command (text of any length and content; a command may
// span lines).
CommandResult RunCommand(MqscBackend& backend, std::string_view text);

}  // namespace mqemu::mqsc
