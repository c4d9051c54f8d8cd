// The text of every numbered message the agent writes, each in one place
// and used by every place that writes it. Each is a printf format; the
// calls are checked against it by the compiler.
#pragma once

#include <cinttypes>

inline constexpr char kCsag001I[] =
    "CSAG001I CSAGNT Command Server Agent for IBM MQ, version %s, built %s\n";
// The date line, written before the first message of each day, without a
// time stamp.
inline constexpr char kCsag002I[] = "           CSAG002I Current Date: %15s\n";
inline constexpr char kCsag003I[] = "CSAG003I Program Triggered\n";
inline constexpr char kCsag004I[] =
    "CSAG004I Parameters in effect:\n"
    "  Queue Manager        : %s\n"
    "  Input Queue          : %s\n"
    "  Reply Queue          : %s\n"
    "  Actual Reply Queue   : %s\n"
    "  Verbose Level        : %s\n";
inline constexpr char kCsag005I[] = "CSAG005I Default overrides from file '%s' in effect: %s\n";
inline constexpr char kCsag006E[] =
    "CSAG006E Usage: CSAGNT <Optional flags as below>\n"
    "  [-m <Queue Manager Name>]\n"
    "  [-q <Input Queue Name>  ]\n"
    "  [-f <Config File Name>  ]\n"
    "  [-k                     ] Running as a service\n"
    "  [-c <Simple command>    ]\n"
    "  [-v {Quiet|Low|Med|High}] Verbosity level\n";
inline constexpr char kCsag007E[] = "CSAG007E Unrecognised parameter '%s'\n";
inline constexpr char kCsag008E[] =
    "CSAG008E Command queue '%s' is the agent's own input queue '%s'\n";
inline constexpr char kCsag020I[] = "CSAG020I Disconnect Interval, %d minutes, expired\n";
inline constexpr char kCsag021I[] = "CSAG021I STOP command received\n";
inline constexpr char kCsag022I[] = "CSAG022I Termination signal %d received\n";
inline constexpr char kCsag023I[] =
    "CSAG023I Waiting up to %d seconds for %d outstanding requests\n";
inline constexpr char kCsag080I[] =
    "CSAG080I CSAGNT Status Report\n"
    "                            : Since Start : Last %s\n"
    "  Commands Received         : %11d : %11d\n"
    "  Command Bytes Received    : %11s : %11s\n"
    "  Replies Received          : %11d : %11d\n"
    "  Reply Bytes Received      : %11s : %11s\n"
    "  Responses Sent            : %11d : %11d\n"
    "  Response Bytes Sent       : %11s : %11s\n"
    "  Compression Achieved      : %10" PRId64 "%% : %10" PRId64
    "%%\n"
    "  Failed Puts               : %11d : %11d\n"
    "  Puts Successfully Retried : %11d : %11d\n";
inline constexpr char kCsag099I[] = "CSAG099I CSAGNT Agent shutting down\n";
inline constexpr char kCsag100E[] = "CSAG100E Error loading MQAPI mqm.lib rc=%d\n";
inline constexpr char kCsag101E[] =
    "CSAG101E MQCONN to queue manager '%s' failed with reason %d (%s)\n";
inline constexpr char kCsag102E[] =
    "CSAG102E MQOPEN of queue manager object failed with reason %d (%s)\n";
inline constexpr char kCsag103E[] =
    "CSAG103E MQINQ of queue manager object failed with reason %d (%s)\n";
inline constexpr char kCsag104E[] = "CSAG104E MQOPEN of queue '%s' failed with reason %d (%s)\n";
inline constexpr char kCsag105E[] = "CSAG105E MQCB for queue '%s' failed with reason %d (%s)\n";
inline constexpr char kCsag106E[] =
    "CSAG106E MQCTL on queue manager '%s' failed with reason %d (%s)\n";
