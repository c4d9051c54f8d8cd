// The consumer of the agent's input queue: IBM MQ calls CommandConsumer for
// every message a client puts there. A message without a reply queue is a
// simple command for the agent itself (STOP, REPORT); any other message is
// a request, which is recorded in the request table and forwarded to the
// command server (relay/forward.h). The replies come back through the reply
// consumer (consolidate/reply_consumer.h).
#pragma once

#include <cmqc.h>

#include <cstdint>

// The MQCB consumer of the input queue. Event calls: MQRC_GET_INHIBITED
// writes CSAG120E and requests a stop; any other reason writes CSAG199E and
// requests a stop, unless a stop was already requested.
void MQENTRY CommandConsumer(MQHCONN hconn, PMQVOID message_descriptor, PMQVOID get_options,
                             PMQVOID buffer, PMQCBC context);

// Carries out a simple command: "STOP" (CSAG021I, stop requested) or
// "REPORT" (the status report), each exactly, in Format "MQSTR   ". Returns
// 1 when `text` (of `length` bytes) was one of them, else 0.
int SimpleCommand(const char* format, const char* text, int32_t length);

// The kind of a request (a RequestKind) from its 8-character MQMD Format and
// its command code.
int32_t ClassifyRequest(const char* format, int32_t command);
