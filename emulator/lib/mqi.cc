// The MQI entry points of libmqm_r.so, with IBM's prototypes from cmqc.h.
//
// Each call checks its structures (StrucId and Version), copies the fields
// of the caller's version into a full-size local copy, sends one request on
// the connection's call socket and copies the results back, again only as
// far as the caller's version reaches: fields beyond a caller's version are
// neither read nor written.
//
// The library variants are built from this file with MQEMU_WITHOUT_<CALL>
// defined, which leaves that entry point out.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "lib/connection.h"
#include "pcf/mq_field.h"

#define MQEMU_EXPORT extern "C" __attribute__((visibility("default")))

namespace mqemu {
namespace {

// Copies the first `length` bytes of the caller's structure over a full
// default-initialised one.
template <typename T>
void Load(T* full, const void* caller, size_t length) {
  std::memcpy(static_cast<void*>(full), caller, std::min(length, sizeof(T)));
}
template <typename T>
void Store(void* caller, const T& full, size_t length) {
  std::memcpy(caller, static_cast<const void*>(&full), std::min(length, sizeof(T)));
}

size_t MdLength(MQLONG version) {
  return version == 1 ? MQMD_LENGTH_1 : MQMD_LENGTH_2;
}

bool ValidMd(const void* p) {
  auto md = static_cast<const MQMD*>(p);
  return md && std::memcmp(md->StrucId, MQMD_STRUC_ID, 4) == 0 && md->Version >= 1 &&
         md->Version <= MQMD_VERSION_2;
}

bool LoadMd(const void* p, MQMD* md) {
  if (!ValidMd(p)) return false;
  *md = MQMD{MQMD_DEFAULT};
  Load(md, p, MdLength(static_cast<const MQMD*>(p)->Version));
  return true;
}

void StoreMd(void* p, const MQMD& md) {
  MQMD out = md;
  out.Version = static_cast<MQMD*>(p)->Version;
  Store(p, out, MdLength(out.Version));
}

size_t OdLength(MQLONG v) {
  switch (v) {
    case 1:
      return MQOD_LENGTH_1;
    case 2:
      return MQOD_LENGTH_2;
    case 3:
      return MQOD_LENGTH_3;
    default:
      return MQOD_LENGTH_4;
  }
}
size_t GmoLength(MQLONG v) {
  switch (v) {
    case 1:
      return MQGMO_LENGTH_1;
    case 2:
      return MQGMO_LENGTH_2;
    case 3:
      return MQGMO_LENGTH_3;
    default:
      return MQGMO_LENGTH_4;
  }
}
size_t PmoLength(MQLONG v) {
  switch (v) {
    case 1:
      return MQPMO_LENGTH_1;
    case 2:
      return MQPMO_LENGTH_2;
    default:
      return MQPMO_LENGTH_3;
  }
}
size_t CnoLength(MQLONG v) {
  static const size_t lengths[] = {0,
                                   MQCNO_LENGTH_1,
                                   MQCNO_LENGTH_2,
                                   MQCNO_LENGTH_3,
                                   MQCNO_LENGTH_4,
                                   MQCNO_LENGTH_5,
                                   MQCNO_LENGTH_6,
                                   MQCNO_LENGTH_7,
                                   MQCNO_LENGTH_8};
  return lengths[v];
}

bool LoadOd(const void* p, MQOD* od) {
  auto in = static_cast<const MQOD*>(p);
  if (!in || std::memcmp(in->StrucId, MQOD_STRUC_ID, 4) != 0 || in->Version < 1 ||
      in->Version > MQOD_VERSION_4) {
    return false;
  }
  *od = MQOD{MQOD_DEFAULT};
  Load(od, p, OdLength(in->Version));
  return true;
}

bool LoadGmo(const void* p, MQGMO* gmo) {
  auto in = static_cast<const MQGMO*>(p);
  if (!in || std::memcmp(in->StrucId, MQGMO_STRUC_ID, 4) != 0 || in->Version < 1 ||
      in->Version > MQGMO_VERSION_4) {
    return false;
  }
  *gmo = MQGMO{MQGMO_DEFAULT};
  Load(gmo, p, GmoLength(in->Version));
  if (in->Version < MQGMO_VERSION_2) gmo->MatchOptions = MQMO_MATCH_MSG_ID | MQMO_MATCH_CORREL_ID;
  return true;
}

bool LoadPmo(const void* p, MQPMO* pmo) {
  auto in = static_cast<const MQPMO*>(p);
  if (!in || std::memcmp(in->StrucId, MQPMO_STRUC_ID, 4) != 0 || in->Version < 1 ||
      in->Version > MQPMO_VERSION_3) {
    return false;
  }
  *pmo = MQPMO{MQPMO_DEFAULT};
  Load(pmo, p, PmoLength(in->Version));
  return true;
}

void Result(PMQLONG cc, PMQLONG rc, MQLONG c, MQLONG r) {
  if (cc) *cc = c;
  if (rc) *rc = r;
}
void Failed(PMQLONG cc, PMQLONG rc, MQLONG r) {
  Result(cc, rc, MQCC_FAILED, r);
}

// The connection for a call from this thread, or null with the failure set.
std::shared_ptr<Connection> Use(MQHCONN hconn, PMQLONG cc, PMQLONG rc) {
  auto c = FindConnection(hconn);
  if (!c) {
    Failed(cc, rc, MQRC_HCONN_ERROR);
    return nullptr;
  }
  if (MQLONG reason = c->CheckCaller()) {
    Failed(cc, rc, reason);
    return nullptr;
  }
  return c;
}

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

void PutName(FrameWriter& w, const char* field) {
  w.Bytes(field, 48);
}

void WriteOpen(FrameWriter& w, const MQOD& od, MQLONG options) {
  w.I32(od.ObjectType);
  PutName(w, od.ObjectName);
  PutName(w, od.ObjectQMgrName);
  PutName(w, od.DynamicQName);
  w.I32(options);
}

// Applies the put's context options: checks them against the object's open
// options, copies passed context from the context handle into md and returns
// how the daemon sets the rest; MQRC_NONE or the failure in *reason.
ContextMode PutContext(Connection& c, MQLONG open_options, const MQPMO& pmo, MQMD* md,
                       MQLONG* reason) {
  MQLONG context =
      pmo.Options & (MQPMO_NO_CONTEXT | MQPMO_DEFAULT_CONTEXT | MQPMO_PASS_IDENTITY_CONTEXT |
                     MQPMO_PASS_ALL_CONTEXT | MQPMO_SET_IDENTITY_CONTEXT | MQPMO_SET_ALL_CONTEXT);
  *reason = MQRC_NONE;
  if (context & (context - 1)) {
    *reason = MQRC_OPTIONS_ERROR;
    return ContextMode::kDefault;
  }
  switch (context) {
    case MQPMO_NO_CONTEXT:
      return ContextMode::kNone;
    case MQPMO_SET_IDENTITY_CONTEXT:
      if (!(open_options & (MQOO_SET_IDENTITY_CONTEXT | MQOO_SET_ALL_CONTEXT))) {
        *reason = MQRC_NOT_OPEN_FOR_SET_IDENT;
      }
      return ContextMode::kIdentity;
    case MQPMO_SET_ALL_CONTEXT:
      if (!(open_options & MQOO_SET_ALL_CONTEXT)) *reason = MQRC_NOT_OPEN_FOR_SET_ALL;
      return ContextMode::kAll;
    case MQPMO_PASS_IDENTITY_CONTEXT:
    case MQPMO_PASS_ALL_CONTEXT: {
      bool all = context == MQPMO_PASS_ALL_CONTEXT;
      MQLONG needed =
          all ? MQOO_PASS_ALL_CONTEXT : (MQOO_PASS_IDENTITY_CONTEXT | MQOO_PASS_ALL_CONTEXT);
      if (!(open_options & needed)) {
        *reason = all ? MQRC_NOT_OPEN_FOR_PASS_ALL : MQRC_NOT_OPEN_FOR_PASS_IDENT;
        return ContextMode::kDefault;
      }
      std::lock_guard lock(c.mu);
      auto it = c.handles.find(pmo.Context);
      if (it == c.handles.end() || !(it->second.options & MQOO_SAVE_ALL_CONTEXT)) {
        *reason = MQRC_CONTEXT_HANDLE_ERROR;
        return ContextMode::kDefault;
      }
      const MQMD& saved = it->second.saved;
      std::memcpy(md->UserIdentifier, saved.UserIdentifier, sizeof md->UserIdentifier);
      std::memcpy(md->AccountingToken, saved.AccountingToken, sizeof md->AccountingToken);
      std::memcpy(md->ApplIdentityData, saved.ApplIdentityData, sizeof md->ApplIdentityData);
      if (!all) return ContextMode::kIdentity;
      md->PutApplType = saved.PutApplType;
      std::memcpy(md->PutApplName, saved.PutApplName, sizeof md->PutApplName);
      std::memcpy(md->PutDate, saved.PutDate, sizeof md->PutDate);
      std::memcpy(md->PutTime, saved.PutTime, sizeof md->PutTime);
      std::memcpy(md->ApplOriginData, saved.ApplOriginData, sizeof md->ApplOriginData);
      return ContextMode::kAll;
    }
    default:
      return ContextMode::kDefault;
  }
}

// The MQMD fields that MQPUT hands back: identifiers and context.
void StorePutMd(void* caller, const MQMD& sent, const MQMD& done) {
  MQMD out = sent;
  std::memcpy(out.MsgId, done.MsgId, sizeof out.MsgId);
  std::memcpy(out.CorrelId, done.CorrelId, sizeof out.CorrelId);
  std::memcpy(out.UserIdentifier, done.UserIdentifier,
              offsetof(MQMD, GroupId) - offsetof(MQMD, UserIdentifier));
  StoreMd(caller, out);
}

void StoreResolved(PMQPMO caller, MQPMO* pmo, const std::string& name, const std::string& qmgr) {
  std::memset(pmo->ResolvedQName, ' ', sizeof pmo->ResolvedQName);
  std::memset(pmo->ResolvedQMgrName, ' ', sizeof pmo->ResolvedQMgrName);
  std::memcpy(pmo->ResolvedQName, name.data(), std::min(name.size(), size_t{48}));
  std::memcpy(pmo->ResolvedQMgrName, qmgr.data(), std::min(qmgr.size(), size_t{48}));
  Store(caller, *pmo, PmoLength(caller->Version));
}

MQLONG OpenOptionsForPut1(MQLONG pmo_options) {
  MQLONG o = MQOO_OUTPUT;
  if (pmo_options & MQPMO_PASS_IDENTITY_CONTEXT) o |= MQOO_PASS_IDENTITY_CONTEXT;
  if (pmo_options & MQPMO_PASS_ALL_CONTEXT) o |= MQOO_PASS_ALL_CONTEXT;
  if (pmo_options & MQPMO_SET_IDENTITY_CONTEXT) o |= MQOO_SET_IDENTITY_CONTEXT;
  if (pmo_options & MQPMO_SET_ALL_CONTEXT) o |= MQOO_SET_ALL_CONTEXT;
  if (pmo_options & MQPMO_FAIL_IF_QUIESCING) o |= MQOO_FAIL_IF_QUIESCING;
  return o;
}

// The argument checks shared by MQINQ and MQSET: MQRC_NONE or the reason.
MQLONG CheckAttributeArguments(MQLONG selector_count, PMQLONG selectors, MQLONG int_count,
                               PMQLONG ints, MQLONG char_length, PMQCHAR chars) {
  if (selector_count < 0 || selector_count > 256 || (selector_count > 0 && !selectors)) {
    return MQRC_SELECTOR_COUNT_ERROR;
  }
  if (int_count < 0 || (int_count > 0 && !ints)) return MQRC_INT_ATTR_COUNT_ERROR;
  if (char_length < 0 || (char_length > 0 && !chars)) return MQRC_CHAR_ATTR_LENGTH_ERROR;
  return MQRC_NONE;
}

void WriteSelectors(FrameWriter& w, MQHOBJ hobj, MQLONG count, PMQLONG selectors) {
  w.I32(hobj);
  w.I32(count);
  for (MQLONG i = 0; i < count; ++i) w.I32(selectors[i]);
}

void Connect(PMQCHAR qmgr_field, PMQVOID options, PMQHCONN hconn, PMQLONG cc, PMQLONG rc) {
  if (!hconn) return Failed(cc, rc, MQRC_HCONN_ERROR);
  *hconn = MQHC_UNUSABLE_HCONN;
  MQCNO cno = {MQCNO_DEFAULT};
  auto in = static_cast<const MQCNO*>(options);
  if (!in || std::memcmp(in->StrucId, MQCNO_STRUC_ID, 4) != 0 || in->Version < 1 ||
      in->Version > MQCNO_VERSION_8) {
    return Failed(cc, rc, MQRC_CNO_ERROR);
  }
  Load(&cno, options, CnoLength(in->Version));
  // Queue managers are reached only through a home of the user's own.
  if (!HomeProblem().empty()) return Failed(cc, rc, MQRC_Q_MGR_NOT_AVAILABLE);
  std::string qmgr = qmgr_field ? NameInField(qmgr_field, MQ_Q_MGR_NAME_LENGTH) : "";
  if (!qmgr.empty() && qmgr[0] == '*') qmgr.erase(0, 1);
  if (qmgr.empty()) qmgr = DefaultQueueManager();
  if (qmgr.empty()) return Failed(cc, rc, MQRC_Q_MGR_NOT_AVAILABLE);
  std::string user = OsUser();
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
      user.assign(id, std::min<size_t>(static_cast<size_t>(csp->CSPUserIdLength), 1024));
    }
  }
  std::string appl = ProgramName();
  if (cno.Version >= MQCNO_VERSION_7) {
    std::string given(cno.ApplName, strnlen(cno.ApplName, sizeof cno.ApplName));
    given = given.substr(0, given.find_last_not_of(' ') + 1);
    if (!given.empty()) appl = given;
  }
  bool link_refused = false;
  const LinkSpec* link = ClientLink(&link_refused);
  if (link_refused) return Failed(cc, rc, MQRC_ENVIRONMENT_ERROR);
  auto c = std::make_shared<Connection>();
  if (link) c->link = std::make_unique<Link>(*link);
  c->qmgr_name = qmgr;
  if (!c->channel.Open(qmgr)) return Failed(cc, rc, MQRC_Q_MGR_NOT_AVAILABLE);
  FrameWriter w(Kind::kConnect);
  w.I32(cno.Version);
  w.Blob(user);
  w.Blob(appl);
  w.I32(::getpid());
  w.Blob(qmgr);
  CallReply reply = c->Call(w);
  FrameReader& r = reply.reader;
  MQLONG code = reply.cc, reason = reply.reason;
  if (code == MQCC_FAILED) {
    return Failed(cc, rc, reason == MQRC_CONNECTION_BROKEN ? MQRC_Q_MGR_NOT_AVAILABLE : reason);
  }
  char name[48];
  if (!r.U32(&c->session) || !r.Bytes(name, sizeof name)) {
    return Failed(cc, rc, MQRC_Q_MGR_NOT_AVAILABLE);
  }
  c->qmgr_name = NameInField(name, sizeof name);
  *hconn = AddConnection(std::move(c));
  Result(cc, rc, code, reason);
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
  RemoveConnection(*pHconn);
  *pHconn = MQHC_UNUSABLE_HCONN;
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}

