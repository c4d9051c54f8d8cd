// The recording MQI.
#include "support/recording_mqi.h"
#include "pcf/mq_field.h"

#include <cstdio>
#include <cstring>

namespace {

RecordingMqi* installed = nullptr;

void Complete(PMQLONG cc, PMQLONG rc, MQLONG reason) {
  *cc = reason == MQRC_NONE ? MQCC_OK : MQCC_FAILED;
  *rc = reason;
}

}  // namespace

const char* ControlName(MQLONG operation) {
  switch (operation) {
    case MQOP_START:
      return "START";
    case MQOP_START_WAIT:
      return "START_WAIT";
    case MQOP_STOP:
      return "STOP";
    case MQOP_SUSPEND:
      return "SUSPEND";
    case MQOP_RESUME:
      return "RESUME";
    default:
      return "?";
  }
}

RecordingMqi& RecordingMqi::Install() {
  static RecordingMqi instance;
  instance.Reset();
  installed = &instance;
  MqiTable = Table();
  return instance;
}

MqiEntryPoints RecordingMqi::Table() {
  MqiEntryPoints table{};
  table.MQCONNX = &Connx;
  table.MQDISC = &Disc;
  table.MQOPEN = &Open;
  table.MQCLOSE = &Close;
  table.MQINQ = &Inq;
  table.MQPUT = &Put;
  table.MQPUT1 = &Put1;
  table.MQCB = &Cb;
  table.MQCTL = &Ctl;
  return table;
}

void RecordingMqi::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  connects.clear();
  opens.clear();
  puts.clear();
  inquires.clear();
  callbacks.clear();
  controls.clear();
  closes.clear();
  calls.clear();
  next_hobj_ = 100;
  next_msg_id_ = 1;
  open_names_.clear();
  failing_puts_ = 0;
  fail_put_reason_ = MQRC_NONE;
  fail_put_object_.clear();
  warning_puts_ = 0;
  warn_put_reason_ = MQRC_NONE;
  open_refusals_.clear();
  renames_.clear();
  resolutions_.clear();
  handle_limit_ = SIZE_MAX;
  dead_letter_queue_ = "SYSTEM.DEAD.LETTER.QUEUE";
  max_handles_ = 256;
  attributes_.clear();
  queue_inquire_reason_ = MQRC_NONE;
  qmgr_name_ = "QM1";
  platform_ = MQPL_UNIX;
  qmgr_open_reason_ = MQRC_NONE;
  qmgr_inquire_reason_ = MQRC_NONE;
  reject_cno_7_ = false;
  connect_reason_ = MQRC_NONE;
  callback_reason_ = MQRC_NONE;
  control_reasons_.clear();
  close_reason_ = MQRC_NONE;
  control_hook_ = nullptr;
}

MQHOBJ RecordingMqi::Preopen(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  const MQHOBJ hobj = next_hobj_++;
  open_names_[hobj] = name;
  return hobj;
}

void RecordingMqi::FailPuts(int count, MQLONG reason, const std::string& object) {
  std::lock_guard<std::mutex> lock(mutex_);
  failing_puts_ = count;
  fail_put_reason_ = reason;
  fail_put_object_ = object;
}

void RecordingMqi::WarnPuts(int count, MQLONG reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  warning_puts_ = count;
  warn_put_reason_ = reason;
}

void RecordingMqi::RefuseOpen(const std::string& name, MQLONG reason, bool only_with_inquire) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_refusals_[name] = {reason, only_with_inquire};
}

void RecordingMqi::RenameOnOpen(const std::string& name, const std::string& object_name,
                                const std::string& qmgr_name) {
  std::lock_guard<std::mutex> lock(mutex_);
  renames_[name] = {object_name, qmgr_name};
}

void RecordingMqi::ResolveOnOpen(const std::string& name, const std::string& queue,
                                 const std::string& qmgr_name) {
  std::lock_guard<std::mutex> lock(mutex_);
  resolutions_[name] = {queue, qmgr_name};
}

void RecordingMqi::LimitHandles(size_t limit) {
  std::lock_guard<std::mutex> lock(mutex_);
  handle_limit_ = limit;
}

void RecordingMqi::SetQueueManagerLimits(const std::string& dead_letter_queue, MQLONG max_handles) {
  std::lock_guard<std::mutex> lock(mutex_);
  dead_letter_queue_ = dead_letter_queue;
  max_handles_ = max_handles;
}

size_t RecordingMqi::OpenHandleCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_names_.size();
}

void RecordingMqi::SetQueueAttributes(const std::string& name, MQLONG max_msg_length,
                                      MQLONG definition_type) {
  std::lock_guard<std::mutex> lock(mutex_);
  attributes_[name] = {max_msg_length, definition_type};
}

