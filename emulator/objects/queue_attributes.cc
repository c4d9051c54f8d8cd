// The queue attribute table: local, model, alias and remote queues, every
// attribute that IBM MQ 9.4 reports for them (cluster queues apart), in the
// order IBM MQ reports them. Most of those after the triggering group are
// kept only to be reported: events, clustering, statistics, accounting,
// monitoring, streaming and the like have no behaviour here.
#include "objects/attribute_tables.h"
#include "objects/value_names.h"
#include "qmgr/queue.h"

#include "protocol/frame.h"

namespace mqemu::objects {
namespace {

constexpr ValueName kEnabled[] = {{"ENABLED", 0}, {"DISABLED", 1}};
constexpr ValueName kOpenOption[] = {{"EXCL", MQOO_INPUT_EXCLUSIVE}, {"SHARED", MQOO_INPUT_SHARED}};
constexpr ValueName kDefinitionType[] = {{"PREDEFINED", MQQDT_PREDEFINED},
                                         {"PERMDYN", MQQDT_PERMANENT_DYNAMIC},
                                         {"TEMPDYN", MQQDT_TEMPORARY_DYNAMIC},
                                         {"SHAREDYN", MQQDT_SHARED_DYNAMIC}};
// A definition may only make a model's dynamic queues permanent or temporary.
constexpr MQLONG kDynamicTypes[] = {MQQDT_PERMANENT_DYNAMIC, MQQDT_TEMPORARY_DYNAMIC};
constexpr ValueName kShare[] = {{"SHARE", MQQA_SHAREABLE}, {"NOSHARE", MQQA_NOT_SHAREABLE}};
constexpr ValueName kHarden[] = {{"HARDENBO", MQQA_BACKOUT_HARDENED},
                                 {"NOHARDENBO", MQQA_BACKOUT_NOT_HARDENED}};
constexpr ValueName kTrigger[] = {{"TRIGGER", MQTC_ON}, {"NOTRIGGER", MQTC_OFF}};
constexpr ValueName kTriggerType[] = {
    {"NONE", MQTT_NONE}, {"FIRST", MQTT_FIRST}, {"EVERY", MQTT_EVERY}, {"DEPTH", MQTT_DEPTH}};
constexpr ValueName kDefaultFileSize[] = {{"DEFAULT", MQQFS_DEFAULT}};
constexpr ValueName kUsage[] = {{"NORMAL", MQUS_NORMAL}, {"XMITQ", MQUS_TRANSMISSION}};
constexpr ValueName kDeliverySequence[] = {{"PRIORITY", MQMDS_PRIORITY}, {"FIFO", MQMDS_FIFO}};
constexpr ValueName kScope[] = {{"QMGR", MQSCO_Q_MGR}, {"CELL", MQSCO_CELL}};
constexpr ValueName kServiceEvent[] = {
    {"HIGH", MQQSIE_HIGH}, {"OK", MQQSIE_OK}, {"NONE", MQQSIE_NONE}};
constexpr ValueName kBind[] = {{"OPEN", MQBND_BIND_ON_OPEN},
                               {"NOTFIXED", MQBND_BIND_NOT_FIXED},
                               {"GROUP", MQBND_BIND_ON_GROUP}};
constexpr ValueName kMessageClass[] = {{"NORMAL", MQNPM_CLASS_NORMAL}, {"HIGH", MQNPM_CLASS_HIGH}};
constexpr ValueName kPutResponse[] = {{"SYNC", MQPRT_SYNC_RESPONSE},
                                      {"ASYNC", MQPRT_ASYNC_RESPONSE}};
constexpr ValueName kReadAhead[] = {
    {"NO", MQREADA_NO}, {"YES", MQREADA_YES}, {"DISABLED", MQREADA_DISABLED}};
constexpr ValueName kPropertyControl[] = {{"COMPAT", MQPROP_COMPATIBILITY},
                                          {"NONE", MQPROP_NONE},
                                          {"ALL", MQPROP_ALL},
                                          {"FORCE", MQPROP_FORCE_MQRFH2},
                                          {"V6COMPAT", MQPROP_V6COMPAT}};
constexpr ValueName kBaseType[] = {{"QUEUE", MQOT_Q}, {"TOPIC", MQOT_TOPIC}};
constexpr ValueName kStreamQuality[] = {{"BESTEF", MQST_BEST_EFFORT}, {"MUSTDUP", MQST_MUST_DUP}};
constexpr ValueName kCapExpiry[] = {{"NOLIMIT", MQCEX_NOLIMIT}};
constexpr ValueName kDisposition[] = {{"QMGR", MQQSGD_Q_MGR}};
constexpr ValueName kTelemetryTrace[] = {
    {"QMGR", MQOTEL_TRACE_QMGR}, {"OFF", MQOTEL_TRACE_OFF}, {"ON", MQOTEL_TRACE_ON}};
constexpr ValueName kTelemetryPropagation[] = {
    {"QMGR", MQOTEL_PCTL_QMGR}, {"MANUAL", MQOTEL_PCTL_MANUAL}, {"AUTO", MQOTEL_PCTL_AUTO}};
constexpr ValueName kIndexType[] = {{"NONE", MQIT_NONE},
                                    {"MSGID", MQIT_MSG_ID},
                                    {"CORRELID", MQIT_CORREL_ID},
                                    {"MSGTOKEN", MQIT_MSG_TOKEN},
                                    {"GROUPID", MQIT_GROUP_ID}};

AttributeValue Depth(const Queue& q) {
  return NumberValue(static_cast<MQLONG>(q.messages.size()));
}
AttributeValue InputCount(const Queue& q) {
  return NumberValue(q.open_input);
}
AttributeValue OutputCount(const Queue& q) {
  return NumberValue(q.open_output);
}

using Q = Queue;
constexpr unsigned kAny = kAnyQueueBits;
constexpr unsigned kLM = kQueueBits;  // local and model
constexpr unsigned kLMA = kLocalBit | kModelBit | kAliasBit;
constexpr unsigned kLAR = kLocalBit | kAliasBit | kRemoteBit;  // the cluster-shared ones

constexpr QueueRow kRows[] = {
    // Identity, always reported: on z/OS with the disposition (always this
    // queue manager's, since there is no queue-sharing group).
    Text(MQCA_Q_NAME, "", &Q::name, MQ_Q_NAME_LENGTH).Inquire(kAny).Always(),
    Number(MQIA_Q_TYPE, "", &Q::type, 0, 0).Inquire(kAny).Always(),
    KeptChoice<Q>(MQIA_QSG_DISP, "", kDisposition, MQQSGD_Q_MGR).Inquire(kAny).Always().Zos(),
    // The attributes of IBM MQ's first releases.
    Text(MQCA_Q_DESC, "DESCR", &Q::description, MQ_Q_DESC_LENGTH).For(kAny).Option("--description"),
    Choice(MQIA_INHIBIT_PUT, "PUT", &Q::inhibit_put, kEnabled)
        .For(kAny)
        .ByMqset(MQRC_INHIBIT_VALUE_ERROR),
    Number(MQIA_DEF_PRIORITY, "DEFPRTY", &Q::default_priority, 0, 9).For(kAny),
    Choice(MQIA_DEF_PERSISTENCE, "DEFPSIST", &Q::default_persistence, kNoYes).For(kAny),
    Choice(MQIA_INHIBIT_GET, "GET", &Q::inhibit_get, kEnabled)
        .For(kLMA)
        .ByMqset(MQRC_INHIBIT_VALUE_ERROR)
        .WithHook(Hook::kWakeConsumers),
    Text(MQCA_PROCESS_NAME, "PROCESS", &Q::process_name, MQ_PROCESS_NAME_LENGTH)
        .For(kLM)
        .Names(Rule::kOptionalName),
    Number(MQIA_MAX_Q_DEPTH, "MAXDEPTH", &Q::max_depth, 0, kMaxCount).For(kLM),
    Number(MQIA_MAX_MSG_LENGTH, "MAXMSGL", &Q::max_msg_length, 0, kMaxMessageLength)
        .For(kLM)
        .ValueError(MQRCCF_MAX_MSG_LENGTH_ERROR)
        .Option("--maxmsglen"),
    Kept<Q>(MQIA_BACKOUT_THRESHOLD, "BOTHRESH", 0, kMaxCount, 0).For(kLM),
    KeptText<Q>(MQCA_BACKOUT_REQ_Q_NAME, "BOQNAME", MQ_Q_NAME_LENGTH)
        .For(kLM)
        .Names(Rule::kOptionalName),
    Flag(MQIA_SHAREABILITY, &Q::shareability, kShare).For(kLM),
    Choice(MQIA_DEF_INPUT_OPEN_OPTION, "DEFSOPT", &Q::default_input_open, kOpenOption).For(kLM),
    KeptFlag<Q>(MQIA_HARDEN_GET_BACKOUT, kHarden, MQQA_BACKOUT_NOT_HARDENED).For(kLM),
    Choice(MQIA_MSG_DELIVERY_SEQUENCE, "MSGDLVSQ", &Q::delivery_sequence, kDeliverySequence)
        .For(kLM),
    Kept<Q>(MQIA_RETENTION_INTERVAL, "RETINTVL", 0, kMaxCount, kMaxCount).For(kLM),
    Choice(MQIA_DEFINITION_TYPE, "DEFTYPE", &Q::definition_type, kDefinitionType)
        .For(kLM)
        .Mqsc(kModelBit, kLM)
        .Allowed(kDynamicTypes),
    Choice(MQIA_USAGE, "USAGE", &Q::usage, kUsage).For(kLM),
    Number<Q>(MQIA_OPEN_INPUT_COUNT, "IPPROCS", nullptr, 0, kMaxCount)
        .Computed(InputCount)
        .Inquire(kLocalBit),
    Number<Q>(MQIA_OPEN_OUTPUT_COUNT, "OPPROCS", nullptr, 0, kMaxCount)
        .Computed(OutputCount)
        .Inquire(kLocalBit),
    Number<Q>(MQIA_CURRENT_Q_DEPTH, "CURDEPTH", nullptr, 0, kMaxCount)
        .Computed(Depth)
        .Inquire(kLocalBit),
    // A model queue's creation is not reported: the queues it makes have their own.
    Text(MQCA_CREATION_DATE, "CRDATE", &Q::creation_date, MQ_DATE_LENGTH).Inquire(kLocalBit),
    Text(MQCA_CREATION_TIME, "CRTIME", &Q::creation_time, MQ_TIME_LENGTH).Inquire(kLocalBit),
    // Triggering.
    Text(MQCA_INITIATION_Q_NAME, "INITQ", &Q::initiation_queue, MQ_Q_NAME_LENGTH)
        .For(kLM)
        .Names(Rule::kOptionalName),
    Flag(MQIA_TRIGGER_CONTROL, &Q::trigger_control, kTrigger)
        .For(kLM)
        .ByMqset(MQRC_TRIGGER_CONTROL_ERROR),
    Choice(MQIA_TRIGGER_TYPE, "TRIGTYPE", &Q::trigger_type, kTriggerType)
        .For(kLM)
        .ByMqset(MQRC_TRIGGER_TYPE_ERROR),
    Number(MQIA_TRIGGER_MSG_PRIORITY, "TRIGMPRI", &Q::trigger_msg_priority, 0, 9)
        .For(kLM)
        .ByMqset(MQRC_TRIGGER_MSG_PRIORITY_ERR),
    Number(MQIA_TRIGGER_DEPTH, "TRIGDPTH", &Q::trigger_depth, 1, kMaxCount)
        .For(kLM)
        .Option("--trigdepth")
        .ByMqset(MQRC_TRIGGER_DEPTH_ERROR),
    Text(MQCA_TRIGGER_DATA, "TRIGDATA", &Q::trigger_data, MQ_TRIGGER_DATA_LENGTH)
        .For(kLM)
        .ByMqset(MQRC_CHAR_ATTRS_ERROR),
    // Where an alias or a remote queue leads.
    Text(MQCA_BASE_Q_NAME, "TARGET", &Q::base_queue, MQ_Q_NAME_LENGTH)
        .Synonym("TARGQ")
        .For(kAliasBit)
        .Names(Rule::kName),
    Text(MQCA_REMOTE_Q_NAME, "RNAME", &Q::remote_queue, MQ_Q_NAME_LENGTH)
        .For(kRemoteBit)
        .Names(Rule::kOptionalName),
    Text(MQCA_REMOTE_Q_MGR_NAME, "RQMNAME", &Q::remote_qmgr, MQ_Q_MGR_NAME_LENGTH)
        .For(kRemoteBit)
        .Names(Rule::kOptionalName),
    Text(MQCA_XMIT_Q_NAME, "XMITQ", &Q::transmission_queue, MQ_Q_NAME_LENGTH)
        .For(kRemoteBit)
        .Names(Rule::kOptionalName),
    // Scope, depth and service-interval events, distribution lists.
    KeptChoice<Q>(MQIA_SCOPE, "SCOPE", kScope, MQSCO_Q_MGR).For(kLAR).Distributed(),
    Kept<Q>(MQIA_Q_DEPTH_HIGH_LIMIT, "QDEPTHHI", 0, 100, 80).For(kLM),
    Kept<Q>(MQIA_Q_DEPTH_LOW_LIMIT, "QDEPTHLO", 0, 100, 20).For(kLM),
    KeptChoice<Q>(MQIA_Q_DEPTH_MAX_EVENT, "QDPMAXEV", kDisabledEnabled, MQEVR_ENABLED).For(kLM),
    KeptChoice<Q>(MQIA_Q_DEPTH_HIGH_EVENT, "QDPHIEV", kDisabledEnabled, MQEVR_DISABLED).For(kLM),
    KeptChoice<Q>(MQIA_Q_DEPTH_LOW_EVENT, "QDPLOEV", kDisabledEnabled, MQEVR_DISABLED).For(kLM),
    Kept<Q>(MQIA_Q_SERVICE_INTERVAL, "QSVCINT", 0, kMaxCount, kMaxCount).For(kLM),
    KeptChoice<Q>(MQIA_Q_SERVICE_INTERVAL_EVENT, "QSVCIEV", kServiceEvent, MQQSIE_NONE).For(kLM),
    // MQSET may change it too (a channel's sending agent does); no reason
    // names a refused value of it, so the integer values are refused.
    KeptChoice<Q>(MQIA_DIST_LISTS, "DISTL", kNoYes, MQDL_NOT_SUPPORTED)
        .For(kLM)
        .Distributed()
        .ByMqset(MQRC_INT_ATTRS_ARRAY_ERROR),
    // Clusters.
    KeptText<Q>(MQCA_CLUSTER_NAME, "CLUSTER", MQ_CLUSTER_NAME_LENGTH)
        .For(kLAR)
        .Names(Rule::kOptionalName),
    KeptText<Q>(MQCA_CLUSTER_NAMELIST, "CLUSNL", MQ_NAMELIST_NAME_LENGTH)
        .For(kLAR)
        .Names(Rule::kOptionalName),
    KeptChoice<Q>(MQIA_DEF_BIND, "DEFBIND", kBind, MQBND_BIND_ON_OPEN).For(kLAR),
    KeptChoice<Q>(MQIA_NPM_CLASS, "NPMCLASS", kMessageClass, MQNPM_CLASS_NORMAL)
        .For(kLM)
        .Distributed(),
    // Set by every definition and change.
    Text(MQCA_ALTERATION_DATE, "ALTDATE", &Q::alteration_date, MQ_DATE_LENGTH).Inquire(kAny),
    Text(MQCA_ALTERATION_TIME, "ALTTIME", &Q::alteration_time, MQ_TIME_LENGTH).Inquire(kAny),
    // Monitoring, statistics and accounting.
    KeptChoice<Q>(MQIA_MONITORING_Q, "MONQ", kMonitoringOrQMgr, MQMON_Q_MGR).For(kLM),
    KeptChoice<Q>(MQIA_STATISTICS_Q, "STATQ", kQMgrOffOn, MQMON_Q_MGR).For(kLM).Distributed(),
    KeptChoice<Q>(MQIA_ACCOUNTING_Q, "ACCTQ", kQMgrOffOn, MQMON_Q_MGR).For(kLM),
    // Cluster workload balancing.
    Kept<Q>(MQIA_CLWL_Q_RANK, "CLWLRANK", 0, 9, 0).For(kLAR),
    Kept<Q>(MQIA_CLWL_Q_PRIORITY, "CLWLPRTY", 0, 9, 0).For(kLAR),
    KeptChoice<Q>(MQIA_CLWL_USEQ, "CLWLUSEQ", kClusterUseQueue, MQCLWL_USEQ_AS_Q_MGR)
        .For(kLocalBit),
    KeptText<Q>(MQCA_CLUS_CHL_NAME, "CLCHNAME", MQ_CHANNEL_NAME_LENGTH).For(kLM),
    // Put responses, read ahead, message properties, alias targets.
    KeptChoice<Q>(MQIA_DEF_PUT_RESPONSE_TYPE, "DEFPRESP", kPutResponse, MQPRT_SYNC_RESPONSE)
        .For(kAny),
    KeptChoice<Q>(MQIA_DEF_READ_AHEAD, "DEFREADA", kReadAhead, MQREADA_NO).For(kLMA),
    KeptChoice<Q>(MQIA_PROPERTY_CONTROL, "PROPCTL", kPropertyControl, MQPROP_COMPATIBILITY)
        .For(kLMA),
    KeptChoice<Q>(MQIA_BASE_TYPE, "TARGTYPE", kBaseType, MQOT_Q).For(kAliasBit),
    KeptText<Q>(MQCA_CUSTOM, "CUSTOM", MQ_CUSTOM_LENGTH).For(kAny),
    // Later releases: media recovery, queue files, streaming, capped expiry.
    KeptChoice<Q>(MQIA_MEDIA_IMAGE_RECOVER_Q, "IMGRCOVQ", kImageRecovery, MQIMGRCOV_AS_Q_MGR)
        .For(kLM)
        .Distributed(),
    Choice(MQIA_MAX_Q_FILE_SIZE, "MAXFSIZE", &Q::max_file_size, kDefaultFileSize)
        .MqscNumbers(20, 267386880)
        .For(kLM)
        .Distributed(),
    KeptText<Q>(MQCA_STREAM_QUEUE_NAME, "STREAMQ", MQ_Q_NAME_LENGTH)
        .For(kLM)
        .Names(Rule::kOptionalName),
    KeptChoice<Q>(MQIA_STREAM_QUEUE_QOS, "STRMQOS", kStreamQuality, MQST_BEST_EFFORT).For(kLM),
    KeptChoice<Q>(MQIA_CAP_EXPIRY, "CAPEXPRY", kCapExpiry, MQCEX_NOLIMIT)
        .MqscNumbers(1, kMaxCount)
        .For(kAny),
    // z/OS only: where the messages are kept, their index, and OpenTelemetry
    // spans and trace propagation.
    KeptText<Q>(MQCA_CF_STRUC_NAME, "CFSTRUCT", MQ_CF_STRUC_NAME_LENGTH).For(kLM).Zos(),
    KeptText<Q>(MQCA_STORAGE_CLASS, "STGCLASS", MQ_STORAGE_CLASS_LENGTH, "DEFAULT").For(kLM).Zos(),
    KeptChoice<Q>(MQIA_INDEX_TYPE, "INDXTYPE", kIndexType, MQIT_NONE).For(kLM).Zos(),
    KeptChoice<Q>(MQIA_OTEL_TRACE, "OTELTRAC", kTelemetryTrace, MQOTEL_TRACE_QMGR)
        .For(kLM | kRemoteBit)
        .Zos(),
    KeptChoice<Q>(MQIA_OTEL_PROPAGATION_CONTROL, "OTELPCTL", kTelemetryPropagation,
                  MQOTEL_PCTL_QMGR)
        .For(kLM | kRemoteBit)
        .Zos(),
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
