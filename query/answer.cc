// Gathering reply messages into an answer, its exit status, and what is
// wrong with it.
#include "answer.h"

#include <sstream>

#include "pcf/agent_format.h"
#include "pcf/names/constant_name_tables.h"
#include "pcf/names/constant_names.h"
#include "pcf/pcf_format.h"
#include "pcf/printable.h"

namespace query {

namespace {

// The message number that begins the agent's own error text.
constexpr std::string_view kAgentError(kNoResponseText, 8);

bool IsAgentErrorText(std::string_view text) {
  return text.starts_with(kAgentError);
}

bool IsAgentErrorResponse(const pcf::PcfResponse& response) {
  for (const pcf::PcfParameter& p : response.message.parameters) {
    if ((p.parameter == TVN_ATTR_ERROR_TEXT || p.parameter == MQCACF_ESCAPE_TEXT) &&
        p.type == MQCFT_STRING && IsAgentErrorText(p.text)) {
      return true;
    }
  }
  return false;
}

}  // namespace

void TakeReply(const admin::Message& message, Answer* answer) {
  ++answer->messages;
  answer->bytes += message.data.size();
  if (message.md.MsgType == MQMT_REPORT) {
    answer->report = true;
    answer->feedback = message.md.Feedback;
    return;
  }
  const std::string format = message.Format();
  if (format == MQFMT_ADMIN && !IsAgentErrorText(message.data)) {
    std::vector<pcf::PcfResponse> responses;
    MQLONG fault = pcf::SplitCoalescedPcf(message.data, &responses);
    if (fault != 0 && answer->fault == 0) answer->fault = fault;
    for (pcf::PcfResponse& r : responses) {
      if (IsAgentErrorResponse(r)) answer->agent_error = true;
      answer->responses.push_back(std::move(r));
    }
    // A message that cannot be read to its end says nothing sure about more.
    if (fault != 0) return;
  } else if (format == MQFMT_COMMAND_1 || format == MQFMT_COMMAND_2) {
    for (std::string& text : pcf::SplitCoalescedMqsc(message.data)) {
      answer->texts.push_back(std::move(text));
    }
  } else {
    if (IsAgentErrorText(message.data)) answer->agent_error = true;
    answer->texts.push_back(message.data);
  }
  answer->complete = admin::IsLastReply(message);
}

bool Ended(const Answer& answer) {
  return answer.complete || answer.fault != 0 || answer.report;
}

ExitStatus ExitStatusOf(const Answer& answer) {
  if (answer.agent_error) return kExitAgentError;
  if (answer.report || answer.fault != 0) return kExitFailed;
  if (!answer.complete) return kExitNoAnswer;
  for (const pcf::PcfResponse& r : answer.responses) {
    if (r.message.header.CompCode != MQCC_OK) return kExitFailed;
  }
  for (const std::string& text : answer.texts) {
    if (text.starts_with("CSQ9023E")) return kExitFailed;
  }
  return kExitOk;
}

std::string ProblemOf(const Request& request, const Answer& answer) {
  if (answer.agent_error) {
    return "the agent answered CSAG501E: the command server did not answer in time";
  }
  if (answer.report) {
    return "a report came instead of the answer: feedback " + ReasonLabel(answer.feedback);
  }
  if (answer.fault != 0) {
    std::string text = "a reply could not be read: reason " + ReasonLabel(answer.fault);
    // The one group fault that the reader gives this reason for.
    if (answer.fault == MQRCCF_CFGR_PARM_COUNT_ERROR) {
      text += ": groups nested more than " + std::to_string(kPcfMaxGroupDepth) + " deep";
    }
    return text;
  }
  if (answer.complete) return {};
  std::ostringstream text;
  text << "no " << (answer.messages ? "complete " : "") << "answer within " << request.wait_seconds
       << " s (" << answer.messages << " message(s) received)";
  if (!request.direct) text << "; is the agent running on " << PrintableText(request.qmgr) << "?";
  return text.str();
}

std::string ReasonName(MQLONG reason) {
  for (ConstantNameTable table : {ReasonNames, FeedbackNames}) {
    for (const ConstantNameRow& row : table) {
      if (row.code == reason && row.name[0] != '\0') return row.name;
    }
  }
  return {};
}

std::string ReasonLabel(MQLONG reason) {
  const std::string name = ReasonName(reason);
  const std::string text = ReasonText(reason);
  std::string label = std::to_string(reason);
  if (name.empty() && text.empty()) return label;
  return label + " (" + name + (name.empty() || text.empty() ? "" : ": ") + text + ")";
}

}  // namespace query