MQEMU_EXPORT void MQENTRY MQOPEN(MQHCONN Hconn, PMQVOID pObjDesc, MQLONG Options, PMQHOBJ pHobj,
                                 PMQLONG pCompCode, PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  MQOD od;
  if (!LoadOd(pObjDesc, &od)) return Failed(pCompCode, pReason, MQRC_OD_ERROR);
  if (!pHobj) return Failed(pCompCode, pReason, MQRC_HOBJ_ERROR);
  FrameWriter w(Kind::kOpen);
  WriteOpen(w, od, Options);
  CallReply reply = c->Call(w);
  FrameReader& r = reply.reader;
  MQLONG cc = reply.cc, reason = reply.reason;
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  char name[48], qmgr[48];
  if (cc != MQCC_FAILED && (!r.I32(&hobj) || !r.Bytes(name, 48) || !r.Bytes(qmgr, 48))) {
    cc = MQCC_FAILED;
    reason = MQRC_CONNECTION_BROKEN;
  }
  *pHobj = cc == MQCC_FAILED ? MQHO_UNUSABLE_HOBJ : hobj;
  if (cc != MQCC_FAILED) {
    LocalHandle h;
    h.options = Options;
    h.name = NameInField(name, 48);
    h.qmgr = NameInField(qmgr, 48);
    h.saved = MQMD{MQMD_DEFAULT};
    {
      std::lock_guard lock(c->mu);
      c->handles[hobj] = h;
    }
    if (od.ObjectType == MQOT_Q) std::memcpy(od.ObjectName, name, 48);
    if (od.Version >= MQOD_VERSION_3) {
      std::memcpy(od.ResolvedQName, name, 48);
      std::memcpy(od.ResolvedQMgrName, qmgr, 48);
    }
    Store(pObjDesc, od, OdLength(od.Version));
  }
  Result(pCompCode, pReason, cc, reason);
}

