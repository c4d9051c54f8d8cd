// The runmqsc front end of the mqemu mqsc subcommand: runs the MQSC commands
// of an input against a backend and prints the banner, each command numbered
// with its output and the closing summary, as IBM's runmqsc prints them:
//
//   5724-H72 (C) Copyright IBM Corp. 1994, 2024.
//   Starting MQSC for queue manager QM1.
//
//
//        1 : DEFINE QLOCAL(A.Q) MAXMSGL(100000)
//   AMQ8006I: IBM MQ queue created.
//   One MQSC command read.
//   No commands have a syntax error.
//   All valid MQSC commands were processed.
#pragma once

#include <istream>
#include <ostream>
#include <string_view>

#include "mqsc/mqsc_backend.h"

namespace mqemu::mqsc {

// Reads commands from *in until its end or END, writes to *out. Returns
// runmqsc's exit status: 0 when every command ran, 10 when a command had a
// syntax error or failed.
int RunScript(MqscBackend& backend, std::string_view qmgr_name, std::istream* in,
              std::ostream* out);

}  // namespace mqemu::mqsc
