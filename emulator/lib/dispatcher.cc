// Asynchronous consumption: the dispatch thread of a started connection,
// which reads what the daemon pushes on the delivery socket and calls the
// consumers and the event handler one at a time, and the MQCTL operations
// with their waiting rules.
//
// Stopping: MQCTL STOP tells the daemon, which answers at once and then
// writes a kStopped marker after the last message it pushed. Messages that
// arrive after the stop, before the marker, were taken off their queues but
// never delivered; the dispatch thread hands them back (kRequeue) when it
// reads the marker, and only then does STOP return, so no message is lost
// and no callback runs after it.
//
// Waiting consumers: the dispatch thread waits for the next frame only until
// the wait interval of a consumer runs out, and then calls that consumer with
// MQRC_NO_MSG_AVAILABLE. An eventfd beside the delivery socket (or the link
// reader's Interrupt) wakes it when a start, resume or registration changes
// the timers.
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "lib/connection.h"
#include "lib/link_reader.h"
#include "lib/message_handles.h"
#include "properties/mqrfh2.h"

namespace mqemu {
namespace {

// A callback context as IBM MQ initialises one (cmqc.h has no default for it).
MQCBC NewContext() {
  MQCBC cbc{};
  std::memcpy(cbc.StrucId, MQCBC_STRUC_ID, 4);
  cbc.Version = MQCBC_VERSION_2;
  cbc.Hobj = MQHO_NONE;
  cbc.CompCode = MQCC_OK;
  cbc.Reason = MQRC_NONE;
  cbc.State = MQCS_NONE;
  cbc.BufferLength = 0;
  cbc.ReconnectDelay = MQRD_NO_DELAY;
  return cbc;
}

}  // namespace

MQLONG Connection::EnsureDispatcher() {
  if (delivery_fd_ >= 0) return MQRC_NONE;
  int fd = ConnectSocket(SocketPath(qmgr_name));
  if (fd < 0) return MQRC_CONNECTION_BROKEN;
  int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  // Through a link, pushes take the socket, which the link delays as it
  // delays calls.
  const bool shared = region && !link;
  if (wake < 0 || !WriteAll(fd, EncodeFrame(AttachCall{session, shared ? 1u : 0u}).Finish())) {
    ::close(fd);
    if (wake >= 0) ::close(wake);
    return MQRC_CONNECTION_BROKEN;
  }
  delivery_fd_ = fd;
  wake_fd_ = wake;
  if (shared) {
    push_ring_ =
        std::make_unique<RingEnd>(region, SharedRegion::kNoRing, SharedRegion::kPushes, fd);
  }
  dispatcher_ = std::thread([this] { Dispatch(); });
  dispatch_id_ = dispatcher_.get_id();
  return MQRC_NONE;
}

void Connection::Wake() {
  if (link_reader_) {
    link_reader_->Interrupt();
  } else if (push_ring_) {
    push_ring_->Interrupt();
  } else if (wake_fd_ >= 0) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_fd_, &one, sizeof one);
  }
}

void Connection::SetConsumer(MQHOBJ hobj, const Callback& cb) {
  Callback& c = consumers[hobj] = cb;
  c.waiting_since = std::chrono::steady_clock::now();
  Wake();
}

void Connection::SetConsumerSuspended(MQHOBJ hobj, bool suspended) {
  Callback& c = consumers[hobj];
  c.suspended = suspended;
  c.waiting_since = std::chrono::steady_clock::now();
  Wake();
}

MQLONG Connection::Start(const MQCTLO& options, bool wait) {
  std::unique_lock lock(mu);
  if (broken) return MQRC_CONNECTION_BROKEN;
  if (OnDispatchThread()) {
    // From a callback START_WAIT is refused, and START only takes back a
    // STOP made in the same callback.
    if (wait) return MQRC_ENVIRONMENT_ERROR;
    stop_deferred = false;
    return MQRC_NONE;
  }
  if (state == ConsumeState::kSuspended) return MQRC_OPERATION_NOT_ALLOWED;
  if (state == ConsumeState::kStarted) return wait ? MQRC_OPERATION_NOT_ALLOWED : MQRC_NONE;
  // Waiting for callbacks that can never come is refused; a plain start with
  // nothing registered succeeds, as IBM MQ's does.
  if (wait && consumers.empty() && !has_event_handler) return MQRC_NO_CALLBACKS_ACTIVE;
  if (MQLONG rc = EnsureDispatcher()) return rc;
  connection_area = options.ConnectionArea;
  state = ConsumeState::kStarted;
  auto now = std::chrono::steady_clock::now();
  for (auto& [hobj, cb] : consumers) cb.waiting_since = now;
  Wake();
  lock.unlock();
  CallReply reply = Call(StartCall{});
  if (reply.cc == MQCC_FAILED) {
    lock.lock();
    state = ConsumeState::kStopped;
    return reply.reason;
  }
  if (!wait) return MQRC_NONE;
  lock.lock();
  cv.wait(lock, [&] { return state != ConsumeState::kStarted || broken; });
  return state == ConsumeState::kSuspended ? MQRC_CONNECTION_SUSPENDED : MQRC_NONE;
}

