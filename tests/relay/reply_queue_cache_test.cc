// The reply-queue handle cache: one open per queue, keyed by the request's
// names; the inquiry of queues on the agent's own queue manager and its
// fallbacks; the consolidation size limit with its one CSAG304I; and the
// expiry pass between MQCTL suspend and resume.
#include "relay/reply_queue_cache.h"

#include <gtest/gtest.h>

#include <string>

#include "pcf/names/constant_names.h"
#include "support/relay_fixture.h"

namespace {

class ReplyQueueCacheTest : public RelayTest {
 protected:
  int OpensOf(const std::string& name) {
    int n = 0;
    for (const RecordedOpen& open : mqi_.opens) n += open.name == name && open.reason == 0;
    return n;
  }
};

TEST_F(ReplyQueueCacheTest, AQueueIsOpenedOnceAndInquiredOnTheAgentsQueueManager) {
  HOBJCACHE* entry = GetReplyQHandle(kClientQ, "QM1");
  ASSERT_NE(entry, nullptr);
  ASSERT_EQ(mqi_.opens.size(), 1u);
  EXPECT_EQ(mqi_.opens[0].options, MQOO_OUTPUT | MQOO_PASS_ALL_CONTEXT | MQOO_INQUIRE);
  EXPECT_EQ(mqi_.opens[0].qmgr, "QM1");
  ASSERT_EQ(mqi_.inquires.size(), 1u);
  EXPECT_EQ(mqi_.inquires[0].hobj, entry->Hobj);
  EXPECT_EQ(mqi_.inquires[0].selectors,
            (std::vector<MQLONG>{MQIA_MAX_MSG_LENGTH, MQIA_DEFINITION_TYPE}));
  EXPECT_EQ(entry->MaxMsgLen, 4 * 1024 * 1024);
  EXPECT_EQ(entry->DefinitionType, MQQDT_PREDEFINED);
  EXPECT_EQ(entry->OpenKey, 0x210);

  entry->LastUsed = 1;
  EXPECT_EQ(GetReplyQHandle(kClientQ, "QM1"), entry);
  EXPECT_GT(entry->LastUsed, 1) << "a lookup refreshes LastUsed";
  EXPECT_EQ(mqi_.opens.size(), 1u);
  EXPECT_EQ(mqi_.inquires.size(), 1u);

  // Another queue, and the same queue on another queue manager, are others.
  EXPECT_NE(GetReplyQHandle("OTHER.REPLY", "QM1"), entry);
  EXPECT_NE(GetReplyQHandle(kClientQ, "QM2"), entry);
  EXPECT_EQ(mqi_.opens.size(), 3u);
}

TEST_F(ReplyQueueCacheTest, TheEntryIsFoundAgainWhateverNamesTheOpenHandsBack) {
  mqi_.RenameOnOpen(kClientQ, kClientQ, "QMREMOTE");
  mqi_.ResolveOnOpen(kClientQ, "RESOLVED.LOCAL.QUEUE", "QMREMOTE");
  HOBJCACHE* entry = GetReplyQHandle(kClientQ, "QM1");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(GetReplyQHandle(kClientQ, "QM1"), entry);
  EXPECT_EQ(GetReplyQHandle(kClientQ, "QM1"), entry);
  EXPECT_EQ(OpensOf(kClientQ), 1);
}

TEST_F(ReplyQueueCacheTest, AQueueOnAnotherQueueManagerIsNeverInquired) {
  HOBJCACHE* entry = GetReplyQHandle(kClientQ, "QM2");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(mqi_.opens[0].options, MQOO_OUTPUT | MQOO_PASS_ALL_CONTEXT);
  EXPECT_TRUE(mqi_.inquires.empty());
  EXPECT_EQ(entry->MaxMsgLen, AgentConfig.maxmsgsize);

  AgentConfig.AgentFlags &= ~AF_REPLYQINQ;
  ASSERT_NE(GetReplyQHandle("OTHER.REPLY", "QM1"), nullptr);
  EXPECT_EQ(mqi_.opens[1].options, MQOO_OUTPUT | MQOO_PASS_ALL_CONTEXT) << "replyqinq off";
  EXPECT_TRUE(mqi_.inquires.empty());
}

TEST_F(ReplyQueueCacheTest, AnInquireThatIsRefusedFallsBackToAPlainOpen) {
  for (MQLONG reason : {MQRC_OPTION_NOT_VALID_FOR_TYPE, MQRC_NOT_AUTHORIZED}) {
    const std::string queue = "REMOTE." + std::to_string(reason);
    mqi_.RefuseOpen(queue, reason, true);
    HOBJCACHE* entry = GetReplyQHandle(queue.c_str(), "QM1");
    ASSERT_NE(entry, nullptr) << reason;
    EXPECT_EQ(mqi_.opens.back().options, MQOO_OUTPUT | MQOO_PASS_ALL_CONTEXT);
    EXPECT_EQ(entry->MaxMsgLen, AgentConfig.maxmsgsize);
    EXPECT_EQ(GetReplyQHandle(queue.c_str(), "QM1"), entry);
  }
  EXPECT_EQ(mqi_.opens.size(), 4u);
  EXPECT_TRUE(mqi_.inquires.empty());
  EXPECT_EQ(Messages(), "");
}

TEST_F(ReplyQueueCacheTest, AnOpenThatFailsOtherwiseIsReportedAndNotCached) {
  mqi_.RefuseOpen(kClientQ, MQRC_UNKNOWN_OBJECT_NAME, true);
  EXPECT_EQ(GetReplyQHandle(kClientQ, "QM1"), nullptr);
  EXPECT_EQ(mqi_.opens.size(), 1u) << "no second try for 2085";
  EXPECT_EQ(GetReplyQHandle(kClientQ, "QM1"), nullptr);
  EXPECT_EQ(mqi_.opens.size(), 2u) << "nothing was cached";
  EXPECT_EQ(CountOf("CSAG104E MQOPEN of queue 'QM1/CLIENT.REPLY' failed with reason 2085 (" +
                    std::string(ReasonText(MQRC_UNKNOWN_OBJECT_NAME)) + ")\n"),
            2);
  EXPECT_EQ(ReplyQCache.HobjCache, nullptr);
}

TEST_F(ReplyQueueCacheTest, AFailedInquiryLeavesTheDefaults) {
  mqi_.FailQueueInquire(MQRC_SELECTOR_ERROR);
  HOBJCACHE* entry = GetReplyQHandle(kClientQ, "QM1");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->MaxMsgLen, AgentConfig.maxmsgsize);
  EXPECT_EQ(entry->DefinitionType, 0);
  EXPECT_EQ(Messages(),
            "CSAG110E MQINQ of reply queue 'QM1/CLIENT.REPLY' failed with reason 2067 (" +
                std::string(ReasonText(MQRC_SELECTOR_ERROR)) + ")\n");
}

