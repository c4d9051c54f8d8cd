// The MQI calls of one connection, each decoded and answered with the
// fields of protocol/frame_kinds.h, and the delivery thread that pushes
// messages and events to it.
#include "qmgr/session.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>

#include "pcf/mq_field.h"
#include "protocol/endpoint.h"
#include "protocol/frame_kinds.h"
#include "qmgr/clock.h"
#include "qmgr/queue_manager.h"

namespace mqemu {
namespace {

constexpr size_t kBatchMessages = 64;
constexpr size_t kBatchBytes = 256 * 1024;

// Writes the reply of a call: its status and its fields.
template <typename Fields>
void Reply(FrameWriter* w, Status st, const Fields& fields) {
  EncodeReply(*w, st.cc, st.rc, fields);
}
void Reply(FrameWriter* w, Status st) {
  Reply(w, st, NoFields{});
}

void PutName(MQCHAR48 field, const std::string& name) {
  FillBlankPadded(field, sizeof(MQCHAR48), name);
}

OpenRequest ToOpenRequest(const OpenCall& call) {
  OpenRequest o;
  o.type = call.type;
  o.name = NameInField(call.name, sizeof call.name);
  o.qmgr = NameInField(call.qmgr, sizeof call.qmgr);
  o.dynamic_name = NameInField(call.dynamic, sizeof call.dynamic);
  o.options = call.options;
  return o;
}

}  // namespace

void Session::OnEvent(MQHOBJ hobj, MQLONG cc, MQLONG reason) {
  outbox_.push_back(EncodeFrame(EventPush{hobj, cc, reason}).Finish());
  wake.notify_all();
}

namespace {
thread_local WakeAfterUnlock* open_wake_scope = nullptr;
}  // namespace

WakeAfterUnlock::WakeAfterUnlock() : outer_(open_wake_scope) {
  open_wake_scope = this;
}

WakeAfterUnlock::~WakeAfterUnlock() {
  open_wake_scope = outer_;
  if (outer_) {
    // An enclosing scope makes the wakes when it ends.
    for (auto& s : sessions_) outer_->sessions_.push_back(std::move(s));
    for (auto& cv : conditions_) outer_->conditions_.push_back(std::move(cv));
    return;
  }
  for (const std::shared_ptr<Session>& s : sessions_) s->PushFromHere();
  for (const std::shared_ptr<std::condition_variable>& cv : conditions_) cv->notify_all();
}

void WakeAfterUnlock::Defer(const std::shared_ptr<std::condition_variable>& cv) {
  WakeAfterUnlock* scope = open_wake_scope;
  if (!scope) {
    cv->notify_all();
  } else if (scope->conditions_.empty() || scope->conditions_.back() != cv) {
    scope->conditions_.push_back(cv);
  }
}

bool WakeAfterUnlock::Defer(Session& s) {
  WakeAfterUnlock* scope = open_wake_scope;
  if (!scope) return false;
  // The session is held until the wake, so that it cannot go meanwhile.
  auto it = Qm().sessions.find(s.id);
  if (it == Qm().sessions.end() || it->second.get() != &s) return false;
  if (scope->sessions_.empty() || scope->sessions_.back().get() != &s) {
    scope->sessions_.push_back(it->second);
  }
  return true;
}

void Session::OnDeliveryChanged() {
  if (!WakeAfterUnlock::Defer(*this)) wake.notify_all();
}

void Session::OnEnded() {
  if (delivery_fd >= 0) ::shutdown(delivery_fd, SHUT_RDWR);
  wake.notify_all();
}

void Session::OnCallWaits(bool waits) {
  if (calls_ring_) calls_ring_->Park(waits);
}

bool Session::ClientGone() const {
  pollfd p{call_fd, POLLRDHUP, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

void LogRefusedFrame(int fd, const FrameInput& in) {
  if (in.refused_length() == 0) return;
  ucred peer{};
  socklen_t size = sizeof peer;
  long pid = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 ? peer.pid : 0;
  std::fprintf(stderr,
               "mqemu-qmgr: client pid %ld disconnected: its frame claims %u bytes, at most %u "
               "are allowed\n",
               pid, in.refused_length(), kMaxFrameLength);
}

bool Session::Dispatch(const Frame& request, FrameWriter* w) {
  QueueManager& qm = Qm();
  FrameReader r = request.Reader();
  switch (request.kind) {
    case Kind::kDisconnect:
    case Kind::kCommit:
    case Kind::kBackout: {
      if (NoFields none; !DecodeWhole(r, &none)) return false;
      // MQDISC commits, as IBM MQ's does on distributed platforms.
      std::lock_guard lock(qm.mu);
      qm.EndUnitOfWork(*this, request.kind != Kind::kBackout);
      Reply(w, Status::Ok());
      return true;
    }
    case Kind::kOpen: {
      OpenCall call;
      if (!DecodeWhole(r, &call)) return false;
      OpenResult result;
      Status st = qm.Open(*this, ToOpenRequest(call), &result);
      OpenReply reply;
      reply.hobj = result.hobj;
      PutName(reply.name, result.name);
      PutName(reply.qmgr, result.qmgr);
      PutName(reply.resolved, result.resolved);
      Reply(w, st, reply);
      return true;
    }
    case Kind::kClose: {
      CloseCall call;
      if (!DecodeWhole(r, &call)) return false;
      Reply(w, qm.Close(*this, call.hobj, call.options));
      return true;
    }
    case Kind::kPut: {
      PutCall call;
      if (!DecodeWhole(r, &call)) return false;
      PutReply reply;
      reply.md = call.put.md;
      Status st = qm.Put(*this, call.hobj, call.put.options, call.put.mode, &reply.md,
                         std::string(call.put.data), std::string(call.put.properties));
      if (!st.failed()) CountMessages(1);
      Reply(w, st, reply);
      return true;
    }
    case Kind::kPut1: {
      Put1Call call;
      if (!DecodeWhole(r, &call)) return false;
      PutReply reply;
      reply.md = call.put.md;
      OpenResult opened;
      Status st = qm.Open(*this, ToOpenRequest(call.open), &opened);
      if (!st.failed()) {
        st = qm.Put(*this, opened.hobj, call.put.options, call.put.mode, &reply.md,
                    std::string(call.put.data), std::string(call.put.properties));
        qm.Close(*this, opened.hobj, MQCO_NONE);
      }
      if (!st.failed()) CountMessages(1);
      Reply(w, st, reply);
      return true;
    }
    case Kind::kGet: {
      GetCall call;
      if (!DecodeWhole(r, &call)) return false;
      GetRequest g;
      g.hobj = call.hobj;
      g.options = call.options;
      g.match = call.match;
      g.wait_ms = call.wait_ms;
      g.buffer_length = call.buffer_length;
      g.properties = call.properties;
      GetReply reply;
      reply.md = call.md;
      std::string data, properties;
      Status st = qm.Get(*this, g, &reply.md, &data, &reply.data_length, &properties);
      if (!st.failed()) CountMessages(1);
      reply.data = data;
      reply.properties = properties;
      Reply(w, st, reply);
      return true;
    }
    case Kind::kInquire: {
      InquireCall call;
      if (!DecodeWhole(r, &call)) return false;
      InquireReply reply;
      std::string chars;
      Status st = qm.Inquire(*this, call.hobj, call.selectors, call.int_count, call.char_length,
                             &reply.ints, &chars);
      reply.chars = chars;
      Reply(w, st, reply);
      return true;
    }
    case Kind::kSet: {
      SetCall call;
      if (!DecodeWhole(r, &call)) return false;
      Reply(w, qm.Set(*this, call.hobj, call.selectors, call.ints, call.chars));
      return true;
    }
    case Kind::kRegisterConsumer: {
      RegisterConsumerCall call;
      if (!DecodeWhole(r, &call)) return false;
      Consumer c;
      c.gmo_options = call.gmo_options;
      c.selection = Selection::Of(call.md, call.match);
      Reply(w, qm.RegisterConsumer(*this, call.hobj, c));
      return true;
    }
    case Kind::kDeregisterConsumer: {
      DeregisterConsumerCall call;
      if (!DecodeWhole(r, &call)) return false;
      Reply(w, qm.DeregisterConsumer(*this, call.hobj));
      return true;
    }
    case Kind::kStart:
      if (NoFields none; !DecodeWhole(r, &none)) return false;
      Reply(w, qm.Start(*this));
      return true;
    case Kind::kStop:
      if (NoFields none; !DecodeWhole(r, &none)) return false;
      Reply(w, qm.Stop(*this));
      return true;
    case Kind::kRequeue: {
      RequeueCall call;
      if (!DecodeWhole(r, &call)) return false;
      std::vector<RequeuedMessage> messages;
      messages.reserve(call.messages.size());
      for (const MessagePush& pushed : call.messages) {
        Message m{pushed.md, std::string(pushed.data), std::string(pushed.properties)};
        m.position = pushed.position;
        m.StartExpiry(MessageClock::now());
        messages.push_back({pushed.hobj, std::move(m), pushed.browsed});
      }
      Reply(w, qm.Requeue(*this, std::move(messages)));
      return true;
    }
    default:
      return false;
  }
}

void Session::CountMessages(int64_t count) {
  if (count == 0) return;
  messages += count;
  last_message_us = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
}

void Session::ServeCalls(const Frame& first) {
  Serve(first);
  Leave();
  // The call thread is done with the rings: a client still waiting on them
  // wakes now rather than when it next looks at the socket.
  if (region) region->Close();
}

void Session::Leave() {
  QueueManager& qm = Qm();
  std::lock_guard lock(qm.mu);
  qm.EndSession(*this);
  qm.sessions.erase(id);
}

void Session::Serve(const Frame& first) {
  QueueManager& qm = Qm();
  FrameInput in(call_fd, Waiting::FromEnvironment());
  {
    FrameReader r = first.Reader();
    ConnectCall call;
    FrameWriter w(Kind::kConnect);
    bool readable = DecodeWhole(r, &call);
    Status st;
    {
      std::lock_guard lock(qm.mu);
      user = call.user.substr(0, MQ_USER_ID_LENGTH);
      appl = call.appl.substr(0, MQ_APPL_NAME_LENGTH);
      pid = call.pid;
      tid = call.tid;
      connect_options = call.options;
      channel = call.channel.substr(0, MQ_CHANNEL_NAME_LENGTH);
      conname = call.conname.substr(0, MQ_CONN_NAME_LENGTH);
      NowFields(&connect_date, &connect_time, nullptr, nullptr);
      if (!readable) {
        st = Status::Fail(MQRC_CONNECTION_BROKEN);
      } else if (qm.ending) {
        st = Status::Fail(MQRC_Q_MGR_STOPPING);
      } else if (qm.quiescing) {
        st = Status::Fail(MQRC_Q_MGR_QUIESCING);
      } else if (!call.qmgr.empty() && call.qmgr != qm.name) {
        st = Status::Fail(MQRC_Q_MGR_NAME_ERROR);
      } else if (qm.faults.refuse_cno_from_7 && call.cno_version >= MQCNO_VERSION_7) {
        st = Status::Fail(MQRC_CNO_ERROR);
      } else if (!channel.empty()) {
        // A client comes in through a server-connection channel defined here.
        const ChannelDefinition* c = qm.FindChannel(channel);
        if (!c || c->type != MQCHT_SVRCONN) st = Status::Fail(MQRC_UNKNOWN_CHANNEL_NAME);
      }
    }
    ConnectReply reply;
    reply.session = id;
    PutName(reply.qmgr, qm.name);
    Reply(&w, st, reply);
    const std::string& connected = w.Finish();
    bytes_received += static_cast<int64_t>(first.payload.size()) + 8;
    bytes_sent += static_cast<int64_t>(connected.size());
    ++buffers_received;
    ++buffers_sent;
    if (!WriteAll(call_fd, connected) || st.failed()) return;
  }
  Frame request;
  std::string out;  // the reply, its memory kept from call to call
  while (in.Next(&request)) {
    bytes_received += static_cast<int64_t>(request.payload.size()) + 8;
    ++buffers_received;
    if (request.kind == Kind::kShare && !calls_ring_) {
      if (!Share(in)) return;
      continue;
    }
    out.clear();
    FrameWriter w(request.kind, std::move(out));
    // The threads a put wakes (the getters of its queue, a consumer's
    // delivery thread, the command server) are woken once its reply is
    // written: woken first, one could take this thread's CPU while the
    // putter waits for its reply. Only what follows from this client's own
    // put waits for the client to take its reply.
    std::optional<WakeAfterUnlock> after_reply;
    if (request.kind == Kind::kPut || request.kind == Kind::kPut1) after_reply.emplace();
    if (!Dispatch(request, &w)) return;
    // After MQDISC the connection and its handles are gone before the
    // application hears so: what it asks next does not see them.
    if (request.kind == Kind::kDisconnect) Leave();
    out = std::move(w).Release();
    bytes_sent += static_cast<int64_t>(out.size());
    ++buffers_sent;
    if (!(calls_ring_ ? calls_ring_->Write(out) : WriteAll(call_fd, out))) return;
    if (request.kind == Kind::kDisconnect) return;
    // A reply that carried a large message gives its memory back.
    if (out.capacity() > kBatchBytes) out = std::string();
  }
  LogRefusedFrame(call_fd, in);
}

bool Session::Share(FrameInput& in) {
  std::shared_ptr<SharedRegion> made = SharedRegion::Create();
  FrameWriter w(Kind::kShare);
  // Without memory for a region the calls go on through the socket.
  Reply(&w, made ? Status::Ok() : Status::Fail(MQRC_STORAGE_NOT_AVAILABLE));
  const std::string& reply = w.Finish();
  bytes_sent += static_cast<int64_t>(reply.size());
  ++buffers_sent;
  if (!made) return WriteAll(call_fd, reply);
  // The region is the session's before the client hears of it, so that a
  // delivery socket it attaches at once finds it.
  {
    std::lock_guard lock(Qm().mu);
    if (ended || broken) return false;
    region = made;
  }
  if (!SendWithDescriptor(call_fd, reply, made->fd())) return false;
  made->CloseDescriptor();
  calls_ring_ = std::make_unique<RingEnd>(std::move(made), SharedRegion::kToClient, call_fd);
  in.ReadFrom(calls_ring_.get());
  return true;
}

bool Session::TakeOwed(Owed* owed) {
  QueueManager& qm = Qm();
  if (started) owed->events.swap(outbox_);
  size_t bytes = 0;
  bool progress = started;
  while (progress && owed->taken.size() < kBatchMessages && bytes < kBatchBytes) {
    progress = false;
    for (auto& [hobj, c] : consumers) {
      if (c.queue->inhibit_get == MQQA_GET_INHIBITED) continue;
      Message m;
      bool browsed = c.browses();
      if (browsed) {
        auto h = handles.find(hobj);
        if (h == handles.end() || !qm.BrowseMessage(*c.queue, c.selection, &h->second.cursor, &m)) {
          continue;
        }
      } else if (!qm.TakeMessage(*c.queue, c.selection, &m)) {
        continue;
      }
      bytes += RequeuedBytes(m.data.size(), m.properties.size());
      owed->taken.push_back({hobj, std::move(m), browsed});
      progress = true;
    }
  }
  owed->stopped = stop_pending;
  stop_pending = false;
  return !owed->events.empty() || !owed->taken.empty() || owed->stopped;
}

void Session::FrameOwed(Owed* owed, std::string* batch) {
  batch->clear();
  for (const std::string& e : owed->events) *batch += e;
  for (const Owed::Taken& t : owed->taken) {
    const Message& m = t.message;
    AppendFrame(batch, MessagePush{t.hobj, m.md, m.data, m.properties, m.position, t.browsed});
  }
  if (owed->stopped) AppendFrame(batch, StoppedPush{});
  CountMessages(static_cast<int64_t>(owed->taken.size()));
  bytes_sent += static_cast<int64_t>(batch->size());
  ++buffers_sent;
  owed->events.clear();
  owed->taken.clear();  // the messages' memory is given back without the lock
}

bool Session::WritePushes(std::string_view data) {
  return push_ring_ ? push_ring_->Write(data) : WriteAll(delivery_fd, data);
}

size_t Session::WritePushesWithoutWaiting(std::string_view data) {
  return push_ring_ ? push_ring_->WriteSome(data) : SendWithoutWaiting(delivery_fd, data);
}

void Session::ServeDelivery(int fd, bool shared) {
  QueueManager& qm = Qm();
  {
    std::scoped_lock lock(push_mu_, qm.mu);
    // A client asks for the push ring only once its calls are shared.
    if (ended || delivery_fd >= 0 || (shared && !region)) return;
    delivery_fd = fd;
    if (shared) {
      push_ring_ =
          std::make_unique<RingEnd>(region, SharedRegion::kPushes, SharedRegion::kNoRing, fd);
    }
  }
  Owed owed;
  std::string batch;
  for (;;) {
    std::unique_lock pass(push_mu_);
    if (!unwritten_.empty()) {
      bool written = WritePushes(unwritten_);
      unwritten_.clear();
      if (!written) break;
    }
    std::unique_lock lock(qm.mu);
    if (ended) break;
    if (!TakeOwed(&owed)) {
      pass.unlock();
      wake.wait(lock);
      continue;
    }
    lock.unlock();
    FrameOwed(&owed, &batch);
    bool written = WritePushes(batch);
    // A batch that carried a large message gives its memory back.
    if (batch.capacity() > 2 * kBatchBytes) batch = std::string();
    if (!written) break;
  }
  // No pass writes on fd once this returns and its owner closes it.
  std::scoped_lock end(push_mu_, qm.mu);
  delivery_fd = -1;
  push_ring_.reset();
}

void Session::PushFromHere() {
  QueueManager& qm = Qm();
  std::unique_lock pass(push_mu_, std::try_to_lock);
  // A pass under way, or bytes still to write before any new ones: the
  // delivery thread takes what is owed when it is done.
  if (!pass || !unwritten_.empty()) {
    wake.notify_all();
    return;
  }
  Owed owed;
  {
    std::lock_guard lock(qm.mu);
    if (ended || delivery_fd < 0 || !TakeOwed(&owed)) return;
  }
  std::string batch;
  FrameOwed(&owed, &batch);
  size_t sent = WritePushesWithoutWaiting(batch);
  if (sent == batch.size()) return;
  // The client is not reading fast enough: the delivery thread writes the
  // rest, waiting as long as it takes, so that this thread never does.
  unwritten_.assign(batch, sent);
  std::lock_guard lock(qm.mu);
  wake.notify_all();
}

}  // namespace mqemu
