// Test support: an in-process queue manager and direct MQI calls on it.
#include "emulator/qmgr/in_process_qmgr.h"

namespace mqemu_test {

using mqemu::Status;

mqemu::Session& InProcessQmgr::NewSession(int call_fd) {
  std::lock_guard lock(qm.mu);
  auto id = static_cast<uint32_t>(qm.sessions.size() + 1);
  auto session = std::make_shared<mqemu::Session>(id, call_fd);
  qm.sessions.emplace(id, session);
  mqemu::Session& s = *session;
  s.user = "tester";
  s.appl = "unit";
  return s;
}

mqemu::Queue& InProcessQmgr::Define(const std::string& name, MQLONG type) {
  std::lock_guard lock(qm.mu);
  mqemu::Queue* q = qm.AddQueue(name, type);
  EXPECT_NE(q, nullptr) << name;
  return *q;
}

MQHOBJ InProcessQmgr::Open(mqemu::Session& s, const std::string& name, MQLONG options,
                           MQLONG expect_reason, const std::string& dynamic_name,
                           std::string* opened) {
  mqemu::OpenRequest request;
  request.name = name;
  request.dynamic_name = dynamic_name;
  request.options = options;
  mqemu::OpenResult result;
  Status st = qm.Open(s, request, &result);
  EXPECT_EQ(st.rc, expect_reason) << "open " << name;
  if (opened) *opened = result.name;
  return result.hobj;
}

MQLONG InProcessQmgr::Put(mqemu::Session& s, MQHOBJ hobj, const std::string& data,
                          MQLONG pmo_options, MQMD* md) {
  MQMD local = {MQMD_DEFAULT};
  local.Version = MQMD_VERSION_2;
  if (!md) md = &local;
  return qm.Put(s, hobj, pmo_options, mqemu::ContextMode::kDefault, md, data).rc;
}

MQLONG InProcessQmgr::Get(mqemu::Session& s, MQHOBJ hobj, std::string* data, MQLONG gmo_options,
                          MQMD* md, MQLONG wait_ms) {
  MQMD local = {MQMD_DEFAULT};
  if (!md) md = &local;
  mqemu::GetRequest request;
  request.hobj = hobj;
  request.options = gmo_options;
  request.wait_ms = wait_ms;
  request.buffer_length = 65536;
  MQLONG length = 0;
  return qm.Get(s, request, md, data, &length).rc;
}

size_t InProcessQmgr::Depth(const std::string& name) {
  std::lock_guard lock(qm.mu);
  mqemu::Queue* q = qm.FindQueue(name);
  return q ? q->messages.size() : 0;
}

}  // namespace mqemu_test
