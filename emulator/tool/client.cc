// The tool's MQI connection and message printing.
#include "tool/client.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <vector>

#include "pcf/coalesced_reader.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_text.h"

namespace mqemu {
namespace {

std::string HexText(const MQBYTE* id, size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += digits[id[i] >> 4];
    out += digits[id[i] & 15];
  }
  return out;
}

// The fields of a trigger message (MQTM), one a line.
void PrintTrigger(const std::string& data) {
  MQTM tm;
  std::memcpy(&tm, data.data(), sizeof tm);
  std::cout << "Trigger message:\n"
            << "  QName:       '" << TextInField(tm.QName, sizeof tm.QName) << "'\n"
            << "  ProcessName: '" << TextInField(tm.ProcessName, sizeof tm.ProcessName) << "'\n"
            << "  TriggerData: '" << TextInField(tm.TriggerData, sizeof tm.TriggerData) << "'\n"
            << "  ApplType:    " << tm.ApplType << "\n"
            << "  ApplId:      '" << TextInField(tm.ApplId, sizeof tm.ApplId) << "'\n"
            << "  EnvData:     '" << TextInField(tm.EnvData, sizeof tm.EnvData) << "'\n"
            << "  UserData:    '" << TextInField(tm.UserData, sizeof tm.UserData) << "'\n";
}

}  // namespace

ToolConnection::~ToolConnection() {
  if (hconn_ == MQHC_UNUSABLE_HCONN) return;
  MQLONG cc, rc;
  MQDISC(&hconn_, &cc, &rc);
}

bool ToolConnection::Connect(const std::string& qmgr) {
  char name[MQ_Q_MGR_NAME_LENGTH];
  FillNulPadded(name, sizeof name, qmgr);
  MQLONG cc, rc;
  MQCONN(name, &hconn_, &cc, &rc);
  if (cc == MQCC_FAILED) {
    std::cerr << "mqemu: MQCONN to " << qmgr << " failed with reason " << rc << "\n";
    hconn_ = MQHC_UNUSABLE_HCONN;
    return false;
  }
  return true;
}

MQHOBJ ToolConnection::Open(const std::string& queue, MQLONG options, std::string* opened_name) {
  MQOD od = {MQOD_DEFAULT};
  FillNulPadded(od.ObjectName, sizeof od.ObjectName, queue);
  std::strncpy(od.DynamicQName, "MQEMU.TOOL.*", sizeof od.DynamicQName);
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG cc, rc;
  MQOPEN(hconn_, &od, options, &hobj, &cc, &rc);
  if (cc == MQCC_FAILED) {
    std::cerr << "mqemu: MQOPEN of " << queue << " failed with reason " << rc << "\n";
    return MQHO_UNUSABLE_HOBJ;
  }
  if (opened_name) *opened_name = TextInField(od.ObjectName, sizeof od.ObjectName);
  return hobj;
}

MQLONG PrintMessage(const MQMD& md, const std::string& data) {
  std::cout << "MsgId:        " << HexText(md.MsgId, 24) << "\n"
            << "CorrelId:     " << HexText(md.CorrelId, 24) << "\n"
            << "Format:       '" << std::string(md.Format, 8) << "'\n"
            << "MsgType:      " << md.MsgType << "\n"
            << "Report:       0x" << std::hex << md.Report << std::dec << "\n"
            << "Persistence:  " << md.Persistence << "\n"
            << "Priority:     " << md.Priority << "\n"
            << "ReplyToQ:     '" << TextInField(md.ReplyToQ, 48) << "'\n"
            << "ReplyToQMgr:  '" << TextInField(md.ReplyToQMgr, 48) << "'\n"
            << "UserIdentifier: '" << TextInField(md.UserIdentifier, 12) << "'\n"
            << "PutApplName:  '" << TextInField(md.PutApplName, 28) << "'\n"
            << "PutDate/Time: " << std::string(md.PutDate, 8) << " " << std::string(md.PutTime, 8)
            << "\n"
            << "Length:       " << data.size() << "\n";
  if (std::memcmp(md.Format, MQFMT_ADMIN, 8) == 0) {
    MQLONG fault = 0;
    std::cout << "PCF:\n" << pcf::DecodePcf(data, &fault);
    return fault;
  }
  if (std::memcmp(md.Format, MQFMT_TRIGGER, 8) == 0 && data.size() >= sizeof(MQTM)) {
    PrintTrigger(data);
    return 0;
  }
  bool mqsc_format = std::memcmp(md.Format, MQFMT_COMMAND_1, 8) == 0 ||
                     std::memcmp(md.Format, MQFMT_COMMAND_2, 8) == 0;
  bool text_format = mqsc_format || std::memcmp(md.Format, MQFMT_STRING, 8) == 0;
  // Text formats may hold several texts, one 0x00 byte between each; MQSC
  // text is split as the agent coalesced it, its '*' mark given back.
  auto printable = [&](unsigned char c) {
    return c >= 0x20 || c == '\n' || c == '\t' || (text_format && c == 0);
  };
  if (std::all_of(data.begin(), data.end(), printable)) {
    std::string lines;
    if (mqsc_format) {
      std::vector<std::string> texts = pcf::SplitCoalescedMqsc(data);
      for (size_t i = 0; i < texts.size(); ++i) lines += (i ? "\n" : "") + texts[i];
    } else {
      lines = data;
      std::replace(lines.begin(), lines.end(), '\0', '\n');
    }
    std::cout << "Data:\n" << lines << (lines.empty() || lines.back() != '\n' ? "\n" : "");
  } else {
    std::cout << "Data (hex):\n"
              << HexText(reinterpret_cast<const MQBYTE*>(data.data()), data.size()) << "\n";
  }
  return 0;
}

}  // namespace mqemu
