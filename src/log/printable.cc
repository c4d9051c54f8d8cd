// PrintableCopy: client-supplied text made safe for the console and the log.
#include <algorithm>

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
