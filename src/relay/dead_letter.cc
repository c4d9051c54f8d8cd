// Putting an undeliverable message to the dead-letter queue.
#include "relay/dead_letter.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

#include "log/message.h"
#include "log/message_texts.h"
#include "mq/connection.h"
#include "mq/mqi_table.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_names.h"
#include "state/process_state.h"

namespace {

// The dead-letter header followed by the message's data.
std::string DeadLetterMessage(const char* queue, const char* qmgr, const MQMD& md, const void* data,
                              MQLONG length, MQLONG reason) {
  MQDLH header = {MQDLH_DEFAULT};
  header.Reason = reason;
  FillBlankPadded(header.DestQName, sizeof header.DestQName,
                  std::string_view(queue, strnlen(queue, MQ_Q_NAME_LENGTH)));
  FillBlankPadded(header.DestQMgrName, sizeof header.DestQMgrName,
                  std::string_view(qmgr, strnlen(qmgr, MQ_Q_MGR_NAME_LENGTH)));
  header.Encoding = md.Encoding;
  header.CodedCharSetId = md.CodedCharSetId;
  memcpy(header.Format, md.Format, sizeof header.Format);
  header.PutApplType = MQAT_DEFAULT;
  FillBlankPadded(header.PutApplName, sizeof header.PutApplName, kAgentApplName);
  const time_t now = time(nullptr);
  tm utc{};
  char stamp[17] = "";
  if (gmtime_r(&now, &utc) != nullptr) strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S00", &utc);
  FillBlankPadded(header.PutDate, sizeof header.PutDate, std::string_view(stamp, 8));
  FillBlankPadded(header.PutTime, sizeof header.PutTime,
                  std::string_view(stamp).substr(std::min<size_t>(8, strlen(stamp))));

  std::string message(reinterpret_cast<const char*>(&header), sizeof header);
  if (length > 0) message.append(static_cast<const char*>(data), static_cast<size_t>(length));
  return message;
}

}  // namespace

bool DeadLetter(const char* queue, const char* qmgr, const MQMD& md, const void* data,
                MQLONG length, MQLONG reason) {
  char name[kQNameDisplaySize];
  FormatQName(qmgr, queue, name);
  const char* dead_letter_queue = Process.QueueManagerFacts.DeadLetterQName;
  if (dead_letter_queue[0] == '\0') {
    Log(kLevelQuiet, kCsag113E, name);
    return false;
  }
  std::string message = DeadLetterMessage(queue, qmgr, md, data, length, reason);
  MQMD dead = md;
  memcpy(dead.Format, MQFMT_DEAD_LETTER_HEADER, sizeof dead.Format);
  dead.Encoding = MQENC_NATIVE;
  dead.CodedCharSetId = MQCCSI_Q_MGR;
  MQOD od = {MQOD_DEFAULT};
  FillNulPadded(od.ObjectName, sizeof od.ObjectName, dead_letter_queue);
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Options = MQPMO_NO_SYNCPOINT;
  MQLONG comp_code = MQCC_OK;
  MQLONG put_reason = MQRC_NONE;
  MqiTable.MQPUT1(Process.QMgrHconn, &od, &dead, &pmo, static_cast<MQLONG>(message.size()),
                  message.data(), &comp_code, &put_reason);
  if (comp_code == MQCC_FAILED) {
    Log(kLevelQuiet, kCsag107E, dead_letter_queue, static_cast<int>(put_reason),
        ReasonText(put_reason));
    return false;
  }
  Log(kLevelLow, kCsag112I, name, dead_letter_queue);
  return true;
}
