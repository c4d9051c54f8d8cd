// Links to other emulated queue managers: one call socket per remote queue
// manager, opened on first use and kept, serialised by its own lock.
#include "qmgr/remote.h"

#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>

#include "protocol/endpoint.h"

namespace mqemu {
namespace {

struct Link {
  std::mutex mu;
  Channel channel;
};

std::mutex links_mu;
std::map<std::string, std::unique_ptr<Link>> links;

Link& LinkTo(const std::string& qmgr) {
  std::lock_guard lock(links_mu);
  auto& link = links[qmgr];
  if (!link) link = std::make_unique<Link>();
  return *link;
}

// Connects the link as the local queue manager, returning false when the
// remote one does not answer.
bool OpenLink(const std::string& qmgr, Channel* channel) {
  if (!channel->Open(qmgr)) return false;
  FrameWriter w(Kind::kConnect);
  w.I32(MQCNO_VERSION_1);
  w.Blob(Qm().name);
  w.Blob(Qm().name);
  w.I32(::getpid());
  w.Blob(qmgr);
  Frame reply;
  int32_t cc = MQCC_FAILED;
  if (!channel->Call(w.Finish(), &reply) || !reply.Reader().I32(&cc) || cc == MQCC_FAILED) {
    channel->Close();
    return false;
  }
  return true;
}

}  // namespace

bool QueueManagerRunning(const std::string& qmgr) {
  int fd = ConnectSocket(SocketPath(qmgr));
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

Status PutToQueueManager(const std::string& qmgr, const std::string& queue, const Message& m) {
  Link& link = LinkTo(qmgr);
  std::lock_guard lock(link.mu);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!link.channel.is_open() && !OpenLink(qmgr, &link.channel)) {
      return Status::Fail(MQRC_UNKNOWN_REMOTE_Q_MGR);
    }
    FrameWriter w(Kind::kPut1);
    MQCHAR48 name_field, blank;
    SetField(name_field, sizeof name_field, queue);
    SetField(blank, sizeof blank, "");
    w.I32(MQOT_Q);
    w.Bytes(name_field, 48);
    w.Bytes(blank, 48);
    w.Bytes(blank, 48);
    w.I32(MQOO_OUTPUT | MQOO_SET_ALL_CONTEXT);
    w.I32(MQPMO_SET_ALL_CONTEXT | MQPMO_NO_SYNCPOINT);
    w.I32(static_cast<int32_t>(ContextMode::kAll));
    w.Bytes(&m.md, sizeof m.md);
    w.Blob(m.data);
    Frame reply;
    if (!link.channel.Call(w.Finish(), &reply)) continue;  // reconnect once
    Status st;
    FrameReader r = reply.Reader();
    if (!r.I32(&st.cc) || !r.I32(&st.rc)) return Status::Fail(MQRC_CONNECTION_BROKEN);
    return st;
  }
  return Status::Fail(MQRC_UNKNOWN_REMOTE_Q_MGR);
}

}  // namespace mqemu
