// The agent's error reply in the three forms, and its delivery.
#include "relay/error_reply.h"

#include <cstring>

#include "cs/cs_memory.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "pcf/agent_format.h"
#include "pcf/names/constant_names.h"
#include "pcf/pcf_coding.h"
#include "pcf/pcf_cursor.h"
#include "pcf/pcf_format.h"
#include "relay/deliver.h"
#include "state/process_state.h"

namespace {

constexpr int32_t kErrorReplyBufferSize = 1000;
constexpr int32_t kConvertedBufferSize = 102400;
constexpr int32_t kTextLength = sizeof kNoResponseText - 1;

// The escape response's structures before its text.
constexpr int32_t kEscapeHeaderLength =
    MQCFH_STRUC_LENGTH + MQCFIN_STRUC_LENGTH + MQCFST_STRUC_LENGTH_FIXED;
static_assert(kEscapeHeaderLength == 72);

void ReportNoMemory(int32_t size) {
  Log(kLevelQuiet, kCsag201E, size);
}

// Finds the error text of a PCF reply; returns its length (0: none) and
// sets *text.
int32_t ErrorText(const char* message, int32_t length, const char** text) {
  MQCFH header;
  memcpy(&header, message, sizeof header);
  *text = nullptr;
  if (header.CompCode == MQCC_OK || header.Reason == MQRC_NONE) return 0;
  int32_t text_length = 0;
  PcfReader reader;
  PcfReaderInit(&reader, message, length);
  for (;;) {
    PcfItem item;
    MQLONG comp_code;
    MQLONG reason;
    PcfNextParm(&reader, &item, &comp_code, &reason);
    if (comp_code == MQCC_FAILED) break;
    if (item.parameter == TVN_ATTR_ERROR_TEXT && item.type == MQCFT_STRING) {
      *text = item.value;
      text_length = item.value_length;
    }
  }
  return text_length;
}

}  // namespace

int32_t BuildNoResponseReply(int32_t command, char* out) {
  const MQCFH header = {MQCFT_COMMAND, MQCFH_STRUC_LENGTH, MQCFH_VERSION_1,         command, 1,
                        MQCFC_LAST,    MQCC_FAILED,        MQRCCF_UNEXPECTED_ERROR, 1};
  memcpy(out, &header, sizeof header);
  char* text = out + MQCFH_STRUC_LENGTH;
  constexpr int32_t kStrucLength = MQCFST_STRUC_LENGTH_FIXED + kTextLength;
  const MQLONG fields[] = {MQCFT_STRING, kStrucLength, TVN_ATTR_ERROR_TEXT, 0, kTextLength};
  memcpy(text, fields, sizeof fields);
  memcpy(text + MQCFST_STRUC_LENGTH_FIXED, kNoResponseText, kTextLength);
  return MQCFH_STRUC_LENGTH + kStrucLength;
}

int ConvertErrorReply(const REQUEST* request, char** buffer, int32_t* length) {
  if (request->Kind == REQ_PCF) return 1;
  auto* converted = static_cast<char*>(CSGetMem(kConvertedBufferSize));
  if (converted == nullptr) {
    ReportNoMemory(kConvertedBufferSize);
    return 0;
  }
  const bool escape = request->Kind == REQ_ESCAPE;
  const int32_t text_at = escape ? kEscapeHeaderLength : 0;
  int result = 1;
  int32_t text_length = 0;
  if (*length < MQCFH_STRUC_LENGTH) {
    Log(kLevelQuiet, kCsag405E, static_cast<int>(MQRCCF_MSG_LENGTH_ERROR),
        ReasonText(MQRCCF_MSG_LENGTH_ERROR));
    result = 0;
  } else {
    const char* text = nullptr;
    text_length = ErrorText(*buffer, *length, &text);
    if (text_length > kConvertedBufferSize - text_at) text_length = kConvertedBufferSize - text_at;
    if (text_length > 0) memcpy(converted + text_at, text, static_cast<size_t>(text_length));
  }

  if (escape) {
    MQCFH given{};
    if (*length >= MQCFH_STRUC_LENGTH) memcpy(&given, *buffer, sizeof given);
    const MQCFH header = {MQCFT_COMMAND,
                          MQCFH_STRUC_LENGTH,
                          MQCFH_VERSION_1,
                          given.Command,
                          1,
                          MQCFC_LAST,
                          MQCC_OK,
                          given.Reason,
                          2};
    memcpy(converted, &header, sizeof header);
    const MQCFIN type = {MQCFT_INTEGER, MQCFIN_STRUC_LENGTH, MQIACF_ESCAPE_TYPE, MQET_MQSC};
    memcpy(converted + MQCFH_STRUC_LENGTH, &type, sizeof type);
    char* text = converted + MQCFH_STRUC_LENGTH + MQCFIN_STRUC_LENGTH;
    SetField(text, offsetof(MQCFST, Type), MQCFT_STRING);
    SetField(text, offsetof(MQCFST, StrucLength), MQCFST_STRUC_LENGTH_FIXED + text_length);
    SetField(text, offsetof(MQCFST, Parameter), MQCACF_ESCAPE_TEXT);
    SetField(text, offsetof(MQCFST, CodedCharSetId), 0);
    SetField(text, offsetof(MQCFST, StringLength), text_length);
  }
  *buffer = converted;
  *length = text_at + text_length;
  return result;
}

void SendNoResponseReply(REQUEST* request) {
  MQMD md = AgentReplyDescriptor(MQFMT_ADMIN);
  auto* reply = static_cast<char*>(CSGetMem(kErrorReplyBufferSize));
  if (reply == nullptr) {
    ReportNoMemory(kErrorReplyBufferSize);
    RequestStop(kExitFailure);
    return;
  }
  char* message = reply;
  int32_t length = BuildNoResponseReply(request->Command, reply);
  ConvertErrorReply(request, &message, &length);
  DeliverReply(request, &md, message, length, false);
  if (message != reply) CSFreeMem(message);
  CSFreeMem(reply);
}
