// Reading MQSC commands with runmqsc's continuations and comments.
#include "script.h"

#include <ostream>

#include "pcf/pcf_format.h"

namespace query {

std::vector<ScriptCommand> ReadMqscScript(std::istream& in) {
  std::vector<ScriptCommand> commands;
  std::string line;
  ScriptCommand command;
  bool continued = false;   // the command goes on on this line
  bool from_first = false;  // ... from its first character ('-')
  for (size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    if (!continued) {
      if (first == std::string::npos || line[first] == '*') continue;
      command = ScriptCommand{"", number};
      line.erase(0, first);
    } else if (!from_first) {
      line.erase(0, first == std::string::npos ? line.size() : first);
    }
    continued = !line.empty() && (line.back() == '+' || line.back() == '-');
    if (continued) {
      from_first = line.back() == '-';
      line.pop_back();
    }
    command.text += line;
    if (!continued) commands.push_back(std::move(command));
  }
  if (continued && !command.text.empty()) commands.push_back(std::move(command));
  return commands;
}

void PrintScriptSummary(std::ostream& out, const std::vector<const Job*>& jobs) {
  size_t syntax = 0, failed = 0;
  for (const Job* job : jobs) {
    bool syntax_error = false;
    for (const pcf::PcfResponse& r : job->answer.responses) {
      for (const pcf::PcfParameter& p : r.message.parameters) {
        if (p.parameter == MQCACF_ESCAPE_TEXT && p.text.starts_with("AMQ8405I"))
          syntax_error = true;
      }
    }
    if (syntax_error) {
      ++syntax;
    } else if (!job->put || ExitStatusOf(job->answer) != kExitOk) {
      ++failed;
    }
  }
  auto count = [](size_t n, const char* one, const char* many) {
    return n == 1 ? std::string("One ") + one : std::to_string(n) + " " + many;
  };
  out << count(jobs.size(), "MQSC command read.", "MQSC commands read.") << "\n";
  out << (syntax == 0
              ? "No commands have a syntax error."
              : count(syntax, "command has a syntax error.", "commands have a syntax error."))
      << "\n";
  out << (failed == 0 ? "All valid MQSC commands were processed."
                      : count(failed, "valid MQSC command could not be processed.",
                              "valid MQSC commands could not be processed."))
      << "\n";
}

}  // namespace query
