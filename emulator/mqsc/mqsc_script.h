// Reads MQSC commands from lines of input as runmqsc does:
//   - a line whose first character is '*' is a comment, and a blank line is
//     nothing; both are passed on so that they can be echoed;
//   - a line ending (after trailing blanks) in '-' continues with the next
//     line from its first column, one ending in '+' continues with the next
//     line from its first non-blank character; the '-' or '+' is dropped.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace mqemu::mqsc {

struct ScriptCommand {
  std::vector<std::string> lines;  // the input lines as read, trailing blanks removed
  std::string text;                // the command joined from them; empty for a comment or blank
};

class ScriptReader {
 public:
  // *in must remain live while this reader is in use.
  explicit ScriptReader(std::istream* in) : in_(in) {}
  ScriptReader(const ScriptReader&) = delete;
  ScriptReader& operator=(const ScriptReader&) = delete;

  // Reads the next command, comment or blank line; false at the end of the
  // input. A continuation cut short by the end of the input ends the command.
  bool Next(ScriptCommand* out);

 private:
  std::istream* in_;
};

}  // namespace mqemu::mqsc
