// Byte counts and durations written with units, as the status report shows
// them: "1.5 KB", "976.56 KB", "1 Hr 5 Mins", "2.25 Hrs".
#pragma once

#include <cstddef>
#include <cstdint>

// Room for any text of FormatBytes or FormatMinutes, terminator included.
constexpr size_t kUnitTextSize = 64;

// Writes `value` bytes in the largest unit (GB, MB, KB, B) not larger than
// it, with up to two decimals and no trailing zeros; a negative value gets
// "- " in front. `buffer` must hold kUnitTextSize bytes. Returns the length.
int FormatBytes(int64_t value, char* buffer);

// Writes `value` minutes in weeks, days, hours and minutes ("1 Dy 1 Hr");
// hours that leave a multiple of 15 minutes end the text as a fraction
// ("1.5 Hrs"). A negative value gets "- " in front. `buffer` must hold
// kUnitTextSize bytes. Returns the length.
int FormatMinutes(int64_t value, char* buffer);
