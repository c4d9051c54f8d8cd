// Reader of the configuration file and the CSAG005I overrides report.
#include "config/config_file.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cs/cs_memory.h"
#include "log/log_file.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "pcf/mq_field.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

enum KeyType { kEndRow = 0, kInteger = 1, kFlag = 2, kText = 4 };
enum Unit { kNoUnit = 0, kMinutes = 1, kSeconds = 2, kBytes = 4 };

constexpr int32_t kNoLimit = INT32_MAX;

// One row of the key table. `field` points into AgentConfig for integers and
// texts; `mask` is the AgentFlags bit of a flag; `length` is a text field's
// length including its terminator; `limit` is the largest value an integer
// takes (a larger one is refused).
struct ConfigKey {
  const char* key;
  KeyType type;
  Unit unit;
  void* field;
  uint32_t mask;
  int length;
  int32_t limit;
  bool only_when_triggered;
  bool set_by_file;
};

// The keys, in the order of the CSAG005I report.
ConfigKey ConfigKeys[] = {
    {"maxage", kInteger, kSeconds, &AgentConfig.maxage, 0, 0, kNoLimit, false, false},
    {"maxmsgsize", kInteger, kBytes, &AgentConfig.maxmsgsize, 0, 0, kNoLimit, false, false},
    {"compress", kFlag, kNoUnit, nullptr, AF_COMPRESS, 0, 0, false, false},
    {"coalesce", kFlag, kNoUnit, nullptr, AF_COALESCE, 0, 0, false, false},
    {"tempqpfx", kText, kNoUnit, AgentConfig.tempqpfx, 0, kQNameWidth, 0, false, false},
    {"commandq", kText, kNoUnit, AgentConfig.commandq, 0, kQNameWidth, 0, false, false},
    {"replyq", kText, kNoUnit, AgentConfig.replyq, 0, kQNameWidth, 0, false, false},
    {"logpath", kText, kNoUnit, AgentConfig.logpath, 0, kLogPathWidth + 1, 0, false, false},
    {"discint", kInteger, kMinutes, &AgentConfig.discint, 0, 0, kNoLimit, true, false},
    {"reportint", kInteger, kMinutes, &AgentConfig.reportint, 0, 0, kNoLimit, false, false},
    {"retrycount", kInteger, kNoUnit, &AgentConfig.retrycount, 0, 0, kNoLimit, false, false},
    {"retryint", kInteger, kSeconds, &AgentConfig.retryint, 0, 0, kNoLimit, false, false},
    {"hobjttl", kInteger, kSeconds, &AgentConfig.hobjttl, 0, 0, kNoLimit, false, false},
    {"numlogfiles", kInteger, kNoUnit, &AgentConfig.numlogfiles, 0, 0, kMaxLogFiles, false, false},
    {"maxlogsize", kInteger, kBytes, &AgentConfig.maxlogsize, 0, 0, kNoLimit, false, false},
    {"logfailfatal", kFlag, kNoUnit, nullptr, AF_LOGFAILFATAL, 0, 0, false, false},
    {"replyqinq", kFlag, kNoUnit, nullptr, AF_REPLYQINQ, 0, 0, false, false},
    {"sleeptime", kInteger, kSeconds, &AgentConfig.sleeptime, 0, 0, kNoLimit, false, false},
    {"reqchkdelay", kInteger, kSeconds, &AgentConfig.reqchkdelay, 0, 0, kNoLimit, false, false},
    {"hobjchkdelay", kInteger, kSeconds, &AgentConfig.hobjchkdelay, 0, 0, kNoLimit, false, false},
    {"stopwait", kInteger, kSeconds, &AgentConfig.stopwait, 0, 0, kNoLimit, false, false},
    {nullptr, kEndRow, kNoUnit, nullptr, 0, 0, 0, false, false},
};

// The -f value did not fit cfgfile; taken by the next OpenConfigFile.
bool ConfigFileNameTooLong = false;

// The CSAG007E reports of the current reading.
int UnrecognisedCount = 0;

bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsSingleCharToken(int c) {
  return c != '\0' && strchr("=()[]{},", c) != nullptr;
}

bool EndsWord(int c) {
  return IsSpace(c) || (c != '\0' && strchr("\"=()[]{},;:#", c) != nullptr);
}

// The delimiters that end a word and begin what comes next.
bool IsPutBack(int c) {
  return c == '\n' || (c != '\0' && strchr("\";#=()[]{},", c) != nullptr);
}

// Reads the value of a key: the next token, or the one after an unquoted '='.
int NextValueToken(FILE* file, char* token) {
  bool quoted = false;
  int length = NextConfigToken(file, &quoted, token);
  if (length == 1 && !quoted && token[0] == '=') length = NextConfigToken(file, &quoted, token);
  return length;
}

