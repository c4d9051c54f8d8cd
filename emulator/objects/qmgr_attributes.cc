// The queue manager attribute table.
#include "objects/attribute_tables.h"
#include "qmgr/queue_manager.h"

#include "protocol/frame.h"

namespace mqemu::objects {
namespace {

constexpr MQLONG kMaxCount = 999999999;

constexpr ValueName kPlatform[] = {{"ZOS", MQPL_ZOS},     {"UNIX", MQPL_UNIX},
                                   {"OS400", MQPL_OS400}, {"WINDOWSNT", MQPL_WINDOWS_NT},
                                   {"NSK", MQPL_NSK},     {"APPLIANCE", MQPL_APPLIANCE}};
constexpr ValueName kSyncpoint[] = {{"SYNCPT", MQSP_AVAILABLE}, {"", MQSP_NOT_AVAILABLE}};

using M = QueueManager;
constexpr unsigned kM = kQMgrBit;

AttributeValue MaxPriority(const M&) {
  return {false, 9, {}};
}
AttributeValue Syncpoint(const M&) {
  return {false, MQSP_AVAILABLE, {}};
}
AttributeValue DeadLetterQueue(const M&) {
  return TextValue("SYSTEM.DEAD.LETTER.QUEUE", MQ_Q_NAME_LENGTH);
}
AttributeValue Identifier(const M& qm) {
  return TextValue(qm.name + "_" + qm.creation_date + "_" + qm.creation_time,
                   MQ_Q_MGR_IDENTIFIER_LENGTH);
}

constexpr QueueManagerRow kRows[] = {
    Text(MQCA_Q_MGR_NAME, "", &M::name, MQ_Q_MGR_NAME_LENGTH).Inquire(kM),
    Text(MQCA_Q_MGR_DESC, "DESCR", &M::description, MQ_Q_MGR_DESC_LENGTH).Inquire(kM),
    Choice(MQIA_PLATFORM, "PLATFORM", &M::platform, kPlatform).Inquire(kM),
    Number(MQIA_COMMAND_LEVEL, "CMDLEVEL", &M::command_level, 0, kMaxCount).Inquire(kM),
    Number(MQIA_CODED_CHAR_SET_ID, "CCSID", &M::ccsid, 0, 65535).Inquire(kM),
    Number(MQIA_MAX_MSG_LENGTH, "MAXMSGL", &M::max_msg_length, 32768, kMaxMessageLength)
        .Inquire(kM)
        .Set(kM)
        .ValueError(MQRCCF_MAX_MSG_LENGTH_ERROR),
    Number<M>(MQIA_MAX_PRIORITY, "MAXPRTY", nullptr, 0, 9).Computed(MaxPriority).Inquire(kM),
    Number(MQIA_MAX_HANDLES, "MAXHANDS", &M::max_handles, 1, kMaxCount).Inquire(kM).Set(kM),
    Flag<M>(MQIA_SYNCPOINT, nullptr, kSyncpoint).Computed(Syncpoint).Inquire(kM),
    Text(MQCA_COMMAND_INPUT_Q_NAME, "COMMANDQ", &M::command_queue, MQ_Q_NAME_LENGTH).Inquire(kM),
    Text<M>(MQCA_DEAD_LETTER_Q_NAME, "DEADQ", nullptr, MQ_Q_NAME_LENGTH)
        .Computed(DeadLetterQueue)
        .Inquire(kM),
    Text<M>(MQCA_Q_MGR_IDENTIFIER, "QMID", nullptr, MQ_Q_MGR_IDENTIFIER_LENGTH)
        .Computed(Identifier)
        .Inquire(kM),
    Text(MQCA_CREATION_DATE, "CRDATE", &M::creation_date, MQ_DATE_LENGTH).Inquire(kM),
    Text(MQCA_CREATION_TIME, "CRTIME", &M::creation_time, MQ_TIME_LENGTH).Inquire(kM),
    // MQSC knows these keywords, but the queue manager reports nothing for them.
    Text<M>(MQCA_ALTERATION_DATE, "ALTDATE", nullptr, MQ_DATE_LENGTH).Mqsc(0, kM),
    Text<M>(MQCA_ALTERATION_TIME, "ALTTIME", nullptr, MQ_TIME_LENGTH).Mqsc(0, kM),
    Number<M>(MQIA_TRIGGER_INTERVAL, "TRIGINT", nullptr, 0, kMaxCount).Mqsc(0, kM),
};

constexpr auto kKeywords = KeywordTable<KeywordCount(kRows)>(kRows);

}  // namespace

Rows<QueueManager> QueueManagerRows() {
  return kRows;
}

std::span<const Keyword> QueueManagerKeywords() {
  return kKeywords;
}

}  // namespace mqemu::objects
