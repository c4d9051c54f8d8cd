// Test support: the other programs that the agent talks to, as tests play
// them through IBM's MQI against the stand-in: an administration client with
// a dynamic reply queue of its own, and a fake command server for a stand-in
// started without its own, which takes the forwarded requests off the
// command queue and answers them with crafted replies. Also the PCF helpers
// that build requests and replies and take the agent's coalesced messages
// apart again.
#pragma once

#include <cmqc.h>

#include <string>
#include <vector>

#include "admin/client.h"
#include "agent_process.h"
#include "emulator/qmgr_fixture.h"
#include "pcf/agent_format.h"
#include "pcf/coalesced_reader.h"
#include "pcf/pcf_reader.h"
#include "pcf/pcf_writer.h"

namespace agent_test {

inline constexpr char kAgentInputQueue[] = "TOVAN.CSAGNT.COMMAND.QUEUE";
inline constexpr char kCommandQueue[] = "SYSTEM.ADMIN.COMMAND.QUEUE";

// A stand-in queue manager in a fresh $MQEMU_HOME, started with `options`,
// with the agent's input queue defined; stopped at once when the object goes.
class StandIn {
 public:
  explicit StandIn(const std::string& name = "QM1", const std::string& options = "--default");
  // Runs `mqemu ARGS`; the test fails unless it succeeds.
  void Tool(const std::string& args);
  void Stop(const std::string& options) { qmgr_.Stop(options); }
  const std::string& name() const { return qmgr_.name(); }

 private:
  mqemu_test::EmuHome home_;
  mqemu_test::QueueManagerProcess qmgr_;
};

// One message with its descriptor.
using Message = admin::Message;

// An administration client: a connection (as `user`, when given) and a
// temporary dynamic reply queue, on the shared client with the stand-in's
// library linked. Its calls do not fail while the queue manager quiesces:
// tests watch the end.
class AgentClient {
 public:
  explicit AgentClient(const std::string& qmgr, const char* user = nullptr);

  // How a request is put; by default to the agent (an empty queue) with this
  // client's reply queue and no report options.
  using Options = admin::PutOptions;
  // Puts `data` with `format` as a request; returns the descriptor as put,
  // with the MsgId that the put gave the message.
  MQMD Put(const std::string& data, const char* format, Options options);
  MQMD Put(const std::string& data, const char* format) { return Put(data, format, {}); }
  // Puts a datagram without reply queue (a simple command).
  void PutDatagram(const std::string& text, const std::string& queue = kAgentInputQueue);

  // Gets the next message from the reply queue; false when none came within
  // `wait_ms`.
  bool Get(Message* message, int wait_ms = kWaitMs);
  // Gets messages up to and including the last reply of an answer
  // (admin::IsLastReply: a PCF message with MQCFC_LAST).
  std::vector<Message> GetUntilLast(int wait_ms = kWaitMs);

  MQHCONN hconn() const { return client_.hconn(); }
  MQHOBJ reply_hobj() const { return client_.reply_hobj(); }
  const std::string& reply_queue() const { return client_.reply_queue(); }

 private:
  admin::Client client_;
};

// Plays the command server of a stand-in started with --no-command-server.
class FakeCommandServer {
 public:
  explicit FakeCommandServer(const std::string& qmgr, const std::string& queue = kCommandQueue);
  ~FakeCommandServer();
  FakeCommandServer(const FakeCommandServer&) = delete;
  FakeCommandServer& operator=(const FakeCommandServer&) = delete;

  // Takes the next request off the command queue.
  bool NextRequest(Message* request, int wait_ms = kWaitMs);
  // Answers `request` as a command server does: `data` put to its ReplyToQ
  // on its ReplyToQMgr, with MsgId and CorrelId as the request's report
  // options ask.
  // A report (MQMT_REPORT) carries `feedback`.
  void Reply(const Message& request, const std::string& data, const char* format,
             MQLONG msg_type = MQMT_REPLY, MQLONG feedback = MQFB_NONE);

 private:
  MQHCONN hconn_ = MQHC_UNUSABLE_HCONN;
  MQHOBJ queue_ = MQHO_UNUSABLE_HOBJ;
};

// A PCF command message with the given parameters.
std::string PcfCommand(MQLONG command, const std::vector<std::pair<MQLONG, std::string>>& strings,
                       const std::vector<std::pair<MQLONG, MQLONG>>& integers = {});
// An Escape request carrying MQSC `text`.
std::string EscapeRequest(const std::string& text);

// A crafted PCF response of exactly `length` bytes (36 + a multiple of 16):
// MQCFINs with parameter 1 and increasing values after the header.
std::string PcfResponse(MQLONG command, MQLONG seq, MQLONG control, int length,
                        MQLONG comp_code = MQCC_OK, MQLONG reason = MQRC_NONE);

// Parses a PCF message; the test fails when it is not sound.
pcf::PcfMessage ParseOrFail(const std::string& data);
// The replies gathered in a coalesced PCF message, split at the response
// delimiters (which are left out); a message of one reply gives one.
std::vector<std::vector<pcf::PcfParameter>> SplitResponses(const std::string& data);
// The MQSC texts of a coalesced MQSC message, split at the 0x00 bytes.
std::vector<std::string> SplitTexts(const std::string& data);

// The test fails unless the log ends with the final status report, CSAG099I
// and the separator, in that order, after `cause`.
void ExpectOrderlyShutdownAfter(const std::string& log, const std::string& cause);

// Reads an MQCFH field out of a PCF message of at least 36 bytes.
MQLONG HeaderField(const std::string& data, size_t offset);

}  // namespace agent_test
