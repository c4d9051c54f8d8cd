// The exporter's metrics: the table of every ibmmq_ family (its name, as
// IBM's own Prometheus exporter names the same quantity, its help and the
// PCF parameter it comes from) and the exporter's own csagnt_exporter_
// families, built into Prometheus' data model from the collections.
#pragma once

#include <prometheus/metric_family.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "target.h"

namespace exporter {

// One queue manager's part of a scrape: its last collection and what the
// exporter has counted for it since it started.
struct QueueManagerReport {
  std::string name;
  Collection collection;
  uint64_t messages = 0;  // reply messages received, all collections
  uint64_t bytes = 0;
  std::array<uint64_t, kErrorKindNames.size()> errors{};  // failed collections by kind
};

// The families of a scrape, each with its help and type, every family
// present even when no queue manager gave it a value.
std::vector<prometheus::MetricFamily> Families(const std::vector<QueueManagerReport>& reports);

// The object kinds and the families drawn from them, for the documentation
// test: every name and help line.
struct MetricSpec {
  enum Object { kQmgr, kQueue, kChannel } object;
  const char* name;
  MQLONG source;  // the PCF parameter, or a Derived value
  const char* help;
};
extern const std::vector<MetricSpec> kMetricSpecs;

}  // namespace exporter
