// Test support: csagnt-query run as a program on the stand-in's server
// bindings, with nothing of the caller's IBM MQ environment.
#pragma once

#include <string>
#include <vector>

#include "agent/agent_process.h"
#include "support/run_program.h"

inline ProgramRun Query(const std::vector<std::string>& args) {
  return RunProgram(QUERY_PROGRAM, args, {{"MQM_DLL_PATH", agent_test::LibraryDir()}},
                    {"MQIC_DLL_PATH", "MQ_INSTALLATION_PATH", "MQSERVER", "MQEMU_LINK"});
}
