// Decoding of the MQI calls of one connection, and the delivery thread that
// pushes messages and events to it. The frames are drawn in
// protocol/frame.h.
#include "qmgr/session.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "pcf/mq_field.h"
#include "protocol/endpoint.h"
#include "qmgr/queue_manager.h"

namespace mqemu {
namespace {

constexpr size_t kBatchMessages = 64;
constexpr size_t kBatchBytes = 256 * 1024;

void PutStatus(FrameWriter* w, Status st) {
  w->I32(st.cc);
  w->I32(st.rc);
}

bool ReadName(FrameReader& r, std::string* name) {
  char field[48];
  if (!r.Bytes(field, sizeof field)) return false;
  *name = NameInField(field, sizeof field);
  return true;
}

bool ReadOpen(FrameReader& r, OpenRequest* o) {
  return r.I32(&o->type) && ReadName(r, &o->name) && ReadName(r, &o->qmgr) &&
         ReadName(r, &o->dynamic_name) && r.I32(&o->options);
}

void PutName(FrameWriter* w, const std::string& name) {
  char field[48];
  FillBlankPadded(field, sizeof field, name);
  w->Bytes(field, sizeof field);
}

bool ReadPut(FrameReader& r, MQLONG* options, ContextMode* mode, MQMD* md, std::string* data) {
  int32_t m = 0;
  if (!r.I32(options) || !r.I32(&m) || !r.Bytes(md, sizeof *md) || !r.Blob(data)) return false;
  if (m < 0 || m > static_cast<int32_t>(ContextMode::kAll)) return false;
  *mode = static_cast<ContextMode>(m);
  return true;
}

bool ReadLongs(FrameReader& r, std::vector<MQLONG>* out) {
  int32_t n = 0;
  if (!r.I32(&n) || n < 0 || static_cast<size_t>(n) > r.remaining() / 4) return false;
  out->resize(static_cast<size_t>(n));
  for (auto& v : *out) r.I32(&v);
  return r.ok();
}

}  // namespace

void Session::OnEvent(MQHOBJ hobj, MQLONG cc, MQLONG reason) {
  FrameWriter w(Kind::kEvent);
  w.I32(hobj);
  w.I32(cc);
  w.I32(reason);
  outbox_.push_back(w.Finish());
  wake.notify_all();
}

void Session::OnEnded() {
  if (delivery_fd >= 0) ::shutdown(delivery_fd, SHUT_RDWR);
  wake.notify_all();
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
      // MQDISC commits, as IBM MQ's does on distributed platforms.
      std::lock_guard lock(qm.mu);
      qm.EndUnitOfWork(*this, request.kind != Kind::kBackout);
      PutStatus(w, Status::Ok());
      return true;
    }
    case Kind::kOpen: {
      OpenRequest o;
      if (!ReadOpen(r, &o)) return false;
      OpenResult result;
      PutStatus(w, qm.Open(*this, o, &result));
      w->I32(result.hobj);
      PutName(w, result.name);
      PutName(w, result.qmgr);
      return true;
    }
    case Kind::kClose: {
      MQLONG hobj, options;
      if (!r.I32(&hobj) || !r.I32(&options)) return false;
      PutStatus(w, qm.Close(*this, hobj, options));
      return true;
    }
    case Kind::kPut: {
      MQLONG hobj, options;
      ContextMode mode;
      MQMD md;
      std::string data;
      if (!r.I32(&hobj) || !ReadPut(r, &options, &mode, &md, &data)) return false;
      PutStatus(w, qm.Put(*this, hobj, options, mode, &md, std::move(data)));
      w->Bytes(&md, sizeof md);
      return true;
    }
    case Kind::kPut1: {
      OpenRequest o;
      MQLONG options;
      ContextMode mode;
      MQMD md;
      std::string data;
      if (!ReadOpen(r, &o) || !ReadPut(r, &options, &mode, &md, &data)) return false;
      OpenResult opened;
      Status st = qm.Open(*this, o, &opened);
      if (!st.failed()) {
        st = qm.Put(*this, opened.hobj, options, mode, &md, std::move(data));
        qm.Close(*this, opened.hobj, MQCO_NONE);
      }
      PutStatus(w, st);
      w->Bytes(&md, sizeof md);
      return true;
    }
    case Kind::kGet: {
      GetRequest g;
      MQMD md;
      if (!r.I32(&g.hobj) || !r.I32(&g.options) || !r.I32(&g.match) || !r.I32(&g.wait_ms) ||
          !r.I32(&g.buffer_length) || !r.Bytes(&md, sizeof md)) {
        return false;
      }
      std::string data;
      MQLONG length = 0;
      PutStatus(w, qm.Get(*this, g, &md, &data, &length));
      w->Bytes(&md, sizeof md);
      w->I32(length);
      w->Blob(data);
      return true;
    }
    case Kind::kInquire: {
      MQLONG hobj, int_count, char_length;
      std::vector<MQLONG> selectors;
      if (!r.I32(&hobj) || !ReadLongs(r, &selectors) || !r.I32(&int_count) ||
          !r.I32(&char_length)) {
        return false;
      }
      std::vector<MQLONG> ints;
      std::string chars;
      PutStatus(w, qm.Inquire(*this, hobj, selectors, int_count, char_length, &ints, &chars));
      w->I32(static_cast<int32_t>(ints.size()));
      for (MQLONG v : ints) w->I32(v);
      w->Blob(chars);
      return true;
    }
    case Kind::kSet: {
      MQLONG hobj;
      std::vector<MQLONG> selectors, ints;
      std::string chars;
      if (!r.I32(&hobj) || !ReadLongs(r, &selectors) || !ReadLongs(r, &ints) || !r.Blob(&chars)) {
        return false;
      }
      PutStatus(w, qm.Set(*this, hobj, selectors, ints));
      return true;
    }
    case Kind::kRegisterConsumer: {
      MQLONG hobj, match;
      Consumer c;
      MQMD md;
      if (!r.I32(&hobj) || !r.I32(&c.gmo_options) || !r.I32(&match) || !r.Bytes(&md, sizeof md)) {
        return false;
      }
      c.match_msg_id = (match & MQMO_MATCH_MSG_ID) && !IsNullId(md.MsgId);
      c.match_correl_id = (match & MQMO_MATCH_CORREL_ID) && !IsNullId(md.CorrelId);
      std::memcpy(c.msg_id, md.MsgId, 24);
      std::memcpy(c.correl_id, md.CorrelId, 24);
      PutStatus(w, qm.RegisterConsumer(*this, hobj, c));
      return true;
    }
    case Kind::kDeregisterConsumer: {
      MQLONG hobj;
      if (!r.I32(&hobj)) return false;
      PutStatus(w, qm.DeregisterConsumer(*this, hobj));
      return true;
    }
    case Kind::kStart:
      PutStatus(w, qm.Start(*this));
      return true;
    case Kind::kStop:
      PutStatus(w, qm.Stop(*this));
      return true;
    case Kind::kRequeue: {
      int32_t n = 0;
      if (!r.I32(&n) || n < 0) return false;
      std::vector<std::pair<MQHOBJ, Message>> messages;
      for (int32_t i = 0; i < n; ++i) {
        MQHOBJ hobj;
        Message m;
        if (!r.I32(&hobj) || !r.Bytes(&m.md, sizeof m.md) || !r.Blob(&m.data)) return false;
        messages.emplace_back(hobj, std::move(m));
      }
      PutStatus(w, qm.Requeue(*this, std::move(messages)));
      return true;
    }
    default:
      return false;
  }
}

