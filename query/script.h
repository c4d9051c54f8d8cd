// MQSC commands as runmqsc reads them from a file or standard input: one
// command a line, a line ending in '-' continued by the whole next line, one
// ending in '+' by the next line from its first non-blank character;
// blank lines and lines whose first non-blank character is '*' (comments)
// left out.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace query {

struct ScriptCommand {
  std::string text;  // the command, its continuations joined
  size_t line = 0;   // the line it starts on, from 1
};

// The commands of `in`, in order. A continuation on the last line ends the
// command there.
std::vector<ScriptCommand> ReadMqscScript(std::istream& in);

}  // namespace query
