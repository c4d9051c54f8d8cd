// Filling IBM MQ's fixed-length character fields (names of 48 characters,
// formats of 8) from the agent's NUL-terminated texts.
#pragma once

#include <cstddef>
#include <cstring>

// Copies `text` into the field of `length` characters at `field`, cut to
// the field and NUL filled after it (IBM MQ ends a name at its first NUL or
// blank). The field is not terminated when the text fills it.
inline void FillMqField(char* field, size_t length, const char* text) {
  const size_t n = strnlen(text, length);
  memcpy(field, text, n);
  memset(field + n, 0, length - n);
}