void RecordingMqi::FailQueueInquire(MQLONG reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_inquire_reason_ = reason;
}

void RecordingMqi::SetQueueManager(const std::string& name, MQLONG platform) {
  std::lock_guard<std::mutex> lock(mutex_);
  qmgr_name_ = name;
  platform_ = platform;
}

void RecordingMqi::RefuseQueueManagerOpen(MQLONG reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  qmgr_open_reason_ = reason;
}

void RecordingMqi::FailQueueManagerInquire(MQLONG reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  qmgr_inquire_reason_ = reason;
}

void RecordingMqi::RejectCnoVersion7() {
  std::lock_guard<std::mutex> lock(mutex_);
  reject_cno_7_ = true;
}

void RecordingMqi::FailConnect(MQLONG reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  connect_reason_ = reason;
}

void RecordingMqi::FailCallback(MQLONG reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  callback_reason_ = reason;
}

void RecordingMqi::FailControl(MQLONG operation, MQLONG reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  control_reasons_[operation] = reason;
}

void RecordingMqi::FailClose(MQLONG reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  close_reason_ = reason;
}

void RecordingMqi::OnControl(std::function<void(MQLONG)> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  control_hook_ = std::move(hook);
}

std::string RecordingMqi::NameOf(MQHOBJ hobj) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = open_names_.find(hobj);
  return found == open_names_.end() ? "" : found->second;
}

std::vector<RecordedPut> RecordingMqi::PutsTo(const std::string& object) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<RecordedPut> result;
  for (const RecordedPut& put : puts) {
    if (put.object == object && put.comp_code != MQCC_FAILED) result.push_back(put);
  }
  return result;
}

void MQENTRY RecordingMqi::Connx(PMQCHAR qmgr, PMQCNO cno, PMQHCONN hconn, PMQLONG cc, PMQLONG rc) {
  RecordingMqi& self = *installed;
  std::lock_guard<std::mutex> lock(self.mutex_);
  self.connects.push_back({NameInField(qmgr, MQ_Q_MGR_NAME_LENGTH), *cno});
  self.calls.push_back("CONNX");
  MQLONG reason = self.connect_reason_;
  if (reason == MQRC_NONE && self.reject_cno_7_ && cno->Version >= MQCNO_VERSION_7) {
    reason = MQRC_CNO_ERROR;
  }
  *hconn = reason == MQRC_NONE ? kHconn : MQHC_UNUSABLE_HCONN;
  Complete(cc, rc, reason);
}

void MQENTRY RecordingMqi::Disc(PMQHCONN hconn, PMQLONG cc, PMQLONG rc) {
  RecordingMqi& self = *installed;
  std::lock_guard<std::mutex> lock(self.mutex_);
  self.calls.push_back("DISC");
  *hconn = MQHC_UNUSABLE_HCONN;
  Complete(cc, rc, MQRC_NONE);
}

void MQENTRY RecordingMqi::Open(MQHCONN, PMQVOID od_pointer, MQLONG options, PMQHOBJ hobj,
                                PMQLONG cc, PMQLONG rc) {
  RecordingMqi& self = *installed;
  std::lock_guard<std::mutex> lock(self.mutex_);
  auto* od = static_cast<MQOD*>(od_pointer);
  RecordedOpen record{NameInField(od->ObjectName, sizeof od->ObjectName),
                      NameInField(od->ObjectQMgrName, sizeof od->ObjectQMgrName),
                      options,
                      *od,
                      MQHO_UNUSABLE_HOBJ,
                      MQRC_NONE};
  MQLONG reason = MQRC_NONE;
  if (od->ObjectType == MQOT_Q_MGR) {
    reason = self.qmgr_open_reason_;
    record.name = "qmgr";
    if (reason == MQRC_NONE) {
      record.hobj = kQueueManagerHobj;
      self.open_names_[record.hobj] = record.name;
    }
  } else {
    auto refusal = self.open_refusals_.find(record.name);
    if (refusal != self.open_refusals_.end() &&
        (!refusal->second.only_with_inquire || (options & MQOO_INQUIRE))) {
      reason = refusal->second.reason;
    }
    if (reason == MQRC_NONE && self.open_names_.size() >= self.handle_limit_) {
      reason = MQRC_HANDLE_NOT_AVAILABLE;
    }
    if (reason == MQRC_NONE) {
      record.hobj = self.next_hobj_++;
      self.open_names_[record.hobj] = record.name;
      std::string resolved = record.name;
      std::string resolved_qmgr = record.qmgr.empty() ? self.qmgr_name_ : record.qmgr;
      auto rename = self.renames_.find(record.name);
      if (rename != self.renames_.end()) {
        FillBlankPadded(od->ObjectName, sizeof od->ObjectName, rename->second.object_name);
        FillBlankPadded(od->ObjectQMgrName, sizeof od->ObjectQMgrName, rename->second.qmgr_name);
        resolved = rename->second.object_name;
        resolved_qmgr = rename->second.qmgr_name;
      }
      auto resolution = self.resolutions_.find(record.name);
      if (resolution != self.resolutions_.end()) {
        resolved = resolution->second.object_name;
        resolved_qmgr = resolution->second.qmgr_name;
      }
      if (od->Version >= MQOD_VERSION_3) {
        FillBlankPadded(od->ResolvedQName, sizeof od->ResolvedQName, resolved);
        FillBlankPadded(od->ResolvedQMgrName, sizeof od->ResolvedQMgrName, resolved_qmgr);
      }
    }
  }
  record.reason = reason;
  *hobj = record.hobj;
  self.calls.push_back("OPEN " + record.name);
  self.opens.push_back(record);
  Complete(cc, rc, reason);
}

