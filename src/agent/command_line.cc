// Option scanning and handling, the banner and the usage text.
#include "agent/command_line.h"

#include <cctype>
#include <cstring>

#include "config/config_file.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "pcf/mq_field.h"
#include "state/process_state.h"
#include "state/settings.h"

#ifndef CSAGNT_VERSION
#define CSAGNT_VERSION "0.0.0"
#endif

const VerboseLevel VerboseLevelTable[5] = {
    {'q', "Quiet", 0},       {'l', "Low detail", 1}, {'m', "Medium detail", 2},
    {'h', "High detail", 3}, {'\0', nullptr, 0},
};

namespace {

constexpr const char* kOptionLetters = "c:f:km:q:v:?";

// Whether `letter` takes a value; it must be a letter of kOptionLetters.
bool TakesValue(char letter) {
  return strchr(kOptionLetters, letter)[1] == ':';
}

// Sets verbose from a -v value; false when no row matches.
bool SetVerbose(const char* value) {
  AgentConfig.verbose = 0;
  char key = static_cast<char>(tolower(static_cast<unsigned char>(value[0])));
  for (const VerboseLevel& row : VerboseLevelTable) {
    if (row.key == key) {
      AgentConfig.verbose = row.level;
      return true;
    }
  }
  return false;
}

}  // namespace

int GetOption(OptionScanner& s, int argc, char** argv) {
  if (s.position == nullptr || *s.position == '\0') {
    if (s.index >= argc || (argv[s.index][0] != '-' && argv[s.index][0] != '/')) return -1;
    s.position = argv[s.index] + 1;
    if (*s.position == '\0') return -1;
  }
  s.letter = *s.position++;
  s.value = nullptr;

  if (s.letter == ':' || strchr(kOptionLetters, s.letter) == nullptr) {
    if (*s.position == '\0') ++s.index;
    return '?';
  }
  if (!TakesValue(s.letter)) {
    if (*s.position == '\0') ++s.index;
    return s.letter;
  }
  if (*s.position != '\0') {
    s.value = s.position;
  } else {
    ++s.index;
    if (s.index >= argc) return '?';
    s.value = argv[s.index];
  }
  if (*s.value == ':') ++s.value;
  ++s.index;
  s.position = nullptr;
  return s.letter;
}

const char* VerboseLevelName(int level) {
  if (level < 0 || level > 3) return "";
  return VerboseLevelTable[level].name;
}

CommandLineResult HandleCommandLine(int argc, char** argv) {
  OptionScanner scanner;
  int option;
  while ((option = GetOption(scanner, argc, argv)) != -1) {
    switch (option) {
      case 'c':
        CopyTerminated(AgentConfig.simplecmd, kSimpleCmdWidth, scanner.value);
        AgentConfig.AgentFlags |= AF_SIMPLECMD;
        break;
      case 'f':
        NameConfigFile(scanner.value);
        break;
      case 'k':
        AgentConfig.AgentFlags |= AF_NOCONSOLE;
        break;
      case 'm':
        CopyTerminated(AgentConfig.qmname, kQNameWidth, scanner.value);
        break;
      case 'q':
        CopyTerminated(AgentConfig.inputq, kQNameWidth, scanner.value);
        break;
      case 'v':
        if (!SetVerbose(scanner.value)) {
          Log(kLevelQuiet, "Sorry, don't understand verbose string '%s'\n",
              Printable(scanner.value).text());
          ShowUsage();
          return CommandLineResult::kUsageError;
        }
        break;
      default:  // '?'
        ShowUsage();
        return scanner.letter == '?' ? CommandLineResult::kUsageAsked
                                     : CommandLineResult::kUsageError;
    }
  }
  if (scanner.index < argc) {
    const char* leftover = argv[scanner.index];
    if (leftover[0] == '?') {
      ShowUsage();
      return CommandLineResult::kUsageAsked;
    }
    Log(kLevelQuiet, kCsag007E, Printable(leftover).text());
    ShowUsage();
    return CommandLineResult::kUsageError;
  }
  return CommandLineResult::kRun;
}

void WriteBanner(int destination) {
  AgentMessage(kLevelQuiet, destination, LogState.LogStream, kCsag001I, CSAGNT_VERSION, __DATE__);
}

void ShowUsage() {
  WriteBanner(MSG_ORDINARY | MSG_NODATE);
  AgentMessage(kLevelQuiet, MSG_ORDINARY | MSG_NODATE, LogState.LogStream, kCsag006E);
  Process.UsageShown = true;
}