// A decimal integer as strtol reads it (leading white space and a sign, up to
// the first other character, 0 without digits), saturated to 32 bits.
int32_t DecimalValue(const char* text) {
  long long value = strtoll(text, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

void ReportUnrecognised(const char* text) {
  ++UnrecognisedCount;
  Log(kLevelQuiet, kCsag007E, Printable(text).text());
}

// Reports a key's value that is refused. The parameter text is cut to 99
// characters: a long bad value is shown by its beginning.
void ReportRefusedValue(const ConfigKey& row, const char* value) {
  char text[100];
  snprintf(text, sizeof text, "%s = %s", row.key, value);
  ReportUnrecognised(text);
}

void ReportNoMemory(int size, const char* structure) {
  Log(kLevelQuiet, kCsag202E, size, structure);
}

void ReportReadingStopped(const char* why) {
  Log(kLevelQuiet, kCsag213E, Printable(AgentConfig.cfgfile).text(), why);
}

void ApplyKey(FILE* file, ConfigKey& row, char* token) {
  switch (row.type) {
    case kInteger: {
      int length = NextValueToken(file, token);
      if (length > 0) {
        const int32_t value = DecimalValue(token);
        if (value > row.limit) {
          ReportRefusedValue(row, token);
          break;
        }
        *static_cast<int32_t*>(row.field) = value;
      }
      row.set_by_file = true;
      break;
    }
    case kFlag:
      if (ReadYesNo(file, &AgentConfig.AgentFlags, row.mask, token) == 0) {
        row.set_by_file = true;
      } else {
        ReportRefusedValue(row, token);
      }
      break;
    case kText:
      NextValueToken(file, token);
      CopyTerminated(static_cast<char*>(row.field), row.length - 1, token);
      row.set_by_file = true;
      break;
    case kEndRow:
      break;
  }
}

const char* UnitName(Unit unit) {
  // Indexed by Unit.
  constexpr const char* kUnitWords[] = {"", " minute", " second", "", " byte"};
  static_assert(kBytes == 4);
  return kUnitWords[unit];
}

// Opens `path` for reading when it is a regular file; a FIFO or a device is
// never opened (and a FIFO put in its place meanwhile is not waited on).
// Returns the stream, or null with *error set (EISDIR for a directory,
// EINVAL for anything else that is not a regular file).
FILE* OpenRegularFile(const char* path, int* error) {
  struct stat st;
  if (stat(path, &st) != 0) {
    *error = errno;
    return nullptr;
  }
  if (S_ISREG(st.st_mode)) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
      *error = errno;
      return nullptr;
    }
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
      FILE* file = fdopen(fd, "r");
      if (file != nullptr) return file;
      *error = errno;
      close(fd);
      return nullptr;
    }
    close(fd);
  }
  *error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  return nullptr;
}

// Reads the first kConfigFileMax bytes of `file` into `text` (room for
// kConfigFileMax + 1) and returns their length; a larger file is cut after
// its last line end within them (so that no word is cut) and *cut set.
size_t ReadConfigText(FILE* file, char* text, bool* cut) {
  size_t length = fread(text, 1, kConfigFileMax + 1, file);
  *cut = length > kConfigFileMax;
  if (*cut) {
    length = kConfigFileMax;
    while (length > 0 && text[length - 1] != '\n') --length;
    if (length == 0) length = kConfigFileMax;
  }
  return length;
}

// Reads the keys and values of `file`, stopping after kConfigErrorsMax
// unrecognised parameters. Returns whether it stopped early.
bool ApplyConfigTokens(FILE* file, char* token) {
  bool quoted = false;
  while (NextConfigToken(file, &quoted, token) != kConfigEnd) {
    ConfigKey* row = ConfigKeys;
    while (row->type != kEndRow && strcmp(row->key, token) != 0) ++row;
    if (row->type == kEndRow) {
      ReportUnrecognised(token);
    } else {
      ApplyKey(file, *row, token);
    }
    if (UnrecognisedCount >= kConfigErrorsMax) return true;
  }
  return false;
}

}  // namespace

void NameConfigFile(const char* path) {
  ConfigFileNameTooLong = strlen(path) > static_cast<size_t>(kCfgFileWidth);
  CopyTerminated(AgentConfig.cfgfile, kCfgFileWidth, path);
  AgentConfig.AgentFlags |= AF_CFGFILE;
}

FILE* OpenConfigFile() {
  if (AgentConfig.cfgfile[0] == '\0') {
    if (Process.ProgramDirectory[0] == '\0') FindProgramDirectory();
    char path[kCfgFileWidth + 1];
    int n = snprintf(path, sizeof path, "%s%cCSAGNT.CFG", Process.ProgramDirectory, '/');
    // A program directory too long for the path field: there is no default file.
    if (n < 0 || n > kCfgFileWidth) return nullptr;
    CopyTerminated(AgentConfig.cfgfile, kCfgFileWidth, path);
  }
  const bool named = (AgentConfig.AgentFlags & AF_CFGFILE) != 0;
  int rc = ENAMETOOLONG;
  FILE* file = nullptr;
  if (!(named && ConfigFileNameTooLong)) file = OpenRegularFile(AgentConfig.cfgfile, &rc);
  ConfigFileNameTooLong = false;
  if (file == nullptr && named) {
    Log(kLevelQuiet, kCsag203E, Printable(AgentConfig.cfgfile).text(), rc, strerror(rc));
  }
  return file;
}

