// FitsWithHeld, AppendPcfReply, AppendMqscReply and AddAgentInfo.
#include "consolidate/coalesce.h"

#include <cstring>

#include "consolidate/hold_buffer.h"
#include "consolidate/reply_shape.h"
#include "pcf/agent_format.h"
#include "pcf/pcf_coding.h"
#include "pcf/pcf_format.h"
#include "state/settings.h"

namespace {

// Whether the held message is PCF with a header that reports success.
bool HoldsSoundPcf(const REQUEST* request) {
  const std::span<const char> held = HeldMessage(request);
  return memcmp(HeldFormat(request), MQFMT_ADMIN, MQ_FORMAT_LENGTH) == 0 &&
         held.size() >= MQCFH_STRUC_LENGTH && HeaderOf(held.data()).CompCode == MQCC_OK;
}

// Appends one MQCFIN to the held message, which has room for it.
void AppendInteger(REQUEST* request, MQLONG parameter, MQLONG value) {
  const MQCFIN integer = {MQCFT_INTEGER, MQCFIN_STRUC_LENGTH, parameter, value};
  AppendToHeld(request, &integer, sizeof integer);
}

// Counts `added` more parameters in the held MQCFH.
void CountParameters(REQUEST* request, MQLONG added, const MQCFH* reply) {
  char* message = HeldMessage(request).data();
  MQCFH held = HeaderOf(message);
  held.ParameterCount += added;
  if (reply != nullptr) {
    held.Control = reply->Control | CFC_COALESCED;
    held.MsgSeqNumber = reply->MsgSeqNumber;
  }
  memcpy(message, &held, sizeof held);
}

}  // namespace

MQLONG AgentFeatures() {
  MQLONG features = 0;
  if (AgentConfig.AgentFlags & AF_COMPRESS) features |= FEATURE_COMPRESS;
  if (AgentConfig.AgentFlags & AF_COALESCE) features |= FEATURE_COALESCE;
  return features;
}

bool FitsWithHeld(const REQUEST* request, const MQMD* md, const char* data, int32_t length,
                  int32_t reserve) {
  if (!SomethingHeld(request) || !SameReplyKind(md->Format, HeldFormat(request))) return false;
  const bool mqsc = IsMqscFormat(md->Format);
  if (!mqsc && (!HoldsSoundPcf(request) || length < MQCFH_STRUC_LENGTH ||
                HeaderOf(data).CompCode != MQCC_OK)) {
    return false;
  }
  // An MQSC text takes a separator byte as well.
  const int64_t gathered =
      static_cast<int64_t>(HeldMessage(request).size()) + length + (mqsc ? 1 : 0) + reserve;
  return gathered <= request->MaxMsgSize;
}

int AppendPcfReply(REQUEST* request, const char* data, int32_t length) {
  const MQCFH reply = HeaderOf(data);
  const int32_t parameters_length = length - MQCFH_STRUC_LENGTH;
  const int64_t held = static_cast<int64_t>(HeldMessage(request).size());
  if (GrowHoldBuffer(request, held + MQCFIN_STRUC_LENGTH + parameters_length) != 0) return 1;
  AppendInteger(request, TVN_ATTR_RESPONSE_DELIMITER, reply.Type);
  AppendToHeld(request, data + MQCFH_STRUC_LENGTH, parameters_length);
  CountParameters(request, reply.ParameterCount + 1, &reply);
  return 0;
}

int AppendMqscReply(REQUEST* request, const char* data, int32_t length) {
  const int64_t held = static_cast<int64_t>(HeldMessage(request).size());
  // The room for the separator is counted with some to spare, as ever.
  if (GrowHoldBuffer(request, held + length + 10) != 0) return 1;
  // A text too short to have a byte at the mark's offset is left unmarked.
  if (held > kMqscCoalescedMarkOffset) {
    HeldMessage(request)[kMqscCoalescedMarkOffset] = kMqscCoalescedMark;
  }
  const char separator = kMqscTextSeparator;
  AppendToHeld(request, &separator, 1);
  AppendToHeld(request, data, length);
  return 0;
}

int AddAgentInfo(REQUEST* request) {
  if (!HoldsSoundPcf(request)) return 0;
  const int64_t with_info = static_cast<int64_t>(HeldMessage(request).size()) + kAgentInfoLength;
  if (with_info > request->MaxMsgSize) return 0;
  if (GrowHoldBuffer(request, with_info) != 0) return 1;
  AppendInteger(request, TVN_ATTR_CSAGNT_CMDLEVEL, kAgentCommandLevel);
  AppendInteger(request, TVN_ATTR_CSAGNT_FEATURES, AgentFeatures());
  CountParameters(request, 2, nullptr);
  return 0;
}
