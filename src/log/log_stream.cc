// LogStream's replacement, with a short memory of the streams closed.
#include "log/log_stream.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "log/message.h"

std::atomic<FILE*> LogStream{stdout};

namespace {

// The addresses of the streams most recently closed, newest first, kept as
// numbers: they are compared, never used. FILE addresses are reused by later
// opens, so a stream is forgotten again when it is installed. Guarded by
// LogLock.
std::array<uintptr_t, 8> Retired{};

uintptr_t Key(FILE* stream) {
  return reinterpret_cast<uintptr_t>(stream);
}

// Call before closing `stream`.
void Retire(FILE* stream) {
  std::copy_backward(Retired.begin(), Retired.end() - 1, Retired.end());
  Retired[0] = Key(stream);
}

void Forget(FILE* stream) {
  std::replace(Retired.begin(), Retired.end(), Key(stream), uintptr_t{0});
}

bool IsRetired(FILE* stream) {
  return std::find(Retired.begin(), Retired.end(), Key(stream)) != Retired.end();
}

}  // namespace

void InstallLogStream(FILE* stream) {
  AgentLockGuard guard(&LogLock);
  FILE* old = LogStream.exchange(stream);
  Forget(stream);
  if (old != nullptr && old != stdout && old != stream) {
    Retire(old);
    fclose(old);
  }
}

void CloseLogStream(FILE* stream) {
  if (stream == nullptr || stream == stdout) return;
  AgentLockGuard guard(&LogLock);
  if (LogStream.load() == stream) LogStream.store(stdout);
  Retire(stream);
  fclose(stream);
}

FILE* LiveStream(FILE* stream) {
  // Standard output passed while a log file is installed was read while the
  // log stood at its fallback (start-up, or a rotation on another thread).
  if (stream != nullptr && stream != stdout && !IsRetired(stream)) return stream;
  FILE* current = LogStream.load();
  return current != nullptr ? current : stdout;
}

void ForgetRetiredStreams() {
  Retired.fill(0);
}
