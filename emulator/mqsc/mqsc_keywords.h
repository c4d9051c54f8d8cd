// The vocabulary of MQSC that the interpreter understands: verbs, object
// keywords and, per object class, the attribute keywords with their IBM
// selector, value kind and the classes that may set or show them. The
// attribute keywords come from the objects' attribute tables; parsing,
// display and the syntax help all read them, so a keyword is described once.
#pragma once

#include <cmqc.h>

#include <span>
#include <string>
#include <string_view>

#include "mqsc/mqsc_backend.h"
#include "objects/attribute_row.h"

namespace mqemu::mqsc {

enum class Verb { kNone, kAlter, kClear, kDefine, kDelete, kDisplay, kEnd, kPing, kReset };

// The object keyword of a command. kQueue is DISPLAY QUEUE, of any type;
// the status objects follow the definitions.
enum class ObjectKind {
  kNone,
  kQueue,
  kQLocal,
  kQModel,
  kQAlias,
  kQRemote,
  kQMgr,
  kProcess,
  kNamelist,
  kChannel,
  kQStatus,   // DISPLAY QSTATUS
  kQStats,    // RESET QSTATS
  kQMStatus,  // DISPLAY QMSTATUS
  kConn,      // DISPLAY CONN
  kChStatus,  // DISPLAY CHSTATUS
};
// Whether an object keyword names status rather than a definition.
bool IsStatus(ObjectKind object);

// Keywords, value kinds and class bits are those of the attribute tables.
using objects::ClassBit;
using objects::InScope;
using objects::kAliasBit;
using objects::kAnyQueueBits;
using objects::kChannelBits;
using objects::kDistributedBit;
using objects::Keyword;
using objects::kLocalBit;
using objects::kModelBit;
using objects::kNamelistBit;
using objects::kProcessBit;
using objects::kQMgrBit;
using objects::kRemoteBit;
using objects::PlatformBitOf;
using objects::ValueKind;
using objects::ValueName;

// The attribute keywords of queues, processes, namelists, channels and the queue manager, in
// the order that DISPLAY shows them.
std::span<const Keyword> KeywordsOf(ObjectKind object);

// The keyword of that table spelled `word` (upper case): by name, synonym,
// or the off keyword of a flag. Null when there is none.
const Keyword* FindKeyword(ObjectKind object, std::string_view word);

// The class bit of an object keyword, and of a queue type (MQQT_*).
unsigned ClassBitOf(ObjectKind object);
unsigned ClassBitOfQueueType(MQLONG type);
// MQQT_* of a queue object keyword; MQQT_ALL for kQueue.
MQLONG QueueTypeOf(ObjectKind object);
// "QLOCAL", "QMODEL", "QALIAS", "QREMOTE" for a queue type.
std::string_view QueueTypeName(MQLONG type);
bool IsQueue(ObjectKind object);
// A channel type (MQCHT_*) by its CHLTYPE name (SDR, RCVR, SVRCONN), 0 for
// none the stand-in defines; and the name of a type.
MQLONG ChannelTypeOf(std::string_view word);
std::string_view ChannelTypeName(MQLONG type);

// Verbs and object keywords by any of their spellings (upper case).
Verb FindVerb(std::string_view word);
ObjectKind FindObject(std::string_view word);
std::string_view VerbName(Verb verb);
std::string_view ObjectName(ObjectKind object);
// Whether MQSC has that verb for that object.
bool ValidCommand(Verb verb, ObjectKind object);

// An attribute as MQSC displays it: "MAXMSGL(100000)", "DESCR( )" for an
// empty string, "TRIGGER" for a flag, a choice by name (its number when the
// value has no name). Empty when there is nothing to show.
std::string DisplayField(const Keyword& keyword, const Attribute& value);

}  // namespace mqemu::mqsc
