// The answer as text: MQSC as runmqsc prints it, PCF one block per response.
#include <iomanip>

#include "answer.h"
#include "pcf/agent_format.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_text.h"
#include "pcf/printable.h"

namespace query {

namespace {

const pcf::PcfParameter* Find(const pcf::PcfResponse& response, MQLONG id) {
  for (const pcf::PcfParameter& p : response.message.parameters) {
    if (p.parameter == id && p.type == MQCFT_STRING) return &p;
  }
  return nullptr;
}

std::string Status(const MQCFH& h) {
  std::string status = "CompCode " + std::to_string(h.CompCode);
  status += ", Reason " + (h.Reason == MQRC_NONE ? "0" : ReasonLabel(h.Reason));
  return status;
}

// One text as runmqsc shows it: the lines of the text, each ended, every
// other byte outside printable ASCII shown as '.' (a queue's description
// may hold anything, escape sequences too).
void PrintLines(std::ostream& out, std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  out << PrintableText(text, true) << "\n";
}

void PrintMqsc(std::ostream& out, const Request& request, const Answer& answer) {
  out << std::setw(6) << request.number << " : " << PrintableText(request.text) << "\n";
  for (const pcf::PcfResponse& r : answer.responses) {
    if (const pcf::PcfParameter* text = Find(r, MQCACF_ESCAPE_TEXT)) {
      PrintLines(out, text->text);
    } else if (const pcf::PcfParameter* error = Find(r, TVN_ATTR_ERROR_TEXT)) {
      PrintLines(out, error->text);
    } else {
      out << "Command " << (r.message.header.CompCode == MQCC_OK ? "completed" : "failed") << ": "
          << Status(r.message.header) << "\n";
    }
  }
  for (const std::string& text : answer.texts) PrintLines(out, text);
}

void PrintPcf(std::ostream& out, const Answer& answer) {
  for (size_t i = 0; i < answer.responses.size(); ++i) {
    const MQCFH& h = answer.responses[i].message.header;
    const char* command = pcf::CommandName(h.Command);
    if (i) out << "\n";
    out << "Response " << i + 1 << ": "
        << (command ? command : ("command " + std::to_string(h.Command)).c_str()) << ", "
        << Status(h) << "\n";
    pcf::PrintResponse(out, answer.responses[i], "  ");
  }
  for (const std::string& text : answer.texts) PrintLines(out, text);
}

}  // namespace

void PrintText(std::ostream& out, const Request& request, const Answer& answer) {
  if (request.pcf) {
    PrintPcf(out, answer);
  } else {
    PrintMqsc(out, request, answer);
  }
}

}  // namespace query
