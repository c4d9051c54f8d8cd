// Error log file names, the size check, rotation and reopening, and the
// program directory.
#include "log/log_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "log/log_stream.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

constexpr char kQmNameMark[] = "+QMNAME+";
constexpr size_t kQmNameMarkLength = sizeof kQmNameMark - 1;
constexpr char kLogFileNameFormat[] = "CSAGNT_Log%2.2d.txt";
constexpr char kLogFileNamePrefix[] = "CSAGNT_Log";
constexpr size_t kLogFileNamePrefixLength = sizeof kLogFileNamePrefix - 1;

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

// Writes the log directory into `dir` (room for `size` bytes). Returns false
// when logpath holds "+QMNAME+" and the queue manager name is not safe to put
// in: the mark is then left out.
bool ComposeLogDirectory(char* dir, size_t size) {
  const char* logpath = AgentConfig.logpath;
  if (*logpath == '\0') {
    if (Process.ProgramDirectory[0] == '\0') FindProgramDirectory();
    snprintf(dir, size, "%s", Process.ProgramDirectory);
    return true;
  }
  const char* mark = strstr(logpath, kQmNameMark);
  if (mark == nullptr) {
    snprintf(dir, size, "%s", logpath);
    return true;
  }
  const bool safe = IsDirectorySafeQmName(AgentConfig.qmname);
  snprintf(dir, size, "%.*s%s%s", static_cast<int>(mark - logpath), logpath,
           safe ? AgentConfig.qmname : "", mark + kQmNameMarkLength);
  return safe;
}

// ComposeLogFileName, answering as ComposeLogDirectory does.
bool ComposeName(char* buffer, size_t size, int n) {
  char dir[kLogFileNameSize];
  const bool safe = ComposeLogDirectory(dir, sizeof dir);
  const size_t length = strlen(dir);
  const char* join = (length > 0 && dir[length - 1] == '/') ? "" : "/";
  char file[32];
  snprintf(file, sizeof file, kLogFileNameFormat, n);
  snprintf(buffer, size, "%s%s%s", dir, join, file);
  return safe;
}

void ReportQmNameLeftOut() {
  char dir[kLogFileNameSize];
  ComposeLogDirectory(dir, sizeof dir);
  Log(kLevelQuiet, kCsag214E, Printable(AgentConfig.qmname).text(), Printable(dir).text());
}

// The number of error log files rotation works with: numlogfiles, at least
// 1 and at most kMaxLogFiles.
int LogFileCount() {
  if (AgentConfig.numlogfiles < 2) return 1;
  return AgentConfig.numlogfiles > kMaxLogFiles ? kMaxLogFiles : AgentConfig.numlogfiles;
}

// The number n of a directory entry named exactly as error log file n, or 0.
int LogFileNumber(const char* entry) {
  if (strncmp(entry, kLogFileNamePrefix, kLogFileNamePrefixLength) != 0) return 0;
  int n = 0;
  const char* digit = entry + kLogFileNamePrefixLength;
  for (int i = 0; i < 3 && isdigit(static_cast<unsigned char>(*digit)); ++i, ++digit)
    n = n * 10 + (*digit - '0');
  char expected[32];
  snprintf(expected, sizeof expected, kLogFileNameFormat, n);
  return n > 0 && strcmp(expected, entry) == 0 ? n : 0;
}

// Sets present[n] (1 to `files`) for each error log file that the log
// directory holds. When the directory cannot be listed every file counts as
// present, so that the deletion and the renames meet the failure and report
// it.
void FindLogFiles(int files, bool* present) {
  char dir[kLogFileNameSize];
  ComposeLogDirectory(dir, sizeof dir);
  DIR* listing = opendir(dir[0] == '\0' ? "/" : dir);
  for (int n = 1; n <= files; ++n) present[n] = listing == nullptr;
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    const int n = LogFileNumber(entry->d_name);
    if (n >= 1 && n <= files) present[n] = true;
  }
  closedir(listing);
}

// Deletes error log file `n`. Returns false after reporting CSAG206E.
bool DeleteLogFile(int n) {
  char name[kLogFileNameSize];
  ComposeLogFileName(name, sizeof name, n);
  Log(kLevelHigh, kCsag205I, Printable(name).text());
  if (unlink(name) == 0) return true;
  const int error = errno;
  if (OnlyFileMissing(error, name)) return true;
  Log(kLevelQuiet, kCsag206E, Printable(name).text(), error, strerror(error));
  StopIfLogFailFatal();
  return false;
}

