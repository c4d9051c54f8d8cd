// The benchmarks' requests, built with pcf/pcf_writer.h.
#include "bench/requests.h"

#include "pcf/pcf_format.h"
#include "pcf/pcf_writer.h"

namespace bench {

std::string InquireAllQueues() {
  pcf::PcfBuilder b(MQCFT_COMMAND, MQCMD_INQUIRE_Q);
  b.String(MQCA_Q_NAME, "*");
  b.IntegerList(MQIACF_Q_ATTRS, {MQIACF_ALL});
  return b.Finish();
}

std::string DisplayAllLocalQueues() {
  pcf::PcfBuilder b(MQCFT_COMMAND, MQCMD_ESCAPE);
  b.Integer(MQIACF_ESCAPE_TYPE, MQET_MQSC);
  b.String(MQCACF_ESCAPE_TEXT, "DISPLAY QLOCAL(*) ALL");
  return b.Finish();
}

std::string PingQueueManager() {
  return pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_PING_Q_MGR).Finish();
}

std::string InquireQueueManager() {
  return pcf::PcfBuilder(MQCFT_COMMAND, MQCMD_INQUIRE_Q_MGR).Finish();
}

}  // namespace bench
