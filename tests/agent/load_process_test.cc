// The load test: many clients at once through the agent, a mix of PCF,
// Escape and (to a z/OS queue manager with an agent of its own) MQSC
// requests, each request answered exactly once and only to its own client,
// and the agents' counters equal to what the clients counted. The sizes
// come from CSAGNT_LOAD_CLIENTS and CSAGNT_LOAD_REQUESTS (8 clients of 100
// requests by default; scripts/load runs 64 of 1,000 and keeps the figures).
#include <gtest/gtest.h>

#include <csignal>

#include "agent_client.h"
#include "agent_process.h"
#include "load_clients.h"

namespace agent_test {
namespace {

TEST(LoadProcessTest, EveryRequestIsAnsweredExactlyOnceAndCounted) {
  const int clients = LoadSize("CSAGNT_LOAD_CLIENTS", 8);
  const int requests = LoadSize("CSAGNT_LOAD_REQUESTS", 100);
  StandIn stand_in("QM1");
  mqemu_test::QueueManagerProcess zos("ZQM1", "--platform zos");
  stand_in.Tool(std::string("define ZQM1 ") + kAgentInputQueue);
  AgentProcess agent({"-k", "-m", "QM1"});
  AgentProcess zos_agent({"-k", "-m", "ZQM1"});
  ASSERT_TRUE(agent.WaitUntilRunning()) << agent.Log() << agent.Output();
  ASSERT_TRUE(zos_agent.WaitUntilRunning()) << zos_agent.Log() << zos_agent.Output();

  // Three clients of four to the distributed queue manager, one to z/OS.
  const LoadTarget distributed{"QM1", DistributedMix()};
  Load load({distributed, distributed, distributed, {"ZQM1", ZosMix()}}, clients, requests);
  const double seconds = load.Run(kLoadAnswerWaitMs);
  const long peak_kb = agent.PeakResidentKb();
  const long zos_peak_kb = zos_agent.PeakResidentKb();

  agent.Signal(SIGTERM);
  zos_agent.Signal(SIGTERM);
  ASSERT_EQ(agent.WaitForExit(), 0) << agent.Log() << agent.Output();
  ASSERT_EQ(zos_agent.WaitForExit(), 0) << zos_agent.Log() << zos_agent.Output();

  const LoadTotals all = load.Totals();
  EXPECT_EQ(all.requests, int64_t{clients} * requests);
  ExpectExactlyOnce(all);
  EXPECT_EQ(all.error_answers, 0);
  ExpectCountersMatch({LastReportCounters(agent.Log())}, load.TotalsOf("QM1"));
  ExpectCountersMatch({LastReportCounters(zos_agent.Log())}, load.TotalsOf("ZQM1"));
  PrintLoadFigures(std::to_string(clients) + " clients x " + std::to_string(requests) +
                       " requests, PCF and Escape to QM1, MQSC and PCF to z/OS ZQM1",
                   all, seconds, {{"QM1", peak_kb}, {"ZQM1", zos_peak_kb}});
}

}  // namespace
}  // namespace agent_test
