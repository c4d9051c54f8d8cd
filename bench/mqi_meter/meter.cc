// The MQI meter: every MQI entry point that the agent resolves, forwarded to
// the real library and counted; message callbacks timed (see meter.h).
#include "bench/mqi_meter/meter.h"

#include <cmqc.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

#define METER_EXPORT extern "C" __attribute__((visibility("default")))

namespace mqi_meter {
namespace {

struct Real {
  MQ_CONN_CALL* conn = nullptr;
  MQ_CONNX_CALL* connx = nullptr;
  MQ_DISC_CALL* disc = nullptr;
  MQ_OPEN_CALL* open = nullptr;
  MQ_CLOSE_CALL* close = nullptr;
  MQ_PUT_CALL* put = nullptr;
  MQ_PUT1_CALL* put1 = nullptr;
  MQ_GET_CALL* get = nullptr;
  MQ_INQ_CALL* inq = nullptr;
  MQ_SET_CALL* set = nullptr;
  MQ_CB_CALL* cb = nullptr;
  MQ_CTL_CALL* ctl = nullptr;
  MQ_CMIT_CALL* cmit = nullptr;
  MQ_BACK_CALL* back = nullptr;
};

// Counters that nobody reads, for when MQI_METER_FILE is unset or cannot
// be mapped: the application still runs.
Counters unread;

template <typename F>
void Resolve(void* module, const char* name, F** slot) {
  *slot = module ? reinterpret_cast<F*>(dlsym(module, name)) : nullptr;
  if (!*slot) std::fprintf(stderr, "mqi_meter: %s not found in MQI_METER_LIBRARY\n", name);
}

// The real library and the counters, set up at the first call.
struct Meter {
  Real real;
  Counters* counters = &unread;

  Meter() {
    const char* library = std::getenv("MQI_METER_LIBRARY");
    void* module = library ? dlopen(library, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (!module) std::fprintf(stderr, "mqi_meter: cannot load MQI_METER_LIBRARY\n");
    Resolve(module, "MQCONN", &real.conn);
    Resolve(module, "MQCONNX", &real.connx);
    Resolve(module, "MQDISC", &real.disc);
    Resolve(module, "MQOPEN", &real.open);
    Resolve(module, "MQCLOSE", &real.close);
    Resolve(module, "MQPUT", &real.put);
    Resolve(module, "MQPUT1", &real.put1);
    Resolve(module, "MQGET", &real.get);
    Resolve(module, "MQINQ", &real.inq);
    Resolve(module, "MQSET", &real.set);
    Resolve(module, "MQCB", &real.cb);
    Resolve(module, "MQCTL", &real.ctl);
    Resolve(module, "MQCMIT", &real.cmit);
    Resolve(module, "MQBACK", &real.back);
    if (const char* path = std::getenv("MQI_METER_FILE")) counters = MapCounters(path);
  }

  static Counters* MapCounters(const char* path) {
    int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::ftruncate(fd, sizeof(Counters)) != 0) {
      if (fd >= 0) ::close(fd);
      return &unread;
    }
    void* p = ::mmap(nullptr, sizeof(Counters), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (p == MAP_FAILED) return &unread;
    auto* c = static_cast<Counters*>(p);
    c->magic.store(kMeterMagic);
    return c;
  }
};

Meter& M() {
  static Meter meter;
  return meter;
}

void Count(MeterEntry e) {
  M().counters->calls[e].fetch_add(1, std::memory_order_relaxed);
}

uint64_t Since(std::chrono::steady_clock::time_point start) {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
          .count());
}

// Whether this thread is inside a message callback.
thread_local bool in_callback = false;

// Counts one MQI call and, inside a message callback, times it.
class CallScope {
 public:
  explicit CallScope(MeterEntry e) : timed_(in_callback) {
    Count(e);
    if (timed_) start_ = std::chrono::steady_clock::now();
  }
  ~CallScope() {
    if (timed_) M().counters->callback_mqi_ns.fetch_add(Since(start_), std::memory_order_relaxed);
  }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  bool timed_;
  std::chrono::steady_clock::time_point start_{};
};

// The application's callbacks, by connection and object handle.
std::mutex callbacks_mu;
std::map<std::pair<MQHCONN, MQHOBJ>, MQPTR> callbacks;

void MQENTRY Timed(MQHCONN hconn, PMQVOID md, PMQVOID gmo, PMQVOID buffer, PMQCBC cbc) {
  MQPTR function;
  {
    std::lock_guard lock(callbacks_mu);
    auto it = callbacks.find({hconn, cbc->Hobj});
    if (it == callbacks.end()) return;
    function = it->second;
  }
  const bool message =
      cbc->CallType == MQCBCT_MSG_REMOVED || cbc->CallType == MQCBCT_MSG_NOT_REMOVED;
  const auto start = std::chrono::steady_clock::now();
  in_callback = message;
  reinterpret_cast<MQCB_FUNCTION*>(function)(hconn, md, gmo, buffer, cbc);
  in_callback = false;
  if (!message) return;
  Counters* c = M().counters;
  c->callback_ns.fetch_add(Since(start), std::memory_order_relaxed);
  c->callbacks.fetch_add(1, std::memory_order_relaxed);
}

// Fails a call whose entry point the real library lacks.
void Missing(PMQLONG cc, PMQLONG reason) {
  *cc = MQCC_FAILED;
  *reason = MQRC_FUNCTION_NOT_SUPPORTED;
}

}  // namespace
}  // namespace mqi_meter

using mqi_meter::CallScope;
using mqi_meter::M;
using mqi_meter::Missing;

