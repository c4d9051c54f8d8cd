// The PCF (Programmable Command Format) wire format as IBM MQ defines it, for
// everything in this project that reads or writes PCF: the agent, the IBM MQ
// stand-in and the clients. IBM's cmqc.h does not carry these; the values are
// those of IBM MQ 9.4.1.1 (cmqcfc.h). The agent's own additions to the format
// are in pcf/agent_format.h.
//
// A PCF message is an MQCFH followed by ParameterCount parameter structures,
// each beginning with Type and StrucLength (the length of the whole
// parameter, padding included). All fields are 32-bit integers in the
// message's encoding (native here: messages are got with MQGMO_CONVERT).
//
//   MQCFH   | Type | StrucLength | Version | Command | MsgSeqNumber | Control
//           | CompCode | Reason | ParameterCount |                  36 bytes
//   MQCFIN  | Type=3  | StrucLength=16 | Parameter | Value |         16 bytes
//   MQCFST  | Type=4  | StrucLength | Parameter | CodedCharSetId
//           | StringLength | String[StringLength] (padded to 4)    20 + n
//   MQCFIL  | Type=5  | StrucLength | Parameter | Count | Values[Count]
//   MQCFSL  | Type=6  | StrucLength | Parameter | CodedCharSetId | Count
//           | StringLength | Strings[Count * StringLength]
//   MQCFBS  | Type=9  | StrucLength | Parameter | StringLength | String[n]
//   MQCFGR  | Type=20 | StrucLength=16 | Parameter | ParameterCount |
//           (the group's ParameterCount parameters follow it)
//   MQCFIN64| Type=23 | StrucLength=24 | Parameter | Reserved | Value (int64)
//   MQCFIL64| Type=25 | StrucLength | Parameter | Count | Values[Count] (int64)
//   MQCFIF  | Type=13 | StrucLength=20 | Parameter | Operator | FilterValue |
//   MQCFSF  | Type=14 | StrucLength | Parameter | Operator | CodedCharSetId
//           | FilterValueLength | FilterValue[FilterValueLength]    24 + n
//   MQCFBF  | Type=15 | StrucLength | Parameter | Operator
//           | FilterValueLength | FilterValue[FilterValueLength]    20 + n
#pragma once

#include <cmqc.h>

#include <cstddef>

struct MQCFH {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Version;
  MQLONG Command;
  MQLONG MsgSeqNumber;
  MQLONG Control;
  MQLONG CompCode;
  MQLONG Reason;
  MQLONG ParameterCount;
};

struct MQCFIN {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG Value;
};

struct MQCFST {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG CodedCharSetId;
  MQLONG StringLength;
  MQCHAR String[1];
};

struct MQCFIL {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG Count;
  MQLONG Values[1];
};

struct MQCFSL {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG CodedCharSetId;
  MQLONG Count;
  MQLONG StringLength;
  MQCHAR Strings[1];
};

struct MQCFBS {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG StringLength;
  MQBYTE String[1];
};

struct MQCFGR {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG ParameterCount;
};

struct MQCFIN64 {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG Reserved;
  MQINT64 Value;
};

struct MQCFIL64 {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG Count;
  MQINT64 Values[1];
};

struct MQCFIF {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG Operator;
  MQLONG FilterValue;
};

struct MQCFSF {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG Operator;
  MQLONG CodedCharSetId;
  MQLONG FilterValueLength;
  MQCHAR FilterValue[4];
};

struct MQCFBF {
  MQLONG Type;
  MQLONG StrucLength;
  MQLONG Parameter;
  MQLONG Operator;
  MQLONG FilterValueLength;
  MQBYTE FilterValue[4];
};

static_assert(sizeof(MQCFH) == 36);
static_assert(sizeof(MQCFIN) == 16);
static_assert(sizeof(MQCFST) == 24 && offsetof(MQCFST, String) == 20);
static_assert(sizeof(MQCFIL) == 20 && offsetof(MQCFIL, Values) == 16);
static_assert(sizeof(MQCFSL) == 28 && offsetof(MQCFSL, Strings) == 24);
static_assert(sizeof(MQCFBS) == 20 && offsetof(MQCFBS, String) == 16);
static_assert(sizeof(MQCFGR) == 16);
static_assert(sizeof(MQCFIN64) == 24 && offsetof(MQCFIN64, Value) == 16);
static_assert(sizeof(MQCFIL64) == 24 && offsetof(MQCFIL64, Values) == 16);
static_assert(sizeof(MQCFIF) == 20);
static_assert(offsetof(MQCFSF, FilterValue) == 24 && offsetof(MQCFBF, FilterValue) == 20);

