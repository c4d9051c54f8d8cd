// The metric table and the families built from it. All ibmmq_ families are
// gauges: they are what the queue manager reports now (the puts and gets of
// Reset Queue Statistics are those since the last collection).
#include "metrics.h"

#include <map>

#include "pcf/pcf_format.h"

namespace exporter {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

const std::vector<MetricSpec> kMetricSpecs = {
    {MetricSpec::kQmgr, "ibmmq_qmgr_status", MQIACF_Q_MGR_STATUS,
     "Queue manager status (MQQMSTA_*: 1 starting, 2 running, 3 quiescing, 4 standby)"},
    {MetricSpec::kQmgr, "ibmmq_qmgr_connection_count", MQIACF_CONNECTION_COUNT,
     "Connections to the queue manager"},
    {MetricSpec::kQmgr, "ibmmq_qmgr_command_server_status", MQIACF_CMD_SERVER_STATUS,
     "Command server status (MQSVC_STATUS_*: 0 stopped, 1 starting, 2 running, 3 stopping)"},
    {MetricSpec::kQmgr, "ibmmq_qmgr_channel_initiator_status", MQIACF_CHINIT_STATUS,
     "Channel initiator status (MQSVC_STATUS_*)"},
    {MetricSpec::kQmgr, "ibmmq_qmgr_uptime", kUptime, "Seconds since the queue manager started"},

    {MetricSpec::kQueue, "ibmmq_queue_depth", MQIA_CURRENT_Q_DEPTH, "Messages on the queue"},
    {MetricSpec::kQueue, "ibmmq_queue_attribute_max_depth", MQIA_MAX_Q_DEPTH,
     "Maximum depth of the queue (MAXDEPTH)"},
    {MetricSpec::kQueue, "ibmmq_queue_attribute_type", MQIA_Q_TYPE,
     "Queue type (MQQT_*: 1 local, 2 model, 3 alias, 6 remote, 7 cluster)"},
    {MetricSpec::kQueue, "ibmmq_queue_attribute_usage", MQIA_USAGE,
     "Queue usage (MQUS_*: 0 normal, 1 transmission)"},
    {MetricSpec::kQueue, "ibmmq_queue_attribute_inhibit_get", MQIA_INHIBIT_GET,
     "1 when gets from the queue are inhibited (GET(DISABLED))"},
    {MetricSpec::kQueue, "ibmmq_queue_attribute_inhibit_put", MQIA_INHIBIT_PUT,
     "1 when puts to the queue are inhibited (PUT(DISABLED))"},
    {MetricSpec::kQueue, "ibmmq_queue_input_handles", MQIA_OPEN_INPUT_COUNT,
     "Handles open for input (IPPROCS)"},
    {MetricSpec::kQueue, "ibmmq_queue_output_handles", MQIA_OPEN_OUTPUT_COUNT,
     "Handles open for output (OPPROCS)"},
    {MetricSpec::kQueue, "ibmmq_queue_oldest_message_age", MQIACF_OLDEST_MSG_AGE,
     "Seconds the oldest message has been on the queue (MSGAGE; needs MONQ)"},
    {MetricSpec::kQueue, "ibmmq_queue_uncommitted_messages", MQIACF_UNCOMMITTED_MSGS,
     "Uncommitted puts and gets (UNCOM)"},
    {MetricSpec::kQueue, "ibmmq_queue_time_since_get", kSinceLastGet,
     "Seconds since the last get (LGETDATE, LGETTIME; needs MONQ)"},
    {MetricSpec::kQueue, "ibmmq_queue_time_since_put", kSinceLastPut,
     "Seconds since the last put (LPUTDATE, LPUTTIME; needs MONQ)"},
    {MetricSpec::kQueue, "ibmmq_queue_qtime_short", kQueueTimeShort,
     "Seconds messages spent on the queue, short-term average (QTIME; needs MONQ)"},
    {MetricSpec::kQueue, "ibmmq_queue_qtime_long", kQueueTimeLong,
     "Seconds messages spent on the queue, long-term average (QTIME; needs MONQ)"},
    {MetricSpec::kQueue, "ibmmq_queue_hi_depth", MQIA_HIGH_Q_DEPTH,
     "Highest depth since the last collection (Reset Queue Statistics; reset_stats)"},
    {MetricSpec::kQueue, "ibmmq_queue_mqput_mqput1_count", MQIA_MSG_ENQ_COUNT,
     "Messages put since the last collection (Reset Queue Statistics; reset_stats)"},
    {MetricSpec::kQueue, "ibmmq_queue_mqget_count", MQIA_MSG_DEQ_COUNT,
     "Messages got since the last collection (Reset Queue Statistics; reset_stats)"},
    {MetricSpec::kQueue, "ibmmq_queue_time_since_reset", MQIA_TIME_SINCE_RESET,
     "Seconds the statistics cover (Reset Queue Statistics; reset_stats)"},

    {MetricSpec::kChannel, "ibmmq_channel_status", MQIACH_CHANNEL_STATUS,
     "Channel status (MQCHS_*: 3 running, 6 stopped, 5 retrying, ...)"},
    {MetricSpec::kChannel, "ibmmq_channel_substate", MQIACH_CHANNEL_SUBSTATE,
     "Channel substate (MQCHSSTATE_*)"},
    {MetricSpec::kChannel, "ibmmq_channel_type", MQIACH_CHANNEL_TYPE,
     "Channel type (MQCHT_*: 1 sender, 3 receiver, 7 server connection, ...)"},
    {MetricSpec::kChannel, "ibmmq_channel_messages", MQIACH_MSGS,
     "Messages sent or received since the channel started"},
    {MetricSpec::kChannel, "ibmmq_channel_bytes_sent", MQIACH_BYTES_SENT,
     "Bytes sent since the channel started"},
    {MetricSpec::kChannel, "ibmmq_channel_bytes_rcvd", MQIACH_BYTES_RECEIVED,
     "Bytes received since the channel started"},
    {MetricSpec::kChannel, "ibmmq_channel_batches", MQIACH_BATCHES,
     "Batches completed since the channel started"},
    {MetricSpec::kChannel, "ibmmq_channel_buffers_sent", MQIACH_BUFFERS_SENT,
     "Buffers sent since the channel started"},
    {MetricSpec::kChannel, "ibmmq_channel_buffers_rcvd", MQIACH_BUFFERS_RECEIVED,
     "Buffers received since the channel started"},
    {MetricSpec::kChannel, "ibmmq_channel_time_since_msg", kSinceLastMessage,
     "Seconds since the channel's last message"},
    {MetricSpec::kChannel, "ibmmq_channel_start_epoch", kChannelStart,
     "When the channel started, seconds since the epoch"},
};

namespace {

// The labels of the object kinds, besides qmgr and platform.
constexpr std::array<std::array<const char*, 3>, 3> kObjectLabels = {{
    {},
    {"queue"},
    {"channel", "connname", "jobname"},
}};

MetricFamily Family(const char* name, const char* help, MetricType type) {
  return MetricFamily{name, help, type, {}};
}

ClientMetric Metric(std::vector<prometheus::ClientMetric::Label> labels, double value,
                    MetricType type) {
  ClientMetric m;
  m.label = std::move(labels);
  (type == MetricType::Counter ? m.counter.value : m.gauge.value) = value;
  return m;
}

}  // namespace

std::vector<MetricFamily> Families(const std::vector<QueueManagerReport>& reports) {
  std::vector<MetricFamily> families;
  for (const MetricSpec& spec : kMetricSpecs) {
    MetricFamily family = Family(spec.name, spec.help, MetricType::Gauge);
    for (const QueueManagerReport& r : reports) {
      const Collection& c = r.collection;
      auto add = [&](const ObjectSample& sample) {
        auto value = sample.values.find(spec.source);
        if (value == sample.values.end()) return;
        std::vector<ClientMetric::Label> labels = {{"qmgr", r.name}};
        for (const char* label : kObjectLabels[spec.object]) {
          if (!label) break;
          auto found = sample.labels.find(label);
          labels.push_back({label, found == sample.labels.end() ? "" : found->second});
        }
        labels.push_back({"platform", c.platform});
        family.metric.push_back(Metric(std::move(labels), value->second, MetricType::Gauge));
      };
      if (spec.object == MetricSpec::kQmgr) add(c.qmgr);
      if (spec.object == MetricSpec::kQueue) {
        for (const auto& [name, sample] : c.queues) add(sample);
      }
      if (spec.object == MetricSpec::kChannel) {
        for (const auto& [key, sample] : c.channels) add(sample);
      }
    }
    families.push_back(std::move(family));
  }

  MetricFamily info =
      Family("ibmmq_queue_info", "1 for each queue reported, with its description (DESCR)",
             MetricType::Gauge);
  MetricFamily reached =
      Family("csagnt_exporter_qmgr_reached",
             "1 when the last collection of the queue manager succeeded", MetricType::Gauge);
  MetricFamily duration =
      Family("csagnt_exporter_collection_duration_seconds",
             "How long the last collection of the queue manager took", MetricType::Gauge);
  MetricFamily messages =
      Family("csagnt_exporter_messages_received_total",
             "Reply messages received from the queue manager", MetricType::Counter);
  MetricFamily bytes =
      Family("csagnt_exporter_bytes_received_total",
             "Bytes of reply messages received from the queue manager", MetricType::Counter);
  MetricFamily errors = Family("csagnt_exporter_errors_total",
                               "Failed collections by kind: connect (the queue manager or its "
                               "queues could not be reached), timeout (no whole answer in time), "
                               "unreadable (a reply could not be read), command (a request failed)",
                               MetricType::Counter);
  for (const QueueManagerReport& r : reports) {
    const Collection& c = r.collection;
    for (const auto& [name, sample] : c.queues) {
      auto description = sample.labels.find("description");
      info.metric.push_back(
          Metric({{"qmgr", r.name},
                  {"queue", name},
                  {"platform", c.platform},
                  {"description", description == sample.labels.end() ? "" : description->second}},
                 1, MetricType::Gauge));
    }
    reached.metric.push_back(Metric({{"qmgr", r.name}}, c.reached ? 1 : 0, MetricType::Gauge));
    duration.metric.push_back(Metric({{"qmgr", r.name}}, c.seconds, MetricType::Gauge));
    messages.metric.push_back(
        Metric({{"qmgr", r.name}}, static_cast<double>(r.messages), MetricType::Counter));
    bytes.metric.push_back(
        Metric({{"qmgr", r.name}}, static_cast<double>(r.bytes), MetricType::Counter));
    for (size_t kind = 0; kind < kErrorKindNames.size(); ++kind) {
      errors.metric.push_back(Metric({{"qmgr", r.name}, {"kind", kErrorKindNames[kind]}},
                                     static_cast<double>(r.errors[kind]), MetricType::Counter));
    }
  }
  for (MetricFamily* f : {&info, &reached, &duration, &messages, &bytes, &errors}) {
    families.push_back(std::move(*f));
  }
  return families;
}

}  // namespace exporter