#ifndef MQEMU_WITHOUT_MQCLOSE
MQEMU_EXPORT void MQENTRY MQCLOSE(MQHCONN Hconn, PMQHOBJ pHobj, MQLONG Options, PMQLONG pCompCode,
                                  PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  if (!pHobj) return Failed(pCompCode, pReason, MQRC_HOBJ_ERROR);
  FrameWriter w(Kind::kClose);
  w.I32(*pHobj);
  w.I32(Options);
  CallReply reply = c->Call(w);
  MQLONG cc = reply.cc, reason = reply.reason;
  if (cc != MQCC_FAILED) {
    std::lock_guard lock(c->mu);
    c->handles.erase(*pHobj);
    c->consumers.erase(*pHobj);
    *pHobj = MQHO_UNUSABLE_HOBJ;
  }
  Result(pCompCode, pReason, cc, reason);
}
#endif

namespace {

// The put shared by MQPUT and MQPUT1: `od` is null for MQPUT.
void Put(MQHCONN Hconn, MQHOBJ Hobj, const MQOD* od, PMQVOID pMsgDesc, PMQVOID pPutMsgOpts,
         MQLONG BufferLength, PMQVOID pBuffer, PMQLONG pCompCode, PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  MQMD md;
  MQPMO pmo;
  if (!LoadMd(pMsgDesc, &md)) return Failed(pCompCode, pReason, MQRC_MD_ERROR);
  if (!LoadPmo(pPutMsgOpts, &pmo)) return Failed(pCompCode, pReason, MQRC_PMO_ERROR);
  if (BufferLength < 0) return Failed(pCompCode, pReason, MQRC_BUFFER_LENGTH_ERROR);
  if (BufferLength > 0 && !pBuffer) return Failed(pCompCode, pReason, MQRC_BUFFER_ERROR);
  // No queue manager takes a message beyond the largest MaxMsgLength, and no
  // frame carries one.
  if (BufferLength > kMaxMessageLength) {
    return Failed(pCompCode, pReason, MQRC_MSG_TOO_BIG_FOR_Q_MGR);
  }
  MQLONG open_options = OpenOptionsForPut1(pmo.Options);
  std::string name, qmgr;
  if (!od) {
    std::lock_guard lock(c->mu);
    auto it = c->handles.find(Hobj);
    if (it == c->handles.end()) return Failed(pCompCode, pReason, MQRC_HOBJ_ERROR);
    open_options = it->second.options;
    name = it->second.name;
    qmgr = it->second.qmgr;
  } else {
    name = NameInField(od->ObjectName, 48);
    qmgr = NameInField(od->ObjectQMgrName, 48);
    if (qmgr.empty()) qmgr = c->qmgr_name;
  }
  MQLONG reason = MQRC_NONE;
  MQMD sent = md;
  ContextMode mode = PutContext(*c, open_options, pmo, &sent, &reason);
  if (reason) return Failed(pCompCode, pReason, reason);
  FrameWriter w(od ? Kind::kPut1 : Kind::kPut);
  if (od) {
    WriteOpen(w, *od, open_options);
  } else {
    w.I32(Hobj);
  }
  w.I32(pmo.Options);
  w.I32(static_cast<int32_t>(mode));
  w.Bytes(&sent, sizeof sent);
  w.Blob(pBuffer, static_cast<size_t>(BufferLength));
  CallReply reply = c->Call(w);
  MQLONG cc = reply.cc;
  reason = reply.reason;
  MQMD done;
  if (cc != MQCC_FAILED && reply.reader.Bytes(&done, sizeof done)) {
    StorePutMd(pMsgDesc, md, done);
    StoreResolved(static_cast<PMQPMO>(pPutMsgOpts), &pmo, name, qmgr);
  }
  Result(pCompCode, pReason, cc, reason);
}

}  // namespace

