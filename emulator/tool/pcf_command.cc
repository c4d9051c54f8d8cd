// The pcf subcommand: builds a PCF request from its arguments, sends it to
// a queue with a temporary dynamic reply queue, and prints every reply until
// the one marked MQCFC_LAST.
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "pcf/agent_format.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_text.h"
#include "pcf/pcf_writer.h"
#include "tool/client.h"
#include "tool/commands.h"

namespace mqemu {

using pcf::CommandCode;
using pcf::CommandName;
using pcf::PcfBuilder;

int PcfCommand(const Args& args) {
  if (args.size() < 2 || args[0][0] == '-' || args[1][0] == '-') {
    std::cerr << SubcommandHelp("pcf");
    return 2;
  }
  MQLONG command = CommandCode(args[1]);
  if (command < 0) {
    std::cerr << "mqemu pcf: unknown command " << args[1] << "\n";
    return 2;
  }
  std::string queue = "SYSTEM.ADMIN.COMMAND.QUEUE";
  MQLONG wait_ms = 10000, report = MQRO_NONE;
  PcfBuilder request(MQCFT_COMMAND, command);
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool v = i + 1 < args.size();
    if (a == "--queue" && v) {
      queue = args[++i];
    } else if (a == "--wait" && v) {
      wait_ms = static_cast<MQLONG>(std::strtod(args[++i].c_str(), nullptr) * 1000);
    } else if (a == "--report" && v) {
      report = static_cast<MQLONG>(std::strtol(args[++i].c_str(), nullptr, 0));
    } else if (!pcf::AddParameter(request, a)) {
      std::cerr << "mqemu pcf: cannot use parameter " << a << " (want NAME=VALUE)\n";
      return 2;
    }
  }
  ToolConnection c;
  if (!c.Connect(args[0])) return 1;
  std::string reply_queue;
  MQHOBJ replies = c.Open("SYSTEM.DEFAULT.MODEL.QUEUE", MQOO_INPUT_EXCLUSIVE, &reply_queue);
  if (replies == MQHO_UNUSABLE_HOBJ) return 1;
  MQHOBJ target = c.Open(queue, MQOO_OUTPUT);
  if (target == MQHO_UNUSABLE_HOBJ) return 1;
  const std::string& data = request.Finish();
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_ADMIN, 8);
  md.MsgType = MQMT_REQUEST;
  md.Report = report;
  FillNulPadded(md.ReplyToQ, sizeof md.ReplyToQ, reply_queue);
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Options = MQPMO_NO_SYNCPOINT;
  MQLONG cc, rc;
  MQPUT(c.hconn(), target, &md, &pmo, static_cast<MQLONG>(data.size()),
        const_cast<char*>(data.data()), &cc, &rc);
  if (cc == MQCC_FAILED) {
    std::cerr << "mqemu pcf: MQPUT to " << queue << " failed with reason " << rc << "\n";
    return 1;
  }
  std::cout << "sent " << (CommandName(command) ? CommandName(command) : args[1]) << " ("
            << data.size() << " bytes) to " << queue << "\n";
  size_t messages = 0, bytes = 0;
  bool last = false;
  std::string buffer(4 * 1024 * 1024, '\0');
  while (!last) {
    MQMD reply = {MQMD_DEFAULT};
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.Version = MQGMO_VERSION_3;
    gmo.Options = MQGMO_NO_SYNCPOINT | MQGMO_WAIT | MQGMO_ACCEPT_TRUNCATED_MSG;
    gmo.WaitInterval = wait_ms;
    MQLONG length = 0;
    MQGET(c.hconn(), replies, &reply, &gmo, static_cast<MQLONG>(buffer.size()), buffer.data(),
          &length, &cc, &rc);
    if (cc == MQCC_FAILED) break;
    std::string got(buffer.data(), static_cast<size_t>(gmo.ReturnedLength));
    ++messages;
    bytes += got.size();
    std::cout << "--- reply message " << messages << " ---\n";
    if (MQLONG fault = PrintMessage(reply, got)) {
      std::cerr << "mqemu pcf: reply message " << messages << " could not be read: reason " << fault
                << "\n";
      return 1;
    }
    MQCFH h{};
    bool admin = std::memcmp(reply.Format, MQFMT_ADMIN, 8) == 0 && got.size() >= sizeof h;
    if (admin) std::memcpy(&h, got.data(), sizeof h);
    last = !admin || (h.Control & MQCFC_LAST);
  }
  std::cout << messages << " message(s), " << bytes << " bytes received"
            << (last ? "" : " (no last reply before the wait ended)") << "\n";
  return last ? 0 : 1;
}

}  // namespace mqemu
