// The error log files and the program directory.
//
// File 1, "<dir>/CSAGNT_Log01.txt", is the one being written; files 2 to
// numlogfiles are older ones. <dir> is logpath with its first "+QMNAME+"
// replaced by the queue manager name, or the program directory when logpath
// is empty. Rotation deletes the oldest file, renames each file to the next
// number and reopens file 1 empty. Every failure is reported at level 0 with
// errno and its text, and stops the agent when logfailfatal is on.
#pragma once

#include <cstddef>
#include <cstdio>

// Room for any composed log file name: the longest logpath with a queue
// manager name put in, or the program directory, and the file name.
constexpr size_t kLogFileNameSize = 400;

constexpr size_t kProgramDirectorySize = 300;

// Directory of the running executable (no trailing '/'); empty until
// FindProgramDirectory fills it. Written on the main thread at start-up.
extern char ProgramDirectory[kProgramDirectorySize];

// Opens error log file 1 for appending (creating it) and installs it as
// LogStream, closing the stream it replaces unless that is standard output;
// then reports CSAG210I on the console only. On failure reports CSAG204E
// and leaves LogStream as it was. Returns whether the file was opened.
bool OpenLogFile();

// Writes the full name of error log file `n` into `buffer` (room for `size`
// bytes; kLogFileNameSize always suffices). Directory and file name are
// joined by one '/', none added when the directory already ends in '/'.
void ComposeLogFileName(char* buffer, size_t size, int n);

// True when the file behind `stream` is larger than maxlogsize (compared
// unsigned: a negative maxlogsize never rotates, 0 rotates any non-empty
// file), or when its size cannot be read (reported as CSAG209E).
bool CheckLogFileSize(FILE* stream);

// Rotates the error log files, closing `stream` before file 1 is renamed
// (LogStream is standard output until the next OpenLogFile). A file that
// does not exist is skipped. With numlogfiles below 2 there is one file:
// the stream is closed and file 1 deleted, to be reopened empty. Returns
// false after a failure to delete or rename (CSAG206E, CSAG208E); a failure
// at the deletion of the oldest file leaves `stream` open and in use.
bool RotateLogFiles(FILE* stream);

// Checks the size of the open error log file and, when it is too large and
// the agent is not stopping, rotates and reopens file 1. Only one thread at
// a time checks; a message written by the rotation itself does not check
// again. Returns true when a rotation was made. For AgentMessage.
bool RotateLogIfDue();

// Fills ProgramDirectory from /proc/self/exe. When the path cannot be read
// (or is too long) the directory is empty and the log files lie in "/".
void FindProgramDirectory();
