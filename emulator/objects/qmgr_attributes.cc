// The queue manager attribute table: every attribute that IBM MQ 9.4
// reports for a queue manager, on the distributed platforms and on z/OS, in
// the order IBM MQ reports them. Those kept only to be reported (events,
// clustering, channels, TLS, publish/subscribe, statistics, accounting,
// monitoring, media recovery, the z/OS channel initiator and queue-sharing
// group) have no behaviour here.
#include "objects/attribute_tables.h"
#include "objects/value_names.h"
#include "qmgr/channel.h"
#include "qmgr/queue_manager.h"

#include "protocol/frame.h"

namespace mqemu::objects {
namespace {

constexpr ValueName kPlatform[] = {{"ZOS", MQPL_ZOS},     {"UNIX", MQPL_UNIX},
                                   {"OS400", MQPL_OS400}, {"WINDOWSNT", MQPL_WINDOWS_NT},
                                   {"NSK", MQPL_NSK},     {"APPLIANCE", MQPL_APPLIANCE}};
constexpr ValueName kSyncpoint[] = {{"SYNCPT", MQSP_AVAILABLE}, {"", MQSP_NOT_AVAILABLE}};
constexpr ValueName kChannelEvent[] = {
    {"DISABLED", MQEVR_DISABLED}, {"ENABLED", MQEVR_ENABLED}, {"EXCEPTION", MQEVR_EXCEPTION}};
constexpr ValueName kCommandEvent[] = {
    {"DISABLED", MQEVR_DISABLED}, {"ENABLED", MQEVR_ENABLED}, {"NODISPLAY", MQEVR_NO_DISPLAY}};
constexpr ValueName kIpVersion[] = {{"IPV4", MQIPADDR_IPV4}, {"IPV6", MQIPADDR_IPV6}};
constexpr ValueName kServiceControl[] = {{"QMGR", MQSVC_CONTROL_Q_MGR},
                                         {"MANUAL", MQSVC_CONTROL_MANUAL}};
constexpr ValueName kAnyOrLocal[] = {{"ANY", MQCLWL_USEQ_ANY}, {"LOCAL", MQCLWL_USEQ_LOCAL}};
constexpr ValueName kNoneOffOn[] = {{"NONE", MQMON_NONE}, {"OFF", MQMON_OFF}, {"ON", MQMON_ON}};
constexpr ValueName kRecording[] = {
    {"DISABLED", MQRECORDING_DISABLED}, {"QUEUE", MQRECORDING_Q}, {"MSG", MQRECORDING_MSG}};
constexpr ValueName kPubSubMode[] = {
    {"COMPAT", MQPSM_COMPAT}, {"DISABLED", MQPSM_DISABLED}, {"ENABLED", MQPSM_ENABLED}};
constexpr ValueName kUndeliveredInput[] = {{"DISCARD", MQUNDELIVERED_DISCARD},
                                           {"KEEP", MQUNDELIVERED_KEEP}};
constexpr ValueName kUndeliveredResponse[] = {{"NORMAL", MQUNDELIVERED_NORMAL},
                                              {"SAFE", MQUNDELIVERED_SAFE},
                                              {"DISCARD", MQUNDELIVERED_DISCARD},
                                              {"KEEP", MQUNDELIVERED_KEEP}};
constexpr ValueName kPubSubSyncpoint[] = {{"IFPER", MQSYNCPOINT_IFPER}, {"YES", MQSYNCPOINT_YES}};
constexpr ValueName kNoLimit[] = {{"NOLIMIT", -1}};
constexpr ValueName kClusterXmitQueue[] = {{"SCTQ", MQCLXQ_SCTQ}, {"CHANNEL", MQCLXQ_CHANNEL}};
constexpr ValueName kSuiteB[] = {
    {"NONE", MQ_SUITE_B_NONE}, {"128_BIT", MQ_SUITE_B_128_BIT}, {"192_BIT", MQ_SUITE_B_192_BIT}};
constexpr ValueName kCertificatePolicy[] = {{"ANY", MQ_CERT_VAL_POLICY_ANY},
                                            {"RFC5280", MQ_CERT_VAL_POLICY_RFC5280}};
constexpr ValueName kReverseDns[] = {{"ENABLED", MQRDNS_ENABLED}, {"DISABLED", MQRDNS_DISABLED}};
constexpr ValueName kOff[] = {{"OFF", 0}};
constexpr ValueName kImageSchedule[] = {{"MANUAL", MQMEDIMGSCHED_MANUAL},
                                        {"AUTO", MQMEDIMGSCHED_AUTO}};
constexpr ValueName kTelemetryTrace[] = {
    {"OFF", MQOTEL_TRACE_OFF}, {"ON", MQOTEL_TRACE_ON}, {"NONE", MQOTEL_TRACE_NONE}};
constexpr ValueName kTelemetryPropagation[] = {{"MANUAL", MQOTEL_PCTL_MANUAL},
                                               {"AUTO", MQOTEL_PCTL_AUTO}};
// z/OS: the channel initiator and the queue-sharing group.
constexpr ValueName kAdoptCheck[] = {{"ALL", MQADOPT_CHECK_ALL},
                                     {"NETADDR", MQADOPT_CHECK_NET_ADDR},
                                     {"NONE", MQADOPT_CHECK_NONE},
                                     {"QMNAME", MQADOPT_CHECK_Q_MGR_NAME}};
constexpr ValueName kAdoptType[] = {{"NO", MQADOPT_TYPE_NO}, {"ALL", MQADOPT_TYPE_ALL}};
constexpr ValueName kConnectionLoss[] = {{"TERMINATE", MQCFCONLOS_TERMINATE},
                                         {"TOLERATE", MQCFCONLOS_TOLERATE}};
constexpr ValueName kGroupPutAuthority[] = {{"DEF", MQIGQPA_DEFAULT},
                                            {"CTX", MQIGQPA_CONTEXT},
                                            {"ONLYIGQ", MQIGQPA_ONLY_IGQ},
                                            {"ALTIGQ", MQIGQPA_ALTERNATE_OR_IGQ}};
constexpr ValueName kReceiveTimeoutType[] = {
    {"MULTIPLY", MQRCVTIME_MULTIPLY}, {"ADD", MQRCVTIME_ADD}, {"EQUAL", MQRCVTIME_EQUAL}};
constexpr ValueName kSecurityCase[] = {{"UPPER", MQSCYC_UPPER}, {"MIXED", MQSCYC_MIXED}};
constexpr ValueName kSharedQueueQMgr[] = {{"USE", MQSQQM_USE}, {"IGNORE", MQSQQM_IGNORE}};
constexpr ValueName kTcpStack[] = {{"SINGLE", MQTCPSTACK_SINGLE},
                                   {"MULTIPLE", MQTCPSTACK_MULTIPLE}};

using M = QueueManager;
constexpr unsigned kM = kQMgrBit;

AttributeValue MaxPriority(const M&) {
  return NumberValue(9);
}
AttributeValue Syncpoint(const M&) {
  return NumberValue(MQSP_AVAILABLE);
}
// Secrets are reported as asterisks once given, as blanks before.
AttributeValue Secret(const M& qm, MQLONG selector, MQLONG length) {
  auto it = qm.kept.texts.find(selector);
  return TextValue(it == qm.kept.texts.end() || it->second.empty() ? "" : "********", length);
}
AttributeValue InitialKey(const M& qm) {
  return Secret(qm, MQCA_INITIAL_KEY, MQ_INITIAL_KEY_LENGTH);
}
AttributeValue KeyRepositoryPassword(const M& qm) {
  return Secret(qm, MQCA_SSL_KEY_REPO_PASSWORD, MQ_SSL_KEY_REPO_PWD_LEN);
}
AttributeValue Identifier(const M& qm) {
  return TextValue(qm.name + "_" + qm.creation_date + "_" + qm.creation_time,
                   MQ_Q_MGR_IDENTIFIER_LENGTH);
}

constexpr QueueManagerRow kRows[] = {
    Text(MQCA_Q_MGR_NAME, "", &M::name, MQ_Q_MGR_NAME_LENGTH).Inquire(kM).Always(),
    Text(MQCA_Q_MGR_DESC, "DESCR", &M::description, MQ_Q_MGR_DESC_LENGTH).For(kM),
    Choice(MQIA_PLATFORM, "PLATFORM", &M::platform, kPlatform).Inquire(kM),
    Number(MQIA_COMMAND_LEVEL, "CMDLEVEL", &M::command_level, 0, kMaxCount).Inquire(kM),
    Kept<M>(MQIA_TRIGGER_INTERVAL, "TRIGINT", 0, kMaxCount, kMaxCount).For(kM),
    Text(MQCA_DEAD_LETTER_Q_NAME, "DEADQ", &M::dead_letter_queue, MQ_Q_NAME_LENGTH)
        .For(kM)
        .Names(Rule::kOptionalName),
    Number(MQIA_MAX_HANDLES, "MAXHANDS", &M::max_handles, 1, kMaxCount).For(kM),
    Number(MQIA_CODED_CHAR_SET_ID, "CCSID", &M::ccsid, 0, 65535).Inquire(kM),
    Number(MQIA_MAX_MSG_LENGTH, "MAXMSGL", &M::max_msg_length, 32768, kMaxMessageLength)
        .Inquire(kM)
        .Set(kM)
        .ValueError(MQRCCF_MAX_MSG_LENGTH_ERROR),
    Number<M>(MQIA_MAX_PRIORITY, "MAXPRTY", nullptr, 0, 9).Computed(MaxPriority).Inquire(kM),
    Text(MQCA_COMMAND_INPUT_Q_NAME, "COMMANDQ", &M::command_queue, MQ_Q_NAME_LENGTH).Inquire(kM),
    Flag<M>(MQIA_SYNCPOINT, nullptr, kSyncpoint).Computed(Syncpoint).Inquire(kM),
    Kept<M>(MQIA_MAX_UNCOMMITTED_MSGS, "MAXUMSGS", 1, kMaxCount, 10000).For(kM),
    KeptChoice<M>(MQIA_DIST_LISTS, "DISTL", kNoYes, MQDL_SUPPORTED).Inquire(kM).Distributed(),
    KeptText<M>(MQCA_DEF_XMIT_Q_NAME, "DEFXMITQ", MQ_Q_NAME_LENGTH)
        .For(kM)
        .Names(Rule::kOptionalName),
    // Instrumentation events.
    KeptChoice<M>(MQIA_AUTHORITY_EVENT, "AUTHOREV", kDisabledEnabled, MQEVR_DISABLED).For(kM),
    KeptChoice<M>(MQIA_INHIBIT_EVENT, "INHIBTEV", kDisabledEnabled, MQEVR_DISABLED).For(kM),
    KeptChoice<M>(MQIA_LOCAL_EVENT, "LOCALEV", kDisabledEnabled, MQEVR_DISABLED).For(kM),
    KeptChoice<M>(MQIA_REMOTE_EVENT, "REMOTEEV", kDisabledEnabled, MQEVR_DISABLED).For(kM),
    KeptChoice<M>(MQIA_START_STOP_EVENT, "STRSTPEV", kDisabledEnabled, MQEVR_ENABLED).For(kM),
    KeptChoice<M>(MQIA_PERFORMANCE_EVENT, "PERFMEV", kDisabledEnabled, MQEVR_DISABLED).For(kM),
    // Channels defined automatically, and clusters.
    KeptChoice<M>(MQIA_CHANNEL_AUTO_DEF, "CHAD", kDisabledEnabled, MQCHAD_DISABLED).For(kM),
    KeptChoice<M>(MQIA_CHANNEL_AUTO_DEF_EVENT, "CHADEV", kDisabledEnabled, MQEVR_DISABLED).For(kM),
    KeptText<M>(MQCA_CHANNEL_AUTO_DEF_EXIT, "CHADEXIT", MQ_EXIT_NAME_LENGTH).For(kM),
    KeptText<M>(MQCA_CLUSTER_WORKLOAD_EXIT, "CLWLEXIT", MQ_EXIT_NAME_LENGTH).For(kM),
    KeptText<M>(MQCA_CLUSTER_WORKLOAD_DATA, "CLWLDATA", MQ_EXIT_DATA_LENGTH).For(kM),
    Kept<M>(MQIA_CLUSTER_WORKLOAD_LENGTH, "CLWLLEN", 0, kMaxCount, 100).For(kM),
    KeptText<M>(MQCA_REPOSITORY_NAME, "REPOS", MQ_CLUSTER_NAME_LENGTH)
        .For(kM)
        .Names(Rule::kOptionalName),
    KeptText<M>(MQCA_REPOSITORY_NAMELIST, "REPOSNL", MQ_NAMELIST_NAME_LENGTH)
        .For(kM)
        .Names(Rule::kOptionalName),
    Text<M>(MQCA_Q_MGR_IDENTIFIER, "QMID", nullptr, MQ_Q_MGR_IDENTIFIER_LENGTH)
        .Computed(Identifier)
        .Inquire(kM),
    // TLS, and the events of configuration, channels and commands.
    KeptText<M>(MQCA_SSL_KEY_REPOSITORY, "SSLKEYR", MQ_SSL_KEY_REPOSITORY_LENGTH).For(kM),
    KeptText<M>(MQCA_SSL_KEY_REPO_PASSWORD, "KEYRPWD", MQ_SSL_KEY_REPO_PWD_LEN)
        .Computed(KeyRepositoryPassword)
        .For(kM)
        .Distributed()
        .SortedAs("SSLKEY"),
    KeptText<M>(MQCA_INITIAL_KEY, "INITKEY", MQ_INITIAL_KEY_LENGTH)
        .Computed(InitialKey)
        .For(kM)
        .Distributed(),
    KeptText<M>(MQCA_SSL_CRL_NAMELIST, "SSLCRLNL", MQ_NAMELIST_NAME_LENGTH)
        .For(kM)
        .Names(Rule::kOptionalName),
    KeptText<M>(MQCA_SSL_CRYPTO_HARDWARE, "SSLCRYP", MQ_SSL_CRYPTO_HARDWARE_LENGTH)
        .For(kM)
        .Distributed(),
    Kept<M>(MQIA_SSL_TASKS, "SSLTASKS", 0, 9999, 0).For(kM).Zos(),
    KeptChoice<M>(MQIA_CONFIGURATION_EVENT, "CONFIGEV", kDisabledEnabled, MQEVR_DISABLED).For(kM),
    KeptChoice<M>(MQIA_CHANNEL_EVENT, "CHLEV", kChannelEvent, MQEVR_DISABLED)
        .For(kM)
        .SortedAs("CHLA"),
    KeptChoice<M>(MQIA_SSL_EVENT, "SSLEV", kDisabledEnabled, MQEVR_DISABLED).For(kM),
    KeptChoice<M>(MQIA_COMMAND_EVENT, "CMDEV", kCommandEvent, MQEVR_DISABLED).For(kM),
    Kept<M>(MQIA_SSL_RESET_COUNT, "SSLRKEYC", 0, kMaxCount, 0).For(kM),
    KeptChoice<M>(MQIA_SSL_FIPS_REQUIRED, "SSLFIPS", kNoYes, MQSSL_FIPS_NO).For(kM),
    KeptChoice<M>(MQIA_IP_ADDRESS_VERSION, "IPADDRV", kIpVersion, MQIPADDR_IPV4).For(kM),
    KeptChoice<M>(MQIA_LOGGER_EVENT, "LOGGEREV", kDisabledEnabled, MQEVR_DISABLED)
        .For(kM)
        .Distributed(),
    KeptChoice<M>(MQIA_CHINIT_CONTROL, "SCHINIT", kServiceControl, MQSVC_CONTROL_Q_MGR)
        .For(kM)
        .Distributed(),
    KeptChoice<M>(MQIA_CMD_SERVER_CONTROL, "SCMDSERV", kServiceControl, MQSVC_CONTROL_Q_MGR)
        .For(kM)
        .Distributed(),
    Kept<M>(MQIA_CLWL_MRU_CHANNELS, "CLWLMRUC", 1, kMaxCount, kMaxCount).For(kM),
    KeptChoice<M>(MQIA_CLWL_USEQ, "CLWLUSEQ", kAnyOrLocal, MQCLWL_USEQ_LOCAL).For(kM),
    // Monitoring, statistics and accounting.
    KeptChoice<M>(MQIA_MONITORING_CHANNEL, "MONCHL", kMonitoringOrNone, MQMON_OFF).For(kM),
    KeptChoice<M>(MQIA_MONITORING_Q, "MONQ", kMonitoringOrNone, MQMON_OFF).For(kM),
    KeptChoice<M>(MQIA_MONITORING_AUTO_CLUSSDR, "MONACLS", kMonitoringOrQMgr, MQMON_Q_MGR).For(kM),
    KeptChoice<M>(MQIA_STATISTICS_MQI, "STATMQI", kOffOn, MQMON_OFF).For(kM).Distributed(),
    KeptChoice<M>(MQIA_STATISTICS_Q, "STATQ", kNoneOffOn, MQMON_OFF).For(kM).Distributed(),
    KeptChoice<M>(MQIA_STATISTICS_CHANNEL, "STATCHL", kMonitoringOrNone, MQMON_OFF).For(kM),
    KeptChoice<M>(MQIA_STATISTICS_AUTO_CLUSSDR, "STATACLS", kMonitoringOrQMgr, MQMON_Q_MGR).For(kM),
    Kept<M>(MQIA_STATISTICS_INTERVAL, "STATINT", 1, 604800, 1800).For(kM).Distributed(),
    KeptChoice<M>(MQIA_ACCOUNTING_MQI, "ACCTMQI", kOffOn, MQMON_OFF).For(kM).Distributed(),
    KeptChoice<M>(MQIA_ACCOUNTING_Q, "ACCTQ", kNoneOffOn, MQMON_OFF).For(kM),
    Kept<M>(MQIA_ACCOUNTING_INTERVAL, "ACCTINT", 1, 604800, 1800).For(kM).Distributed(),
    KeptChoice<M>(MQIA_ACCOUNTING_CONN_OVERRIDE, "ACCTCONO", kDisabledEnabled, MQMON_DISABLED)
        .For(kM)
        .Distributed(),
    KeptChoice<M>(MQIA_TRACE_ROUTE_RECORDING, "ROUTEREC", kRecording, MQRECORDING_MSG).For(kM),
    KeptChoice<M>(MQIA_ACTIVITY_RECORDING, "ACTIVREC", kRecording, MQRECORDING_MSG).For(kM),
    Text(MQCA_CREATION_DATE, "CRDATE", &M::creation_date, MQ_DATE_LENGTH).Inquire(kM).Distributed(),
    Text(MQCA_CREATION_TIME, "CRTIME", &M::creation_time, MQ_TIME_LENGTH).Inquire(kM).Distributed(),
    Text(MQCA_ALTERATION_DATE, "ALTDATE", &M::alteration_date, MQ_DATE_LENGTH).Inquire(kM),
    Text(MQCA_ALTERATION_TIME, "ALTTIME", &M::alteration_time, MQ_TIME_LENGTH).Inquire(kM),
    // Publish/subscribe.
    KeptChoice<M>(MQIA_PUBSUB_MODE, "PSMODE", kPubSubMode, MQPSM_ENABLED).For(kM).SortedAs("PSC"),
    Kept<M>(MQIA_PUBSUB_MAXMSG_RETRY_COUNT, "PSRTYCNT", 0, kMaxCount, 5).For(kM),
    KeptChoice<M>(MQIA_PUBSUB_NP_MSG, "PSNPMSG", kUndeliveredInput, MQUNDELIVERED_DISCARD).For(kM),
    KeptChoice<M>(MQIA_PUBSUB_NP_RESP, "PSNPRES", kUndeliveredResponse, MQUNDELIVERED_NORMAL)
        .For(kM),
    KeptChoice<M>(MQIA_PUBSUB_SYNC_PT, "PSSYNCPT", kPubSubSyncpoint, MQSYNCPOINT_IFPER).For(kM),
    KeptText<M>(MQCA_PARENT, "PARENT", MQ_Q_MGR_NAME_LENGTH)
        .For(kM)
        .Names(Rule::kOptionalName)
        .Distributed(),
    Kept<M>(MQIA_TREE_LIFE_TIME, "TREELIFE", 0, 604000, 1800).For(kM),
    // Later releases: browse marks, properties, cluster transmission
    // queues, application activity, channel authentication.
    KeptChoice<M>(MQIA_MSG_MARK_BROWSE_INTERVAL, "MARKINT", kNoLimit, 5000)
        .MqscNumbers(0, kMaxCount)
        .For(kM),
    KeptChoice<M>(MQIA_MAX_PROPERTIES_LENGTH, "MAXPROPL", kNoLimit, -1)
        .MqscNumbers(0, kMaxMessageLength)
        .For(kM),
    KeptChoice<M>(MQIA_DEF_CLUSTER_XMIT_Q_TYPE, "DEFCLXQ", kClusterXmitQueue, MQCLXQ_SCTQ).For(kM),
    KeptChoice<M>(MQIA_ACTIVITY_CONN_OVERRIDE, "ACTVCONO", kDisabledEnabled, MQMON_DISABLED)
        .For(kM)
        .Distributed(),
    KeptChoice<M>(MQIA_ACTIVITY_TRACE, "ACTVTRC", kOffOn, MQMON_OFF).For(kM).Distributed(),
    KeptChoice<M>(MQIA_CHLAUTH_RECORDS, "CHLAUTH", kDisabledEnabled, MQCHLA_ENABLED).For(kM),
    KeptChoice<M>(MQIA_PUBSUB_CLUSTER, "PSCLUS", kDisabledEnabled, MQPSCLUS_ENABLED).For(kM),
    // Security: TLS policies, certificates, connection authentication.
    KeptChoice<M>(MQIA_SUITE_B_STRENGTH, "SUITEB", kSuiteB, MQ_SUITE_B_NONE).For(kM).AsList(),
    KeptChoice<M>(MQIA_CERT_VAL_POLICY, "CERTVPOL", kCertificatePolicy, MQ_CERT_VAL_POLICY_ANY)
        .For(kM),
    KeptText<M>(MQCA_CERT_LABEL, "CERTLABL", MQ_CERT_LABEL_LENGTH).For(kM),
    KeptText<M>(MQCA_CONN_AUTH, "CONNAUTH", MQ_AUTH_INFO_NAME_LENGTH)
        .For(kM)
        .Names(Rule::kOptionalName),
    KeptChoice<M>(MQIA_REVERSE_DNS_LOOKUP, "REVDNS", kReverseDns, MQRDNS_ENABLED).For(kM),
    KeptText<M>(MQCA_CUSTOM, "CUSTOM", MQ_CUSTOM_LENGTH).For(kM),
    // What this installation can do, and its version.
    KeptChoice<M>(MQIA_ADVANCED_CAPABILITY, "ADVCAP", kDisabledEnabled, MQCAP_NOT_SUPPORTED)
        .Inquire(kM),
    KeptChoice<M>(MQIA_AMQP_CAPABILITY, "AMQPCAP", kNoYes, MQCAP_NOT_SUPPORTED)
        .Inquire(kM)
        .Distributed(),
    KeptChoice<M>(MQIA_PROT_POLICY_CAPABILITY, "SPLCAP", kDisabledEnabled, MQCAP_NOT_SUPPORTED)
        .Inquire(kM),
    KeptChoice<M>(MQIA_XR_CAPABILITY, "XRCAP", kNoYes, MQCAP_NOT_SUPPORTED)
        .Inquire(kM)
        .Distributed(),
    KeptText<M>(MQCA_VERSION, "VERSION", MQ_VERSION_LENGTH, "09040000").Inquire(kM),
    // Media images for recovery of linear logs.
    KeptChoice<M>(MQIA_MEDIA_IMAGE_INTERVAL, "IMGINTVL", kOff, 60)
        .MqscNumbers(1, kMaxCount)
        .For(kM)
        .Distributed(),
    KeptChoice<M>(MQIA_MEDIA_IMAGE_LOG_LENGTH, "IMGLOGLN", kOff, MQMEDIMGLOGLN_OFF)
        .MqscNumbers(1, kMaxCount)
        .For(kM)
        .Distributed(),
    KeptChoice<M>(MQIA_MEDIA_IMAGE_RECOVER_OBJ, "IMGRCOVO", kNoYes, MQIMGRCOV_YES)
        .For(kM)
        .Distributed(),
    KeptChoice<M>(MQIA_MEDIA_IMAGE_RECOVER_Q, "IMGRCOVQ", kNoYes, MQIMGRCOV_YES)
        .For(kM)
        .Distributed(),
    KeptChoice<M>(MQIA_MEDIA_IMAGE_SCHEDULING, "IMGSCHED", kImageSchedule, MQMEDIMGSCHED_MANUAL)
        .For(kM)
        .Distributed(),
    // z/OS only: the queue-sharing group, the level of the common
    // programming interface (reserved, always 100), the channel initiator,
    // its networks and the queue manager's own tasks.
    KeptText<M>(MQCA_QSG_NAME, "QSGNAME", MQ_QSG_NAME_LENGTH).Inquire(kM).Zos(),
    Kept<M>(MQIA_CPI_LEVEL, "CPILEVEL", 0, kMaxCount, 100).Inquire(kM).Zos(),
    KeptChoice<M>(MQIA_ADOPTNEWMCA_CHECK, "ADOPTCHK", kAdoptCheck, MQADOPT_CHECK_ALL).For(kM).Zos(),
    // A list of channel types in PCF; z/OS knows only all or none.
    KeptChoice<M>(MQIA_ADOPTNEWMCA_TYPE, "ADOPTMCA", kAdoptType, MQADOPT_TYPE_ALL)
        .For(kM)
        .Zos()
        .AsList(),
    KeptChoice<M>(MQIA_BRIDGE_EVENT, "BRIDGEEV", kDisabledEnabled, MQEVR_DISABLED).For(kM).Zos(),
    KeptChoice<M>(MQIA_QMGR_CFCONLOS, "CFCONLOS", kConnectionLoss, MQCFCONLOS_TOLERATE)
        .For(kM)
        .Zos(),
    Kept<M>(MQIA_CHINIT_ADAPTERS, "CHIADAPS", 0, 9999, 8).For(kM).Zos(),
    Kept<M>(MQIA_CHINIT_DISPATCHERS, "CHIDISPS", 1, 9999, 5).For(kM).Zos(),
    KeptText<M>(MQCA_CHINIT_SERVICE_PARM, "CHISERVP", MQ_CHINIT_SERVICE_PARM_LENGTH).For(kM).Zos(),
    KeptChoice<M>(MQIA_CHINIT_TRACE_AUTO_START, "TRAXSTR", kNoYes, MQTRAXSTR_YES).For(kM).Zos(),
    Kept<M>(MQIA_CHINIT_TRACE_TABLE_SIZE, "TRAXTBL", 2, 2048, 2).For(kM).Zos(),
    KeptText<M>(MQCA_DNS_GROUP, "DNSGROUP", MQ_DNS_GROUP_NAME_LENGTH).For(kM).Zos(),
    KeptChoice<M>(MQIA_DNS_WLM, "DNSWLM", kNoYes, MQDNSWLM_NO).For(kM).Zos(),
    KeptChoice<M>(MQIA_EXPIRY_INTERVAL, "EXPRYINT", kOff, MQEXPI_OFF)
        .MqscNumbers(1, 99999999)
        .For(kM)
        .Zos(),
    KeptChoice<M>(MQIA_GROUP_UR, "GROUPUR", kDisabledEnabled, MQGUR_DISABLED).For(kM).Zos(),
    KeptChoice<M>(MQIA_IGQ_PUT_AUTHORITY, "IGQAUT", kGroupPutAuthority, MQIGQPA_DEFAULT)
        .For(kM)
        .Zos(),
    KeptText<M>(MQCA_IGQ_USER_ID, "IGQUSER", MQ_USER_ID_LENGTH).For(kM).Zos(),
    KeptChoice<M>(MQIA_INTRA_GROUP_QUEUING, "IGQ", kDisabledEnabled, MQIGQ_DISABLED).For(kM).Zos(),
    Kept<M>(MQIA_LISTENER_TIMER, "LSTRTMR", 5, 9999, 60).For(kM).Zos(),
    KeptText<M>(MQCA_LU_GROUP_NAME, "LUGROUP", MQ_LU_NAME_LENGTH).For(kM).Zos(),
    KeptText<M>(MQCA_LU_NAME, "LUNAME", MQ_LU_NAME_LENGTH).For(kM).Zos(),
    KeptText<M>(MQCA_LU62_ARM_SUFFIX, "LU62ARM", MQ_ARM_SUFFIX_LENGTH).For(kM).Zos(),
    Kept<M>(MQIA_LU62_CHANNELS, "LU62CHL", 0, 9999, 200).For(kM).Zos(),
    Kept<M>(MQIA_ACTIVE_CHANNELS, "ACTCHL", 0, 9999, 200).For(kM).Zos(),
    Kept<M>(MQIA_MAX_CHANNELS, "MAXCHL", 0, 9999, 200).For(kM).Zos(),
    Kept<M>(MQIA_OUTBOUND_PORT_MAX, "OPORTMAX", 0, 65535, 0).For(kM).Zos(),
    Kept<M>(MQIA_OUTBOUND_PORT_MIN, "OPORTMIN", 0, 65535, 0).For(kM).Zos(),
    Kept<M>(MQIA_RECEIVE_TIMEOUT, "RCVTIME", 0, 999999, 0).For(kM).Zos(),
    Kept<M>(MQIA_RECEIVE_TIMEOUT_MIN, "RCVTMIN", 0, 999999, 0).For(kM).Zos(),
    KeptChoice<M>(MQIA_RECEIVE_TIMEOUT_TYPE, "RCVTTYPE", kReceiveTimeoutType, MQRCVTIME_MULTIPLY)
        .For(kM)
        .Zos(),
    KeptChoice<M>(MQIA_SECURITY_CASE, "SCYCASE", kSecurityCase, MQSCYC_UPPER).For(kM).Zos(),
    KeptChoice<M>(MQIA_SHARED_Q_Q_MGR_NAME, "SQQMNAME", kSharedQueueQMgr, MQSQQM_USE).For(kM).Zos(),
    Kept<M>(MQIA_TCP_CHANNELS, "TCPCHL", 0, 9999, 200).For(kM).Zos(),
    KeptChoice<M>(MQIA_TCP_KEEP_ALIVE, "TCPKEEP", kNoYes, MQTCPKEEP_NO).For(kM).Zos(),
    KeptText<M>(MQCA_TCP_NAME, "TCPNAME", MQ_TCP_NAME_LENGTH, "TCPIP").For(kM).Zos(),
    KeptChoice<M>(MQIA_TCP_STACK_TYPE, "TCPSTACK", kTcpStack, MQTCPSTACK_SINGLE).For(kM).Zos(),
    KeptText<M>(MQCA_QSG_CERT_LABEL, "CERTQSGL", MQ_CERT_LABEL_LENGTH).For(kM).Zos(),
    // OpenTelemetry spans and trace propagation.
    KeptChoice<M>(MQIA_OTEL_TRACE, "OTELTRAC", kTelemetryTrace, MQOTEL_TRACE_OFF).For(kM).Zos(),
    KeptChoice<M>(MQIA_OTEL_PROPAGATION_CONTROL, "OTELPCTL", kTelemetryPropagation,
                  MQOTEL_PCTL_AUTO)
        .For(kM)
        .Zos(),
};

constexpr auto kKeywords = KeywordTable<KeywordCount(kRows)>(kRows);

}  // namespace

Rows<QueueManager> QueueManagerRows() {
  return kRows;
}

std::span<const Keyword> QueueManagerKeywords() {
  return kKeywords;
}

bool IsListAttribute(MQLONG selector) {
  const QueueManagerRow* row = FindRow(QueueManagerRows(), selector);
  const ChannelRow* channel_row = FindRow(ChannelRows(), selector);
  return (row && row->list) || (channel_row && channel_row->list);
}

}  // namespace mqemu::objects