MQLONG Connection::StopFromAnyThread() {
  std::unique_lock lock(mu);
  if (state == ConsumeState::kStopped) return MQRC_NONE;
  state = ConsumeState::kStopped;
  uint64_t expected = ++stops_sent;
  cv.notify_all();
  lock.unlock();
  Call(StopCall{});
  if (OnDispatchThread()) return MQRC_NONE;  // the marker is handled after this callback
  lock.lock();
  cv.wait(lock, [&] { return (stops_seen >= expected && !in_callback) || broken; });
  return MQRC_NONE;
}

MQLONG Connection::Stop() {
  if (OnDispatchThread()) {
    std::lock_guard lock(mu);
    if (state != ConsumeState::kStopped) stop_deferred = true;
    return MQRC_NONE;
  }
  return StopFromAnyThread();
}

MQLONG Connection::Suspend() {
  std::unique_lock lock(mu);
  if (broken) return MQRC_CONNECTION_BROKEN;
  // A connection never started cannot be suspended; it stays able to start.
  if (state == ConsumeState::kStopped) return MQRC_OPERATION_NOT_ALLOWED;
  state = ConsumeState::kSuspended;
  cv.notify_all();  // a START_WAIT returns
  if (!OnDispatchThread()) cv.wait(lock, [&] { return !in_callback || broken; });
  return MQRC_NONE;
}

MQLONG Connection::Resume() {
  std::lock_guard lock(mu);
  if (broken) return MQRC_CONNECTION_BROKEN;
  if (state == ConsumeState::kStopped) return MQRC_OPERATION_NOT_ALLOWED;
  if (state == ConsumeState::kSuspended) {
    state = ConsumeState::kStarted;
    auto now = std::chrono::steady_clock::now();
    for (auto& [hobj, cb] : consumers) cb.waiting_since = now;
    Wake();
  }
  cv.notify_all();
  return MQRC_NONE;
}

void Connection::Disconnect() {
  StopFromAnyThread();
  {
    std::lock_guard lock(mu);
    disconnecting = true;
  }
  Call(DisconnectCall{});
  {
    std::lock_guard lock(call_mu);
    channel.Close();
  }
  if (delivery_fd_ >= 0) ::shutdown(delivery_fd_, SHUT_RDWR);
  if (dispatcher_.joinable()) {
    if (OnDispatchThread()) {
      dispatcher_.detach();
    } else {
      dispatcher_.join();
    }
  }
  if (delivery_fd_ >= 0) ::close(delivery_fd_);
  if (wake_fd_ >= 0) ::close(wake_fd_);
  delivery_fd_ = -1;
  wake_fd_ = -1;
}

void Connection::SendRequeue() {
  std::vector<PushedMessage> back;
  {
    std::lock_guard lock(mu);
    back.swap(requeue);
  }
  // In frames of at most kMaxFrameLength, the last messages first: each
  // frame goes back in front of what the frames before it put back.
  auto size = [](const PushedMessage& m) {
    return RequeuedBytes(m.data.size(), m.properties.size());
  };
  size_t end = back.size();
  while (end > 0) {
    size_t begin = end - 1, bytes = 8 + size(back[begin]);
    while (begin > 0 && bytes + size(back[begin - 1]) <= kMaxFrameLength)
      bytes += size(back[--begin]);
    RequeueCall call;
    for (size_t i = begin; i < end; ++i) {
      const PushedMessage& m = back[i];
      call.messages.push_back(
          MessagePush{m.hobj, m.md, m.data, m.properties, m.position, m.browsed});
    }
    Call(call);
    end = begin;
  }
}

