// The state of one emulated queue manager and the MQI semantics over it:
// object definitions (queues and processes), opening and closing, putting
// and getting, inquiring and setting, asynchronous consumers, dynamic
// queues, triggering and the queue manager's end. The operations are defined
// one concept to a file (registry.cc, open_close.cc, put_get.cc, ...), named
// at each group of declarations below.
//
// Rules: `mu` guards everything here and in every Queue and Session. The
// operations marked "lock held" expect the caller to hold it; the others take
// it themselves. No socket is read, written or polled and no other queue
// manager is called while `mu` is held: the queue manager tells sessions of
// events through SessionEvents (session_events.h), whose calls under the
// lock only record and wake, and asks whether a client has gone with the
// lock released. The one socket call under the lock is shutdown(2), which
// does not block, of a session that ends or is broken, so that its socket
// cannot be closed and its number reused in between.
#pragma once

#include <cmqc.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "protocol/frame.h"
#include "qmgr/channel.h"
#include "qmgr/namelist.h"
#include "qmgr/process.h"
#include "qmgr/queue.h"
#include "qmgr/session.h"

namespace mqemu {

struct Status {
  MQLONG cc = MQCC_OK;
  MQLONG rc = MQRC_NONE;
  static Status Ok() { return {}; }
  static Status Fail(MQLONG rc) { return {MQCC_FAILED, rc}; }
  static Status Warn(MQLONG rc) { return {MQCC_WARNING, rc}; }
  bool failed() const { return cc == MQCC_FAILED; }
};

// Test controls that make the queue manager misbehave on purpose.
struct Faults {
  bool refuse_cno_from_7 = false;
  std::set<std::string> deny_command_server;                   // users
  std::set<std::pair<std::string, std::string>> deny_open;     // (user, object)
  std::set<std::pair<std::string, std::string>> deny_inquire;  // (user, object)
  bool command_server_paused = false;
  int reply_delay_ms = 0;
};

// The open options that open a queue for getting.
inline constexpr MQLONG kInputOptions =
    MQOO_INPUT_AS_Q_DEF | MQOO_INPUT_SHARED | MQOO_INPUT_EXCLUSIVE;

struct OpenRequest {
  MQLONG type = MQOT_Q;
  std::string name;
  std::string qmgr;
  std::string dynamic_name;
  MQLONG options = 0;
};

struct OpenResult {
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  std::string name;      // the queue opened; for a model queue, the dynamic queue made
  std::string qmgr;      // the queue manager that owns it
  std::string resolved;  // the queue messages reach: for an alias, its base queue
};

struct GetRequest {
  MQHOBJ hobj = MQHO_NONE;
  MQLONG options = 0;
  MQLONG match = MQMO_MATCH_MSG_ID | MQMO_MATCH_CORREL_ID;
  MQLONG wait_ms = 0;
  MQLONG buffer_length = 0;
  PropertiesWanted properties = PropertiesWanted::kNone;
};

// A message pushed to a consumer and handed back after a stop.
struct RequeuedMessage {
  MQHOBJ hobj = MQHO_NONE;
  Message message;
  bool browsed = false;  // a browsing consumer's copy: its cursor goes back
};

// The reports a message's Report options may ask for.
enum class ReportKind {
  kArrival,     // MQRO_COA*: on arrival at its destination queue
  kDelivery,    // MQRO_COD*: when an application takes it off that queue
  kException,   // MQRO_EXCEPTION*: it cannot be delivered (Feedback: why)
  kExpiration,  // MQRO_EXPIRATION*: it expired before anyone took it
};

// The dead-letter queue that every emulated queue manager defines, its
// DEADQ until ALTER QMGR names another.
inline constexpr const char* kDeadLetterQueue = "SYSTEM.DEAD.LETTER.QUEUE";

class QueueManager {
 public:
  // Sets the name and platform (MQPL_UNIX or MQPL_ZOS) and defines the
  // system queues: on z/OS the command queue is SYSTEM.COMMAND.INPUT and
  // SYSTEM.ADMIN.COMMAND.QUEUE an alias of it; and the default channels,
  // SYSTEM.DEF.SVRCONN, SYSTEM.DEF.SENDER, SYSTEM.DEF.RECEIVER and
  // SYSTEM.ADMIN.SVRCONN. Called once, before any
  // session or the command server starts.
  void Init(std::string_view qmgr_name, MQLONG qmgr_platform = MQPL_UNIX);

