// Test support: an in-process MQI that records what the agent asks of IBM MQ
// and answers as a test tells it to. Install() puts its functions into
// MqiTable (every slot the agent uses), so the agent's code runs unchanged
// against it, without a queue manager.
//
// What it records: every MQCONNX (queue manager name, MQCNO), MQOPEN (object
// name, queue manager, options, descriptor), MQINQ, MQCB, MQPUT (the object
// name the handle was opened for, MQMD and MQPMO as given, the bytes and the
// buffer's address), MQCTL and MQCLOSE, and one line per call in `calls`
// ("CTL SUSPEND", "CLOSE CLIENT.Q", "PUT CLIENT.Q", ...) for checking the
// order of calls across kinds.
//
// What it can be told: fail the next puts, or complete them with a warning;
// refuse an open (optionally only when MQOO_INQUIRE is asked for), or every
// open beyond a number of handles; hand back other names in the MQOD after
// an open, or other resolved names; the MaxMsgLength and definition
// type of a queue; the queue manager's name and platform; reject an MQCNO of
// version 7 with MQRC_CNO_ERROR; fail MQCONNX, MQINQ, MQCB or an MQCTL
// operation. A put with MsgId MQMI_NONE gets a generated MsgId.
//
// All calls are serialised by one mutex, so the agent's two threads may use
// it at once.
#pragma once

#include <cmqc.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "mq/mqi_table.h"

struct RecordedConnect {
  std::string qmgr;  // the name field up to its first NUL or blank
  MQCNO cno;         // as given (only the fields of its Version are meaningful)
};

struct RecordedOpen {
  std::string name;  // ObjectName as given, up to its first NUL or blank
  std::string qmgr;  // ObjectQMgrName as given
  MQLONG options;
  MQOD od;  // as given, before the call changed it
  MQHOBJ hobj;
  MQLONG reason;
};

struct RecordedPut {
  std::string object;  // the name the handle was opened for
  MQHOBJ hobj;
  MQMD md;          // as given (MsgId MQMI_NONE when IBM MQ was to generate one)
  MQBYTE24 msg_id;  // the MsgId the put ended with (given or generated)
  MQLONG pmo_options;
  MQHOBJ pmo_context;
  std::string data;
  const void* buffer;  // the address the bytes came from
  MQLONG comp_code;
  MQLONG reason;
};

struct RecordedInquire {
  MQHOBJ hobj;
  std::vector<MQLONG> selectors;
  MQLONG int_count;
  MQLONG char_length;
};

struct RecordedCallback {
  MQLONG operation;
  MQHOBJ hobj;
  MQCBD cbd;
  bool has_md;
  MQMD md;
  bool has_gmo;
  MQGMO gmo;
};

class RecordingMqi {
 public:
  // The one instance, reset and installed into MqiTable.
  static RecordingMqi& Install();
  // The table of this MQI's functions (for forwarding from a loaded library).
  static MqiEntryPoints Table();

  // Forgets every record and every answer set.
  void Reset();

  // A handle already open for `name` (as start-up opens its queues), so that
  // puts with it are recorded with that name.
  MQHOBJ Preopen(const std::string& name);

  // --- Answers ---
  // The next `count` puts (to `object` only, when given) complete with
  // MQCC_FAILED and `reason`; nothing is put.
  void FailPuts(int count, MQLONG reason, const std::string& object = "");
  // The next `count` puts complete with MQCC_WARNING and `reason`; the
  // message is put.
  void WarnPuts(int count, MQLONG reason);
  // MQOPEN of `name` fails with `reason`; only while MQOO_INQUIRE is among
  // the options when `only_with_inquire`.
  void RefuseOpen(const std::string& name, MQLONG reason, bool only_with_inquire = false);
  // After a successful open of `name`, the MQOD carries these names.
  void RenameOnOpen(const std::string& name, const std::string& object_name,
                    const std::string& qmgr_name);
  // After a successful open of `name`, the MQOD's resolved names (version
  // 3) are these: an alias's base queue, say.
  void ResolveOnOpen(const std::string& name, const std::string& queue,
                     const std::string& qmgr_name);
  // MQOPEN fails with MQRC_HANDLE_NOT_AVAILABLE while `limit` handles are
  // open (those of Preopen and the queue manager object included).
  void LimitHandles(size_t limit);
  // MQINQ of the queue manager: its dead-letter queue and MAXHANDS.
  void SetQueueManagerLimits(const std::string& dead_letter_queue, MQLONG max_handles);
  // The handles open now.
  size_t OpenHandleCount();
  // MQINQ of queue `name`: MaxMsgLength and DefinitionType.
  void SetQueueAttributes(const std::string& name, MQLONG max_msg_length, MQLONG definition_type);
  // MQINQ of any queue fails with `reason`.
  void FailQueueInquire(MQLONG reason);
  // MQINQ of the queue manager object: its name (returned blank padded) and
  // platform.
  void SetQueueManager(const std::string& name, MQLONG platform);
  // MQOPEN of the queue manager object fails with `reason`.
  void RefuseQueueManagerOpen(MQLONG reason);
  // MQINQ of the queue manager object fails with `reason`.
  void FailQueueManagerInquire(MQLONG reason);
  // MQCONNX with an MQCNO of version 7 or more fails with MQRC_CNO_ERROR.
  void RejectCnoVersion7();
  // Every MQCONNX fails with `reason`.
  void FailConnect(MQLONG reason);
  // MQCB fails with `reason` (every call).
  void FailCallback(MQLONG reason);
  // MQCTL `operation` fails with `reason` (every call of it).
  void FailControl(MQLONG operation, MQLONG reason);
  // MQCLOSE fails with `reason` (every call).
  void FailClose(MQLONG reason);
  // Calls `hook` with the operation of every MQCTL, after recording it and
  // outside the recorder's lock (a test can model IBM MQ's suspension of
  // consumers with it).
  void OnControl(std::function<void(MQLONG)> hook);

