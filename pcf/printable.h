// Text from outside (a message, the command line, the environment) made
// safe to show on a terminal: every byte outside printable ASCII becomes
// '.', so that nobody can put control sequences or forged lines on the
// screen of whoever reads the output. One rule for the tools, the stand-in
// and its client library.
#pragma once

#include <string>
#include <string_view>

// The byte as shown: itself when it is printable ASCII, else '.'.
constexpr char PrintableByte(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x20 && u < 0x7f ? c : '.';
}

// `text` with each byte made printable; with `keep_line_ends`, the '\n'
// bytes that break a multi-line text stay.
inline std::string PrintableText(std::string_view text, bool keep_line_ends = false) {
  std::string out(text.size(), '.');
  for (size_t i = 0; i < text.size(); ++i) {
    out[i] = keep_line_ends && text[i] == '\n' ? '\n' : PrintableByte(text[i]);
  }
  return out;
}
