// Test support for the command server's process tests: a queue manager QM1
// with a reply queue and the command queue open, requests sent and their
// replies collected, and the helpers that build and read them.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_reader.h"
#include "pcf/pcf_writer.h"
#include "qmgr_fixture.h"

namespace mqemu_test {

struct Reply {
  MQMD md;
  std::string data;
  MQCFH header() const {
    MQCFH h{};
    std::memcpy(&h, data.data(), std::min(data.size(), sizeof h));
    return h;
  }
};

inline pcf::PcfBuilder EscapeRequest(const std::string& command, MQLONG type = MQET_MQSC) {
  pcf::PcfBuilder b(MQCFT_COMMAND, MQCMD_ESCAPE);
  b.Integer(MQIACF_ESCAPE_TYPE, type);
  b.String(MQCACF_ESCAPE_TEXT, command);
  return b;
}

// The parameters of a one-reply answer by identifier.
inline std::map<MQLONG, pcf::PcfParameter> Parameters(const std::vector<Reply>& got) {
  std::map<MQLONG, pcf::PcfParameter> out;
  pcf::PcfMessage m;
  if (got.size() == 1 && pcf::ParsePcf(got[0].data, &m) == 0) {
    for (const pcf::PcfParameter& p : m.parameters) out.emplace(p.parameter, p);
  }
  return out;
}

// A queue manager QM1 started with `options`, a reply queue and the command
// queue (SYSTEM.ADMIN.COMMAND.QUEUE) open.
class CommandServerFixture : public ::testing::Test {
 protected:
  explicit CommandServerFixture(const std::string& options) : qm1("QM1", options, kMemoryCapMb) {}
  EmuHome home;
  QueueManagerProcess qm1;
  MQHCONN h = MQHC_UNUSABLE_HCONN;
  MQHOBJ replies = MQHO_UNUSABLE_HOBJ;
  MQHOBJ commands = MQHO_UNUSABLE_HOBJ;
  std::string reply_queue;

  void SetUp() override {
    ASSERT_TRUE(qm1.running());
    ASSERT_EQ(RunTool("define QM1 APP.Q --maxmsglen 100 --description 'app queue'"), 0);
    h = Connect();
    replies = Open(h, "SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_EXCLUSIVE, 0, &reply_queue);
    commands = Open(h, "SYSTEM.ADMIN.COMMAND.QUEUE", MQOO_OUTPUT);
  }
  void TearDown() override { Disconnect(&h); }

  // Puts a request (through `via`, default the command queue handle) and
  // collects its replies until MQCFC_LAST or a short wait without any.
  std::vector<Reply> Send(const std::string& request, MQMD* md_io = nullptr,
                          MQLONG wait_ms = 2000) {
    MQMD md = {MQMD_DEFAULT};
    if (md_io) md = *md_io;
    if (TextInField(md.Format, 8).empty()) std::memcpy(md.Format, MQFMT_ADMIN, 8);
    md.MsgType = MQMT_REQUEST;
    FillBlankPadded(md.ReplyToQ, sizeof md.ReplyToQ, reply_queue);
    EXPECT_EQ(Put(h, commands, request, &md), MQRC_NONE);
    if (md_io) *md_io = md;
    return Collect(wait_ms);
  }
  std::vector<Reply> Collect(MQLONG wait_ms = 2000) {
    std::vector<Reply> out;
    for (;;) {
      Reply r;
      r.md = MQMD{MQMD_DEFAULT};
      if (Get(h, replies, &r.data, &r.md, wait_ms) != MQRC_NONE) break;
      out.push_back(r);
      if (r.header().Control & MQCFC_LAST) break;
    }
    return out;
  }
  static std::string InquireQueue(const std::string& name, std::vector<MQLONG> attrs) {
    pcf::PcfBuilder b(MQCFT_COMMAND, MQCMD_INQUIRE_Q);
    b.String(MQCA_Q_NAME, name);
    if (!attrs.empty()) b.IntegerList(MQIACF_Q_ATTRS, attrs);
    return b.Finish();
  }

  using Params = std::map<MQLONG, pcf::PcfParameter>;
  // Each reply's parameters; *reason is the last reply's reason.
  std::vector<Params> Ask(pcf::PcfBuilder request, MQLONG* reason = nullptr) {
    std::vector<Params> out;
    for (const Reply& r : Send(request.Finish())) {
      if (reason) *reason = r.header().Reason;
      out.push_back(Parameters({r}));
    }
    return out;
  }
  // The reason of a request that is answered by one reply.
  MQLONG Reason(pcf::PcfBuilder request) {
    MQLONG reason = -1;
    EXPECT_EQ(Ask(std::move(request), &reason).size(), 1u);
    return reason;
  }
  // The MQSC output of a command, its replies' texts joined.
  std::string Mqsc(const std::string& command) {
    std::string out;
    for (const Params& p : Ask(EscapeRequest(command))) {
      if (p.count(MQCACF_ESCAPE_TEXT)) out += p.at(MQCACF_ESCAPE_TEXT).text + "\n";
    }
    return out;
  }
};

}  // namespace mqemu_test
