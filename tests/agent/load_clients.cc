// The load's clients, their accounting and the reading of the agents'
// counters.
#include "load_clients.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <thread>

#include "agent_client.h"
#include "log/unit_format.h"

namespace agent_test {

namespace {

constexpr MQLONG kReportRotation[] = {MQRO_NONE, MQRO_PASS_CORREL_ID,
                                      MQRO_PASS_MSG_ID | MQRO_PASS_CORREL_ID};

std::string Id(const MQBYTE24 id) {
  return std::string(reinterpret_cast<const char*>(id), sizeof(MQBYTE24));
}

// A CorrelId of the load's own, unlike any MsgId the queue manager gives
// ("AMQ ..."): "LOAD", the client and the request.
std::string LoadCorrelId(int client, int request) {
  char id[25];
  snprintf(id, sizeof id, "LOAD%010d%010d", client, request);
  return std::string(id, 24);
}

struct PutRequest {
  std::string data;
  const char* format;
  bool mqsc;
};

PutRequest RequestOf(LoadRequest kind) {
  switch (kind) {
    case LoadRequest::kInquireQueue:
      return {PcfCommand(MQCMD_INQUIRE_Q, {{MQCA_Q_NAME, "SYSTEM.*"}}), MQFMT_ADMIN, false};
    case LoadRequest::kInquireQueueManager:
      return {PcfCommand(MQCMD_INQUIRE_Q_MGR, {}), MQFMT_ADMIN, false};
    case LoadRequest::kPing:
      return {PcfCommand(MQCMD_PING_Q_MGR, {}), MQFMT_ADMIN, false};
    case LoadRequest::kEscape:
      return {EscapeRequest("DISPLAY QLOCAL(SYSTEM.*)"), MQFMT_ADMIN, false};
    case LoadRequest::kMqsc:
      break;
  }
  return {"DISPLAY QLOCAL(SYSTEM.*)", MQFMT_STRING, true};
}

// Gets the next message of the client's reply queue into *data, growing
// `buffer` for a long one. Returns the reason.
MQLONG GetReply(MQHCONN hconn, MQHOBJ hobj, int wait_ms, std::vector<char>* buffer, MQMD* md,
                std::string* data) {
  for (;;) {
    *md = MQMD{MQMD_DEFAULT};
    MQGMO gmo = {MQGMO_DEFAULT};
    gmo.Options = MQGMO_WAIT | MQGMO_NO_SYNCPOINT;
    gmo.WaitInterval = wait_ms;
    MQLONG length = 0;
    MQLONG comp_code = MQCC_OK;
    MQLONG reason = MQRC_NONE;
    MQGET(hconn, hobj, md, &gmo, static_cast<MQLONG>(buffer->size()), buffer->data(), &length,
          &comp_code, &reason);
    if (reason == MQRC_TRUNCATED_MSG_FAILED) {
      buffer->resize(static_cast<size_t>(length));
      continue;
    }
    if (reason == MQRC_NONE) data->assign(buffer->data(), static_cast<size_t>(length));
    return reason;
  }
}

// What one message contributes to the answer being read.
struct Piece {
  bool error_answer = false;  // the agent's CSAG501E reply
  bool last = false;          // the answer is complete with it
  bool malformed = false;
  int64_t replies = 0;  // command server replies in it
};

Piece ReadPcfPiece(const std::string& data, int64_t replies_before) {
  Piece piece;
  if (data.size() < MQCFH_STRUC_LENGTH) return piece.malformed = true, piece;
  MQCFH header;
  memcpy(&header, data.data(), sizeof header);
  if (header.Reason == MQRCCF_UNEXPECTED_ERROR && data.find(kNoResponseText) != std::string::npos) {
    piece.error_answer = piece.last = true;
    return piece;
  }
  std::vector<pcf::PcfResponse> responses;
  if (pcf::SplitCoalescedPcf(data, &responses) != 0) return piece.malformed = true, piece;
  piece.replies = static_cast<int64_t>(responses.size());
  piece.last = (header.Control & MQCFC_LAST) != 0;
  // Every response the command server numbered has come.
  if (piece.last && header.MsgSeqNumber != replies_before + piece.replies) piece.malformed = true;
  return piece;
}

// A z/OS reply set: its first text says how many messages it has
// ("CSQN205I   COUNT=       n, ...").
Piece ReadMqscPiece(const std::string& data, int64_t replies_before, int64_t* expected) {
  Piece piece;
  if (data == kNoResponseText) {
    piece.error_answer = piece.last = true;
    return piece;
  }
  const std::vector<std::string> texts = SplitTexts(data);
  if (replies_before == 0) {
    static const std::regex kCount("^CSQN205I.\\s+COUNT=\\s*([0-9]+)");
    std::smatch match;
    if (!std::regex_search(texts.front(), match, kCount)) return piece.malformed = true, piece;
    *expected = std::stoll(match[1]);
  }
  piece.replies = static_cast<int64_t>(texts.size());
  piece.last = replies_before + piece.replies >= *expected;
  if (replies_before + piece.replies > *expected) piece.malformed = true;
  return piece;
}

}  // namespace

std::vector<LoadRequest> DistributedMix() {
  return {LoadRequest::kInquireQueue, LoadRequest::kInquireQueueManager, LoadRequest::kPing,
          LoadRequest::kEscape};
}

std::vector<LoadRequest> ZosMix() {
  return {LoadRequest::kMqsc, LoadRequest::kPing, LoadRequest::kMqsc, LoadRequest::kInquireQueue};
}

LoadTotals& LoadTotals::operator+=(const LoadTotals& other) {
  requests += other.requests;
  answered += other.answered;
  error_answers += other.error_answers;
  lost += other.lost;
  duplicated += other.duplicated;
  misdelivered += other.misdelivered;
  bad_answers += other.bad_answers;
  messages += other.messages;
  bytes += other.bytes;
  replies += other.replies;
  return *this;
}

AgentCounters LastReportCounters(const std::string& log) {
  AgentCounters counters;
  const size_t at = log.rfind("] CSAG080I CSAGNT Status Report\n");
  if (at == std::string::npos) return counters;
  const std::string report = log.substr(at);
  auto since_start = [&report](const std::string& label) -> std::string {
    const size_t line = report.find("  " + label);
    if (line == std::string::npos) return "";
    const size_t colon = report.find(':', line);
    const size_t next = report.find(':', colon + 1);
    std::string value = report.substr(colon + 1, next - colon - 1);
    value.erase(0, value.find_first_not_of(' '));
    value.erase(value.find_last_not_of(' ') + 1);
    return value;
  };
  counters.commands = std::stoll(since_start("Commands Received "));
  counters.replies = std::stoll(since_start("Replies Received "));
  counters.responses = std::stoll(since_start("Responses Sent "));
  counters.failed_puts = std::stoll(since_start("Failed Puts "));
  counters.response_bytes_text = since_start("Response Bytes Sent ");
  return counters;
}

void ExpectExactlyOnce(const LoadTotals& totals) {
  EXPECT_EQ(totals.answered, totals.requests);
  EXPECT_EQ(totals.lost, 0);
  EXPECT_EQ(totals.duplicated, 0);
  EXPECT_EQ(totals.misdelivered, 0);
  EXPECT_EQ(totals.bad_answers, 0);
}

void ExpectCountersMatch(const std::vector<AgentCounters>& agents, const LoadTotals& totals) {
  AgentCounters sum{0, 0, 0, 0, ""};
  for (const AgentCounters& agent : agents) {
    sum.commands += agent.commands;
    sum.replies += agent.replies;
    sum.responses += agent.responses;
    sum.failed_puts += agent.failed_puts;
  }
  EXPECT_EQ(sum.commands, totals.requests);
  EXPECT_EQ(sum.replies, totals.replies);
  EXPECT_EQ(sum.responses, totals.messages);
  EXPECT_EQ(sum.failed_puts, 0);
  // The report writes bytes with a unit; one agent's total is compared as
  // it writes it.
  if (agents.size() == 1) {
    char text[kUnitTextSize];
    FormatBytes(static_cast<int64_t>(static_cast<uint32_t>(totals.bytes)), text);
    EXPECT_EQ(agents[0].response_bytes_text, text);
  }
}

int LoadSize(const char* variable, int default_value) {
  const char* value = getenv(variable);
  return value != nullptr && atoi(value) > 0 ? atoi(value) : default_value;
}

Load::Load(std::vector<LoadTarget> targets, int clients, int requests)
    : targets_(std::move(targets)), clients_(clients), requests_(requests), per_client_(clients) {}

double Load::Run(int answer_wait_ms) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (int i = 0; i < clients_; ++i) {
    threads.emplace_back([this, i, answer_wait_ms] { RunClient(i, answer_wait_ms); });
  }
  for (std::thread& thread : threads) thread.join();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Load::Register(const std::string& key, int client) {
  std::lock_guard lock(keys_mu_);
  keys_[key] = client;
}

int Load::OwnerOf(const std::string& key) {
  std::lock_guard lock(keys_mu_);
  auto it = keys_.find(key);
  return it == keys_.end() ? -1 : it->second;
}

void Load::RunClient(int index, int answer_wait_ms) {
  const LoadTarget& target = targets_[static_cast<size_t>(index) % targets_.size()];
  LoadTotals& totals = per_client_[static_cast<size_t>(index)];
  AgentClient client(target.qmgr);
  std::vector<char> buffer(256 * 1024);
  MQMD md;
  std::string data;

  // Files a message that belongs to no request being read.
  auto stray = [&](const MQMD& reply) {
    (OwnerOf(Id(reply.CorrelId)) == index ? totals.duplicated : totals.misdelivered) += 1;
  };

  for (int n = 0; n < requests_; ++n) {
    const PutRequest request =
        RequestOf(target.mix[static_cast<size_t>(n + index) % target.mix.size()]);
    const MQLONG report = kReportRotation[n % 3];
    const std::string correl_id = LoadCorrelId(index, n);
    const MQMD put = client.Put(request.data, request.format,
                                AgentClient::Options().Report(report).CorrelId(correl_id));
    ++totals.requests;
    // The identifiers the answer carries, as the report options ask.
    const std::string key = (report & MQRO_PASS_CORREL_ID) ? correl_id : Id(put.MsgId);
    Register(key, index);

    int64_t replies = 0;
    int64_t expected_texts = 0;
    bool complete = false;
    bool bad = false;
    while (!complete) {
      if (GetReply(client.hconn(), client.reply_hobj(), answer_wait_ms, &buffer, &md, &data) !=
          MQRC_NONE) {
        break;
      }
      ++totals.messages;
      totals.bytes += static_cast<int64_t>(data.size());
      if (Id(md.CorrelId) != key) {
        stray(md);
        continue;
      }
      if ((report & MQRO_PASS_MSG_ID) && Id(md.MsgId) != Id(put.MsgId)) bad = true;
      const Piece piece = request.mqsc ? ReadMqscPiece(data, replies, &expected_texts)
                                       : ReadPcfPiece(data, replies);
      replies += piece.replies;
      totals.replies += piece.replies;
      bad = bad || piece.malformed;
      if (piece.error_answer) ++totals.error_answers;
      complete = piece.last;
    }
    if (!complete) {
      ++totals.lost;
    } else if (bad) {
      ++totals.bad_answers;
    } else {
      ++totals.answered;
      answered_so_far_.fetch_add(1, std::memory_order_relaxed);
    }
  }
  // Whatever comes after the last answer is one too many.
  while (GetReply(client.hconn(), client.reply_hobj(), 500, &buffer, &md, &data) == MQRC_NONE) {
    ++totals.messages;
    totals.bytes += static_cast<int64_t>(data.size());
    stray(md);
  }
}

LoadTotals Load::TotalsOf(const std::string& qmgr) const {
  LoadTotals sum;
  for (size_t i = 0; i < per_client_.size(); ++i) {
    if (targets_[i % targets_.size()].qmgr == qmgr) sum += per_client_[i];
  }
  return sum;
}

LoadTotals Load::Totals() const {
  LoadTotals sum;
  for (const LoadTotals& totals : per_client_) sum += totals;
  return sum;
}

void PrintLoadFigures(const std::string& title, const LoadTotals& totals, double seconds,
                      const std::vector<std::pair<std::string, long>>& peak_memory_kb) {
  printf("load: %s\n", title.c_str());
  printf(
      "load:   requests %lld, answered %lld (of them CSAG501E %lld), lost %lld, duplicated %lld,"
      " misdelivered %lld, bad %lld\n",
      static_cast<long long>(totals.requests), static_cast<long long>(totals.answered),
      static_cast<long long>(totals.error_answers), static_cast<long long>(totals.lost),
      static_cast<long long>(totals.duplicated), static_cast<long long>(totals.misdelivered),
      static_cast<long long>(totals.bad_answers));
  printf(
      "load:   %.2f s, %.0f requests/s, %.0f reply messages/s to the clients, %.0f command "
      "server replies/s\n",
      seconds, static_cast<double>(totals.requests) / seconds,
      static_cast<double>(totals.messages) / seconds,
      static_cast<double>(totals.replies) / seconds);
  for (const auto& [agent, kb] : peak_memory_kb) {
    printf("load:   agent %s peak resident memory %ld KiB\n", agent.c_str(), kb);
  }
  fflush(stdout);
}

}  // namespace agent_test
