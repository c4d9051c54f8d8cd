// The compression of PCF replies.
#include "consolidate/compress.h"

#include <cstring>

#include "log/message.h"
#include "log/message_texts.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_walker.h"

namespace {

// Trims the MQCFST at `p`, of `struc_length` bytes (at least its fixed
// part), and returns its new StrucLength, never more than the old one: a
// StrucLength that is not a multiple of 4 is not rounded up past the
// structure's end. A string that does not fit its StrucLength is left as
// it is.
int32_t TrimString(char* p, int32_t struc_length) {
  const int32_t string_length = FieldAt(p, offsetof(MQCFST, StringLength));
  if (string_length <= 4 || string_length > struc_length - MQCFST_STRUC_LENGTH_FIXED) {
    return struc_length;
  }
  const char* text = p + MQCFST_STRUC_LENGTH_FIXED;
  int32_t kept = string_length;
  while (kept > 0 && text[kept - 1] == ' ') --kept;
  int32_t new_struc_length = (kept + MQCFST_STRUC_LENGTH_FIXED + 3) & ~3;
  if (new_struc_length > struc_length) new_struc_length = struc_length;
  SetField(p, offsetof(MQCFST, StringLength), kept);
  SetField(p, offsetof(MQCFST, StrucLength), new_struc_length);
  return new_struc_length;
}

}  // namespace

void CompressPcf(char* message, int32_t* length) {
  if (message == nullptr || *length < MQCFH_STRUC_LENGTH) return;
  int32_t count = FieldAt(message, offsetof(MQCFH, ParameterCount));
  int32_t remaining = *length - MQCFH_STRUC_LENGTH;
  int32_t read = MQCFH_STRUC_LENGTH;
  int32_t write = MQCFH_STRUC_LENGTH;
  while (count > 0 && remaining > 0) {
    char* p = message + read;
    int32_t input_size = remaining;
    int32_t output_size = remaining;
    MQLONG type = MQCFT_NONE;
    int32_t struc_length = 0;
    const bool fits = ReadPcfFrame(p, remaining, &type, &struc_length) == PcfFault::kNone;
    switch (fits ? type : MQCFT_NONE) {
      case MQCFT_INTEGER:
      case MQCFT_INTEGER_LIST:
      case MQCFT_STRING_LIST:
      case MQCFT_BYTE_STRING:
        input_size = output_size = struc_length;
        break;
      case MQCFT_STRING:
        input_size = struc_length;
        output_size = TrimString(p, struc_length);
        break;
      default:
        // Left as it is from here on: a type that is not compressed, or
        // lengths that do not fit in what remains.
        if (fits) {
          Log(kLevelQuiet, kCsag301E, static_cast<int>(type));
        }
        break;
    }
    if (write != read) memmove(message + write, p, static_cast<size_t>(output_size));
    read += input_size;
    write += output_size;
    remaining -= input_size;
    --count;
  }
  *length = write;
}
