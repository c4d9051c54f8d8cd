// The request table: newest first, matching by the forwarded MsgId, and
// retiring a request from wherever it stands now.
#include "relay/request_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/relay_fixture.h"

namespace {

class RequestTableTest : public RelayTest {
 protected:
  static std::vector<REQUEST*> Listed() {
    std::vector<REQUEST*> out;
    for (REQUEST* r = RequestTable.RequestList; r != nullptr; r = r->Next) out.push_back(r);
    return out;
  }
};

TEST_F(RequestTableTest, TheNewestRequestStandsAtTheHead) {
  REQUEST* a = ListRequest("FORWARDED-MSGID-0000000A");
  REQUEST* b = ListRequest("FORWARDED-MSGID-0000000B");
  EXPECT_EQ(Listed(), (std::vector<REQUEST*>{b, a}));
  EXPECT_EQ(RequestTable.RequestCount.load(), 2);
}

TEST_F(RequestTableTest, AReplyMatchesByAllOfItsMsgIdWhateverTheOrder) {
  REQUEST* a = ListRequest("FORWARDED-MSGID-0000000A");
  REQUEST* b = ListRequest("FORWARDED-MSGID-0000000B");
  ListRequest("FORWARDED-MSGID-0000000C");
  Process.CurrentTime.store(777);

  EXPECT_EQ(MatchRequest(reinterpret_cast<const MQBYTE*>("FORWARDED-MSGID-0000000A"), 100), a);
  EXPECT_EQ(a->InUse, 1);
  EXPECT_EQ(a->ReplyCount, 1);
  EXPECT_EQ(a->ReplyBytes, 100);
  EXPECT_EQ(a->LastActivity, 777);
  EXPECT_EQ(MatchRequest(reinterpret_cast<const MQBYTE*>("FORWARDED-MSGID-0000000A"), 50), a);
  EXPECT_EQ(a->ReplyCount, 2);
  EXPECT_EQ(a->ReplyBytes, 150);
  ReleaseInUse(a);
  EXPECT_EQ(a->InUse, 0);

  // The last byte differs: no match, and nothing changes.
  const int64_t b_activity = b->LastActivity;
  EXPECT_EQ(MatchRequest(reinterpret_cast<const MQBYTE*>("FORWARDED-MSGID-0000000D"), 10), nullptr);
  EXPECT_EQ(RequestTable.RequestCount.load(), 3);
  for (REQUEST* r : Listed()) {
    EXPECT_EQ(r->InUse, 0);
  }
  EXPECT_EQ(b->ReplyCount, 0);
  EXPECT_EQ(b->LastActivity, b_activity);
}

TEST_F(RequestTableTest, RetireUnlinksTheRequestFromWhereverItStandsNow) {
  REQUEST* a = ListRequest("FORWARDED-MSGID-0000000A");
  REQUEST* b = ListRequest("FORWARDED-MSGID-0000000B");
  REQUEST* c = ListRequest("FORWARDED-MSGID-0000000C");
  ASSERT_EQ(MatchRequest(reinterpret_cast<const MQBYTE*>("FORWARDED-MSGID-0000000B"), 1), b);
  // Meanwhile the list changes: one more is listed and its neighbour goes.
  REQUEST* d = ListRequest("FORWARDED-MSGID-0000000D");
  ASSERT_TRUE(TakeOutRequest(c));
  FreeRequest(c);

  RetireRequest(b);
  EXPECT_EQ(Listed(), (std::vector<REQUEST*>{d, a}));
  EXPECT_EQ(RequestTable.RequestCount.load(), 2);

  RetireRequest(a);  // the tail
  RetireRequest(d);  // the head
  EXPECT_EQ(RequestTable.RequestList, nullptr);
  EXPECT_EQ(RequestTable.RequestCount.load(), 0);
}

TEST_F(RequestTableTest, TakingOutAnUnlistedRequestChangesNothing) {
  ListRequest("FORWARDED-MSGID-0000000A");
  REQUEST* loose = NewRequest();
  EXPECT_FALSE(TakeOutRequest(loose));
  EXPECT_EQ(RequestTable.RequestCount.load(), 1);
  FreeRequest(loose);
}

}  // namespace
