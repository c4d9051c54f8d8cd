// AgentMessage: level test, log rotation, time stamp, status-line erasure,
// date line, the line itself, its console echo, and the answer to a write
// that the error log did not take.
//
// LogLock is held from the size check to the echo, so that one message's
// output is never interleaved with another's and no thread writes to a
// stream that a rotation on another thread is replacing.
#include "log/message.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include "log/console.h"
#include "log/log_file.h"
#include "log/log_stream.h"
#include "log/message_texts.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

constexpr int kPrefixLength = 11;

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Writes the CSAG002I date line for `local` to `stream`. Under LogLock.
void WriteDateLine(FILE* stream, const tm& local) {
  char date[32];
  snprintf(date, sizeof date, "%.3s %.3s%3d %d", kWeekdays[local.tm_wday], kMonths[local.tm_mon],
           local.tm_mday, local.tm_year + 1900);
  fprintf(stream, kCsag002I, date);
  LogState.LastDateDay = local.tm_mday;
}

// The outcome of the writes to `stream` since `errno` was cleared: 0, or the
// error of the failed write or flush. Clears the stream's error state.
int FlushOutcome(FILE* stream) {
  const bool failed = fflush(stream) != 0 || ferror(stream);
  const int error = errno;
  clearerr(stream);
  if (!failed) return 0;
  return error != 0 ? error : EIO;
}

// Answers a write to the error log: the first failure of an episode is
// reported on standard output (the message about it must not go to the log
// that failed) and is a log failure like any other.
void NoteLogWrite(int error) {
  if (error == 0) {
    LogState.LogWriteFailing = false;
    return;
  }
  if (LogState.LogWriteFailing) return;
  LogState.LogWriteFailing = true;
  AgentMessage(kLevelQuiet, MSG_STDOUT, stdout, kCsag211E, Printable(LogState.LogFileName).text(),
               error, strerror(error));
  StopIfLogFailFatal();
}

void WriteMessage(int level, int destination, FILE* stream, const char* format, va_list args) {
  const bool console = (AgentConfig.AgentFlags & AF_NOCONSOLE) == 0;
  if (level > AgentConfig.verbose) return;

  AgentLockGuard guard(&LogState.LogLock);
  const bool stdout_only = (destination & MSG_STDOUT) != 0;
  const bool to_stream = (destination & MSG_NOSTREAM) == 0 && !stdout_only;
  if (to_stream && RotateLogIfDue()) stream = LogState.LogStream.load();
  FILE* out = stdout_only ? stdout : LiveStream(stream);
  // Echoed to the console unless the message goes there anyway (before the
  // log file is open, messages reach the console once, as the stream).
  const bool echo = console && (destination & MSG_NOECHO) == 0 && out != stdout;

  const time_t now = time(nullptr);
  Process.CurrentTime.store(now, std::memory_order_relaxed);
  tm local;
  const bool known = localtime_r(&now, &local) != nullptr;
  char prefix[kPrefixLength + 1];
  if (known) {
    snprintf(prefix, sizeof prefix, "[%2.2d:%2.2d:%2.2d] ", local.tm_hour, local.tm_min,
             local.tm_sec);
  } else {
    memset(prefix, ' ', kPrefixLength);
    prefix[kPrefixLength] = '\0';
  }

  const int status_line = Process.StatusLineLength.load(std::memory_order_relaxed);
  if (console && status_line > 0) EraseStatusLine(status_line, true);

  errno = 0;
  if (known && (destination & (MSG_NODATE | MSG_STDOUT)) == 0 &&
      (LogState.LastDateDay == 0 || LogState.LastDateDay != local.tm_mday)) {
    WriteDateLine(out, local);
  }

  char text[kMaxMessageLength + 1];
  const int length = vsnprintf(text, sizeof text, format, args);
  if (length < 0) {
    text[0] = '\0';
  } else if (length > kMaxMessageLength) {
    // Every message ends its line; a cut one still does.
    text[kMaxMessageLength - 1] = '\n';
  }

  if (to_stream || stdout_only) fprintf(out, "%11.11s%s", prefix, text);
  bool to_console = echo;
  if (out != stdout) {
    const int error = FlushOutcome(out);
    NoteLogWrite(error);
    // A message that the log did not take is not lost: it goes to standard
    // output, where the failure was reported.
    if (error != 0 && to_stream) to_console = true;
  }
  if (to_console) fprintf(stdout, "%11.11s%s", prefix, text);
  fflush(stdout);
}

}  // namespace

void AgentMessage(int level, int destination, FILE* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteMessage(level, destination, stream, format, args);
  va_end(args);
}

void Log(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteMessage(level, MSG_ORDINARY, LogState.LogStream.load(), format, args);
  va_end(args);
}
