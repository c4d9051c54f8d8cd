// Shared by the fuzz targets over the agent's code: the process-wide state
// as at a fresh start with every message the agent writes thrown away, so
// that a run measures the parsers, not the terminal.
#pragma once

#include <sys/types.h>

#include <cstdio>

#include "fuzz_input.h"
#include "log/message.h"
#include "state/settings.h"

// A stream that takes everything written and keeps nothing, without a
// system call (a message costs the agent's formatting alone).
inline FILE* DiscardingStream() {
  cookie_io_functions_t discard = {};
  discard.write = [](void*, const char*, size_t size) -> ssize_t {
    return static_cast<ssize_t>(size);
  };
  return fopencookie(nullptr, "w", discard);
}

// Sets AgentConfig to its defaults without a console, and LogStream to a
// stream that discards what is written.
inline void QuietAgentState() {
  static FILE* const sink = DiscardingStream();
  ResetAgentConfig();
  AgentConfig.AgentFlags |= AF_NOCONSOLE;
  LogState.LogStream.store(sink != nullptr ? sink : stdout);
}