void Session::ServeCalls(const Frame& first) {
  QueueManager& qm = Qm();
  FrameInput in(call_fd, Waiting::FromEnvironment());
  {
    FrameReader r = first.Reader();
    int32_t cno_version = 0, client_pid = 0;
    std::string qmgr, client_user, client_appl;
    FrameWriter w(Kind::kConnect);
    bool readable = r.I32(&cno_version) && r.Blob(&client_user) && r.Blob(&client_appl) &&
                    r.I32(&client_pid) && r.Blob(&qmgr);
    Status st;
    {
      std::lock_guard lock(qm.mu);
      user = client_user.substr(0, MQ_USER_ID_LENGTH);
      appl = client_appl.substr(0, MQ_APPL_NAME_LENGTH);
      pid = client_pid;
      if (!readable) {
        st = Status::Fail(MQRC_CONNECTION_BROKEN);
      } else if (qm.ending) {
        st = Status::Fail(MQRC_Q_MGR_STOPPING);
      } else if (qm.quiescing) {
        st = Status::Fail(MQRC_Q_MGR_QUIESCING);
      } else if (!qmgr.empty() && qmgr != qm.name) {
        st = Status::Fail(MQRC_Q_MGR_NAME_ERROR);
      } else if (qm.faults.refuse_cno_from_7 && cno_version >= MQCNO_VERSION_7) {
        st = Status::Fail(MQRC_CNO_ERROR);
      }
    }
    PutStatus(&w, st);
    w.U32(id);
    PutName(&w, qm.name);
    if (!WriteAll(call_fd, w.Finish()) || st.failed()) return;
  }
  Frame request;
  while (in.Next(&request)) {
    FrameWriter w(request.kind);
    if (!Dispatch(request, &w) || !WriteAll(call_fd, w.Finish())) return;
    if (request.kind == Kind::kDisconnect) return;
  }
  LogRefusedFrame(call_fd, in);
}

void Session::ServeDelivery(int fd) {
  QueueManager& qm = Qm();
  std::unique_lock lock(qm.mu);
  if (ended || delivery_fd >= 0) return;
  delivery_fd = fd;
  std::string batch;
  while (!ended) {
    batch.clear();
    if (started) {
      for (const std::string& e : outbox_) batch += e;
      outbox_.clear();
    }
    size_t count = 0;
    bool progress = started;
    while (progress && count < kBatchMessages && batch.size() < kBatchBytes) {
      progress = false;
      for (auto& [hobj, c] : consumers) {
        if (c.queue->inhibit_get == MQQA_GET_INHIBITED) continue;
        Message m;
        if (!qm.TakeMessage(*c.queue, c, &m)) continue;
        FrameWriter w(Kind::kMessage);
        w.I32(hobj);
        w.Bytes(&m.md, sizeof m.md);
        w.Blob(m.data);
        batch += w.Finish();
        ++count;
        progress = true;
      }
    }
    if (stop_pending) {
      stop_pending = false;
      batch += FrameWriter(Kind::kStopped).Finish();
    }
    if (batch.empty()) {
      wake.wait(lock);
      continue;
    }
    lock.unlock();
    bool written = WriteAll(fd, batch);
    lock.lock();
    if (!written) break;
  }
  delivery_fd = -1;
}

}  // namespace mqemu
