// The configuration file: CSAGNT.CFG beside the program, or the file named
// with -f. It overrides the defaults of the settings of AgentConfig and is
// read once, at start-up, on the main thread, before the error log is open.
//
// Syntax: keys and values separated by blanks or line ends, an optional '='
// between them; ';' or '#' start a comment to the end of the line; double
// quotes enclose a value with blanks, in which '~' escapes the next
// character. Keys are case-sensitive; unknown keys, bad flag values and
// integers above their limit are reported (CSAG007E) and skipped. Nothing in
// the file stops the agent.
//
// Only a regular file is read, and of it only the first kConfigFileMax bytes
// (up to the last line end within them) and up to the kConfigErrorsMax-th
// unrecognised parameter; where reading stops early CSAG213E says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Size of a token, without its terminator.
constexpr int kConfigTokenMax = 10000;

// The most of a configuration file that is read, in bytes.
constexpr size_t kConfigFileMax = 1 << 20;

// The number of unrecognised parameters after which reading stops.
constexpr int kConfigErrorsMax = 100;

// NextConfigToken's answer at the end of the file. An empty token (a pair of
// double quotes) has length 0 and is not the end of the file.
constexpr int kConfigEnd = -1;

// Reads the configuration file into AgentConfig. Returns true if at least
// one key was set from the file; false otherwise, also when there is no file.
bool ReadConfigFile();

// What ReadConfigFile does with the file's contents once read: applies the
// keys and values in `length` bytes at `text` to AgentConfig, with the
// CSAG007E and CSAG213E reports; `cut` says that the text is the first part
// of a larger file. Returns true if at least one key was set.
bool ApplyConfigText(const char* text, size_t length, bool cut);

// Writes the CSAG005I report of the settings that the file set, with their
// current values. Called after CSAG004I when ReadConfigFile returned true.
void ReportConfigOverrides();

// Names the configuration file from -f: sets cfgfile and AF_CFGFILE. A path
// longer than cfgfile's 300 characters is not cut to name another file: the
// next OpenConfigFile reports it (CSAG203E, ENAMETOOLONG) and opens nothing.
void NameConfigFile(const char* path);

// Composes the default path into cfgfile when it is empty and opens the file
// for reading. A directory (EISDIR), a FIFO, a socket or a device (EINVAL)
// is not opened, so start-up never waits on one. Returns the stream, or
// nullptr (reporting CSAG203E only when the file was named with -f).
FILE* OpenConfigFile();

// Reads the next token into `token` (room for kConfigTokenMax + 1) and sets
// *quoted when it was a quoted token. Returns its length, or kConfigEnd at
// the end of the file (with an empty token).
int NextConfigToken(FILE* file, bool* quoted, char* token);

// Reads a flag value (the next token, or the one after an '='): "yes" sets
// `mask` in *flags, "no" clears it, case-insensitively. Returns 0, or -1 when
// the value is neither; `token` then holds the value read.
int ReadYesNo(FILE* file, uint32_t* flags, uint32_t mask, char* token);
