// A process definition of the emulated queue manager: the application that
// a trigger monitor starts for a triggered queue. The queue manager copies
// ApplId, ApplType, EnvData and UserData into the trigger messages (MQTM) of
// the queues that name the process.
//
// Guarded by the queue manager's one lock (QueueManager::mu), like queues.
#pragma once

#include <cmqc.h>

#include <string>

#include "objects/kept_values.h"

namespace mqemu {

struct Process {
  std::string name;
  std::string description;
  std::string appl_id;  // the program to start
  MQLONG appl_type = MQAT_UNIX;
  std::string env_data;
  std::string user_data;
  std::string alteration_date;  // "yyyy-mm-dd": the definition or its last change
  std::string alteration_time;  // "hh.mm.ss"
  objects::KeptValues kept;     // the attributes that are only reported
};

}  // namespace mqemu
