// Writes the seed corpora of the fuzz targets (corpus/NAME/) from real
// messages: the requests that clients send and the replies that the
// stand-in's command server gives them, taken from its command server in
// process, on a distributed and on a z/OS queue manager; a trigger message
// laid out as a trigger monitor passes it; configuration files and MQSC
// scripts as users write them. The coalesced messages that the agent
// delivers are written by reply_sequence_fuzz when CSAGNT_FUZZ_DELIVERED
// names a directory (scripts/fuzz --seed does both).
//
//   make_corpus DIRECTORY
#include <cmqc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "emulator_fuzz_support.h"
#include "pcf/pcf_writer.h"
#include "properties/mqrfh2.h"
#include "qmgr/command_server.h"

namespace {

std::filesystem::path Root;

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::filesystem::path dir = Root / target;
  std::filesystem::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary) << bytes;
}

std::string Le16(size_t n) {
  return std::string{static_cast<char>(n & 0xff), static_cast<char>((n >> 8) & 0xff)};
}

struct Request {
  std::string name;
  std::string bytes;
  bool text = false;  // MQSC text (MQSTR) rather than PCF
};

std::vector<Request> Requests(bool zos) {
  std::vector<Request> out;
  auto pcf = [&](const std::string& name, pcf::PcfBuilder& b) {
    out.push_back({name, b.Finish(), false});
  };
  const MQLONG type = zos ? MQCFT_COMMAND_XR : MQCFT_COMMAND;
  {
    pcf::PcfBuilder b(type, MQCMD_INQUIRE_Q_MGR);
    pcf("inquire_q_mgr", b);
  }
  {
    pcf::PcfBuilder b(type, MQCMD_INQUIRE_Q);
    b.String(MQCA_Q_NAME, "SYSTEM.*");
    b.IntegerList(MQIACF_Q_ATTRS, {MQCA_Q_NAME, MQIA_CURRENT_Q_DEPTH, MQCA_Q_DESC});
    pcf("inquire_q", b);
  }
  {
    pcf::PcfBuilder b(type, MQCMD_INQUIRE_Q_NAMES);
    b.String(MQCA_Q_NAME, "*");
    b.Integer(MQIA_Q_TYPE, MQQT_ALL);
    pcf("inquire_q_names", b);
  }
  {
    pcf::PcfBuilder b(type, MQCMD_CREATE_Q);
    b.String(MQCA_Q_NAME, "APP.Q");
    b.Integer(MQIA_Q_TYPE, MQQT_LOCAL);
    b.Integer(MQIA_MAX_MSG_LENGTH, 100000);
    b.String(MQCA_Q_DESC, "application queue");
    pcf("create_q", b);
  }
  {
    pcf::PcfBuilder b(type, MQCMD_DELETE_Q);
    b.String(MQCA_Q_NAME, "SYSTEM.DEFAULT.LOCAL.QUEUE");
    pcf("delete_q", b);
  }
  {
    pcf::PcfBuilder b(type, MQCMD_PING_Q_MGR);
    pcf("ping", b);
  }
  {
    pcf::PcfBuilder b(type, MQCMD_ESCAPE);
    b.Integer(MQIACF_ESCAPE_TYPE, MQET_MQSC);
    b.String(MQCACF_ESCAPE_TEXT, "DISPLAY QLOCAL(SYSTEM.*) MAXDEPTH");
    pcf("escape", b);
  }
  {
    pcf::PcfBuilder b(type, MQCMD_CREATE_PROCESS);
    b.String(MQCA_PROCESS_NAME, "APP.PROCESS");
    b.String(MQCA_APPL_ID, "/usr/bin/app");
    pcf("create_process", b);
  }
  if (zos) out.push_back({"mqsc_display", "DISPLAY QUEUE(SYSTEM.*) ALL", true});
  return out;
}

std::vector<mqemu::Message> Execute(const Request& request) {
  mqemu::Message m;
  m.md = MQMD{MQMD_DEFAULT};
  m.md.Version = MQMD_VERSION_2;
  m.md.MsgType = MQMT_REQUEST;
  memcpy(m.md.Format, request.text ? MQFMT_STRING : MQFMT_ADMIN, MQ_FORMAT_LENGTH);
  memcpy(m.md.ReplyToQ, "REPLY.Q", 7);
  memcpy(m.md.UserIdentifier, "admin", 5);
  m.data = request.bytes;
  return mqemu::ExecuteRequest(m);
}

// The format byte of reply_sequence_fuzz and classify_reply_fuzz.
char FormatChoice(const MQMD& md) {
  if (memcmp(md.Format, MQFMT_ADMIN, 8) == 0) return 0;
  if (memcmp(md.Format, MQFMT_COMMAND_1, 8) == 0) return 1;
  if (memcmp(md.Format, MQFMT_COMMAND_2, 8) == 0) return 2;
  return 3;
}

