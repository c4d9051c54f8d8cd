// The settings record: every setting of the agent in one process-wide
// record, AgentConfig, with its flag word AgentFlags.
//
// Rules: the record holds the defaults at process start. Start-up (main
// thread) applies a trigger message, then the command line, then the
// configuration file, all before the connection is made. Connecting writes
// back qmname, actualreplyq, commandq and AF_ZOS, before any consumer runs.
// After that the record is read-only. No lock is needed for any of it.
#pragma once

#include <cstdint>

// Text fields hold a NUL-terminated string of at most the stated number of
// characters; the arrays have room for the terminator.
constexpr int kQNameWidth = 48;       // qmname, inputq, actualreplyq, commandq, replyq, tempqpfx
constexpr int kCfgFileWidth = 300;    // cfgfile
constexpr int kSimpleCmdWidth = 300;  // simplecmd
constexpr int kLogPathWidth = 299;    // logpath

// AgentFlags bits.
constexpr uint32_t AF_ZOS = 0x001;           // the queue manager runs on z/OS
constexpr uint32_t AF_COMPRESS = 0x002;      // trim blank padding from PCF replies
constexpr uint32_t AF_NOCONSOLE = 0x004;     // no status line, no keys, no echo
constexpr uint32_t AF_CFGFILE = 0x008;       // the configuration file was named with -f
constexpr uint32_t AF_COALESCE = 0x010;      // gather many replies into few messages
constexpr uint32_t AF_LOGFAILFATAL = 0x040;  // a failure of the error log stops the agent
// 0x080 marks a log rotation in progress in the record's traditional layout;
// the error log keeps that guard under its own lock instead, since other
// threads read this word without one. The bit is kept so the layout stays.
constexpr uint32_t AF_ROTATING = 0x080;
constexpr uint32_t AF_SIMPLECMD = 0x100;  // simple-command mode (-c)
constexpr uint32_t AF_TRIGGERED = 0x200;  // started by a trigger monitor
constexpr uint32_t AF_REPLYQINQ = 0x400;  // inquire client reply queues' maximum length

constexpr uint32_t kDefaultAgentFlags = AF_COMPRESS | AF_COALESCE | AF_LOGFAILFATAL | AF_REPLYQINQ;
static_assert(kDefaultAgentFlags == 0x452);

// Each field holds its default, as the record is at process start.
struct AgentSettings {
  char qmname[kQNameWidth + 1] = "";
  char inputq[kQNameWidth + 1] = "TOVAN.CSAGNT.COMMAND.QUEUE";
  char actualreplyq[kQNameWidth + 1] = "";
  char cfgfile[kCfgFileWidth + 1] = "";
  char simplecmd[kSimpleCmdWidth + 1] = "";
  int32_t verbose = 1;
  char commandq[kQNameWidth + 1] = "SYSTEM.ADMIN.COMMAND.QUEUE";
  char replyq[kQNameWidth + 1] = "SYSTEM.DEFAULT.MODEL.QUEUE";
  char tempqpfx[kQNameWidth + 1] = "TOVAN.CSAGNT.*";
  char logpath[kLogPathWidth + 1] = "";
  uint32_t AgentFlags = kDefaultAgentFlags;
  int32_t maxage = 10;           // seconds
  int32_t maxmsgsize = 1048576;  // bytes
  int32_t sleeptime = 1;         // seconds
  int32_t reqchkdelay = 10;      // seconds
  int32_t hobjchkdelay = 150;    // seconds
  int32_t reportint = 60;        // minutes
  int32_t retrycount = 10;
  int32_t retryint = 1;   // seconds
  int32_t hobjttl = 300;  // seconds
  int32_t numlogfiles = 3;
  int32_t maxlogsize = 1048576;  // bytes
  int32_t discint = 0;           // minutes; 0 = never
  int32_t stopwait = 0;          // seconds an orderly stop waits for outstanding requests; 0 = none
};

extern AgentSettings AgentConfig;

// The defaults, as the record holds them at process start.
AgentSettings DefaultAgentSettings();

// Puts the defaults back into AgentConfig (used by start-up's tests).
void ResetAgentConfig();
