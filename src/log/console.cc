// The backspace-based erasure of the status line.
#include "log/console.h"

#include <cstdio>

namespace {

void WriteRepeated(char c, int count) {
  for (int i = 0; i < count; ++i) fputc(c, stdout);
}

}  // namespace

void EraseStatusLine(int count, bool blank) {
  if (count <= 0) return;
  WriteRepeated('\b', count);
  if (blank) {
    WriteRepeated(' ', count);
    WriteRepeated('\b', count);
  }
}
