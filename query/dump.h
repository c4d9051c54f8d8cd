// A queue manager's object definitions as MQSC that runmqsc replays: read
// from the answers to one DISPLAY ... ALL per object type (the queue
// manager, queues, processes, namelists, channels), written as ALTER
// QMGR and DEFINE ... REPLACE commands (or as JSON), objects sorted by type
// and name. What cannot be replayed is left out, as IBM's dmpmqcfg leaves it
// out: the dates and times the queue manager sets, the attributes that only
// report (CURDEPTH, QMID, ...), and temporary dynamic queues.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "batch.h"

namespace query {

// One kind of object the dump asks for: one DISPLAY command each.
struct DumpKind {
  const char* type;      // the word --type names it by ("queue")
  const char* display;   // DISPLAY's object keyword ("QUEUE")
  const char* name_key;  // the keyword that names an object in DISPLAY's output
  // The keyword whose value is the object keyword of DEFINE ("TYPE" of a
  // queue: QLOCAL, QALIAS, ...), left out of the attributes; or null, when
  // the DEFINE's keyword is `display` itself.
  const char* kind_key;
  // Attributes that DISPLAY reports and a definition cannot set.
  std::vector<std::string_view> read_only;
};

// Every kind, in the order a dump lists them.
const std::vector<DumpKind>& DumpKinds();

// The kinds that --type words choose ("queue,process", or one of the queue
// types "qlocal" ...): all when `types` is empty. The DISPLAY command of each
// through *commands, asking for `pattern` ("*" when empty); the queue
// manager's only when no pattern narrows the dump or "qmgr" is asked for.
// Returns the word it does not know, or "" when all were known.
std::string DumpCommands(const std::vector<std::string>& types, const std::string& pattern,
                         std::vector<std::string>* commands);

// One attribute of an object as DISPLAY shows it: KEYWORD(value), or a
// KEYWORD alone (NOTRIGGER) with `flag` set.
struct DumpAttribute {
  std::string keyword;
  std::string value;
  bool flag = false;
};

// One object's definition.
struct DumpObject {
  std::string verb;  // "ALTER" or "DEFINE"
  std::string kind;  // QMGR, QLOCAL, PROCESS, ...
  std::string name;  // "" for the queue manager
  std::vector<DumpAttribute> attributes;
};

// The attributes of one block of DISPLAY output (its message line, such as
// AMQ8409I, first): every KEYWORD(value) and lone KEYWORD. A value runs to
// the ')' that closes it and is followed by the end of the text or by
// blanks and the next keyword, so that a description holding parentheses
// is read whole.
std::vector<DumpAttribute> ParseDisplayBlock(std::string_view text);

// The objects that `jobs` (DumpCommands' commands, in any order) found,
// sorted by kind and name, replayable attributes only. A DISPLAY that found
// no object adds none; *failed is set when any answer failed otherwise.
std::vector<DumpObject> DumpObjects(const std::vector<const Job*>& jobs, bool* failed);

// The objects as MQSC: a comment heading naming `qmgr` and the time, then
// one command per object, one attribute a line with '+' continuations.
void PrintDump(std::ostream& out, const std::string& qmgr, const std::vector<DumpObject>& objects);

// The objects as data: an array of {"object", "name", "attributes"}, a lone
// keyword's value true.
nlohmann::ordered_json DumpJson(const std::vector<DumpObject>& objects);

// `value` as MQSC writes it: as it is when folding to upper case cannot
// change it (names, numbers and keywords), else quoted with each ' doubled;
// blank as ' '.
std::string MqscValue(std::string_view value);

}  // namespace query