  // --- Records (read them only while the agent's threads are quiet) ---
  std::vector<RecordedConnect> connects;
  std::vector<RecordedOpen> opens;
  std::vector<RecordedPut> puts;  // every attempt, failed ones included
  std::vector<RecordedInquire> inquires;
  std::vector<RecordedCallback> callbacks;
  std::vector<MQLONG> controls;  // MQCTL operations in order
  std::vector<MQHOBJ> closes;
  std::vector<std::string> calls;  // one line per call, in order

  // The handle returned to the connection.
  static constexpr MQHCONN kHconn = 7;
  // The handle the queue manager object is opened with.
  static constexpr MQHOBJ kQueueManagerHobj = 99;

  // The name a handle was opened for ("" when unknown).
  std::string NameOf(MQHOBJ hobj);

  // The messages put to `object` (attempts that failed left out).
  std::vector<RecordedPut> PutsTo(const std::string& object);

  // The MQI entry points; they record into the installed instance.
  static void MQENTRY Connx(PMQCHAR qmgr, PMQCNO cno, PMQHCONN hconn, PMQLONG cc, PMQLONG rc);
  static void MQENTRY Disc(PMQHCONN hconn, PMQLONG cc, PMQLONG rc);
  static void MQENTRY Open(MQHCONN hconn, PMQVOID od, MQLONG options, PMQHOBJ hobj, PMQLONG cc,
                           PMQLONG rc);
  static void MQENTRY Close(MQHCONN hconn, PMQHOBJ hobj, MQLONG options, PMQLONG cc, PMQLONG rc);
  static void MQENTRY Inq(MQHCONN hconn, MQHOBJ hobj, MQLONG selector_count, PMQLONG selectors,
                          MQLONG int_count, PMQLONG ints, MQLONG char_length, PMQCHAR chars,
                          PMQLONG cc, PMQLONG rc);
  static void MQENTRY Put(MQHCONN hconn, MQHOBJ hobj, PMQVOID md, PMQVOID pmo, MQLONG length,
                          PMQVOID buffer, PMQLONG cc, PMQLONG rc);
  static void MQENTRY Put1(MQHCONN hconn, PMQVOID od, PMQVOID md, PMQVOID pmo, MQLONG length,
                           PMQVOID buffer, PMQLONG cc, PMQLONG rc);
  static void MQENTRY Cb(MQHCONN hconn, MQLONG operation, PMQVOID cbd, MQHOBJ hobj, PMQVOID md,
                         PMQVOID gmo, PMQLONG cc, PMQLONG rc);
  static void MQENTRY Ctl(MQHCONN hconn, MQLONG operation, PMQVOID ctlo, PMQLONG cc, PMQLONG rc);

 private:
  struct OpenRefusal {
    MQLONG reason;
    bool only_with_inquire;
  };
  struct Rename {
    std::string object_name;
    std::string qmgr_name;
  };
  struct Attributes {
    MQLONG max_msg_length;
    MQLONG definition_type;
  };

  std::mutex mutex_;
  MQHOBJ next_hobj_ = 100;
  int next_msg_id_ = 1;
  std::map<MQHOBJ, std::string> open_names_;
  int failing_puts_ = 0;
  MQLONG fail_put_reason_ = MQRC_NONE;
  std::string fail_put_object_;
  int warning_puts_ = 0;
  MQLONG warn_put_reason_ = MQRC_NONE;
  std::map<std::string, OpenRefusal> open_refusals_;
  std::map<std::string, Rename> renames_;
  std::map<std::string, Rename> resolutions_;
  size_t handle_limit_ = SIZE_MAX;
  std::string dead_letter_queue_ = "SYSTEM.DEAD.LETTER.QUEUE";
  MQLONG max_handles_ = 256;
  std::map<std::string, Attributes> attributes_;
  MQLONG queue_inquire_reason_ = MQRC_NONE;
  std::string qmgr_name_ = "QM1";
  MQLONG platform_ = MQPL_UNIX;
  MQLONG qmgr_open_reason_ = MQRC_NONE;
  MQLONG qmgr_inquire_reason_ = MQRC_NONE;
  bool reject_cno_7_ = false;
  MQLONG connect_reason_ = MQRC_NONE;
  MQLONG callback_reason_ = MQRC_NONE;
  std::map<MQLONG, MQLONG> control_reasons_;
  MQLONG close_reason_ = MQRC_NONE;
  std::function<void(MQLONG)> control_hook_;
};

// The name of an MQCTL operation as `calls` writes it ("SUSPEND", ...).
const char* ControlName(MQLONG operation);
