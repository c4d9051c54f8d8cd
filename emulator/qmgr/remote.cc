// Links to other emulated queue managers: per remote queue manager, a queue
// of messages on their way and a sender thread with one call socket to it,
// opened on first use and kept.
//
// Rules: `links_mu` guards the map of links, each Link's `mu_` its queue
// and the outcomes of its messages. A link is made on the first message for
// a queue manager that is running then, and lives as long as the process,
// as does its sender thread. The sender holds no lock while it talks to the
// remote queue manager.
#include "qmgr/remote.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "pcf/mq_field.h"
#include "protocol/endpoint.h"
#include "protocol/frame_kinds.h"

namespace mqemu {
namespace {

// What became of one message, for a caller that waits for it.
struct Outcome {
  bool done = false;
  Status status;
};

struct Outgoing {
  std::string queue;
  Message message;
  std::shared_ptr<Outcome> outcome;
};

class Link {
 public:
  explicit Link(std::string qmgr) : qmgr_(std::move(qmgr)) {
    std::thread([this] { Send(); }).detach();
  }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // Queues m unless the link is full; never waits for the queue manager's
  // lock or the remote one.
  bool Offer(const std::string& queue, const Message& m) {
    std::lock_guard lock(mu_);
    if (waiting_.size() >= kMaxLinkDepth) return false;
    waiting_.push_back({queue, m, std::make_shared<Outcome>()});
    arrived_.notify_one();
    return true;
  }

  Status Hand(const std::string& queue, Message m, std::chrono::milliseconds wait) {
    auto outcome = std::make_shared<Outcome>();
    std::unique_lock lock(mu_);
    if (waiting_.size() >= kMaxLinkDepth) {
      lock.unlock();
      return Qm().DeadLetter(std::move(m), Status::Fail(MQRC_Q_FULL));
    }
    waiting_.push_back({queue, std::move(m), outcome});
    arrived_.notify_one();
    if (wait.count() > 0 && !stalled_ &&
        !ended_.wait_for(lock, wait, [&] { return outcome->done; })) {
      stalled_ = true;
    }
    return outcome->done ? outcome->status : Status::Ok();
  }

 private:
  // The sender thread: puts the waiting messages, oldest first.
  void Send() {
    std::unique_lock lock(mu_);
    for (;;) {
      arrived_.wait(lock, [&] { return !waiting_.empty(); });
      Outgoing out = std::move(waiting_.front());
      waiting_.pop_front();
      lock.unlock();
      Status st = Put(out.queue, out.message);
      st = st.failed() ? Qm().DeadLetter(std::move(out.message), st) : Status::Ok();
      lock.lock();
      out.outcome->status = st;
      out.outcome->done = true;
      stalled_ = false;
      ended_.notify_all();
    }
  }

  // Connects the channel as the local queue manager, returning false when
  // the remote one does not answer.
  bool Connect() {
    if (!channel_.Open(qmgr_)) return false;
    ConnectCall call;
    call.user = Qm().name;
    call.appl = Qm().name;
    call.pid = ::getpid();
    call.tid = static_cast<int32_t>(::gettid());
    call.qmgr = qmgr_;
    Frame reply;
    FrameReader r = reply.Reader();
    ReplyHead head;
    if (!channel_.Call(EncodeFrame(call).Finish(), &reply) ||
        !(r = reply.Reader(), Decode(r, &head)) || head.cc == MQCC_FAILED) {
      channel_.Close();
      return false;
    }
    return true;
  }

  // One MQPUT1 on the remote queue manager, reconnecting once when the
  // channel broke since the last.
  Status Put(const std::string& queue, const Message& m) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (!channel_.is_open() && !Connect()) return Status::Fail(MQRC_UNKNOWN_REMOTE_Q_MGR);
      Put1Call call;
      call.open.type = MQOT_Q;
      FillBlankPadded(call.open.name, sizeof call.open.name, queue);
      FillBlankPadded(call.open.qmgr, sizeof call.open.qmgr, "");
      FillBlankPadded(call.open.dynamic, sizeof call.open.dynamic, "");
      call.open.options = MQOO_OUTPUT | MQOO_SET_ALL_CONTEXT;
      // The receiving queue manager counts the expiry on from what is left.
      MQMD md = m.md;
      md.Expiry = m.ExpiryLeft(MessageClock::now());
      call.put = {MQPMO_SET_ALL_CONTEXT | MQPMO_NO_SYNCPOINT, ContextMode::kAll, md, m.data,
                  m.properties};
      Frame reply;
      if (!channel_.Call(EncodeFrame(call).Finish(), &reply)) continue;
      FrameReader r = reply.Reader();
      ReplyHead head;
      if (!Decode(r, &head)) return Status::Fail(MQRC_CONNECTION_BROKEN);
      return Status{head.cc, head.reason};
    }
    return Status::Fail(MQRC_UNKNOWN_REMOTE_Q_MGR);
  }

  const std::string qmgr_;
  Channel channel_;  // the sender thread's alone
  std::mutex mu_;
  std::deque<Outgoing> waiting_;
  bool stalled_ = false;  // a caller's wait ran out before the put in progress ended
  std::condition_variable arrived_;
  std::condition_variable ended_;
};

std::mutex links_mu;

// The link to qmgr; one is made only for a queue manager that is running, so
// null when there is none and it is not.
Link* LinkTo(const std::string& qmgr) {
  // Never destroyed: the sender threads use their links to the end.
  static auto* links = new std::map<std::string, std::unique_ptr<Link>>;
  std::lock_guard lock(links_mu);
  auto it = links->find(qmgr);
  if (it != links->end()) return it->second.get();
  if (!QueueManagerRunning(qmgr)) return nullptr;
  return links->emplace(qmgr, std::make_unique<Link>(qmgr)).first->second.get();
}

}  // namespace

bool QueueManagerRunning(const std::string& qmgr) {
  if (!ValidQueueManagerName(qmgr)) return false;
  int fd = ConnectSocket(SocketPath(qmgr), /*nonblocking=*/true);
  if (fd >= 0) ::close(fd);
  return fd >= 0 || errno == EAGAIN;
}

Status OfferToQueueManager(const std::string& qmgr, const std::string& queue, const Message& m) {
  Link* link = LinkTo(qmgr);
  if (!link) return Status::Fail(MQRC_UNKNOWN_REMOTE_Q_MGR);
  return link->Offer(queue, m) ? Status::Ok() : Status::Fail(MQRC_Q_FULL);
}

Status SendToQueueManager(const std::string& qmgr, const std::string& queue, Message m,
                          std::chrono::milliseconds wait) {
  Link* link = LinkTo(qmgr);
  if (!link) return Qm().DeadLetter(std::move(m), Status::Fail(MQRC_UNKNOWN_REMOTE_Q_MGR));
  return link->Hand(queue, std::move(m), wait);
}

}  // namespace mqemu
