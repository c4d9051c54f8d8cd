// Start-up: the order of the steps from the command line (or a trigger
// message) to the connection, ending in the shutdown steps.
#pragma once

// Runs the agent with the program's arguments and returns the process's exit
// status.
int RunAgent(int argc, char** argv);
