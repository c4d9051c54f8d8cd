// Test support for the log: the settings and log state of a fresh start,
// with the error log files in a temporary directory and the console off
// unless a test switches it on.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "log/log_file.h"
#include "log/message.h"
#include "pcf/mq_field.h"
#include "state/process_state.h"
#include "state/settings.h"
#include "support/reset_agent.h"
#include "support/temp_dir.h"

// How the CSAG002I date line begins.
inline const std::string kDateLineStart = "           CSAG002I Current Date: ";

// `text` without the date line it begins with, if it does.
inline std::string WithoutDateLine(const std::string& text) {
  if (text.rfind(kDateLineStart, 0) != 0) return text;
  return text.substr(text.find('\n') + 1);
}

class LogTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetAgentForTesting();
    AgentConfig.AgentFlags |= AF_NOCONSOLE;
    CopyTerminated(AgentConfig.logpath, kLogPathWidth, dir_.path().c_str());
  }

  void TearDown() override {
    FILE* stream = LogState.LogStream.load();
    ResetAgentForTesting();
    if (stream != stdout) fclose(stream);
  }

  static void SetConsole(bool on) {
    if (on) {
      AgentConfig.AgentFlags &= ~AF_NOCONSOLE;
    } else {
      AgentConfig.AgentFlags |= AF_NOCONSOLE;
    }
  }

  static void SetLogFailFatal(bool on) {
    if (on) {
      AgentConfig.AgentFlags |= AF_LOGFAILFATAL;
    } else {
      AgentConfig.AgentFlags &= ~AF_LOGFAILFATAL;
    }
  }

  // Makes the next message find today's date line already written.
  static void DateLineWritten() {
    const time_t now = time(nullptr);
    tm local;
    localtime_r(&now, &local);
    LogState.LastDateDay = local.tm_mday;
  }

  // The name of error log file n in the test's directory.
  std::string LogName(int n) const {
    char name[kLogFileNameSize];
    ComposeLogFileName(name, sizeof name, n);
    return name;
  }
  std::string LogText(int n) const { return TempDir::ReadPath(LogName(n)); }
  bool LogExists(int n) const { return access(LogName(n).c_str(), F_OK) == 0; }

  static int Count(const std::string& text, const std::string& piece) {
    int count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
      ++count;
    }
    return count;
  }

  TempDir dir_;
};
