// A start by an IBM MQ trigger monitor: the program's one argument is an
// MQTMC2, the character form of a trigger message. Its queue manager and
// queue name become qmname and inputq, and the words of its TriggerData and
// UserData become a new argument vector, so that options given there
// override the names.
#pragma once

#include <cstddef>

// Whether the arguments are a trigger message: exactly one argument that
// begins with "TMC ".
bool IsTriggerMessage(int argc, char** argv);

// Fills qmname and inputq from `text` (the MQTMC2; an argument shorter than
// its 732 characters is read as if blank padded, never past its end) and
// builds *new_argv / *new_argc: the program name followed by the words of TriggerData
// and UserData. The words live in a block obtained once with CSGetMem and
// kept for the life of the process. Returns false only when that block
// cannot be obtained (CSAG202E is written).
bool ParseTriggerMessage(const char* text, char* program_name, int* new_argc, char*** new_argv);
