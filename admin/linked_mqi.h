// The administration client's entry points for a program linked against
// IBM MQ's library (the benchmarks and the tests link the stand-in's).
#pragma once

#include <cmqc.h>

#include "admin/client.h"

namespace admin {

inline Mqi LinkedMqi() {
  return {MQCONNX, MQDISC, MQOPEN, MQCLOSE, MQINQ, MQPUT, MQGET};
}

}  // namespace admin
