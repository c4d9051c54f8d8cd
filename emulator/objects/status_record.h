// What the status commands of the command server report: one record per
// object (a queue, a handle, a connection, the queue manager), each its
// parameters in the order of the reply, and what such a command asks. PCF
// writes a record as one response; MQSC shows it through its own keywords
// (mqsc/status_display.h).
#pragma once

#include <cmqc.h>

#include <string>
#include <vector>

namespace mqemu::objects {

struct StatusField {
  enum class Kind { kInteger, kString, kIntegerList, kBytes };
  MQLONG parameter = 0;
  Kind kind = Kind::kInteger;
  std::vector<MQLONG> numbers;  // one for kInteger
  std::string text;             // kString blank padded to its full length; kBytes
  MQLONG number() const { return numbers.empty() ? 0 : numbers.front(); }
};
using StatusRecord = std::vector<StatusField>;

// One status command: MQCMD_INQUIRE_Q_STATUS, MQCMD_RESET_Q_STATS,
// MQCMD_INQUIRE_Q_MGR_STATUS, MQCMD_INQUIRE_CONNECTION or
// MQCMD_INQUIRE_CHANNEL_STATUS.
struct StatusQuery {
  MQLONG command = 0;
  std::string name;                // the queue or channel name, possibly generic
  std::string connection_id;       // the 24 bytes of one connection, or a prefix
  bool generic_connection = true;  // connection_id is a prefix ("" for all)
  // MQIACF_Q_STATUS or MQIACF_Q_HANDLE; MQIACF_CONN_INFO_CONN, _HANDLE or
  // _ALL; a channel instance type (MQOT_CURRENT_CHANNEL, ...).
  MQLONG type = 0;
  MQLONG open_type = 1;           // MQQSOT_ALL, MQQSOT_INPUT or MQQSOT_OUTPUT
  std::vector<MQLONG> selectors;  // the attributes asked for, unless all
  bool all = true;
};

}  // namespace mqemu::objects