// Structure types (MQCFH.Type and parameter Type).
constexpr MQLONG MQCFT_NONE = 0;
constexpr MQLONG MQCFT_COMMAND = 1;
constexpr MQLONG MQCFT_RESPONSE = 2;
constexpr MQLONG MQCFT_INTEGER = 3;
constexpr MQLONG MQCFT_STRING = 4;
constexpr MQLONG MQCFT_INTEGER_LIST = 5;
constexpr MQLONG MQCFT_STRING_LIST = 6;
constexpr MQLONG MQCFT_EVENT = 7;
constexpr MQLONG MQCFT_USER = 8;
constexpr MQLONG MQCFT_BYTE_STRING = 9;
constexpr MQLONG MQCFT_REPORT = 12;
constexpr MQLONG MQCFT_INTEGER_FILTER = 13;
constexpr MQLONG MQCFT_STRING_FILTER = 14;
constexpr MQLONG MQCFT_BYTE_STRING_FILTER = 15;
constexpr MQLONG MQCFT_COMMAND_XR = 16;
constexpr MQLONG MQCFT_XR_MSG = 17;
constexpr MQLONG MQCFT_XR_ITEM = 18;
constexpr MQLONG MQCFT_XR_SUMMARY = 19;
constexpr MQLONG MQCFT_GROUP = 20;
constexpr MQLONG MQCFT_STATISTICS = 21;
constexpr MQLONG MQCFT_ACCOUNTING = 22;
constexpr MQLONG MQCFT_INTEGER64 = 23;
constexpr MQLONG MQCFT_INTEGER64_LIST = 25;
constexpr MQLONG MQCFT_STATUS = 27;

// Structure lengths and versions.
constexpr MQLONG MQCFH_STRUC_LENGTH = 36;
constexpr MQLONG MQCFH_VERSION_1 = 1;
constexpr MQLONG MQCFH_VERSION_2 = 2;
constexpr MQLONG MQCFH_VERSION_3 = 3;
constexpr MQLONG MQCFH_CURRENT_VERSION = 3;
constexpr MQLONG MQCFIN_STRUC_LENGTH = 16;
constexpr MQLONG MQCFIN64_STRUC_LENGTH = 24;
constexpr MQLONG MQCFST_STRUC_LENGTH_FIXED = 20;
constexpr MQLONG MQCFIL_STRUC_LENGTH_FIXED = 16;
constexpr MQLONG MQCFIL64_STRUC_LENGTH_FIXED = 16;
constexpr MQLONG MQCFSL_STRUC_LENGTH_FIXED = 24;
constexpr MQLONG MQCFBS_STRUC_LENGTH_FIXED = 16;
constexpr MQLONG MQCFGR_STRUC_LENGTH = 16;
constexpr MQLONG MQCFIF_STRUC_LENGTH = 20;
constexpr MQLONG MQCFSF_STRUC_LENGTH_FIXED = 24;
constexpr MQLONG MQCFBF_STRUC_LENGTH_FIXED = 20;

// The deepest nesting of groups that any reader here follows: a group
// inside this many open groups is refused, by the agent and the tools
// alike, so that no message can drive a reader's memory, time or output
// with its depth.
constexpr int kPcfMaxGroupDepth = 10;

// MQCFH.Control.
constexpr MQLONG MQCFC_NOT_LAST = 0;
constexpr MQLONG MQCFC_LAST = 1;

// Command codes (MQCFH.Command).
constexpr MQLONG MQCMD_CHANGE_Q_MGR = 1;
constexpr MQLONG MQCMD_INQUIRE_Q_MGR = 2;
constexpr MQLONG MQCMD_CHANGE_Q = 8;
constexpr MQLONG MQCMD_CLEAR_Q = 9;
constexpr MQLONG MQCMD_COPY_Q = 10;
constexpr MQLONG MQCMD_CREATE_Q = 11;
constexpr MQLONG MQCMD_DELETE_Q = 12;
constexpr MQLONG MQCMD_INQUIRE_Q = 13;
constexpr MQLONG MQCMD_INQUIRE_Q_NAMES = 18;
constexpr MQLONG MQCMD_ESCAPE = 38;
constexpr MQLONG MQCMD_PING_Q_MGR = 40;
constexpr MQLONG MQCMD_INQUIRE_CHANNEL_STATUS = 42;
constexpr MQLONG MQCMD_INQUIRE_Q_STATUS = 41;