void Connection::Invoke(std::unique_lock<std::mutex>& lock, const Callback& cb, MQHOBJ hobj,
                        MQMD* md, MQGMO* gmo, void* buffer, MQCBC* cbc) {
  cbc->Hobj = hobj;
  cbc->CallbackArea = cb.cbd.CallbackArea;
  cbc->ConnectionArea = connection_area;
  auto fn = reinterpret_cast<MQCB_FUNCTION*>(cb.cbd.CallbackFunction);
  in_callback = true;
  lock.unlock();
  if (fn) fn(hconn, md, gmo, buffer, cbc);
  lock.lock();
  in_callback = false;
  if (auto it = consumers.find(hobj); it != consumers.end()) {
    it->second.waiting_since = std::chrono::steady_clock::now();
  }
  cv.notify_all();
  if (stop_deferred) {
    stop_deferred = false;
    lock.unlock();
    StopFromAnyThread();
    lock.lock();
  }
}

std::chrono::steady_clock::time_point Connection::NextTimeout() const {
  auto next = std::chrono::steady_clock::time_point::max();
  if (state != ConsumeState::kStarted) return next;
  for (const auto& [hobj, cb] : consumers) {
    if (cb.suspended || !cb.WaitsWithInterval()) continue;
    next = std::min(next, cb.waiting_since + std::chrono::milliseconds(cb.gmo.WaitInterval));
  }
  return next;
}

void Connection::CallTimedOut(std::unique_lock<std::mutex>& lock) {
  auto now = std::chrono::steady_clock::now();
  std::vector<MQHOBJ> due;
  for (const auto& [hobj, cb] : consumers) {
    if (!cb.suspended && cb.WaitsWithInterval() &&
        cb.waiting_since + std::chrono::milliseconds(cb.gmo.WaitInterval) <= now) {
      due.push_back(hobj);
    }
  }
  for (MQHOBJ hobj : due) {
    auto it = consumers.find(hobj);
    if (state != ConsumeState::kStarted || it == consumers.end() || it->second.suspended) continue;
    Callback cb = it->second;
    MQCBC cbc = NewContext();
    cbc.CallType = MQCBCT_EVENT_CALL;
    cbc.CompCode = MQCC_FAILED;
    cbc.Reason = MQRC_NO_MSG_AVAILABLE;
    MQMD md = cb.md;
    MQGMO gmo = cb.gmo;
    gmo.ReturnedLength = 0;
    Invoke(lock, cb, hobj, &md, &gmo, nullptr, &cbc);
  }
}

void Connection::Deliver(std::unique_lock<std::mutex>& lock, Frame& frame) {
  FrameReader r = frame.Reader();
  if (frame.kind == Kind::kEvent) {
    EventPush event;
    if (!DecodeWhole(r, &event)) return;
    MQHOBJ hobj = event.hobj;
    MQLONG cc = event.cc, reason = event.reason;
    cv.wait(lock, [&] { return state != ConsumeState::kSuspended; });
    if (state != ConsumeState::kStarted) return;
    Callback cb;
    if (hobj == MQHO_NONE) {
      if (!has_event_handler) return;
      cb = event_handler;
      terminal_event = terminal_event || reason == MQRC_Q_MGR_STOPPING ||
                       reason == MQRC_CONNECTION_STOPPING || reason == MQRC_CONNECTION_BROKEN;
    } else {
      auto it = consumers.find(hobj);
      if (it == consumers.end()) return;
      cb = it->second;
    }
    MQCBC cbc = NewContext();
    cbc.CallType = MQCBCT_EVENT_CALL;
    cbc.CompCode = cc;
    cbc.Reason = reason;
    Invoke(lock, cb, hobj, nullptr, nullptr, nullptr, &cbc);
    return;
  }
  MessagePush pushed;
  if (!DecodeWhole(r, &pushed)) return;
  cv.wait(lock, [&] { return state != ConsumeState::kSuspended; });
  auto it = consumers.find(pushed.hobj);
  if (state != ConsumeState::kStarted || it == consumers.end() || it->second.suspended) {
    requeue.push_back(PushedMessage{pushed.hobj, pushed.md, std::string(pushed.data),
                                    std::string(pushed.properties), pushed.position,
                                    pushed.browsed});
    return;
  }
  Callback cb = it->second;
  auto handle = handles.find(pushed.hobj);
  if (handle != handles.end() && (handle->second.options & MQOO_SAVE_ALL_CONTEXT)) {
    handle->second.saved = pushed.md;
  }
  // The consumer is handed the message data where it lies in the frame,
  // unless an MQRFH2 must go before it.
  MQMD md = pushed.md;
  char* data = const_cast<char*>(pushed.data.data());
  auto length = static_cast<MQLONG>(pushed.data.size());
  std::string with_header;
  // The message's properties go where the consumer's MQGMO wants them.
  switch (WantedProperties(cb.gmo)) {
    case PropertiesWanted::kApart:
      FillMessageHandle(hconn, GetHandle(cb.gmo), pushed.properties);
      break;
    case PropertiesWanted::kInMqrfh2: {
      properties::PropertyList list;
      properties::Decode(pushed.properties, &list);
      with_header.assign(pushed.data);
      properties::PrependMqrfh2(list, &md, &with_header);
      data = with_header.data();
      length = static_cast<MQLONG>(with_header.size());
      break;
    }
    case PropertiesWanted::kNone:
      break;
  }
  MQLONG passed = length;
  MQCBC cbc = NewContext();
  cbc.CallType = pushed.browsed ? MQCBCT_MSG_NOT_REMOVED : MQCBCT_MSG_REMOVED;
  if (cb.cbd.MaxMsgLength != MQCBD_FULL_MSG_LENGTH && length > cb.cbd.MaxMsgLength) {
    passed = std::max<MQLONG>(cb.cbd.MaxMsgLength, 0);
    cbc.CompCode = MQCC_WARNING;
    cbc.Reason = (cb.gmo.Options & MQGMO_ACCEPT_TRUNCATED_MSG) ? MQRC_TRUNCATED_MSG_ACCEPTED
                                                               : MQRC_TRUNCATED_MSG_FAILED;
  }
  cbc.DataLength = length;
  cbc.BufferLength = passed;
  md.Version = cb.md.Version;
  MQGMO gmo = cb.gmo;
  gmo.ReturnedLength = passed;
  Invoke(lock, cb, pushed.hobj, &md, &gmo, data, &cbc);
}

