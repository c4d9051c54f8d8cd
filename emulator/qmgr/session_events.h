// What the queue manager tells a client session of, as it happens: an event
// for the connection or one of its consumers, work for its delivery thread,
// its end; and what it asks of it: whether its client is still there.
//
// The queue manager calls the On... functions with QueueManager::mu held, so
// they only record and wake: the session's own threads write the frames
// later, with the lock released. ClientGone is called without the lock.
#pragma once

#include <cmqc.h>

namespace mqemu {

class SessionEvents {
 public:
  // Lock held. An event for the connection's event handler (hobj
  // MQHO_NONE) or for the consumer of hobj; it reaches the client once the
  // connection is started.
  virtual void OnEvent(MQHOBJ hobj, MQLONG cc, MQLONG reason) = 0;
  // Lock held. Messages may wait for the session's consumers, or its
  // consumers or their started state changed: its delivery looks again.
  virtual void OnDeliveryChanged() = 0;
  // Lock held. The session has ended: its delivery stops, and a delivery
  // socket blocked in a write is shut down (shutdown(2) does not block; it
  // is made under the lock so that the socket cannot be closed and its
  // number reused in between).
  virtual void OnEnded() = 0;
  // Lock not held: a socket call. Whether the client has gone (closed its
  // call socket or died); a waiting get then ends so that its handles are
  // released.
  virtual bool ClientGone() const = 0;
  // Called by the thread serving the session's calls: its call now waits
  // (true) for a message to come, or waits no more (false), so that the
  // client sleeps until the reply rather than polling for it.
  virtual void OnCallWaits(bool waits) = 0;

 protected:
  ~SessionEvents() = default;
};

}  // namespace mqemu
