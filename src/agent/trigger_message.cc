// Reading an MQTMC2 at its fixed field positions:
//
//   offset  length  field
//        0       4  StrucId "TMC "
//        4       4  Version "   2"
//        8      48  QName
//       56      48  ProcessName
//      104      64  TriggerData
//      168       4  ApplType
//      172     256  ApplId
//      428     128  EnvData
//      556     128  UserData
//      684      48  QMgrName          (732 in all)
#include "agent/trigger_message.h"

#include <cmqc.h>

#include <cstring>

#include "cs/cs_memory.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "pcf/mq_field.h"
#include "state/settings.h"

static_assert(sizeof(MQTMC2) == 732);
static_assert(offsetof(MQTMC2, QName) == 8 && offsetof(MQTMC2, TriggerData) == 104);
static_assert(offsetof(MQTMC2, UserData) == 556 && offsetof(MQTMC2, QMgrName) == 684);

namespace {

constexpr size_t kTriggerDataLength = sizeof(MQTMC2::TriggerData);                  // 64
constexpr size_t kUserDataLength = sizeof(MQTMC2::UserData);                        // 128
constexpr size_t kTriggerParmsSize = kTriggerDataLength + 1 + kUserDataLength + 1;  // 194
static_assert(kTriggerParmsSize == 194);

// The program name and every word of a 193-character text, and the end.
constexpr int kMaxTriggerArgs = 1 + (kTriggerParmsSize / 2) + 1;
char* TriggerArgv[kMaxTriggerArgs];

// The trigger-parameter block "TRIGPARMS", obtained once and kept for the
// life of the process: the argument vector points into it.
char* TriggerParms = nullptr;

bool IsTrailing(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\0';
}

// Appends `field` (of `length` characters) without its trailing blanks,
// tabs, line feeds and NULs; returns the end of what was written.
char* AppendTrimmed(char* out, const char* field, size_t length) {
  while (length > 0 && IsTrailing(field[length - 1])) --length;
  memcpy(out, field, length);
  return out + length;
}

}  // namespace

bool IsTriggerMessage(int argc, char** argv) {
  return argc == 2 && strncmp(argv[1], "TMC ", 4) == 0;
}

bool ParseTriggerMessage(const char* text, char* program_name, int* new_argc, char*** new_argv) {
  if (TriggerParms == nullptr) TriggerParms = static_cast<char*>(CSGetMem(kTriggerParmsSize));
  char* block = TriggerParms;
  if (block == nullptr) {
    Log(kLevelQuiet, kCsag202E, static_cast<int>(kTriggerParmsSize), "TRIGPARMS");
    return false;
  }

  MQTMC2 tmc;
  memset(&tmc, ' ', sizeof tmc);
  memcpy(&tmc, text, strnlen(text, sizeof tmc));

  CopyNameTerminated(AgentConfig.qmname, kQNameWidth, tmc.QMgrName);
  CopyNameTerminated(AgentConfig.inputq, kQNameWidth, tmc.QName);

  char* end = AppendTrimmed(block, tmc.TriggerData, kTriggerDataLength);
  *end++ = ' ';
  end = AppendTrimmed(end, tmc.UserData, kUserDataLength);
  *end = '\0';

  // Words are separated by blanks alone; each blank run becomes NULs, so
  // every word ends in place.
  int count = 0;
  TriggerArgv[count++] = program_name;
  for (char* p = block; *p != '\0';) {
    if (*p == ' ') {
      *p++ = '\0';
      continue;
    }
    TriggerArgv[count++] = p;
    while (*p != '\0' && *p != ' ') ++p;
  }
  TriggerArgv[count] = nullptr;
  *new_argc = count;
  *new_argv = TriggerArgv;
  return true;
}
