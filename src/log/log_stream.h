// Replacing and closing LogStream, for the error log code and AgentMessage.
//
// A stream that the error log code closes is remembered for a while as
// retired: a caller on another thread may have read LogStream just before
// it was replaced and still pass the old value to AgentMessage, which then
// writes to the current LogStream instead (LiveStream). No message is ever
// written to a closed stream.
#pragma once

#include <cstdio>

// Makes `stream` LogStream under LogLock. The stream it replaces is closed
// unless it is standard output (or `stream` itself).
void InstallLogStream(FILE* stream);

// Closes `stream` under LogLock (never standard output). If it is LogStream,
// LogStream falls back to standard output until a new stream is installed.
void CloseLogStream(FILE* stream);

// The stream a message passed with `stream` is written to: `stream` itself,
// or the current LogStream when `stream` is null, has been closed, or is
// standard output (the fallback, which a rotation on another thread may have
// shown for a moment). Call under LogLock.
FILE* LiveStream(FILE* stream);