#ifndef MQEMU_WITHOUT_MQPUT
MQEMU_EXPORT void MQENTRY MQPUT(MQHCONN Hconn, MQHOBJ Hobj, PMQVOID pMsgDesc, PMQVOID pPutMsgOpts,
                                MQLONG BufferLength, PMQVOID pBuffer, PMQLONG pCompCode,
                                PMQLONG pReason) {
  Put(Hconn, Hobj, nullptr, pMsgDesc, pPutMsgOpts, BufferLength, pBuffer, pCompCode, pReason);
}
#endif

MQEMU_EXPORT void MQENTRY MQPUT1(MQHCONN Hconn, PMQVOID pObjDesc, PMQVOID pMsgDesc,
                                 PMQVOID pPutMsgOpts, MQLONG BufferLength, PMQVOID pBuffer,
                                 PMQLONG pCompCode, PMQLONG pReason) {
  MQOD od;
  if (!LoadOd(pObjDesc, &od)) return Failed(pCompCode, pReason, MQRC_OD_ERROR);
  Put(Hconn, MQHO_NONE, &od, pMsgDesc, pPutMsgOpts, BufferLength, pBuffer, pCompCode, pReason);
}

MQEMU_EXPORT void MQENTRY MQGET(MQHCONN Hconn, MQHOBJ Hobj, PMQVOID pMsgDesc, PMQVOID pGetMsgOpts,
                                MQLONG BufferLength, PMQVOID pBuffer, PMQLONG pDataLength,
                                PMQLONG pCompCode, PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  MQMD md;
  MQGMO gmo;
  if (!LoadMd(pMsgDesc, &md)) return Failed(pCompCode, pReason, MQRC_MD_ERROR);
  if (!LoadGmo(pGetMsgOpts, &gmo)) return Failed(pCompCode, pReason, MQRC_GMO_ERROR);
  if (BufferLength < 0) return Failed(pCompCode, pReason, MQRC_BUFFER_LENGTH_ERROR);
  if (BufferLength > 0 && !pBuffer) return Failed(pCompCode, pReason, MQRC_BUFFER_ERROR);
  if (!pDataLength) return Failed(pCompCode, pReason, MQRC_DATA_LENGTH_ERROR);
  FrameWriter w(Kind::kGet);
  w.I32(Hobj);
  w.I32(gmo.Options);
  w.I32(gmo.MatchOptions);
  w.I32(gmo.WaitInterval);
  w.I32(BufferLength);
  w.Bytes(&md, sizeof md);
  CallReply reply = c->Call(w);
  FrameReader& r = reply.reader;
  MQLONG cc = reply.cc, reason = reply.reason;
  MQMD got;
  MQLONG length = 0;
  std::string_view data;
  if (!r.Bytes(&got, sizeof got) || !r.I32(&length) || !r.Blob(&data) ||
      data.size() > static_cast<size_t>(BufferLength)) {
    return Result(pCompCode, pReason, MQCC_FAILED,
                  cc == MQCC_FAILED ? reason : MQRC_CONNECTION_BROKEN);
  }
  bool message = cc != MQCC_FAILED;
  if (message) {
    if (!data.empty()) std::memcpy(pBuffer, data.data(), data.size());
    *pDataLength = length;
    StoreMd(pMsgDesc, got);
    std::memset(gmo.ResolvedQName, ' ', sizeof gmo.ResolvedQName);
    gmo.ReturnedLength = static_cast<MQLONG>(data.size());
    {
      std::lock_guard lock(c->mu);
      auto it = c->handles.find(Hobj);
      if (it != c->handles.end()) {
        std::memcpy(gmo.ResolvedQName, it->second.name.data(),
                    std::min(it->second.name.size(), size_t{48}));
        if ((it->second.options & MQOO_SAVE_ALL_CONTEXT) && reason != MQRC_TRUNCATED_MSG_FAILED) {
          it->second.saved = got;
        }
      }
    }
    Store(pGetMsgOpts, gmo, GmoLength(gmo.Version));
  }
  Result(pCompCode, pReason, cc, reason);
}

