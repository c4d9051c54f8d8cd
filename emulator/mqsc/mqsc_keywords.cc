// The MQSC keyword tables and their lookups.
#include "mqsc/mqsc_keywords.h"

#include <array>

#include "pcf/mq_field.h"
#include "protocol/frame.h"

namespace mqemu::mqsc {
namespace {

constexpr unsigned kQueueBits = kLocalBit | kModelBit;  // local and model queues
constexpr MQLONG kMaxCount = 999999999;

constexpr ValueName kEnabled[] = {{"ENABLED", 0}, {"DISABLED", 1}};
constexpr ValueName kYesNo[] = {{"NO", MQPER_NOT_PERSISTENT}, {"YES", MQPER_PERSISTENT}};
constexpr ValueName kOpenOption[] = {{"EXCL", MQOO_INPUT_EXCLUSIVE}, {"SHARED", MQOO_INPUT_SHARED}};
constexpr ValueName kDefinitionType[] = {{"PREDEFINED", MQQDT_PREDEFINED},
                                         {"PERMDYN", MQQDT_PERMANENT_DYNAMIC},
                                         {"TEMPDYN", MQQDT_TEMPORARY_DYNAMIC},
                                         {"SHAREDYN", MQQDT_SHARED_DYNAMIC}};
constexpr ValueName kShare[] = {{"SHARE", MQQA_SHAREABLE}, {"NOSHARE", MQQA_NOT_SHAREABLE}};
constexpr ValueName kTrigger[] = {{"TRIGGER", MQTC_ON}, {"NOTRIGGER", MQTC_OFF}};
constexpr ValueName kTriggerType[] = {
    {"NONE", MQTT_NONE}, {"FIRST", MQTT_FIRST}, {"EVERY", MQTT_EVERY}, {"DEPTH", MQTT_DEPTH}};
constexpr ValueName kUsage[] = {{"NORMAL", MQUS_NORMAL}, {"XMITQ", MQUS_TRANSMISSION}};
// UNIX comes before DEF, which has the same value here, so that a display
// names the platform.
constexpr ValueName kApplType[] = {
    {"CICS", MQAT_CICS},   {"MVS", MQAT_MVS},         {"IMS", MQAT_IMS},
    {"OS2", MQAT_OS2},     {"DOS", MQAT_DOS},         {"UNIX", MQAT_UNIX},
    {"OS400", MQAT_OS400}, {"WINDOWS", MQAT_WINDOWS}, {"WINDOWSNT", MQAT_WINDOWS_NT},
    {"OPENVMS", MQAT_VMS}, {"NSK", MQAT_NSK},         {"NOTESAGENT", MQAT_NOTES_AGENT},
    {"WLM", MQAT_WLM},     {"DEF", MQAT_DEFAULT}};
constexpr ValueName kPlatform[] = {{"ZOS", MQPL_ZOS},     {"UNIX", MQPL_UNIX},
                                   {"OS400", MQPL_OS400}, {"WINDOWSNT", MQPL_WINDOWS_NT},
                                   {"NSK", MQPL_NSK},     {"APPLIANCE", MQPL_APPLIANCE}};
constexpr ValueName kSyncpoint[] = {{"SYNCPT", MQSP_AVAILABLE}, {"", MQSP_NOT_AVAILABLE}};

constexpr Keyword Number(std::string_view name, MQLONG selector, MQLONG min, MQLONG max,
                         unsigned settable, unsigned shown) {
  return {name, {}, selector, ValueKind::kNumber, min, max, {}, settable, shown};
}
constexpr Keyword Text(std::string_view name, MQLONG selector, MQLONG length, unsigned settable,
                       unsigned shown) {
  return {name, {}, selector, ValueKind::kString, 0, length, {}, settable, shown};
}
constexpr Keyword Choice(std::string_view name, MQLONG selector, std::span<const ValueName> choices,
                         unsigned settable, unsigned shown) {
  return {name, {}, selector, ValueKind::kChoice, 0, 0, choices, settable, shown};
}
constexpr Keyword Flag(MQLONG selector, std::span<const ValueName> choices, unsigned settable,
                       unsigned shown) {
  return {choices[0].name, choices[1].name, selector, ValueKind::kFlag, 0, 0,
          choices,         settable,        shown};
}

constexpr Keyword kQueueKeywords[] = {
    Text("ALTDATE", MQCA_ALTERATION_DATE, MQ_DATE_LENGTH, 0, kAnyQueueBits),
    Text("ALTTIME", MQCA_ALTERATION_TIME, MQ_TIME_LENGTH, 0, kAnyQueueBits),
    Text("CRDATE", MQCA_CREATION_DATE, MQ_DATE_LENGTH, 0, kAnyQueueBits),
    Text("CRTIME", MQCA_CREATION_TIME, MQ_TIME_LENGTH, 0, kAnyQueueBits),
    Number("CURDEPTH", MQIA_CURRENT_Q_DEPTH, 0, kMaxCount, 0, kLocalBit),
    Number("DEFPRTY", MQIA_DEF_PRIORITY, 0, 9, kAnyQueueBits, kAnyQueueBits),
    Choice("DEFPSIST", MQIA_DEF_PERSISTENCE, kYesNo, kAnyQueueBits, kAnyQueueBits),
    Choice("DEFSOPT", MQIA_DEF_INPUT_OPEN_OPTION, kOpenOption, kQueueBits, kQueueBits),
    Choice("DEFTYPE", MQIA_DEFINITION_TYPE, kDefinitionType, kModelBit, kQueueBits),
    Text("DESCR", MQCA_Q_DESC, MQ_Q_DESC_LENGTH, kAnyQueueBits, kAnyQueueBits),
    Choice("GET", MQIA_INHIBIT_GET, kEnabled, kAnyQueueBits, kAnyQueueBits),
    Text("INITQ", MQCA_INITIATION_Q_NAME, MQ_Q_NAME_LENGTH, kQueueBits, kQueueBits),
    Number("IPPROCS", MQIA_OPEN_INPUT_COUNT, 0, kMaxCount, 0, kLocalBit),
    Number("MAXDEPTH", MQIA_MAX_Q_DEPTH, 0, kMaxCount, kQueueBits, kQueueBits),
    Number("MAXMSGL", MQIA_MAX_MSG_LENGTH, 0, kMaxMessageLength, kQueueBits, kQueueBits),
    Number("OPPROCS", MQIA_OPEN_OUTPUT_COUNT, 0, kMaxCount, 0, kLocalBit),
    Text("PROCESS", MQCA_PROCESS_NAME, MQ_PROCESS_NAME_LENGTH, kQueueBits, kQueueBits),
    Choice("PUT", MQIA_INHIBIT_PUT, kEnabled, kAnyQueueBits, kAnyQueueBits),
    Flag(MQIA_SHAREABILITY, kShare, kQueueBits, kQueueBits),
    {"TARGET",
     "TARGQ",
     MQCA_BASE_Q_NAME,
     ValueKind::kString,
     0,
     MQ_Q_NAME_LENGTH,
     {},
     kAliasBit,
     kAliasBit},
    Text("TRIGDATA", MQCA_TRIGGER_DATA, MQ_TRIGGER_DATA_LENGTH, kQueueBits, kQueueBits),
    Number("TRIGDPTH", MQIA_TRIGGER_DEPTH, 1, kMaxCount, kQueueBits, kQueueBits),
    Flag(MQIA_TRIGGER_CONTROL, kTrigger, kQueueBits, kQueueBits),
    Number("TRIGMPRI", MQIA_TRIGGER_MSG_PRIORITY, 0, 9, kQueueBits, kQueueBits),
    Choice("TRIGTYPE", MQIA_TRIGGER_TYPE, kTriggerType, kQueueBits, kQueueBits),
    Choice("USAGE", MQIA_USAGE, kUsage, kQueueBits, kQueueBits),
};

constexpr Keyword kProcessKeywords[] = {
    Text("ALTDATE", MQCA_ALTERATION_DATE, MQ_DATE_LENGTH, 0, kProcessBit),
    Text("ALTTIME", MQCA_ALTERATION_TIME, MQ_TIME_LENGTH, 0, kProcessBit),
    Text("APPLICID", MQCA_APPL_ID, MQ_PROCESS_APPL_ID_LENGTH, kProcessBit, kProcessBit),
    {"APPLTYPE",
     {},
     MQIA_APPL_TYPE,
     ValueKind::kChoice,
     MQAT_USER_FIRST,
     MQAT_USER_LAST,
     kApplType,
     kProcessBit,
     kProcessBit},
    Text("DESCR", MQCA_PROCESS_DESC, MQ_PROCESS_DESC_LENGTH, kProcessBit, kProcessBit),
    Text("ENVDATA", MQCA_ENV_DATA, MQ_PROCESS_ENV_DATA_LENGTH, kProcessBit, kProcessBit),
    Text("USERDATA", MQCA_USER_DATA, MQ_PROCESS_USER_DATA_LENGTH, kProcessBit, kProcessBit),
};

constexpr Keyword kQMgrKeywords[] = {
    Text("ALTDATE", MQCA_ALTERATION_DATE, MQ_DATE_LENGTH, 0, kQMgrBit),
    Text("ALTTIME", MQCA_ALTERATION_TIME, MQ_TIME_LENGTH, 0, kQMgrBit),
    Number("CCSID", MQIA_CODED_CHAR_SET_ID, 0, 65535, 0, kQMgrBit),
    Number("CMDLEVEL", MQIA_COMMAND_LEVEL, 0, kMaxCount, 0, kQMgrBit),
    Text("COMMANDQ", MQCA_COMMAND_INPUT_Q_NAME, MQ_Q_NAME_LENGTH, 0, kQMgrBit),
    Text("CRDATE", MQCA_CREATION_DATE, MQ_DATE_LENGTH, 0, kQMgrBit),
    Text("CRTIME", MQCA_CREATION_TIME, MQ_TIME_LENGTH, 0, kQMgrBit),
    Text("DEADQ", MQCA_DEAD_LETTER_Q_NAME, MQ_Q_NAME_LENGTH, 0, kQMgrBit),
    Text("DESCR", MQCA_Q_MGR_DESC, MQ_Q_MGR_DESC_LENGTH, 0, kQMgrBit),
    Number("MAXHANDS", MQIA_MAX_HANDLES, 0, kMaxCount, 0, kQMgrBit),
    Number("MAXMSGL", MQIA_MAX_MSG_LENGTH, 0, kMaxMessageLength, 0, kQMgrBit),
    Number("MAXPRTY", MQIA_MAX_PRIORITY, 0, 9, 0, kQMgrBit),
    Choice("PLATFORM", MQIA_PLATFORM, kPlatform, 0, kQMgrBit),
    Text("QMID", MQCA_Q_MGR_IDENTIFIER, MQ_Q_MGR_IDENTIFIER_LENGTH, 0, kQMgrBit),
    Flag(MQIA_SYNCPOINT, kSyncpoint, 0, kQMgrBit),
    Number("TRIGINT", MQIA_TRIGGER_INTERVAL, 0, kMaxCount, 0, kQMgrBit),
};

struct Spelling {
  std::string_view name;
  std::string_view abbreviation;
};

constexpr std::array<Spelling, 8> kVerbs = {{{"", ""},
                                             {"ALTER", ""},
                                             {"CLEAR", ""},
                                             {"DEFINE", "DEF"},
                                             {"DELETE", ""},
                                             {"DISPLAY", "DIS"},
                                             {"END", ""},
                                             {"PING", ""}}};
// Object keywords in ObjectKind order, with their class bit and the queue
// type they stand for (MQQT_ALL for none in particular).
struct ObjectSpelling {
  std::string_view name;
  std::string_view abbreviation;
  unsigned bit;
  MQLONG queue_type;
};
constexpr std::array<ObjectSpelling, 7> kObjects = {{{"", "", 0, MQQT_ALL},
                                                     {"QUEUE", "Q", kAnyQueueBits, MQQT_ALL},
                                                     {"QLOCAL", "QL", kLocalBit, MQQT_LOCAL},
                                                     {"QMODEL", "QM", kModelBit, MQQT_MODEL},
                                                     {"QALIAS", "QA", kAliasBit, MQQT_ALIAS},
                                                     {"QMGR", "", kQMgrBit, MQQT_ALL},
                                                     {"PROCESS", "PRO", kProcessBit, MQQT_ALL}}};

template <typename Table>
size_t FindSpelling(const Table& table, std::string_view word) {
  constexpr size_t N = std::tuple_size_v<Table>;
  for (size_t i = 1; i < N; ++i) {
    if (word == table[i].name ||
        (!table[i].abbreviation.empty() && word == table[i].abbreviation)) {
      return i;
    }
  }
  return 0;
}

}  // namespace

std::span<const Keyword> KeywordsOf(ObjectKind object) {
  switch (object) {
    case ObjectKind::kProcess:
      return kProcessKeywords;
    case ObjectKind::kQMgr:
      return kQMgrKeywords;
    case ObjectKind::kNone:
      return {};
    default:
      return kQueueKeywords;
  }
}

const Keyword* FindKeyword(ObjectKind object, std::string_view word) {
  for (const Keyword& k : KeywordsOf(object)) {
    if (word == k.name || (!k.synonym.empty() && word == k.synonym)) return &k;
  }
  return nullptr;
}

unsigned ClassBitOf(ObjectKind object) {
  return kObjects[static_cast<size_t>(object)].bit;
}

unsigned ClassBitOfQueueType(MQLONG type) {
  for (const ObjectSpelling& o : kObjects) {
    if (o.queue_type == type) return o.bit;
  }
  return 0;
}

MQLONG QueueTypeOf(ObjectKind object) {
  return kObjects[static_cast<size_t>(object)].queue_type;
}

std::string_view QueueTypeName(MQLONG type) {
  for (const ObjectSpelling& o : kObjects) {
    if (o.queue_type == type) return o.name;
  }
  return "QLOCAL";
}

bool IsQueue(ObjectKind object) {
  return (ClassBitOf(object) & kAnyQueueBits) != 0;
}

Verb FindVerb(std::string_view word) {
  return static_cast<Verb>(FindSpelling(kVerbs, word));
}

ObjectKind FindObject(std::string_view word) {
  return static_cast<ObjectKind>(FindSpelling(kObjects, word));
}

std::string_view VerbName(Verb verb) {
  return kVerbs[static_cast<size_t>(verb)].name;
}

std::string_view ObjectName(ObjectKind object) {
  return kObjects[static_cast<size_t>(object)].name;
}

bool ValidCommand(Verb verb, ObjectKind object) {
  switch (verb) {
    case Verb::kDefine:
    case Verb::kAlter:
    case Verb::kDelete:
      return object == ObjectKind::kQLocal || object == ObjectKind::kQModel ||
             object == ObjectKind::kQAlias || object == ObjectKind::kProcess;
    case Verb::kDisplay:
      return object != ObjectKind::kNone;
    case Verb::kClear:
      return object == ObjectKind::kQLocal;
    case Verb::kPing:
      return object == ObjectKind::kQMgr;
    case Verb::kEnd:
      return object == ObjectKind::kNone;
    case Verb::kNone:
      break;
  }
  return false;
}

std::string DisplayField(const Keyword& keyword, const Attribute& value) {
  std::string name(keyword.name);
  switch (keyword.kind) {
    case ValueKind::kString: {
      std::string text = TrimTrailingBlanks(value.text);
      return name + "(" + (text.empty() ? std::string(" ") : text) + ")";
    }
    case ValueKind::kNumber:
      return name + "(" + std::to_string(value.number) + ")";
    case ValueKind::kChoice:
      for (const ValueName& c : keyword.choices) {
        if (c.value == value.number) return name + "(" + std::string(c.name) + ")";
      }
      return name + "(" + std::to_string(value.number) + ")";
    case ValueKind::kFlag:
      for (const ValueName& c : keyword.choices) {
        if (c.value == value.number) return std::string(c.name);
      }
      return {};
  }
  return {};
}

}  // namespace mqemu::mqsc
