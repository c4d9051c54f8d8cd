// MQSC commands as runmqsc reads them from a file or standard input: one
// command a line, a line ending in '-' continued by the whole next line, one
// ending in '+' by the next line from its first non-blank character;
// blank lines and lines whose first non-blank character is '*' (comments)
// left out; and runmqsc's closing lines after their answers.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "batch.h"

namespace query {

struct ScriptCommand {
  std::string text;  // the command, its continuations joined
  size_t line = 0;   // the line it starts on, from 1
};

// The commands of `in`, in order. A continuation on the last line ends the
// command there.
std::vector<ScriptCommand> ReadMqscScript(std::istream& in);

// Writes runmqsc's closing lines for the answers of `jobs`: the commands
// read, those with a syntax error, and whether every valid one was processed.
void PrintScriptSummary(std::ostream& out, const std::vector<const Job*>& jobs);

}  // namespace query
