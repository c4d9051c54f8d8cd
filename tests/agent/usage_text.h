// The usage text as an administrator sees it, written out independently of
// the code that writes it.
#pragma once

#include <string>

inline const std::string kUsageText =
    "CSAG006E Usage: CSAGNT <Optional flags as below>\n"
    "  [-m <Queue Manager Name>]\n"
    "  [-q <Input Queue Name>  ]\n"
    "  [-f <Config File Name>  ]\n"
    "  [-k                     ] Running as a service\n"
    "  [-c <Simple command>    ]\n"
    "  [-v {Quiet|Low|Med|High}] Verbosity level\n";
