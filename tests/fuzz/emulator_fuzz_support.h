// Shared by the fuzz targets over the IBM MQ stand-in: its queue manager in
// process, as at a fresh start, so that each input meets the same objects
// and what one input defined does not pile up over a run.
#pragma once

#include <cmqc.h>

#include <mutex>

#include "qmgr/queue_manager.h"

// Empties the queue manager and defines its system queues anew, on a
// distributed platform or on z/OS.
inline void FreshQueueManager(bool zos) {
  mqemu::QueueManager& qm = mqemu::Qm();
  {
    std::lock_guard lock(qm.mu);
    qm.queues.clear();
    qm.processes.clear();
    qm.namelists.clear();
    qm.channels.clear();
    qm.command_queue = "SYSTEM.ADMIN.COMMAND.QUEUE";
  }
  qm.Init(zos ? "CSQ1" : "QM1", zos ? MQPL_ZOS : MQPL_UNIX);
}
