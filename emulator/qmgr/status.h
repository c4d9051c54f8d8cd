// The status commands of the command server, for PCF and MQSC alike: the
// status of queues and of the handles open on them, queue statistics (read
// and reset), the queue manager's status and its connections with their
// handles. Each answers with records (objects/status_record.h), one per
// object, their parameters in the order IBM MQ's replies have them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "objects/status_record.h"

namespace mqemu {

class QueueManager;

using objects::StatusField;
using objects::StatusQuery;
using objects::StatusRecord;

// The outcome of a status command: MQRC_NONE, or the reason it fails with
// and the parameter at fault, if one is.
struct StatusResult {
  MQLONG reason = MQRC_NONE;
  MQLONG bad_parameter = 0;
};

// Carries out a status command, adding its records to *out. A queue name
// that matches no local queue fails with MQRC_UNKNOWN_OBJECT_NAME, a name
// of another type of queue with MQRCCF_Q_WRONG_TYPE, a connection
// identifier that matches no connection with MQRCCF_NONE_FOUND. Lock not
// held.
StatusResult RunStatusCommand(QueueManager& qm, const StatusQuery& query,
                              std::vector<StatusRecord>* out);

// The 24-byte identifier of connection `session`: "AMQC", the queue
// manager's name in 12 bytes, the daemon's process id and the session's
// number (4 bytes each, big-endian).
std::string ConnectionId(const QueueManager& qm, uint32_t session);

}  // namespace mqemu
