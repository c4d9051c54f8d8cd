// Encoding and decoding of each frame kind's fields, in the order drawn in
// frame_kinds.h.
#include "protocol/frame_kinds.h"

namespace mqemu {
namespace {

void EncodeLongs(FrameWriter& w, const std::vector<MQLONG>& v) {
  w.I32(static_cast<int32_t>(v.size()));
  for (MQLONG x : v) w.I32(x);
}

// Reads a count of items that take at least `least_bytes` each, checked
// against the bytes left before anything is sized by it.
bool DecodeCount(FrameReader& r, size_t least_bytes, size_t* count) {
  int32_t n = 0;
  if (!r.I32(&n)) return false;
  if (n < 0 || static_cast<size_t>(n) > r.remaining() / least_bytes) return r.Fail();
  *count = static_cast<size_t>(n);
  return true;
}

bool DecodeLongs(FrameReader& r, std::vector<MQLONG>* out) {
  size_t n = 0;
  if (!DecodeCount(r, 4, &n)) return false;
  out->resize(n);
  for (auto& v : *out) r.I32(&v);
  return r.ok();
}

bool DecodeMd(FrameReader& r, MQMD* md) {
  return r.Bytes(md, sizeof *md);
}

}  // namespace

void Encode(FrameWriter& w, const ConnectCall& m) {
  w.I32(m.cno_version);
  w.Blob(m.user);
  w.Blob(m.appl);
  w.I32(m.pid);
  w.Blob(m.qmgr);
  w.I32(m.tid);
  w.I32(m.options);
  w.Blob(m.channel);
  w.Blob(m.conname);
}
bool Decode(FrameReader& r, ConnectCall* m) {
  return r.I32(&m->cno_version) && r.Blob(&m->user) && r.Blob(&m->appl) && r.I32(&m->pid) &&
         r.Blob(&m->qmgr) && r.I32(&m->tid) && r.I32(&m->options) && r.Blob(&m->channel) &&
         r.Blob(&m->conname);
}

void Encode(FrameWriter& w, const ConnectReply& m) {
  w.U32(m.session);
  w.Bytes(m.qmgr, sizeof m.qmgr);
}
bool Decode(FrameReader& r, ConnectReply* m) {
  return r.U32(&m->session) && r.Bytes(m->qmgr, sizeof m->qmgr);
}

void Encode(FrameWriter& w, const OpenCall& m) {
  w.I32(m.type);
  w.Bytes(m.name, sizeof m.name);
  w.Bytes(m.qmgr, sizeof m.qmgr);
  w.Bytes(m.dynamic, sizeof m.dynamic);
  w.I32(m.options);
}
bool Decode(FrameReader& r, OpenCall* m) {
  return r.I32(&m->type) && r.Bytes(m->name, sizeof m->name) && r.Bytes(m->qmgr, sizeof m->qmgr) &&
         r.Bytes(m->dynamic, sizeof m->dynamic) && r.I32(&m->options);
}

void Encode(FrameWriter& w, const OpenReply& m) {
  w.I32(m.hobj);
  w.Bytes(m.name, sizeof m.name);
  w.Bytes(m.qmgr, sizeof m.qmgr);
  w.Bytes(m.resolved, sizeof m.resolved);
}
bool Decode(FrameReader& r, OpenReply* m) {
  return r.I32(&m->hobj) && r.Bytes(m->name, sizeof m->name) && r.Bytes(m->qmgr, sizeof m->qmgr) &&
         r.Bytes(m->resolved, sizeof m->resolved);
}

void Encode(FrameWriter& w, const CloseCall& m) {
  w.I32(m.hobj);
  w.I32(m.options);
}
bool Decode(FrameReader& r, CloseCall* m) {
  return r.I32(&m->hobj) && r.I32(&m->options);
}

void Encode(FrameWriter& w, const PutFields& m) {
  w.Reserve(16 + sizeof m.md + m.data.size() + m.properties.size());
  w.I32(m.options);
  w.I32(static_cast<int32_t>(m.mode));
  w.Bytes(&m.md, sizeof m.md);
  w.Blob(m.data);
  w.Blob(m.properties);
}
bool Decode(FrameReader& r, PutFields* m) {
  int32_t mode = 0;
  if (!r.I32(&m->options) || !r.I32(&mode) || !DecodeMd(r, &m->md) || !r.Blob(&m->data) ||
      !r.Blob(&m->properties)) {
    return false;
  }
  if (mode < 0 || mode > static_cast<int32_t>(ContextMode::kAll)) return r.Fail();
  m->mode = static_cast<ContextMode>(mode);
  return true;
}

void Encode(FrameWriter& w, const PutCall& m) {
  w.I32(m.hobj);
  Encode(w, m.put);
}
bool Decode(FrameReader& r, PutCall* m) {
  return r.I32(&m->hobj) && Decode(r, &m->put);
}

void Encode(FrameWriter& w, const Put1Call& m) {
  Encode(w, m.open);
  Encode(w, m.put);
}
bool Decode(FrameReader& r, Put1Call* m) {
  return Decode(r, &m->open) && Decode(r, &m->put);
}

void Encode(FrameWriter& w, const PutReply& m) {
  w.Bytes(&m.md, sizeof m.md);
}
bool Decode(FrameReader& r, PutReply* m) {
  return DecodeMd(r, &m->md);
}

void Encode(FrameWriter& w, const GetCall& m) {
  w.I32(m.hobj);
  w.I32(m.options);
  w.I32(m.match);
  w.I32(m.wait_ms);
  w.I32(m.buffer_length);
  w.Bytes(&m.md, sizeof m.md);
  w.I32(static_cast<int32_t>(m.properties));
}
bool Decode(FrameReader& r, GetCall* m) {
  int32_t wanted = 0;
  if (!r.I32(&m->hobj) || !r.I32(&m->options) || !r.I32(&m->match) || !r.I32(&m->wait_ms) ||
      !r.I32(&m->buffer_length) || !DecodeMd(r, &m->md) || !r.I32(&wanted)) {
    return false;
  }
  if (wanted < 0 || wanted > static_cast<int32_t>(PropertiesWanted::kInMqrfh2)) return r.Fail();
  m->properties = static_cast<PropertiesWanted>(wanted);
  return true;
}

void Encode(FrameWriter& w, const GetReply& m) {
  w.Reserve(12 + sizeof m.md + m.data.size() + m.properties.size());
  w.Bytes(&m.md, sizeof m.md);
  w.I32(m.data_length);
  w.Blob(m.data);
  w.Blob(m.properties);
}
bool Decode(FrameReader& r, GetReply* m) {
  return DecodeMd(r, &m->md) && r.I32(&m->data_length) && r.Blob(&m->data) &&
         r.Blob(&m->properties);
}

void Encode(FrameWriter& w, const InquireCall& m) {
  w.I32(m.hobj);
  EncodeLongs(w, m.selectors);
  w.I32(m.int_count);
  w.I32(m.char_length);
}
bool Decode(FrameReader& r, InquireCall* m) {
  return r.I32(&m->hobj) && DecodeLongs(r, &m->selectors) && r.I32(&m->int_count) &&
         r.I32(&m->char_length);
}

void Encode(FrameWriter& w, const InquireReply& m) {
  EncodeLongs(w, m.ints);
  w.Blob(m.chars);
}
bool Decode(FrameReader& r, InquireReply* m) {
  return DecodeLongs(r, &m->ints) && r.Blob(&m->chars);
}

void Encode(FrameWriter& w, const SetCall& m) {
  w.I32(m.hobj);
  EncodeLongs(w, m.selectors);
  EncodeLongs(w, m.ints);
  w.Blob(m.chars);
}
bool Decode(FrameReader& r, SetCall* m) {
  return r.I32(&m->hobj) && DecodeLongs(r, &m->selectors) && DecodeLongs(r, &m->ints) &&
         r.Blob(&m->chars);
}

void Encode(FrameWriter& w, const RegisterConsumerCall& m) {
  w.I32(m.hobj);
  w.I32(m.gmo_options);
  w.I32(m.match);
  w.Bytes(&m.md, sizeof m.md);
}
bool Decode(FrameReader& r, RegisterConsumerCall* m) {
  return r.I32(&m->hobj) && r.I32(&m->gmo_options) && r.I32(&m->match) && DecodeMd(r, &m->md);
}

void Encode(FrameWriter& w, const DeregisterConsumerCall& m) {
  w.I32(m.hobj);
}
bool Decode(FrameReader& r, DeregisterConsumerCall* m) {
  return r.I32(&m->hobj);
}

void Encode(FrameWriter& w, const MessagePush& m) {
  w.Reserve(RequeuedBytes(m.data.size(), m.properties.size()));
  w.I32(m.hobj);
  w.Bytes(&m.md, sizeof m.md);
  w.Blob(m.data);
  w.Blob(m.properties);
  w.U64(m.position);
  w.I32(m.browsed ? 1 : 0);
}
bool Decode(FrameReader& r, MessagePush* m) {
  int32_t browsed = 0;
  if (!r.I32(&m->hobj) || !DecodeMd(r, &m->md) || !r.Blob(&m->data) || !r.Blob(&m->properties) ||
      !r.U64(&m->position) || !r.I32(&browsed)) {
    return false;
  }
  if (browsed != 0 && browsed != 1) return r.Fail();
  m->browsed = browsed == 1;
  return true;
}

void Encode(FrameWriter& w, const RequeueCall& m) {
  w.I32(static_cast<int32_t>(m.messages.size()));
  for (const MessagePush& message : m.messages) Encode(w, message);
}
bool Decode(FrameReader& r, RequeueCall* m) {
  size_t n = 0;
  if (!DecodeCount(r, RequeuedBytes(0), &n)) return false;
  m->messages.resize(n);
  for (MessagePush& message : m->messages) {
    if (!Decode(r, &message)) return false;
  }
  return true;
}

void Encode(FrameWriter& w, const AttachCall& m) {
  w.U32(m.session);
  w.U32(m.shared);
}
bool Decode(FrameReader& r, AttachCall* m) {
  return r.U32(&m->session) && r.U32(&m->shared) && m->shared <= 1;
}

void Encode(FrameWriter& w, const EventPush& m) {
  w.I32(m.hobj);
  w.I32(m.cc);
  w.I32(m.reason);
}
bool Decode(FrameReader& r, EventPush* m) {
  return r.I32(&m->hobj) && r.I32(&m->cc) && r.I32(&m->reason);
}

void Encode(FrameWriter& w, const ControlCall& m) {
  w.I32(static_cast<int32_t>(m.args.size()));
  for (const std::string& a : m.args) w.Blob(a);
}
bool Decode(FrameReader& r, ControlCall* m) {
  size_t argc = 0;
  if (!DecodeCount(r, 4, &argc)) return false;
  m->args.resize(argc);
  for (std::string& a : m->args) {
    if (!r.Blob(&a)) return false;
  }
  return true;
}

void Encode(FrameWriter& w, const ControlReply& m) {
  w.Blob(m.text);
}
bool Decode(FrameReader& r, ControlReply* m) {
  return r.Blob(&m->text);
}

void Encode(FrameWriter&, const NoFields&) {}
bool Decode(FrameReader&, NoFields*) {
  return true;
}

void Encode(FrameWriter& w, const ReplyHead& m) {
  w.I32(m.cc);
  w.I32(m.reason);
}
bool Decode(FrameReader& r, ReplyHead* m) {
  return r.I32(&m->cc) && r.I32(&m->reason);
}

}  // namespace mqemu
