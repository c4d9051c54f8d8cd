// The hold buffer's fields, growth and delivery.
#include "consolidate/hold_buffer.h"

#include <cstring>
#include <limits>

#include "consolidate/reply_shape.h"
#include "cs/cs_memory.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "relay/deliver.h"

namespace {

void ReportNoMemory(int64_t size) {
  Log(kLevelQuiet, kCsag201E, static_cast<int>(size));
}

}  // namespace

int GrowHoldBuffer(REQUEST* request, int64_t needed) {
  if (request->HoldBuffer != nullptr && needed <= request->HoldSize) return 0;
  const int64_t size = HoldBufferSizeFor(needed);
  char* buffer = nullptr;
  if (size <= std::numeric_limits<int32_t>::max()) {
    buffer = static_cast<char*>(CSGetMem(static_cast<size_t>(size)));
  }
  if (buffer == nullptr) {
    ReportNoMemory(size);
    return 1;
  }
  if (request->HoldLength > 0) memcpy(buffer, request->HoldBuffer, request->HoldLength);
  CSFreeMem(request->HoldBuffer);
  request->HoldBuffer = buffer;
  request->HoldSize = static_cast<int32_t>(size);
  return 0;
}

void DeliverHeld(REQUEST* request, MQMD* md) {
  if (!SomethingHeld(request)) return;
  MQMD held;
  bool pass_context = true;
  if (md == nullptr) {
    held = AgentReplyDescriptor(request->HoldFormat);
    pass_context = false;
    md = &held;
  } else if (!SameReplyKind(md->Format, request->HoldFormat)) {
    // What is held goes out as the reply it is, also when the message that
    // made it due is of another kind (a report that ends the request, or a
    // PCF reply after MQSC text). Among MQSC texts the latest reply's
    // descriptor serves, as for a z/OS reply set whose first text came in
    // Format "MQCMD1  ".
    held = *md;
    memcpy(held.Format, request->HoldFormat, sizeof held.Format);
    held.MsgType = MQMT_REPLY;
    held.Feedback = MQFB_NONE;
    md = &held;
  }
  DeliverReply(request, md, request->HoldBuffer, request->HoldLength, pass_context);
  request->HoldLength = 0;
}

int HoldReply(REQUEST* request, const MQMD* md, const char* data, int32_t length) {
  request->HoldLength = 0;
  if (request->HoldBuffer != nullptr && request->HoldSize < length) {
    CSFreeMem(request->HoldBuffer);
    request->HoldBuffer = nullptr;
    request->HoldSize = 0;
  }
  if (request->HoldBuffer == nullptr) {
    request->HoldBuffer = static_cast<char*>(CSGetMem(static_cast<size_t>(length)));
    if (request->HoldBuffer == nullptr) {
      ReportNoMemory(length);
      return 1;
    }
    request->HoldSize = length;
  }
  AppendToHeld(request, data, length);
  memcpy(request->HoldFormat, md->Format, sizeof request->HoldFormat);
  return 0;
}