  std::mutex mu;
  // Set by Init and constant after it, so read without the lock.
  std::string name;
  MQLONG platform = MQPL_UNIX;
  std::string command_queue = "SYSTEM.ADMIN.COMMAND.QUEUE";  // the command server's queue
  // The queue manager's own attributes, for inquiry (attributes.cc).
  MQLONG command_level = 940;
  MQLONG ccsid = 819;
  std::string creation_date, creation_time;
  // When this daemon started (the queue manager's creation, since nothing
  // outlives a restart), and whether its command server runs.
  std::string start_date, start_time;
  bool command_server_running = false;
  // Attributes that Change Queue Manager and ALTER QMGR may change, so read
  // with the lock held. A put of a longer message than max_msg_length fails
  // with MQRC_MSG_TOO_BIG_FOR_Q_MGR; on z/OS it is fixed at 100 MB.
  MQLONG max_msg_length = 4194304;
  MQLONG max_handles = 256;  // the open handles one connection may hold
  std::string description = "Emulated queue manager";
  std::string dead_letter_queue = kDeadLetterQueue;  // blank for none
  std::string alteration_date, alteration_time;
  objects::KeptValues kept;  // the attributes that are only reported
  // The objects and the sessions; the command server (definitions.cc,
  // attributes.cc) and the daemon's control commands (control.cc) walk them.
  std::map<std::string, std::unique_ptr<Queue>> queues;
  std::map<std::string, std::unique_ptr<Process>> processes;
  std::map<std::string, std::unique_ptr<Namelist>> namelists;
  std::map<std::string, std::unique_ptr<ChannelDefinition>> channels;
  std::map<uint32_t, std::shared_ptr<Session>> sessions;
  Faults faults;
  bool quiescing = false;
  bool ending = false;
  std::condition_variable command_server_wake;

  // The object registry (registry.cc).

  // Lock held. The queue of that name, or null.
  Queue* FindQueue(std::string_view queue_name);
  // Lock held. Creates a queue with the creation date set; null when the name
  // is taken.
  Queue* AddQueue(const std::string& queue_name, MQLONG type);
  // Lock held. Deletes a queue that nobody has open: MQRC_OBJECT_IN_USE when
  // someone has, MQRC_Q_NOT_EMPTY when it holds messages and purge is false.
  Status DeleteQueue(const std::string& queue_name, bool purge);
  // Lock held. The process definition of that name, or null.
  Process* FindProcess(std::string_view process_name);
  // Lock held. Creates a process definition with its date and time set;
  // null when the name is taken.
  Process* AddProcess(const std::string& process_name);
  // Lock held. Deletes a process definition; MQRC_UNKNOWN_OBJECT_NAME when
  // there is none.
  Status DeleteProcess(const std::string& process_name);
  // Lock held. The namelist of that name or null; a new namelist (null when
  // the name is taken); deleting one (MQRC_UNKNOWN_OBJECT_NAME for none).
  Namelist* FindNamelist(std::string_view namelist_name);
  Namelist* AddNamelist(const std::string& namelist_name);
  Status DeleteNamelist(const std::string& namelist_name);
  // Lock held. Channels alike; a new channel has `type` (MQCHT_*), deleting
  // one that is not there fails with MQRCCF_CHANNEL_NOT_FOUND.
  ChannelDefinition* FindChannel(std::string_view channel_name);
  ChannelDefinition* AddChannel(const std::string& channel_name, MQLONG type);
  Status DeleteChannel(const std::string& channel_name);

  // The MQI calls of a client session, each taking the lock itself
  // (open_close.cc, put_get.cc, inquire_set.cc). Each answers with the
  // completion and reason code that IBM MQ's call would.

