// The scrape: collections started together, awaited together.
#include "scraper.h"

#include <iostream>

namespace exporter {

// How long a scrape waits beyond the longest timeout for the collections
// to end: they end at their timeout, but for a call that does not return.
constexpr Milliseconds kGrace{1000};

Scraper::Scraper(const Config& config, const admin::Mqi& server, const admin::Mqi& client)
    : min_interval_(config.min_interval), slots_(config.queue_managers.size()) {
  for (size_t i = 0; i < slots_.size(); ++i) {
    const QueueManagerConfig& qm = config.queue_managers[i];
    slots_[i].target = std::make_unique<Target>(qm, qm.client() ? client : server);
    slots_[i].report.name = qm.name;
    longest_timeout_ = std::max(longest_timeout_, qm.timeout);
  }
}

Scraper::~Scraper() {
  for (Slot& slot : slots_) {
    if (slot.thread.joinable()) slot.thread.join();
  }
}

void Scraper::Finish(Slot* slot, Collection collection) const {
  QueueManagerReport& r = slot->report;
  r.messages += collection.messages;
  r.bytes += collection.bytes;
  if (!collection.reached) {
    ++r.errors[static_cast<size_t>(collection.error_kind)];
    if (!slot->down) {
      std::cerr << "csagnt-exporter: queue manager " << r.name
                << " not reached: " << collection.error << std::endl;
    }
  } else if (slot->down) {
    std::cerr << "csagnt-exporter: queue manager " << r.name << " reached again" << std::endl;
  }
  slot->down = !collection.reached;
  r.collection = std::move(collection);
  slot->running = false;
}

void Scraper::CollectAll() const {
  std::unique_lock lock(mutex_);
  for (Slot& slot : slots_) {
    if (slot.running) continue;  // still in the collection that overran the last scrape
    if (slot.thread.joinable()) slot.thread.join();
    slot.running = true;
    slot.thread = std::thread([this, &slot] {
      Collection collection = slot.target->Collect();
      std::lock_guard finished(mutex_);
      Finish(&slot, std::move(collection));
      finished_.notify_all();
    });
  }
  const auto until = admin::Clock::now() + longest_timeout_ + kGrace;
  finished_.wait_until(lock, until, [this] {
    for (const Slot& slot : slots_) {
      if (slot.running) return false;
    }
    return true;
  });
  // A collection that has not ended is reported as not reached; it goes on,
  // and the next scrape that finds it ended starts the next one.
  for (Slot& slot : slots_) {
    if (!slot.running) continue;
    Collection overran;
    overran.error_kind = ErrorKind::kTimeout;
    overran.error = "the collection did not end within its timeout";
    overran.platform = slot.report.collection.platform;
    if (!slot.down) {
      std::cerr << "csagnt-exporter: queue manager " << slot.report.name
                << " not reached: " << overran.error << std::endl;
      slot.down = true;
    }
    ++slot.report.errors[static_cast<size_t>(ErrorKind::kTimeout)];
    slot.report.collection = std::move(overran);
  }
}

std::vector<prometheus::MetricFamily> Scraper::Collect() const {
  std::lock_guard scrape(scrape_mutex_);
  const auto now = admin::Clock::now();
  if (last_scrape_ != admin::Clock::time_point{} && now - last_scrape_ < min_interval_) {
    return last_families_;
  }
  CollectAll();
  std::vector<QueueManagerReport> reports;
  {
    std::lock_guard lock(mutex_);
    for (const Slot& slot : slots_) reports.push_back(slot.report);
  }
  last_scrape_ = now;
  last_families_ = Families(reports);
  return last_families_;
}

}  // namespace exporter
