/* Reading what CSAGNT delivers, for programs in C and for any language that
 * can call C: the reader of pcf/coalesced_reader.h behind plain structures
 * and functions. A coalesced PCF message from the agent is split back into
 * the standard PCF messages that the command server sent, each an MQCFH
 * (IBM's 36-byte layout) and its parameters, with the agent's information
 * parameters kept apart; a coalesced MQSC message is split back into its
 * texts. pcf/agent_format.h draws both layouts.
 *
 * Each split returns one block of memory that holds the whole result, which
 * the caller releases with the matching free function. Nothing else is
 * allocated and nothing is kept between calls, so any thread may call these
 * functions. Every length and count in a message is checked against the
 * bytes given; nothing outside them is read.
 *
 * Link with the pcf_codec library (C++: link with a C++ compiler driver, or
 * add the C++ standard library). */
#ifndef CSAGNT_PCF_COALESCED_READER_C_H_
#define CSAGNT_PCF_COALESCED_READER_C_H_

#include <cmqc.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The bit of MQCFH Control that marks a coalesced PCF message, the agent
 * information parameters (MQCFIN Parameter values) and the bits of the
 * features value. */
#define CSAGNT_CFC_COALESCED 0x10000
#define CSAGNT_INFO_CMDLEVEL 80000  /* the agent's command level */
#define CSAGNT_INFO_FEATURES 80001  /* the agent's features, the bits below */
#define CSAGNT_FEATURE_COALESCE 0x2 /* replies are coalesced */
#define CSAGNT_FEATURE_COMPRESS 0x4 /* PCF strings lose their trailing blanks */

/* One agent information parameter: the Parameter and Value of its MQCFIN. */
typedef struct tagCSAGNT_AGENT_INFO {
  MQLONG Parameter; /* CSAGNT_INFO_CMDLEVEL or CSAGNT_INFO_FEATURES */
  MQLONG Value;
} CSAGNT_AGENT_INFO;

/* One standard response taken out of a message from the agent. */
typedef struct tagCSAGNT_PCF_RESPONSE {
  /* The response as the command server sent it: the MQCFH (rebuilt as the
   * C++ reader's SplitCoalescedPcf describes) and the response's own
   * parameters, each with the smallest StrucLength that holds it padded to a
   * multiple of 4. Aligned for the MQCFH and parameter structures. */
  MQBYTE* Message;
  MQLONG MessageLength;
  /* The agent information parameters that followed this response, in
   * message order; AgentInfo is null when AgentInfoCount is 0. */
  MQLONG AgentInfoCount;
  CSAGNT_AGENT_INFO* AgentInfo;
} CSAGNT_PCF_RESPONSE;

/* The responses of one message, in order. Responses is null when Count is 0. */
typedef struct tagCSAGNT_PCF_RESPONSES {
  MQLONG Count;
  CSAGNT_PCF_RESPONSE* Responses;
} CSAGNT_PCF_RESPONSES;

/* Splits the PCF message of `length` bytes at `message` (as got from the
 * agent, Format MQFMT_ADMIN) into the standard responses it holds and sets
 * *responses to them; the caller frees them with CsagntFreePcfResponses.
 * A message without the coalesced bit in its MQCFH Control is one response.
 *
 * Returns 0 when the whole message was sound. Returns the MQRCCF_* reason
 * of the first fault otherwise (MQRCCF_MSG_LENGTH_ERROR for fewer than 36
 * bytes, MQRCCF_CFH_LENGTH_ERROR, MQRCCF_PARM_COUNT_TOO_BIG, ...), and
 * *responses then holds the responses up to the one in which the fault lies,
 * that one with the parameters read before the fault (none at all when the
 * MQCFH itself is at fault). Returns MQRC_BUFFER_LENGTH_ERROR for a negative
 * length, MQRC_BUFFER_ERROR for a null message of some length, and
 * MQRC_STORAGE_NOT_AVAILABLE when memory ran out; *responses is null after
 * these three. */
MQLONG CsagntSplitCoalescedPcf(const void* message, MQLONG length,
                               CSAGNT_PCF_RESPONSES** responses);

/* Releases what CsagntSplitCoalescedPcf gave; null is allowed. */
void CsagntFreePcfResponses(CSAGNT_PCF_RESPONSES* responses);

/* One MQSC text. Text is followed by a 0x00 byte that Length does not
 * count, so it may be used as a C string. */
typedef struct tagCSAGNT_MQSC_TEXT {
  MQCHAR* Text;
  MQLONG Length;
} CSAGNT_MQSC_TEXT;

/* The texts of one message, in order; Count is at least 1. */
typedef struct tagCSAGNT_MQSC_TEXTS {
  MQLONG Count;
  CSAGNT_MQSC_TEXT* Texts;
} CSAGNT_MQSC_TEXTS;

/* Splits the MQSC message of `length` bytes at `message` (as got from the
 * agent, Format MQFMT_COMMAND_1 or MQFMT_COMMAND_2) into its texts at each
 * 0x00 byte and sets *texts to them; the caller frees them with
 * CsagntFreeMqscTexts. When there is more than one text, the first text's
 * '*' mark at offset 8 is given back as the blank it replaced. A message
 * without 0x00 is one text, unchanged; an empty message is one empty text.
 *
 * Returns 0; MQRC_BUFFER_LENGTH_ERROR for a negative length, MQRC_BUFFER_ERROR
 * for a null message of some length, MQRC_STORAGE_NOT_AVAILABLE when memory
 * ran out; *texts is null after these three. */
MQLONG CsagntSplitCoalescedMqsc(const void* message, MQLONG length, CSAGNT_MQSC_TEXTS** texts);

/* Releases what CsagntSplitCoalescedMqsc gave; null is allowed. */
void CsagntFreeMqscTexts(CSAGNT_MQSC_TEXTS* texts);

#ifdef __cplusplus
}
#endif

#endif /* CSAGNT_PCF_COALESCED_READER_C_H_ */
