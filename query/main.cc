// csagnt-query: an administrator's client of the agent. Sends one MQSC or
// PCF command to a queue manager, through the agent's input queue or (with
// --direct) to the command server itself, and prints the answer as runmqsc
// does, one block per PCF response, or as JSON.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>

#include "admin_session.h"
#include "answer.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_text.h"

namespace {

using query::AdminSession;
using query::Answer;
using query::Request;

constexpr char kAgentQueue[] = "TOVAN.CSAGNT.COMMAND.QUEUE";
constexpr char kCommandQueue[] = "SYSTEM.ADMIN.COMMAND.QUEUE";
constexpr char kZosCommandQueue[] = "SYSTEM.COMMAND.INPUT";
constexpr char kDefaultModel[] = "SYSTEM.DEFAULT.MODEL.QUEUE";

struct Options {
  std::string qmgr;
  std::string queue = kAgentQueue;
  std::string reply_model = kDefaultModel;
  std::vector<std::string> words;
  double wait_seconds = 30;
  bool pcf = false;
  bool direct = false;
  bool client = false;
  bool json = false;
};

int Fail(const std::string& text) {
  std::cerr << "csagnt-query: " << text << "\n";
  return query::kExitFailed;
}

int SessionFailure(const query::SessionError& e, const Options& options, bool sending) {
  std::string text = e.what + " failed: ";
  text += e.reason != 0
              ? "reason " + query::ReasonLabel(e.reason)
              : "rc=" + std::to_string(e.system_error) + " (" + std::strerror(e.system_error) + ")";
  if (e.reason == MQRC_Q_MGR_NAME_ERROR || e.reason == MQRC_Q_MGR_NOT_AVAILABLE) {
    text += "\n  is the queue manager running, and is its name right (-m)?";
  } else if (e.reason == MQRC_UNKNOWN_OBJECT_NAME && sending && !options.direct) {
    text += "\n  the agent's input queue " + options.queue +
            " is not defined on this queue manager: define it with the agent's MQSC\n"
            "  definitions (runmqsc " +
            (options.qmgr.empty() ? "QMGR" : options.qmgr) +
            " < /usr/share/csagnt/csagnt.mqsc), name another with -q, or use --direct";
  } else if (e.reason == MQRC_UNKNOWN_OBJECT_NAME && !sending) {
    text += "\n  the reply model queue is not defined; name one with --reply-model";
  }
  return Fail(text);
}

// The request's data and Format: PCF as built from its words; MQSC as an
// Escape request, or as text for a z/OS command server.
int BuildRequest(const Options& options, bool zos, std::string* data, const char** format) {
  if (options.pcf) {
    MQLONG command = pcf::CommandCode(options.words[0]);
    if (command < 0) {
      std::cerr << "csagnt-query: unknown PCF command " << options.words[0] << "\n";
      return query::kExitUsage;
    }
    pcf::PcfBuilder request(MQCFT_COMMAND, command);
    for (size_t i = 1; i < options.words.size(); ++i) {
      if (!pcf::AddParameter(request, options.words[i])) {
        std::cerr << "csagnt-query: cannot use parameter " << options.words[i]
                  << " (want NAME=VALUE, NAME a parameter such as Q_NAME)\n";
        return query::kExitUsage;
      }
    }
    *data = request.Finish();
    *format = MQFMT_ADMIN;
    return query::kExitOk;
  }
  std::string text;
  for (const std::string& w : options.words) text += (text.empty() ? "" : " ") + w;
  if (zos) {
    *data = text;
    *format = MQFMT_STRING;
    return query::kExitOk;
  }
  pcf::PcfBuilder escape(MQCFT_COMMAND, MQCMD_ESCAPE);
  escape.Integer(MQIACF_ESCAPE_TYPE, MQET_MQSC);
  escape.String(MQCACF_ESCAPE_TEXT, text);
  *data = escape.Finish();
  *format = MQFMT_ADMIN;
  return query::kExitOk;
}

int Run(const Options& options) {
  AdminSession session;
  if (!session.Open(options.client, options.qmgr, options.reply_model)) {
    return SessionFailure(session.error(), options, false);
  }
  Request request;
  request.pcf = options.pcf;
  request.direct = options.direct;
  request.qmgr = session.qmgr_name();
  request.queue = !options.direct ? options.queue
                  : session.zos() ? kZosCommandQueue
                                  : kCommandQueue;
  for (const std::string& w : options.words) {
    if (options.pcf) {
      request.text = w;  // the command's name
      break;
    }
    request.text += (request.text.empty() ? "" : " ") + w;
  }
  std::string data;
  const char* format = nullptr;
  if (int status = BuildRequest(options, session.zos(), &data, &format); status != 0) {
    return status;
  }
  if (!session.Send(request.queue, data, format)) {
    return SessionFailure(session.error(), options, true);
  }

  Answer answer;
  const auto deadline =
      std::chrono::steady_clock::now() +
      std::chrono::milliseconds(static_cast<int64_t>(options.wait_seconds * 1000));
  while (!answer.complete) {
    query::ReplyMessage message;
    MQLONG reason = session.Receive(deadline, &message);
    if (reason == MQRC_NO_MSG_AVAILABLE) break;
    if (reason != MQRC_NONE) return SessionFailure(session.error(), options, false);
    query::TakeReply(message, &answer);
  }

  if (options.json) {
    std::cout << query::AnswerJson(request, answer)
                     .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
  } else {
    query::PrintText(std::cout, request, answer);
  }
  std::cout.flush();
  if (answer.agent_error) {
    std::cerr << "csagnt-query: the agent answered CSAG501E: the command server did not answer"
                 " in time\n";
  } else if (!answer.complete) {
    std::cerr << "csagnt-query: no " << (answer.messages ? "complete " : "") << "answer within "
              << options.wait_seconds << " s (" << answer.messages << " message(s) received)";
    if (!options.direct) std::cerr << "; is the agent running on " << request.qmgr << "?";
    std::cerr << "\n";
  } else if (answer.fault != 0) {
    std::cerr << "csagnt-query: a reply could not be read: reason "
              << query::ReasonLabel(answer.fault) << "\n";
  }
  return query::ExitStatusOf(answer);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  CLI::App app{
      "Sends an MQSC or PCF command to an IBM MQ queue manager through the CSAGNT agent (or\n"
      "straight to its command server) and prints the answer.\n\n"
      "  csagnt-query -m QM1 \"DISPLAY QLOCAL(APP.*) CURDEPTH MAXDEPTH\"\n"
      "  csagnt-query -m QM1 --pcf INQUIRE_Q Q_NAME='*' Q_ATTRS=CURRENT_Q_DEPTH --json\n\n"
      "Exit status: 0 every response has CompCode 0; 1 a response failed or the queue manager\n"
      "could not be asked; 2 a command-line error; 3 no complete answer within the wait;\n"
      "4 the agent answered CSAG501E (the command server did not answer).",
      "csagnt-query"};
  app.add_option("-m,--qmgr", options.qmgr, "Queue manager (default: the default one)");
  app.add_option("-q,--queue", options.queue, "The agent's input queue")->capture_default_str();
  app.add_flag("--direct", options.direct,
               "Send to the command server's own queue, not through the agent")
      ->excludes(app.get_option("--queue"));
  app.add_flag("--pcf", options.pcf,
               "The command is PCF: a command name (INQUIRE_Q) and NAME=VALUE parameters");
  app.add_flag("--json", options.json, "Print the answer as JSON");
  app.add_flag("--client", options.client,
               "Connect as an IBM MQ client (libmqic_r.so; channel from MQSERVER or the CCDT)");
  app.add_option("-w,--wait", options.wait_seconds, "Seconds to wait for the whole answer")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  app.add_option("--reply-model", options.reply_model, "Model queue of the reply queue")
      ->capture_default_str();
  app.add_option("command", options.words, "The MQSC command, or the PCF command and parameters")
      ->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? 0 : query::kExitUsage;
  }
  return Run(options);
}
