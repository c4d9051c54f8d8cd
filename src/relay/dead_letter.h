// The end of a message that cannot be delivered: the queue manager's
// dead-letter queue, as IBM MQ's own command server does it. The message
// goes there behind a dead-letter header that names where it was going and
// why it could not get there:
//
//   | MQDLH (172 bytes): "DLH ", version 1, Reason, DestQName,
//   |   DestQMgrName, the message's Encoding, CodedCharSetId and Format,
//   |   PutApplType, PutApplName, PutDate, PutTime of this put |
//   | the message's data as it was to be delivered |
//
// with the message's descriptor, its Format "MQDEAD  " and its Encoding
// and CodedCharSetId those of the header.
#pragma once

#include <cmqc.h>

// Puts `length` bytes at `data`, with descriptor `md`, that could not be
// put to `queue` on `qmgr` for `reason`, to the queue manager's dead-letter
// queue (QueueManagerFacts) with MQPUT1, with the agent's own context.
// Writes CSAG112I (level 1) when it was put; CSAG113E when the queue
// manager names no dead-letter queue; CSAG107E for the dead-letter queue
// when that put fails. Returns whether the message was put.
bool DeadLetter(const char* queue, const char* qmgr, const MQMD& md, const void* data,
                MQLONG length, MQLONG reason);
