// The agent's error reply, CSAG501E, byte for byte as clients receive it,
// built field by field for the tests that check it.
#pragma once

#include <initializer_list>
#include <string>

#include "pcf/pcf_format.h"

inline const std::string kErrorReplyText = "CSAG501E: No response from IBM MQ Command Server";

inline std::string Fields(std::initializer_list<MQLONG> fields) {
  std::string out;
  for (MQLONG f : fields) out.append(reinterpret_cast<const char*>(&f), sizeof f);
  return out;
}

inline std::string PcfErrorReply(MQLONG command) {
  return Fields({MQCFT_COMMAND, 36, 1, command, 1, MQCFC_LAST, MQCC_FAILED, 3238, 1}) +
         Fields({MQCFT_STRING, 68, 39999, 0, 48}) + kErrorReplyText;
}

inline std::string EscapeErrorReply() {
  return Fields({MQCFT_COMMAND, 36, 1, MQCMD_ESCAPE, 1, MQCFC_LAST, MQCC_OK, 3238, 2}) +
         Fields({MQCFT_INTEGER, 16, 1017, 1}) + Fields({MQCFT_STRING, 68, 3014, 0, 48}) +
         kErrorReplyText;
}