// Parameter identifiers of the PCF families (cmqc.h has MQCA_* and MQIA_*).
constexpr MQLONG MQIACF_Q_MGR_ATTRS = 1001;
constexpr MQLONG MQIACF_Q_ATTRS = 1002;
constexpr MQLONG MQIACF_FORCE = 1005;
constexpr MQLONG MQIACF_REPLACE = 1006;
constexpr MQLONG MQIACF_PURGE = 1007;
constexpr MQLONG MQIACF_ALL = 1009;
constexpr MQLONG MQIACF_PARAMETER_ID = 1012;
constexpr MQLONG MQIACF_ERROR_ID = 1013;
constexpr MQLONG MQIACF_ESCAPE_TYPE = 1017;
constexpr MQLONG MQIACF_COMMAND_INFO = 1120;
constexpr MQLONG MQCACF_FROM_Q_NAME = 3001;
constexpr MQLONG MQCACF_TO_Q_NAME = 3002;
constexpr MQLONG MQCACF_Q_NAMES = 3011;
constexpr MQLONG MQCACF_ESCAPE_TEXT = 3014;
constexpr MQLONG MQCACF_RESPONSE_Q_MGR_NAME = 3070;
constexpr MQLONG MQBACF_RESPONSE_ID = 7004;

// Escape types.
constexpr MQLONG MQET_MQSC = 1;

// PCF reason codes (MQCFH.Reason of error replies).
constexpr MQLONG MQRCCF_CFH_TYPE_ERROR = 3001;
constexpr MQLONG MQRCCF_CFH_LENGTH_ERROR = 3002;
constexpr MQLONG MQRCCF_CFH_VERSION_ERROR = 3003;
constexpr MQLONG MQRCCF_CFH_MSG_SEQ_NUMBER_ERR = 3004;
constexpr MQLONG MQRCCF_CFH_CONTROL_ERROR = 3005;
constexpr MQLONG MQRCCF_CFH_PARM_COUNT_ERROR = 3006;
constexpr MQLONG MQRCCF_CFH_COMMAND_ERROR = 3007;
constexpr MQLONG MQRCCF_COMMAND_FAILED = 3008;
constexpr MQLONG MQRCCF_CFIN_LENGTH_ERROR = 3009;
constexpr MQLONG MQRCCF_CFST_LENGTH_ERROR = 3010;
constexpr MQLONG MQRCCF_CFST_STRING_LENGTH_ERR = 3011;
constexpr MQLONG MQRCCF_STRUCTURE_TYPE_ERROR = 3013;
constexpr MQLONG MQRCCF_CFIN_PARM_ID_ERROR = 3014;
constexpr MQLONG MQRCCF_CFST_PARM_ID_ERROR = 3015;
constexpr MQLONG MQRCCF_MSG_LENGTH_ERROR = 3016;
constexpr MQLONG MQRCCF_CFIN_DUPLICATE_PARM = 3017;
constexpr MQLONG MQRCCF_CFST_DUPLICATE_PARM = 3018;
constexpr MQLONG MQRCCF_PARM_COUNT_TOO_SMALL = 3019;
constexpr MQLONG MQRCCF_PARM_COUNT_TOO_BIG = 3020;
constexpr MQLONG MQRCCF_Q_ALREADY_IN_CELL = 3021;
constexpr MQLONG MQRCCF_Q_TYPE_ERROR = 3022;
constexpr MQLONG MQRCCF_CFIL_DUPLICATE_VALUE = 3026;
constexpr MQLONG MQRCCF_CFIL_COUNT_ERROR = 3027;
constexpr MQLONG MQRCCF_CFIL_LENGTH_ERROR = 3028;
constexpr MQLONG MQRCCF_ESCAPE_TYPE_ERROR = 3054;
constexpr MQLONG MQRCCF_PARM_SYNTAX_ERROR = 3097;
constexpr MQLONG MQRCCF_COMMAND_ORIGIN_ERROR = 3231;
constexpr MQLONG MQRCCF_UNEXPECTED_ERROR = 3238;
constexpr MQLONG MQRCCF_UNKNOWN_OBJECT_NAME = 3312;
constexpr MQLONG MQRCCF_OBJECT_ALREADY_EXISTS = 4001;
constexpr MQLONG MQRCCF_OBJECT_WRONG_TYPE = 4002;
constexpr MQLONG MQRCCF_Q_WRONG_TYPE = 4007;