MQEMU_EXPORT void MQENTRY MQINQ(MQHCONN Hconn, MQHOBJ Hobj, MQLONG SelectorCount,
                                PMQLONG pSelectors, MQLONG IntAttrCount, PMQLONG pIntAttrs,
                                MQLONG CharAttrLength, PMQCHAR pCharAttrs, PMQLONG pCompCode,
                                PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  if (MQLONG bad = CheckAttributeArguments(SelectorCount, pSelectors, IntAttrCount, pIntAttrs,
                                           CharAttrLength, pCharAttrs)) {
    return Failed(pCompCode, pReason, bad);
  }
  FrameWriter w(Kind::kInquire);
  WriteSelectors(w, Hobj, SelectorCount, pSelectors);
  w.I32(IntAttrCount);
  w.I32(CharAttrLength);
  CallReply reply = c->Call(w);
  FrameReader& r = reply.reader;
  MQLONG cc = reply.cc, reason = reply.reason;
  int32_t n = 0;
  std::vector<MQLONG> ints;
  std::string_view chars;
  bool readable = r.I32(&n) && n >= 0 && n <= IntAttrCount;
  for (int32_t i = 0; readable && i < n; ++i) {
    MQLONG v;
    readable = r.I32(&v);
    ints.push_back(v);
  }
  readable = readable && r.Blob(&chars) && chars.size() <= static_cast<size_t>(CharAttrLength);
  if (!readable) {
    return Result(pCompCode, pReason, MQCC_FAILED,
                  cc == MQCC_FAILED ? reason : MQRC_CONNECTION_BROKEN);
  }
  if (cc != MQCC_FAILED) {
    std::copy(ints.begin(), ints.end(), pIntAttrs);
    if (!chars.empty()) std::memcpy(pCharAttrs, chars.data(), chars.size());
  }
  Result(pCompCode, pReason, cc, reason);
}