TEST_F(ReplyQueueCacheTest, ALargerQueueDoesNotRaiseMaxMsgSize) {
  mqi_.SetQueueAttributes(kClientQ, 4 * 1024 * 1024, MQQDT_PREDEFINED);
  REQUEST* request = ListRequest("FORWARDED-MSGID-00000001");
  LimitMsgSize(request, GetReplyQHandle(kClientQ, "QM1"));
  EXPECT_EQ(request->MaxMsgSize, 1048576);
  EXPECT_EQ(Messages(), "");
}

TEST_F(ReplyQueueCacheTest, ASmallerQueueLimitsEveryRequestAndIsReportedOncePerOpening) {
  mqi_.SetQueueAttributes(kClientQ, 100000, MQQDT_TEMPORARY_DYNAMIC);
  const std::string report =
      "CSAG304I ReplyQ QM1/CLIENT.REPLY (TEMPDYN) has smaller MaxMsgLen (100000)\n"
      "than configured maxmsgsize (1048576). Consolidation size reduced accordingly\n";
  for (int i = 0; i < 3; ++i) {
    REQUEST* request = ListRequest("FORWARDED-MSGID-00000001");
    LimitMsgSize(request, GetReplyQHandle(kClientQ, "QM1"));
    EXPECT_EQ(request->MaxMsgSize, 100000);
  }
  EXPECT_EQ(Messages(), report);

  // Once the entry has expired, the next opening reports again.
  Process.CurrentTime.store(ReplyQCache.HobjCache->LastUsed + AgentConfig.hobjttl + 1);
  ExpireReplyQHandles();
  REQUEST* request = ListRequest("FORWARDED-MSGID-00000001");
  LimitMsgSize(request, GetReplyQHandle(kClientQ, "QM1"));
  EXPECT_EQ(Messages(), report + report);
}

TEST_F(ReplyQueueCacheTest, TheDefinitionTypeIsNamedInTheReport) {
  const struct {
    MQLONG type;
    const char* word;
  } types[] = {{MQQDT_PREDEFINED, "(PREDEFINED)"},
               {MQQDT_PERMANENT_DYNAMIC, "(PERMDYN)"},
               {MQQDT_TEMPORARY_DYNAMIC, "(TEMPDYN)"},
               {MQQDT_SHARED_DYNAMIC, "(SHAREDYN)"},
               {0, "()"},
               {5, "()"}};
  for (const auto& t : types) {
    const std::string queue = "Q." + std::to_string(t.type);
    mqi_.SetQueueAttributes(queue, 1000, t.type);
    REQUEST* request = ListRequest("FORWARDED-MSGID-00000001", REQ_PCF, MQRO_NONE, queue.c_str());
    LimitMsgSize(request, GetReplyQHandle(queue.c_str(), "QM1"));
    EXPECT_TRUE(Wrote("CSAG304I ReplyQ QM1/" + queue + " " + t.word + " has smaller")) << t.type;
  }
}

