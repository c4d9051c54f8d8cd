// The command line: option scanning (options begin with '-' or '/', letters
// are case-sensitive, options without a value may share an argument), the
// handling of each option into AgentConfig, the verbose level table, the
// banner and the usage text.
#pragma once

// Scanner state kept between GetOption calls.
struct OptionScanner {
  int index = 1;                   // the next argument to take
  const char* position = nullptr;  // inside the current argument, or none
  const char* value = nullptr;     // the value of the last option, or none
  char letter = '\0';              // the last option letter read
};

// Returns the next option letter, '?' for an option in error (a letter not
// in "c:f:km:q:v:?" or a missing value) or for -? itself (scanner.letter
// tells them apart), or -1 at the end of the options; leaves the option's
// value in scanner.value and advances the scanner.
int GetOption(OptionScanner& scanner, int argc, char** argv);

// One row of the verbose level table, searched from the top by the first
// character of the -v value in lower case; the NUL end row takes part, so an
// empty value selects level 0.
struct VerboseLevel {
  char key;
  const char* name;
  int level;
};
extern const VerboseLevel VerboseLevelTable[5];

// The name shown for a verbose level.
const char* VerboseLevelName(int level);

// How the command line ended.
enum class CommandLineResult {
  kRun,         // go on with start-up
  kUsageAsked,  // -? or an argument beginning with '?': the usage was shown
  kUsageError,  // a bad option, value or argument: the usage was shown
};

// Scans and handles the options of argv into AgentConfig, writing the
// messages and the usage where an option calls for them.
CommandLineResult HandleCommandLine(int argc, char** argv);

// Writes the banner line "CSAG001I ..." with the given destination flags.
void WriteBanner(int destination);

// Writes the banner and the usage text and sets UsageShown.
void ShowUsage();
