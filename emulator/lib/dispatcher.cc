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
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "lib/connection.h"
#include "lib/link_reader.h"

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
  if (!WriteAll(fd, EncodeFrame(AttachCall{session}).Finish())) {
    ::close(fd);
    return MQRC_CONNECTION_BROKEN;
  }
  delivery_fd_ = fd;
  dispatcher_ = std::thread([this] { Dispatch(); });
  dispatch_id_ = dispatcher_.get_id();
  return MQRC_NONE;
}

MQLONG Connection::Start(const MQCTLO& options, bool wait) {
  std::unique_lock lock(mu);
  if (broken) return MQRC_CONNECTION_BROKEN;
  if (state != ConsumeState::kStopped) return wait ? MQRC_HCONN_ASYNC_ACTIVE : MQRC_NONE;
  // Waiting for callbacks that can never come is refused; a plain start with
  // nothing registered succeeds, as IBM MQ's does.
  if (wait && consumers.empty() && !has_event_handler) return MQRC_NO_CALLBACKS_ACTIVE;
  if (MQLONG rc = EnsureDispatcher()) return rc;
  connection_area = options.ConnectionArea;
  state = ConsumeState::kStarted;
  lock.unlock();
  CallReply reply = Call(StartCall{});
  if (reply.cc == MQCC_FAILED) {
    lock.lock();
    state = ConsumeState::kStopped;
    return reply.reason;
  }
  if (!wait) return MQRC_NONE;
  lock.lock();
  cv.wait(lock, [&] { return state == ConsumeState::kStopped || broken; });
  return MQRC_NONE;
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
  return StopFromAnyThread();
}

MQLONG Connection::Suspend() {
  std::unique_lock lock(mu);
  if (broken) return MQRC_CONNECTION_BROKEN;
  if (state == ConsumeState::kStopped) return MQRC_CONNECTION_STOPPED;
  state = ConsumeState::kSuspended;
  if (!OnDispatchThread()) cv.wait(lock, [&] { return !in_callback || broken; });
  return MQRC_NONE;
}

MQLONG Connection::Resume() {
  std::lock_guard lock(mu);
  if (broken) return MQRC_CONNECTION_BROKEN;
  if (state == ConsumeState::kStopped) return MQRC_CONNECTION_STOPPED;
  state = ConsumeState::kStarted;
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
  delivery_fd_ = -1;
}

void Connection::SendRequeue() {
  std::vector<PushedMessage> back;
  {
    std::lock_guard lock(mu);
    back.swap(requeue);
  }
  // In frames of at most kMaxFrameLength, the last messages first: each
  // frame goes back in front of what the frames before it put back.
  auto size = [](const PushedMessage& m) { return RequeuedBytes(m.data.size()); };
  size_t end = back.size();
  while (end > 0) {
    size_t begin = end - 1, bytes = 8 + size(back[begin]);
    while (begin > 0 && bytes + size(back[begin - 1]) <= kMaxFrameLength)
      bytes += size(back[--begin]);
    RequeueCall call;
    for (size_t i = begin; i < end; ++i) {
      call.messages.push_back(MessagePush{back[i].hobj, back[i].md, back[i].data});
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
  cv.notify_all();
}

void Connection::Deliver(std::unique_lock<std::mutex>& lock, const Frame& frame) {
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
  PushedMessage m{pushed.hobj, pushed.md, std::string(pushed.data)};
  cv.wait(lock, [&] { return state != ConsumeState::kSuspended; });
  auto it = consumers.find(m.hobj);
  if (state != ConsumeState::kStarted || it == consumers.end() || it->second.suspended) {
    requeue.push_back(std::move(m));
    return;
  }
  Callback cb = it->second;
  auto handle = handles.find(m.hobj);
  if (handle != handles.end() && (handle->second.options & MQOO_SAVE_ALL_CONTEXT)) {
    handle->second.saved = m.md;
  }
  auto length = static_cast<MQLONG>(m.data.size());
  MQLONG passed = length;
  MQCBC cbc = NewContext();
  cbc.CallType = MQCBCT_MSG_REMOVED;
  if (cb.cbd.MaxMsgLength != MQCBD_FULL_MSG_LENGTH && length > cb.cbd.MaxMsgLength) {
    passed = std::max<MQLONG>(cb.cbd.MaxMsgLength, 0);
    cbc.CompCode = MQCC_WARNING;
    cbc.Reason = (cb.gmo.Options & MQGMO_ACCEPT_TRUNCATED_MSG) ? MQRC_TRUNCATED_MSG_ACCEPTED
                                                               : MQRC_TRUNCATED_MSG_FAILED;
  }
  cbc.DataLength = length;
  cbc.BufferLength = passed;
  MQMD md = m.md;
  md.Version = cb.md.Version;
  MQGMO gmo = cb.gmo;
  gmo.ReturnedLength = passed;
  Invoke(lock, cb, m.hobj, &md, &gmo, m.data.data(), &cbc);
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
  auto serve = [this](auto& in) {
    Frame frame;
    while (in.Next(&frame)) {
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
    serve(in);
  } else {
    FrameInput in(delivery_fd_, Waiting::FromEnvironment());
    serve(in);
  }
  std::unique_lock lock(mu);
  DeliverBroken(lock);
}

}  // namespace mqemu
