// The tool's MQI side: a connection opened through libmqm_r.so like any
// application's, and the printing of a message as `get` and `pcf` show it.
#pragma once

#include <cmqc.h>

#include <string>

namespace mqemu {

class ToolConnection {
 public:
  ToolConnection() = default;
  ~ToolConnection();
  ToolConnection(const ToolConnection&) = delete;
  ToolConnection& operator=(const ToolConnection&) = delete;

  // Connects to qmgr; on failure prints why and returns false.
  bool Connect(const std::string& qmgr);
  // Opens a queue; MQHO_UNUSABLE_HOBJ (after printing why) on failure. With
  // a model queue, *opened_name receives the dynamic queue's name.
  MQHOBJ Open(const std::string& queue, MQLONG options, std::string* opened_name = nullptr);
  MQHCONN hconn() const { return hconn_; }

 private:
  MQHCONN hconn_ = MQHC_UNUSABLE_HCONN;
};

// Prints the descriptor fields and the data of a message: PCF decoded when
// Format is MQADMIN (a coalesced reply as its responses, see pcf::DecodePcf), a
// trigger message field by field, text when printable (the texts of a
// coalesced MQSC message one a line, split by pcf/coalesced_reader.h), else
// hexadecimal. Returns 0, or the reason a PCF message could not be read for
// (it is printed as far as it could be read).
MQLONG PrintMessage(const MQMD& md, const std::string& data);

}  // namespace mqemu