MQEMU_EXPORT void MQENTRY MQSET(MQHCONN Hconn, MQHOBJ Hobj, MQLONG SelectorCount,
                                PMQLONG pSelectors, MQLONG IntAttrCount, PMQLONG pIntAttrs,
                                MQLONG CharAttrLength, PMQCHAR pCharAttrs, PMQLONG pCompCode,
                                PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  if (MQLONG bad = CheckAttributeArguments(SelectorCount, pSelectors, IntAttrCount, pIntAttrs,
                                           CharAttrLength, pCharAttrs)) {
    return Failed(pCompCode, pReason, bad);
  }
  FrameWriter w(Kind::kSet);
  WriteSelectors(w, Hobj, SelectorCount, pSelectors);
  w.I32(IntAttrCount);
  for (MQLONG i = 0; i < IntAttrCount; ++i) w.I32(pIntAttrs[i]);
  w.Blob(pCharAttrs, static_cast<size_t>(CharAttrLength));
  CallReply reply = c->Call(w);
  MQLONG cc = reply.cc, reason = reply.reason;
  Result(pCompCode, pReason, cc, reason);
}

namespace {

void EndUnitOfWork(MQHCONN Hconn, Kind kind, PMQLONG pCompCode, PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  FrameWriter w(kind);
  CallReply reply = c->Call(w);
  MQLONG cc = reply.cc, reason = reply.reason;
  Result(pCompCode, pReason, cc, reason);
}

}  // namespace

