// The requests of the benchmarks, as PCF commands ready to put.
#pragma once

#include <string>

namespace bench {

// Inquire Queue, Q_NAME '*', all attributes (MQIACF_Q_ATTRS MQIACF_ALL).
std::string InquireAllQueues();
// Escape, MQSC "DISPLAY QLOCAL(*) ALL".
std::string DisplayAllLocalQueues();
// Ping Queue Manager.
std::string PingQueueManager();
// Inquire Queue Manager, all attributes.
std::string InquireQueueManager();

}  // namespace bench
