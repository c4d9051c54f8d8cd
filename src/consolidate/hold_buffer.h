// The hold buffer of a request: where its replies wait for delivery and are
// gathered into fewer messages. This file alone reads and writes the
// REQUEST's Hold* fields: HoldBuffer (from CSGetMem, or null), HoldLength
// (bytes in use, the held message being the first HoldLength bytes),
// HoldSize (bytes allocated) and HoldFormat. Coalescing
// (consolidate/coalesce.h) adds to the held message through the calls
// below; the buffer is released with its REQUEST (FreeRequest).
//
// Only the reply consumer uses a request's hold buffer while the request is
// InUse; the ageing sweep uses it once the request is out of the table.
#pragma once

#include <cmqc.h>

#include <cstdint>
#include <cstring>
#include <span>

#include "relay/request_table.h"

// The unit in which the hold buffer grows.
constexpr int64_t kHoldBufferStep = 65536;

// The size a buffer that must hold `needed` bytes grows to: the smallest
// multiple of kHoldBufferStep above `needed`.
constexpr int64_t HoldBufferSizeFor(int64_t needed) {
  return (needed + kHoldBufferStep) / kHoldBufferStep * kHoldBufferStep;
}

// Whether the request has a hold buffer, empty or not.
inline bool HasHoldBuffer(const REQUEST* request) {
  return request->HoldBuffer != nullptr;
}

// Whether a message is held (at least one byte).
inline bool SomethingHeld(const REQUEST* request) {
  return request->HoldBuffer != nullptr && request->HoldLength > 0;
}

// The held message, which coalescing may rewrite in place (the header that
// counts what was gathered); empty when nothing is held.
inline std::span<char> HeldMessage(REQUEST* request) {
  if (!SomethingHeld(request)) return {};
  return {request->HoldBuffer, static_cast<size_t>(request->HoldLength)};
}
inline std::span<const char> HeldMessage(const REQUEST* request) {
  return HeldMessage(const_cast<REQUEST*>(request));
}

// The MQMD Format of the held message.
inline const char* HeldFormat(const REQUEST* request) {
  return request->HoldFormat;
}

// Makes the hold buffer at least `needed` bytes large, keeping the held
// message. Returns 0, or 1 when the buffer could not be grown (CSAG201E; the
// request keeps its buffer as it was).
int GrowHoldBuffer(REQUEST* request, int64_t needed);

// Adds `length` bytes at `data` to the end of the held message. The buffer
// must have room for them (GrowHoldBuffer).
inline void AppendToHeld(REQUEST* request, const void* data, int32_t length) {
  if (length <= 0) return;
  memcpy(request->HoldBuffer + request->HoldLength, data, static_cast<size_t>(length));
  request->HoldLength += length;
}

// Keeps a copy of this reply (`length` bytes at `data`, Format from `md`)
// as the held message, alone: whatever was held is dropped, so deliver it
// first (DeliverHeld). The copy goes into the same buffer when it is large
// enough, else into a new one of exactly `length` bytes. Returns 0, or 1
// when that buffer could not be had (CSAG201E; nothing is held then).
int HoldReply(REQUEST* request, const MQMD* md, const char* data, int32_t length);

// Delivers what is held, if anything, and empties the buffer. `md` is the
// descriptor of the reply that made it due: the held message carries that
// reply's context and keeps its own format. With `md` null (a request that
// the agent ends on its own) it goes out as the agent's own reply.
void DeliverHeld(REQUEST* request, MQMD* md);
