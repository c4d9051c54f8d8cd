// The one message function. Every message of the agent, numbered or not, is
// written through AgentMessage: it filters by verbose level, puts the time of
// day in front, writes the CSAG002I date line when the day changes, writes to
// the error log (or standard output before the log is open), echoes to the
// console, erases the status line first, and rotates the error log files
// when they have outgrown maxlogsize. A message the error log does not take
// (a failed write or flush) goes to standard output instead.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>

#include "log/log_state.h"

// Verbose levels.
constexpr int kLevelQuiet = 0;   // errors and what must always show
constexpr int kLevelLow = 1;     // start-up details, status report
constexpr int kLevelMedium = 2;  // a line per command and per completed request
constexpr int kLevelHigh = 3;    // per-reply detail, retries, rotation steps

// Destination flags (a bit set).
constexpr int MSG_ORDINARY = 1;  // no special handling
constexpr int MSG_NOSTREAM = 2;  // console echo only; no size check or rotation
constexpr int MSG_NOECHO = 4;    // not echoed to the console
constexpr int MSG_NODATE = 8;    // never causes the date line
constexpr int MSG_STDOUT = 16;   // standard output only, whatever the console setting and the
                                 // stream; no date line, size check or rotation (the error
                                 // log's reports about itself)

// Writes one message. `stream` is the caller's LogStream; after a rotation
// the message goes to the newly installed stream instead, and so does a
// message whose stream was closed by an earlier rotation. The formatted text
// is cut at 1999 characters, the last of them then a line feed.
// Safe to call from any thread.
void AgentMessage(int level, int destination, FILE* stream, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// The common case: an ordinary message (MSG_ORDINARY) to LogStream.
void Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The longest message text; longer ones are cut.
constexpr int kMaxMessageLength = 1999;

// Copies `len` bytes of text from outside the program (a client's message,
// the command line, the configuration file, a trigger message) into `dest`
// (room for `size` bytes, terminated), writing every byte outside printable
// ASCII as '.', so that nobody can put control sequences or forged lines on
// the console or into the log. Returns `dest`.
char* PrintableCopy(char* dest, size_t size, const char* src, size_t len);

// A PrintableCopy of a NUL-terminated text for one message, as in
//   AgentMessage(..., "queue '%s'\n", Printable(name).text());
// The copy lives until the end of the full expression. A text longer than a
// message is cut.
class Printable {
 public:
  explicit Printable(const char* text);
  Printable(const Printable&) = delete;
  Printable& operator=(const Printable&) = delete;
  const char* text() const { return text_; }

 private:
  char text_[kMaxMessageLength + 1];
};

// Writes the `size` bytes of an identifier (a MsgId, say) as upper-case
// hexadecimal digits, two for each byte in order, into `out` (room for
// 2 * size + 1). Returns `out`.
char* FormatHexId(const unsigned char* id, size_t size, char* out);

// The width of IBM MQ's queue and queue manager name fields.
constexpr size_t kQNameFieldLength = 48;
// Room for a display name: two names of 48 characters, the slash and the
// terminator.
constexpr size_t kQNameDisplaySize = 2 * kQNameFieldLength + 2;

// Writes the display name of queue `queue` on queue manager `qmgr` (each a
// name of up to 48 characters, ending at its first NUL and without trailing
// blanks, tabs and line feeds) into `out` (room for kQNameDisplaySize):
// "qmgr/queue", or "queue" when qmgr is empty. The names come from clients,
// so bytes outside printable ASCII are written as '.'. Returns `out`.
char* FormatQName(const char* qmgr, const char* queue, char* out);
