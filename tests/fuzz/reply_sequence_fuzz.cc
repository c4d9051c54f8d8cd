// Fuzz target: a request's replies as the reply consumer takes them, so that
// ClassifyReply, CompressPcf, the hold buffer (HoldReply, DeliverHeld) and
// coalescing (AppendPcfReply, AppendMqscReply, AddAgentInfo) run on any
// sequence of replies, delivered through the recording MQI.
//
// Input: a byte of settings (compress, coalesce, the request's kind), a byte
// that sets the request's MaxMsgSize (64 to 4144 bytes, so that replies
// overflow it often), then replies, each a byte (its Format, and whether it
// belongs to the request) and a length-led piece (the reply's bytes).
//
// When every PCF reply was sound and of the parameter types that PCF draws
// (the agent passes others on unread), every PCF message delivered must be
// sound as well and read back through the client's reader of coalesced
// replies, and a coalesced one must fit in MaxMsgSize (the agent information
// aside).
//
// With CSAGNT_FUZZ_DELIVERED naming a directory, every message delivered is
// also written there: the seeds of coalesced_reader_fuzz.
#include <cmqc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "agent_fuzz_support.h"
#include "consolidate/reply_consumer.h"
#include "consolidate/reply_shape.h"
#include "log/status_report.h"
#include "pcf/agent_format.h"
#include "pcf/coalesced_reader.h"
#include "pcf/mq_field.h"
#include "pcf/pcf_reader.h"
#include "relay/reply_queue_cache.h"
#include "relay/request_table.h"
#include "state/process_state.h"
#include "support/recording_mqi.h"

namespace {

constexpr char kFwdMsgId[] = "FORWARDED-MSGID-00000001";
constexpr char kOtherMsgId[] = "SOMEONE-ELSES-MSGID-0001";
constexpr char kClientQ[] = "CLIENT.REPLY";

const char* const kFormats[] = {MQFMT_ADMIN, MQFMT_COMMAND_1, MQFMT_COMMAND_2, MQFMT_NONE};

RecordingMqi& SetUp(uint8_t settings, int32_t max_msg_size) {
  RecordingMqi& mqi = RecordingMqi::Install();
  QuietAgentState();
  CopyTerminated(AgentConfig.qmname, kQNameWidth, "QM1");
  CopyTerminated(AgentConfig.actualreplyq, kQNameWidth, "TOVAN.CSAGNT.0123456789ABCDEF");
  AgentConfig.retryint = 0;
  if (settings & 0x01) AgentConfig.AgentFlags &= ~AF_COMPRESS;
  if (settings & 0x02) AgentConfig.AgentFlags &= ~AF_COALESCE;
  ResetRequestTableForTesting();
  ResetReplyQCacheForTesting();
  ResetAgentStatsForTesting();
  Process.QMgrHconn = RecordingMqi::kHconn;
  Process.ReplyQueueHobj = mqi.Preopen(AgentConfig.actualreplyq);

  REQUEST* request = NewRequest();
  CopyTerminated(request->ReplyToQ, MQ_Q_NAME_LENGTH, kClientQ);
  CopyTerminated(request->ReplyToQMgr, MQ_Q_MGR_NAME_LENGTH, "QM1");
  memcpy(request->FwdMsgId, kFwdMsgId, sizeof request->FwdMsgId);
  memcpy(request->MsgId, "CLIENT-MSGID-0123456789A", sizeof request->MsgId);
  memcpy(request->CorrelId, "CLIENT-CORRELID-01234567", sizeof request->CorrelId);
  request->MaxMsgSize = max_msg_size;
  request->Kind = (settings & 0x04) ? REQ_MQSC : REQ_PCF;
  request->Command = MQCMD_INQUIRE_Q;
  PushRequest(request);
  return mqi;
}

// Hands one reply to the consumer as IBM MQ does, in a block of exactly its
// size.
void Consume(const char* format, const char* msg_id, std::vector<char> reply) {
  MQMD md = {MQMD_DEFAULT};
  memcpy(md.Format, format, MQ_FORMAT_LENGTH);
  md.MsgType = MQMT_REPLY;
  memcpy(md.MsgId, msg_id, sizeof md.MsgId);
  MQGMO gmo = {MQGMO_DEFAULT};
  gmo.ReturnedLength = static_cast<MQLONG>(reply.size());
  MQCBC context{};
  memcpy(context.StrucId, MQCBC_STRUC_ID, sizeof context.StrucId);
  context.Version = MQCBC_VERSION_1;
  context.Hobj = MQHO_NONE;
  context.CallType = MQCBCT_MSG_REMOVED;
  context.DataLength = gmo.ReturnedLength;
  context.BufferLength = gmo.ReturnedLength;
  ReplyConsumer(RecordingMqi::kHconn, &md, &gmo, reply.data(), &context);
}

// Writes a delivered message into the CSAGNT_FUZZ_DELIVERED directory.
void KeepDelivered(const std::string& bytes) {
  static const char* const dir = getenv("CSAGNT_FUZZ_DELIVERED");
  static int count = 0;
  if (dir == nullptr) return;
  std::ofstream(std::string(dir) + "/delivered_" + std::to_string(++count), std::ios::binary)
      << bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t settings = input.Byte();
  const int32_t max_msg_size = 64 + 16 * input.Byte();
  RecordingMqi& mqi = SetUp(settings, max_msg_size);

  bool all_pcf_sound = true;
  for (int replies = 0; !input.empty() && replies < 64; ++replies) {
    const uint8_t kind = input.Byte();
    const std::string_view piece = input.Piece();
    std::vector<char> reply(piece.begin(), piece.end());
    const char* format = kFormats[kind & 3];
    if (format == kFormats[0] && reply.size() >= sizeof(MQCFH)) {
      // A command server marks only the last reply; the agent's own mark is
      // never in what it receives.
      MQCFH header;
      memcpy(&header, reply.data(), sizeof header);
      header.Control &= MQCFC_LAST;
      memcpy(reply.data(), &header, sizeof header);
    }
    const bool own = !(kind & 0x04);
    if (own && format == kFormats[0] && RequestTable.RequestCount.load() > 0) {
      pcf::PcfMessage parsed;
      all_pcf_sound = all_pcf_sound &&
                      PcfShapeIsSound(reply.data(), static_cast<int32_t>(reply.size())) &&
                      pcf::ParsePcf(std::string_view(reply.data(), reply.size()), &parsed) == 0;
    }
    Consume(format, own ? kFwdMsgId : kOtherMsgId, std::move(reply));
  }

  const std::vector<RecordedPut> delivered = mqi.PutsTo(kClientQ);
  for (const RecordedPut& put : delivered) KeepDelivered(put.data);
  if (all_pcf_sound) {
    std::vector<pcf::PcfResponse> responses;
    for (const RecordedPut& put : delivered) {
      if (memcmp(put.md.Format, MQFMT_ADMIN, MQ_FORMAT_LENGTH) != 0) continue;
      FUZZ_CHECK(PcfShapeIsSound(put.data.data(), static_cast<int32_t>(put.data.size())));
      FUZZ_CHECK(pcf::SplitCoalescedPcf(put.data, &responses) == 0);
      MQCFH header;
      memcpy(&header, put.data.data(), sizeof header);
      if (header.Control & CFC_COALESCED) {
        FUZZ_CHECK(put.data.size() <= static_cast<size_t>(max_msg_size) + 2 * sizeof(MQCFIN));
      }
    }
  }
  ResetRequestTableForTesting();
  ResetReplyQCacheForTesting();
  return 0;
}
