// The library's side of one MQI connection: the call socket to the queue
// manager daemon, what the library must remember of each object handle
// (open options and saved context), the registered callbacks, and the state
// of asynchronous consumption with its dispatch thread.
//
// Rules:
// - `call_mu` serialises use of the call socket; it is never held while
//   waiting for anything but the daemon's reply (and the link's delays).
// - `mu` guards every other mutable field; callbacks are invoked without it.
// - While `state` is kStarted, MQI calls from threads other than the
//   dispatch thread fail with MQRC_HCONN_ASYNC_ACTIVE, except MQCTL STOP and
//   SUSPEND and MQDISC.
// - The dispatch thread calls one callback at a time (`in_callback`); STOP and
//   SUSPEND from other threads wait until it is out of any callback. A STOP
//   from a callback takes effect when the callback returns, and a START in
//   the same callback cancels it.
#pragma once

#include <cmqc.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lib/link.h"
#include "protocol/endpoint.h"
#include "protocol/frame.h"
#include "protocol/frame_kinds.h"

namespace mqemu {

class LinkReader;

struct LocalHandle {
  MQLONG options = 0;
  std::string name;  // the queue (or queue manager) opened
  std::string qmgr;
  MQMD saved{};  // context of the last message got, with MQOO_SAVE_ALL_CONTEXT
};

struct Callback {
  MQCBD cbd{};
  MQMD md{};    // full version 2; Version as the caller registered it
  MQGMO gmo{};  // full version 4; Version as the caller registered it
  bool suspended = false;
  // A consumer whose MQGMO waits with an interval is called with
  // MQRC_NO_MSG_AVAILABLE each time the interval passes, counted from here
  // (its start, resume or last call), with no message for it.
  std::chrono::steady_clock::time_point waiting_since{};
  bool WaitsWithInterval() const {
    return (gmo.Options & MQGMO_WAIT) && gmo.WaitInterval > 0;  // not MQWI_UNLIMITED
  }
};

struct PushedMessage {
  MQHOBJ hobj;
  MQMD md;
  std::string data;
  std::string properties;
  uint64_t position = 0;
  bool browsed = false;
};

struct CallReply {
  Frame frame;
  FrameReader reader{std::span<const uint8_t>()};
  MQLONG cc = MQCC_FAILED;
  MQLONG reason = MQRC_CONNECTION_BROKEN;
  // Reads the reply's fields after CompCode and Reason; false when they do
  // not fill the reply exactly.
  template <typename Fields>
  bool Read(Fields* fields) {
    return DecodeWhole(reader, fields);
  }
};

enum class ConsumeState { kStopped, kStarted, kSuspended };

class Connection {
 public:
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection();

  // Sends a request on the call socket and reads its reply: its completion
  // code and reason (MQCC_FAILED, MQRC_CONNECTION_BROKEN when the daemon is
  // gone), and a reader positioned after them. With `wait` kNoReply (a put
  // with MQPMO_ASYNC_RESPONSE) the caller does not wait out the link: the
  // request and its reply take their places on it, the call returns as soon
  // as the daemon has answered.
  enum class LinkWait { kReply, kNoReply };
  CallReply Call(FrameWriter& request, LinkWait wait = LinkWait::kReply);
  // The same for the request that m encodes.
  template <typename Fields>
  CallReply Call(const Fields& m, LinkWait wait = LinkWait::kReply) {
    FrameWriter w = EncodeFrame(m);
    return Call(w, wait);
  }

  // MQRC_HCONN_ASYNC_ACTIVE when the caller may not use the connection now,
  // else MQRC_NONE.
  MQLONG CheckCaller();

  // MQCTL operations, in every order IBM MQ accepts them; each returns the
  // reason: MQRC_NONE, MQRC_CONNECTION_SUSPENDED (a warning: START_WAIT
  // ended by a suspend), or a failure.
  MQLONG Start(const MQCTLO& options, bool wait);
  MQLONG Stop();
  MQLONG Suspend();
  MQLONG Resume();
  // Registers, replaces, suspends or resumes a message consumer (lock mu
  // held): its wait interval counts from now, and the dispatch thread looks
  // at its timers again.
  void SetConsumer(MQHOBJ hobj, const Callback& cb);
  void SetConsumerSuspended(MQHOBJ hobj, bool suspended);
  // Stops consumption, ends the session and joins the dispatch thread.
  void Disconnect();

  MQHCONN hconn = MQHC_UNUSABLE_HCONN;
  uint32_t session = 0;
  std::string qmgr_name;

  std::mutex call_mu;
  Channel channel;
  // The simulated network link of the client library, or null (see link.h):
  // every call then waits for its request to reach the daemon and for the
  // reply to come back.
  std::unique_ptr<Link> link;
  // The region the calls go through once shared (shared_ring.h), or null;
  // without a link, the daemon's pushes come through it too.
  std::shared_ptr<SharedRegion> region;

  std::mutex mu;
  std::condition_variable cv;
  std::map<MQHOBJ, LocalHandle> handles;
  std::map<MQHOBJ, Callback> consumers;
  bool has_event_handler = false;
  Callback event_handler;
  ConsumeState state = ConsumeState::kStopped;
  bool in_callback = false;
  bool stop_deferred = false;  // a callback asked to stop; done when it returns
  bool broken = false;
  bool terminal_event = false;  // a connection-ending event has been delivered
  bool disconnecting = false;
  MQPTR connection_area = nullptr;
  uint64_t stops_sent = 0;
  uint64_t stops_seen = 0;
  std::vector<PushedMessage> requeue;

 private:
  bool OnDispatchThread() const { return std::this_thread::get_id() == dispatch_id_; }
  // Attaches the delivery socket and starts the dispatch thread once.
  MQLONG EnsureDispatcher();
  void Dispatch();
  // Lock held. Wakes the dispatch thread to look at the consumers' timers.
  void Wake();
  // Lock held. When the next waiting consumer's interval ends, or max().
  std::chrono::steady_clock::time_point NextTimeout() const;
  // Lock held. Calls each waiting consumer whose interval has passed with
  // MQRC_NO_MSG_AVAILABLE.
  void CallTimedOut(std::unique_lock<std::mutex>& lock);
  // Hands a pushed frame to its consumer or the event handler; a message is
  // passed in place, in the frame's own memory.
  void Deliver(std::unique_lock<std::mutex>& lock, Frame& frame);
  void Invoke(std::unique_lock<std::mutex>& lock, const Callback& cb, MQHOBJ hobj, MQMD* md,
              MQGMO* gmo, void* buffer, MQCBC* cbc);
  void SendRequeue();
  void DeliverBroken(std::unique_lock<std::mutex>& lock);
  MQLONG StopFromAnyThread();

  int delivery_fd_ = -1;
  int wake_fd_ = -1;                    // an eventfd the dispatch thread polls beside it
  std::unique_ptr<RingEnd> push_ring_;  // the push ring's reading end, when pushes use it
  LinkReader* link_reader_ = nullptr;   // the delivery socket's reader, with a link
  std::thread dispatcher_;
  std::thread::id dispatch_id_;
};

// The registry of connections by handle. Find returns null for an unknown
// handle.
MQHCONN AddConnection(std::shared_ptr<Connection> c);
std::shared_ptr<Connection> FindConnection(MQHCONN hconn);
void RemoveConnection(MQHCONN hconn);

}  // namespace mqemu
