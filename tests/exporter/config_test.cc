// The exporter's configuration file: what a good file sets, and each way a
// file is refused, with its line and reason.
#include "config.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace exporter {
namespace {

TEST(ExporterConfigTest, AFileSetsEveryQueueManagerAndTheRestKeepTheirDefaults) {
  Config config;
  ASSERT_EQ(ParseConfig("timeout: 3s\n"
                        "min_interval: 1m30s\n"
                        "queue_managers:\n"
                        "  - name: QM1\n"
                        "  - name: QM2\n"
                        "    channel: SYSTEM.DEF.SVRCONN\n"
                        "    conname: mqhost(1414)\n"
                        "    direct: true\n"
                        "    include: [APP.*, SYSTEM.DEAD.LETTER.QUEUE]\n"
                        "    exclude: [APP.TEMP.*]\n"
                        "    timeout: 500ms\n"
                        "    reset_stats: true\n",
                        &config),
            "");
  EXPECT_EQ(config.min_interval, Milliseconds(90000));
  ASSERT_EQ(config.queue_managers.size(), 2u);
  const QueueManagerConfig& qm1 = config.queue_managers[0];
  EXPECT_EQ(qm1.name, "QM1");
  EXPECT_FALSE(qm1.client());
  EXPECT_FALSE(qm1.direct);
  EXPECT_EQ(qm1.agent_queue, kDefaultAgentQueue);
  EXPECT_EQ(qm1.timeout, Milliseconds(3000));  // the file's default
  EXPECT_FALSE(qm1.reset_stats);
  const QueueManagerConfig& qm2 = config.queue_managers[1];
  EXPECT_TRUE(qm2.client());
  EXPECT_EQ(qm2.conname, "mqhost(1414)");
  EXPECT_TRUE(qm2.direct);
  EXPECT_EQ(qm2.timeout, Milliseconds(500));
  EXPECT_TRUE(qm2.reset_stats);

  // SYSTEM.* only when an include pattern names SYSTEM queues.
  EXPECT_TRUE(QueueSelected(qm1, "APP.ONE"));
  EXPECT_FALSE(QueueSelected(qm1, "SYSTEM.DEAD.LETTER.QUEUE"));
  EXPECT_TRUE(QueueSelected(qm2, "SYSTEM.DEAD.LETTER.QUEUE"));
  EXPECT_FALSE(QueueSelected(qm2, "SYSTEM.ADMIN.COMMAND.QUEUE"));
  EXPECT_TRUE(QueueSelected(qm2, "APP.ONE"));
  EXPECT_FALSE(QueueSelected(qm2, "APP.TEMP.X"));
  EXPECT_FALSE(QueueSelected(qm2, "OTHER.Q"));

  // The package's commented sample is a good file.
  ASSERT_EQ(LoadConfig(SAMPLE_CONFIG, &config), "");
  EXPECT_EQ(config.queue_managers.size(), 1u);
}

TEST(ExporterConfigTest, ABadFileIsRefusedWithItsLineAndReason) {
  const struct {
    const char* text;
    const char* error;
  } kCases[] = {
      {"queue_managers: [{name: QM1}]\nscrape: 5s\n", "line 2: unknown setting \"scrape\""},
      {"timeout: 5s\n", "line 1: no queue_managers"},
      {"queue_managers: []\n", "line 1: queue_managers must be a list of at least one"},
      {"queue_managers:\n  - channel: X\n", "line 2: a queue manager without a name"},
      {"queue_managers:\n  - name: QM1\n    direkt: true\n",
       "line 3: unknown setting \"direkt\" of a queue manager"},
      {"queue_managers:\n  - name: QM1\n    direct: maybe\n",
       "line 3: direct must be true or false, not \"maybe\""},
      {"queue_managers:\n  - name: QM1\n    timeout: 10\n",
       "line 3: timeout \"10\" is not a duration"},
      {"queue_managers:\n  - name: QM1\n    timeout: 0s\n",
       "line 3: timeout must be longer than 0"},
      {"min_interval: -5s\nqueue_managers: [{name: QM1}]\n",
       "line 1: min_interval \"-5s\" is not a duration"},
      {"queue_managers:\n  - name: QM1\n    channel: SYSTEM.DEF.SVRCONN\n",
       "line 2: queue manager QM1: a client needs both channel and conname"},
      {"queue_managers:\n  - name: QM1\n    direct: true\n    agent_queue: A.Q\n",
       "line 2: queue manager QM1: agent_queue and direct: true exclude each other"},
      {"queue_managers:\n  - name: QM1\n  - name: QM1\n",
       "line 3: queue manager QM1 is listed twice"},
      {"queue_managers:\n  - name: A.QUEUE.MANAGER.NAME.LONGER.THAN.FORTY.EIGHT.CHARS\n",
       "line 2: name \"A.QUEUE.MANAGER.NAME.LONGER.THAN.FORTY.EIGHT.CHARS\" is longer than 48"},
      {"queue_managers:\n  - name: QM1\n    include: APP.*\n",
       "line 3: include must be a list of queue name patterns"},
      {"queue_managers:\n  - name: [QM1]\n", "line 2: name must be a single value"},
      {"queue_managers:\n  - name: QM1\n   bad: [\n", "line 3: "},  // YAML's own reason
  };
  for (const auto& c : kCases) {
    Config config;
    config.min_interval = Milliseconds(7);
    const std::string error = ParseConfig(c.text, &config);
    EXPECT_TRUE(error.starts_with(c.error)) << c.text << "gave: " << error;
    EXPECT_EQ(config.min_interval, Milliseconds(7)) << "a refused file changes nothing";
  }

  // From a file: its path and line as compilers give them.
  TempDir dir;
  Config config;
  const std::string path = dir.Write("bad.yml", "queue_managers:\n  - name: QM1\n    x: 1\n");
  EXPECT_EQ(LoadConfig(path, &config), path + ":3: unknown setting \"x\" of a queue manager");
  EXPECT_EQ(LoadConfig(dir.File("missing.yml"), &config),
            dir.File("missing.yml") + ": cannot be read");
}

TEST(ExporterConfigTest, DurationsAreWrittenAsPrometheusWritesThem) {
  Milliseconds d{};
  EXPECT_TRUE(ParseDuration("250ms", &d));
  EXPECT_EQ(d, Milliseconds(250));
  EXPECT_TRUE(ParseDuration("1h2m3s", &d));
  EXPECT_EQ(d, Milliseconds(3723000));
  for (const char* bad : {"", "5", "s", "5x", "1.5s", "-1s", "99999999999999999999s"}) {
    EXPECT_FALSE(ParseDuration(bad, &d)) << bad;
  }
}

}  // namespace
}  // namespace exporter