void CommandServerSeeds() {
  for (const bool zos : {false, true}) {
    FreshQueueManager(zos);
    const std::string platform = zos ? "zos_" : "unix_";
    for (const Request& request : Requests(zos)) {
      const char choice = static_cast<char>((zos ? 0x01 : 0) | (request.text ? 0x02 : 0));
      Write("command_server", platform + request.name, choice + request.bytes);
      const std::vector<mqemu::Message> replies = Execute(request);
      std::string sequence{0, static_cast<char>(60)};  // compress and coalesce, 1024 bytes
      for (size_t i = 0; i < replies.size(); ++i) {
        const mqemu::Message& reply = replies[i];
        sequence += FormatChoice(reply.md) + Le16(reply.data.size()) + reply.data;
        if (i >= 3) continue;  // a few single replies of each request are enough
        const std::string name = platform + request.name + "_" + std::to_string(i + 1);
        if (!request.text) {
          Write("compress", name, reply.data);
          Write("pcf_cursor", name, reply.data);
        }
        Write("classify_reply", name, FormatChoice(reply.md) + reply.data);
      }
      Write("reply_sequence", platform + request.name, sequence);
    }
  }
}

// Groups each holding a number and the next group, nested two deeper than
// any reader follows: a reply for the readers of replies, a request for the
// command server.
void NestedGroupSeeds() {
  constexpr MQLONG kGroupParameter = 8001;  // the first of the MQGACF_* group parameters
  auto nested = [](MQLONG type, MQLONG command) {
    pcf::PcfBuilder b(type, command, 1, MQCFC_LAST);
    for (int depth = 0; depth < kPcfMaxGroupDepth + 2; ++depth) {
      b.Group(kGroupParameter, 2);
      b.Integer(MQIA_CURRENT_Q_DEPTH, depth);
    }
    b.Integer(MQIA_MAX_Q_DEPTH, 5000);
    return b.Finish();
  };
  const std::string reply = nested(MQCFT_RESPONSE, MQCMD_INQUIRE_Q_STATUS);
  Write("coalesced_reader", "nested_groups", reply);
  Write("pcf_cursor", "nested_groups", reply);
  Write("compress", "nested_groups", reply);
  Write("command_server", "unix_nested_groups",
        std::string(1, '\0') + nested(MQCFT_COMMAND, MQCMD_INQUIRE_Q));
}

void MqscSeeds() {
  const char* const scripts[][2] = {
      {"define_display",
       "* a comment line\n"
       "DEFINE QLOCAL(APP.Q) MAXDEPTH(5000) DESCR('application queue') REPLACE\n"
       "DISPLAY QLOCAL(APP.*) MAXDEPTH DESCR\n"},
      {"continuations",
       "DEFINE QALIAS('APP.ALIAS') -\n"
       "       TARGET(APP.Q) +\n"
       "       DESCR('it''s an alias')\n"
       "ALTER QLOCAL(APP.Q) GET(DISABLED)\n"},
      {"process_delete",
       "DEFINE PROCESS(APP.PROC) APPLICID('/usr/bin/app') USERDATA('-m QM1')\n"
       "DISPLAY PROCESS(*) ALL\n"
       "DELETE QLOCAL(SYSTEM.DEFAULT.LOCAL.QUEUE) PURGE\n"
       "CLEAR QLOCAL(SYSTEM.DEAD.LETTER.QUEUE)\n"},
      {"qmgr_errors",
       "DISPLAY QMGR ALL\n"
       "PING QMGR\n"
       "DEFINE QLOCAL(APP.Q) MAXDEPTH(abc\n"
       "FROBNICATE QUEUE(X)\n"
       "END\n"},
  };
  for (const auto& script : scripts) {
    Write("mqsc", std::string("unix_") + script[0], std::string(1, '\0') + script[1]);
    Write("mqsc", std::string("zos_") + script[0], std::string(1, '\1') + script[1]);
  }
}

void ConfigSeeds() {
  Write("config_file", "every_key",
        "; CSAGNT.CFG\n"
        "maxage 60\nmaxmsgsize = 1048576\ncompress yes\ncoalesce no\n"
        "tempqpfx TOVAN.CSAGNT.*\ncommandq SYSTEM.ADMIN.COMMAND.QUEUE\n"
        "replyq SYSTEM.DEFAULT.MODEL.QUEUE\nlogpath \"/var/log/csagnt logs\"\n"
        "discint 10\nreportint 60\nretrycount 3\nretryint 1\nhobjttl 300\n"
        "numlogfiles 5\nmaxlogsize 1000000\nlogfailfatal no\nreplyqinq yes\n"
        "sleeptime 1\nreqchkdelay 5\nhobjchkdelay 60\n");
  Write("config_file", "errors",
        "# bad values and unknown keys\r\n"
        "maxage=abc\ncompress maybe\nnumlogfiles 100000\nunknown 7\n"
        "logpath \"quoted ~\"tilde~~\" (paren) [x]{y},z\nreplyq\n");
}

