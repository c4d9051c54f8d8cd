// The hold buffer of a request: where its replies wait for delivery and are
// gathered into fewer messages. HoldReply delivers what is held and keeps
// the new reply alone; the appends of consolidate/coalesce.h add to what is
// held, growing the buffer by the rule below.
//
// The buffer lives in three fields of the REQUEST: HoldBuffer (from
// CSGetMem, or null), HoldLength (bytes in use, the held message being the
// first HoldLength bytes) and HoldSize (bytes allocated). Only the reply
// consumer touches them, while the request is InUse; the buffer is freed
// with the request.
#pragma once

#include <cmqc.h>

#include <cstdint>

#include "relay/request_table.h"

// The unit in which the hold buffer grows.
constexpr int64_t kHoldBufferStep = 65536;

// The size a buffer that must hold `needed` bytes grows to: the smallest
// multiple of kHoldBufferStep above `needed`.
constexpr int64_t HoldBufferSizeFor(int64_t needed) {
  return (needed + kHoldBufferStep) / kHoldBufferStep * kHoldBufferStep;
}

// Makes the hold buffer at least `needed` bytes large, keeping the
// HoldLength bytes in use. Returns 0, or 1 when the buffer could not be
// grown (CSAG201E; the request keeps its buffer as it was).
int GrowHoldBuffer(REQUEST* request, int64_t needed);

// Delivers what is held (with DeliverReply, `md` and the reply's context),
// then keeps a copy of this reply (`length` bytes at `data`) alone, in the
// same buffer when it is large enough, else in a new one of exactly
// `length` bytes. Returns 0, or 1 when that buffer could not be had
// (CSAG201E; nothing is held then).
int HoldReply(REQUEST* request, MQMD* md, const char* data, int32_t length);

// Delivers what is held, if anything, and empties the buffer. `md` is the
// descriptor of the reply that made it due; the held message keeps its own
// format and goes out as a reply.
void DeliverHeld(REQUEST* request, MQMD* md);
