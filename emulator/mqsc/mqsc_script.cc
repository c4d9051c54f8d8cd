// Joining runmqsc input lines into commands.
#include "mqsc/mqsc_script.h"

namespace mqemu::mqsc {
namespace {

std::string TrimmedRight(std::string line) {
  size_t end = line.find_last_not_of(" \t\r");
  line.resize(end == std::string::npos ? 0 : end + 1);
  return line;
}

}  // namespace

bool ScriptReader::Next(ScriptCommand* out) {
  *out = ScriptCommand{};
  std::string line;
  bool from_first_nonblank = false;
  while (std::getline(*in_, line)) {
    line = TrimmedRight(std::move(line));
    out->lines.push_back(line);
    const bool first = out->lines.size() == 1;
    if (first && (line.empty() || line[0] == '*')) return true;
    std::string_view part = line;
    if (from_first_nonblank) {
      size_t start = part.find_first_not_of(" \t");
      part.remove_prefix(start == std::string_view::npos ? part.size() : start);
    }
    char last = part.empty() ? '\0' : part.back();
    if (last != '-' && last != '+') {
      out->text += part;
      return true;
    }
    part.remove_suffix(1);
    out->text += part;
    from_first_nonblank = last == '+';
  }
  return !out->lines.empty();
}

}  // namespace mqemu::mqsc
