// DeliverReply: putting one message to the reply queue of a client with the
// identifiers that the client's report options ask for, and FormatQName,
// the "qmgr/queue" display name of a client's queue in messages.
#pragma once

#include <cmqc.h>

#include <cstddef>

#include "relay/request_table.h"

// Room for a display name: two names of 48 characters, the slash and the
// terminator.
constexpr size_t kQNameDisplaySize = 2 * MQ_Q_NAME_LENGTH + 2;

// Writes the display name of queue `queue` on queue manager `qmgr` (each a
// name of up to 48 characters, ending at its first NUL and without trailing
// blanks, tabs and line feeds) into `out` (room for kQNameDisplaySize):
// "qmgr/queue", or "queue" when qmgr is empty. The names come from clients,
// so bytes outside printable ASCII are written as '.'. Returns `out`.
char* FormatQName(const char* qmgr, const char* queue, char* out);

// Puts `length` bytes of `buffer` to the reply queue that `request` names,
// through the handle cache and PutWithRetry. MsgId becomes the client's
// MsgId when its Report has MQRO_PASS_MSG_ID, else MQMI_NONE (a new one);
// CorrelId the client's CorrelId with MQRO_PASS_CORREL_ID, else its MsgId.
// The other fields of `md` are put as given; MsgId and CorrelId in `md` are
// overwritten. With `pass_context` the message carries the context of the
// reply last consumed from the agent's reply queue, otherwise the agent's
// own. A success is counted (ResponsesSent, ResponseBytesSent); a failure
// is reported (CSAG104E from the cache, CSAG107E here) and the caller goes
// on.
void DeliverReply(REQUEST* request, MQMD* md, void* buffer, MQLONG length, bool pass_context);
