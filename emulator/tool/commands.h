// The subcommands of the mqemu tool. Each takes the arguments after its own
// name, prints to standard output (errors to standard error) and returns the
// exit status: 0 on success, 1 when the operation failed, 2 on a usage error.
#pragma once

#include <string>
#include <vector>

namespace mqemu {

using Args = std::vector<std::string>;

int StartCommand(const Args& args);
int StopCommand(const Args& args);
// define, delete, define-process, delete-process, show and fault: sent to
// the queue manager as they stand.
int ControlCommand(const std::string& name, const Args& args);
int PutCommand(const Args& args);
int GetCommand(const Args& args);
int PcfCommand(const Args& args);
int TriggerMonitorCommand(const Args& args);
// Runs MQSC commands (COMMAND, or the lines of standard input) on the queue
// manager and prints them as runmqsc does; status 10 when one failed.
int MqscCommand(const Args& args);

// The help text of a subcommand, or null when there is no such subcommand.
const char* SubcommandHelp(const std::string& name);

// Whether args asks for help (-h or --help anywhere); prints it if so.
bool HelpWanted(const std::string& name, const Args& args);

// Parses a hexadecimal identifier of up to 24 bytes (48 digits) into id,
// zero padded. Returns false when text is not hexadecimal.
bool ParseHexId(const std::string& text, unsigned char* id);

}  // namespace mqemu
