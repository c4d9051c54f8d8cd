// The fields of every frame kind (protocol/frame.h draws the frame around
// them). Each kind's fields are drawn here once, beside the struct that
// holds them, and encoded and decoded by the one Encode/Decode pair of that
// struct, which the client library, the daemon and the tool all use.
//
// On the call socket, every MQI call (and every control command of the
// mqemu tool) is one request, a *Call struct, answered by one reply of the
// same Kind. On the delivery socket, the daemon pushes *Push frames. Every reply begins with i32
// CompCode, i32 Reason (ReplyHead); the fields after them are the *Reply structs, and a reply of
// CompCode and Reason alone has none. The daemon writes a reply's fields even when the call failed,
// so that a reply's length depends on its kind alone.
//
// A name field, bytes(48), travels as the caller's MQCHAR48 byte for byte;
// message data and text views (std::string_view) point into the frame they
// were decoded from, or into the caller's buffer being encoded, so message
// data is never copied on its way into or out of a frame beyond the frame
// itself.
#pragma once

#include <cmqc.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/frame.h"

namespace mqemu {

// The fields of a frame with no fields.
template <Kind K>
struct Bare {
  static constexpr Kind kKind = K;
};
template <Kind K>
void Encode(FrameWriter&, const Bare<K>&) {}
template <Kind K>
bool Decode(FrameReader&, Bare<K>*) {
  return true;
}

// -> i32 cno_version, blob user, blob appl_name, i32 pid, blob qmgr,
//    i32 thread id, i32 connect options, blob channel, blob connection name
struct ConnectCall {
  static constexpr Kind kKind = Kind::kConnect;
  MQLONG cno_version = MQCNO_VERSION_1;
  std::string user;
  std::string appl;
  int32_t pid = 0;
  std::string qmgr;             // "" for the default queue manager
  int32_t tid = 0;              // the connecting thread, as the operating system numbers it
  MQLONG options = MQCNO_NONE;  // MQCNO Options
  // A client's channel and its address as the queue manager sees it; empty
  // for an application of the server bindings.
  std::string channel;
  std::string conname;
};
// <- u32 session, bytes(48) qmgr name
struct ConnectReply {
  uint32_t session = 0;
  MQCHAR48 qmgr{};
};

using DisconnectCall = Bare<Kind::kDisconnect>;

// -> i32 type, bytes(48) name, bytes(48) qmgr, bytes(48) dynamic, i32 options
struct OpenCall {
  static constexpr Kind kKind = Kind::kOpen;
  MQLONG type = MQOT_Q;
  MQCHAR48 name{};
  MQCHAR48 qmgr{};
  MQCHAR48 dynamic{};
  MQLONG options = 0;
};
// <- i32 hobj, bytes(48) name, bytes(48) resolved qmgr, bytes(48) resolved
// name. The name is the object's as opened (for a model queue the dynamic
// queue made); the resolved name the queue that messages reach (for an
// alias its base queue).
struct OpenReply {
  MQHOBJ hobj = MQHO_UNUSABLE_HOBJ;
  MQCHAR48 name{};
  MQCHAR48 qmgr{};
  MQCHAR48 resolved{};
};

// -> i32 hobj, i32 options
struct CloseCall {
  static constexpr Kind kKind = Kind::kClose;
  MQHOBJ hobj = MQHO_NONE;
  MQLONG options = MQCO_NONE;
};

// The fields of a put after the object: i32 pmo options, i32 context mode,
// bytes(364) md, blob data, blob properties. A context mode out of range is
// a bad frame. Properties travel in their wire form (properties/
// property_list.h), which the queue manager keeps with the message unread.
struct PutFields {
  MQLONG options = 0;
  ContextMode mode = ContextMode::kDefault;
  MQMD md{};
  std::string_view data;
  std::string_view properties;
};
// -> i32 hobj, then the put's fields
struct PutCall {
  static constexpr Kind kKind = Kind::kPut;
  MQHOBJ hobj = MQHO_NONE;
  PutFields put;
};
// -> the OpenCall fields, then the put's fields
struct Put1Call {
  static constexpr Kind kKind = Kind::kPut1;
  OpenCall open;
  PutFields put;
};
// <- bytes(364) md    (the reply of kPut and kPut1)
struct PutReply {
  MQMD md{};
};

// -> i32 hobj, i32 gmo options, i32 match options, i32 wait ms,
//    i32 buffer length, bytes(364) md, i32 properties wanted
struct GetCall {
  static constexpr Kind kKind = Kind::kGet;
  MQHOBJ hobj = MQHO_NONE;
  MQLONG options = 0;
  MQLONG match = 0;
  MQLONG wait_ms = 0;
  MQLONG buffer_length = 0;
  MQMD md{};
  PropertiesWanted properties = PropertiesWanted::kNone;
};
// <- bytes(364) md, i32 data length, blob data (at most buffer length),
//    blob properties (when they were wanted apart)
struct GetReply {
  MQMD md{};
  MQLONG data_length = 0;  // the whole message's length
  std::string_view data;
  std::string_view properties;
};

// A list of integers: i32 n, n x i32. A count beyond the bytes left is a
// bad frame.
// -> i32 hobj, i32 count, count x i32 selector, i32 int count, i32 char length
struct InquireCall {
  static constexpr Kind kKind = Kind::kInquire;
  MQHOBJ hobj = MQHO_NONE;
  std::vector<MQLONG> selectors;
  MQLONG int_count = 0;
  MQLONG char_length = 0;
};
// <- i32 n, n x i32 value, blob chars
struct InquireReply {
  std::vector<MQLONG> ints;
  std::string_view chars;
};

// -> i32 hobj, i32 count, count x i32 selector, i32 n, n x i32, blob chars
struct SetCall {
  static constexpr Kind kKind = Kind::kSet;
  MQHOBJ hobj = MQHO_NONE;
  std::vector<MQLONG> selectors;
  std::vector<MQLONG> ints;
  std::string_view chars;
};

// -> i32 hobj, i32 gmo options, i32 match options, bytes(364) md
// Registers or replaces the consumer of hobj.
struct RegisterConsumerCall {
  static constexpr Kind kKind = Kind::kRegisterConsumer;
  MQHOBJ hobj = MQHO_NONE;
  MQLONG gmo_options = 0;
  MQLONG match = 0;
  MQMD md{};
};
// -> i32 hobj
struct DeregisterConsumerCall {
  static constexpr Kind kKind = Kind::kDeregisterConsumer;
  MQHOBJ hobj = MQHO_NONE;
};

using StartCall = Bare<Kind::kStart>;
// The delivery socket then carries kStopped.
using StopCall = Bare<Kind::kStop>;

// Pushed on the delivery socket: i32 hobj, bytes(364) md, blob data, blob
// properties, u64 position (the message's place in its queue), i32 browsed
// (1: a copy for a browsing consumer, the message still on its queue; else
// 0). A requeue hands messages back with the same fields.
struct MessagePush {
  static constexpr Kind kKind = Kind::kMessage;
  MQHOBJ hobj = MQHO_NONE;
  MQMD md{};
  std::string_view data;
  std::string_view properties;
  uint64_t position = 0;
  bool browsed = false;
};
// The bytes one message takes in a requeue frame.
constexpr size_t RequeuedBytes(size_t data_length, size_t properties_length = 0) {
  return 4 + sizeof(MQMD) + 4 + data_length + 4 + properties_length + 12;
}
// -> i32 count, count x (the fields of a MessagePush)
// Messages pushed before a stop and not delivered go back to their places in
// their queues; a browsing consumer's cursor goes back before its copies.
struct RequeueCall {
  static constexpr Kind kKind = Kind::kRequeue;
  std::vector<MessagePush> messages;
};

// The connection's unit of work ends.
using CommitCall = Bare<Kind::kCommit>;
using BackoutCall = Bare<Kind::kBackout>;
// -> nothing; <- no fields, the shared region's memfd attached to the
// reply (SCM_RIGHTS). Every frame after it goes through the region.
using ShareCall = Bare<Kind::kShare>;

// -> i32 argc, argc x blob argument
// The mqemu tool's administration and fault controls.
struct ControlCall {
  static constexpr Kind kKind = Kind::kControl;
  std::vector<std::string> args;
};
// <- blob text
struct ControlReply {
  std::string text;
};

// -> u32 session, u32 shared: the first frame on a delivery socket; no
// reply. shared 1: the daemon pushes through the push ring of the region
// the connection shares (shared_ring.h), which the client reads; 0: on the
// delivery socket.
struct AttachCall {
  static constexpr Kind kKind = Kind::kAttach;
  uint32_t session = 0;
  uint32_t shared = 0;
};

// Pushed: i32 hobj (MQHO_NONE for the connection), i32 compcode, i32 reason
struct EventPush {
  static constexpr Kind kKind = Kind::kEvent;
  MQHOBJ hobj = MQHO_NONE;
  MQLONG cc = MQCC_OK;
  MQLONG reason = MQRC_NONE;
};

// Pushed, no fields: no message follows until the next kStart.
using StoppedPush = Bare<Kind::kStopped>;

// The fields of a frame with none: a request such as kStart, a reply of
// CompCode and Reason alone.
struct NoFields {};

// i32 CompCode, i32 Reason: the start of every reply.
struct ReplyHead {
  MQLONG cc = MQCC_FAILED;
  MQLONG reason = MQRC_CONNECTION_BROKEN;
};

void Encode(FrameWriter& w, const ConnectCall& m);
void Encode(FrameWriter& w, const ConnectReply& m);
void Encode(FrameWriter& w, const OpenCall& m);
void Encode(FrameWriter& w, const OpenReply& m);
void Encode(FrameWriter& w, const CloseCall& m);
void Encode(FrameWriter& w, const PutFields& m);
void Encode(FrameWriter& w, const PutCall& m);
void Encode(FrameWriter& w, const Put1Call& m);
void Encode(FrameWriter& w, const PutReply& m);
void Encode(FrameWriter& w, const GetCall& m);
void Encode(FrameWriter& w, const GetReply& m);
void Encode(FrameWriter& w, const InquireCall& m);
void Encode(FrameWriter& w, const InquireReply& m);
void Encode(FrameWriter& w, const SetCall& m);
void Encode(FrameWriter& w, const RegisterConsumerCall& m);
void Encode(FrameWriter& w, const DeregisterConsumerCall& m);
void Encode(FrameWriter& w, const MessagePush& m);
void Encode(FrameWriter& w, const RequeueCall& m);
void Encode(FrameWriter& w, const AttachCall& m);
void Encode(FrameWriter& w, const EventPush& m);
void Encode(FrameWriter& w, const ControlCall& m);
void Encode(FrameWriter& w, const ControlReply& m);
void Encode(FrameWriter& w, const NoFields& m);
void Encode(FrameWriter& w, const ReplyHead& m);

// Each reads its fields from r and returns false, with r failed, when one of
// them runs past the bytes there or holds a value the format does not allow.
bool Decode(FrameReader& r, ConnectCall* m);
bool Decode(FrameReader& r, ConnectReply* m);
bool Decode(FrameReader& r, OpenCall* m);
bool Decode(FrameReader& r, OpenReply* m);
bool Decode(FrameReader& r, CloseCall* m);
bool Decode(FrameReader& r, PutFields* m);
bool Decode(FrameReader& r, PutCall* m);
bool Decode(FrameReader& r, Put1Call* m);
bool Decode(FrameReader& r, PutReply* m);
bool Decode(FrameReader& r, GetCall* m);
bool Decode(FrameReader& r, GetReply* m);
bool Decode(FrameReader& r, InquireCall* m);
bool Decode(FrameReader& r, InquireReply* m);
bool Decode(FrameReader& r, SetCall* m);
bool Decode(FrameReader& r, RegisterConsumerCall* m);
bool Decode(FrameReader& r, DeregisterConsumerCall* m);
bool Decode(FrameReader& r, MessagePush* m);
bool Decode(FrameReader& r, RequeueCall* m);
bool Decode(FrameReader& r, AttachCall* m);
bool Decode(FrameReader& r, EventPush* m);
bool Decode(FrameReader& r, ControlCall* m);
bool Decode(FrameReader& r, ControlReply* m);
bool Decode(FrameReader& r, NoFields* m);
bool Decode(FrameReader& r, ReplyHead* m);

// The frame of a request or a push m, ready for Finish.
template <typename Fields>
FrameWriter EncodeFrame(const Fields& m) {
  FrameWriter w(Fields::kKind);
  Encode(w, m);
  return w;
}

// Appends the frame of a request or a push m to *buffer, after the frames
// already there, so that several frames go to the socket in one write.
template <typename Fields>
void AppendFrame(std::string* buffer, const Fields& m) {
  FrameWriter w(Fields::kKind, std::move(*buffer));
  Encode(w, m);
  *buffer = std::move(w).Release();
}

// Writes a reply's CompCode, Reason and fields.
template <typename Fields>
void EncodeReply(FrameWriter& w, MQLONG cc, MQLONG reason, const Fields& m) {
  Encode(w, ReplyHead{cc, reason});
  Encode(w, m);
}

// Reads m as all that is left in r: false when a field runs short or bytes
// are left over after the last field (a frame longer than its kind).
template <typename Fields>
bool DecodeWhole(FrameReader& r, Fields* m) {
  return Decode(r, m) && r.remaining() == 0;
}

}  // namespace mqemu
