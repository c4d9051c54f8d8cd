// The trigger-monitor subcommand: serves an initiation queue as IBM MQ's
// runmqtrm does. Each trigger message (MQTM) got from the queue starts the
// program named in its ApplId with the character form of the trigger
// message (MQTMC2, 732 characters, blank padded) as its one argument; the
// monitor does not wait for the program and goes on serving. It ends with
// status 0 when the queue manager quiesces or stops.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "pcf/mq_field.h"
#include "tool/client.h"
#include "tool/commands.h"

namespace mqemu {
namespace {

static_assert(sizeof(MQTM) == 684, "MQTM layout");
static_assert(sizeof(MQTMC2) == 732, "MQTMC2 layout");

// The MQTMC2 for a trigger message got on queue manager qmgr.
std::string CharacterForm(const MQTM& tm, const std::string& qmgr) {
  MQTMC2 c;
  std::memcpy(c.StrucId, MQTMC_STRUC_ID, 4);
  std::memcpy(c.Version, MQTMC_VERSION_2, 4);
  FillBlankPadded(c.QName, sizeof c.QName, TextInField(tm.QName, sizeof tm.QName));
  FillBlankPadded(c.ProcessName, sizeof c.ProcessName,
                  TextInField(tm.ProcessName, sizeof tm.ProcessName));
  FillBlankPadded(c.TriggerData, sizeof c.TriggerData,
                  TextInField(tm.TriggerData, sizeof tm.TriggerData));
  char appl_type[8];
  std::snprintf(appl_type, sizeof appl_type, "%4d", static_cast<int>(tm.ApplType % 10000));
  FillBlankPadded(c.ApplType, sizeof c.ApplType, TextInField(appl_type, sizeof appl_type));
  FillBlankPadded(c.ApplId, sizeof c.ApplId, TextInField(tm.ApplId, sizeof tm.ApplId));
  FillBlankPadded(c.EnvData, sizeof c.EnvData, TextInField(tm.EnvData, sizeof tm.EnvData));
  FillBlankPadded(c.UserData, sizeof c.UserData, TextInField(tm.UserData, sizeof tm.UserData));
  FillBlankPadded(c.QMgrName, sizeof c.QMgrName, TextInField(qmgr.data(), qmgr.size()));
  return std::string(reinterpret_cast<const char*>(&c), sizeof c);
}

// Starts program with the one argument, without waiting for it: the child
// that forks it ends at once, so the program is nobody's child to reap.
bool StartProgram(const std::string& program, const std::string& argument) {
  if (::access(program.c_str(), X_OK) != 0) return false;
  pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (::fork() == 0) {
      int in = ::open("/dev/null", O_RDONLY);
      if (in >= 0) ::dup2(in, 0);
      std::string arg = argument;
      char* argv[] = {const_cast<char*>(program.c_str()), arg.data(), nullptr};
      ::execv(argv[0], argv);
      ::_exit(127);
    }
    ::_exit(0);
  }
  ::waitpid(child, nullptr, 0);
  return true;
}

std::string QueueManagerName(MQHCONN hconn, const std::string& fallback) {
  MQOD od = {MQOD_DEFAULT};
  od.ObjectType = MQOT_Q_MGR;
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG cc, rc;
  MQOPEN(hconn, &od, MQOO_INQUIRE, &hobj, &cc, &rc);
  if (cc == MQCC_FAILED) return fallback;
  MQLONG selector = MQCA_Q_MGR_NAME;
  char name[MQ_Q_MGR_NAME_LENGTH];
  MQINQ(hconn, hobj, 1, &selector, 0, nullptr, sizeof name, name, &cc, &rc);
  MQLONG close_cc, close_rc;
  MQCLOSE(hconn, &hobj, MQCO_NONE, &close_cc, &close_rc);
  return cc == MQCC_OK ? TextInField(name, sizeof name) : fallback;
}

}  // namespace

int TriggerMonitorCommand(const Args& args) {
  if (args.size() != 2 || args[0][0] == '-' || args[1][0] == '-') {
    std::cerr << SubcommandHelp("trigger-monitor");
    return 2;
  }
  ToolConnection c;
  if (!c.Connect(args[0])) return 1;
  MQHOBJ hobj = c.Open(args[1], MQOO_INPUT_SHARED | MQOO_FAIL_IF_QUIESCING);
  if (hobj == MQHO_UNUSABLE_HOBJ) return 1;
  const std::string qmgr = QueueManagerName(c.hconn(), args[0]);
  std::cout << "trigger monitor serving " << args[1] << " on " << qmgr << std::endl;
  for (;;) {
    MQMD md = {MQMD_DEFAULT};
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.Options =
        MQGMO_WAIT | MQGMO_FAIL_IF_QUIESCING | MQGMO_NO_SYNCPOINT | MQGMO_ACCEPT_TRUNCATED_MSG;
    gmo.WaitInterval = MQWI_UNLIMITED;
    MQTM tm;
    MQLONG length = 0, cc, rc;
    MQGET(c.hconn(), hobj, &md, &gmo, sizeof tm, &tm, &length, &cc, &rc);
    if (rc == MQRC_Q_MGR_QUIESCING || rc == MQRC_Q_MGR_STOPPING ||
        rc == MQRC_CONNECTION_QUIESCING || rc == MQRC_CONNECTION_STOPPING ||
        rc == MQRC_CONNECTION_BROKEN) {
      std::cout << "trigger monitor ending: queue manager " << qmgr << " ends (reason " << rc << ")"
                << std::endl;
      return 0;
    }
    if (cc == MQCC_FAILED) {
      std::cerr << "mqemu trigger-monitor: MQGET failed with reason " << rc << "\n";
      return 1;
    }
    if (std::memcmp(md.Format, MQFMT_TRIGGER, 8) != 0 || length < static_cast<MQLONG>(sizeof tm) ||
        std::memcmp(tm.StrucId, MQTM_STRUC_ID, 4) != 0) {
      std::cout << "not a trigger message (" << length << " bytes, format '"
                << std::string(md.Format, 8) << "'): ignored" << std::endl;
      continue;
    }
    const std::string program = TextInField(tm.ApplId, sizeof tm.ApplId);
    const std::string queue = TextInField(tm.QName, sizeof tm.QName);
    if (StartProgram(program, CharacterForm(tm, qmgr))) {
      std::cout << "queue " << queue << ": started " << program << std::endl;
    } else {
      std::cout << "queue " << queue << ": cannot start '" << program << "'" << std::endl;
    }
  }
}

}  // namespace mqemu
