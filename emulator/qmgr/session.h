// One application connection to the queue manager (one MQCONN), served by
// two threads of the daemon: the call thread answers the MQI calls that
// arrive on the call socket one by one; the delivery thread, once the
// library attaches the delivery socket, pushes messages to the connection's
// consumers while it is started, and its events, without waiting for
// answers (on that socket, or on the push ring of the shared region). A
// thread that makes a message arrive for a consumer pushes it itself when
// it can do so without waiting (PushFromHere).
//
// Rules: every field below the constructor is guarded by QueueManager::mu,
// but for the push state, which push_mu_ guards.
// A Session is owned by QueueManager::sessions (shared_ptr) and by the
// threads serving it; `ended` is set once, at MQDISC or when the call socket
// closes, and then no handle, consumer or watcher entry of it remains.
#pragma once

#include <cmqc.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "protocol/frame.h"
#include "protocol/shared_ring.h"
#include "qmgr/queue.h"
#include "qmgr/session_events.h"

namespace mqemu {

struct Handle {
  Queue* queue = nullptr;  // the local queue that messages go to or come from
  Queue* alias = nullptr;  // the alias or remote queue opened, whose inhibits apply too
  bool qmgr_object = false;
  std::string remote_qmgr;  // set when the queue belongs to another queue manager
  std::string remote_queue;
  MQLONG options = 0;
  std::string object_name;  // the object opened (a model queue's dynamic queue), as opened
  BrowseCursor cursor;      // of MQGMO_BROWSE_* gets and browsing consumers
};

struct Consumer {
  Queue* queue = nullptr;
  MQLONG gmo_options = 0;  // MQGMO_BROWSE_FIRST or _NEXT: it browses
  Selection selection;
  bool inhibit_told = false;  // the MQRC_GET_INHIBITED event has been queued
  bool browses() const { return gmo_options & (MQGMO_BROWSE_FIRST | MQGMO_BROWSE_NEXT); }
};

class Session final : public SessionEvents {
 public:
  Session(uint32_t id, int call_fd) : id(id), call_fd(call_fd) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Answers MQI calls on the call socket until the client disconnects, goes
  // or sends a malformed frame; then ends the session and takes it out of
  // the queue manager's sessions. `first` is the kConnect frame.
  void ServeCalls(const Frame& first);
  // Pushes messages and events until the session ends: the delivery thread
  // of delivery socket fd. `shared`: through the region's push ring, fd
  // only watched for the client's going.
  void ServeDelivery(int fd, bool shared);
  // Lock not held. Pushes what is owed to the client now from the calling
  // thread, sparing the delivery thread's wake-up, unless a push is under
  // way or could not be written whole: then the delivery thread is woken to
  // take it. Never waits for the client.
  void PushFromHere();

  // SessionEvents: events become frames in the outbox, pushed while the
  // connection is started.
  void OnEvent(MQHOBJ hobj, MQLONG cc, MQLONG reason) override;
  void OnDeliveryChanged() override;
  void OnEnded() override;
  bool ClientGone() const override;
  void OnCallWaits(bool waits) override;
  // Lock held. Whether events wait to be written to a started connection.
  bool EventsOwed() const { return started && !outbox_.empty(); }

  const uint32_t id;
  const int call_fd;
  std::string user;
  std::string appl;
  int pid = 0;
  // Who connected and how, for status inquiries: the connecting thread, the
  // MQCNO options, a client's channel and address (empty for the server
  // bindings), and when.
  int tid = 0;
  MQLONG connect_options = MQCNO_NONE;
  std::string channel;
  std::string conname;
  std::string connect_date, connect_time;
  // What a client's channel instance has carried, for channel status:
  // messages put, got and pushed, bytes and frames each way, and when it
  // last carried a message (microseconds since the epoch, 0 for never).
  // Counted by the session's threads without the lock.
  std::atomic<int64_t> messages{0};
  std::atomic<int64_t> bytes_sent{0}, bytes_received{0};
  std::atomic<int64_t> buffers_sent{0}, buffers_received{0};
  std::atomic<int64_t> last_message_us{0};
  // Counts `count` messages carried now.
  void CountMessages(int64_t count);
  // The units of work ended so far: with the session's id, names the one in
  // progress.
  uint32_t units_of_work = 0;
  int delivery_fd = -1;
  // The shared memory that carries the calls once the library asked for it
  // (protocol/shared_ring.h); closed when the session ends or is broken.
  std::shared_ptr<SharedRegion> region;
  std::map<MQHOBJ, Handle> handles;
  MQHOBJ next_hobj = 1;
  std::map<MQHOBJ, Consumer> consumers;
  bool started = false;
  bool stop_pending = false;  // a kStopped marker is owed on the delivery socket
  bool ended = false;
  bool broken = false;  // broken on purpose: calls fail with MQRC_CONNECTION_BROKEN
  // The unit of work: messages put under syncpoint (not yet visible) and
  // messages got under syncpoint (restored on backout), with their queues'
  // names, since a queue may go before the unit ends.
  std::vector<std::pair<std::string, Message>> pending_puts;
  std::vector<std::pair<std::string, Message>> pending_gets;
  std::condition_variable wake;  // the delivery thread waits on it