// Further PCF constants used by the IBM MQ stand-in.
constexpr MQLONG MQIACF_Q_TYPES = 1261;
constexpr MQLONG MQRP_YES = 1;
constexpr MQLONG MQRP_NO = 0;
constexpr MQLONG MQPO_YES = 1;
constexpr MQLONG MQPO_NO = 0;
constexpr MQLONG MQFC_YES = 1;
constexpr MQLONG MQFC_NO = 0;
constexpr MQLONG MQRCCF_CFSL_LENGTH_ERROR = 3024;
constexpr MQLONG MQRCCF_MAX_MSG_LENGTH_ERROR = 3044;
constexpr MQLONG MQRCCF_CFSL_TOTAL_LENGTH_ERROR = 3067;
constexpr MQLONG MQRCCF_CFSL_COUNT_ERROR = 3068;
constexpr MQLONG MQRCCF_CFSL_STRING_LENGTH_ERR = 3069;
constexpr MQLONG MQRCCF_CFSL_PARM_ID_ERROR = 3033;
constexpr MQLONG MQRCCF_CFIL_PARM_ID_ERROR = 3047;
constexpr MQLONG MQRCCF_CFGR_PARM_ID_ERROR = 3240;
constexpr MQLONG MQRCCF_CFBS_PARM_ID_ERROR = 3256;
constexpr MQLONG MQRCCF_CFGR_PARM_COUNT_ERROR = 3259;
constexpr MQLONG MQRCCF_PARM_MISSING = 3228;
constexpr MQLONG MQRCCF_PARM_VALUE_ERROR = 3229;
constexpr MQLONG MQRCCF_OBJECT_IN_USE = 3160;
constexpr MQLONG MQRCCF_OBJECT_OPEN = 4004;
constexpr MQLONG MQRCCF_OBJECT_NAME_ERROR = 4008;
constexpr MQLONG MQCMD_CHANGE_PROCESS = 3;
constexpr MQLONG MQCMD_CREATE_PROCESS = 5;
constexpr MQLONG MQCMD_DELETE_PROCESS = 6;
constexpr MQLONG MQCMD_INQUIRE_PROCESS = 7;
constexpr MQLONG MQIACF_PROCESS_ATTRS = 1003;
constexpr MQLONG MQCMD_CHANGE_NAMELIST = 32;
constexpr MQLONG MQCMD_COPY_NAMELIST = 33;
constexpr MQLONG MQCMD_CREATE_NAMELIST = 34;
constexpr MQLONG MQCMD_DELETE_NAMELIST = 35;
constexpr MQLONG MQCMD_INQUIRE_NAMELIST = 36;
constexpr MQLONG MQCMD_INQUIRE_NAMELIST_NAMES = 37;
constexpr MQLONG MQIACF_NAMELIST_ATTRS = 1004;
constexpr MQLONG MQIACF_QSG_DISPS = 1126;
constexpr MQLONG MQCACF_FROM_NAMELIST_NAME = 3005;
constexpr MQLONG MQCACF_TO_NAMELIST_NAME = 3006;
constexpr MQLONG MQCACF_NAMELIST_NAMES = 3013;

// Values of queue and queue manager attributes that cmqcfc.h defines, for
// the stand-in's attribute tables.
constexpr MQLONG MQEVR_DISABLED = 0;
constexpr MQLONG MQEVR_ENABLED = 1;
constexpr MQLONG MQEVR_EXCEPTION = 2;
constexpr MQLONG MQEVR_NO_DISPLAY = 3;
constexpr MQLONG MQQSIE_NONE = 0;
constexpr MQLONG MQQSIE_HIGH = 1;
constexpr MQLONG MQQSIE_OK = 2;
constexpr MQLONG MQSCO_Q_MGR = 1;
constexpr MQLONG MQSCO_CELL = 2;
constexpr MQLONG MQCHLA_DISABLED = 0;
constexpr MQLONG MQCHLA_ENABLED = 1;
constexpr MQLONG MQRDNS_ENABLED = 0;
constexpr MQLONG MQRDNS_DISABLED = 1;
constexpr MQLONG MQCLXQ_SCTQ = 0;
constexpr MQLONG MQCLXQ_CHANNEL = 1;
constexpr MQLONG MQSYNCPOINT_YES = 0;
constexpr MQLONG MQSYNCPOINT_IFPER = 1;
constexpr MQLONG MQUNDELIVERED_NORMAL = 0;
constexpr MQLONG MQUNDELIVERED_SAFE = 1;
constexpr MQLONG MQUNDELIVERED_DISCARD = 2;
constexpr MQLONG MQUNDELIVERED_KEEP = 3;
constexpr MQLONG MQGUR_DISABLED = 0;
constexpr MQLONG MQGUR_ENABLED = 1;

