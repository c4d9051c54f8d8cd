// Outside data made presentable in messages: text made safe for the console
// and the log, identifiers in hexadecimal, a client's queue by its display
// name.
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

namespace {

// The length of a name of up to 48 characters without its trailing NULs,
// tabs, line feeds and blanks; a name ends at its first NUL in any case.
size_t NameLength(const char* name) {
  size_t n = strnlen(name, kQNameFieldLength);
  while (n > 0 && (name[n - 1] == ' ' || name[n - 1] == '\t' || name[n - 1] == '\n')) --n;
  return n;
}

}  // namespace

char* FormatQName(const char* qmgr, const char* queue, char* out) {
  char* end = out;
  if (qmgr[0] != '\0') {
    const size_t n = NameLength(qmgr);
    PrintableCopy(end, n + 1, qmgr, n);
    end += n;
    *end++ = '/';
  }
  const size_t n = NameLength(queue);
  PrintableCopy(end, n + 1, queue, n);
  return out;
}