  // Opens a queue (local, alias, model: a dynamic queue is made, or one of
  // another queue manager) or the queue manager; on success result->hobj is
  // the new handle of s.
  Status Open(Session& s, const OpenRequest& request, OpenResult* result);
  // Closes a handle of s; MQCO_DELETE(_PURGE) deletes a permanent dynamic
  // queue, and the close of the handle that made a temporary dynamic queue
  // deletes it.
  Status Close(Session& s, MQHOBJ hobj, MQLONG options);
  // Puts md/data (with properties in their wire form) through an open
  // handle; md comes back completed (MsgId, context, defaults resolved).
  // With MQPMO_SYNCPOINT the message waits for the end of the session's
  // unit of work.
  Status Put(Session& s, MQHOBJ hobj, MQLONG pmo_options, ContextMode mode, MQMD* md,
             std::string data, std::string properties = {});
  // Gets or browses a message, waiting as the options say. On success and
  // on truncation md is the message's and *data holds at most buffer_length
  // bytes; *data_length is the message's full length. Its properties go
  // where request.properties says: to *properties (when not null), into an
  // MQRFH2 before the data, or nowhere.
  Status Get(Session& s, const GetRequest& request, MQMD* md, std::string* data,
             MQLONG* data_length, std::string* properties = nullptr);
  // MQINQ: integer attributes go to *ints (at most int_count), character
  // attributes to *chars (at most char_length bytes).
  Status Inquire(Session& s, MQHOBJ hobj, const std::vector<MQLONG>& selectors, MQLONG int_count,
                 MQLONG char_length, std::vector<MQLONG>* ints, std::string* chars);
  // MQSET of the attributes in selectors: integers from ints, character
  // attributes from chars, each at its full length; all or none are set.
  Status Set(Session& s, MQHOBJ hobj, const std::vector<MQLONG>& selectors,
             const std::vector<MQLONG>& ints, std::string_view chars);

  // Asynchronous consumers (consumers.cc). Each takes the lock itself.

  // Registers consumer for hobj (opened for input) of s: its messages are
  // pushed by the session's delivery while it is started.
  Status RegisterConsumer(Session& s, MQHOBJ hobj, const Consumer& consumer);
  Status DeregisterConsumer(Session& s, MQHOBJ hobj);
  // Starts the delivery to the consumers of s; a consumer whose queue is
  // get-inhibited is told so by an event.
  Status Start(Session& s);
  // Stops it; the session owes its client a kStopped marker.
  Status Stop(Session& s);
  // Puts back at their places messages pushed to a connection that stopped
  // before delivering them; a browsing consumer's copies are dropped and its
  // cursor goes back before them.
  Status Requeue(Session& s, std::vector<RequeuedMessage> messages);
  // Lock held. Changes the get-inhibit of a queue and tells its consumers.
  void SetInhibitGet(Queue& q, MQLONG value);
  // Lock held. Takes the first message of q that selection matches, as an
  // application's get outside syncpoint does (expired messages on the way
  // are discarded, a delivery report is sent), or returns false.
  bool TakeMessage(Queue& q, const Selection& selection, Message* out);
  // Lock held. Copies the first message after *cursor that selection
  // matches and moves the cursor onto it, or returns false.
  bool BrowseMessage(Queue& q, const Selection& selection, BrowseCursor* cursor, Message* out);

  // Ends the session's unit of work (unit_of_work.cc): a commit makes its
  // syncpoint puts visible, a backout puts its syncpoint gets back
  // (BackoutCount raised) and drops its puts. Lock held.
  void EndUnitOfWork(Session& s, bool commit);
  // Ends a session: backs out its unit of work, closes its handles
  // (temporary dynamic queues go), removes its consumers and tells it it has
  // ended. Lock held.
  void EndSession(Session& s);

  // Messages that the queue manager puts itself (delivery.cc).

  // Puts a message to queue_name on queue manager qmgr_name (local when blank
  // or this one's name; a local definition of a remote queue leads on to the
  // queue it names), context as in m.md, MsgId generated when null. Used
  // for replies of the command server and for puts to remote queues. A
  // message that cannot be delivered goes to DeadLetter. A message for
  // another queue manager goes through its link (remote.h), waiting up to
  // `wait` for the put there. Lock not held.
  Status Deliver(const std::string& qmgr_name, const std::string& queue_name, Message m,
                 std::chrono::milliseconds wait = std::chrono::milliseconds(0));
  // A message that could not be delivered (`failure` says why) goes to the
  // dead-letter queue (dead_letter_queue, through an alias to its local
  // queue), or is discarded when its report options say MQRO_DISCARD_MSG;
  // either way the exception report it asks for is sent. Returns MQCC_OK,
  // or `failure` when the dead-letter queue does not take it either. Lock
  // not held; DeadLetterLocked with the lock held.
  Status DeadLetter(Message m, Status failure);
  Status DeadLetterLocked(Message m, Status failure);
  // Lock held. Whether q is the local queue that the DEADQ names.
  bool IsDeadLetterQueue(const Queue& q);

