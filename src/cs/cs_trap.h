// The trap for internal misuse: records where the misuse was found in the
// trap file and breaks into a debugger.
#pragma once

#include <cstddef>

// Writes "cstrap line <line> file cs (<build>) value <value>" to cstrap.txt in
// $TMPDIR (or /tmp when TMPDIR is unset or empty), truncating the file, then
// raises SIGTRAP whether or not the file could be written. Without a debugger
// (or a handler for SIGTRAP) the process ends there; with one, CSTrap returns
// and the caller goes on.
void CSTrap(int line, int value);

// Writes the name of the trap file into `path` (room for `size` bytes).
void CSTrapFileName(char* path, size_t size);
