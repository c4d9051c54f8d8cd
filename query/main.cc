// csagnt-query: an administrator's client of the agent. Sends an MQSC or
// PCF command, a script of MQSC commands (pipelined) or the requests of a
// dump, to one queue manager or to several through a gateway, through the
// agent's input queue or (with --direct) to the command server itself, and
// prints the answers as runmqsc does, one block per PCF response, or as JSON.
#include <unistd.h>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <span>
#include <sstream>

#include "admin/client.h"
#include "answer.h"
#include "batch.h"
#include "dump.h"
#include "mq/mqi_table.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_text.h"
#include "pcf/printable.h"
#include "progress.h"
#include "script.h"

namespace {

using query::Job;
using query::Request;
using query::ScriptCommand;

constexpr char kAgentQueue[] = "TOVAN.CSAGNT.COMMAND.QUEUE";
constexpr char kCommandQueue[] = "SYSTEM.ADMIN.COMMAND.QUEUE";
constexpr char kZosCommandQueue[] = "SYSTEM.COMMAND.INPUT";
constexpr char kDefaultModel[] = "SYSTEM.DEFAULT.MODEL.QUEUE";
// The longest wait for an answer, in seconds: a day.
constexpr int kMaxWaitSeconds = 86400;
const std::string kWaitRange = "0 to " + std::to_string(kMaxWaitSeconds);

struct Options {
  std::vector<std::string> qmgrs;  // the targets; the default queue manager when none
  std::string qmgrs_file;
  std::string gateway;
  std::string queue = kAgentQueue;
  std::string reply_model = kDefaultModel;
  std::vector<std::string> words;
  std::string file;
  std::vector<std::string> types;
  double wait_seconds = 30;
  bool pcf = false;
  bool direct = false;
  bool client = false;
  bool json = false;
  bool dump = false;
  bool serial = false;