// Each entry point counts (and in a callback times) itself and hands the
// call on unchanged.
#define FORWARD(entry, member, ...)                         \
  CallScope scope(mqi_meter::entry);                        \
  if (!M().real.member) return Missing(pCompCode, pReason); \
  M().real.member(__VA_ARGS__)

METER_EXPORT void MQENTRY MQCONN(PMQCHAR pName, PMQHCONN pHconn, PMQLONG pCompCode,
                                 PMQLONG pReason) {
  FORWARD(kConn, conn, pName, pHconn, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQCONNX(PMQCHAR pName, PMQCNO pOptions, PMQHCONN pHconn,
                                  PMQLONG pCompCode, PMQLONG pReason) {
  FORWARD(kConnx, connx, pName, pOptions, pHconn, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQDISC(PMQHCONN pHconn, PMQLONG pCompCode, PMQLONG pReason) {
  FORWARD(kDisc, disc, pHconn, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQOPEN(MQHCONN Hconn, PMQVOID pObjDesc, MQLONG Options, PMQHOBJ pHobj,
                                 PMQLONG pCompCode, PMQLONG pReason) {
  FORWARD(kOpen, open, Hconn, pObjDesc, Options, pHobj, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQCLOSE(MQHCONN Hconn, PMQHOBJ pHobj, MQLONG Options, PMQLONG pCompCode,
                                  PMQLONG pReason) {
  FORWARD(kClose, close, Hconn, pHobj, Options, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQPUT(MQHCONN Hconn, MQHOBJ Hobj, PMQVOID pMsgDesc, PMQVOID pPutMsgOpts,
                                MQLONG BufferLength, PMQVOID pBuffer, PMQLONG pCompCode,
                                PMQLONG pReason) {
  FORWARD(kPut, put, Hconn, Hobj, pMsgDesc, pPutMsgOpts, BufferLength, pBuffer, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQPUT1(MQHCONN Hconn, PMQVOID pObjDesc, PMQVOID pMsgDesc,
                                 PMQVOID pPutMsgOpts, MQLONG BufferLength, PMQVOID pBuffer,
                                 PMQLONG pCompCode, PMQLONG pReason) {
  FORWARD(kPut1, put1, Hconn, pObjDesc, pMsgDesc, pPutMsgOpts, BufferLength, pBuffer, pCompCode,
          pReason);
}
METER_EXPORT void MQENTRY MQGET(MQHCONN Hconn, MQHOBJ Hobj, PMQVOID pMsgDesc, PMQVOID pGetMsgOpts,
                                MQLONG BufferLength, PMQVOID pBuffer, PMQLONG pDataLength,
                                PMQLONG pCompCode, PMQLONG pReason) {
  FORWARD(kGet, get, Hconn, Hobj, pMsgDesc, pGetMsgOpts, BufferLength, pBuffer, pDataLength,
          pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQINQ(MQHCONN Hconn, MQHOBJ Hobj, MQLONG SelectorCount,
                                PMQLONG pSelectors, MQLONG IntAttrCount, PMQLONG pIntAttrs,
                                MQLONG CharAttrLength, PMQCHAR pCharAttrs, PMQLONG pCompCode,
                                PMQLONG pReason) {
  FORWARD(kInq, inq, Hconn, Hobj, SelectorCount, pSelectors, IntAttrCount, pIntAttrs,
          CharAttrLength, pCharAttrs, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQSET(MQHCONN Hconn, MQHOBJ Hobj, MQLONG SelectorCount,
                                PMQLONG pSelectors, MQLONG IntAttrCount, PMQLONG pIntAttrs,
                                MQLONG CharAttrLength, PMQCHAR pCharAttrs, PMQLONG pCompCode,
                                PMQLONG pReason) {
  FORWARD(kSet, set, Hconn, Hobj, SelectorCount, pSelectors, IntAttrCount, pIntAttrs,
          CharAttrLength, pCharAttrs, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQCTL(MQHCONN Hconn, MQLONG Operation, PMQVOID pControlOpts,
                                PMQLONG pCompCode, PMQLONG pReason) {
  FORWARD(kCtl, ctl, Hconn, Operation, pControlOpts, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQCMIT(MQHCONN Hconn, PMQLONG pCompCode, PMQLONG pReason) {
  FORWARD(kCmit, cmit, Hconn, pCompCode, pReason);
}
METER_EXPORT void MQENTRY MQBACK(MQHCONN Hconn, PMQLONG pCompCode, PMQLONG pReason) {
  FORWARD(kBack, back, Hconn, pCompCode, pReason);
}

// A registration by function pointer goes through the timing trampoline;
// every other MQCB is handed on as it is.
METER_EXPORT void MQENTRY MQCB(MQHCONN Hconn, MQLONG Operation, PMQVOID pCallbackDesc, MQHOBJ Hobj,
                               PMQVOID pMsgDesc, PMQVOID pGetMsgOpts, PMQLONG pCompCode,
                               PMQLONG pReason) {
  auto* cbd = static_cast<MQCBD*>(pCallbackDesc);
  if ((Operation & MQOP_REGISTER) && cbd && cbd->CallbackFunction) {
    MQCBD timed = *cbd;
    {
      std::lock_guard lock(mqi_meter::callbacks_mu);
      mqi_meter::callbacks[{Hconn, Hobj}] = cbd->CallbackFunction;
    }
    timed.CallbackFunction = reinterpret_cast<MQPTR>(mqi_meter::Timed);
    FORWARD(kCb, cb, Hconn, Operation, &timed, Hobj, pMsgDesc, pGetMsgOpts, pCompCode, pReason);
    return;
  }
  FORWARD(kCb, cb, Hconn, Operation, pCallbackDesc, Hobj, pMsgDesc, pGetMsgOpts, pCompCode,
          pReason);
}
