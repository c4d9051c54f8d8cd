// Throughput of the IBM MQ stand-in: one putter and one asynchronous
// consumer moving 1 KB non-persistent messages through one queue, and
// MQPUT/MQGET round trips on one connection. Each benchmark starts its own
// queue manager in a temporary $MQEMU_HOME. Run with
//   build/bin/mqemu_bench --benchmark_repetitions=5
// and read the median items_per_second (messages per second).
//
// For counts taken around the whole process (scripts/bench-speed runs it
// under perf stat), MQEMU_BENCH_ITERATIONS fixes every benchmark's
// iterations, and MQEMU_BENCH_TOOL names the mqemu tool (and so the daemon)
// to use instead of this build's.
#include <benchmark/benchmark.h>
#include <cmqc.h>
#include <stdlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

constexpr int kBatch = 2000;
const std::string kData(1024, 'x');

class Emulator {
 public:
  Emulator() {
    char tmpl[] = "/tmp/mqemu-bench-XXXXXX";
    home_ = ::mkdtemp(tmpl);
    ::setenv("MQEMU_HOME", home_.c_str(), 1);
    Tool("start QM1 --default");
    Tool("define QM1 BENCH.Q --maxdepth 100000");
  }
  ~Emulator() {
    Tool("stop QM1 --immediate");
    std::filesystem::remove_all(home_);
  }

 private:
  static void Tool(const std::string& args) {
    const char* tool = std::getenv("MQEMU_BENCH_TOOL");
    std::string cmd = std::string(tool && *tool ? tool : MQEMU_TOOL) + " " + args + " >/dev/null";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "mqemu %s failed\n", args.c_str());
  }
  std::string home_;
};

MQHCONN Connect() {
  MQHCONN h = MQHC_UNUSABLE_HCONN;
  MQLONG cc, rc;
  MQCONN(const_cast<char*>(""), &h, &cc, &rc);
  return h;
}

MQHOBJ Open(MQHCONN h, MQLONG options) {
  MQOD od = {MQOD_DEFAULT};
  std::strcpy(od.ObjectName, "BENCH.Q");
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG cc, rc;
  MQOPEN(h, &od, options, &hobj, &cc, &rc);
  return hobj;
}

bool PutOne(MQHCONN h, MQHOBJ q) {
  MQMD md = {MQMD_DEFAULT};
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Options = MQPMO_NO_SYNCPOINT;
  MQLONG cc, rc;
  MQPUT(h, q, &md, &pmo, static_cast<MQLONG>(kData.size()), const_cast<char*>(kData.data()), &cc,
        &rc);
  return cc == MQCC_OK;
}

void FixedIterations(benchmark::internal::Benchmark* b) {
  if (const char* n = std::getenv("MQEMU_BENCH_ITERATIONS")) b->Iterations(std::atoll(n));
}

std::atomic<long> consumed{0};

void MQENTRY Count(MQHCONN, PMQVOID, PMQVOID, PMQVOID, PMQCBC cbc) {
  if (cbc->CallType == MQCBCT_MSG_REMOVED) consumed.fetch_add(1, std::memory_order_release);
}

void BM_PutterToAsyncConsumer(benchmark::State& state) {
  Emulator emulator;
  MQHCONN consumer = Connect();
  MQHOBJ in = Open(consumer, MQOO_INPUT_SHARED);
  MQCBD cbd = {MQCBD_DEFAULT};
  cbd.CallbackFunction = reinterpret_cast<MQPTR>(Count);
  cbd.MaxMsgLength = MQCBD_FULL_MSG_LENGTH;
  MQMD md = {MQMD_DEFAULT};
  MQGMO gmo = {MQGMO_DEFAULT};
  gmo.Options = MQGMO_NO_SYNCPOINT;
  MQLONG cc, rc;
  MQCB(consumer, MQOP_REGISTER, &cbd, in, &md, &gmo, &cc, &rc);
  MQCTLO ctlo = {MQCTLO_DEFAULT};
  MQCTL(consumer, MQOP_START, &ctlo, &cc, &rc);
  MQHCONN putter = Connect();
  MQHOBJ out = Open(putter, MQOO_OUTPUT);
  long expected = 0;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) {
      if (!PutOne(putter, out)) state.SkipWithError("MQPUT failed");
    }
    expected += kBatch;
    while (consumed.load(std::memory_order_acquire) < expected) std::this_thread::yield();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetBytesProcessed(state.iterations() * kBatch * static_cast<int64_t>(kData.size()));
  MQCTL(consumer, MQOP_STOP, &ctlo, &cc, &rc);
  MQDISC(&putter, &cc, &rc);
  MQDISC(&consumer, &cc, &rc);
  consumed = 0;
}
BENCHMARK(BM_PutterToAsyncConsumer)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(FixedIterations);

void BM_PutGetRoundTrip(benchmark::State& state) {
  Emulator emulator;
  MQHCONN h = Connect();
  MQHOBJ q = Open(h, MQOO_OUTPUT | MQOO_INPUT_SHARED);
  std::string buffer(2048, '\0');
  for (auto _ : state) {
    if (!PutOne(h, q)) state.SkipWithError("MQPUT failed");
    MQMD md = {MQMD_DEFAULT};
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.Options = MQGMO_NO_SYNCPOINT;
    MQLONG length, cc, rc;
    MQGET(h, q, &md, &gmo, static_cast<MQLONG>(buffer.size()), buffer.data(), &length, &cc, &rc);
    if (cc != MQCC_OK) state.SkipWithError("MQGET failed");
  }
  state.SetItemsProcessed(state.iterations());
  MQLONG cc, rc;
  MQDISC(&h, &cc, &rc);
}
BENCHMARK(BM_PutGetRoundTrip)->UseRealTime()->Apply(FixedIterations);

}  // namespace

BENCHMARK_MAIN();
