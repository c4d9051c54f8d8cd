// Reading MQSC commands with runmqsc's continuations and comments.
#include "script.h"

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

}  // namespace query
