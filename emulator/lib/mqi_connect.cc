// MQCONN, MQCONNX and MQDISC: connecting to a queue manager of the user's
// home with the identity IBM MQ would give the program, and MQCMIT and
// MQBACK, which end the connection's unit of work.
#include <cmqc.h>
#include <cmqxc.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "lib/message_handles.h"
#include "lib/mqi_entry.h"
#include "lib/mqi_structures.h"
#include "pcf/mq_field.h"

namespace mqemu {
namespace {

// The program's file name, at most the 28 characters of PutApplName, as
// IBM MQ sets it when the application names itself nowhere else.
std::string ProgramName() {
  char path[4096];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "mqemu-application";
  std::string name(path, static_cast<size_t>(n));
  name = name.substr(name.rfind('/') + 1);
  return name.substr(0, MQ_APPL_NAME_LENGTH);
}

std::string OsUser() {
  passwd pw{};
  passwd* found = nullptr;
  char buf[1024];
  if (getpwuid_r(::geteuid(), &pw, buf, sizeof buf, &found) == 0 && found) return pw.pw_name;
  return std::to_string(::geteuid());
}

#ifdef MQEMU_CLIENT_LINK
// The server-connection channel a client names, as IBM MQ's clients take
// it: the ChannelName of the MQCD that MQCNO ClientConnPtr (or
// ClientConnOffset) points to, else the name before the first '/' of the
// MQSERVER environment variable ("CHANNEL/TCP/host(port)"), else the default
// server-connection channel. The queue manager refuses a channel it does
// not define.
std::string ClientChannel(const MQCNO& cno, const void* options) {
  if (cno.Version >= MQCNO_VERSION_2 && (cno.ClientConnPtr || cno.ClientConnOffset)) {
    const MQCD* cd = cno.ClientConnPtr
                         ? static_cast<const MQCD*>(cno.ClientConnPtr)
                         : reinterpret_cast<const MQCD*>(static_cast<const char*>(options) +
                                                         cno.ClientConnOffset);
    std::string name = NameInField(cd->ChannelName, MQ_CHANNEL_NAME_LENGTH);
    if (!name.empty()) return name;
  }
  if (const char* server = std::getenv("MQSERVER"); server && *server) {
    std::string_view text(server);
    std::string name = TrimTrailingBlanks(text.substr(0, text.find('/')));
    if (!name.empty()) return name;
  }
  return "SYSTEM.DEF.SVRCONN";
}
#endif

void Connect(PMQCHAR qmgr_field, PMQVOID options, PMQHCONN hconn, PMQLONG cc, PMQLONG rc) {
  if (!hconn) return Failed(cc, rc, MQRC_HCONN_ERROR);
  *hconn = MQHC_UNUSABLE_HCONN;
  MQCNO cno;
  if (!LoadCno(options, &cno)) return Failed(cc, rc, MQRC_CNO_ERROR);
  // Queue managers are reached only through a home of the user's own.
  if (!HomeProblem().empty()) return Failed(cc, rc, MQRC_Q_MGR_NOT_AVAILABLE);
  std::string qmgr = qmgr_field ? NameInField(qmgr_field, MQ_Q_MGR_NAME_LENGTH) : "";
  if (!qmgr.empty() && qmgr[0] == '*') qmgr.erase(0, 1);
  if (qmgr.empty()) qmgr = DefaultQueueManager();
  if (qmgr.empty()) return Failed(cc, rc, MQRC_Q_MGR_NOT_AVAILABLE);
  ConnectCall call;
  call.cno_version = cno.Version;
  call.user = OsUser();
  if (cno.Version >= MQCNO_VERSION_5 && (cno.SecurityParmsPtr || cno.SecurityParmsOffset)) {
    auto csp =
        cno.SecurityParmsPtr
            ? cno.SecurityParmsPtr
            : reinterpret_cast<PMQCSP>(static_cast<char*>(options) + cno.SecurityParmsOffset);
    if (std::memcmp(csp->StrucId, MQCSP_STRUC_ID, 4) != 0) return Failed(cc, rc, MQRC_CSP_ERROR);
    if (csp->AuthenticationType != MQCSP_AUTH_NONE && csp->CSPUserIdLength > 0) {
      const char* id = csp->CSPUserIdPtr
                           ? static_cast<const char*>(csp->CSPUserIdPtr)
                           : reinterpret_cast<const char*>(csp) + csp->CSPUserIdOffset;
      call.user.assign(id, std::min<size_t>(static_cast<size_t>(csp->CSPUserIdLength), 1024));
    }
  }
  call.appl = ProgramName();
  if (cno.Version >= MQCNO_VERSION_7) {
    std::string given(cno.ApplName, strnlen(cno.ApplName, sizeof cno.ApplName));
    given = given.substr(0, given.find_last_not_of(' ') + 1);
    if (!given.empty()) call.appl = given;
  }
  call.pid = ::getpid();
  call.tid = static_cast<int32_t>(::gettid());
  call.options = cno.Options;
  call.qmgr = qmgr;
#ifdef MQEMU_CLIENT_LINK
  // A client reaches the queue manager through a server-connection channel;
  // the simulated network is this machine's loopback.
  call.channel = ClientChannel(cno, options);
  call.conname = "127.0.0.1";
#endif
  bool link_refused = false;
  const LinkSpec* link = ClientLink(&link_refused);
  if (link_refused) return Failed(cc, rc, MQRC_ENVIRONMENT_ERROR);
  auto c = std::make_shared<Connection>();
  if (link) c->link = std::make_unique<Link>(*link);
  c->qmgr_name = qmgr;
  if (!c->channel.Open(qmgr)) return Failed(cc, rc, MQRC_Q_MGR_NOT_AVAILABLE);
  CallReply reply = c->Call(call);
  MQLONG code = reply.cc, reason = reply.reason;
  if (code == MQCC_FAILED) {
    return Failed(cc, rc, reason == MQRC_CONNECTION_BROKEN ? MQRC_Q_MGR_NOT_AVAILABLE : reason);
  }
  ConnectReply connected;
  if (!reply.Read(&connected)) return Failed(cc, rc, MQRC_Q_MGR_NOT_AVAILABLE);
  c->session = connected.session;
  if (SharedCallsWanted() && !c->channel.Share() && !c->channel.is_open()) {
    return Failed(cc, rc, MQRC_Q_MGR_NOT_AVAILABLE);
  }
  c->region = c->channel.region();
  c->qmgr_name = NameInField(connected.qmgr, sizeof connected.qmgr);
  *hconn = AddConnection(std::move(c));
  Result(cc, rc, code, reason);
}

void EndUnitOfWork(MQHCONN Hconn, bool commit, PMQLONG pCompCode, PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  CallReply reply = commit ? c->Call(CommitCall{}) : c->Call(BackoutCall{});
  Result(pCompCode, pReason, reply.cc, reply.reason);
}

}  // namespace
}  // namespace mqemu

