// The queue attribute table.
#include "objects/attribute_tables.h"
#include "qmgr/queue.h"

#include "protocol/frame.h"

namespace mqemu::objects {
namespace {

constexpr MQLONG kMaxCount = 999999999;

constexpr ValueName kEnabled[] = {{"ENABLED", 0}, {"DISABLED", 1}};
constexpr ValueName kYesNo[] = {{"NO", MQPER_NOT_PERSISTENT}, {"YES", MQPER_PERSISTENT}};
constexpr ValueName kOpenOption[] = {{"EXCL", MQOO_INPUT_EXCLUSIVE}, {"SHARED", MQOO_INPUT_SHARED}};
constexpr ValueName kDefinitionType[] = {{"PREDEFINED", MQQDT_PREDEFINED},
                                         {"PERMDYN", MQQDT_PERMANENT_DYNAMIC},
                                         {"TEMPDYN", MQQDT_TEMPORARY_DYNAMIC},
                                         {"SHAREDYN", MQQDT_SHARED_DYNAMIC}};
// A definition may only make a model's dynamic queues permanent or temporary.
constexpr MQLONG kDynamicTypes[] = {MQQDT_PERMANENT_DYNAMIC, MQQDT_TEMPORARY_DYNAMIC};
constexpr ValueName kShare[] = {{"SHARE", MQQA_SHAREABLE}, {"NOSHARE", MQQA_NOT_SHAREABLE}};
constexpr ValueName kTrigger[] = {{"TRIGGER", MQTC_ON}, {"NOTRIGGER", MQTC_OFF}};
constexpr ValueName kTriggerType[] = {
    {"NONE", MQTT_NONE}, {"FIRST", MQTT_FIRST}, {"EVERY", MQTT_EVERY}, {"DEPTH", MQTT_DEPTH}};
constexpr ValueName kDefaultFileSize[] = {{"DEFAULT", MQQFS_DEFAULT}};
constexpr ValueName kUsage[] = {{"NORMAL", MQUS_NORMAL}, {"XMITQ", MQUS_TRANSMISSION}};

AttributeValue Depth(const Queue& q) {
  return {false, static_cast<MQLONG>(q.messages.size()), {}};
}
AttributeValue InputCount(const Queue& q) {
  return {false, q.open_input, {}};
}
AttributeValue OutputCount(const Queue& q) {
  return {false, q.open_output, {}};
}
// Every queue here is a normal queue: there are no transmission queues.
AttributeValue Usage(const Queue&) {
  return {false, MQUS_NORMAL, {}};
}

using Q = Queue;
constexpr unsigned kAny = kAnyQueueBits;

constexpr QueueRow kRows[] = {
    Text(MQCA_Q_NAME, "", &Q::name, MQ_Q_NAME_LENGTH).Inquire(kAny),
    Number(MQIA_Q_TYPE, "", &Q::type, 0, 0).Inquire(kAny),
    Text(MQCA_Q_DESC, "DESCR", &Q::description, MQ_Q_DESC_LENGTH)
        .Inquire(kAny)
        .Set(kAny)
        .Option("--description"),
    Text(MQCA_BASE_Q_NAME, "TARGET", &Q::base_queue, MQ_Q_NAME_LENGTH)
        .Synonym("TARGQ")
        .Inquire(kAliasBit)
        .Set(kAliasBit)
        .Names(Rule::kName),
    Number(MQIA_MAX_MSG_LENGTH, "MAXMSGL", &Q::max_msg_length, 0, kMaxMessageLength)
        .Inquire(kQueueBits)
        .Set(kQueueBits)
        .ValueError(MQRCCF_MAX_MSG_LENGTH_ERROR)
        .Option("--maxmsglen"),
    Number(MQIA_MAX_Q_DEPTH, "MAXDEPTH", &Q::max_depth, 0, kMaxCount)
        .Inquire(kQueueBits)
        .Set(kQueueBits),
    Choice(MQIA_MAX_Q_FILE_SIZE, "MAXFSIZE", &Q::max_file_size, kDefaultFileSize)
        .MqscNumbers(20, 267386880)
        .Inquire(kQueueBits)
        .Set(kQueueBits),
    Number<Q>(MQIA_CURRENT_Q_DEPTH, "CURDEPTH", nullptr, 0, kMaxCount)
        .Computed(Depth)
        .Inquire(kLocalBit),
    Number<Q>(MQIA_OPEN_INPUT_COUNT, "IPPROCS", nullptr, 0, kMaxCount)
        .Computed(InputCount)
        .Inquire(kLocalBit),
    Number<Q>(MQIA_OPEN_OUTPUT_COUNT, "OPPROCS", nullptr, 0, kMaxCount)
        .Computed(OutputCount)
        .Inquire(kLocalBit),
    Choice(MQIA_INHIBIT_GET, "GET", &Q::inhibit_get, kEnabled)
        .Inquire(kAny)
        .Set(kAny)
        .ByMqset(MQRC_INHIBIT_VALUE_ERROR)
        .WithHook(Hook::kWakeConsumers),
    Choice(MQIA_INHIBIT_PUT, "PUT", &Q::inhibit_put, kEnabled)
        .Inquire(kAny)
        .Set(kAny)
        .ByMqset(MQRC_INHIBIT_VALUE_ERROR),
    Choice(MQIA_DEFINITION_TYPE, "DEFTYPE", &Q::definition_type, kDefinitionType)
        .Inquire(kQueueBits)
        .Set(kQueueBits)
        .Mqsc(kModelBit, kQueueBits)
        .Allowed(kDynamicTypes),
    Choice(MQIA_DEF_PERSISTENCE, "DEFPSIST", &Q::default_persistence, kYesNo)
        .Inquire(kAny)
        .Set(kAny),
    Number(MQIA_DEF_PRIORITY, "DEFPRTY", &Q::default_priority, 0, 9).Inquire(kAny).Set(kAny),
    Choice(MQIA_DEF_INPUT_OPEN_OPTION, "DEFSOPT", &Q::default_input_open, kOpenOption)
        .Inquire(kQueueBits)
        .Set(kQueueBits),
    Flag(MQIA_SHAREABILITY, &Q::shareability, kShare).Inquire(kQueueBits).Set(kQueueBits),
    // MQSC takes USAGE, but the queue manager refuses a change of it.
    Choice<Q>(MQIA_USAGE, "USAGE", nullptr, kUsage)
        .Computed(Usage)
        .Inquire(kQueueBits)
        .Mqsc(kQueueBits, kQueueBits),
    Flag(MQIA_TRIGGER_CONTROL, &Q::trigger_control, kTrigger)
        .Inquire(kQueueBits)
        .Set(kQueueBits)
        .ByMqset(MQRC_TRIGGER_CONTROL_ERROR),
    Choice(MQIA_TRIGGER_TYPE, "TRIGTYPE", &Q::trigger_type, kTriggerType)
        .Inquire(kQueueBits)
        .Set(kQueueBits)
        .ByMqset(MQRC_TRIGGER_TYPE_ERROR),
    Number(MQIA_TRIGGER_DEPTH, "TRIGDPTH", &Q::trigger_depth, 1, kMaxCount)
        .Inquire(kQueueBits)
        .Set(kQueueBits)
        .Option("--trigdepth")
        .ByMqset(MQRC_TRIGGER_DEPTH_ERROR),
    Number(MQIA_TRIGGER_MSG_PRIORITY, "TRIGMPRI", &Q::trigger_msg_priority, 0, 9)
        .Inquire(kQueueBits)
        .Set(kQueueBits)
        .ByMqset(MQRC_TRIGGER_MSG_PRIORITY_ERR),
    Text(MQCA_TRIGGER_DATA, "TRIGDATA", &Q::trigger_data, MQ_TRIGGER_DATA_LENGTH)
        .Inquire(kQueueBits)
        .Set(kQueueBits)
        .ByMqset(MQRC_CHAR_ATTRS_ERROR),
    Text(MQCA_INITIATION_Q_NAME, "INITQ", &Q::initiation_queue, MQ_Q_NAME_LENGTH)
        .Inquire(kQueueBits)
        .Set(kQueueBits)
        .Names(Rule::kOptionalName),
    Text(MQCA_PROCESS_NAME, "PROCESS", &Q::process_name, MQ_PROCESS_NAME_LENGTH)
        .Inquire(kQueueBits)
        .Set(kQueueBits)
        .Names(Rule::kOptionalName),
    // A model queue's creation is not reported: the queues it makes have their own.
    Text(MQCA_CREATION_DATE, "CRDATE", &Q::creation_date, MQ_DATE_LENGTH)
        .Mqsc(0, kAny)
        .Inquire(kLocalBit | kAliasBit),
    Text(MQCA_CREATION_TIME, "CRTIME", &Q::creation_time, MQ_TIME_LENGTH)
        .Mqsc(0, kAny)
        .Inquire(kLocalBit | kAliasBit),
    // Objects are never altered after the fact here: MQSC knows the keywords
    // but there is nothing to show.
    Text<Q>(MQCA_ALTERATION_DATE, "ALTDATE", nullptr, MQ_DATE_LENGTH).Mqsc(0, kAny),
    Text<Q>(MQCA_ALTERATION_TIME, "ALTTIME", nullptr, MQ_TIME_LENGTH).Mqsc(0, kAny),
};

constexpr auto kKeywords = KeywordTable<KeywordCount(kRows)>(kRows);

}  // namespace

Rows<Queue> QueueRows() {
  return kRows;
}

std::span<const Keyword> QueueKeywords() {
  return kKeywords;
}

}  // namespace mqemu::objects
