// Outside data made presentable in messages: text made safe for the console
// and the log, identifiers in hexadecimal.
#include <algorithm>
#include <cstring>

#include "log/message.h"

char* PrintableCopy(char* dest, size_t size, const char* src, size_t len) {
  if (size == 0) return dest;
  const size_t n = std::min(len, size - 1);
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(src[i]);
    dest[i] = (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '.';
  }
  dest[n] = '\0';
  return dest;
}

Printable::Printable(const char* text) {
  PrintableCopy(text_, sizeof text_, text, strnlen(text, kMaxMessageLength));
}

char* FormatHexId(const unsigned char* id, size_t size, char* out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (size_t i = 0; i < size; ++i) {
    out[2 * i] = kDigits[id[i] >> 4];
    out[2 * i + 1] = kDigits[id[i] & 0xF];
  }
  out[2 * size] = '\0';
  return out;
}