void MQENTRY RecordingMqi::Close(MQHCONN, PMQHOBJ hobj, MQLONG, PMQLONG cc, PMQLONG rc) {
  RecordingMqi& self = *installed;
  std::lock_guard<std::mutex> lock(self.mutex_);
  self.closes.push_back(*hobj);
  auto found = self.open_names_.find(*hobj);
  self.calls.push_back("CLOSE " +
                       (found == self.open_names_.end() ? std::string("?") : found->second));
  if (self.close_reason_ == MQRC_NONE) {
    if (found != self.open_names_.end()) self.open_names_.erase(found);
    *hobj = MQHO_UNUSABLE_HOBJ;
  }
  Complete(cc, rc, self.close_reason_);
}

void MQENTRY RecordingMqi::Inq(MQHCONN, MQHOBJ hobj, MQLONG selector_count, PMQLONG selectors,
                               MQLONG int_count, PMQLONG ints, MQLONG char_length, PMQCHAR chars,
                               PMQLONG cc, PMQLONG rc) {
  RecordingMqi& self = *installed;
  std::lock_guard<std::mutex> lock(self.mutex_);
  self.inquires.push_back(
      {hobj, std::vector<MQLONG>(selectors, selectors + selector_count), int_count, char_length});
  const bool qmgr = hobj == kQueueManagerHobj;
  self.calls.push_back(qmgr ? "INQ qmgr" : "INQ " + self.open_names_[hobj]);
  const MQLONG reason = qmgr ? self.qmgr_inquire_reason_ : self.queue_inquire_reason_;
  if (reason != MQRC_NONE) return Complete(cc, rc, reason);

  Attributes attributes = {4 * 1024 * 1024, MQQDT_PREDEFINED};
  if (!qmgr) {
    auto found = self.attributes_.find(self.open_names_[hobj]);
    if (found != self.attributes_.end()) attributes = found->second;
  }
  MQLONG int_at = 0;
  MQLONG char_at = 0;
  for (MQLONG i = 0; i < selector_count; ++i) {
    switch (selectors[i]) {
      case MQIA_PLATFORM:
        if (int_at < int_count) ints[int_at] = self.platform_;
        ++int_at;
        break;
      case MQIA_MAX_MSG_LENGTH:
        if (int_at < int_count) ints[int_at] = attributes.max_msg_length;
        ++int_at;
        break;
      case MQIA_DEFINITION_TYPE:
        if (int_at < int_count) ints[int_at] = attributes.definition_type;
        ++int_at;
        break;
      case MQCA_Q_MGR_NAME:
        if (char_at + MQ_Q_MGR_NAME_LENGTH <= char_length) {
          FillBlankPadded(chars + char_at, MQ_Q_MGR_NAME_LENGTH, self.qmgr_name_);
        }
        char_at += MQ_Q_MGR_NAME_LENGTH;
        break;
      case MQCA_DEAD_LETTER_Q_NAME:
        if (char_at + MQ_Q_NAME_LENGTH <= char_length) {
          FillBlankPadded(chars + char_at, MQ_Q_NAME_LENGTH, self.dead_letter_queue_);
        }
        char_at += MQ_Q_NAME_LENGTH;
        break;
      case MQIA_MAX_HANDLES:
        if (int_at < int_count) ints[int_at] = self.max_handles_;
        ++int_at;
        break;
      default:
        return Complete(cc, rc, MQRC_SELECTOR_ERROR);
    }
  }
  Complete(cc, rc, MQRC_NONE);
}