MQEMU_EXPORT void MQENTRY MQCMIT(MQHCONN Hconn, PMQLONG pCompCode, PMQLONG pReason) {
  EndUnitOfWork(Hconn, Kind::kCommit, pCompCode, pReason);
}

MQEMU_EXPORT void MQENTRY MQBACK(MQHCONN Hconn, PMQLONG pCompCode, PMQLONG pReason) {
  EndUnitOfWork(Hconn, Kind::kBackout, pCompCode, pReason);
}

#ifndef MQEMU_WITHOUT_MQCB
MQEMU_EXPORT void MQENTRY MQCB(MQHCONN Hconn, MQLONG Operation, PMQVOID pCallbackDesc, MQHOBJ Hobj,
                               PMQVOID pMsgDesc, PMQVOID pGetMsgOpts, PMQLONG pCompCode,
                               PMQLONG pReason) {
  auto c = Use(Hconn, pCompCode, pReason);
  if (!c) return;
  MQLONG op = Operation & ~MQOP_START;
  if (Operation == MQOP_DEREGISTER || Operation == MQOP_SUSPEND || Operation == MQOP_RESUME) {
    std::unique_lock lock(c->mu);
    bool handler = Hobj == MQHO_NONE;
    if (handler ? !c->has_event_handler : !c->consumers.count(Hobj)) {
      return Failed(pCompCode, pReason, MQRC_CALLBACK_NOT_REGISTERED);
    }
    if (Operation == MQOP_DEREGISTER) {
      if (handler) {
        c->has_event_handler = false;
      } else {
        c->consumers.erase(Hobj);
        lock.unlock();
        FrameWriter w(Kind::kDeregisterConsumer);
        w.I32(Hobj);
        CallReply reply = c->Call(w);
        return Result(pCompCode, pReason, reply.cc, reply.reason);
      }
    } else if (!handler) {
      c->consumers[Hobj].suspended = Operation == MQOP_SUSPEND;
    }
    return Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
  }
  if (op != MQOP_REGISTER) return Failed(pCompCode, pReason, MQRC_OPERATION_ERROR);
  auto in = static_cast<const MQCBD*>(pCallbackDesc);
  if (!in || std::memcmp(in->StrucId, MQCBD_STRUC_ID, 4) != 0 || in->Version != MQCBD_VERSION_1) {
    return Failed(pCompCode, pReason, MQRC_CBD_ERROR);
  }
  Callback cb;
  cb.cbd = *in;
  if (!cb.cbd.CallbackFunction) return Failed(pCompCode, pReason, MQRC_CALLBACK_LINK_ERROR);
  if (cb.cbd.CallbackType == MQCBT_EVENT_HANDLER) {
    std::lock_guard lock(c->mu);
    c->event_handler = cb;
    c->has_event_handler = true;
    return Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
  }
  if (cb.cbd.CallbackType != MQCBT_MESSAGE_CONSUMER) {
    return Failed(pCompCode, pReason, MQRC_CALLBACK_TYPE_ERROR);
  }
  cb.md = MQMD{MQMD_DEFAULT};
  if (pMsgDesc && !LoadMd(pMsgDesc, &cb.md)) return Failed(pCompCode, pReason, MQRC_MD_ERROR);
  cb.gmo = MQGMO{MQGMO_DEFAULT};
  if (pGetMsgOpts && !LoadGmo(pGetMsgOpts, &cb.gmo)) {
    return Failed(pCompCode, pReason, MQRC_GMO_ERROR);
  }
  {
    std::lock_guard lock(c->mu);
    if (!c->handles.count(Hobj)) return Failed(pCompCode, pReason, MQRC_HOBJ_ERROR);
  }
  FrameWriter w(Kind::kRegisterConsumer);
  w.I32(Hobj);
  w.I32(cb.gmo.Options);
  w.I32(cb.gmo.MatchOptions);
  w.Bytes(&cb.md, sizeof cb.md);
  CallReply reply = c->Call(w);
  MQLONG cc = reply.cc, reason = reply.reason;
  if (cc != MQCC_FAILED) {
    std::lock_guard lock(c->mu);
    c->consumers[Hobj] = cb;
  }
  Result(pCompCode, pReason, cc, reason);
}
#endif

