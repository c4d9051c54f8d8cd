// CompressPcf: the trimming of a PCF reply. The command server pads every
// string parameter with blanks to its field's full length (a queue name to
// 48 characters, a description to 64); compression drops those blanks, in
// place, so that a client receives only the characters that carry meaning.
#pragma once

#include <cstdint>

// Rewrites the PCF message of *length bytes at `message` in place: every
// MQCFST whose StringLength is above 4 loses its trailing blanks (0x20),
// StringLength becomes the characters left and StrucLength 20 + that,
// rounded up to a multiple of 4 but never above what it was; the parameters
// after it move down. Integers,
// integer lists, string lists and byte strings stay whole. At any other type
// CSAG301E is written and the rest of the message is left as it is, and so
// is the rest from a parameter whose lengths do not fit in its structure or
// in the bytes that remain. The MQCFH is not changed. Sets *length to the new length, which
// ends after the last parameter counted.
// Allocates nothing; never reads or writes outside the message. A message
// shorter than an MQCFH is left alone.
void CompressPcf(char* message, int32_t* length);
