// The MQSC verb and object tables, and the lookups of attribute keywords.
#include "mqsc/mqsc_keywords.h"

#include <array>

#include "objects/attribute_tables.h"
#include "pcf/mq_field.h"

namespace mqemu::mqsc {
namespace {

struct Spelling {
  std::string_view name;
  std::string_view abbreviation;
};

constexpr std::array<Spelling, 9> kVerbs = {{{"", ""},
                                             {"ALTER", ""},
                                             {"CLEAR", ""},
                                             {"DEFINE", "DEF"},
                                             {"DELETE", ""},
                                             {"DISPLAY", "DIS"},
                                             {"END", ""},
                                             {"PING", ""},
                                             {"RESET", ""}}};
// Object keywords in ObjectKind order, with their class bit and the queue
// type they stand for (MQQT_ALL for none in particular).
struct ObjectSpelling {
  std::string_view name;
  std::string_view abbreviation;
  unsigned bit;
  MQLONG queue_type;
};
constexpr std::array<ObjectSpelling, 15> kObjects = {{{"", "", 0, MQQT_ALL},
                                                      {"QUEUE", "Q", kAnyQueueBits, MQQT_ALL},
                                                      {"QLOCAL", "QL", kLocalBit, MQQT_LOCAL},
                                                      {"QMODEL", "QM", kModelBit, MQQT_MODEL},
                                                      {"QALIAS", "QA", kAliasBit, MQQT_ALIAS},
                                                      {"QREMOTE", "QR", kRemoteBit, MQQT_REMOTE},
                                                      {"QMGR", "", kQMgrBit, MQQT_ALL},
                                                      {"PROCESS", "PRO", kProcessBit, MQQT_ALL},
                                                      {"NAMELIST", "NL", kNamelistBit, MQQT_ALL},
                                                      {"CHANNEL", "CHL", kChannelBits, MQQT_ALL},
                                                      {"QSTATUS", "QS", 0, MQQT_ALL},
                                                      {"QSTATS", "", 0, MQQT_ALL},
                                                      {"QMSTATUS", "", 0, MQQT_ALL},
                                                      {"CONN", "", 0, MQQT_ALL},
                                                      {"CHSTATUS", "CHS", 0, MQQT_ALL}}};

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
      return objects::ProcessKeywords();
    case ObjectKind::kNamelist:
      return objects::NamelistKeywords();
    case ObjectKind::kChannel:
      return objects::ChannelKeywords();
    case ObjectKind::kQMgr:
      return objects::QueueManagerKeywords();
    case ObjectKind::kNone:
    case ObjectKind::kQStatus:
    case ObjectKind::kQStats:
    case ObjectKind::kQMStatus:
    case ObjectKind::kConn:
    case ObjectKind::kChStatus:
      return {};
    default:
      return objects::QueueKeywords();
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
    if (o.queue_type == type && o.bit != 0) return o.bit;
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

MQLONG ChannelTypeOf(std::string_view word) {
  for (const ValueName& t : objects::ChannelTypeNames()) {
    if (word == t.name) return t.value;
  }
  return 0;
}

std::string_view ChannelTypeName(MQLONG type) {
  for (const ValueName& t : objects::ChannelTypeNames()) {
    if (t.value == type) return t.name;
  }
  return {};
}

bool IsStatus(ObjectKind object) {
  return object >= ObjectKind::kQStatus;
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
    case Verb::kAlter:
      if (object == ObjectKind::kQMgr) return true;
      [[fallthrough]];
    case Verb::kDefine:
    case Verb::kDelete:
      return object == ObjectKind::kQLocal || object == ObjectKind::kQModel ||
             object == ObjectKind::kQAlias || object == ObjectKind::kQRemote ||
             object == ObjectKind::kProcess || object == ObjectKind::kNamelist ||
             object == ObjectKind::kChannel;
    case Verb::kDisplay:
      return object != ObjectKind::kNone && object != ObjectKind::kQStats;
    case Verb::kReset:
      return object == ObjectKind::kQStats;
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
    case ValueKind::kNameList: {
      std::string names;
      for (const std::string& t : value.texts) {
        names += (names.empty() ? "" : ",") + TrimTrailingBlanks(t);
      }
      return name + "(" + (names.empty() ? std::string(" ") : names) + ")";
    }
  }
  return {};
}

}  // namespace mqemu::mqsc
