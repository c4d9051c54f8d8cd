// The configuration file: CSAGNT.CFG beside the program, or the file named
// with -f. It overrides the defaults of twenty settings of AgentConfig and is
// read once, at start-up, on the main thread, before the error log is open.
//
// Syntax: keys and values separated by blanks or line ends, an optional '='
// between them; ';' or '#' start a comment to the end of the line; double
// quotes enclose a value with blanks, in which '~' escapes the next
// character. Keys are case-sensitive; unknown keys are reported (CSAG007E)
// and skipped. Nothing in the file stops the agent.
#pragma once

#include <cstdint>
#include <cstdio>

// Size of a token, without its terminator.
constexpr int kConfigTokenMax = 10000;

// NextConfigToken's answer at the end of the file. An empty token (a pair of
// double quotes) has length 0 and is not the end of the file.
constexpr int kConfigEnd = -1;

// Reads the configuration file into AgentConfig. Returns true if at least
// one key was set from the file; false otherwise, also when there is no file.
bool ReadConfigFile();

// Writes the CSAG005I report of the settings that the file set, with their
// current values. Called after CSAG004I when ReadConfigFile returned true.
void ReportConfigOverrides();

// Composes the default path into cfgfile when it is empty and opens the file
// for reading. Returns the stream, or nullptr (reporting CSAG203E only when
// the file was named with -f).
FILE* OpenConfigFile();

// Reads the next token into `token` (room for kConfigTokenMax + 1) and sets
// *quoted when it was a quoted token. Returns its length, or kConfigEnd at
// the end of the file (with an empty token).
int NextConfigToken(FILE* file, bool* quoted, char* token);

// Reads a flag value (the next token, or the one after an '='): "yes" sets
// `mask` in *flags, "no" clears it, case-insensitively. Returns 0, or -1 when
// the value is neither; `token` then holds the value read.
int ReadYesNo(FILE* file, uint32_t* flags, uint32_t mask, char* token);
