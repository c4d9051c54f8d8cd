// The process attribute table, in the order IBM MQ reports the attributes.
#include "objects/attribute_tables.h"
#include "qmgr/process.h"

namespace mqemu::objects {
namespace {

// UNIX comes before DEF, which has the same value here, so that a display
// names the platform.
constexpr ValueName kApplType[] = {
    {"CICS", MQAT_CICS},   {"MVS", MQAT_MVS},         {"IMS", MQAT_IMS},
    {"OS2", MQAT_OS2},     {"DOS", MQAT_DOS},         {"UNIX", MQAT_UNIX},
    {"OS400", MQAT_OS400}, {"WINDOWS", MQAT_WINDOWS}, {"WINDOWSNT", MQAT_WINDOWS_NT},
    {"OPENVMS", MQAT_VMS}, {"NSK", MQAT_NSK},         {"NOTESAGENT", MQAT_NOTES_AGENT},
    {"WLM", MQAT_WLM},     {"DEF", MQAT_DEFAULT}};

constexpr ValueName kDisposition[] = {{"QMGR", MQQSGD_Q_MGR}};

using P = Process;
constexpr unsigned kP = kProcessBit;

constexpr ProcessRow kRows[] = {
    Text(MQCA_PROCESS_NAME, "", &P::name, MQ_PROCESS_NAME_LENGTH).Inquire(kP).Always(),
    KeptChoice<P>(MQIA_QSG_DISP, "", kDisposition, MQQSGD_Q_MGR).Inquire(kP).Always().Zos(),
    Text(MQCA_PROCESS_DESC, "DESCR", &P::description, MQ_PROCESS_DESC_LENGTH)
        .Inquire(kP)
        .Set(kP)
        .Option("--description"),
    // MQSC names the types or takes a user-defined number; PCF takes any.
    Choice(MQIA_APPL_TYPE, "APPLTYPE", &P::appl_type, kApplType)
        .MqscNumbers(MQAT_USER_FIRST, MQAT_USER_LAST)
        .Inquire(kP)
        .Set(kP)
        .Range(0, INT_MAX),
    Text(MQCA_APPL_ID, "APPLICID", &P::appl_id, MQ_PROCESS_APPL_ID_LENGTH).Inquire(kP).Set(kP),
    Text(MQCA_ENV_DATA, "ENVDATA", &P::env_data, MQ_PROCESS_ENV_DATA_LENGTH).Inquire(kP).Set(kP),
    Text(MQCA_USER_DATA, "USERDATA", &P::user_data, MQ_PROCESS_USER_DATA_LENGTH)
        .Inquire(kP)
        .Set(kP),
    Text(MQCA_ALTERATION_DATE, "ALTDATE", &P::alteration_date, MQ_DATE_LENGTH).Inquire(kP),
    Text(MQCA_ALTERATION_TIME, "ALTTIME", &P::alteration_time, MQ_TIME_LENGTH).Inquire(kP),
};

constexpr auto kKeywords = KeywordTable<KeywordCount(kRows)>(kRows);

}  // namespace

Rows<Process> ProcessRows() {
  return kRows;
}

std::span<const Keyword> ProcessKeywords() {
  return kKeywords;
}

}  // namespace mqemu::objects