int NextConfigToken(FILE* file, bool* quoted, char* token) {
  *quoted = false;
  token[0] = '\0';
  int c;
  bool in_comment = false;
  for (;;) {
    c = getc(file);
    if (c == EOF) return kConfigEnd;
    if (c == '\r' || c == '\n') {
      in_comment = false;
    } else if (in_comment || c == ' ' || c == '\t') {
      continue;
    } else if (c == ';' || c == '#') {
      in_comment = true;
    } else {
      break;
    }
  }

  int length = 0;
  if (c == '"') {
    *quoted = true;
    while (length < kConfigTokenMax && (c = getc(file)) != EOF && c != '"') {
      if (c == '~') {
        c = getc(file);
        if (c == EOF) break;
      }
      token[length++] = static_cast<char>(c);
    }
  } else if (IsSingleCharToken(c)) {
    token[length++] = static_cast<char>(c);
  } else {
    token[length++] = static_cast<char>(c);
    while (length < kConfigTokenMax) {
      c = getc(file);
      if (c == EOF) break;
      if (!EndsWord(c)) {
        token[length++] = static_cast<char>(c);
        continue;
      }
      if (c == ':') {
        token[length++] = ':';
      } else if (IsPutBack(c)) {
        ungetc(c, file);
      }
      break;
    }
  }
  token[length] = '\0';
  return length;
}

int ReadYesNo(FILE* file, uint32_t* flags, uint32_t mask, char* token) {
  int length = NextValueToken(file, token);
  if (length == 3 && strcasecmp(token, "yes") == 0) {
    *flags |= mask;
    return 0;
  }
  if (length == 2 && strcasecmp(token, "no") == 0) {
    *flags &= ~mask;
    return 0;
  }
  return -1;
}

bool ApplyConfigText(const char* text, size_t length, bool cut) {
  for (ConfigKey* row = ConfigKeys; row->type != kEndRow; ++row) row->set_by_file = false;
  UnrecognisedCount = 0;

  char* token = static_cast<char*>(CSGetMem(kConfigTokenMax + 1));
  if (token == nullptr) {
    ReportNoMemory(kConfigTokenMax + 1, "CFGTOKEN");
    return false;
  }
  FILE* taken = length == 0 ? nullptr : fmemopen(const_cast<char*>(text), length, "r");
  const bool stopped = taken != nullptr && ApplyConfigTokens(taken, token);
  if (taken != nullptr) fclose(taken);
  CSFreeMem(token);
  char why[64];
  if (stopped) {
    snprintf(why, sizeof why, "%d unrecognised parameters", kConfigErrorsMax);
    ReportReadingStopped(why);
  } else if (cut) {
    snprintf(why, sizeof why, "larger than %zu bytes", kConfigFileMax);
    ReportReadingStopped(why);
  }

  for (const ConfigKey* row = ConfigKeys; row->type != kEndRow; ++row)
    if (row->set_by_file) return true;
  return false;
}

bool ReadConfigFile() {
  for (ConfigKey* row = ConfigKeys; row->type != kEndRow; ++row) row->set_by_file = false;

  char* text = static_cast<char*>(CSGetMem(kConfigFileMax + 1));
  if (text == nullptr) {
    ReportNoMemory(static_cast<int>(kConfigFileMax + 1), "CFGTEXT");
    return false;
  }
  bool set = false;
  FILE* file = OpenConfigFile();
  if (file != nullptr) {
    bool cut = false;
    const size_t length = ReadConfigText(file, text, &cut);
    fclose(file);
    // The tokens are read from the bytes taken in, never from the file.
    set = ApplyConfigText(text, length, cut);
  }
  CSFreeMem(text);
  return set;
}

void ReportConfigOverrides() {
  std::string text;
  for (const ConfigKey* row = ConfigKeys; row->type != kEndRow; ++row) {
    if (!row->set_by_file) continue;
    if (row->only_when_triggered && !(AgentConfig.AgentFlags & AF_TRIGGERED)) continue;
    if (!text.empty()) text += "; ";
    text += row->key;
    long long value = 0;
    switch (row->type) {
      case kInteger:
        value = *static_cast<const int32_t*>(row->field);
        text += " = " + std::to_string(value);
        break;
      case kFlag:
        text += (AgentConfig.AgentFlags & row->mask) ? " = yes" : " = no";
        break;
      case kText:
        text += " = ";
        text += static_cast<const char*>(row->field);
        break;
      case kEndRow:
        break;
    }
    if (row->unit != kNoUnit) {
      text += UnitName(row->unit);
      if (value != 1) text += "s";
    }
  }
  Log(kLevelQuiet, kCsag005I, Printable(AgentConfig.cfgfile).text(),
      Printable(text.c_str()).text());
}