// An MQTMC2 as a trigger monitor passes it: every field blank padded.
void TriggerSeeds() {
  MQTMC2 tmc;
  memset(&tmc, ' ', sizeof tmc);
  auto set = [](char* field, size_t length, const std::string& text) {
    memcpy(field, text.data(), std::min(length, text.size()));
  };
  set(tmc.StrucId, sizeof tmc.StrucId, MQTMC_STRUC_ID);
  set(tmc.Version, sizeof tmc.Version, MQTMC_VERSION_2);
  set(tmc.QName, sizeof tmc.QName, "TOVAN.CSAGNT.COMMAND.QUEUE");
  set(tmc.ProcessName, sizeof tmc.ProcessName, "CSAGNT.PROCESS");
  set(tmc.TriggerData, sizeof tmc.TriggerData, "-v 2 -f /etc/csagnt/CSAGNT.CFG");
  set(tmc.ApplType, sizeof tmc.ApplType, "   6");
  set(tmc.ApplId, sizeof tmc.ApplId, "/opt/csagnt/bin/csagnt");
  set(tmc.UserData, sizeof tmc.UserData, "-k");
  set(tmc.QMgrName, sizeof tmc.QMgrName, "QM1");
  Write("trigger_message", "full", std::string(reinterpret_cast<const char*>(&tmc), sizeof tmc));
  Write("trigger_message", "short", std::string(reinterpret_cast<const char*>(&tmc), 120));
}

}  // namespace

// Properties of every type in an MQRFH2, as a getter without a message
// handle receives them, and in their wire form; and an MQRFH2 with a folder
// that holds no properties.
void PropertySeeds() {
  namespace props = mqemu::properties;
  props::PropertyList list;
  auto add = [&](const char* name, MQLONG type, std::string value) {
    props::Property p;
    p.name = name;
    p.type = type;
    p.value = std::move(value);
    list.push_back(std::move(p));
  };
  MQLONG count = 42, yes = 1;
  double ratio = 0.5;
  add("colour", MQTYPE_STRING, "blue & <green>");
  add("count", MQTYPE_INT32, std::string(reinterpret_cast<const char*>(&count), 4));
  add("flag", MQTYPE_BOOLEAN, std::string(reinterpret_cast<const char*>(&yes), 4));
  add("bytes", MQTYPE_BYTE_STRING, std::string("\x01\x02\xfe", 3));
  add("ratio", MQTYPE_FLOAT64, std::string(reinterpret_cast<const char*>(&ratio), 8));
  add("nothing", MQTYPE_NULL, "");
  add("a.b.c", MQTYPE_STRING, "nested");
  add("jms.Dst", MQTYPE_STRING, "queue:///APP.Q");
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_STRING, sizeof md.Format);
  Write("mqrfh2", "every_type", props::BuildMqrfh2(list, md) + "data");
  Write("mqrfh2", "wire_form", props::Encode(list));
  std::string other = props::BuildMqrfh2({list[0]}, md);
  std::string folder = "<psc><Command>RegSub</Command></psc>    ";
  MQLONG length = static_cast<MQLONG>(folder.size());
  other += std::string(reinterpret_cast<const char*>(&length), 4) + folder;
  MQLONG total = static_cast<MQLONG>(other.size());
  std::memcpy(other.data() + 8, &total, 4);  // StrucLength
  Write("mqrfh2", "other_folder", other);
  // What the target once found not to read back: folders in another order
  // than the writer's, a name of more parts than elements nested deep, and
  // a usr folder nested in usr.
  auto header = [&](const std::vector<std::string>& folders) {
    std::string out = props::BuildMqrfh2({}, md);
    for (std::string f : folders) {
      f.resize((f.size() + 3) / 4 * 4, ' ');
      MQLONG n = static_cast<MQLONG>(f.size());
      out += std::string(reinterpret_cast<const char*>(&n), 4) + f;
    }
    MQLONG total = static_cast<MQLONG>(out.size());
    std::memcpy(out.data() + 8, &total, 4);
    return out;
  };
  Write("mqrfh2", "folder_order", header({"<usr><a>1</a></usr>", "<jms><Dst>q</Dst></jms>"}));
  std::string many = "p";
  for (int i = 1; i < 40; ++i) many += ".p";
  Write("mqrfh2", "many_parts", header({"<usr><" + many + ">deep</" + many + "></usr>"}));
  Write("mqrfh2", "usr_in_usr", header({"<usr><usr><usr><x>1</x></usr></usr></usr>"}));
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_corpus DIRECTORY\n");
    return 2;
  }
  Root = argv[1];
  CommandServerSeeds();
  NestedGroupSeeds();
  MqscSeeds();
  ConfigSeeds();
  TriggerSeeds();
  PropertySeeds();
  return 0;
}
