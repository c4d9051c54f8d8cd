// The process's exit statuses, so that scripts and service managers can tell
// an orderly end from a failure.
#pragma once

// The STOP command, 'Q' confirmed, the disconnect interval, a usage text that
// was asked for, a simple command put successfully.
constexpr int kExitOrderly = 0;
// A start-up failure, an end forced while running, a simple command not put.
constexpr int kExitFailure = 1;
// A command-line error: unknown option, missing value, bad -v value, a
// leftover argument.
constexpr int kExitUsageError = 2;
