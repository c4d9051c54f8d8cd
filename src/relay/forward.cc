// The rewriting and forwarding of a request.
#include "relay/forward.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "log/message.h"
#include "log/message_texts.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_names.h"
#include "relay/put_message.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

constexpr char kCorrelIdPrefix[] = "CSAGNT";
constexpr size_t kPrefixLength = sizeof kCorrelIdPrefix - 1;

// Fills `size` bytes at `out` from the kernel's random source; returns how
// many it could.
size_t RandomBytes(unsigned char* out, size_t size) {
  size_t got = 0;
  while (got < size) {
    const ssize_t n = getrandom(out + got, size - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got == size) return got;
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return got;
  while (got < size) {
    const ssize_t n = read(fd, out + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  return got;
}

}  // namespace

void ChooseForwardCorrelId() {
  memcpy(Process.ForwardCorrelId, kCorrelIdPrefix, kPrefixLength);
  unsigned char* random = Process.ForwardCorrelId + kPrefixLength;
  const size_t size = sizeof Process.ForwardCorrelId - kPrefixLength;
  if (RandomBytes(random, size) == size) return;
  // No random source: the clock and the process id still make the
  // identifier differ from run to run.
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  uint64_t state = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 20) ^
                   (static_cast<uint64_t>(getpid()) << 40);
  for (size_t i = 0; i < size; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    random[i] = static_cast<unsigned char>(state >> 56);
  }
}

void RewriteRequestDescriptor(REQUEST* request, MQMD* md) {
  CopyNameTerminated(request->ReplyToQ, MQ_Q_NAME_LENGTH, md->ReplyToQ);
  CopyNameTerminated(request->ReplyToQMgr, MQ_Q_MGR_NAME_LENGTH, md->ReplyToQMgr);
  FillNulPadded(md->ReplyToQ, sizeof md->ReplyToQ, AgentConfig.actualreplyq);
  md->ReplyToQMgr[0] = '\0';

  memcpy(request->MsgId, md->MsgId, sizeof request->MsgId);
  memcpy(request->CorrelId, md->CorrelId, sizeof request->CorrelId);
  request->Report = md->Report;
  md->Report = (md->Report & ~kArrivalAndDeliveryReports) | MQRO_PASS_MSG_ID | MQRO_PASS_CORREL_ID |
               MQRO_DISCARD_MSG;
  memcpy(md->MsgId, MQMI_NONE, sizeof md->MsgId);
  memcpy(md->CorrelId, Process.ForwardCorrelId, sizeof md->CorrelId);
}

MQLONG ForwardRequest(MQMD* md, void* buffer, MQLONG length) {
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Version = MQPMO_VERSION_1;
  pmo.Options = MQPMO_NO_SYNCPOINT | MQPMO_PASS_ALL_CONTEXT;
  pmo.Context = Process.InputQueueHobj;
  MQLONG reason = MQRC_NONE;
  if (PutMessage(Process.CommandQueueHobj, AgentConfig.commandq, md, &pmo, buffer, length,
                 &reason)) {
    return MQRC_NONE;
  }
  Log(kLevelQuiet, kCsag107E, AgentConfig.commandq, static_cast<int>(reason), ReasonText(reason));
  return reason == MQRC_NONE ? MQRC_UNEXPECTED_ERROR : reason;
}