 private:
  void Serve(const Frame& first);
  // Ends the session and takes it out of the queue manager's sessions; a
  // second call does nothing.
  void Leave();
  bool Dispatch(const Frame& request, FrameWriter* reply);
  // Answers kShare: makes the region, sends its descriptor with the reply
  // and moves `in` and the replies onto the rings (calls_ring_). False
  // when the client is gone.
  bool Share(FrameInput& in);

  // What one push takes under the lock, in the order the client gets it:
  // events, messages, the stop marker. It is framed and written with the
  // lock released.
  struct Owed {
    struct Taken {
      MQHOBJ hobj;
      Message message;
      bool browsed;
    };
    std::vector<std::string> events;
    std::vector<Taken> taken;
    bool stopped = false;
  };
  // Lock held. Takes what is owed to the client now, at most one batch;
  // false when nothing is.
  bool TakeOwed(Owed* owed);
  // Lock not held. Frames and counts what was taken into *batch, and
  // empties *owed.
  void FrameOwed(Owed* owed, std::string* batch);
  // push_mu_ held, delivery_fd valid. Write pushed frames on the push ring
  // or the delivery socket: all of them, waiting for room (false when the
  // client is gone), or what there is room for now.
  bool WritePushes(std::string_view data);
  size_t WritePushesWithoutWaiting(std::string_view data);

  std::vector<std::string> outbox_;  // event frames, written while started
  // One push at a time, from the delivery thread or PushFromHere, so that
  // the client gets the frames in the order they were taken; it guards
  // unwritten_ and, with the lock, the writes on delivery_fd. Taken before
  // the queue manager's lock.
  std::mutex push_mu_;
  // What a push from another thread could not write without waiting: the
  // delivery thread writes it before anything else.
  std::string unwritten_;
  // The push ring's writing end, while the delivery thread serves a client
  // that reads it (guarded by push_mu_).
  std::unique_ptr<RingEnd> push_ring_;
  // The call thread's end of the rings, once the client shares them. Only
  // that thread touches it (OnCallWaits comes from its own calls), so the
  // lock does not guard it.
  std::unique_ptr<RingEnd> calls_ring_;
};

// While one lives on a thread, the wakes of delivery threads and of
// getters that the thread asks for under QueueManager::mu are made when it
// ends instead, after the lock is let go, so that a woken thread does not
// block at once on the lock its waker still holds. Declare it before the lock it
// is to outlive.
class WakeAfterUnlock {
 public:
  WakeAfterUnlock();
  ~WakeAfterUnlock();
  WakeAfterUnlock(const WakeAfterUnlock&) = delete;
  WakeAfterUnlock& operator=(const WakeAfterUnlock&) = delete;
  // Lock held. Whether a scope is open on this thread; if so, s is woken
  // at its end.
  static bool Defer(Session& s);
  // Lock held. Notifies all waiters of `cv` at the end of this thread's
  // scope, or at once when none is open.
  static void Defer(const std::shared_ptr<std::condition_variable>& cv);

 private:
  std::vector<std::shared_ptr<Session>> sessions_;
  std::vector<std::shared_ptr<std::condition_variable>> conditions_;
  WakeAfterUnlock* outer_;
};

// After `in` stopped reading the client socket fd: when it refused a frame
// for its length, writes a line saying so to the daemon's log (standard
// error), naming the client by its process id. The caller then drops the
// client.
void LogRefusedFrame(int fd, const FrameInput& in);

}  // namespace mqemu
