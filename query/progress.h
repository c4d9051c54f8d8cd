// The progress line csagnt-query draws on a terminal while answers are
// outstanding.
#pragma once

#include <vector>

#include "admin/client.h"
#include "batch.h"

namespace query {

// A line on the terminal while answers are outstanding: how many of the
// queue managers (or commands) have answered. Nothing when standard error
// is not a terminal.
class Progress {
 public:
  // `jobs` must outlive the line; the line shows once there are two.
  Progress(const std::vector<Job>& jobs, bool by_qmgr);
  ~Progress() { Clear(); }
  // Takes the line away.
  void Clear();
  // Redraws the line, at most every 100 ms.
  void Update();

 private:
  const std::vector<Job>& jobs_;
  bool by_qmgr_;
  bool shown_;
  bool drawn_ = false;
  admin::Clock::time_point last_{};
};

}  // namespace query
