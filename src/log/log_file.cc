// Error log file names, the size check, rotation and reopening, and the
// program directory.
#include "log/log_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "agent/process_state.h"
#include "config/settings.h"
#include "log/log_stream.h"
#include "log/message.h"

char ProgramDirectory[kProgramDirectorySize];

namespace {

constexpr char kQmNameMark[] = "+QMNAME+";
constexpr size_t kQmNameMarkLength = sizeof kQmNameMark - 1;

// Set while a thread checks the size or rotates. Guarded by LogLock: only the
// thread holding LogLock can see it set, so it keeps the messages that the
// rotation itself writes from starting another rotation, while other threads
// wait for LogLock. (The shared AgentFlags word is not written for this: the
// consumer threads read it without a lock.)
bool RotationInProgress = false;

void StopIfLogFailFatal() {
  if (AgentConfig.AgentFlags & AF_LOGFAILFATAL) RequestStop(kExitFailure);
}

// True when a failed unlink or rename of `path` only found no file there. A
// missing directory is a failure like any other, although Linux answers
// ENOENT for it too.
bool OnlyFileMissing(int error, const char* path) {
  if (error != ENOENT) return false;
  std::string dir(path);
  const size_t slash = dir.rfind('/');
  dir = (slash == std::string::npos) ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
  struct stat st;
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Deletes error log file `n`. Returns false after reporting CSAG206E.
bool DeleteLogFile(int n) {
  char name[kLogFileNameSize];
  ComposeLogFileName(name, sizeof name, n);
  AgentMessage(kLevelHigh, MSG_ORDINARY, LogStream, "CSAG205I Deleting old error log file '%s'\n",
               name);
  if (unlink(name) == 0) return true;
  const int error = errno;
  if (OnlyFileMissing(error, name)) return true;
  AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
               "CSAG206E Unable to delete old error log file '%s' rc=%d (%s)\n", name, error,
               strerror(error));
  StopIfLogFailFatal();
  return false;
}

}  // namespace

void ComposeLogFileName(char* buffer, size_t size, int n) {
  const char* logpath = AgentConfig.logpath;
  char dir[kLogFileNameSize];
  if (*logpath != '\0') {
    const char* mark = strstr(logpath, kQmNameMark);
    if (mark != nullptr) {
      snprintf(dir, sizeof dir, "%.*s%s%s", static_cast<int>(mark - logpath), logpath,
               AgentConfig.qmname, mark + kQmNameMarkLength);
    } else {
      snprintf(dir, sizeof dir, "%s", logpath);
    }
  } else {
    if (ProgramDirectory[0] == '\0') FindProgramDirectory();
    snprintf(dir, sizeof dir, "%s", ProgramDirectory);
  }
  const size_t length = strlen(dir);
  const char* join = (length > 0 && dir[length - 1] == '/') ? "" : "/";
  snprintf(buffer, size, "%s%sCSAGNT_Log%2.2d.txt", dir, join, n);
}

bool CheckLogFileSize(FILE* stream) {
  struct stat st;
  if (fstat(fileno(stream), &st) != 0) {
    const int error = errno;
    AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
                 "CSAG209E Error log File access with %s failed. rc=%d (%s)\n", "fstat()", error,
                 strerror(error));
    StopIfLogFailFatal();
    return true;
  }
  const uint64_t limit = static_cast<uint32_t>(AgentConfig.maxlogsize);
  return static_cast<uint64_t>(st.st_size) > limit;
}

bool RotateLogFiles(FILE* stream) {
  const int files = AgentConfig.numlogfiles < 2 ? 1 : AgentConfig.numlogfiles;
  // LogLock is held from the close of `stream` until the end, so that no
  // other thread finds LogStream in between.
  bool locked = false;
  if (files == 1) {
    AgentLockAcquire(&LogLock, &locked);
    CloseLogStream(stream);
  }
  bool ok = DeleteLogFile(files);
  for (int n = files - 1; ok && n >= 1; --n) {
    char from[kLogFileNameSize];
    char to[kLogFileNameSize];
    ComposeLogFileName(from, sizeof from, n);
    ComposeLogFileName(to, sizeof to, n + 1);
    AgentMessage(kLevelHigh, MSG_ORDINARY, LogStream,
                 "CSAG207I Renaming old error log file '%s' to '%s'\n", from, to);
    if (n == 1) {
      AgentLockAcquire(&LogLock, &locked);
      CloseLogStream(stream);
    }
    if (rename(from, to) != 0) {
      const int error = errno;
      if (OnlyFileMissing(error, from)) continue;
      AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
                   "CSAG208E Unable to rename old error log file '%s' to '%s' rc=%d (%s)\n", from,
                   to, error, strerror(error));
      StopIfLogFailFatal();
      ok = false;
    }
  }
  AgentLockRelease(&LogLock, &locked);
  return ok;
}

bool OpenLogFile() {
  char name[kLogFileNameSize];
  ComposeLogFileName(name, sizeof name, 1);
  FILE* file = fopen(name, "ae");
  if (file == nullptr) {
    const int error = errno;
    AgentMessage(kLevelQuiet, MSG_ORDINARY, LogStream,
                 "CSAG204E Unable to open error log file '%s' rc=%d (%s)\n", name, error,
                 strerror(error));
    StopIfLogFailFatal();
    return false;
  }
  InstallLogStream(file);
  AgentMessage(kLevelQuiet, MSG_NOSTREAM, LogStream, "CSAG210I Logging to '%s'\n", name);
  return true;
}

bool RotateLogIfDue() {
  AgentLockGuard guard(&LogLock);
  FILE* current = LogStream.load();
  if (RotationInProgress || current == stdout) return false;
  RotationInProgress = true;
  bool rotated = false;
  if (CheckLogFileSize(current) && !IsStopRequested()) {
    // A rotation that closed file 1 needs file 1 reopened even when another
    // thread asked to stop meanwhile: the final messages belong in the log.
    if (RotateLogFiles(current) || !IsStopRequested()) OpenLogFile();
    rotated = true;
  }
  RotationInProgress = false;
  return rotated;
}

void FindProgramDirectory() {
  char path[kProgramDirectorySize];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length < 0 || static_cast<size_t>(length) >= sizeof path) {
    snprintf(path, sizeof path, "GetModuleName RC(%d)", length < 0 ? errno : ENAMETOOLONG);
  } else {
    path[length] = '\0';
  }
  // The directory is what precedes the last '/', the first character not
  // examined: "/csagnt" gives an empty directory, and so "/" for the files.
  const char* slash = path[0] == '\0' ? nullptr : strrchr(path + 1, '/');
  const size_t dir_length = slash == nullptr ? 0 : static_cast<size_t>(slash - path);
  snprintf(ProgramDirectory, sizeof ProgramDirectory, "%.*s", static_cast<int>(dir_length), path);
}
