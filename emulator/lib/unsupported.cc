// The MQI entry points that the emulated queue manager does not provide:
// publish/subscribe and character conversion. Each fails with MQRC_FUNCTION_NOT_SUPPORTED, as a
// library without the function would make the agent's substitute do.
#include <cmqc.h>
#include <cmqxc.h>

#define MQEMU_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void NotSupported(PMQLONG cc, PMQLONG rc) {
  if (cc) *cc = MQCC_FAILED;
  if (rc) *rc = MQRC_FUNCTION_NOT_SUPPORTED;
}

}  // namespace

MQEMU_EXPORT void MQENTRY MQSUB(MQHCONN, PMQVOID, PMQHOBJ, PMQHOBJ, PMQLONG cc, PMQLONG rc) {
  NotSupported(cc, rc);
}
MQEMU_EXPORT void MQENTRY MQSUBRQ(MQHCONN, MQHOBJ, MQLONG, PMQVOID, PMQLONG cc, PMQLONG rc) {
  NotSupported(cc, rc);
}
MQEMU_EXPORT void MQENTRY MQXCNVC(MQHCONN, MQLONG, MQLONG, MQLONG, PMQCHAR, MQLONG, MQLONG, PMQCHAR,
                                  PMQLONG, PMQLONG cc, PMQLONG rc) {
  NotSupported(cc, rc);
}
