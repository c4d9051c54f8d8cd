// What CSAGNT adds to the PCF and MQSC reply formats: its private parameter
// identifiers, its feature bits, and the layouts of the messages that a
// client receives from the agent instead of the command server's own
// replies. The agent writes these layouts (src/consolidate/coalesce.cc);
// clients read them back (pcf/coalesced_reader.h).
//
// Compressed PCF reply: the command server's reply with the trailing blanks
// of every MQCFST string dropped. StringLength is the length left and
// StrucLength 20 + StringLength rounded up to a multiple of 4; strings of 4
// characters or fewer are left whole. The MQCFH is unchanged.
//
// Coalesced PCF message, the replies to one request gathered into one
// message (offsets from the start of the message):
//
//   offset  length  field
//        0      36  MQCFH of the first reply gathered; ParameterCount counts
//                   every parameter below (delimiters and agent information
//                   included), Control is the latest reply's Control with
//                   CFC_COALESCED set, MsgSeqNumber the latest reply's; Type,
//                   Command, CompCode and Reason are the first reply's
//       36       n  the first reply's parameters
//   then, for each further reply:
//                16  MQCFIN Parameter TVN_ATTR_RESPONSE_DELIMITER, Value the
//                   reply's own MQCFH Type (MQCFT_RESPONSE 2; on z/OS
//                   MQCFT_XR_MSG 17, MQCFT_XR_ITEM 18, MQCFT_XR_SUMMARY 19)
//                 n  that reply's parameters
//   after any reply that answered Inquire Queue Manager (CompCode MQCC_OK),
//   whether or not it was coalesced, when the message still fits the
//   client's queue with them:
//                16  MQCFIN TVN_ATTR_CSAGNT_CMDLEVEL, Value kAgentCommandLevel
//                16  MQCFIN TVN_ATTR_CSAGNT_FEATURES, Value the feature bits
//
//   Only replies with CompCode MQCC_OK are gathered: a failed reply always
//   travels alone. Control carries MQCFC_LAST only in the message that ends
//   the request. A message holding a single reply has no delimiter and no
//   CFC_COALESCED.
//
// Coalesced MQSC message (z/OS MQSC text replies, formats MQCMD1 and MQCMD2):
//
//   | text 1 | 0x00 | text 2 | 0x00 | ... | text n |
//
//   No length prefix and no terminator. When the message holds more than
//   one text, the byte at offset 8 (the blank after the first text's
//   8-character message number, "CSQN205I ") is '*'. A message holding one
//   text is that text unchanged.
// The agent's own answer to a request that the command server left
// unanswered, in the form of the request:
//
//   PCF request (104 bytes)
//        0      36  MQCFH Type MQCFT_COMMAND (1), Version 1, Command the
//                   request's, MsgSeqNumber 1, Control MQCFC_LAST,
//                   CompCode MQCC_FAILED, Reason MQRCCF_UNEXPECTED_ERROR,
//                   ParameterCount 1
//       36      68  MQCFST Parameter TVN_ATTR_ERROR_TEXT, CodedCharSetId 0,
//                   StringLength 48, String kNoResponseText
//   Escape request (72 + 48 = 120 bytes)
//        0      36  MQCFH Type 1, Version 1, Command MQCMD_ESCAPE,
//                   MsgSeqNumber 1, Control MQCFC_LAST, CompCode 0, Reason
//                   MQRCCF_UNEXPECTED_ERROR, ParameterCount 2
//       36      16  MQCFIN MQIACF_ESCAPE_TYPE = MQET_MQSC
//       52      68  MQCFST MQCACF_ESCAPE_TEXT, CodedCharSetId 0,
//                   StrucLength 20 + 48 (not padded), kNoResponseText
//   MQSC or other request (48 bytes)
//        0      48  kNoResponseText alone
//
//   Each is put with Format "MQADMIN " and MsgType MQMT_REPLY, with the
//   identifiers the request's report options ask for.
#pragma once

#include <cmqc.h>

#include "pcf/pcf_format.h"

// The agent's private PCF parameter identifiers.
constexpr MQLONG TVN_ATTR_ERROR_TEXT = 39999;          // MQCFST: the agent's own error text
constexpr MQLONG TVN_ATTR_RESPONSE_DELIMITER = 40000;  // MQCFIN: separates coalesced replies
constexpr MQLONG TVN_ATTR_CSAGNT_CMDLEVEL = 80000;     // MQCFIN: the agent's command level
constexpr MQLONG TVN_ATTR_CSAGNT_FEATURES = 80001;     // MQCFIN: the agent's feature bits

// The value of TVN_ATTR_CSAGNT_CMDLEVEL.
constexpr MQLONG kAgentCommandLevel = 930;

// The bytes that the agent information adds to a message: two MQCFINs.
constexpr MQLONG kAgentInfoLength = 2 * MQCFIN_STRUC_LENGTH;

// Bits of TVN_ATTR_CSAGNT_FEATURES.
constexpr MQLONG FEATURE_COALESCE = 0x2;  // replies are coalesced
constexpr MQLONG FEATURE_COMPRESS = 0x4;  // PCF strings are trimmed

// Set in MQCFH.Control of a coalesced PCF message.
constexpr MQLONG CFC_COALESCED = 0x10000;

// Coalesced MQSC messages: the byte between two texts, and the mark at
// kMqscCoalescedMarkOffset of a message with more than one text.
constexpr char kMqscTextSeparator = '\0';
constexpr int kMqscCoalescedMarkOffset = 8;
constexpr char kMqscCoalescedMark = '*';

// The text of the agent's own answer to an unanswered request.
inline constexpr char kNoResponseText[] = "CSAG501E: No response from IBM MQ Command Server";
static_assert(sizeof kNoResponseText - 1 == 48);