MQEMU_EXPORT void MQENTRY MQCTL(MQHCONN Hconn, MQLONG Operation, PMQVOID pControlOpts,
                                PMQLONG pCompCode, PMQLONG pReason) {
  auto c = FindConnection(Hconn);
  if (!c) return Failed(pCompCode, pReason, MQRC_HCONN_ERROR);
  if (Operation != MQOP_STOP && Operation != MQOP_SUSPEND) {
    if (MQLONG reason = c->CheckCaller()) return Failed(pCompCode, pReason, reason);
  }
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  auto in = static_cast<const MQCTLO*>(pControlOpts);
  if (in) {
    if (std::memcmp(in->StrucId, MQCTLO_STRUC_ID, 4) != 0 || in->Version != MQCTLO_VERSION_1) {
      return Failed(pCompCode, pReason, MQRC_CTLO_ERROR);
    }
    ctlo = *in;
  }
  MQLONG reason;
  switch (Operation) {
    case MQOP_START:
      reason = c->Start(ctlo, false);
      break;
    case MQOP_START_WAIT:
      reason = c->Start(ctlo, true);
      break;
    case MQOP_STOP:
      reason = c->Stop();
      break;
    case MQOP_SUSPEND:
      reason = c->Suspend();
      break;
    case MQOP_RESUME:
      reason = c->Resume();
      break;
    default:
      reason = MQRC_OPERATION_ERROR;
      break;
  }
  Result(pCompCode, pReason, reason == MQRC_NONE ? MQCC_OK : MQCC_FAILED, reason);
}

MQEMU_EXPORT void MQENTRY MQSTAT(MQHCONN Hconn, MQLONG Type, PMQVOID pStatus, PMQLONG pCompCode,
                                 PMQLONG pReason) {
  if (!Use(Hconn, pCompCode, pReason)) return;
  auto sts = static_cast<PMQSTS>(pStatus);
  if (!sts || std::memcmp(sts->StrucId, MQSTS_STRUC_ID, 4) != 0 || sts->Version < 1) {
    return Failed(pCompCode, pReason, MQRC_STS_ERROR);
  }
  if (Type != MQSTAT_TYPE_ASYNC_ERROR && Type != MQSTAT_TYPE_RECONNECTION &&
      Type != MQSTAT_TYPE_RECONNECTION_ERROR) {
    return Failed(pCompCode, pReason, MQRC_STAT_TYPE_ERROR);
  }
  // Puts are never asynchronous here, so there is no error to report.
  sts->CompCode = MQCC_OK;
  sts->Reason = MQRC_NONE;
  sts->PutSuccessCount = 0;
  sts->PutWarningCount = 0;
  sts->PutFailureCount = 0;
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}
