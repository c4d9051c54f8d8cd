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

#include "admin/client.h"
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
  bool pcf = false;         // a PCF command; else an MQSC command
  std::string text;         // the MQSC command, or the PCF command's name as given
  std::string queue;        // where it was sent
  bool direct = false;      // to the command server itself, not the agent
  std::string qmgr;         // the queue manager's name
  double wait_seconds = 0;  // how long the whole answer was awaited
  size_t number = 1;        // the command's number among those read, as runmqsc counts
};

struct Answer {
  std::vector<pcf::PcfResponse> responses;  // PCF and Escape responses, in order
  std::vector<std::string> texts;           // MQSC texts, and a text error reply
  size_t messages = 0;                      // reply messages received
  size_t bytes = 0;                         // their data, added up
  bool complete = false;     // the last reply has come, and every reply could be read
  bool agent_error = false;  // the agent's CSAG501E error reply is among them
  MQLONG fault = 0;          // the reason a reply could not be read for; it ends the answer
  bool report = false;       // a report came instead of the answer; it ends the answer
  MQLONG feedback = 0;       // that report's Feedback
};

// Takes one reply message into *answer: a report (MsgType MQMT_REPORT)
// noted with its feedback, ending the answer; a PCF message (Format MQADMIN,
// but for the agent's text error reply) split into its responses, complete
// with the one whose MQCFH has MQCFC_LAST, or ending the answer with its
// fault when it cannot be read (shorter than an MQCFH too); MQSC texts
// (MQCMD1, MQCMD2) split, complete with the closing CSQ9022I, CSQ9023E or
// CSQ9023I; any other message (the agent's text error reply included) kept
// as a text and complete. Complete as admin::IsLastReply says.
void TakeReply(const admin::Message& message, Answer* answer);

// Whether no more replies are awaited: the answer is complete, or a reply
// that is no part of an answer ended it.
bool Ended(const Answer& answer);

// The exit status of an answer (agent error, then a reply that ended it,
// then incomplete, then failed).
ExitStatus ExitStatusOf(const Answer& answer);

// What is wrong with an answer, as csagnt-query tells it, one line: the
// agent's error reply, a report, a reply that could not be read, or no
// complete answer within the wait (with a hint). Empty when the answer came
// whole, failed responses included: they speak for themselves.
std::string ProblemOf(const Request& request, const Answer& answer);

// A failure before there is an answer: the queue manager could not be asked
// (not available, a queue missing, IBM MQ's library not found) or the
// command line is wrong.
struct Failure {
  std::string error;  // what failed, one line
  std::string hint;   // what may help, a line or more, or ""
  MQLONG reason = 0;  // the MQI reason, 0 for none
  ExitStatus status = kExitFailed;
};

// The answer as text: for MQSC the command numbered as runmqsc echoes it,
// then each response's text (a response without text as its CompCode and
// Reason); for PCF one block per response, a heading with its number,
// command, CompCode and Reason, then its parameters by name.
void PrintText(std::ostream& out, const Request& request, const Answer& answer);

// The answer as one JSON object: the request, one object per response
// (type, command, comp_code, reason, its parameters by name with their values,
// the agent's information apart), the texts, the counts of messages and
// bytes received, whether it is complete, and the exit status; with what is
// wrong with it, if anything (ProblemOf as `error`, a fault's `reason`, a
// report's `feedback`).
nlohmann::ordered_json AnswerJson(const Request& request, const Answer& answer);

// A failure as one JSON object: `error`, `hint` (if any), `reason` (0 for
// none) with its `reason_name` when known, and `exit_status`.
nlohmann::ordered_json FailureJson(const Failure& failure);

// The symbolic name of a reason code ("MQRC_UNKNOWN_OBJECT_NAME") from the
// constant name tables, or "" when they do not know it.
std::string ReasonName(MQLONG reason);
// "2085 (MQRC_UNKNOWN_OBJECT_NAME: Unknown object name)", from the constant
// name tables; the number alone for a reason that they do not know.
std::string ReasonLabel(MQLONG reason);

}  // namespace query
