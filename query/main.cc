// csagnt-query: an administrator's client of the agent. Sends one MQSC or
// PCF command to a queue manager, through the agent's input queue or (with
// --direct) to the command server itself, and prints the answer as runmqsc
// does, one block per PCF response, or as JSON.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>

#include "admin/client.h"
#include "answer.h"
#include "mq/mqi_table.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_text.h"
#include "pcf/printable.h"

namespace {

using query::Answer;
using query::Request;

constexpr char kAgentQueue[] = "TOVAN.CSAGNT.COMMAND.QUEUE";
constexpr char kCommandQueue[] = "SYSTEM.ADMIN.COMMAND.QUEUE";
constexpr char kZosCommandQueue[] = "SYSTEM.COMMAND.INPUT";
constexpr char kDefaultModel[] = "SYSTEM.DEFAULT.MODEL.QUEUE";
// The longest wait for an answer, in seconds: a day.
constexpr int kMaxWaitSeconds = 86400;
const std::string kWaitRange = "0 to " + std::to_string(kMaxWaitSeconds);

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

// Tells the failure on standard error and, with --json, as a JSON object on
// standard output, so that a script reading the JSON learns of it too.
// Returns its exit status.
int Report(const Options& options, const query::Failure& failure) {
  std::cerr << "csagnt-query: " << failure.error << "\n";
  std::string_view hint = failure.hint;
  while (!hint.empty()) {
    const size_t end = hint.find('\n');
    std::cerr << "  " << hint.substr(0, end) << "\n";
    hint = end == std::string_view::npos ? std::string_view() : hint.substr(end + 1);
  }
  if (options.json) std::cout << query::FailureJson(failure).dump(2) << "\n";
  return failure.status;
}

// A failed MQI step of the client; `sending` when it put the request.
query::Failure SessionFailure(const admin::Error& e, const Options& options, bool sending) {
  query::Failure failure;
  failure.reason = e.reason;
  failure.error = PrintableText(e.what) + " failed: reason " + query::ReasonLabel(e.reason);
  if (e.reason == MQRC_Q_MGR_NAME_ERROR || e.reason == MQRC_Q_MGR_NOT_AVAILABLE) {
    failure.hint = "is the queue manager running, and is its name right (-m)?";
  } else if (e.reason == MQRC_UNKNOWN_OBJECT_NAME && sending && !options.direct) {
    failure.hint = "the agent's input queue " + PrintableText(options.queue) +
                   " is not defined on this queue manager: define it with the agent's MQSC\n"
                   "definitions (runmqsc " +
                   (options.qmgr.empty() ? "QMGR" : PrintableText(options.qmgr)) +
                   " < /usr/share/csagnt/csagnt.mqsc), name another with -q, or use --direct";
  } else if (e.reason == MQRC_UNKNOWN_OBJECT_NAME && !sending) {
    failure.hint = "the reply model queue is not defined; name one with --reply-model";
  }
  return failure;
}

// IBM MQ's library `base` could not be loaded: `system_error` says why.
query::Failure LoadFailure(const char* base, int system_error) {
  const MqLibraryChoice choice = ChooseMqLibrary(base);
  query::Failure failure;
  failure.error =
      PrintableText(std::string("loading IBM MQ's library ") + choice.file_name + " (set " +
                    choice.directory_variable + " to the directory that holds it)") +
      " failed: rc=" + std::to_string(system_error) + " (" + std::strerror(system_error) + ")";
  return failure;
}

query::Failure UsageError(std::string error) {
  return {std::move(error), "", 0, query::kExitUsage};
}

// The request's data and Format: PCF as built from its words; MQSC as an
// Escape request, or as text for a z/OS command server. An empty error when
// it could be built, else the usage error.
std::string BuildRequest(const Options& options, bool zos, std::string* data, const char** format) {
  if (options.pcf) {
    MQLONG command = pcf::CommandCode(options.words[0]);
    if (command < 0) return "unknown PCF command " + PrintableText(options.words[0]);
    pcf::PcfBuilder request(MQCFT_COMMAND, command);
    for (size_t i = 1; i < options.words.size(); ++i) {
      if (!pcf::AddParameter(request, options.words[i])) {
        return "cannot use parameter " + PrintableText(options.words[i]) +
               " (want NAME=VALUE, NAME a parameter such as Q_NAME)";
      }
    }
    *data = request.Finish();
    *format = MQFMT_ADMIN;
    return {};
  }
  std::string text;
  for (const std::string& w : options.words) text += (text.empty() ? "" : " ") + w;
  if (zos) {
    *data = text;
    *format = MQFMT_STRING;
    return {};
  }
  pcf::PcfBuilder escape(MQCFT_COMMAND, MQCMD_ESCAPE);
  escape.Integer(MQIACF_ESCAPE_TYPE, MQET_MQSC);
  escape.String(MQCACF_ESCAPE_TEXT, text);
  *data = escape.Finish();
  *format = MQFMT_ADMIN;
  return {};
}

int Run(const Options& options) {
  const char* library = options.client ? "mqic" : "mqm";
  if (int rc = LoadMqiLibrary(library, &MqiTable); rc != 0) {
    return Report(options, LoadFailure(library, rc));
  }
  admin::Client session(admin::MqiOf(MqiTable));
  if (!session.Connect(options.qmgr,
                       options.client ? MQCNO_CLIENT_BINDING : MQCNO_STANDARD_BINDING)) {
    return Report(options, SessionFailure(session.error(), options, false));
  }
  // The name as given and a distributed platform when they cannot be asked.
  Request request;
  request.qmgr = options.qmgr;
  MQLONG platform = MQPL_UNIX;
  const bool zos = session.InquireQueueManager(&request.qmgr, &platform) && platform == MQPL_ZOS;
  if (!session.OpenReplyQueue(options.reply_model, "CSAGNT.QUERY.*")) {
    return Report(options, SessionFailure(session.error(), options, false));
  }
  request.pcf = options.pcf;
  request.direct = options.direct;
  request.queue = !options.direct ? options.queue : zos ? kZosCommandQueue : kCommandQueue;
  request.wait_seconds = options.wait_seconds;
  for (const std::string& w : options.words) {
    if (options.pcf) {
      request.text = w;  // the command's name
      break;
    }
    request.text += (request.text.empty() ? "" : " ") + w;
  }
  std::string data;
  const char* format = nullptr;
  if (std::string error = BuildRequest(options, zos, &data, &format); !error.empty()) {
    return Report(options, UsageError(std::move(error)));
  }
  if (!session.Put(data, format, admin::PutOptions().Queue(request.queue))) {
    return Report(options, SessionFailure(session.error(), options, true));
  }

  Answer answer;
  const auto deadline =
      admin::Clock::now() +
      std::chrono::milliseconds(static_cast<int64_t>(options.wait_seconds * 1000));
  const MQLONG reason = session.GetAnswer(admin::Wait{.until = deadline}, admin::Match::kAnswer,
                                          [&answer](admin::Message& message) {
                                            query::TakeReply(message, &answer);
                                            return query::Ended(answer);
                                          });
  if (reason != MQRC_NONE && reason != MQRC_NO_MSG_AVAILABLE) {
    return Report(options, SessionFailure(session.error(), options, false));
  }

  if (options.json) {
    std::cout << query::AnswerJson(request, answer)
                     .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
  } else {
    query::PrintText(std::cout, request, answer);
  }
  std::cout.flush();
  if (std::string problem = query::ProblemOf(request, answer); !problem.empty()) {
    std::cerr << "csagnt-query: " << problem << "\n";
  }
  return query::ExitStatusOf(answer);
}

// A name of IBM MQ's fixed length: longer ones would be cut, and name
// another object.
CLI::Validator NameOfAtMost(size_t length, const char* what) {
  return CLI::Validator(
      [length, what](std::string& name) -> std::string {
        if (name.size() <= length) return {};
        return PrintableText(name) + " is " + std::to_string(name.size()) + " characters long; " +
               what + " has at most " + std::to_string(length);
      },
      "at most " + std::to_string(length) + " characters");
}

// A wait in seconds, from 0 to kMaxWaitSeconds: not nan, not infinite.
const CLI::Validator kWaitSeconds(
    [](std::string& text) -> std::string {
      double seconds = -1;
      auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
      if (error == std::errc() && end == text.data() + text.size() && seconds >= 0 &&
          seconds <= kMaxWaitSeconds) {
        return {};
      }
      return PrintableText(text) + " is not a number of seconds from " + kWaitRange;
    },
    kWaitRange);

// Whether --json is among the arguments: a command line that cannot be
// parsed is still answered in JSON when it asks for it.
bool AsksForJson(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--json") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  CLI::App app{
      "Sends an MQSC or PCF command to an IBM MQ queue manager through the CSAGNT agent (or\n"
      "straight to its command server) and prints the answer.\n\n"
      "  csagnt-query -m QM1 \"DISPLAY QLOCAL(APP.*) CURDEPTH MAXDEPTH\"\n"
      "  csagnt-query -m QM1 --pcf INQUIRE_Q Q_NAME='*' Q_ATTRS=CURRENT_Q_DEPTH --json\n\n"
      "Exit status: 0 every response has CompCode 0; 1 a response failed, a reply was not an\n"
      "answer or could not be read, or the queue manager could not be asked; 2 a command-line\n"
      "error; 3 no complete answer within the wait; 4 the agent answered CSAG501E (the command\n"
      "server did not answer). With --json, an error is a JSON object too.",
      "csagnt-query"};
  app.add_option("-m,--qmgr", options.qmgr, "Queue manager (default: the default one)")
      ->check(NameOfAtMost(MQ_Q_MGR_NAME_LENGTH, "a queue manager name"));
  app.add_option("-q,--queue", options.queue, "The agent's input queue")
      ->check(NameOfAtMost(MQ_Q_NAME_LENGTH, "a queue name"))
      ->capture_default_str();
  app.add_flag("--direct", options.direct,
               "Send to the command server's own queue, not through the agent")
      ->excludes(app.get_option("--queue"));
  app.add_flag("--pcf", options.pcf,
               "The command is PCF: a command name (INQUIRE_Q) and NAME=VALUE parameters");
  app.add_flag("--json", options.json, "Print the answer as JSON");
  app.add_flag("--client", options.client,
               "Connect as an IBM MQ client (libmqic_r.so; channel from MQSERVER or the CCDT)");
  app.add_option("-w,--wait", options.wait_seconds,
                 "Seconds to wait for the whole answer (" + kWaitRange + ", a day)")
      ->check(kWaitSeconds)
      ->capture_default_str();
  app.add_option("--reply-model", options.reply_model, "Model queue of the reply queue")
      ->check(NameOfAtMost(MQ_Q_NAME_LENGTH, "a queue name"))
      ->capture_default_str();
  app.add_option("command", options.words, "The MQSC command, or the PCF command and parameters")
      ->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    options.json = AsksForJson(argc, argv);
    // CLI11's message quotes the arguments as given: shown printable.
    return Report(options,
                  UsageError(PrintableText(e.what()) + " (csagnt-query --help shows the options)"));
  }
  return Run(options);
}
