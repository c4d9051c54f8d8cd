// One row says everything about one attribute of an object type (queue,
// process, queue manager): its selector, its MQSC keyword and value syntax,
// where it lives in the object, which object classes report it and which may
// set it, how a new value is checked and what setting it does beyond storing
// it. Inquiry (PCF and MQINQ), definition and change (PCF, MQSC, mqemu
// define), MQSET and MQSC's DISPLAY are all driven by these rows, so adding
// an attribute is adding a row. The generic code over the rows is here too.
#pragma once

#include <cmqc.h>

#include <algorithm>
#include <array>
#include <climits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "objects/kept_values.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"

namespace mqemu::objects {

// Bits for the object classes an attribute belongs to: the low 16 bits of
// a scope, so there is room for sixteen classes.
enum ClassBit : unsigned {
  kLocalBit = 1,
  kModelBit = 2,
  kAliasBit = 4,
  kProcessBit = 8,
  kQMgrBit = 16,
  kRemoteBit = 32,  // a local definition of a remote queue
  kNamelistBit = 64,
  kSenderBit = 128,  // channels, by type
  kReceiverBit = 256,
  kSvrconnBit = 512,
};
constexpr unsigned kAnyQueueBits = kLocalBit | kModelBit | kAliasBit | kRemoteBit;
constexpr unsigned kQueueBits = kLocalBit | kModelBit;  // local and model queues
constexpr unsigned kChannelBits = kSenderBit | kReceiverBit | kSvrconnBit;
constexpr unsigned kClassBits = 0xffff;

// Bits for the platforms whose queue managers have an attribute: most are
// everywhere, some only on the distributed platforms or only on z/OS. Code
// that asks about an attribute passes a scope: the class bit of its object
// and the platform bit of its queue manager together (ScopeOf).
enum PlatformBit : unsigned {
  kDistributedBit = 0x10000,
  kZosBit = 0x20000,
};
static_assert((kDistributedBit & kClassBits) == 0 && kSvrconnBit <= kClassBits,
              "class and platform bits share a scope without overlapping");
constexpr unsigned kAllPlatforms = kDistributedBit | kZosBit;

constexpr unsigned PlatformBitOf(MQLONG platform) {
  return platform == MQPL_ZOS ? kZosBit : kDistributedBit;
}
constexpr unsigned ScopeOf(unsigned class_bit, MQLONG platform) {
  return class_bit | PlatformBitOf(platform);
}
// Whether an attribute of `classes` on `platforms` belongs to `scope`.
constexpr bool InScope(unsigned classes, unsigned platforms, unsigned scope) {
  return (classes & scope & kClassBits) != 0 && (platforms & scope) != 0;
}

// How MQSC writes a value.
enum class ValueKind {
  kNumber,    // an integer in [min, max]
  kString,    // text of at most max characters
  kChoice,    // one of choices by name; also an integer in [min, max] when max > 0
  kFlag,      // a keyword alone: choices[0] sets the on value, choices[1] the off
              // value (an off keyword with an empty name shows nothing)
  kNameList,  // object names separated by commas, at most min of them, each of
              // at most max characters; PCF carries them in a string list
};

struct ValueName {
  std::string_view name;
  MQLONG value;
};

// An attribute keyword as MQSC parses, shows and describes it.
struct Keyword {
  std::string_view name;     // empty for an attribute that MQSC does not name
  std::string_view synonym;  // another spelling, or empty
  MQLONG selector;
  ValueKind kind;
  MQLONG min;
  MQLONG max;  // of a string: its full field length
  std::span<const ValueName> choices;
  unsigned settable;  // classes where DEFINE and ALTER may give it
  unsigned shown;     // classes where DISPLAY accepts it
  unsigned platforms = kAllPlatforms;
  // The name DISPLAY orders it by when not its own: IBM MQ shows a few
  // keywords out of alphabetical order, where later releases added them.
  std::string_view sorted_as = {};

