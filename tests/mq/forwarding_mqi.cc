// A stand-in IBM MQ library for the connection's tests: every entry point
// forwards to a table that the test hands over with ForwardMqiTo, so that
// ConnectQueueManager, which loads the library itself, talks to the test's
// recording MQI. An entry point without a table slot fails with
// MQRC_FUNCTION_NOT_SUPPORTED.
#include <cmqc.h>

#include "mq/mqi_table.h"

namespace {
const MqiEntryPoints* forward = nullptr;

template <typename F, typename... Args>
void Call(F* slot, PMQLONG cc, PMQLONG rc, Args... args) {
  if (slot == nullptr) {
    *cc = MQCC_FAILED;
    *rc = MQRC_FUNCTION_NOT_SUPPORTED;
    return;
  }
  slot(args..., cc, rc);
}
}  // namespace

extern "C" {

void ForwardMqiTo(const MqiEntryPoints* table) {
  forward = table;
}

void MQENTRY MQCONN(PMQCHAR q, PMQHCONN h, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQCONN, cc, rc, q, h);
}
void MQENTRY MQCONNX(PMQCHAR q, PMQCNO o, PMQHCONN h, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQCONNX, cc, rc, q, o, h);
}
void MQENTRY MQDISC(PMQHCONN h, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQDISC, cc, rc, h);
}
void MQENTRY MQCMIT(MQHCONN h, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQCMIT, cc, rc, h);
}
void MQENTRY MQBACK(MQHCONN h, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQBACK, cc, rc, h);
}
void MQENTRY MQOPEN(MQHCONN h, PMQVOID od, MQLONG o, PMQHOBJ ho, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQOPEN, cc, rc, h, od, o, ho);
}
void MQENTRY MQCLOSE(MQHCONN h, PMQHOBJ ho, MQLONG o, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQCLOSE, cc, rc, h, ho, o);
}
void MQENTRY MQINQ(MQHCONN h, MQHOBJ ho, MQLONG n, PMQLONG s, MQLONG ni, PMQLONG i, MQLONG nc,
                   PMQCHAR c, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQINQ, cc, rc, h, ho, n, s, ni, i, nc, c);
}
void MQENTRY MQSET(MQHCONN h, MQHOBJ ho, MQLONG n, PMQLONG s, MQLONG ni, PMQLONG i, MQLONG nc,
                   PMQCHAR c, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQSET, cc, rc, h, ho, n, s, ni, i, nc, c);
}
void MQENTRY MQPUT(MQHCONN h, MQHOBJ ho, PMQVOID md, PMQVOID pmo, MQLONG n, PMQVOID b, PMQLONG cc,
                   PMQLONG rc) {
  Call(forward->MQPUT, cc, rc, h, ho, md, pmo, n, b);
}
void MQENTRY MQPUT1(MQHCONN h, PMQVOID od, PMQVOID md, PMQVOID pmo, MQLONG n, PMQVOID b, PMQLONG cc,
                    PMQLONG rc) {
  Call(forward->MQPUT1, cc, rc, h, od, md, pmo, n, b);
}
void MQENTRY MQGET(MQHCONN h, MQHOBJ ho, PMQVOID md, PMQVOID gmo, MQLONG n, PMQVOID b, PMQLONG l,
                   PMQLONG cc, PMQLONG rc) {
  Call(forward->MQGET, cc, rc, h, ho, md, gmo, n, b, l);
}
void MQENTRY MQCB(MQHCONN h, MQLONG op, PMQVOID cbd, MQHOBJ ho, PMQVOID md, PMQVOID gmo, PMQLONG cc,
                  PMQLONG rc) {
  Call(forward->MQCB, cc, rc, h, op, cbd, ho, md, gmo);
}
void MQENTRY MQCTL(MQHCONN h, MQLONG op, PMQVOID o, PMQLONG cc, PMQLONG rc) {
  Call(forward->MQCTL, cc, rc, h, op, o);
}

}  // extern "C"
