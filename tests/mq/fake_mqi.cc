// A stand-in MQI library for the loader's tests. Built several times, each
// time without a chosen entry point (OMIT_MQCONNX, OMIT_MQCLOSE, OMIT_MQPUT),
// so that the tests can load libraries that lack it. Every call completes
// with MQCC_OK; MQCONNX hands back the connection handle kFakeHconn, so a
// test can tell the real entry point from the substitute.
#include <cmqc.h>
#include <cmqxc.h>

namespace {
constexpr MQHCONN kFakeHconn = 4242;

void Ok(PMQLONG comp_code, PMQLONG reason) {
  *comp_code = MQCC_OK;
  *reason = MQRC_NONE;
}
}  // namespace

extern "C" {

void MQENTRY MQBACK(MQHCONN, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
#ifndef OMIT_MQCLOSE
void MQENTRY MQCLOSE(MQHCONN, PMQHOBJ, MQLONG, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
#endif
void MQENTRY MQCMIT(MQHCONN, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQCONN(PMQCHAR, PMQHCONN h, PMQLONG cc, PMQLONG rc) {
  *h = kFakeHconn;
  Ok(cc, rc);
}
#ifndef OMIT_MQCONNX
void MQENTRY MQCONNX(PMQCHAR, PMQCNO, PMQHCONN h, PMQLONG cc, PMQLONG rc) {
  *h = kFakeHconn;
  Ok(cc, rc);
}
#endif
void MQENTRY MQDISC(PMQHCONN, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQGET(MQHCONN, MQHOBJ, PMQVOID, PMQVOID, MQLONG, PMQVOID, PMQLONG, PMQLONG cc,
                   PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQINQ(MQHCONN, MQHOBJ, MQLONG, PMQLONG, MQLONG, PMQLONG, MQLONG, PMQCHAR, PMQLONG cc,
                   PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQOPEN(MQHCONN, PMQVOID, MQLONG, PMQHOBJ, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
#ifndef OMIT_MQPUT
void MQENTRY MQPUT(MQHCONN, MQHOBJ, PMQVOID, PMQVOID, MQLONG, PMQVOID, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
#endif
void MQENTRY MQPUT1(MQHCONN, PMQVOID, PMQVOID, PMQVOID, MQLONG, PMQVOID, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQSET(MQHCONN, MQHOBJ, MQLONG, PMQLONG, MQLONG, PMQLONG, MQLONG, PMQCHAR, PMQLONG cc,
                   PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQSUB(MQHCONN, PMQVOID, PMQHOBJ, PMQHOBJ, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQSUBRQ(MQHCONN, MQHOBJ, MQLONG, PMQVOID, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQCB(MQHCONN, MQLONG, PMQVOID, MQHOBJ, PMQVOID, PMQVOID, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQCTL(MQHCONN, MQLONG, PMQVOID, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQCRTMH(MQHCONN, PMQVOID, PMQHMSG, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQDLTMH(MQHCONN, PMQHMSG, PMQVOID, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQINQMP(MQHCONN, MQHMSG, PMQVOID, PMQVOID, PMQVOID, PMQLONG, MQLONG, PMQVOID, PMQLONG,
                     PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQSETMP(MQHCONN, MQHMSG, PMQVOID, PMQVOID, PMQVOID, MQLONG, MQLONG, PMQVOID,
                     PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQDLTMP(MQHCONN, MQHMSG, PMQVOID, PMQVOID, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQBUFMH(MQHCONN, MQHMSG, PMQVOID, PMQVOID, MQLONG, PMQVOID, PMQLONG, PMQLONG cc,
                     PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQMHBUF(MQHCONN, MQHMSG, PMQVOID, PMQVOID, PMQVOID, MQLONG, PMQVOID, PMQLONG,
                     PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQSTAT(MQHCONN, MQLONG, PMQVOID, PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}
void MQENTRY MQXCNVC(MQHCONN, MQLONG, MQLONG, MQLONG, PMQCHAR, MQLONG, MQLONG, PMQCHAR, PMQLONG,
                     PMQLONG cc, PMQLONG rc) {
  Ok(cc, rc);
}

}  // extern "C"
