// IBM MQ's fixed-length character fields (names of 48 characters, formats of
// 8, user identifiers of 12, ...): filling them from texts and reading texts
// back out of them. One set for the agent, the stand-in, its tools, clients,
// benchmarks and tests.
//
// A field is not NUL terminated: it holds exactly `length` characters. IBM MQ
// pads what it writes with blanks; a name ends at its first blank or NUL.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// Copies `text` into the field of `length` characters at `field`, cut to
// the field, and fills the rest with NULs. `text` is read up to its first
// NUL or `length` characters, whichever comes first.
inline void FillNulPadded(char* field, size_t length, const char* text) {
  const size_t n = strnlen(text, length);
  memcpy(field, text, n);
  memset(field + n, 0, length - n);
}

inline void FillNulPadded(char* field, size_t length, std::string_view text) {
  const size_t n = text.size() < length ? text.size() : length;
  memcpy(field, text.data(), n);
  memset(field + n, 0, length - n);
}

// Copies `text` into the field of `length` characters at `field`, cut to
// the field, and fills the rest with blanks, as IBM MQ itself does.
inline void FillBlankPadded(char* field, size_t length, std::string_view text) {
  const size_t n = text.size() < length ? text.size() : length;
  memcpy(field, text.data(), n);
  memset(field + n, ' ', length - n);
}

// The length of the name in a field: its characters up to the first blank
// or NUL.
inline size_t FieldNameLength(const char* field, size_t length) {
  size_t n = 0;
  while (n < length && field[n] != '\0' && field[n] != ' ') ++n;
  return n;
}

// The name in a field (see FieldNameLength).
inline std::string NameInField(const char* field, size_t length) {
  return std::string(field, FieldNameLength(field, length));
}

// `text` without its trailing blanks.
inline std::string TrimTrailingBlanks(std::string_view text) {
  const size_t end = text.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1));
}

// The text in a field: its characters up to the first NUL, without trailing
// blanks. Unlike a name, the text may hold blanks of its own.
inline std::string TextInField(const char* field, size_t length) {
  return TrimTrailingBlanks(std::string_view(field, strnlen(field, length)));
}

// Copies at most `width` characters of the NUL-terminated `text` into
// `dest`, which has room for width + 1, and terminates it.
inline void CopyTerminated(char* dest, size_t width, const char* text) {
  const size_t n = strnlen(text, width);
  memcpy(dest, text, n);
  dest[n] = '\0';
}

// Copies the name in a field of `width` characters (see FieldNameLength)
// into `dest`, which has room for width + 1, and terminates it.
inline void CopyNameTerminated(char* dest, size_t width, const char* field) {
  const size_t n = FieldNameLength(field, width);
  memcpy(dest, field, n);
  dest[n] = '\0';
}