  constexpr std::string_view DisplayKey() const { return sorted_as.empty() ? name : sorted_as; }
};

// How a value given to a definition or change is checked, past its selector
// and string length.
enum class Rule {
  kAny,           // any value (text within the field length)
  kRange,         // a number in [low, high]
  kChoices,       // a number among `allowed`, or else as MQSC takes it: one of
                  // the choices or in the keyword's range
  kName,          // an object name
  kOptionalName,  // empty or an object name
};

// What setting an attribute does beyond storing the value.
enum class Hook {
  kNone,
  kWakeConsumers,  // get-inhibit: waiting getters and consumers are told
};

// An attribute value by selector: what inquiries report (strings blank
// padded to the field's full length) and what definitions give.
struct AttributeValue {
  bool is_string = false;
  MQLONG number = 0;
  std::string text;
  // With is_string, a string list of `texts`; else an integer list of the
  // one value `number`.
  bool is_list = false;
  std::vector<std::string> texts;  // blank padded to the field length
};

template <typename Object>
struct AttributeRow {
  Keyword keyword;
  unsigned inquire = 0;            // classes whose inquiries (PCF, MQINQ, DISPLAY) report it
  unsigned set = 0;                // classes where PCF definitions and changes may give it
  bool mqset = false;              // whether MQSET may change it
  MQLONG mqset_error = MQRC_NONE;  // MQSET's reason for a refused value
  // Where the value lives: a member, a function for a computed value, or
  // the object's kept values (Object::kept) with the row's default.
  MQLONG Object::*number = nullptr;
  std::string Object::*text = nullptr;
  std::vector<std::string> Object::*texts = nullptr;  // a name list
  AttributeValue (*computed)(const Object&) = nullptr;
  bool kept = false;
  MQLONG kept_default = 0;
  std::string_view kept_default_text;
  bool always = false;  // reported by every inquiry, whatever it asks for
  bool list = false;    // an integer list in PCF (of one value here); not by MQINQ
  Rule rule = Rule::kAny;
  MQLONG low = 0;
  MQLONG high = 0;
  std::span<const MQLONG> allowed;
  MQLONG value_error = MQRCCF_PARM_VALUE_ERROR;  // the reason of a refused value
  Hook hook = Hook::kNone;
  std::string_view option;  // an mqemu define option other than its keyword's, or empty