// Opens error log file 1 for appending without waiting for a FIFO's reader,
// then lets writes block as usual. Returns the stream, or null with errno set.
FILE* OpenForAppending(const char* name) {
  const int fd =
      open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd < 0) return nullptr;
  const int flags = fcntl(fd, F_GETFL);
  if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  FILE* file = fdopen(fd, "a");
  if (file == nullptr) {
    const int error = errno;
    close(fd);
    errno = error;
  }
  return file;
}

}  // namespace

void StopIfLogFailFatal() {
  if (AgentConfig.AgentFlags & AF_LOGFAILFATAL) RequestStop(kExitFailure);
}

bool IsDirectorySafeQmName(const char* name) {
  const size_t length = strnlen(name, kQNameWidth + 1);
  if (length == 0 || length > kQNameWidth) return false;
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (!isalnum(c) && c != '.' && c != '_' && c != '%') return false;
  }
  return true;
}

void ComposeLogFileName(char* buffer, size_t size, int n) {
  ComposeName(buffer, size, n);
}

bool CheckLogFileSize(FILE* stream) {
  struct stat st;
  if (fstat(fileno(stream), &st) != 0) {
    const int error = errno;
    Log(kLevelQuiet, kCsag209E, "fstat()", error, strerror(error));
    StopIfLogFailFatal();
    return true;
  }
  const uint64_t limit = static_cast<uint32_t>(AgentConfig.maxlogsize);
  return static_cast<uint64_t>(st.st_size) > limit;
}

bool RotateLogFiles(FILE* stream) {
  const int files = LogFileCount();
  bool present[kMaxLogFiles + 1];
  FindLogFiles(files, present);
  // LogLock is held from the close of `stream` until the end, so that no
  // other thread finds LogStream in between.
  bool locked = false;
  if (files == 1) {
    AgentLockAcquire(&LogState.LogLock, &locked);
    CloseLogStream(stream);
  }
  bool ok = !present[files] || DeleteLogFile(files);
  // Numbers without a file cost no system call; file n + 1 has already moved
  // on (or been deleted) when file n takes its name.
  for (int n = files - 1; ok && n >= 1; --n) {
    char from[kLogFileNameSize];
    char to[kLogFileNameSize];
    if (present[n]) {
      ComposeLogFileName(from, sizeof from, n);
      ComposeLogFileName(to, sizeof to, n + 1);
      Log(kLevelHigh, kCsag207I, Printable(from).text(), Printable(to).text());
    }
    if (n == 1) {
      AgentLockAcquire(&LogState.LogLock, &locked);
      CloseLogStream(stream);
    }
    if (!present[n] || rename(from, to) == 0) continue;
    const int error = errno;
    if (OnlyFileMissing(error, from)) continue;
    Log(kLevelQuiet, kCsag208E, Printable(from).text(), Printable(to).text(), error,
        strerror(error));
    StopIfLogFailFatal();
    ok = false;
  }
  AgentLockRelease(&LogState.LogLock, &locked);
  return ok;
}

bool OpenLogFile() {
  char name[kLogFileNameSize];
  const bool qmname_put_in = ComposeName(name, sizeof name, 1);
  // A rotation reopens the file in the same place: the reason is given once.
  const bool report_qmname = !qmname_put_in && !LogState.RotationInProgress;
  FILE* file = OpenForAppending(name);
  if (file == nullptr) {
    const int error = errno;
    if (report_qmname) ReportQmNameLeftOut();
    Log(kLevelQuiet, kCsag204E, Printable(name).text(), error, strerror(error));
    StopIfLogFailFatal();
    return false;
  }
  {
    AgentLockGuard guard(&LogState.LogLock);
    InstallLogStream(file);
    snprintf(LogState.LogFileName, sizeof LogState.LogFileName, "%s", name);
    // Every log file, a rotation's too, begins with the date line.
    LogState.LastDateDay = 0;
  }
  AgentMessage(kLevelQuiet, MSG_NOSTREAM, LogState.LogStream, kCsag210I, Printable(name).text());
  if (report_qmname) ReportQmNameLeftOut();
  return true;
}

bool RotateLogIfDue() {
  AgentLockGuard guard(&LogState.LogLock);
  FILE* current = LogState.LogStream.load();
  if (LogState.RotationInProgress || current == stdout) return false;
  LogState.RotationInProgress = true;
  bool rotated = false;
  if (CheckLogFileSize(current) && !IsStopRequested()) {
    // A rotation that closed file 1 needs file 1 reopened even when another
    // thread asked to stop meanwhile: the final messages belong in the log.
    if (RotateLogFiles(current) || !IsStopRequested()) OpenLogFile();
    rotated = true;
  }
  LogState.RotationInProgress = false;
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
  snprintf(Process.ProgramDirectory, sizeof Process.ProgramDirectory, "%.*s",
           static_cast<int>(dir_length), path);
}
