// The log's state, the record `LogState`: the stream messages go to, the
// lock that orders them, the date line, the error log file and its rotation.
// Every field but LogStream is read and written under LogLock.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "cs/agent_lock.h"

// Room for any composed log file name: the longest logpath with a queue
// manager name put in, or the program directory, and the file name.
constexpr size_t kLogFileNameSize = 400;

// How many closed streams are remembered as retired.
constexpr size_t kRetiredStreams = 8;

struct LOGSTATE {
  // The stream messages are written to: standard output from the first step
  // of start-up, then error log file 1. Replaced only under LogLock; never
  // null. Atomic so that a caller on any thread may read it to pass it on
  // while a rotation on another thread replaces it.
  std::atomic<FILE*> LogStream{stdout};
  // Guards LogStream, the closing of a replaced stream and the output of one
  // message. The innermost lock: no other lock is taken while it is held.
  AgentLock LogLock;
  // Day of the month (1 to 31) of the last CSAG002I date line, 0 before the
  // first.
  int LastDateDay = 0;
  // True from a failed write to the error log until a write succeeds again,
  // so that a full device is reported once, not once per message.
  bool LogWriteFailing = false;
  // Set while a thread checks the size or rotates: only the thread holding
  // LogLock can see it set, so it keeps the messages that the rotation
  // itself writes from starting another rotation, while other threads wait
  // for LogLock. (The shared AgentFlags word is not written for this: the
  // consumer threads read it without a lock.)
  bool RotationInProgress = false;
  // Name of the error log file that OpenLogFile last installed; empty before.
  char LogFileName[kLogFileNameSize] = "";
  // The addresses of the streams most recently closed, newest first, kept as
  // numbers: they are compared, never used (see log_stream.h).
  std::array<uintptr_t, kRetiredStreams> Retired{};
};
extern LOGSTATE LogState;

// Puts the log state back as at process start: LogStream standard output
// (the stream it named is not closed), LastDateDay 0, no log file name, no
// rotation or write failure state, no retired streams. For tests.
void ResetLogStateForTesting();