// Status inquiries: queue status and statistics, the queue manager's status,
// connections.
constexpr MQLONG MQCMD_RESET_Q_STATS = 17;
constexpr MQLONG MQCMD_INQUIRE_Q_MGR_STATUS = 161;
constexpr MQLONG MQCMD_INQUIRE_CONNECTION = 85;
constexpr MQLONG MQIACF_Q_STATUS_TYPE = 1103;
constexpr MQLONG MQIACF_Q_STATUS = 1105;
constexpr MQLONG MQIACF_Q_HANDLE = 1104;
constexpr MQLONG MQIACF_Q_STATUS_ATTRS = 1026;
constexpr MQLONG MQIACF_OPEN_TYPE = 1023;
constexpr MQLONG MQQSOT_ALL = 1;
constexpr MQLONG MQQSOT_INPUT = 2;
constexpr MQLONG MQQSOT_OUTPUT = 3;
constexpr MQLONG MQIACF_UNCOMMITTED_MSGS = 1027;
constexpr MQLONG MQCACF_LAST_GET_DATE = 3130;
constexpr MQLONG MQCACF_LAST_GET_TIME = 3131;
constexpr MQLONG MQCACF_LAST_PUT_DATE = 3128;
constexpr MQLONG MQCACF_LAST_PUT_TIME = 3129;
constexpr MQLONG MQIACF_OLDEST_MSG_AGE = 1227;
constexpr MQLONG MQIACF_Q_TIME_INDICATOR = 1226;
constexpr MQLONG MQCACF_MEDIA_LOG_EXTENT_NAME = 3073;
constexpr MQLONG MQCACF_APPL_TAG = 3058;
constexpr MQLONG MQCACF_APPL_DESC = 3174;
constexpr MQLONG MQIACF_ASYNC_STATE = 1308;
constexpr MQLONG MQIACF_HANDLE_STATE = 1028;
constexpr MQLONG MQIACF_OPEN_OPTIONS = 1022;
constexpr MQLONG MQIACF_OPEN_BROWSE = 1102;
constexpr MQLONG MQIACF_OPEN_INPUT_TYPE = 1098;
constexpr MQLONG MQIACF_OPEN_OUTPUT = 1099;
constexpr MQLONG MQIACF_OPEN_SET = 1100;
constexpr MQLONG MQIACF_OPEN_INQUIRE = 1101;
constexpr MQLONG MQIACF_PROCESS_ID = 1024;
constexpr MQLONG MQIACF_THREAD_ID = 1025;
constexpr MQLONG MQBACF_Q_MGR_UOW_ID = 7009;
constexpr MQLONG MQIACF_UOW_TYPE = 1132;
constexpr MQLONG MQCACF_USER_IDENTIFIER = 3025;
constexpr MQLONG MQIACF_Q_MGR_STATUS = 1149;
constexpr MQLONG MQIACF_Q_MGR_STATUS_ATTRS = 1229;
constexpr MQLONG MQIACF_CHINIT_STATUS = 1232;
constexpr MQLONG MQIACF_CMD_SERVER_STATUS = 1233;
constexpr MQLONG MQIACF_CONNECTION_COUNT = 1230;
constexpr MQLONG MQCACF_Q_MGR_START_DATE = 3175;
constexpr MQLONG MQCACF_Q_MGR_START_TIME = 3176;
constexpr MQLONG MQCACF_CURRENT_LOG_EXTENT_NAME = 3071;
constexpr MQLONG MQCACF_RESTART_LOG_EXTENT_NAME = 3072;
constexpr MQLONG MQCACF_LOG_PATH = 3074;
constexpr MQLONG MQBACF_CONNECTION_ID = 7006;
constexpr MQLONG MQBACF_GENERIC_CONNECTION_ID = 7007;
constexpr MQLONG MQIACF_CONN_INFO_TYPE = 1110;
constexpr MQLONG MQIACF_CONN_INFO_CONN = 1111;
constexpr MQLONG MQIACF_CONN_INFO_HANDLE = 1112;
constexpr MQLONG MQIACF_CONN_INFO_ALL = 1113;
constexpr MQLONG MQIACF_CONNECTION_ATTRS = 1107;
constexpr MQLONG MQIACF_CONNECT_OPTIONS = 1108;
constexpr MQLONG MQIACF_UOW_STATE = 1128;
constexpr MQLONG MQCACF_UOW_START_DATE = 3060;
constexpr MQLONG MQCACF_UOW_START_TIME = 3061;
constexpr MQLONG MQCACF_OBJECT_NAME = 3046;
constexpr MQLONG MQIACF_OBJECT_TYPE = 1016;
constexpr MQLONG MQQSO_NO = 0;
constexpr MQLONG MQQSO_YES = 1;
constexpr MQLONG MQQSO_SHARED = 1;
constexpr MQLONG MQQSO_EXCLUSIVE = 2;
constexpr MQLONG MQHSTATE_INACTIVE = 0;
constexpr MQLONG MQHSTATE_ACTIVE = 1;
constexpr MQLONG MQAS_NONE = 0;
constexpr MQLONG MQAS_STARTED = 1;
constexpr MQLONG MQAS_STOPPED = 3;
constexpr MQLONG MQAS_ACTIVE = 6;
constexpr MQLONG MQAS_INACTIVE = 7;
constexpr MQLONG MQUOWST_NONE = 0;
constexpr MQLONG MQUOWST_ACTIVE = 1;
constexpr MQLONG MQUOWT_Q_MGR = 0;
constexpr MQLONG MQQMSTA_RUNNING = 2;
constexpr MQLONG MQRCCF_NONE_FOUND = 3200;
constexpr MQLONG MQCACH_CHANNEL_NAME = 3501;
constexpr MQLONG MQCACH_CONNECTION_NAME = 3506;

