// Queue manager processes and MQI helpers for the emulator's tests.
#include "qmgr_fixture.h"
#include "pcf/mq_field.h"

#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace mqemu_test {

int RunTool(const std::string& args, std::string* output) {
  std::string command = std::string(MQEMU_TOOL) + " " + args + " 2>&1";
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return -1;
  std::string text;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) text.append(buf.data(), n);
  int status = ::pclose(p);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

EmuHome::EmuHome() {
  char tmpl[] = "/tmp/mqemu-test-XXXXXX";
  path_ = ::mkdtemp(tmpl);
  ::setenv("MQEMU_HOME", path_.c_str(), 1);
}

EmuHome::~EmuHome() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

namespace {

// Runs `start` with the processes it starts capped at cap_mb megabytes.
// Sanitizers reserve far more address space than they use, so under one
// the cap is the sanitizer's own limit of resident memory.
template <typename F>
void WithMemoryCap(long cap_mb, F start) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#if defined(__SANITIZE_ADDRESS__)
  const char* variable = "ASAN_OPTIONS";
#else
  const char* variable = "TSAN_OPTIONS";
#endif
  const char* old = std::getenv(variable);
  std::string saved = old ? old : "";
  std::string capped =
      saved + (saved.empty() ? "" : ":") + "hard_rss_limit_mb=" + std::to_string(cap_mb);
  ::setenv(variable, capped.c_str(), 1);
  start();
  if (old) {
    ::setenv(variable, saved.c_str(), 1);
  } else {
    ::unsetenv(variable);
  }
#else
  rlimit old{};
  ::getrlimit(RLIMIT_AS, &old);
  rlimit capped = old;
  capped.rlim_cur = static_cast<rlim_t>(cap_mb) << 20;
  ::setrlimit(RLIMIT_AS, &capped);
  start();
  ::setrlimit(RLIMIT_AS, &old);
#endif
}

}  // namespace

QueueManagerProcess::QueueManagerProcess(std::string name, const std::string& options,
                                         long memory_cap_mb)
    : name_(std::move(name)) {
  std::string out;
  auto start = [&] { running_ = RunTool("start " + name_ + " " + options, &out) == 0; };
  if (memory_cap_mb > 0) {
    WithMemoryCap(memory_cap_mb, start);
  } else {
    start();
  }
  EXPECT_TRUE(running_) << out;
}

QueueManagerProcess::~QueueManagerProcess() {
  Stop();
}

void QueueManagerProcess::Stop(const std::string& options) {
  if (!running_) return;
  std::string out;
  EXPECT_EQ(RunTool("stop " + name_ + " " + options, &out), 0) << out;
  running_ = false;
}

MQHCONN Connect(const std::string& qmgr, const char* user) {
  MQCNO cno = {MQCNO_DEFAULT};
  MQCSP csp = {MQCSP_DEFAULT};
  cno.Version = MQCNO_VERSION_5;
  if (user) {
    csp.AuthenticationType = MQCSP_AUTH_USER_ID_AND_PWD;
    csp.CSPUserIdPtr = const_cast<char*>(user);
    csp.CSPUserIdLength = static_cast<MQLONG>(std::strlen(user));
    cno.SecurityParmsPtr = &csp;
  }
  char name[MQ_Q_MGR_NAME_LENGTH];
  FillBlankPadded(name, sizeof name, qmgr);
  MQHCONN hconn = MQHC_UNUSABLE_HCONN;
  MQLONG cc, rc;
  MQCONNX(name, &cno, &hconn, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE) << "MQCONNX " << qmgr;
  return hconn;
}

void Disconnect(MQHCONN* hconn) {
  MQLONG cc, rc;
  MQDISC(hconn, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE);
}

MQHOBJ Open(MQHCONN hconn, const std::string& queue, MQLONG options, MQLONG expect_reason,
            std::string* opened_name, const std::string& qmgr) {
  MQOD od = {MQOD_DEFAULT};
  FillBlankPadded(od.ObjectName, sizeof od.ObjectName, queue);
  FillBlankPadded(od.ObjectQMgrName, sizeof od.ObjectQMgrName, qmgr);
  FillBlankPadded(od.DynamicQName, sizeof od.DynamicQName, "TOVAN.CSAGNT.*");
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQLONG cc, rc;
  MQOPEN(hconn, &od, options, &hobj, &cc, &rc);
  EXPECT_EQ(rc, expect_reason) << "MQOPEN " << queue;
  if (opened_name) *opened_name = TextInField(od.ObjectName, sizeof od.ObjectName);
  return hobj;
}

void Close(MQHCONN hconn, MQHOBJ* hobj) {
  MQLONG cc, rc;
  MQCLOSE(hconn, hobj, MQCO_NONE, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE);
}

MQLONG Put(MQHCONN hconn, MQHOBJ hobj, const std::string& data, MQMD* md, MQLONG pmo_options,
           MQHOBJ context) {
  MQMD local = {MQMD_DEFAULT};
  if (!md) md = &local;
  MQPMO pmo = {MQPMO_DEFAULT};
  pmo.Options = pmo_options;
  pmo.Context = context;
  MQLONG cc, rc;
  MQPUT(hconn, hobj, md, &pmo, static_cast<MQLONG>(data.size()), const_cast<char*>(data.data()),
        &cc, &rc);
  return rc;
}

MQLONG Get(MQHCONN hconn, MQHOBJ hobj, std::string* data, MQMD* md, MQLONG wait_ms,
           MQLONG buffer_length, MQLONG options) {
  MQMD local = {MQMD_DEFAULT};
  if (!md) md = &local;
  MQGMO gmo = {MQGMO_DEFAULT};
  gmo.Options = MQGMO_NO_SYNCPOINT | options | (wait_ms ? MQGMO_WAIT : 0);
  gmo.WaitInterval = wait_ms;
  std::string buffer(static_cast<size_t>(buffer_length), '\0');
  MQLONG length = 0, cc, rc;
  MQGET(hconn, hobj, md, &gmo, buffer_length, buffer.data(), &length, &cc, &rc);
  if (cc != MQCC_FAILED) data->assign(buffer.data(), std::min(length, buffer_length));
  return rc;
}

MQLONG InquireInt(MQHCONN hconn, MQHOBJ hobj, MQLONG selector) {
  MQLONG value = -99, cc, rc;
  MQINQ(hconn, hobj, 1, &selector, 1, &value, 0, nullptr, &cc, &rc);
  EXPECT_EQ(rc, MQRC_NONE);
  return value;
}

}  // namespace mqemu_test
