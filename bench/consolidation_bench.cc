// The cost of consolidation on one core: CompressPcf and AppendPcfReply over
// the stand-in's own answer to Inquire Queue of all attributes for 5,000
// queues (5,005 replies, about 3.8 MB), in bytes per second of the replies
// as received, beside a memmove of the same replies on the same machine in
// the same run; and the client's side, the agent's coalesced messages read
// back by pcf/coalesced_reader.h.
//
// The replies are recorded once, at the start: the benchmark starts a
// stand-in queue manager in a temporary $MQEMU_HOME, defines the queues,
// asks the command server and keeps what it answered. Run with
//   build/bin/consolidation_bench --benchmark_repetitions=5
// and read the median bytes_per_second.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/admin_client.h"
#include "bench/requests.h"
#include "consolidate/coalesce.h"
#include "consolidate/compress.h"
#include "consolidate/hold_buffer.h"
#include "cs/cs_memory.h"
#include "pcf/coalesced_reader.h"
#include "relay/request_table.h"

namespace {

constexpr int kQueues = 5000;
// The agent's default maxmsgsize: a held message is delivered before it
// would grow past this.
constexpr int32_t kMaxMsgSize = 1024 * 1024;

// The stand-in's replies, concatenated, and where each begins.
struct Recording {
  std::string bytes;
  std::vector<size_t> starts;
  size_t count() const { return starts.size(); }
  size_t length(size_t i) const {
    return (i + 1 < starts.size() ? starts[i + 1] : bytes.size()) - starts[i];
  }
};

void Tool(const std::string& args) {
  const std::string command = std::string(MQEMU_TOOL) + " " + args + " >/dev/null";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "mqemu %s failed\n", args.c_str());
    std::exit(1);
  }
}

Recording Record() {
  char home[] = "/tmp/consolidation-bench-XXXXXX";
  if (::mkdtemp(home) == nullptr) std::exit(1);
  ::setenv("MQEMU_HOME", home, 1);
  Tool("start QMC --default");
  Recording recording;
  std::string error;
  {
    bench::AdminClient setup("QMC", bench::kDefaultModelQueue);
    if (!setup.ok() || !bench::DefineBenchQueues(&setup, kQueues, &error)) {
      error = setup.ok() ? error : setup.error();
    }
  }
  if (error.empty()) {
    bench::AdminClient client("QMC", bench::kDeepModelQueue);
    bench::Answer answer;
    if (!client.Ask(bench::Path::kDirect, bench::InquireAllQueues(), &answer)) {
      error = client.error();
    }
    for (const std::string& message : answer.messages) {
      recording.starts.push_back(recording.bytes.size());
      recording.bytes += message;
    }
  }
  Tool("stop QMC --immediate");
  std::filesystem::remove_all(home);
  if (!error.empty()) {
    std::fprintf(stderr, "recording the replies failed: %s\n", error.c_str());
    std::exit(1);
  }
  return recording;
}

const Recording& Replies() {
  static const Recording recording = Record();
  return recording;
}

// What the reply intake does with each reply of one request, minus the MQI:
// compress it in place, then append it to what is held, or hold it alone
// when it would not fit in kMaxMsgSize (the held message counted as
// delivered). `work` holds the replies as received and is compressed in
// place. Returns the bytes delivered, so that nothing is optimised away.
size_t Consolidate(const Recording& replies, char* work, std::vector<std::string>* delivered) {
  REQUEST* request = NewRequest();
  request->MaxMsgSize = kMaxMsgSize;
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_ADMIN, MQ_FORMAT_LENGTH);
  size_t bytes = 0;
  auto deliver = [&] {
    const std::span<const char> held = HeldMessage(request);
    bytes += held.size();
    if (delivered != nullptr) delivered->emplace_back(held.data(), held.size());
  };
  for (size_t i = 0; i < replies.count(); ++i) {
    char* reply = work + replies.starts[i];
    int32_t length = static_cast<int32_t>(replies.length(i));
    CompressPcf(reply, &length);
    if (FitsWithHeld(request, &md, reply, length, 0)) {
      AppendPcfReply(request, reply, length);
    } else {
      deliver();
      HoldReply(request, &md, reply, length);
    }
  }
  deliver();
  FreeRequest(request);
  return bytes;
}

void BM_Memmove(benchmark::State& state) {
  const Recording& replies = Replies();
  std::vector<char> held(kMaxMsgSize);
  for (auto _ : state) {
    size_t at = 0;
    for (size_t i = 0; i < replies.count(); ++i) {
      const size_t length = replies.length(i);
      if (at + length > held.size()) at = 0;
      std::memmove(held.data() + at, replies.bytes.data() + replies.starts[i], length);
      at += length;
    }
    benchmark::DoNotOptimize(held.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * replies.bytes.size()));
}
BENCHMARK(BM_Memmove);

// The replies are restored, outside the timing, before each pass.
void BM_CompressAndAppend(benchmark::State& state) {
  const Recording& replies = Replies();
  std::string work = replies.bytes;
  size_t delivered = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work.data(), replies.bytes.data(), work.size());
    state.ResumeTiming();
    delivered = Consolidate(replies, work.data(), nullptr);
    benchmark::DoNotOptimize(delivered);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * replies.bytes.size()));
  state.counters["replies"] = static_cast<double>(replies.count());
  state.counters["delivered_bytes"] = static_cast<double>(delivered);
}
BENCHMARK(BM_CompressAndAppend);

// The client's side: the agent's messages split back into the standard
// responses, in bytes per second of the agent's messages.
void BM_ReadBack(benchmark::State& state) {
  const Recording& replies = Replies();
  std::string work = replies.bytes;
  std::vector<std::string> messages;
  Consolidate(replies, work.data(), &messages);
  size_t bytes = 0;
  for (const std::string& m : messages) bytes += m.size();
  std::vector<pcf::PcfResponse> responses;
  for (auto _ : state) {
    size_t count = 0;
    for (const std::string& m : messages) {
      pcf::SplitCoalescedPcf(m, &responses);
      count += responses.size();
    }
    if (count != replies.count()) state.SkipWithError("the responses do not read back");
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["messages"] = static_cast<double>(messages.size());
}
BENCHMARK(BM_ReadBack);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const Recording& replies = Replies();
  benchmark::AddCustomContext("replies", std::to_string(replies.count()));
  benchmark::AddCustomContext("reply_bytes", std::to_string(replies.bytes.size()));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
