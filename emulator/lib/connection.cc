// The call socket of a connection and the registry of connections.
#include "lib/connection.h"

#include <algorithm>
#include <thread>

namespace mqemu {
namespace {

std::mutex registry_mu;
std::map<MQHCONN, std::shared_ptr<Connection>>& Registry() {
  static auto* registry = new std::map<MQHCONN, std::shared_ptr<Connection>>;
  return *registry;
}
MQHCONN next_hconn = 0x01000001;

}  // namespace

CallReply Connection::Call(FrameWriter& request, LinkWait wait) {
  CallReply reply;
  bool answered;
  {
    std::lock_guard lock(call_mu);
    const std::string& frame = request.Finish();
    LinkClock::time_point arrival{};
    if (link) {
      arrival = link->Up(LinkClock::now(), frame.size());
      if (wait == LinkWait::kReply) std::this_thread::sleep_until(arrival);
    }
    answered = channel.Call(frame, &reply.frame);
    if (link && answered) {
      // An unawaited reply still takes its place on the way back, after
      // its request has arrived.
      const auto back =
          link->Down(std::max(LinkClock::now(), arrival), 8 + reply.frame.payload.size());
      if (wait == LinkWait::kReply) std::this_thread::sleep_until(back);
    }
  }
  reply.reader = reply.frame.Reader();
  ReplyHead head;
  if (answered && Decode(reply.reader, &head)) {
    reply.cc = head.cc;
    reply.reason = head.reason;
  } else {
    std::lock_guard lock(mu);
    broken = true;
    reply.cc = MQCC_FAILED;
    reply.reason = MQRC_CONNECTION_BROKEN;
  }
  return reply;
}

MQLONG Connection::CheckCaller() {
  std::lock_guard lock(mu);
  if (state == ConsumeState::kStarted && !OnDispatchThread()) return MQRC_HCONN_ASYNC_ACTIVE;
  if (broken) return MQRC_CONNECTION_BROKEN;
  return MQRC_NONE;
}

Connection::~Connection() {
  if (dispatcher_.joinable()) dispatcher_.detach();
}

MQHCONN AddConnection(std::shared_ptr<Connection> c) {
  std::lock_guard lock(registry_mu);
  MQHCONN h = next_hconn++;
  c->hconn = h;
  Registry().emplace(h, std::move(c));
  return h;
}

std::shared_ptr<Connection> FindConnection(MQHCONN hconn) {
  std::lock_guard lock(registry_mu);
  auto it = Registry().find(hconn);
  return it == Registry().end() ? nullptr : it->second;
}

void RemoveConnection(MQHCONN hconn) {
  std::shared_ptr<Connection> last;
  std::lock_guard lock(registry_mu);
  auto it = Registry().find(hconn);
  if (it == Registry().end()) return;
  last = std::move(it->second);
  Registry().erase(it);
}

}  // namespace mqemu