using namespace mqemu;

MQEMU_EXPORT void MQENTRY MQCONN(PMQCHAR pQMgrName, PMQHCONN pHconn, PMQLONG pCompCode,
                                 PMQLONG pReason) {
  MQCNO cno = {MQCNO_DEFAULT};
  Connect(pQMgrName, &cno, pHconn, pCompCode, pReason);
}

#ifndef MQEMU_WITHOUT_MQCONNX
MQEMU_EXPORT void MQENTRY MQCONNX(PMQCHAR pQMgrName, PMQCNO pConnectOpts, PMQHCONN pHconn,
                                  PMQLONG pCompCode, PMQLONG pReason) {
  Connect(pQMgrName, pConnectOpts, pHconn, pCompCode, pReason);
}
#endif

MQEMU_EXPORT void MQENTRY MQDISC(PMQHCONN pHconn, PMQLONG pCompCode, PMQLONG pReason) {
  if (!pHconn) return Failed(pCompCode, pReason, MQRC_HCONN_ERROR);
  auto c = FindConnection(*pHconn);
  if (!c) return Failed(pCompCode, pReason, MQRC_HCONN_ERROR);
  c->Disconnect();
  DeleteMessageHandlesOf(*pHconn);
  RemoveConnection(*pHconn);
  *pHconn = MQHC_UNUSABLE_HCONN;
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}

MQEMU_EXPORT void MQENTRY MQCMIT(MQHCONN Hconn, PMQLONG pCompCode, PMQLONG pReason) {
  EndUnitOfWork(Hconn, true, pCompCode, pReason);
}

MQEMU_EXPORT void MQENTRY MQBACK(MQHCONN Hconn, PMQLONG pCompCode, PMQLONG pReason) {
  EndUnitOfWork(Hconn, false, pCompCode, pReason);
}
