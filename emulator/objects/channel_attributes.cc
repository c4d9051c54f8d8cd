// The channel attribute table: server-connection, sender and receiver
// channels in one table, each row saying which of the types have the
// attribute, in the order IBM MQ reports them. The values of a new channel
// come from the default channel of its type (SYSTEM.DEF.SVRCONN, ...), whose
// values are the rows' defaults but where a type's default differs.
#include "objects/attribute_tables.h"
#include "objects/value_names.h"
#include "pcf/pcf_format.h"
#include "qmgr/channel.h"

namespace mqemu::objects {
namespace {

constexpr ValueName kTransport[] = {
    {"LU62", MQXPT_LU62}, {"TCP", MQXPT_TCP}, {"NETBIOS", MQXPT_NETBIOS}, {"SPX", MQXPT_SPX}};
constexpr ValueName kPutAuthority[] = {{"DEF", MQPA_DEFAULT}, {"CTX", MQPA_CONTEXT}};
constexpr ValueName kConversion[] = {{"NO", MQCDC_NO_SENDER_CONVERSION},
                                     {"YES", MQCDC_SENDER_CONVERSION}};
constexpr ValueName kMcaType[] = {{"PROCESS", MQMCAT_PROCESS}, {"THREAD", MQMCAT_THREAD}};
constexpr ValueName kSpeed[] = {{"FAST", MQNPMS_FAST}, {"NORMAL", MQNPMS_NORMAL}};
constexpr ValueName kKeepAlive[] = {{"AUTO", MQKAI_AUTO}};
constexpr ValueName kClientAuth[] = {{"REQUIRED", MQSCA_REQUIRED}, {"OPTIONAL", MQSCA_OPTIONAL}};
constexpr ValueName kUseDeadLetterQueue[] = {{"NO", MQUSEDLQ_NO}, {"YES", MQUSEDLQ_YES}};
constexpr ValueName kHeaderCompression[] = {{"NONE", MQCOMPRESS_NONE},
                                            {"SYSTEM", MQCOMPRESS_SYSTEM}};
constexpr ValueName kMessageCompression[] = {{"NONE", MQCOMPRESS_NONE},
                                             {"RLE", MQCOMPRESS_RLE},
                                             {"ZLIBFAST", MQCOMPRESS_ZLIBFAST},
                                             {"ZLIBHIGH", MQCOMPRESS_ZLIBHIGH},
                                             {"ANY", MQCOMPRESS_ANY}};
constexpr ValueName kPropertyControl[] = {
    {"COMPAT", MQPROP_COMPATIBILITY}, {"NONE", MQPROP_NONE}, {"ALL", MQPROP_ALL}};
// The types themselves, as DEFINE CHANNEL's CHLTYPE names them.
constexpr ValueName kChannelType[] = {
    {"SDR", MQCHT_SENDER}, {"RCVR", MQCHT_RECEIVER}, {"SVRCONN", MQCHT_SVRCONN}};

using C = ChannelDefinition;
constexpr unsigned kAll = kChannelBits;
constexpr unsigned kSdr = kSenderBit;
constexpr unsigned kRcvr = kReceiverBit;
constexpr unsigned kMessage = kSenderBit | kReceiverBit;  // the message channels
constexpr unsigned kSvr = kSvrconnBit;

constexpr ChannelRow kRows[] = {
    Text(MQCACH_CHANNEL_NAME, "", &C::name, MQ_CHANNEL_NAME_LENGTH).Inquire(kAll).Always(),
    Choice(MQIACH_CHANNEL_TYPE, "", &C::type, kChannelType).Inquire(kAll).Always(),
    KeptChoice<C>(MQIACH_XMIT_PROTOCOL_TYPE, "TRPTYPE", kTransport, MQXPT_TCP).For(kAll),
    KeptText<C>(MQCACH_DESC, "DESCR", MQ_CHANNEL_DESC_LENGTH).For(kAll),
    KeptText<C>(MQCACH_MODE_NAME, "MODENAME", MQ_MODE_NAME_LENGTH).For(kSdr),
    KeptText<C>(MQCACH_TP_NAME, "TPNAME", MQ_TP_NAME_LENGTH).For(kSdr),
    KeptText<C>(MQCACH_XMIT_Q_NAME, "XMITQ", MQ_Q_NAME_LENGTH).For(kSdr).Names(Rule::kOptionalName),
    KeptText<C>(MQCACH_CONNECTION_NAME, "CONNAME", MQ_CONN_NAME_LENGTH).For(kSdr),
    Kept<C>(MQIACH_BATCH_SIZE, "BATCHSZ", 1, 9999, 50).For(kMessage),
    Kept<C>(MQIACH_DISC_INTERVAL, "DISCINT", 0, 999999, 6000).For(kSdr | kSvr),
    Kept<C>(MQIACH_SHORT_TIMER, "SHORTTMR", 0, kMaxCount, 60).For(kSdr),
    Kept<C>(MQIACH_SHORT_RETRY, "SHORTRTY", 0, kMaxCount, 10).For(kSdr),
    Kept<C>(MQIACH_LONG_TIMER, "LONGTMR", 0, kMaxCount, 1200).For(kSdr),
    Kept<C>(MQIACH_LONG_RETRY, "LONGRTY", 0, kMaxCount, kMaxCount).For(kSdr),
    KeptChoice<C>(MQIACH_PUT_AUTHORITY, "PUTAUT", kPutAuthority, MQPA_DEFAULT).For(kRcvr),
    Kept<C>(MQIACH_SEQUENCE_NUMBER_WRAP, "SEQWRAP", 100, kMaxCount, kMaxCount).For(kMessage),
    Kept<C>(MQIACH_MAX_MSG_LENGTH, "MAXMSGL", 0, 104857600, 4194304).For(kAll),
    KeptChoice<C>(MQIACH_DATA_CONVERSION, "CONVERT", kConversion, MQCDC_NO_SENDER_CONVERSION)
        .For(kSdr),
    KeptChoice<C>(MQIACH_MCA_TYPE, "MCATYPE", kMcaType, MQMCAT_PROCESS).For(kSdr),
    KeptText<C>(MQCACH_MCA_USER_ID, "MCAUSER", MQ_MAX_MCA_USER_ID_LENGTH).For(kAll),
    Kept<C>(MQIACH_MR_COUNT, "MRRTY", 0, kMaxCount, 10).For(kRcvr),
    Kept<C>(MQIACH_MR_INTERVAL, "MRTMR", 0, kMaxCount, 1000).For(kRcvr),
    Kept<C>(MQIACH_HB_INTERVAL, "HBINT", 0, 999999, 300).For(kAll),
    Kept<C>(MQIACH_BATCH_INTERVAL, "BATCHINT", 0, kMaxCount, 0).For(kSdr),
    KeptChoice<C>(MQIACH_NPM_SPEED, "NPMSPEED", kSpeed, MQNPMS_FAST).For(kMessage),
    KeptText<C>(MQCACH_SSL_CIPHER_SPEC, "SSLCIPH", MQ_SSL_CIPHER_SPEC_LENGTH).For(kAll),
    KeptText<C>(MQCACH_SSL_PEER_NAME, "SSLPEER", MQ_SSL_PEER_NAME_LENGTH).For(kAll),
    // KAINT is AUTO or a number of seconds.
    KeptChoice<C>(MQIACH_KEEP_ALIVE_INTERVAL, "KAINT", kKeepAlive, MQKAI_AUTO)
        .MqscNumbers(0, 99999)
        .Range(MQKAI_AUTO, 99999)
        .For(kAll),
    Kept<C>(MQIACH_BATCH_HB, "BATCHHB", 0, 999999, 0).For(kSdr),
    KeptChoice<C>(MQIACH_SSL_CLIENT_AUTH, "SSLCAUTH", kClientAuth, MQSCA_REQUIRED)
        .For(kRcvr | kSvr),
    KeptText<C>(MQCACH_LOCAL_ADDRESS, "LOCLADDR", MQ_LOCAL_ADDRESS_LENGTH).For(kSdr),
    KeptChoice<C>(MQIACH_HDR_COMPRESSION, "COMPHDR", kHeaderCompression, MQCOMPRESS_NONE)
        .AsList()
        .For(kAll),
    KeptChoice<C>(MQIACH_MSG_COMPRESSION, "COMPMSG", kMessageCompression, MQCOMPRESS_NONE)
        .AsList()
        .For(kAll),
    KeptChoice<C>(MQIA_MONITORING_CHANNEL, "MONCHL", kMonitoringOrQMgr, MQMON_Q_MGR).For(kAll),
    KeptChoice<C>(MQIA_STATISTICS_CHANNEL, "STATCHL", kMonitoringOrQMgr, MQMON_Q_MGR).For(kMessage),
    Kept<C>(MQIACH_SHARING_CONVERSATIONS, "SHARECNV", 0, kMaxCount, 10).For(kSvr),
    KeptChoice<C>(MQIA_PROPERTY_CONTROL, "PROPCTL", kPropertyControl, MQPROP_COMPATIBILITY)
        .For(kSdr),
    Kept<C>(MQIACH_MAX_INSTANCES, "MAXINST", 0, kMaxCount, kMaxCount).For(kSvr),
    Kept<C>(MQIACH_MAX_INSTS_PER_CLIENT, "MAXINSTC", 0, kMaxCount, kMaxCount).For(kSvr),
    KeptChoice<C>(MQIA_USE_DEAD_LETTER_Q, "USEDLQ", kUseDeadLetterQueue, MQUSEDLQ_YES)
        .For(kMessage),
    Kept<C>(MQIACH_BATCH_DATA_LIMIT, "BATCHLIM", 0, 999999, 5000).For(kSdr),
    KeptText<C>(MQCA_CERT_LABEL, "CERTLABL", MQ_CERT_LABEL_LENGTH).For(kAll),
    Text(MQCA_ALTERATION_DATE, "ALTDATE", &C::alteration_date, MQ_DATE_LENGTH).Inquire(kAll),
    Text(MQCA_ALTERATION_TIME, "ALTTIME", &C::alteration_time, MQ_TIME_LENGTH).Inquire(kAll),
};

constexpr auto kKeywords = KeywordTable<KeywordCount(kRows)>(kRows);

}  // namespace

Rows<ChannelDefinition> ChannelRows() {
  return kRows;
}

std::span<const Keyword> ChannelKeywords() {
  return kKeywords;
}

std::span<const ValueName> ChannelTypeNames() {
  return kChannelType;
}

}  // namespace mqemu::objects
