// The fields of each frame kind: every kind's encoding is the layout that
// the client library and daemon have always exchanged, byte for byte (built
// here field by field with the primitives), decodes back to the same
// fields, and refuses a frame cut short anywhere or longer than its kind.
#include "protocol/frame_kinds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace mqemu {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes PayloadOf(const std::string& frame) {
  return Bytes(frame.begin() + 8, frame.end());
}

// The payload that Encode writes for m.
template <typename Fields>
Bytes Encoded(const Fields& m) {
  FrameWriter w(Kind::kControl);
  Encode(w, m);
  return PayloadOf(w.Finish());
}

// A layout written field by field, as both sides wrote it by hand.
class Layout {
 public:
  Layout& I32(int32_t v) { return Raw(&v, 4); }
  Layout& U32(uint32_t v) { return Raw(&v, 4); }
  Layout& U64(uint64_t v) { return Raw(&v, 8); }
  Layout& Raw(const void* p, size_t n) {
    w_.Bytes(p, n);
    return *this;
  }
  Layout& Blob(std::string_view s) {
    w_.Blob(s);
    return *this;
  }
  Bytes payload() { return PayloadOf(w_.Finish()); }

 private:
  FrameWriter w_{Kind::kControl};
};

// Decodes the first n bytes of payload, held in a buffer of exactly n bytes
// so that AddressSanitizer sees any read past them.
template <typename Fields>
bool DecodesWhole(const Bytes& payload, size_t n, Fields* out) {
  Bytes exact(payload.begin(), payload.begin() + static_cast<ptrdiff_t>(n));
  FrameReader r(exact);
  return DecodeWhole(r, out);
}

// m encodes to `layout`, decodes back to what encodes the same again, and
// every shorter or longer payload is refused.
template <typename Fields>
void ExpectKind(const Fields& m, const Bytes& layout) {
  Bytes payload = Encoded(m);
  ASSERT_EQ(payload, layout);
  Fields back;  // its views point into payload, which must outlive it
  FrameReader r(payload);
  ASSERT_TRUE(DecodeWhole(r, &back));
  EXPECT_EQ(Encoded(back), payload);
  for (size_t n = 0; n < payload.size(); ++n) {
    Fields cut;
    EXPECT_FALSE(DecodesWhole(payload, n, &cut)) << "cut to " << n << " bytes";
  }
  payload.push_back(0);
  Fields longer;
  EXPECT_FALSE(DecodesWhole(payload, payload.size(), &longer));
}

void Name(MQCHAR48 field, const char* text) {
  std::memset(field, ' ', 48);
  std::memcpy(field, text, std::strlen(text));
}

MQMD SampleMd(char fill) {
  MQMD md = {MQMD_DEFAULT};
  std::memset(md.MsgId, fill, sizeof md.MsgId);
  md.Priority = 7;
  return md;
}

OpenCall SampleOpen() {
  OpenCall m;
  m.type = MQOT_Q;
  Name(m.name, "APP.Q");
  Name(m.qmgr, "QM2");
  std::memset(m.dynamic, 0, 48);
  std::memcpy(m.dynamic, "TOVAN.*", 7);  // as the caller gave it, NULs and all
  m.options = MQOO_OUTPUT | MQOO_FAIL_IF_QUIESCING;
  return m;
}

Layout& OpenLayout(Layout& l, const OpenCall& m) {
  return l.I32(m.type).Raw(m.name, 48).Raw(m.qmgr, 48).Raw(m.dynamic, 48).I32(m.options);
}