void MQENTRY RecordingMqi::Put(MQHCONN, MQHOBJ hobj, PMQVOID md_pointer, PMQVOID pmo_pointer,
                               MQLONG length, PMQVOID buffer, PMQLONG cc, PMQLONG rc) {
  RecordingMqi& self = *installed;
  std::lock_guard<std::mutex> lock(self.mutex_);
  auto* md = static_cast<MQMD*>(md_pointer);
  const auto* pmo = static_cast<const MQPMO*>(pmo_pointer);
  RecordedPut record{};
  auto found = self.open_names_.find(hobj);
  record.object = found == self.open_names_.end() ? "?" : found->second;
  record.hobj = hobj;
  record.md = *md;
  record.pmo_options = pmo->Options;
  record.pmo_context = pmo->Context;
  record.data.assign(static_cast<const char*>(buffer), static_cast<size_t>(length));
  record.buffer = buffer;
  self.calls.push_back("PUT " + record.object);

  MQLONG comp_code = MQCC_OK;
  MQLONG reason = MQRC_NONE;
  if (self.failing_puts_ > 0 &&
      (self.fail_put_object_.empty() || self.fail_put_object_ == record.object)) {
    --self.failing_puts_;
    comp_code = MQCC_FAILED;
    reason = self.fail_put_reason_;
  } else if (self.warning_puts_ > 0) {
    --self.warning_puts_;
    comp_code = MQCC_WARNING;
    reason = self.warn_put_reason_;
  }
  if (comp_code != MQCC_FAILED && memcmp(md->MsgId, MQMI_NONE, sizeof md->MsgId) == 0) {
    char id[sizeof(MQBYTE24) + 1];
    snprintf(id, sizeof id, "GENERATED-MSGID-%08d", self.next_msg_id_++);
    memcpy(md->MsgId, id, sizeof md->MsgId);
  }
  memcpy(record.msg_id, md->MsgId, sizeof record.msg_id);
  record.comp_code = comp_code;
  record.reason = reason;
  self.puts.push_back(record);
  *cc = comp_code;
  *rc = reason;
}

void MQENTRY RecordingMqi::Put1(MQHCONN, PMQVOID od_pointer, PMQVOID md_pointer,
                                PMQVOID pmo_pointer, MQLONG length, PMQVOID buffer, PMQLONG cc,
                                PMQLONG rc) {
  RecordingMqi& self = *installed;
  std::lock_guard<std::mutex> lock(self.mutex_);
  const auto* od = static_cast<const MQOD*>(od_pointer);
  RecordedPut record{};
  record.object = NameInField(od->ObjectName, sizeof od->ObjectName);
  record.hobj = MQHO_NONE;
  record.md = *static_cast<const MQMD*>(md_pointer);
  record.pmo_options = static_cast<const MQPMO*>(pmo_pointer)->Options;
  record.data.assign(static_cast<const char*>(buffer), static_cast<size_t>(length));
  record.buffer = buffer;
  self.calls.push_back("PUT1 " + record.object);
  self.puts.push_back(record);
  Complete(cc, rc, MQRC_NONE);
}

void MQENTRY RecordingMqi::Cb(MQHCONN, MQLONG operation, PMQVOID cbd, MQHOBJ hobj, PMQVOID md,
                              PMQVOID gmo, PMQLONG cc, PMQLONG rc) {
  RecordingMqi& self = *installed;
  std::lock_guard<std::mutex> lock(self.mutex_);
  RecordedCallback record{};
  record.operation = operation;
  record.hobj = hobj;
  record.cbd = *static_cast<const MQCBD*>(cbd);
  record.has_md = md != nullptr;
  if (md != nullptr) record.md = *static_cast<const MQMD*>(md);
  record.has_gmo = gmo != nullptr;
  if (gmo != nullptr) record.gmo = *static_cast<const MQGMO*>(gmo);
  self.callbacks.push_back(record);
  self.calls.push_back("CB " +
                       (hobj == MQHO_NONE ? std::string("events") : self.open_names_[hobj]));
  Complete(cc, rc, self.callback_reason_);
}

void MQENTRY RecordingMqi::Ctl(MQHCONN, MQLONG operation, PMQVOID, PMQLONG cc, PMQLONG rc) {
  RecordingMqi& self = *installed;
  std::function<void(MQLONG)> hook;
  {
    std::lock_guard<std::mutex> lock(self.mutex_);
    self.controls.push_back(operation);
    self.calls.push_back(std::string("CTL ") + ControlName(operation));
    auto found = self.control_reasons_.find(operation);
    Complete(cc, rc, found == self.control_reasons_.end() ? MQRC_NONE : found->second);
    hook = self.control_hook_;
  }
  if (hook) hook(operation);
}
