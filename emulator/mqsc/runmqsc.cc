// runmqsc's session output around the interpreter.
#include "mqsc/runmqsc.h"

#include <cstdio>
#include <string>

#include "mqsc/mqsc_interpreter.h"
#include "mqsc/mqsc_output.h"
#include "mqsc/mqsc_script.h"

namespace mqemu::mqsc {
namespace {

// runmqsc's counted sentences: "No ...", "One ...", "n ...".
std::string Counted(int n, std::string_view none, std::string_view one, std::string_view many) {
  if (n == 0) return std::string(none);
  if (n == 1) return std::string(one);
  return std::to_string(n) + std::string(many);
}

}  // namespace

int RunScript(MqscBackend& backend, std::string_view qmgr_name, std::istream* in,
              std::ostream* out) {
  *out << "5724-H72 (C) Copyright IBM Corp. 1994, 2024.\n"
       << "Starting MQSC for queue manager " << qmgr_name << ".\n\n\n";
  ScriptReader reader(in);
  ScriptCommand command;
  int read = 0, syntax_errors = 0, failures = 0;
  bool ended = false;
  while (!ended && reader.Next(&command)) {
    for (size_t i = 0; i < command.lines.size(); ++i) {
      char number[16] = "      ";
      if (i == 0 && !command.text.empty()) std::snprintf(number, sizeof number, "%6d", read + 1);
      *out << number << " : " << command.lines[i] << "\n";
    }
    if (command.text.find_first_not_of(" \t") == std::string::npos) continue;
    ++read;
    CommandResult result = RunCommand(backend, command.text);
    if (result.status == Status::kSyntaxError || result.status == Status::kUnknownVerb) {
      ++syntax_errors;
    } else if (result.status == Status::kFailed) {
      ++failures;
    }
    ended = result.status == Status::kEnd;
    for (const std::string& block : DistributedBlocks(result)) *out << block << "\n";
  }
  *out << Counted(read, "No MQSC commands read.", "One MQSC command read.", " MQSC commands read.")
       << "\n"
       << Counted(syntax_errors, "No commands have a syntax error.",
                  "One command has a syntax error.", " commands have a syntax error.")
       << "\n"
       << Counted(failures, "All valid MQSC commands were processed.",
                  "One valid MQSC command could not be processed.",
                  " valid MQSC commands could not be processed.")
       << "\n";
  return syntax_errors + failures == 0 ? 0 : 10;
}

}  // namespace mqemu::mqsc
