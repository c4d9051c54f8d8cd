// An administration client of a queue manager: one connection, a temporary
// dynamic reply queue of its own, requests (PCF, PCF escape or MQSC text) put
// to the agent's input queue or to the command server's queue, and the reply
// messages gathered until the answer is complete or the wait ends. Shared by
// csagnt-query, the benchmarks and the process tests.
//
// The client makes its MQI calls through a table of entry points, so that a
// program may load IBM MQ's library at run time (csagnt-query) or link it
// (the benchmarks, the tests).
#pragma once

#include <cmqc.h>
#include <cmqxc.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace admin {

// The MQI entry points that the client calls, as cmqc.h types them.
struct Mqi {
  MQ_CONNX_CALL* MQCONNX;
  MQ_DISC_CALL* MQDISC;
  MQ_OPEN_CALL* MQOPEN;
  MQ_CLOSE_CALL* MQCLOSE;
  MQ_INQ_CALL* MQINQ;
  MQ_PUT_CALL* MQPUT;
  MQ_GET_CALL* MQGET;
  MQ_CB_CALL* MQCB;
  MQ_CTL_CALL* MQCTL;
};

// The client's entry points out of any table that has them by these names
// (the agent's table of a library loaded at run time is one).
template <typename Table>
Mqi MqiOf(const Table& table) {
  return {table.MQCONNX, table.MQDISC, table.MQOPEN, table.MQCLOSE, table.MQINQ,
          table.MQPUT,   table.MQGET,  table.MQCB,   table.MQCTL};
}

// The entry points of IBM MQ's library linked into the program: only a
// program that calls this needs the library at link time.
inline Mqi LinkedMqi() {
  return {MQCONNX, MQDISC, MQOPEN, MQCLOSE, MQINQ, MQPUT, MQGET, MQCB, MQCTL};
}

// A failed step: what was being done and the MQI reason.
struct Error {
  std::string what;
  MQLONG reason = MQRC_NONE;

  // "WHAT failed with reason N".
  std::string Text() const { return what + " failed with reason " + std::to_string(reason); }
};

// One message with its descriptor.
struct Message {
  MQMD md = {MQMD_DEFAULT};
  std::string data;

  std::string Format() const { return std::string(md.Format, MQ_FORMAT_LENGTH); }
  std::string MsgId() const { return std::string(reinterpret_cast<const char*>(md.MsgId), 24); }
  std::string CorrelId() const {
    return std::string(reinterpret_cast<const char*>(md.CorrelId), 24);
  }
};

// Whether `message` is the last of an answer: a report; a PCF message
// (MQADMIN) whose MQCFH has MQCFC_LAST, or that holds no MQCFH (nothing of
// the answer follows a text error reply); MQSC texts (MQCMD1, MQCMD2) with
// the closing CSQ9022I, CSQ9023E or CSQ9023I among them; any other message.
bool IsLastReply(const Message& message);

// How a request is put: where to, and the fields of its descriptor that the
// caller chooses. The message is put with a new MsgId, outside syncpoint.
struct PutOptions {
  std::string queue;
  std::string queue_manager;       // of `queue`; the one connected to when empty
  MQLONG msg_type = MQMT_REQUEST;  // a datagram names no reply queue
  MQLONG report = MQRO_NONE;       // report options
  std::string correl_id;           // up to 24 bytes; none by default
  std::string reply_to_q;          // the client's reply queue when empty
  // Put with MQPMO_ASYNC_RESPONSE: a client does not wait for the queue
  // manager's answer over the network (a failure may then come to light
  // only as an answer that never comes).
  bool async = false;

  PutOptions& Queue(std::string value) { return queue = std::move(value), *this; }
  PutOptions& QueueManager(std::string value) { return queue_manager = std::move(value), *this; }
  PutOptions& MsgType(MQLONG value) { return msg_type = value, *this; }
  PutOptions& Report(MQLONG value) { return report = value, *this; }
  PutOptions& CorrelId(std::string value) { return correl_id = std::move(value), *this; }
  PutOptions& ReplyToQ(std::string value) { return reply_to_q = std::move(value), *this; }
  PutOptions& Async(bool value) { return async = value, *this; }
};

using Clock = std::chrono::steady_clock;

// How long a get waits: until `until`, and at most `each` for one message.
struct Wait {
  Clock::time_point until = Clock::time_point::max();
  std::chrono::milliseconds each = std::chrono::milliseconds::max();
};

// Which reply messages a get takes.
enum class Match {
  kAny,     // the next message on the reply queue
  kAnswer,  // the next answer to the last request put (by its CorrelId)
};

