// The error log files and the program directory.
//
// File 1, "<dir>/CSAGNT_Log01.txt", is the one being written; files 2 to
// numlogfiles are older ones. <dir> is logpath with its first "+QMNAME+"
// replaced by the queue manager name, or the program directory when logpath
// is empty. Only a name that is safe as one directory name is put in (see
// IsDirectorySafeQmName); otherwise the mark is left out. Rotation deletes
// the oldest file, renames each file to the next number and reopens file 1
// empty. Every failure (open, size, delete, rename, write) is reported at
// level 0 with errno and its text, and stops the agent when logfailfatal is
// on.
#pragma once

#include <cstddef>
#include <cstdio>

#include "log/log_state.h"

// The most error log files kept: a larger numlogfiles is refused by the
// configuration file (CSAG007E), and rotation never looks beyond it. File
// names then have up to three digits (CSAGNT_Log999.txt).
constexpr int kMaxLogFiles = 999;

// Opens error log file 1 for appending (creating it) and installs it as
// LogStream, closing the stream it replaces unless that is standard output;
// then reports CSAG210I on the console only, and the next message begins
// the file with the CSAG002I date line. A FIFO without a reader is not waited
// for: the open fails (ENXIO). At start-up (not when a rotation reopens the
// file) a queue manager name left out of logpath is reported (CSAG214E). On
// failure reports CSAG204E and leaves LogStream as it was. Returns whether
// the file was opened.
bool OpenLogFile();

// Writes the full name of error log file `n` into `buffer` (room for `size`
// bytes; kLogFileNameSize always suffices). Directory and file name are
// joined by one '/', none added when the directory already ends in '/'.
void ComposeLogFileName(char* buffer, size_t size, int n);

// Whether `name` may replace "+QMNAME+" in logpath: 1 to 48 of the
// characters A-Z, a-z, 0-9, '.', '_' and '%' (IBM MQ's queue manager name
// characters without '/'), and neither "." nor "..", so that it names one
// directory below the text before the mark.
bool IsDirectorySafeQmName(const char* name);

// True when the file behind `stream` is larger than maxlogsize (compared
// unsigned: a negative maxlogsize never rotates, 0 rotates any non-empty
// file), or when its size cannot be read (reported as CSAG209E).
bool CheckLogFileSize(FILE* stream);

// Rotates the error log files, closing `stream` before file 1 is renamed
// (LogStream is standard output until the next OpenLogFile). Only the files
// found in the log directory are deleted or renamed, so a rotation costs in
// proportion to the files that exist, whatever numlogfiles says (when the
// directory cannot be listed, every number up to numlogfiles is tried). With
// numlogfiles below 2 there is one file: the stream is closed and file 1
// deleted, to be reopened empty. Returns false after a failure to delete or
// rename (CSAG206E, CSAG208E); a failure at the deletion of the oldest file
// leaves `stream` open and in use.
bool RotateLogFiles(FILE* stream);

// Checks the size of the open error log file and, when it is too large and
// the agent is not stopping, rotates and reopens file 1. Only one thread at
// a time checks; a message written by the rotation itself does not check
// again. Returns true when a rotation was made. For AgentMessage.
bool RotateLogIfDue();

// Sets StopRequested as a failure when logfailfatal is on: the answer to
// every failure of the error log.
void StopIfLogFailFatal();

// Fills ProgramDirectory from /proc/self/exe. When the path cannot be read
// (or is too long) the directory is empty and the log files lie in "/".
void FindProgramDirectory();