TEST_F(ReplyQueueCacheTest, AnEntryIdleForHobjttlSecondsStaysAndOneSecondMoreCloses) {
  AgentConfig.hobjttl = 300;
  HOBJCACHE* entry = GetReplyQHandle(kClientQ, "QM1");
  const MQHOBJ hobj = entry->Hobj;
  const int64_t used = entry->LastUsed;
  mqi_.calls.clear();

  Process.CurrentTime.store(used + 300);
  ExpireReplyQHandles();
  EXPECT_EQ(ReplyQCache.HobjCache, entry);
  EXPECT_TRUE(mqi_.calls.empty()) << "nothing to close, consumption left alone";
  EXPECT_EQ(ReplyQCache.LastHobjCheck, used + 300);

  Process.CurrentTime.store(used + 301);
  ExpireReplyQHandles();
  EXPECT_EQ(ReplyQCache.HobjCache, nullptr);
  EXPECT_EQ(mqi_.calls,
            (std::vector<std::string>{"CTL SUSPEND", "CLOSE CLIENT.REPLY", "CTL RESUME"}));
  EXPECT_EQ(mqi_.closes, std::vector<MQHOBJ>{hobj});
  EXPECT_FALSE(IsStopRequested());

  // The next delivery opens the queue again.
  ASSERT_NE(GetReplyQHandle(kClientQ, "QM1"), nullptr);
  EXPECT_EQ(OpensOf(kClientQ), 2);
}

TEST_F(ReplyQueueCacheTest, EachExpiredEntryIsClosedBetweenSuspendAndResume) {
  GetReplyQHandle("A.REPLY", "QM1");
  GetReplyQHandle("B.REPLY", "QM1");
  HOBJCACHE* fresh = GetReplyQHandle("C.REPLY", "QM1");
  for (HOBJCACHE* e = ReplyQCache.HobjCache; e != nullptr; e = e->Next) e->LastUsed = 1000;
  fresh->LastUsed = 1300;
  mqi_.calls.clear();
  Process.CurrentTime.store(1301);
  ExpireReplyQHandles();
  // In cache order, newest first.
  EXPECT_EQ(mqi_.calls, (std::vector<std::string>{"CTL SUSPEND", "CLOSE B.REPLY", "CTL RESUME",
                                                  "CTL SUSPEND", "CLOSE A.REPLY", "CTL RESUME"}));
  EXPECT_EQ(ReplyQCache.HobjCache, fresh);
  EXPECT_EQ(fresh->Next, nullptr);
}

TEST_F(ReplyQueueCacheTest, AFailedResumeRequestsAStopAndReleasesTheRestUnclosed) {
  AgentConfig.verbose = 3;
  GetReplyQHandle("A.REPLY", "QM1");
  GetReplyQHandle("B.REPLY", "QM1");
  for (HOBJCACHE* e = ReplyQCache.HobjCache; e != nullptr; e = e->Next) e->LastUsed = 1000;
  mqi_.FailControl(MQOP_RESUME, MQRC_CONNECTION_BROKEN);
  mqi_.calls.clear();
  Process.CurrentTime.store(2000);
  ExpireReplyQHandles();
  EXPECT_EQ(mqi_.calls, (std::vector<std::string>{"CTL SUSPEND", "CLOSE B.REPLY", "CTL RESUME"}));
  EXPECT_EQ(ReplyQCache.HobjCache, nullptr);
  EXPECT_TRUE(IsStopRequested());
  EXPECT_EQ(Process.StopExitStatus.load(), kExitFailure);
  EXPECT_EQ(Messages(), "CSAG106E MQCTL on queue manager 'QM1' failed with reason 2009 (" +
                            std::string(ReasonText(MQRC_CONNECTION_BROKEN)) + ")\n");
}

TEST_F(ReplyQueueCacheTest, FailedSuspendsAndClosesAreReportedAtHighDetailAndTheEntryGoes) {
  GetReplyQHandle(kClientQ, "QM1");
  ReplyQCache.HobjCache->LastUsed = 1000;
  mqi_.FailControl(MQOP_SUSPEND, MQRC_HCONN_ERROR);
  mqi_.FailClose(MQRC_HOBJ_ERROR);
  Process.CurrentTime.store(2000);
  AgentConfig.verbose = 2;
  ExpireReplyQHandles();
  EXPECT_EQ(ReplyQCache.HobjCache, nullptr);
  EXPECT_EQ(Messages(), "");

  GetReplyQHandle(kClientQ, "QM1");
  ReplyQCache.HobjCache->LastUsed = 1000;
  AgentConfig.verbose = 3;
  ExpireReplyQHandles();
  EXPECT_EQ(ReplyQCache.HobjCache, nullptr);
  EXPECT_EQ(Messages(),
            "CSAG106E MQCTL on queue manager 'QM1' failed with reason 2018 (" +
                std::string(ReasonText(MQRC_HCONN_ERROR)) + ")\n" +
                "CSAG109E MQCLOSE of queue 'QM1/CLIENT.REPLY' failed with reason 2019 (" +
                ReasonText(MQRC_HOBJ_ERROR) + ")\n");
  EXPECT_FALSE(IsStopRequested());
}

}  // namespace
