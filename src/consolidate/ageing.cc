// The ageing sweep: aged requests taken out of the table and answered.
#include "consolidate/ageing.h"

#include <cstdint>
#include <cstring>
#include <ctime>

#include "consolidate/hold_buffer.h"
#include "log/message.h"
#include "log/message_texts.h"
#include "mq/consumption.h"
#include "relay/error_reply.h"
#include "state/process_state.h"
#include "state/settings.h"

namespace {

// CSAG303E, then what was held for the request and the error reply; then
// the request is released. Consumption must be suspended or stopped.
void AnswerAgedRequest(REQUEST* request) {
  char queue[MQ_Q_NAME_LENGTH + 1];
  char issued[16] = "";
  const time_t when = static_cast<time_t>(request->Issued);
  tm local{};
  if (localtime_r(&when, &local) != nullptr) strftime(issued, sizeof issued, "%H:%M:%S", &local);
  char msg_id[2 * sizeof(MQBYTE24) + 1];
  Log(kLevelQuiet, kCsag303E,
      PrintableCopy(queue, sizeof queue, request->ReplyToQ,
                    strnlen(request->ReplyToQ, MQ_Q_NAME_LENGTH)),
      issued, FormatHexId(request->MsgId, sizeof request->MsgId, msg_id));

  // What the command server did send reaches the client before the news
  // that the rest is missing.
  DeliverHeld(request, nullptr);
  SendNoResponseReply(request);
  FreeRequest(request);
}

}  // namespace

void AgeRequests() {
  const int64_t now = Process.CurrentTime.load(std::memory_order_relaxed);
  // Aged: more than maxage seconds without reply activity.
  REQUEST* aged = TakeOutIdleRequests(now - AgentConfig.maxage);
  RequestTable.LastAgeing = now;
  if (aged != nullptr) RetireAgedRequests(aged);
}

void RetireAgedRequests(REQUEST* aged) {
  while (aged != nullptr) {
    REQUEST* request = aged;
    aged = request->Next;
    request->Next = nullptr;
    SuspendConsumption();
    AnswerAgedRequest(request);
    ResumeConsumption();
  }
}

void AnswerOutstandingRequests() {
  SuspendConsumption();
  REQUEST* outstanding = TakeOutIdleRequests(INT64_MAX);
  while (outstanding != nullptr) {
    REQUEST* request = outstanding;
    outstanding = request->Next;
    request->Next = nullptr;
    AnswerAgedRequest(request);
  }
}