TEST(FrameKinds, ConnectionFrames) {
  ConnectCall connect{
      MQCNO_VERSION_7,      "alice",    "payroll", 4242, "QM1", 4243, MQCNO_SHARED_BINDING,
      "SYSTEM.DEF.SVRCONN", "127.0.0.1"};
  ExpectKind(connect, Layout()
                          .I32(7)
                          .Blob("alice")
                          .Blob("payroll")
                          .I32(4242)
                          .Blob("QM1")
                          .I32(4243)
                          .I32(MQCNO_SHARED_BINDING)
                          .Blob("SYSTEM.DEF.SVRCONN")
                          .Blob("127.0.0.1")
                          .payload());
  ConnectReply connected;
  connected.session = 9;
  Name(connected.qmgr, "QM1");
  ExpectKind(connected, Layout().U32(9).Raw(connected.qmgr, 48).payload());
  ExpectKind(DisconnectCall{}, Bytes{});
  ExpectKind(CommitCall{}, Bytes{});
  ExpectKind(BackoutCall{}, Bytes{});
  ExpectKind(NoFields{}, Bytes{});
  ExpectKind(ReplyHead{MQCC_WARNING, MQRC_TRUNCATED_MSG_ACCEPTED},
             Layout().I32(MQCC_WARNING).I32(MQRC_TRUNCATED_MSG_ACCEPTED).payload());
  ExpectKind(ControlCall{{"define", "QLOCAL", ""}},
             Layout().I32(3).Blob("define").Blob("QLOCAL").Blob("").payload());
  ExpectKind(ControlReply{"done\n"}, Layout().Blob("done\n").payload());
}

TEST(FrameKinds, ObjectFrames) {
  OpenCall open = SampleOpen();
  Layout open_layout;
  ExpectKind(open, OpenLayout(open_layout, open).payload());
  OpenReply opened;
  opened.hobj = 3;
  Name(opened.name, "AMQ.1234");
  Name(opened.qmgr, "QM1");
  Name(opened.resolved, "BASE.Q");
  ExpectKind(
      opened,
      Layout().I32(3).Raw(opened.name, 48).Raw(opened.qmgr, 48).Raw(opened.resolved, 48).payload());
  ExpectKind(CloseCall{3, MQCO_DELETE_PURGE}, Layout().I32(3).I32(MQCO_DELETE_PURGE).payload());
  InquireCall inquire{4, {MQIA_CURRENT_Q_DEPTH, MQCA_Q_NAME}, 1, 48};
  ExpectKind(
      inquire,
      Layout().I32(4).I32(2).I32(MQIA_CURRENT_Q_DEPTH).I32(MQCA_Q_NAME).I32(1).I32(48).payload());
  InquireReply values{{17, 18}, "APP.Q"};
  ExpectKind(values, Layout().I32(2).I32(17).I32(18).Blob("APP.Q").payload());
  SetCall set{4, {MQIA_INHIBIT_GET}, {MQQA_GET_INHIBITED}, "ab"};
  ExpectKind(set, Layout()
                      .I32(4)
                      .I32(1)
                      .I32(MQIA_INHIBIT_GET)
                      .I32(1)
                      .I32(MQQA_GET_INHIBITED)
                      .Blob("ab")
                      .payload());
}

TEST(FrameKinds, MessageFrames) {
  MQMD md = SampleMd('m');
  std::string data = "message data", props = "properties";
  PutCall put{5, {MQPMO_NO_SYNCPOINT, ContextMode::kIdentity, md, data, props}};
  ExpectKind(put, Layout()
                      .I32(5)
                      .I32(MQPMO_NO_SYNCPOINT)
                      .I32(2)
                      .Raw(&md, sizeof md)
                      .Blob(data)
                      .Blob(props)
                      .payload());
  Put1Call put1{SampleOpen(), {MQPMO_SET_ALL_CONTEXT, ContextMode::kAll, md, data, ""}};
  Layout put1_layout;
  OpenLayout(put1_layout, put1.open)
      .I32(MQPMO_SET_ALL_CONTEXT)
      .I32(3)
      .Raw(&md, sizeof md)
      .Blob(data)
      .Blob("");
  ExpectKind(put1, put1_layout.payload());
  ExpectKind(PutReply{md}, Layout().Raw(&md, sizeof md).payload());
  GetCall get{5, MQGMO_WAIT, MQMO_MATCH_CORREL_ID, 1000, 4096, md, PropertiesWanted::kInMqrfh2};
  ExpectKind(get, Layout()
                      .I32(5)
                      .I32(MQGMO_WAIT)
                      .I32(MQMO_MATCH_CORREL_ID)
                      .I32(1000)
                      .I32(4096)
                      .Raw(&md, sizeof md)
                      .I32(2)
                      .payload());
  GetReply got{md, 100, data, props};
  ExpectKind(got, Layout().Raw(&md, sizeof md).I32(100).Blob(data).Blob(props).payload());
}

