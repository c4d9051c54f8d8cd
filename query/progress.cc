// The progress line: how many queue managers, or commands, have answered.
#include "progress.h"

#include <unistd.h>

#include <iostream>
#include <set>
#include <string>

#include "pcf/printable.h"

namespace query {

Progress::Progress(const std::vector<Job>& jobs, bool by_qmgr)
    : jobs_(jobs), by_qmgr_(by_qmgr), shown_(isatty(STDERR_FILENO) && jobs.size() > 1) {}

void Progress::Clear() {
  if (drawn_) std::cerr << "\r\033[K" << std::flush;
  drawn_ = false;
}

void Progress::Update() {
  if (!shown_) return;
  const auto now = admin::Clock::now();
  if (now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  std::set<std::string> waiting;
  std::set<std::string> all;
  size_t answered = 0;
  for (const Job& job : jobs_) {
    all.insert(job.request.qmgr);
    // A request not put is done when its put failed, not while it waits its turn.
    const bool done = job.put ? Ended(job.answer) : !job.put_error.what.empty();
    if (!done) waiting.insert(job.request.qmgr);
    answered += done;
  }
  std::cerr << "\r\033[Kcsagnt-query: ";
  if (by_qmgr_) {
    std::cerr << all.size() - waiting.size() << " of " << all.size()
              << " queue managers answered, waiting for";
    size_t named = 0;
    for (const std::string& qmgr : waiting) {
      if (named++ == 5) {
        std::cerr << " ...";
        break;
      }
      std::cerr << " " << PrintableText(qmgr);
    }
  } else {
    std::cerr << answered << " of " << jobs_.size() << " commands answered";
  }
  std::cerr << std::flush;
  drawn_ = true;
}

}  // namespace query
