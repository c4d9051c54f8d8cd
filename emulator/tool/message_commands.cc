// The put and get subcommands.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "pcf/mq_field.h"
#include "pcf/pcf_text.h"
#include "tool/client.h"
#include "tool/commands.h"

namespace mqemu {

bool ParseHexId(const std::string& text, unsigned char* id) {
  std::string bytes;
  if (text.size() > 48 || !pcf::ParseHex(text, &bytes)) return false;
  std::memset(id, 0, 24);
  std::memcpy(id, bytes.data(), bytes.size());
  return true;
}

int PutCommand(const Args& args) {
  if (args.size() < 2 || args[0][0] == '-' || args[1][0] == '-') {
    std::cerr << SubcommandHelp("put");
    return 2;
  }
  MQMD md = {MQMD_DEFAULT};
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Options = MQPMO_NO_SYNCPOINT;
  std::memcpy(md.Format, MQFMT_STRING, 8);
  std::string data;
  bool have_data = false, from_file = false;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool v = i + 1 < args.size();
    if (a == "--file" && v) {
      std::ifstream in(args[++i], std::ios::binary);
      if (!in) {
        std::cerr << "mqemu put: cannot read " << args[i] << "\n";
        return 1;
      }
      data.assign(std::istreambuf_iterator<char>(in), {});
      have_data = from_file = true;
    } else if (a == "--format" && v) {
      std::string f = args[++i];
      f.resize(8, ' ');
      std::memcpy(md.Format, f.data(), 8);
    } else if (a == "--replytoq" && v) {
      FillNulPadded(md.ReplyToQ, 48, args[++i]);
    } else if (a == "--replytoqmgr" && v) {
      FillNulPadded(md.ReplyToQMgr, 48, args[++i]);
    } else if (a == "--report" && v) {
      md.Report = static_cast<MQLONG>(std::strtol(args[++i].c_str(), nullptr, 0));
    } else if (a == "--msgtype" && v) {
      md.MsgType = static_cast<MQLONG>(std::strtol(args[++i].c_str(), nullptr, 0));
    } else if ((a == "--msgid" || a == "--correlid") && v) {
      if (!ParseHexId(args[++i], a == "--msgid" ? md.MsgId : md.CorrelId)) {
        std::cerr << "mqemu put: " << a << " wants up to 48 hexadecimal digits\n";
        return 2;
      }
    } else if (a == "--persistent") {
      md.Persistence = MQPER_PERSISTENT;
    } else if (a[0] != '-' && !from_file) {
      // Several texts make one coalesced message, one 0x00 byte between.
      if (have_data) data += '\0';
      data += a;
      have_data = true;
    } else {
      std::cerr << "mqemu put: unknown or incomplete option " << a << "\n";
      return 2;
    }
  }
  if (!have_data) data.assign(std::istreambuf_iterator<char>(std::cin), {});
  ToolConnection c;
  if (!c.Connect(args[0])) return 1;
  MQOD od = {MQOD_DEFAULT};
  FillNulPadded(od.ObjectName, sizeof od.ObjectName, args[1]);
  MQLONG cc, rc;
  MQPUT1(c.hconn(), &od, &md, &pmo, static_cast<MQLONG>(data.size()), data.data(), &cc, &rc);
  if (cc == MQCC_FAILED) {
    std::cerr << "mqemu put: MQPUT1 to " << args[1] << " failed with reason " << rc << "\n";
    return 1;
  }
  std::cout << "put " << data.size() << " bytes to " << args[1]
            << (cc == MQCC_WARNING ? " with warning reason " + std::to_string(rc) : "") << "\n";
  std::cout << "MsgId: ";
  for (unsigned char b : md.MsgId) {
    static const char digits[] = "0123456789ABCDEF";
    std::cout << digits[b >> 4] << digits[b & 15];
  }
  std::cout << "\n";
  return 0;
}

int GetCommand(const Args& args) {
  if (args.size() < 2 || args[0][0] == '-' || args[1][0] == '-') {
    std::cerr << SubcommandHelp("get");
    return 2;
  }
  MQLONG wait_ms = 0;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--wait" && i + 1 < args.size()) {
      wait_ms = static_cast<MQLONG>(std::strtod(args[++i].c_str(), nullptr) * 1000);
    } else {
      std::cerr << "mqemu get: unknown or incomplete option " << args[i] << "\n";
      return 2;
    }
  }
  ToolConnection c;
  if (!c.Connect(args[0])) return 1;
  MQHOBJ hobj = c.Open(args[1], MQOO_INPUT_AS_Q_DEF | MQOO_FAIL_IF_QUIESCING);
  if (hobj == MQHO_UNUSABLE_HOBJ) return 1;
  // A first try with a modest buffer; a longer message stays on the queue
  // (MQRC_TRUNCATED_MSG_FAILED) and is got again, by its MsgId, whole.
  std::string buffer(64 * 1024, '\0');
  MQMD md;
  MQGMO gmo;
  MQLONG length = 0, cc, rc;
  for (int attempt = 0; attempt < 3; ++attempt) {
    MQMD selection = {MQMD_DEFAULT};
    if (attempt > 0) std::memcpy(selection.MsgId, md.MsgId, sizeof md.MsgId);
    md = selection;
    gmo = MQGMO{MQGMO_DEFAULT};
    gmo.Version = MQGMO_VERSION_3;
    gmo.Options = MQGMO_NO_SYNCPOINT | (wait_ms > 0 ? MQGMO_WAIT : 0);
    gmo.MatchOptions = MQMO_MATCH_MSG_ID;
    gmo.WaitInterval = wait_ms;
    MQGET(c.hconn(), hobj, &md, &gmo, static_cast<MQLONG>(buffer.size()), buffer.data(), &length,
          &cc, &rc);
    if (rc != MQRC_TRUNCATED_MSG_FAILED) break;
    buffer.resize(static_cast<size_t>(length));
  }
  if (cc != MQCC_OK) {
    std::cerr << "mqemu get: no message from " << args[1] << " (reason " << rc << ")\n";
    return 1;
  }
  buffer.resize(static_cast<size_t>(gmo.ReturnedLength));
  if (MQLONG fault = PrintMessage(md, buffer)) {
    std::cerr << "mqemu get: the message could not be read: reason " << fault << "\n";
    return 1;
  }
  return 0;
}

}  // namespace mqemu