inline constexpr char kCsag107E[] = "CSAG107E MQPUT to queue '%s' failed with reason %d (%s)\n";
inline constexpr char kCsag108E[] =
    "CSAG108E MQPUT to queue '%s' failed with reason %d (%s) - Retry #%d after %d "
    "seconds\n";
inline constexpr char kCsag109E[] = "CSAG109E MQCLOSE of queue '%s' failed with reason %d (%s)\n";
inline constexpr char kCsag110E[] =
    "CSAG110E MQINQ of reply queue '%s' failed with reason %d (%s)\n";
inline constexpr char kCsag111I[] =
    "CSAG111I MQPUT to queue '%s' completed with warning reason %d (%s)\n";
inline constexpr char kCsag112I[] =
    "CSAG112I Message for queue '%s' put to the dead-letter queue '%s'\n";
inline constexpr char kCsag113E[] =
    "CSAG113E Message for queue '%s' discarded: the queue manager has no dead-letter "
    "queue\n";
inline constexpr char kCsag120E[] = "CSAG120E Queue '%s' has been GET(INHIBITED)\n";
inline constexpr char kCsag199E[] = "CSAG199E CSAGNT received reason code %d (%s)\n";
inline constexpr char kCsag201E[] = "CSAG201E Can not allocate %d bytes for a message! \n";
inline constexpr char kCsag202E[] = "CSAG202E Can not allocate %d bytes for a '%s' structure\n";
inline constexpr char kCsag203E[] = "CSAG203E Unable to open config file '%s' rc=%d (%s)\n";
inline constexpr char kCsag204E[] = "CSAG204E Unable to open error log file '%s' rc=%d (%s)\n";
inline constexpr char kCsag205I[] = "CSAG205I Deleting old error log file '%s'\n";
inline constexpr char kCsag206E[] =
    "CSAG206E Unable to delete old error log file '%s' rc=%d (%s)\n";
inline constexpr char kCsag207I[] = "CSAG207I Renaming old error log file '%s' to '%s'\n";
inline constexpr char kCsag208E[] =
    "CSAG208E Unable to rename old error log file '%s' to '%s' rc=%d (%s)\n";
inline constexpr char kCsag209E[] = "CSAG209E Error log File access with %s failed. rc=%d (%s)\n";
inline constexpr char kCsag210I[] = "CSAG210I Logging to '%s'\n";
inline constexpr char kCsag211E[] = "CSAG211E Unable to write to error log file '%s' rc=%d (%s)\n";
inline constexpr char kCsag212E[] = "CSAG212E CSAGNT does not recognise the simple command '%s'\n";
inline constexpr char kCsag213E[] = "CSAG213E Reading of config file '%s' stopped: %s\n";
inline constexpr char kCsag214E[] =
    "CSAG214E Queue manager name '%s' not usable for +QMNAME+ in logpath; error log "
    "directory '%s'\n";
inline constexpr char kCsag301E[] = "CSAG301E Can not compress PCF type %d\n";
inline constexpr char kCsag302E[] = "CSAG302E Unrecognised reply received MsgId: %s\n";
inline constexpr char kCsag303E[] =
    "CSAG303E Ageing out request for ReplyQ '%s' issued at %.8s MsgId: %s\n";
inline constexpr char kCsag304I[] =
    "CSAG304I ReplyQ %s (%s) has smaller MaxMsgLen (%d)\nthan configured maxmsgsize "
    "(%d). Consolidation size reduced accordingly\n";
inline constexpr char kCsag305E[] = "CSAG305E ReplyQ '%s' refused: %s\n";
inline constexpr char kCsag401I[] =
    "CSAG401I Received PCF '%s' command message of length %d bytes\n";
inline constexpr char kCsag402I[] = "CSAG402I Received MQSC command message of length %d bytes\n";
inline constexpr char kCsag403I[] = "CSAG403I Received reply message of length %d bytes\n";
inline constexpr char kCsag404I[] =
    "CSAG404I Received %d reply messages of total length %d bytes\n";
inline constexpr char kCsag405E[] = "CSAG405E PCF Message failure %d (%s)\n";