TEST(FrameKinds, AsynchronousConsumeFrames) {
  MQMD md = SampleMd('c'), other = SampleMd('d');
  RegisterConsumerCall reg{6, MQGMO_NO_SYNCPOINT, MQMO_MATCH_MSG_ID, md};
  ExpectKind(
      reg,
      Layout().I32(6).I32(MQGMO_NO_SYNCPOINT).I32(MQMO_MATCH_MSG_ID).Raw(&md, sizeof md).payload());
  ExpectKind(DeregisterConsumerCall{6}, Layout().I32(6).payload());
  ExpectKind(StartCall{}, Bytes{});
  ExpectKind(StopCall{}, Bytes{});
  ExpectKind(StoppedPush{}, Bytes{});
  ExpectKind(AttachCall{12, 1}, Layout().U32(12).U32(1).payload());
  ExpectKind(EventPush{MQHO_NONE, MQCC_FAILED, MQRC_CONNECTION_BROKEN},
             Layout().I32(MQHO_NONE).I32(MQCC_FAILED).I32(MQRC_CONNECTION_BROKEN).payload());
  // A push, field by field: hobj, md, data, properties, position, browsed.
  auto push_layout = [](Layout& l, const MessagePush& m) -> Layout& {
    return l.I32(m.hobj)
        .Raw(&m.md, sizeof m.md)
        .Blob(m.data)
        .Blob(m.properties)
        .U64(m.position)
        .I32(m.browsed ? 1 : 0);
  };
  MessagePush pushed{6, md, "pushed", "props", 0x100000002, true};
  Layout push;
  ExpectKind(pushed, push_layout(push, pushed).payload());
  MessagePush second{7, other, "", "", 3, false};
  RequeueCall requeue{{pushed, second}};
  Layout requeued;
  push_layout(push_layout(requeued.I32(2), pushed), second);
  ExpectKind(requeue, requeued.payload());
  EXPECT_EQ(RequeuedBytes(6, 5), Encoded(pushed).size());
}

// Counts and values that the bytes cannot hold are refused before anything
// is sized by them.
TEST(FrameKinds, CountsAndValuesBeyondTheFrameAreRefused) {
  Bytes selectors = Layout().I32(4).I32(0x7fffffff).I32(1).I32(1).payload();
  InquireCall inquire;
  EXPECT_FALSE(DecodesWhole(selectors, selectors.size(), &inquire));
  Bytes negative = Layout().I32(4).I32(-1).I32(0).I32(0).payload();
  EXPECT_FALSE(DecodesWhole(negative, negative.size(), &inquire));
  Bytes requeue = Layout().I32(1000000).I32(1).payload();
  RequeueCall back;
  EXPECT_FALSE(DecodesWhole(requeue, requeue.size(), &back));
  EXPECT_TRUE(back.messages.empty());
  Bytes control = Layout().I32(0x40000000).Blob("x").payload();
  ControlCall call;
  EXPECT_FALSE(DecodesWhole(control, control.size(), &call));
  EXPECT_TRUE(call.args.empty());
  MQMD md = {MQMD_DEFAULT};
  for (int32_t mode : {-1, 4}) {
    Bytes put = Layout().I32(1).I32(0).I32(mode).Raw(&md, sizeof md).Blob("").Blob("").payload();
    PutCall p;
    EXPECT_FALSE(DecodesWhole(put, put.size(), &p)) << "mode " << mode;
  }
  for (int32_t wanted : {-1, 3}) {
    Bytes get =
        Layout().I32(1).I32(0).I32(0).I32(0).I32(0).Raw(&md, sizeof md).I32(wanted).payload();
    GetCall g;
    EXPECT_FALSE(DecodesWhole(get, get.size(), &g)) << "properties wanted " << wanted;
  }
  Bytes browsed = Layout().I32(1).Raw(&md, sizeof md).Blob("").Blob("").U64(1).I32(2).payload();
  MessagePush not_a_flag;
  EXPECT_FALSE(DecodesWhole(browsed, browsed.size(), &not_a_flag));
  Bytes lying = Layout().I32(1).Raw(&md, sizeof md).U32(1000).Raw("abc", 3).payload();
  MessagePush pushed;
  EXPECT_FALSE(DecodesWhole(lying, lying.size(), &pushed));
}

}  // namespace
}  // namespace mqemu
