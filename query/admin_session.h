// csagnt-query's conversation with a queue manager: IBM MQ's library loaded
// at run time through the agent's MQI binding (server bindings, or the client
// library, which finds its channel through MQSERVER or a channel table as any
// IBM MQ client does), one connection, a temporary dynamic reply queue, and
// one request put to the agent's input queue or to the command server's
// queue, whose reply messages are gathered until the answer is complete or
// the wait ends.
#pragma once

#include <cmqc.h>

#include <chrono>
#include <string>
#include <vector>

namespace query {

// One reply message: its Format, its MsgType and Feedback (a report's), and
// its data.
struct ReplyMessage {
  std::string format;  // 8 characters
  std::string data;
  MQLONG msg_type = MQMT_REPLY;
  MQLONG feedback = MQFB_NONE;
};

// A failed step: what was being done and the MQI reason (0 for a failure
// outside the MQI, such as a library that could not be loaded; then
// `system_error` holds the errno).
struct SessionError {
  std::string what;
  MQLONG reason = 0;
  int system_error = 0;
};

class AdminSession {
 public:
  AdminSession() = default;
  ~AdminSession();
  AdminSession(const AdminSession&) = delete;
  AdminSession& operator=(const AdminSession&) = delete;

  // Loads libmqm_r.so, or libmqic_r.so when `client`, connects to `qmgr`
  // (the default queue manager when empty), learns its platform and opens a
  // reply queue made from `reply_model`. False, with error() set, on failure.
  bool Open(bool client, const std::string& qmgr, const std::string& reply_model);

  // Whether the queue manager runs on z/OS (its command server takes MQSC as
  // text there, and its queue is SYSTEM.COMMAND.INPUT).
  bool zos() const { return zos_; }
  // The queue manager's name as it reports it.
  const std::string& qmgr_name() const { return qmgr_name_; }

  // Puts `request` with `format` to `queue` as a request for this session's
  // reply queue. False, with error() set, when the queue cannot be opened or
  // the put fails.
  bool Send(const std::string& queue, const std::string& request, const char* format);

  // Gets the next reply to the request sent, waiting until `deadline` at the
  // latest, however far off it is (a wait longer than MQGET's WaitInterval
  // holds is taken in several). Returns MQRC_NONE with *message filled,
  // MQRC_NO_MSG_AVAILABLE when the deadline passed, or another reason
  // (error() set).
  MQLONG Receive(std::chrono::steady_clock::time_point deadline, ReplyMessage* message);

  const SessionError& error() const { return error_; }

 private:
  bool Fail(std::string what, MQLONG reason);

  MQHCONN hconn_ = MQHC_UNUSABLE_HCONN;
  MQHOBJ reply_queue_ = MQHO_UNUSABLE_HOBJ;
  MQCHAR48 reply_queue_name_ = {};
  MQBYTE24 request_id_ = {};
  bool zos_ = false;
  std::string qmgr_name_;
  std::vector<char> buffer_;
  SessionError error_;
};

}  // namespace query