  // The queue manager connected to: the gateway, or the first target.
  std::string Connected() const {
    return !gateway.empty() ? gateway : qmgrs.empty() ? std::string() : qmgrs.front();
  }
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
                   (options.Connected().empty() ? "QMGR" : PrintableText(options.Connected())) +
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

// The request's data and Format: PCF as built from its words; MQSC `text`
// as an Escape request, or as text for a z/OS command server. An empty
// error when it could be built, else the usage error.
std::string BuildRequest(const Options& options, const std::string& text, bool zos,
                         std::string* data, const char** format) {
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

// What csagnt-query is to do: one command (the words), the commands of a
// script, or a dump's DISPLAY commands.
enum class Mode { kCommand, kScript, kDump };

// The commands to send, as text (PCF: the command's name), by `mode`; or a
// usage error.
std::string CommandsOf(const Options& options, Mode mode, std::vector<std::string>* commands) {
  if (mode == Mode::kDump) {
    if (options.pcf) return "--dump asks in MQSC: leave out --pcf";
    if (options.words.size() > 1) return "--dump takes one name pattern";
    const std::string pattern = options.words.empty() ? "" : options.words[0];
    if (std::string unknown = query::DumpCommands(options.types, pattern, commands);
        !unknown.empty()) {
      return "--type " + PrintableText(unknown) +
             " is not an object type (qmgr, queue, qlocal, qmodel, qalias, qremote, process, "
             "namelist, channel)";
    }
    return {};
  }
  if (mode == Mode::kCommand) {
    std::string text;
    for (const std::string& w : options.words) {
      if (options.pcf) {
        text = w;  // the command's name
        break;
      }
      text += (text.empty() ? "" : " ") + w;
    }
    commands->push_back(text);
    return {};
  }
  if (options.pcf) return "commands from a script are MQSC: leave out --pcf";
  std::ifstream file;
  if (!options.file.empty() && options.file != "-") {
    file.open(options.file);
    if (!file) return "cannot read " + PrintableText(options.file) + ": " + std::strerror(errno);
  }
  for (ScriptCommand& c : query::ReadMqscScript(file.is_open() ? file : std::cin)) {
    commands->push_back(std::move(c.text));
  }
  return {};
}

// The names of --qmgrs-file added to *qmgrs: separated by blanks, commas or
// lines; '#' begins a comment to the end of its line. An error when the
// file cannot be read or holds a name too long to be one.
std::string ReadQmgrsFile(const std::string& path, std::vector<std::string>* qmgrs) {
  std::ifstream in(path);
  if (!in) return "cannot read " + PrintableText(path) + ": " + std::strerror(errno);
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::replace(line.begin(), line.end(), ',', ' ');
    std::istringstream names(line);
    for (std::string name; names >> name;) {
      if (name.size() > MQ_Q_MGR_NAME_LENGTH) {
        return PrintableText(path) + ": " + PrintableText(name) + " is not a queue manager name";
      }
      qmgrs->push_back(std::move(name));
    }
  }
  return {};
}

// The exit status of one job: a put that failed is a queue manager that
// could not be asked.
int StatusOf(const Job& job) {
  return job.put ? query::ExitStatusOf(job.answer) : query::kExitFailed;
}

// Why a job's request was not put.
std::string PutProblem(const Job& job) {
  return PrintableText(job.put_error.what) + " failed: reason " +
         query::ReasonLabel(job.put_error.reason);
}

// A job's answer as JSON; a request that could not be put says why.
nlohmann::ordered_json AnswerJson(const Job& job) {
  nlohmann::ordered_json json = query::AnswerJson(job.request, job.answer);
  if (!job.put) {
    json["error"] = PutProblem(job);
    json["exit_status"] = query::kExitFailed;
  }
  return json;
}

// Prints what came for one queue manager: its dump, its script's answers
// with runmqsc's closing lines, or its one answer. Returns its exit status.
int PrintQmgr(const Options& options, Mode mode, const std::string& qmgr,
              const std::vector<const Job*>& jobs, nlohmann::ordered_json* json) {
  int status = query::kExitOk;
  for (const Job* job : jobs) {
    if (mode != Mode::kDump) status = std::max(status, StatusOf(*job));
  }
  if (mode == Mode::kDump) {
    bool failed = false;
    const std::vector<query::DumpObject> objects = query::DumpObjects(jobs, &failed);
    for (const Job* job : jobs) {
      if (!job->put || !query::Ended(job->answer)) status = std::max(status, StatusOf(*job));
    }
    if (failed) status = std::max<int>(status, query::kExitFailed);
    if (options.json) {
      *json = {{"queue_manager", qmgr}, {"objects", query::DumpJson(objects)}};
    } else {
      query::PrintDump(std::cout, qmgr, objects);
    }
  } else if (mode == Mode::kCommand && options.json) {
    *json = AnswerJson(*jobs[0]);
  } else if (options.json) {
    nlohmann::ordered_json commands = nlohmann::ordered_json::array();
    for (const Job* job : jobs) commands.push_back(AnswerJson(*job));
    *json = {{"queue_manager", qmgr}, {"commands", std::move(commands)}};
  } else {
    for (const Job* job : jobs) {
      query::PrintText(std::cout, job->request, job->answer);
      if (!job->put) std::cout << "(not sent: " << PutProblem(*job) << ")\n";
    }
    if (mode == Mode::kScript) query::PrintScriptSummary(std::cout, jobs);
  }
  if (json && !json->is_null()) (*json)["exit_status"] = status;
  return status;
}

int Run(const Options& options, Mode mode) {
  std::vector<std::string> commands;
  if (std::string error = CommandsOf(options, mode, &commands); !error.empty()) {
    return Report(options, UsageError(std::move(error)));
  }
  const char* library = options.client ? "mqic" : "mqm";
  if (int rc = LoadMqiLibrary(library, &MqiTable); rc != 0) {
    return Report(options, LoadFailure(library, rc));
  }
  admin::Client session(admin::MqiOf(MqiTable));
  if (!session.Connect(options.Connected(),
                       options.client ? MQCNO_CLIENT_BINDING : MQCNO_STANDARD_BINDING)) {
    return Report(options, SessionFailure(session.error(), options, false));
  }
  // The name as given and a distributed platform when they cannot be asked.
  std::string gateway = options.Connected();
  MQLONG platform = MQPL_UNIX;
  const bool zos = session.InquireQueueManager(&gateway, &platform) && platform == MQPL_ZOS;
  if (!session.OpenReplyQueue(options.reply_model, "CSAGNT.QUERY.*")) {
    return Report(options, SessionFailure(session.error(), options, false));
  }
  const bool many = options.qmgrs.size() > 1;
  std::vector<std::string> targets = options.qmgrs;
  if (targets.empty() || (!many && targets[0] == options.Connected())) targets = {gateway};

  std::vector<Job> jobs;
  for (const std::string& target : targets) {
    // Only the queue manager connected to is known to be on z/OS.
    const bool target_zos = zos && target == gateway;
    for (size_t i = 0; i < commands.size(); ++i) {
      Job job;
      job.request.qmgr = target;
      job.request.pcf = options.pcf;
      job.request.direct = options.direct;
      job.request.queue = !options.direct ? options.queue
                          : target_zos    ? kZosCommandQueue
                                          : kCommandQueue;
      job.request.wait_seconds = options.wait_seconds;
      job.request.text = commands[i];
      job.request.number = i + 1;
      if (std::string error =
              BuildRequest(options, commands[i], target_zos, &job.data, &job.format);
          !error.empty()) {
        return Report(options, UsageError(std::move(error)));
      }
      jobs.push_back(std::move(job));
    }
  }
  // All at once; or, --serial, each after the answer of the one before,
  // each with the whole wait.
  const size_t batch = options.serial ? 1 : jobs.size();
  query::Progress progress(jobs, many);
  for (size_t first = 0; first < jobs.size(); first += batch) {
    const std::span<Job> now = std::span<Job>(jobs).subspan(first, batch);
    query::PutAll(session, gateway, now);
    // One queue manager that cannot be asked fails the whole run, as it
    // always has.
    if (!many) {
      for (const Job& job : now) {
        if (!job.put) return Report(options, SessionFailure(job.put_error, options, true));
      }
    }
    const auto deadline =
        admin::Clock::now() +
        std::chrono::milliseconds(static_cast<int64_t>(options.wait_seconds * 1000));
    const MQLONG reason =
        query::GatherAnswers(session, now, deadline, [&progress] { progress.Update(); });
    if (reason != MQRC_NONE) {
      return Report(options, SessionFailure(session.error(), options, false));
    }
  }
  progress.Clear();

  int status = query::kExitOk;
  nlohmann::ordered_json all = nlohmann::ordered_json::object();
  for (const std::string& target : targets) {
    std::vector<const Job*> mine;
    for (const Job& job : jobs) {
      if (job.request.qmgr == target) mine.push_back(&job);
    }
    if (many && !options.json && mode != Mode::kDump) {
      std::cout << (&target == &targets.front() ? "" : "\n") << "=== " << PrintableText(target)
                << " ===\n";
    }
    nlohmann::ordered_json json;
    status = std::max(status, PrintQmgr(options, mode, target, mine, &json));
    if (many) all[target] = std::move(json);
    if (!many && options.json) all = std::move(json);
  }
  if (options.json) {
    std::cout << all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
  }
  std::cout.flush();

  // What went wrong, after the answers: per queue manager when there are
  // several, naming those that could not be asked or did not answer.
  std::set<std::string> told;
  for (const Job& job : jobs) {
    const std::string who = many ? PrintableText(job.request.qmgr) + ": " : "";
    if (!job.put) {
      if (told.insert(job.request.qmgr).second) {
        std::cerr << "csagnt-query: " << who << PutProblem(job) << "\n";
      }
    } else if (!query::Ended(job.answer) && many) {
      if (told.insert(job.request.qmgr).second) {
        std::cerr << "csagnt-query: " << who << "no answer within " << options.wait_seconds
                  << " s\n";
      }
    } else if (mode != Mode::kDump || !query::Ended(job.answer)) {
      if (std::string problem = query::ProblemOf(job.request, job.answer); !problem.empty()) {
        std::cerr << "csagnt-query: " << who << problem << "\n";
      }
    }
  }
  if (many) {
    std::vector<std::string> silent;
    for (const std::string& target : targets) {
      if (told.contains(target)) silent.push_back(PrintableText(target));
    }
    if (!silent.empty()) {
      std::cerr << "csagnt-query: " << silent.size() << " of " << targets.size()
                << " queue managers did not answer:";
      for (const std::string& name : silent) std::cerr << " " << name;
      std::cerr << "\n";
    }
  }
  return status;
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
      "Sends MQSC or PCF commands to IBM MQ queue managers through the CSAGNT agent (or\n"
      "straight to their command servers) and prints the answers.\n\n"
      "  csagnt-query -m QM1 \"DISPLAY QLOCAL(APP.*) CURDEPTH MAXDEPTH\"\n"
      "  csagnt-query -m QM1 --pcf INQUIRE_Q Q_NAME='*' Q_ATTRS=CURRENT_Q_DEPTH --json\n"
      "  csagnt-query -m QM1 --dump > qm1.mqsc      (every definition, as MQSC)\n"
      "  csagnt-query -m QM2 < qm1.mqsc             (commands as runmqsc reads them)\n"
      "  csagnt-query --gateway QM0 -m QM1,QM2,QM3 \"DISPLAY QLOCAL(*) CURDEPTH\"\n\n"
      "Without a command, the MQSC commands of --file or standard input are sent, all at once,\n"
      "and answered in their order. With several queue managers, each request goes to the\n"
      "agent's input queue on its queue manager by name, through the one connected to.\n\n"
      "Exit status: 0 every response has CompCode 0; 1 a response failed, a reply was not an\n"
      "answer or could not be read, or a queue manager could not be asked; 2 a command-line\n"
      "error; 3 no complete answer within the wait; 4 the agent answered CSAG501E (the command\n"
      "server did not answer). Of several commands or queue managers, the highest. With\n"
      "--json, an error is a JSON object too.",
      "csagnt-query"};
  app.add_option("-m,--qmgr", options.qmgrs,
                 "Queue manager, or several separated by commas (default: the default one)")
      ->delimiter(',')
      ->allow_extra_args(false)
      ->check(NameOfAtMost(MQ_Q_MGR_NAME_LENGTH, "a queue manager name"));
  app.add_option("--qmgrs-file", options.qmgrs_file,
                 "A file of queue manager names to ask, one a line ('#' comments)");
  app.add_option("--gateway", options.gateway,
                 "The queue manager to connect to, which routes the requests to the others "
                 "(default: the first of -m)")
      ->check(NameOfAtMost(MQ_Q_MGR_NAME_LENGTH, "a queue manager name"));
  app.add_option("-q,--queue", options.queue, "The agent's input queue")
      ->check(NameOfAtMost(MQ_Q_NAME_LENGTH, "a queue name"))
      ->capture_default_str();
  app.add_flag("--direct", options.direct,
               "Send to the command server's own queue, not through the agent")
      ->excludes(app.get_option("--queue"));
  app.add_flag("--pcf", options.pcf,
               "The command is PCF: a command name (INQUIRE_Q) and NAME=VALUE parameters");
  app.add_flag("--dump", options.dump,
               "Print every object definition as MQSC that replays them (ALTER QMGR, DEFINE ... "
               "REPLACE); a name pattern as the command narrows it");
  app.add_option("--type", options.types,
                 "With --dump: the object types, separated by commas (qmgr, queue, qlocal, "
                 "qmodel, qalias, qremote, process, namelist, channel)")
      ->delimiter(',')
      ->allow_extra_args(false);
  app.add_option("-f,--file", options.file,
                 "Read MQSC commands from this file ('-' standard input) as runmqsc does");
  app.add_flag("--serial", options.serial,
               "Send each command once the one before is answered, as runmqsc does, not all "
               "at once");
  app.add_flag("--json", options.json, "Print the answer as JSON");
  app.add_flag("--client", options.client,
               "Connect as an IBM MQ client (libmqic_r.so; channel from MQSERVER or the CCDT)");
  app.add_option("-w,--wait", options.wait_seconds,
                 "Seconds to wait for every answer (" + kWaitRange + ", a day)")
      ->check(kWaitSeconds)
      ->capture_default_str();
  app.add_option("--reply-model", options.reply_model, "Model queue of the reply queue")
      ->check(NameOfAtMost(MQ_Q_NAME_LENGTH, "a queue name"))
      ->capture_default_str();
  app.add_option("command", options.words,
                 "The MQSC command, or the PCF command and parameters; with --dump a name "
                 "pattern");
  Mode mode = Mode::kCommand;
  try {
    app.parse(argc, argv);
    if (!options.qmgrs_file.empty()) {
      if (std::string error = ReadQmgrsFile(options.qmgrs_file, &options.qmgrs); !error.empty()) {
        throw CLI::ValidationError("--qmgrs-file", error);
      }
    }
    if (options.dump) {
      mode = Mode::kDump;
    } else if (!options.types.empty()) {
      throw CLI::ValidationError("--type", "is for --dump");
    } else if (!options.words.empty()) {
      if (!options.file.empty()) throw CLI::ValidationError("--file", "takes no command besides");
    } else if (!options.file.empty() || !isatty(STDIN_FILENO)) {
      mode = Mode::kScript;
    } else {
      throw CLI::RequiredError("a command, --file or commands on standard input");
    }
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    options.json = AsksForJson(argc, argv);
    // CLI11's message quotes the arguments as given: shown printable.
    return Report(options,
                  UsageError(PrintableText(e.what()) + " (csagnt-query --help shows the options)"));
  }
  return Run(options, mode);
}
