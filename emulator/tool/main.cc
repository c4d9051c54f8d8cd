// mqemu: the command-line tool of the IBM MQ stand-in. It starts and stops
// emulated queue managers, defines and shows their queues, puts and gets
// messages, sends PCF requests, serves initiation queues as a trigger
// monitor and sets the fault controls that tests use.
#include <cstring>
#include <iostream>
#include <map>

#include "protocol/endpoint.h"
#include "tool/commands.h"

namespace mqemu {
namespace {

const std::map<std::string, const char*>& Help() {
  static const std::map<std::string, const char*> help = {
      {"start",
       "usage: mqemu start QMGR [--default] [--no-command-server] [--platform unix|zos]\n"
       "  Starts queue manager QMGR in the background and returns once it accepts\n"
       "  connections. --default makes it the queue manager that a blank name in\n"
       "  MQCONN/MQCONNX reaches; --no-command-server leaves the command queue to\n"
       "  another program. --platform zos makes it a z/OS queue manager: platform\n"
       "  MQPL_ZOS, command queue SYSTEM.COMMAND.INPUT (SYSTEM.ADMIN.COMMAND.QUEUE an\n"
       "  alias of it), PCF extended responses and MQSC text requests. Its files\n"
       "  live in $MQEMU_HOME (default /tmp/mqemu-<uid>), which must be a directory\n"
       "  of your own that nobody else may enter (mode 0700).\n"},
      {"stop",
       "usage: mqemu stop QMGR [--immediate] [--reason N]\n"
       "  Ends QMGR. A controlled end tells started connections MQRC_Q_MGR_QUIESCING\n"
       "  (2161, or N, e.g. 2202 MQRC_CONNECTION_QUIESCING) and waits up to 5 seconds\n"
       "  for them to disconnect; --immediate tells them MQRC_Q_MGR_STOPPING (2162)\n"
       "  and ends at once. Remaining connections break.\n"},
      {"define",
       "usage: mqemu define QMGR QUEUE [--model [--permanent]] [--alias BASE]\n"
       "                   [--remote --rname Q --rqmname QMGR [--xmitq Q]]\n"
       "                   [--maxmsglen N] [--maxdepth N] [--description TEXT] [--replace]\n"
       "                   [--trigger first|every|depth|none | --notrigger] [--trigdepth N]\n"
       "                   [--trigmpri N] [--initq Q] [--process P] [--trigdata TEXT]\n"
       "                   [--KEYWORD VALUE]... [--FLAG]...\n"
       "  Defines a local queue (or a model, alias or remote queue). --trigger\n"
       "  switches triggering on with that trigger type; trigger messages go to the\n"
       "  initiation queue --initq and name the process definition --process.\n"
       "  --KEYWORD is any other MQSC attribute keyword of the queue in lower case\n"
       "  (--defprty 5, --get disabled, --custom TEXT), VALUE a number or one of its\n"
       "  values; --FLAG a keyword that MQSC gives alone (--hardenbo, --noshare).\n"
       "  The queue manager's attributes change with mqemu mqsc QMGR 'ALTER QMGR ...'.\n"},
      {"define-process",
       "usage: mqemu define-process QMGR PROCESS [--applicid PROGRAM] [--appltype unix|N]\n"
       "                   [--userdata TEXT] [--envdata TEXT] [--description TEXT]\n"
       "                   [--replace] [--KEYWORD VALUE]...\n"
       "  Defines a process definition: the program that a trigger monitor starts\n"
       "  for the queues that name it. --KEYWORD is any other MQSC attribute\n"
       "  keyword of processes in lower case.\n"},
      {"delete-process",
       "usage: mqemu delete-process QMGR PROCESS\n"
       "  Deletes a process definition.\n"},
      {"define-channel",
       "usage: mqemu define-channel QMGR CHANNEL [--type svrconn|sdr|rcvr] [--replace]\n"
       "                   [--KEYWORD VALUE]...\n"
       "  Defines a channel of the type (svrconn unless given) with the attributes\n"
       "  of the type's default channel (SYSTEM.DEF.SVRCONN, ...). --KEYWORD is any\n"
       "  MQSC attribute keyword of channels of that type in lower case\n"
       "  (--conname HOST(PORT), --xmitq Q, --mcauser USER, --descr TEXT).\n"},
      {"delete-channel",
       "usage: mqemu delete-channel QMGR CHANNEL\n"
       "  Deletes a channel definition.\n"},
      {"trigger-monitor",
       "usage: mqemu trigger-monitor QMGR INITQ\n"
       "  Serves initiation queue INITQ as IBM MQ's runmqtrm does: for each trigger\n"
       "  message it starts the program named in ApplId with the trigger message in\n"
       "  character form (MQTMC2, 732 characters) as its one argument, prints one\n"
       "  line, and goes on without waiting for the program. Ends with status 0 when\n"
       "  the queue manager ends.\n"},
      {"delete",
       "usage: mqemu delete QMGR QUEUE [--purge]\n"
       "  Deletes a queue that nobody has open; --purge also when it holds messages.\n"},
      {"show",
       "usage: mqemu show QMGR [NAME]\n"
       "  Shows the queue manager, its queues, process definitions, namelists,\n"
       "  channels and connections, or the objects matching NAME (which may end in\n"
       "  '*'), with attributes, depths and open counts.\n"},
      {"put",
       "usage: mqemu put QMGR QUEUE [TEXT...] [--file F] [--format FMT] [--replytoq Q]\n"
       "                [--replytoqmgr QM] [--report N] [--msgtype N] [--msgid HEX]\n"
       "                [--correlid HEX] [--persistent]\n"
       "  Puts one message: TEXT, the contents of F, or standard input. Several\n"
       "  TEXTs make one message of those texts separated by one 0x00 byte each (a\n"
       "  coalesced MQSC message). Format is MQSTR unless --format says otherwise\n"
       "  (MQSTR, MQCMD1, MQCMD2, MQADMIN or any other 8-character name). Prints the\n"
       "  MsgId.\n"},
      {"get",
       "usage: mqemu get QMGR QUEUE [--wait SECONDS]\n"
       "  Gets one message and shows its descriptor and data; PCF (MQADMIN) is\n"
       "  decoded, a reply the agent coalesced as the responses it holds, each\n"
       "  apart, with the agent's information; text (MQSTR, MQCMD1, MQCMD2) is\n"
       "  shown one text a line where 0x00 bytes separate several (a coalesced\n"
       "  MQSC message, its '*' mark shown as a blank); a trigger message (MQTRIG)\n"
       "  field by field. Exit status 1 when none, or when PCF cannot be read\n"
       "  (cut short, a lying length, groups nested more than 10 deep): it is\n"
       "  shown as far as it goes.\n"},
      {"pcf",
       "usage: mqemu pcf QMGR COMMAND [PARAM=VALUE ...] [--queue Q] [--wait SECONDS]\n"
       "                [--report N]\n"
       "  Sends a PCF request (COMMAND: INQUIRE_Q_MGR, INQUIRE_Q, INQUIRE_Q_NAMES,\n"
       "  CREATE_Q, CHANGE_Q, DELETE_Q, CLEAR_Q, PING_Q_MGR, ... or a number) to Q\n"
       "  (default SYSTEM.ADMIN.COMMAND.QUEUE, or e.g. an agent's input queue),\n"
       "  collects the replies until MQCFC_LAST and prints them decoded (a reply\n"
       "  the agent coalesced as the responses it holds) with the number of\n"
       "  messages and bytes; exit status 1 when no last reply came or a reply\n"
       "  cannot be read. PARAM is a name (Q_NAME, Q_TYPE, Q_ATTRS,\n"
       "  MAX_MSG_LENGTH, ...) or number; VALUE a string, a number, a comma list, or\n"
       "  ALL, LOCAL, MODEL, ALIAS, YES, NO.\n"
       "  example: mqemu pcf QM1 INQUIRE_Q Q_NAME='*' Q_ATTRS=CURRENT_Q_DEPTH\n"},
      {"mqsc",
       "usage: mqemu mqsc QMGR [COMMAND...]\n"
       "  Runs an MQSC command (COMMAND, its words joined by blanks) or the MQSC\n"
       "  commands on standard input (with '-' and '+' continuations and '*'\n"
       "  comments) on QMGR and prints them as runmqsc does. Exit status 10 when a\n"
       "  command failed or had a syntax error.\n"
       "  example: mqemu mqsc QM1 \"DEFINE QLOCAL(A.Q) MAXMSGL(100000)\"\n"},
      {"fault",
       "usage: mqemu fault QMGR FAULT ...\n"
       "  command-server pause|resume     stop or restart serving the command queue\n"
       "  reply-delay MS                  delay each command server reply\n"
       "  put-fail QUEUE N REASON         the next N puts fail with REASON\n"
       "  put-warn QUEUE N REASON         the next N puts succeed with warning REASON\n"
       "  inhibit|allow QUEUE get|put     inhibit or allow gets or puts (consumers\n"
       "                                  get MQRC_GET_INHIBITED)\n"
       "  refuse-cno7 on|off              MQCONNX refuses MQCNO version 7 and up (2139)\n"
       "  deny|permit USER command-server | open OBJECT | inquire OBJECT\n"
       "                                  refuse USER with MQRC_NOT_AUTHORIZED (2035)\n"
       "  break APPL|USER|*               break the connections of an application\n"
       "                                  (its event handler and calls get 2009)\n"
       "  event REASON [APPL|USER]        send a connection event to event handlers\n"
       "  clear                           remove every fault\n"},
  };
  return help;
}

int Usage(std::ostream& out) {
  out << "usage: mqemu SUBCOMMAND ARGS...   (mqemu SUBCOMMAND --help for each)\n"
         "subcommands: start stop define delete define-process delete-process\n"
         "             define-channel delete-channel show put get pcf mqsc\n"
         "             trigger-monitor fault\n";
  return 2;
}

}  // namespace

const char* SubcommandHelp(const std::string& name) {
  auto it = Help().find(name);
  return it == Help().end() ? nullptr : it->second;
}

bool HelpWanted(const std::string& name, const Args& args) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << SubcommandHelp(name);
      return true;
    }
  }
  return false;
}

}  // namespace mqemu

int main(int argc, char** argv) {
  using namespace mqemu;
  if (argc < 2) return Usage(std::cerr);
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    Usage(std::cout);
    return 0;
  }
  if (!SubcommandHelp(name)) {
    std::cerr << "mqemu: unknown subcommand " << name << "\n";
    return Usage(std::cerr);
  }
  Args args(argv + 2, argv + argc);
  if (HelpWanted(name, args)) return 0;
  if (std::string problem = HomeProblem(); !problem.empty()) {
    std::cerr << "mqemu: " << problem << "\n";
    return 1;
  }
  if (name == "start") return StartCommand(args);
  if (name == "stop") return StopCommand(args);
  if (name == "put") return PutCommand(args);
  if (name == "get") return GetCommand(args);
  if (name == "pcf") return PcfCommand(args);
  if (name == "trigger-monitor") return TriggerMonitorCommand(args);
  if (name == "mqsc") return MqscCommand(args);
  return ControlCommand(name, args);
}