  // Builders, so that a table row reads as one sentence.
  constexpr AttributeRow Inquire(unsigned classes) const {
    AttributeRow r = *this;
    r.inquire = classes;
    if (r.keyword.shown == 0 && !r.keyword.name.empty()) r.keyword.shown = classes;
    return r;
  }
  // Settable through PCF and MQSC in `classes`.
  constexpr AttributeRow Set(unsigned classes) const {
    AttributeRow r = *this;
    r.set = classes;
    r.keyword.settable = classes;
    return r;
  }
  // Reported and settable in `classes`.
  constexpr AttributeRow For(unsigned classes) const { return Inquire(classes).Set(classes); }
  // Reported whatever an inquiry asks for.
  constexpr AttributeRow Always() const {
    AttributeRow r = *this;
    r.always = true;
    return r;
  }
  // Only on the distributed platforms, or only on z/OS.
  constexpr AttributeRow Distributed() const {
    AttributeRow r = *this;
    r.keyword.platforms = kDistributedBit;
    return r;
  }
  constexpr AttributeRow Zos() const {
    AttributeRow r = *this;
    r.keyword.platforms = kZosBit;
    return r;
  }
  constexpr AttributeRow AsList() const {
    AttributeRow r = *this;
    r.list = true;
    return r;
  }
  // Only for the odd attribute whose MQSC classes differ from PCF's.
  constexpr AttributeRow Mqsc(unsigned settable, unsigned shown) const {
    AttributeRow r = *this;
    r.keyword.settable = settable;
    r.keyword.shown = shown;
    return r;
  }
  // DISPLAY shows it where a keyword named `key` would stand.
  constexpr AttributeRow SortedAs(std::string_view key) const {
    AttributeRow r = *this;
    r.keyword.sorted_as = key;
    return r;
  }
  constexpr AttributeRow Synonym(std::string_view synonym) const {
    AttributeRow r = *this;
    r.keyword.synonym = synonym;
    return r;
  }
  // MQSET may change it too, refusing a value with `value_reason`.
  constexpr AttributeRow ByMqset(MQLONG value_reason) const {
    AttributeRow r = *this;
    r.mqset = true;
    r.mqset_error = value_reason;
    return r;
  }
  constexpr AttributeRow Allowed(std::span<const MQLONG> values) const {
    AttributeRow r = *this;
    r.rule = Rule::kChoices;
    r.allowed = values;
    return r;
  }
  constexpr AttributeRow Range(MQLONG lo, MQLONG hi) const {
    AttributeRow r = *this;
    r.rule = Rule::kRange;
    r.low = lo;
    r.high = hi;
    return r;
  }
  constexpr AttributeRow ValueError(MQLONG reason) const {
    AttributeRow r = *this;
    r.value_error = reason;
    return r;
  }
  constexpr AttributeRow Names(Rule rule) const {
    AttributeRow r = *this;
    r.rule = rule;
    return r;
  }
  constexpr AttributeRow WithHook(Hook hook) const {
    AttributeRow r = *this;
    r.hook = hook;
    return r;
  }
  constexpr AttributeRow Option(std::string_view name) const {
    AttributeRow r = *this;
    r.option = name;
    return r;
  }
  // The numbers MQSC takes for a choice besides its names.
  constexpr AttributeRow MqscNumbers(MQLONG min, MQLONG max) const {
    AttributeRow r = *this;
    r.keyword.min = min;
    r.keyword.max = max;
    return r;
  }
  constexpr AttributeRow Computed(AttributeValue (*f)(const Object&)) const {
    AttributeRow r = *this;
    r.computed = f;
    return r;
  }
};

// Row starters by MQSC value kind; `keyword` may be empty. Numbers and
// choices are checked as MQSC reads them unless the row says otherwise.
template <typename Object>
constexpr AttributeRow<Object> Number(MQLONG selector, std::string_view keyword,
                                      MQLONG Object::*member, MQLONG min, MQLONG max) {
  AttributeRow<Object> r;
  r.keyword = {keyword, {}, selector, ValueKind::kNumber, min, max, {}, 0, 0};
  r.number = member;
  r.rule = Rule::kRange;
  r.low = min;
  r.high = max;
  return r;
}
template <typename Object>
constexpr AttributeRow<Object> Text(MQLONG selector, std::string_view keyword,
                                    std::string Object::*member, MQLONG length) {
  AttributeRow<Object> r;
  r.keyword = {keyword, {}, selector, ValueKind::kString, 0, length, {}, 0, 0};
  r.text = member;
  return r;
}
template <typename Object>
constexpr AttributeRow<Object> Choice(MQLONG selector, std::string_view keyword,
                                      MQLONG Object::*member, std::span<const ValueName> choices) {
  AttributeRow<Object> r;
  r.keyword = {keyword, {}, selector, ValueKind::kChoice, 0, 0, choices, 0, 0};
  r.number = member;
  r.rule = Rule::kChoices;
  return r;
}
// A list of up to `count` object names of up to `length` characters each.
template <typename Object>
constexpr AttributeRow<Object> NameList(MQLONG selector, std::string_view keyword,
                                        std::vector<std::string> Object::*member, MQLONG length,
                                        MQLONG count) {
  AttributeRow<Object> r;
  r.keyword = {keyword, {}, selector, ValueKind::kNameList, count, length, {}, 0, 0};
  r.texts = member;
  r.rule = Rule::kName;
  return r;
}
// A flag's keyword is its on value's name, its synonym the off value's.
template <typename Object>
constexpr AttributeRow<Object> Flag(MQLONG selector, MQLONG Object::*member,
                                    std::span<const ValueName> choices) {
  AttributeRow<Object> r = Choice(selector, choices[0].name, member, choices);
  r.keyword.kind = ValueKind::kFlag;
  r.keyword.synonym = choices[1].name;
  return r;
}

// Starters of the attributes kept in the object's kept values, each with
// the value an object has until one is given.
template <typename Object>
constexpr AttributeRow<Object> Kept(MQLONG selector, std::string_view keyword, MQLONG min,
                                    MQLONG max, MQLONG default_value) {
  AttributeRow<Object> r = Number<Object>(selector, keyword, nullptr, min, max);
  r.kept = true;
  r.kept_default = default_value;
  return r;
}
template <typename Object>
constexpr AttributeRow<Object> KeptText(MQLONG selector, std::string_view keyword, MQLONG length,
                                        std::string_view default_text = {}) {
  AttributeRow<Object> r = Text<Object>(selector, keyword, nullptr, length);
  r.kept = true;
  r.kept_default_text = default_text;
  return r;
}
template <typename Object>
constexpr AttributeRow<Object> KeptChoice(MQLONG selector, std::string_view keyword,
                                          std::span<const ValueName> choices,
                                          MQLONG default_value) {
  AttributeRow<Object> r = Choice<Object>(selector, keyword, nullptr, choices);
  r.kept = true;
  r.kept_default = default_value;
  return r;
}
template <typename Object>
constexpr AttributeRow<Object> KeptFlag(MQLONG selector, std::span<const ValueName> choices,
                                        MQLONG default_value) {
  AttributeRow<Object> r = Flag<Object>(selector, nullptr, choices);
  r.kept = true;
  r.kept_default = default_value;
  return r;
}

template <typename Object>
using Rows = std::span<const AttributeRow<Object>>;

// The row of `selector`, or null.
template <typename Object>
const AttributeRow<Object>* FindRow(Rows<Object> rows, MQLONG selector) {
  for (const AttributeRow<Object>& r : rows) {
    if (r.keyword.selector == selector) return &r;
  }
  return nullptr;
}

inline bool IsStringSelector(MQLONG selector) {
  return selector >= MQCA_FIRST && selector <= MQCA_LAST;
}

// An integer attribute's value; with `list`, an integer list of it.
inline AttributeValue NumberValue(MQLONG number, bool list = false) {
  AttributeValue v;
  v.number = number;
  v.is_list = list;
  return v;
}

// A string attribute's value: `text` cut or blank padded to `length`.
inline AttributeValue TextValue(std::string_view text, MQLONG length) {
  AttributeValue v;
  v.is_string = true;
  v.text = text.substr(0, static_cast<size_t>(length));
  v.text.resize(static_cast<size_t>(length), ' ');
  return v;
}

// The value of `row` in `object`, strings blank padded to the field length.
template <typename Object>
AttributeValue ValueOf(const AttributeRow<Object>& row, const Object& object) {
  if (row.computed) return row.computed(object);
  if (row.number) return NumberValue(object.*row.number);
  if (row.texts) {
    AttributeValue v;
    v.is_string = v.is_list = true;
    for (const std::string& t : object.*row.texts) {
      v.texts.push_back(TextValue(t, row.keyword.max).text);
    }
    return v;
  }
  const MQLONG selector = row.keyword.selector;
  if (row.kept && !IsStringSelector(selector)) {
    auto it = object.kept.numbers.find(selector);
    return NumberValue(it == object.kept.numbers.end() ? row.kept_default : it->second, row.list);
  }
  if (row.kept) {
    auto it = object.kept.texts.find(selector);
    return TextValue(it == object.kept.texts.end() ? row.kept_default_text : it->second,
                     row.keyword.max);
  }
  return TextValue(row.text ? std::string_view(object.*row.text) : std::string_view(),
                   row.keyword.max);
}

// Whether an inquiry in `scope` reports the attribute of `row`.
template <typename Object>
constexpr bool Reports(const AttributeRow<Object>& row, unsigned scope) {
  return InScope(row.inquire, row.keyword.platforms, scope);
}

// The MQSC keywords of a table, in the order DISPLAY shows them (by name,
// or the name a row sorts as),
// for a constant: KeywordTable<KeywordCount(rows)>(rows).
template <typename Object, size_t N>
constexpr size_t KeywordCount(const AttributeRow<Object> (&rows)[N]) {
  size_t count = 0;
  for (const AttributeRow<Object>& r : rows) count += r.keyword.name.empty() ? 0 : 1;
  return count;
}
template <size_t M, typename Object, size_t N>
constexpr std::array<Keyword, M> KeywordTable(const AttributeRow<Object> (&rows)[N]) {
  std::array<Keyword, M> keywords{};
  size_t i = 0;
  for (const AttributeRow<Object>& r : rows) {
    if (!r.keyword.name.empty()) keywords[i++] = r.keyword;
  }
  std::sort(keywords.begin(), keywords.end(),
            [](const Keyword& a, const Keyword& b) { return a.DisplayKey() < b.DisplayKey(); });
  return keywords;
}

// The selectors that inquiries in `scope` report, in row order.
template <typename Object>
std::vector<MQLONG> InquirySelectors(Rows<Object> rows, unsigned scope) {
  std::vector<MQLONG> selectors;
  for (const AttributeRow<Object>& r : rows) {
    if (Reports(r, scope)) selectors.push_back(r.keyword.selector);
  }
  return selectors;
}

// Calls report(selector, value) for each attribute of `object` that an
// inquiry in `scope` reports when it asks for the selectors `asked`, or for
// everything when `all`: in row order, which is the order IBM MQ reports
// them in, whatever the order asked; the rows marked always whatever is asked.
template <typename Object, typename Report>
void ForEachReported(Rows<Object> rows, unsigned scope, const Object& object,
                     std::span<const MQLONG> asked, bool all, Report report) {
  for (const AttributeRow<Object>& r : rows) {
    if (!Reports(r, scope)) continue;
    const MQLONG selector = r.keyword.selector;
    if (all || r.always || std::find(asked.begin(), asked.end(), selector) != asked.end()) {
      report(selector, ValueOf(r, object));
    }
  }
}

// The value of `selector` for `object` in `scope`; false when the object
// has no such attribute there.
template <typename Object>
bool Inquire(Rows<Object> rows, unsigned scope, const Object& object, MQLONG selector,
             AttributeValue* out) {
  const AttributeRow<Object>* row = FindRow(rows, selector);
  if (!row || !Reports(*row, scope)) return false;
  *out = ValueOf(*row, object);
  return true;
}

// Whether `name` is a valid object name: 1 to 48 of the characters that IBM
// MQ allows in names.
bool ValidObjectName(std::string_view name);

// 0 when a definition or change of an object in `scope` may give
// `selector` the value (`is_string`, `number`, `text`, or the name list
// `texts` when not null), else the reason: a parameter identifier error for
// a selector that is not settable there or whose type does not fit, a
// string length or count error, or the row's value error.
template <typename Object>
MQLONG CheckChange(Rows<Object> rows, unsigned scope, MQLONG selector, bool is_string,
                   MQLONG number, std::string_view text,
                   const std::vector<std::string>* texts = nullptr) {
  const AttributeRow<Object>* row = FindRow(rows, selector);
  const bool list_row = row && row->texts;
  if (!row || !InScope(row->set, row->keyword.platforms, scope) ||
      is_string != IsStringSelector(selector) || (texts != nullptr) != list_row) {
    if (texts) return MQRCCF_CFSL_PARM_ID_ERROR;
    return is_string ? MQRCCF_CFST_PARM_ID_ERROR : MQRCCF_CFIN_PARM_ID_ERROR;
  }
  if (texts) {
    if (texts->size() > static_cast<size_t>(row->keyword.min)) return MQRCCF_CFSL_COUNT_ERROR;
    for (const std::string& t : *texts) {
      if (t.size() > static_cast<size_t>(row->keyword.max)) return MQRCCF_CFSL_STRING_LENGTH_ERR;
      std::string name = TrimTrailingBlanks(t);
      if (!name.empty() && !ValidObjectName(name)) return MQRCCF_OBJECT_NAME_ERROR;
    }
    return 0;
  }
  if (is_string && text.size() > static_cast<size_t>(row->keyword.max)) {
    return MQRCCF_CFST_STRING_LENGTH_ERR;
  }
  bool fits = true;
  switch (row->rule) {
    case Rule::kAny:
      break;
    case Rule::kRange:
      fits = number >= row->low && number <= row->high;
      break;
    case Rule::kChoices:
      fits = false;
      if (row->allowed.empty()) {
        for (const ValueName& c : row->keyword.choices) fits = fits || c.value == number;
        if (row->keyword.max > 0) {
          fits = fits || (number >= row->keyword.min && number <= row->keyword.max);
        }
      } else {
        for (MQLONG v : row->allowed) fits = fits || v == number;
      }
      break;
    case Rule::kName:
      return ValidObjectName(TrimTrailingBlanks(text)) ? 0 : MQRCCF_OBJECT_NAME_ERROR;
    case Rule::kOptionalName: {
      std::string name = TrimTrailingBlanks(text);
      return name.empty() || ValidObjectName(name) ? 0 : MQRCCF_OBJECT_NAME_ERROR;
    }
  }
  return fits ? 0 : row->value_error;
}

// Stores a checked value in `object` (`texts` for a name list), strings
// without trailing blanks. The row's hook is the caller's to run.
template <typename Object>
void Store(const AttributeRow<Object>& row, Object& object, MQLONG number, std::string_view text,
           const std::vector<std::string>& texts = {}) {
  if (row.texts) {
    std::vector<std::string>& names = object.*row.texts;
    names.clear();
    for (const std::string& t : texts) names.push_back(TrimTrailingBlanks(t));
  }
  if (row.number) object.*row.number = number;
  if (row.text) object.*row.text = TrimTrailingBlanks(text);
  if (!row.kept) return;
  if (IsStringSelector(row.keyword.selector)) {
    object.kept.texts[row.keyword.selector] = TrimTrailingBlanks(text);
  } else {
    object.kept.numbers[row.keyword.selector] = number;
  }
}

// Whether `row` holds a value that a definition could give (a member or a
// kept value, not a computation).
template <typename Object>
constexpr bool HoldsValue(const AttributeRow<Object>& row) {
  return row.number || row.text || row.texts || row.kept;
}

// Gives `to` the values that `from` has of every attribute that
// definitions of all the classes in `classes` may give (a model queue's to
// the dynamic queue it makes), without the rows' hooks.
template <typename Object>
void CopyValues(Rows<Object> rows, unsigned classes, const Object& from, Object& to) {
  for (const AttributeRow<Object>& r : rows) {
    if ((r.set & classes) != classes || !HoldsValue(r)) continue;
    AttributeValue v = ValueOf(r, from);
    Store(r, to, v.number, v.text, v.texts);
  }
}

}  // namespace mqemu::objects