// Channels: their commands, attributes, status and reasons (cmqcfc.h).
constexpr MQLONG MQCMD_INQUIRE_CHANNEL_NAMES = 20;
constexpr MQLONG MQCMD_CHANGE_CHANNEL = 21;
constexpr MQLONG MQCMD_COPY_CHANNEL = 22;
constexpr MQLONG MQCMD_CREATE_CHANNEL = 23;
constexpr MQLONG MQCMD_DELETE_CHANNEL = 24;
constexpr MQLONG MQCMD_INQUIRE_CHANNEL = 25;
constexpr MQLONG MQIACF_CHANNEL_ATTRS = 1015;
constexpr MQLONG MQCACF_FROM_CHANNEL_NAME = 3007;
constexpr MQLONG MQCACF_TO_CHANNEL_NAME = 3008;
constexpr MQLONG MQIACH_XMIT_PROTOCOL_TYPE = 1501;
constexpr MQLONG MQIACH_BATCH_SIZE = 1502;
constexpr MQLONG MQIACH_DISC_INTERVAL = 1503;
constexpr MQLONG MQIACH_SHORT_TIMER = 1504;
constexpr MQLONG MQIACH_SHORT_RETRY = 1505;
constexpr MQLONG MQIACH_LONG_TIMER = 1506;
constexpr MQLONG MQIACH_LONG_RETRY = 1507;
constexpr MQLONG MQIACH_PUT_AUTHORITY = 1508;
constexpr MQLONG MQIACH_SEQUENCE_NUMBER_WRAP = 1509;
constexpr MQLONG MQIACH_MAX_MSG_LENGTH = 1510;
constexpr MQLONG MQIACH_CHANNEL_TYPE = 1511;
constexpr MQLONG MQIACH_DATA_CONVERSION = 1515;
constexpr MQLONG MQIACH_MCA_TYPE = 1517;
constexpr MQLONG MQIACH_CHANNEL_INSTANCE_TYPE = 1523;
constexpr MQLONG MQIACH_CHANNEL_INSTANCE_ATTRS = 1524;
constexpr MQLONG MQIACH_CHANNEL_STATUS = 1527;
constexpr MQLONG MQIACH_MSGS = 1534;
constexpr MQLONG MQIACH_BYTES_SENT = 1535;
constexpr MQLONG MQIACH_BYTES_RECEIVED = 1536;
constexpr MQLONG MQIACH_BUFFERS_SENT = 1538;
constexpr MQLONG MQIACH_BUFFERS_RECEIVED = 1539;
constexpr MQLONG MQIACH_MCA_STATUS = 1542;
constexpr MQLONG MQIACH_STOP_REQUESTED = 1543;
constexpr MQLONG MQIACH_MR_COUNT = 1544;
constexpr MQLONG MQIACH_MR_INTERVAL = 1545;
constexpr MQLONG MQIACH_NPM_SPEED = 1562;
constexpr MQLONG MQIACH_HB_INTERVAL = 1563;
constexpr MQLONG MQIACH_BATCH_INTERVAL = 1564;
constexpr MQLONG MQIACH_KEEP_ALIVE_INTERVAL = 1566;
constexpr MQLONG MQIACH_BATCH_HB = 1567;
constexpr MQLONG MQIACH_SSL_CLIENT_AUTH = 1568;
constexpr MQLONG MQIACH_HDR_COMPRESSION = 1575;
constexpr MQLONG MQIACH_MSG_COMPRESSION = 1576;
constexpr MQLONG MQIACH_CHANNEL_SUBSTATE = 1609;
constexpr MQLONG MQIACH_SHARING_CONVERSATIONS = 1615;
constexpr MQLONG MQIACH_MAX_SHARING_CONVS = 1616;
constexpr MQLONG MQIACH_CURRENT_SHARING_CONVS = 1617;
constexpr MQLONG MQIACH_MAX_INSTANCES = 1618;
constexpr MQLONG MQIACH_MAX_INSTS_PER_CLIENT = 1619;
constexpr MQLONG MQIACH_BATCH_DATA_LIMIT = 1624;
constexpr MQLONG MQCACH_DESC = 3502;
constexpr MQLONG MQCACH_MODE_NAME = 3503;
constexpr MQLONG MQCACH_TP_NAME = 3504;
constexpr MQLONG MQCACH_XMIT_Q_NAME = 3505;
constexpr MQLONG MQCACH_CHANNEL_NAMES = 3512;
constexpr MQLONG MQCACH_LAST_MSG_TIME = 3524;
constexpr MQLONG MQCACH_LAST_MSG_DATE = 3525;
constexpr MQLONG MQCACH_MCA_USER_ID = 3527;
constexpr MQLONG MQCACH_CHANNEL_START_TIME = 3528;
constexpr MQLONG MQCACH_CHANNEL_START_DATE = 3529;
constexpr MQLONG MQCACH_MCA_JOB_NAME = 3530;
constexpr MQLONG MQCACH_LOCAL_ADDRESS = 3520;
constexpr MQLONG MQCACH_SSL_CIPHER_SPEC = 3544;
constexpr MQLONG MQCACH_SSL_PEER_NAME = 3545;
constexpr MQLONG MQCACH_REMOTE_APPL_TAG = 3548;
constexpr MQLONG MQCHS_RUNNING = 3;
constexpr MQLONG MQCHSSTATE_RECEIVING = 300;
constexpr MQLONG MQCHSR_STOP_NOT_REQUESTED = 0;
constexpr MQLONG MQCHSSTATE_IN_MQGET = 1600;
constexpr MQLONG MQMCAS_RUNNING = 3;
constexpr MQLONG MQRCCF_CHANNEL_TYPE_ERROR = 3034;
constexpr MQLONG MQRCCF_CHL_INST_TYPE_ERROR = 3064;
constexpr MQLONG MQRCCF_CHL_STATUS_NOT_FOUND = 3065;
constexpr MQLONG MQRCCF_CHANNEL_NOT_FOUND = 4032;
constexpr MQLONG MQRCCF_WRONG_CHANNEL_TYPE = 4041;
constexpr MQLONG MQRCCF_CHANNEL_NAME_ERROR = 4044;
constexpr MQLONG MQ_LOG_EXTENT_NAME_LENGTH = 24;
constexpr MQLONG MQ_LOG_PATH_LENGTH = 1024;
constexpr MQLONG MQRCCF_CONNECTION_ID_ERROR = 3174;
constexpr MQLONG MQIACH_BATCHES = 1537;
