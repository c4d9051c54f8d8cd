// FormatBytes and FormatMinutes over their unit tables.
#include "log/unit_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

struct DurationUnit {
  int64_t minutes;
  const char* singular;
  const char* plural;
  int64_t fraction_step;  // 0: written in whole units only
};

constexpr DurationUnit kDurationUnits[] = {
    {10080, " Wk", " Wks", 0},
    {1440, " Dy", " Dys", 0},
    {60, " Hr", " Hrs", 15},
    {1, " Min", " Mins", 0},
};
constexpr const DurationUnit& kMinuteUnit = kDurationUnits[3];

struct ByteUnit {
  uint64_t bytes;
  const char* name;
};

constexpr ByteUnit kByteUnits[] = {
    {1073741824, " GB"},
    {1048576, " MB"},
    {1024, " KB"},
    {1, " B"},
};
constexpr const ByteUnit& kByteUnit = kByteUnits[3];

// Appends to a fixed buffer of kUnitTextSize bytes.
class UnitText {
 public:
  explicit UnitText(char* buffer) : buffer_(buffer) { buffer_[0] = '\0'; }

  void Append(const char* piece) {
    const int n = snprintf(buffer_ + length_, kUnitTextSize - length_, "%s", piece);
    if (n > 0) length_ = std::min(length_ + static_cast<size_t>(n), kUnitTextSize - 1);
  }

  void AppendCount(uint64_t count) {
    char number[kUnitTextSize];
    snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(count));
    Append(number);
  }

  // Appends `quotient` with "%.2f", trailing zeros and a bare point dropped.
  void AppendDecimal(double quotient) {
    char number[kUnitTextSize];
    snprintf(number, sizeof number, "%.2f", quotient);
    if (strchr(number, '.') != nullptr) {
      size_t end = strlen(number);
      while (number[end - 1] == '0') --end;
      if (number[end - 1] == '.') --end;
      number[end] = '\0';
    }
    Append(number);
  }

  int length() const { return static_cast<int>(length_); }

 private:
  char* buffer_;
  size_t length_ = 0;
};

// The magnitude of `value` (correct for INT64_MIN too), after writing the
// sign of a negative value.
uint64_t Magnitude(int64_t value, UnitText& text) {
  if (value >= 0) return static_cast<uint64_t>(value);
  text.Append("- ");
  return 0 - static_cast<uint64_t>(value);
}

}  // namespace

int FormatBytes(int64_t value, char* buffer) {
  UnitText text(buffer);
  const uint64_t bytes = Magnitude(value, text);
  if (bytes == 0) {
    text.Append("0");
    text.Append(kByteUnit.name);
    return text.length();
  }
  for (const ByteUnit& unit : kByteUnits) {
    if (unit.bytes > bytes) continue;
    text.AppendDecimal(static_cast<double>(bytes) / static_cast<double>(unit.bytes));
    text.Append(unit.name);
    break;
  }
  return text.length();
}

int FormatMinutes(int64_t value, char* buffer) {
  UnitText text(buffer);
  uint64_t remaining = Magnitude(value, text);
  if (remaining == 0) {
    text.Append("0");
    text.Append(kMinuteUnit.plural);
    return text.length();
  }
  bool first = true;
  for (const DurationUnit& unit : kDurationUnits) {
    const auto size = static_cast<uint64_t>(unit.minutes);
    if (remaining == 0) break;
    if (size > remaining) continue;
    if (!first) text.Append(" ");
    first = false;
    if (unit.fraction_step != 0 && remaining % static_cast<uint64_t>(unit.fraction_step) == 0) {
      const double quotient = static_cast<double>(remaining) / static_cast<double>(size);
      text.AppendDecimal(quotient);
      text.Append(remaining == size ? unit.singular : unit.plural);
      break;
    }
    const uint64_t count = remaining / size;
    text.AppendCount(count);
    text.Append(count == 1 ? unit.singular : unit.plural);
    remaining -= count * size;
  }
  return text.length();
}