class Client {
 public:
  // A client whose calls fail while the queue manager quiesces, as an
  // application should let it end; unless `fail_if_quiescing` is false (for
  // a test that watches the end).
  explicit Client(const Mqi& mqi, bool fail_if_quiescing = true)
      : mqi_(mqi), fail_if_quiescing_(fail_if_quiescing) {}
  // Closes the queues and disconnects; the outcomes are ignored (the queue
  // manager may be gone).
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Connects to `qmgr` (the default queue manager when empty) with the
  // MQCNO `options` (MQCNO_CLIENT_BINDING for the client library), as
  // `user` when one is given, a client through `channel` when one is given
  // (else as MQSERVER or the channel table say). False, with error() set,
  // on failure.
  bool Connect(std::string_view qmgr, MQLONG options = MQCNO_NONE, const char* user = nullptr,
               MQCD* channel = nullptr);

  // Opens the reply queue: a temporary dynamic queue from `model`, named
  // from `dynamic_name` ("PREFIX.*"). False, with error() set, on failure.
  bool OpenReplyQueue(std::string_view model, std::string_view dynamic_name);

  // The queue manager's name and platform (MQPL_*) as it reports them.
  // False, with error() set, when they cannot be inquired.
  bool InquireQueueManager(std::string* name, MQLONG* platform);

  // Puts `data` with `format` as `options` say; *put, when given, receives
  // the descriptor as put (with the MsgId that the put gave it). The queue is
  // opened at its first put and kept open. False, with error() set, when it
  // cannot be opened or the put fails.
  bool Put(std::string_view data, const char* format, const PutOptions& options,
           MQMD* put = nullptr);

  // Gets the next message that `match` takes into *message, waiting as
  // `wait` says, however long (a wait longer than one MQGET's WaitInterval
  // holds is taken in several). Returns MQRC_NONE, MQRC_NO_MSG_AVAILABLE when
  // none came in time, or another reason (error() set).
  MQLONG Get(Message* message, const Wait& wait, Match match = Match::kAny);

  // Gets the answer to the last request put: messages matched as `match`
  // says, each given to `take`, until `take` returns true for the last one.
  // Returns as Get does for the first get that did not give a message.
  MQLONG GetAnswer(const Wait& wait, Match match, const std::function<bool(Message&)>& take);

  // Takes every message of the reply queue as the queue manager pushes it
  // (asynchronous consumption: a client over a network pays the round trip
  // once per burst of messages, not once per message), giving each to
  // `take` on the calling thread until `take` returns true or `wait.until`
  // passes. Returns MQRC_NONE when `take` said so, MQRC_NO_MSG_AVAILABLE
  // when the time passed, or the reason consumption failed (error() set).
  MQLONG Consume(const Wait& wait, const std::function<bool(Message&)>& take);

  const Error& error() const { return error_; }
  MQHCONN hconn() const { return hconn_; }
  MQHOBJ reply_hobj() const { return reply_queue_; }
  // The reply queue's name, without padding.
  const std::string& reply_queue() const { return reply_queue_name_; }

 private:
  bool Fail(std::string what, MQLONG reason);
  // The handle of `queue` on `qmgr` opened for output, opened at first use;
  // MQHO_UNUSABLE_HOBJ, with error() set, when it cannot be opened.
  MQHOBJ OutputQueue(const std::string& queue, const std::string& qmgr);
  // The consumer of Consume: queues each message (or the reason of an
  // event that ends consumption) for the waiting thread.
  static void MQENTRY Consumer(MQHCONN hconn, PMQVOID md, PMQVOID gmo, PMQVOID buffer,
                               PMQCBC context);

  Mqi mqi_;
  bool fail_if_quiescing_;
  MQHCONN hconn_ = MQHC_UNUSABLE_HCONN;
  MQHOBJ reply_queue_ = MQHO_UNUSABLE_HOBJ;
  std::string reply_queue_name_;
  std::map<std::pair<std::string, std::string>, MQHOBJ> output_queues_;
  MQBYTE24 answer_id_ = {};  // the CorrelId of the answer to the last request
  size_t buffer_length_ = 0;
  std::unique_ptr<char[]> buffer_;
  Error error_;
  // What the consumer hands the thread in Consume.
  std::mutex pushed_mu_;
  std::condition_variable pushed_cv_;
  std::deque<Message> pushed_;
  MQLONG pushed_reason_ = MQRC_NONE;
};

}  // namespace admin
