// What a scrape of /metrics runs: every queue manager collected at once,
// each on a thread of its own within its timeout, and the families built
// from the collections. Scrapes closer together than the minimum interval
// get the families of the last collection. A queue manager that fails is
// told on standard error once per episode (when it fails after a success
// or at first, and when it is reached again).
#pragma once

#include <prometheus/collectable.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "admin/client.h"
#include "config.h"
#include "metrics.h"
#include "target.h"

namespace exporter {

class Scraper : public prometheus::Collectable {
 public:
  // `server` and `client` are the entry points of IBM MQ's server and
  // client library, for the queue managers of `config` that use them.
  Scraper(const Config& config, const admin::Mqi& server, const admin::Mqi& client);
  // Waits for collections still running (each ends within its timeout).
  ~Scraper() override;

  // Collects (or gives the last collection, within the minimum interval).
  // Safe to call from several threads: scrapes run one at a time.
  std::vector<prometheus::MetricFamily> Collect() const override;

 private:
  struct Slot {
    std::unique_ptr<Target> target;
    std::thread thread;
    bool running = false;  // a collection runs on `thread`
    bool down = false;     // the last collection failed (an episode is on)
    QueueManagerReport report;
  };

  void CollectAll() const;
  // Takes a finished collection into `slot`, under mutex_.
  void Finish(Slot* slot, Collection collection) const;

  Milliseconds min_interval_;
  Milliseconds longest_timeout_{0};
  mutable std::mutex scrape_mutex_;  // one scrape at a time
  mutable std::mutex mutex_;         // the slots
  mutable std::condition_variable finished_;
  mutable std::vector<Slot> slots_;
  mutable admin::Clock::time_point last_scrape_{};
  mutable std::vector<prometheus::MetricFamily> last_families_;
};

}  // namespace exporter
