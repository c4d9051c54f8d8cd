// Puts all of the agent's process-wide state back as at process start, for
// tests: the outstanding requests, the handle cache and the retry queue
// emptied (their entries freed, no handle closed), the counters at 0, the
// log writing to standard output (the stream it wrote to is not closed), the
// process's state and the settings as at start.
#pragma once

#include "log/log_state.h"
#include "log/status_report.h"
#include "relay/reply_queue_cache.h"
#include "relay/request_table.h"
#include "relay/retry_queue.h"
#include "state/process_state.h"
#include "state/settings.h"

inline void ResetAgentForTesting() {
  ResetRequestTableForTesting();
  ResetReplyQCacheForTesting();
  ClearDeferredDeliveriesForTesting();
  ResetAgentStatsForTesting();
  ResetLogStateForTesting();
  ResetProcessStateForTesting();
  ResetAgentConfig();
}
