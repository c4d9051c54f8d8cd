// What csagnt-query asked and what came back: the request as the user wrote
// it, the answer gathered from the reply messages (PCF responses, coalesced
// ones split; MQSC texts of a z/OS command server), and the exit status that
// the answer gives. Printing as text (runmqsc-style for MQSC, one block per
// response for PCF) and as JSON.
#pragma once

#include <cmqc.h>

#include <nlohmann/json_fwd.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "admin_session.h"
#include "pcf/coalesced_reader.h"

namespace query {

// The exit statuses of csagnt-query.
enum ExitStatus {
  kExitOk = 0,          // every response has CompCode 0
  kExitFailed = 1,      // a response failed, or the queue manager could not be asked
  kExitUsage = 2,       // the command line is wrong
  kExitNoAnswer = 3,    // no complete answer within the wait
  kExitAgentError = 4,  // the agent answered CSAG501E for the command server
};

struct Request {
  bool pcf = false;     // a PCF command; else an MQSC command
  std::string text;     // the MQSC command, or the PCF command's name as given
  std::string queue;    // where it was sent
  bool direct = false;  // to the command server itself, not the agent
  std::string qmgr;     // the queue manager's name
};

struct Answer {
  std::vector<pcf::PcfResponse> responses;  // PCF and Escape responses, in order
  std::vector<std::string> texts;           // MQSC texts, and a text error reply
  size_t messages = 0;                      // reply messages received
  size_t bytes = 0;                         // their data, added up
  bool complete = false;                    // the last reply has come
  bool agent_error = false;                 // the agent's CSAG501E error reply is among them
  MQLONG fault = 0;                         // the first reason a reply could not be read for
};

// Takes one reply message into *answer: a PCF message (Format MQADMIN) split
// into its responses, complete with the one whose MQCFH has MQCFC_LAST; MQSC
// texts (MQCMD1, MQCMD2) split, complete with the closing CSQ9022I,
// CSQ9023E or CSQ9023I; any other message (the agent's text error reply
// included) kept as a text and complete.
void TakeReply(const ReplyMessage& message, Answer* answer);

// The exit status of an answer (agent error, then incomplete, then failed).
ExitStatus ExitStatusOf(const Answer& answer);

// The answer as text: for MQSC the command numbered as runmqsc echoes it,
// then each response's text (a response without text as its CompCode and
// Reason); for PCF one block per response, a heading with its number,
// command, CompCode and Reason, then its parameters by name.
void PrintText(std::ostream& out, const Request& request, const Answer& answer);

// The answer as one JSON object: the request, one object per response
// (type, command, comp_code, reason, its parameters by name with their values,
// the agent's information apart), the texts, the counts of messages and
// bytes received, and whether it is complete.
nlohmann::ordered_json AnswerJson(const Request& request, const Answer& answer);

// The symbolic name of a reason code ("MQRC_UNKNOWN_OBJECT_NAME") from the
// constant name tables, or "" when they do not know it.
std::string ReasonName(MQLONG reason);
// "2085 (MQRC_UNKNOWN_OBJECT_NAME: Unknown object name)", from the constant
// name tables; the number alone for a reason that they do not know.
std::string ReasonLabel(MQLONG reason);

}  // namespace query
