// Descriptions of IBM MQ reason codes and PCF command codes, for the
// messages that report them: "reason %d (%s)" beside every failed MQI call,
// "Received PCF '%s' command message ..." at the intake of a request.
//
// Both lookups read constant tables only (constant_name_tables.h) and keep
// no state, so any thread may call them at any time without a lock.
#pragma once

#include <cmqc.h>

// Returns the description of a reason code (MQRC_*, MQRCCF_*) or feedback
// code (MQFB_*): that of the first row of ReasonNames with the code, else of
// the first row of FeedbackNames, else the empty text. Never null; the text
// has static lifetime and must not be freed.
const char* ReasonText(MQLONG code);

// Returns the description of a PCF command code (MQCMD_*): that of the first
// row of CommandNames with the code, else the empty text. Never null; the
// text has static lifetime and must not be freed.
const char* CommandText(MQLONG code);
