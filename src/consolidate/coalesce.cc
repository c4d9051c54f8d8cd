// AppendPcfReply, AppendMqscReply and AddAgentInfo.
#include "consolidate/coalesce.h"

#include <cstring>

#include "config/settings.h"
#include "consolidate/hold_buffer.h"
#include "pcf/agent_format.h"
#include "pcf/pcf_coding.h"
#include "pcf/pcf_format.h"

namespace {

// Appends one MQCFIN to the held message, which has room for it.
void AppendInteger(REQUEST* request, MQLONG parameter, MQLONG value) {
  const MQCFIN integer = {MQCFT_INTEGER, MQCFIN_STRUC_LENGTH, parameter, value};
  memcpy(request->HoldBuffer + request->HoldLength, &integer, sizeof integer);
  request->HoldLength += static_cast<int32_t>(sizeof integer);
}

bool HoldsPcfMessage(const REQUEST* request) {
  return request->HoldBuffer != nullptr && request->HoldLength >= MQCFH_STRUC_LENGTH;
}

}  // namespace

MQLONG AgentFeatures() {
  MQLONG features = 0;
  if (AgentConfig.AgentFlags & AF_COMPRESS) features |= FEATURE_COMPRESS;
  if (AgentConfig.AgentFlags & AF_COALESCE) features |= FEATURE_COALESCE;
  return features;
}

int AppendPcfReply(REQUEST* request, MQMD* md, const char* data, int32_t length) {
  if (!HoldsPcfMessage(request) || length < MQCFH_STRUC_LENGTH) {
    return HoldReply(request, md, data, length);
  }
  MQCFH held = HeaderOf(request->HoldBuffer);
  const MQCFH reply = HeaderOf(data);
  if (held.CompCode != MQCC_OK || reply.CompCode != MQCC_OK) {
    return HoldReply(request, md, data, length);
  }

  const int32_t parameters_length = length - MQCFH_STRUC_LENGTH;
  if (GrowHoldBuffer(request,
                     int64_t{request->HoldLength} + MQCFIN_STRUC_LENGTH + parameters_length) != 0) {
    return 1;
  }
  AppendInteger(request, TVN_ATTR_RESPONSE_DELIMITER, reply.Type);
  memcpy(request->HoldBuffer + request->HoldLength, data + MQCFH_STRUC_LENGTH,
         static_cast<size_t>(parameters_length));
  request->HoldLength += parameters_length;

  held.ParameterCount += reply.ParameterCount + 1;
  held.Control = reply.Control | CFC_COALESCED;
  held.MsgSeqNumber = reply.MsgSeqNumber;
  memcpy(request->HoldBuffer, &held, sizeof held);
  return 0;
}

int AppendMqscReply(REQUEST* request, const char* data, int32_t length) {
  // The room for the separator is counted with some to spare, as ever.
  if (GrowHoldBuffer(request, int64_t{request->HoldLength} + length + 10) != 0) return 1;
  // A text too short to have a byte at the mark's offset is left unmarked.
  if (request->HoldLength > kMqscCoalescedMarkOffset) {
    request->HoldBuffer[kMqscCoalescedMarkOffset] = kMqscCoalescedMark;
  }
  request->HoldBuffer[request->HoldLength] = kMqscTextSeparator;
  if (length > 0) {
    memcpy(request->HoldBuffer + request->HoldLength + 1, data, static_cast<size_t>(length));
  }
  request->HoldLength += length + 1;
  return 0;
}

int AddAgentInfo(REQUEST* request) {
  if (!HoldsPcfMessage(request)) return 0;
  MQCFH held = HeaderOf(request->HoldBuffer);
  if (held.CompCode != MQCC_OK) return 0;
  if (GrowHoldBuffer(request, int64_t{request->HoldLength} + 2 * MQCFIN_STRUC_LENGTH) != 0) {
    return 1;
  }
  AppendInteger(request, TVN_ATTR_CSAGNT_CMDLEVEL, kAgentCommandLevel);
  AppendInteger(request, TVN_ATTR_CSAGNT_FEATURES, AgentFeatures());
  held.ParameterCount += 2;
  memcpy(request->HoldBuffer, &held, sizeof held);
  return 0;
}
