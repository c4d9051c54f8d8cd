// The trap file and the breakpoint.
#include "cs/cs_trap.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The support library's module name and the text that identifies its build.
constexpr const char* kModuleName = "cs";
constexpr const char* kBuildText = "CSAGNT support library, built " __DATE__ " " __TIME__;

}  // namespace

void CSTrapFileName(char* path, size_t size) {
  const char* dir = getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') dir = "/tmp";
  const size_t len = strlen(dir);
  const char* join = (len > 0 && dir[len - 1] == '/') ? "" : "/";
  snprintf(path, size, "%s%scstrap.txt", dir, join);
}

void CSTrap(int line, int value) {
  char path[4096];
  CSTrapFileName(path, sizeof path);
  if (FILE* file = fopen(path, "w")) {
    fprintf(file, "cstrap line %d file %s (%s) value %d\n", line, kModuleName, kBuildText, value);
    fclose(file);
  }
  raise(SIGTRAP);
}
