// LogStream's replacement, with a short memory of the streams closed.
#include "log/log_stream.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "log/message.h"

namespace {

// The streams most recently closed are remembered in Retired. FILE
// addresses are reused by later opens, so a stream is forgotten again when
// it is installed.

uintptr_t Key(FILE* stream) {
  return reinterpret_cast<uintptr_t>(stream);
}

// Call before closing `stream`.
void Retire(FILE* stream) {
  std::copy_backward(LogState.Retired.begin(), LogState.Retired.end() - 1, LogState.Retired.end());
  LogState.Retired[0] = Key(stream);
}

void Forget(FILE* stream) {
  std::replace(LogState.Retired.begin(), LogState.Retired.end(), Key(stream), uintptr_t{0});
}

bool IsRetired(FILE* stream) {
  return std::find(LogState.Retired.begin(), LogState.Retired.end(), Key(stream)) !=
         LogState.Retired.end();
}

}  // namespace

void InstallLogStream(FILE* stream) {
  AgentLockGuard guard(&LogState.LogLock);
  FILE* old = LogState.LogStream.exchange(stream);
  Forget(stream);
  if (old != nullptr && old != stdout && old != stream) {
    Retire(old);
    fclose(old);
  }
}

void CloseLogStream(FILE* stream) {
  if (stream == nullptr || stream == stdout) return;
  AgentLockGuard guard(&LogState.LogLock);
  if (LogState.LogStream.load() == stream) LogState.LogStream.store(stdout);
  Retire(stream);
  fclose(stream);
}

FILE* LiveStream(FILE* stream) {
  // Standard output passed while a log file is installed was read while the
  // log stood at its fallback (start-up, or a rotation on another thread).
  if (stream != nullptr && stream != stdout && !IsRetired(stream)) return stream;
  FILE* current = LogState.LogStream.load();
  return current != nullptr ? current : stdout;
}