void Connection::DeliverBroken(std::unique_lock<std::mutex>& lock) {
  broken = true;
  cv.notify_all();
  if (disconnecting || terminal_event || !has_event_handler || state == ConsumeState::kStopped) {
    return;
  }
  cv.wait(lock, [&] { return state != ConsumeState::kSuspended; });
  if (state != ConsumeState::kStarted) return;
  terminal_event = true;
  MQCBC cbc = NewContext();
  cbc.CallType = MQCBCT_EVENT_CALL;
  cbc.CompCode = MQCC_FAILED;
  cbc.Reason = MQRC_CONNECTION_BROKEN;
  Callback cb = event_handler;
  Invoke(lock, cb, MQHO_NONE, nullptr, nullptr, nullptr, &cbc);
}

void Connection::Dispatch() {
  // wait_ready(deadline): whether a frame (or the socket's end) is there to
  // read before the deadline, a wake or a signal.
  auto serve = [this](auto& in, auto wait_ready) {
    Frame frame;
    for (;;) {
      // Frames already read are handed on first; the consumers' timers are
      // looked at when the reader would wait.
      if (!in.Buffered()) {
        std::unique_lock lock(mu);
        auto deadline = NextTimeout();
        lock.unlock();
        if (!wait_ready(deadline)) {
          lock.lock();
          CallTimedOut(lock);
          continue;
        }
      }
      if (!in.Next(&frame)) break;
      if (frame.kind == Kind::kStopped) {
        SendRequeue();
        std::lock_guard lock(mu);
        ++stops_seen;
        cv.notify_all();
        continue;
      }
      if (frame.kind != Kind::kMessage && frame.kind != Kind::kEvent) break;
      std::unique_lock lock(mu);
      Deliver(lock, frame);
    }
  };
  if (link) {
    LinkReader in(delivery_fd_, link.get());
    {
      std::lock_guard lock(mu);
      link_reader_ = &in;
    }
    serve(in,
          [&](std::chrono::steady_clock::time_point deadline) { return in.WaitReady(deadline); });
    std::lock_guard lock(mu);
    link_reader_ = nullptr;
  } else if (push_ring_) {
    FrameInput in(delivery_fd_);
    in.ReadFrom(push_ring_.get());
    serve(in, [&](std::chrono::steady_clock::time_point deadline) {
      return push_ring_->WaitReadable(deadline);
    });
  } else {
    FrameInput in(delivery_fd_, Waiting::FromEnvironment());
    serve(in, [&](std::chrono::steady_clock::time_point deadline) {
      return in.WaitReadable(wake_fd_, deadline);
    });
  }
  std::unique_lock lock(mu);
  DeliverBroken(lock);
}

}  // namespace mqemu