  // Report messages (reports.cc).

  // Lock held. Sends the report of `kind` that original's Report options
  // ask for, if any, to its ReplyToQ and ReplyToQMgr: MQMT_REPORT with the
  // kind's Feedback (for an exception the reason it could not be
  // delivered), none, some or all of its data, its identifiers as
  // MQRO_PASS_MSG_ID and MQRO_PASS_CORREL_ID say. A report that cannot be
  // delivered goes to the dead-letter queue.
  void SendReport(const Message& original, ReportKind kind, MQLONG reason = MQRC_NONE);

  // Message identifiers and context (message_context.cc).

  // Lock held. Generates a 24-byte identifier "AMQ " + name(12) + 8 unique
  // bytes.
  void NewId(MQBYTE* id);
  // Lock held. Fills the context of md as the mode says, for a put by s (or
  // by the queue manager itself when s is null).
  void SetContext(const Session* s, ContextMode mode, MQMD* md);

 private:
  // Lock held. Whether user may open object name / inquire it.
  bool MayOpen(const std::string& user, const std::string& object) const;
  bool MayInquire(const std::string& user, const std::string& object) const;
  // Lock held. remote_running: whether request.qmgr, when it is another
  // queue manager, was found running.
  Status OpenQueue(Session& s, const OpenRequest& request, bool remote_running, Handle* h,
                   OpenResult* result);
  // Lock held. Makes a dynamic queue from model, named after pattern (a
  // name, or a prefix ending in '*' that a unique suffix completes).
  Status CreateDynamic(Session& s, Queue& model, const std::string& pattern, Queue** made);
  // Lock held. Releases what handle hobj of s holds: its consumer, its open
  // counts, and the dynamic queue that its close deletes.
  void ReleaseHandle(Session& s, MQHOBJ hobj, Handle& h, MQLONG close_options);
  // Lock held. Adds m to q after the put checks; wakes getters and consumers.
  // With `held` the message waits there instead, for the end of the unit of
  // work. m is taken only when the put succeeds: a failed put leaves it as
  // it was, for the dead-letter queue.
  Status Enqueue(Queue& q, Message&& m,
                 std::vector<std::pair<std::string, Message>>* held = nullptr);
  // Lock held. Makes m visible on q: wakes getters and consumers, puts the
  // trigger message that its arrival calls for and sends its arrival
  // report.
  void Arrive(Queue& q, Message m);
  // Lock held. The index of the first message of q from index `from` on
  // that selection matches, or q.messages.size(); expired messages on the
  // way are discarded with their expiration reports.
  size_t Select(Queue& q, size_t from, const Selection& selection);
  // Lock held. Discards the message at `index` if it has expired (sending
  // its expiration report); returns whether it had.
  bool DiscardIfExpired(Queue& q, size_t index, MessageClock::time_point now);
  // Lock held. Hands a message that the queue manager sends itself (a
  // report) to its queue (delivery.cc): local, through the link to another
  // queue manager (named, or by a local definition of a remote queue), or
  // to the dead-letter queue when neither takes it.
  void SendLocked(const std::string& qmgr_name, const std::string& queue_name, Message m);
  // Lock held. Called when initq is opened for input: puts the trigger
  // messages that were missed while nobody served it, for the queues whose
  // FIRST or DEPTH condition still holds.
  void InitiationQueueOpened(const Queue& initq);
  // Lock held. Puts the MQTM for q on its initiation queue.
  void Trigger(Queue& q);

  uint64_t id_counter_ = 0;
};

// The queue manager of this daemon process.
QueueManager& Qm();

// Whether a name matches a generic name ("*", "SYSTEM.*").
bool MatchesGeneric(std::string_view name, std::string_view pattern);

}  // namespace mqemu
