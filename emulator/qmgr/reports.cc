// Report messages as the queue manager makes them: confirmation of arrival
// and of delivery, exceptions and expiry, each in the form its original's
// Report options ask for, sent to the original's reply queue.
#include "qmgr/queue_manager.h"

#include <algorithm>
#include <cstring>

#include "pcf/mq_field.h"

namespace mqemu {
namespace {

// The Report options of one kind of report: the report alone, with the
// first 100 bytes of data, with all of it (each value includes the ones
// before it, so the largest present wins); and its Feedback.
struct ReportOptions {
  ReportKind kind;
  MQLONG plain, with_data, with_full_data;
  MQLONG feedback;  // MQFB_NONE: the reason the caller gives
};
constexpr ReportOptions kReportOptions[] = {
    {ReportKind::kArrival, MQRO_COA, MQRO_COA_WITH_DATA, MQRO_COA_WITH_FULL_DATA, MQFB_COA},
    {ReportKind::kDelivery, MQRO_COD, MQRO_COD_WITH_DATA, MQRO_COD_WITH_FULL_DATA, MQFB_COD},
    {ReportKind::kException, MQRO_EXCEPTION, MQRO_EXCEPTION_WITH_DATA,
     MQRO_EXCEPTION_WITH_FULL_DATA, MQFB_NONE},
    {ReportKind::kExpiration, MQRO_EXPIRATION, MQRO_EXPIRATION_WITH_DATA,
     MQRO_EXPIRATION_WITH_FULL_DATA, MQFB_EXPIRATION},
};

// The data a report with data carries: the first 100 bytes of the
// original's.
constexpr size_t kReportDataLength = 100;

}  // namespace

void QueueManager::SendReport(const Message& original, ReportKind kind, MQLONG reason) {
  const MQMD& o = original.md;
  if (o.MsgType == MQMT_REPORT) return;  // reports are never reported on
  const ReportOptions* options = nullptr;
  for (const ReportOptions& r : kReportOptions) {
    if (r.kind == kind) options = &r;
  }
  const MQLONG asked = o.Report & options->with_full_data;
  if (!(asked & options->plain)) return;
  const std::string reply_q = NameInField(o.ReplyToQ, sizeof o.ReplyToQ);
  if (reply_q.empty()) return;

  Message report{{MQMD_DEFAULT}, {}};
  MQMD& md = report.md;
  md.Version = MQMD_VERSION_2;
  md.MsgType = MQMT_REPORT;
  md.Feedback = options->feedback != MQFB_NONE ? options->feedback : reason;
  md.Priority = o.Priority;
  md.Persistence = o.Persistence;
  md.Encoding = o.Encoding;
  md.CodedCharSetId = o.CodedCharSetId;
  md.OriginalLength = static_cast<MQLONG>(original.data.size());
  // A report passes on the original's discard option and what is left of its
  // expiry only when the original asks for that.
  if (o.Report & MQRO_PASS_DISCARD_AND_EXPIRY) {
    md.Report = o.Report & MQRO_DISCARD_MSG;
    md.Expiry = original.ExpiryLeft(MessageClock::now());
  }
  if (o.Report & MQRO_PASS_MSG_ID) {
    std::memcpy(md.MsgId, o.MsgId, sizeof md.MsgId);
  } else {
    NewId(md.MsgId);
  }
  std::memcpy(md.CorrelId, (o.Report & MQRO_PASS_CORREL_ID) ? o.CorrelId : o.MsgId,
              sizeof md.CorrelId);
  if (asked != options->plain) {
    std::memcpy(md.Format, o.Format, sizeof md.Format);
    report.data = asked == options->with_full_data
                      ? original.data
                      : original.data.substr(0, std::min(kReportDataLength, original.data.size()));
  }
  // The identity of the original's putter, the origin of the queue manager.
  std::memcpy(md.UserIdentifier, o.UserIdentifier, sizeof md.UserIdentifier);
  std::memcpy(md.AccountingToken, o.AccountingToken, sizeof md.AccountingToken);
  std::memcpy(md.ApplIdentityData, o.ApplIdentityData, sizeof md.ApplIdentityData);
  SetContext(nullptr, ContextMode::kIdentity, &md);
  md.PutApplType = MQAT_QMGR;
  FillBlankPadded(md.PutApplName, sizeof md.PutApplName, name);
  FillBlankPadded(md.ReplyToQMgr, sizeof md.ReplyToQMgr, name);
  SendLocked(NameInField(o.ReplyToQMgr, sizeof o.ReplyToQMgr), reply_q, std::move(report));
}

}  // namespace mqemu
