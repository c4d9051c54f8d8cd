// A namelist of the emulated queue manager: a named list of object names
// (queues, clusters, authentication information objects) that other
// definitions refer to. The stand-in keeps and reports it; nothing in the
// queue manager reads its names.
//
// Guarded by the queue manager's one lock (QueueManager::mu), like queues.
#pragma once

#include <cmqc.h>

#include <string>
#include <vector>

#include "objects/kept_values.h"

namespace mqemu {

struct Namelist {
  std::string name;
  std::string description;
  std::vector<std::string> names;  // without trailing blanks
  std::string alteration_date;     // "yyyy-mm-dd": the definition or its last change
  std::string alteration_time;     // "hh.mm.ss"
  objects::KeptValues kept;        // the attributes that are only reported
};

}  // namespace mqemu
