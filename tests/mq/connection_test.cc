// The connection: connecting with the agent's name (and without it where the
// queue manager refuses the newer options), learning the queue manager's
// name and platform, the failures that keep the connection, the event
// handler, opening queues with their consumers, and MQCTL.
#include "mq/connection.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "mq/consumption.h"
#include "pcf/mq_field.h"
#include "pcf/names/constant_names.h"
#include "support/relay_fixture.h"

namespace {

class ConnectionTest : public RelayTest {
 protected:
  // Makes ConnectQueueManager load the forwarding library, whose entry
  // points lead to the recording MQI.
  void UseForwardingLibrary() {
    setenv("MQM_DLL_PATH", FORWARDING_MQI_DIR, 1);
    static void* library =
        dlopen(FORWARDING_MQI_DIR "/libmqm_r.so", RTLD_NOW);  // kept open, as LoadMqi keeps it
    ASSERT_NE(library, nullptr) << dlerror();
    auto forward =
        reinterpret_cast<void (*)(const MqiEntryPoints*)>(dlsym(library, "ForwardMqiTo"));
    ASSERT_NE(forward, nullptr);
    static const MqiEntryPoints table = RecordingMqi::Table();
    forward(&table);
  }
  MQHCONN Connect() {
    UseForwardingLibrary();
    return ConnectQueueManager();
  }
};

TEST_F(ConnectionTest, ConnectsWithTheAgentsApplicationName) {
  EXPECT_EQ(Connect(), RecordingMqi::kHconn);
  ASSERT_EQ(mqi_.connects.size(), 1u);
  const RecordedConnect& connect = mqi_.connects[0];
  EXPECT_EQ(connect.qmgr, "QM1");
  EXPECT_EQ(connect.cno.Version, MQCNO_VERSION_7);
  EXPECT_EQ(connect.cno.Options, MQCNO_NONE);
  EXPECT_EQ(std::string(connect.cno.ApplName, sizeof connect.cno.ApplName),
            std::string("Tovan Software CSAGNT\0      ", 28));
  EXPECT_EQ(mqi_.calls, (std::vector<std::string>{"CONNX", "OPEN qmgr", "INQ qmgr", "CB events",
                                                  "CLOSE qmgr"}));
  EXPECT_EQ(Messages(), "");
}

TEST_F(ConnectionTest, AQueueManagerThatRefusesVersion7IsConnectedWithVersion1) {
  mqi_.RejectCnoVersion7();
  EXPECT_EQ(Connect(), RecordingMqi::kHconn);
  ASSERT_EQ(mqi_.connects.size(), 2u);
  EXPECT_EQ(mqi_.connects[0].cno.Version, MQCNO_VERSION_7);
  EXPECT_EQ(mqi_.connects[1].cno.Version, MQCNO_VERSION_1);
  EXPECT_EQ(Messages(), "");
}

TEST_F(ConnectionTest, AFailedConnectionIsReported) {
  mqi_.FailConnect(MQRC_Q_MGR_NOT_AVAILABLE);
  EXPECT_EQ(Connect(), MQHC_UNUSABLE_HCONN);
  EXPECT_EQ(mqi_.connects.size(), 1u) << "only 2139 is tried again";
  EXPECT_EQ(Messages(), "CSAG101E MQCONN to queue manager 'QM1' failed with reason 2059 (" +
                            std::string(ReasonText(MQRC_Q_MGR_NOT_AVAILABLE)) + ")\n");
  EXPECT_TRUE(mqi_.opens.empty());

  mqi_.Reset();
  mqi_.FailConnect(MQRC_CNO_ERROR);
  EXPECT_EQ(Connect(), MQHC_UNUSABLE_HCONN);
  EXPECT_EQ(mqi_.connects.size(), 2u);
  EXPECT_TRUE(Wrote("failed with reason 2139 ("));
}

TEST_F(ConnectionTest, AnUnloadableLibraryIsReported) {
  setenv("MQM_DLL_PATH", "/nonexistent/mq", 1);
  EXPECT_EQ(ConnectQueueManager(), MQHC_UNUSABLE_HCONN);
  EXPECT_EQ(Messages(), "CSAG100E Error loading MQAPI mqm.lib rc=2\n");
}

TEST_F(ConnectionTest, TheQueueManagersOwnNameIsLearned) {
  AgentConfig.qmname[0] = '\0';  // the default queue manager
  mqi_.SetQueueManager("QMREAL", MQPL_UNIX);
  mqi_.SetQueueManagerLimits("QMREAL.DLQ", 300);
  EXPECT_EQ(Connect(), RecordingMqi::kHconn);
  EXPECT_EQ(mqi_.connects[0].qmgr, "");
  EXPECT_STREQ(AgentConfig.qmname, "QMREAL") << "without the blank padding";
  EXPECT_STREQ(Process.QueueManagerFacts.DeadLetterQName, "QMREAL.DLQ");
  EXPECT_EQ(Process.QueueManagerFacts.MaxHandles, 300);

  ASSERT_EQ(mqi_.opens.size(), 1u);
  EXPECT_EQ(mqi_.opens[0].od.ObjectType, MQOT_Q_MGR);
  EXPECT_EQ(mqi_.opens[0].od.Version, MQOD_VERSION_1);
  EXPECT_EQ(mqi_.opens[0].options, MQOO_INQUIRE);
  ASSERT_EQ(mqi_.inquires.size(), 1u);
  EXPECT_EQ(mqi_.inquires[0].selectors,
            (std::vector<MQLONG>{MQCA_Q_MGR_NAME, MQCA_DEAD_LETTER_Q_NAME, MQIA_PLATFORM,
                                 MQIA_MAX_HANDLES}));
  EXPECT_EQ(mqi_.inquires[0].int_count, 2);
  EXPECT_EQ(mqi_.inquires[0].char_length, 96);
  EXPECT_EQ(mqi_.closes, std::vector<MQHOBJ>{RecordingMqi::kQueueManagerHobj});
  EXPECT_EQ(AgentConfig.AgentFlags & AF_ZOS, 0u);
  EXPECT_STREQ(AgentConfig.commandq, "SYSTEM.ADMIN.COMMAND.QUEUE");

  // A name that fills the field.
  const std::string full(48, 'Q');
  mqi_.SetQueueManager(full, MQPL_UNIX);
  Connect();
  EXPECT_EQ(std::string(AgentConfig.qmname), full);
}

TEST_F(ConnectionTest, OnZosRequestsGoToTheZosCommandQueue) {
  CopyTerminated(AgentConfig.commandq, kQNameWidth, "MY.COMMAND.QUEUE");
  mqi_.SetQueueManager("CSQ1", MQPL_ZOS);
  Connect();
  EXPECT_NE(AgentConfig.AgentFlags & AF_ZOS, 0u);
  EXPECT_STREQ(AgentConfig.commandq, "SYSTEM.COMMAND.INPUT");
  EXPECT_STREQ(AgentConfig.qmname, "CSQ1");
}

TEST_F(ConnectionTest, TheEventHandlerIsRegisteredForTheConnection) {
  Connect();
  ASSERT_EQ(mqi_.callbacks.size(), 1u);
  const RecordedCallback& cb = mqi_.callbacks[0];
  EXPECT_EQ(cb.operation, MQOP_REGISTER);
  EXPECT_EQ(cb.hobj, MQHO_NONE);
  EXPECT_EQ(cb.cbd.CallbackType, MQCBT_EVENT_HANDLER);
  EXPECT_EQ(cb.cbd.Options, MQCBDO_FAIL_IF_QUIESCING);
  EXPECT_EQ(cb.cbd.CallbackFunction, reinterpret_cast<MQPTR>(&QueueManagerEventHandler));
  EXPECT_EQ(cb.cbd.MaxMsgLength, MQCBD_FULL_MSG_LENGTH);
  EXPECT_FALSE(cb.has_md);
  EXPECT_FALSE(cb.has_gmo);
}

TEST_F(ConnectionTest, FailuresAfterConnectingKeepTheConnection) {
  mqi_.SetQueueManager("QMREAL", MQPL_ZOS);

  mqi_.RefuseQueueManagerOpen(MQRC_NOT_AUTHORIZED);
  EXPECT_EQ(Connect(), RecordingMqi::kHconn);
  EXPECT_EQ(Messages(), "CSAG102E MQOPEN of queue manager object failed with reason 2035 (" +
                            std::string(ReasonText(MQRC_NOT_AUTHORIZED)) + ")\n");
  EXPECT_STREQ(AgentConfig.qmname, "QM1") << "as start-up set it";
  EXPECT_EQ(AgentConfig.AgentFlags & AF_ZOS, 0u);
  EXPECT_TRUE(mqi_.callbacks.empty()) << "no event handler";
  EXPECT_TRUE(mqi_.closes.empty()) << "nothing was opened";

  mqi_.Reset();
  mqi_.SetQueueManager("QMREAL", MQPL_ZOS);
  mqi_.FailQueueManagerInquire(MQRC_SELECTOR_ERROR);
  EXPECT_EQ(Connect(), RecordingMqi::kHconn);
  EXPECT_TRUE(Wrote("CSAG103E MQINQ of queue manager object failed with reason 2067 (" +
                    std::string(ReasonText(MQRC_SELECTOR_ERROR)) + ")\n"));
  EXPECT_STREQ(AgentConfig.qmname, "QM1");
  EXPECT_STREQ(AgentConfig.commandq, "SYSTEM.ADMIN.COMMAND.QUEUE");
  EXPECT_TRUE(mqi_.callbacks.empty());
  EXPECT_EQ(mqi_.closes, std::vector<MQHOBJ>{RecordingMqi::kQueueManagerHobj});

  mqi_.Reset();
  mqi_.FailCallback(MQRC_FUNCTION_NOT_SUPPORTED);
  EXPECT_EQ(Connect(), RecordingMqi::kHconn);
  EXPECT_TRUE(Wrote("CSAG199E CSAGNT received reason code 2298 ("));
  EXPECT_STREQ(AgentConfig.qmname, "QM1");
  EXPECT_EQ(mqi_.closes, std::vector<MQHOBJ>{RecordingMqi::kQueueManagerHobj});
  EXPECT_FALSE(IsStopRequested());
}

class EventHandlerTest : public RelayTest {};

TEST_F(EventHandlerTest, TheEndOfTheConnectionRequestsAStopOnce) {
  for (MQLONG reason : {MQRC_CONNECTION_BROKEN, MQRC_Q_MGR_QUIESCING, MQRC_Q_MGR_STOPPING,
                        MQRC_CONNECTION_QUIESCING, MQRC_CONNECTION_STOPPING}) {
    Process.StopRequested.store(0);
    Process.StopExitStatus.store(kExitOrderly);
    const int before = CountOf("CSAG199E");
    Event(QueueManagerEventHandler, reason);
    Event(QueueManagerEventHandler, reason);
    Event(QueueManagerEventHandler, MQRC_CONNECTION_BROKEN);
    EXPECT_TRUE(IsStopRequested()) << reason;
    EXPECT_EQ(Process.StopExitStatus.load(), kExitFailure) << reason;
    EXPECT_EQ(CountOf("CSAG199E"), before + 1) << reason;
    EXPECT_TRUE(Wrote("CSAG199E CSAGNT received reason code " + std::to_string(reason) + " (" +
                      ReasonText(reason) + ")\n"));
  }
}

TEST_F(EventHandlerTest, OtherEventsLeaveTheStopClear) {
  for (MQLONG reason : {MQRC_RECONNECTING, MQRC_RECONNECTED, MQRC_NONE, MQRC_NO_MSG_AVAILABLE,
                        MQRC_GET_INHIBITED}) {
    Event(QueueManagerEventHandler, reason);
  }
  Event(QueueManagerEventHandler, MQRC_CONNECTION_BROKEN, MQCBCT_MSG_REMOVED);
  EXPECT_FALSE(IsStopRequested());
  EXPECT_EQ(Messages(), "");
}

class OpenQueueTest : public RelayTest {
 protected:
  static void MQENTRY Consumer(MQHCONN, PMQVOID, PMQVOID, PMQVOID, PMQCBC) {}
};

TEST_F(OpenQueueTest, AModelQueueGivesTheDynamicQueuesName) {
  mqi_.RenameOnOpen("TOVAN.CSAGNT.MODEL", "TOVAN.CSAGNT.5F3A0000000000AB", "QM1");
  char resolved[49] = "untouched";
  const MQHOBJ hobj = OpenQueue("TOVAN.CSAGNT.MODEL", resolved, 0x82, &Consumer);
  EXPECT_NE(hobj, MQHO_UNUSABLE_HOBJ);
  EXPECT_STREQ(resolved, "TOVAN.CSAGNT.5F3A0000000000AB");
  ASSERT_EQ(mqi_.opens.size(), 1u);
  EXPECT_EQ(mqi_.opens[0].name, "TOVAN.CSAGNT.MODEL");
  EXPECT_EQ(mqi_.opens[0].options, 0x82);
  EXPECT_EQ(mqi_.opens[0].od.ObjectType, MQOT_Q);
  EXPECT_EQ(std::string(mqi_.opens[0].od.DynamicQName, 15), std::string("TOVAN.CSAGNT.*\0", 15));

  // A name that fills its field has no blank to end at.
  const std::string full(48, 'D');
  mqi_.RenameOnOpen("TOVAN.CSAGNT.MODEL", full, "QM1");
  OpenQueue("TOVAN.CSAGNT.MODEL", resolved, 0x82, nullptr);
  EXPECT_EQ(std::string(resolved), full);
}

TEST_F(OpenQueueTest, TheConsumerIsRegisteredForWholeConvertedMessages) {
  const MQHOBJ hobj = OpenQueue("TOVAN.CSAGNT.COMMAND.QUEUE", nullptr, 0x82, &Consumer);
  ASSERT_EQ(mqi_.callbacks.size(), 1u);
  const RecordedCallback& cb = mqi_.callbacks[0];
  EXPECT_EQ(cb.operation, MQOP_REGISTER);
  EXPECT_EQ(cb.hobj, hobj);
  EXPECT_EQ(cb.cbd.CallbackType, MQCBT_MESSAGE_CONSUMER);
  EXPECT_EQ(cb.cbd.Options, MQCBDO_NONE);
  EXPECT_EQ(cb.cbd.CallbackFunction, reinterpret_cast<MQPTR>(&Consumer));
  EXPECT_EQ(cb.cbd.MaxMsgLength, MQCBD_FULL_MSG_LENGTH);
  ASSERT_TRUE(cb.has_md);
  EXPECT_EQ(Id(cb.md.MsgId), Id(MQMI_NONE));
  EXPECT_EQ(Id(cb.md.CorrelId), Id(MQCI_NONE));
  ASSERT_TRUE(cb.has_gmo);
  EXPECT_EQ(cb.gmo.Version, MQGMO_VERSION_1);
  EXPECT_EQ(cb.gmo.Options, 0x6004);
  EXPECT_EQ(cb.gmo.WaitInterval, 0);

  // Without a consumer nothing is registered.
  OpenQueue(AgentConfig.commandq, nullptr, 0x210, nullptr);
  EXPECT_EQ(mqi_.callbacks.size(), 1u);
}

TEST_F(OpenQueueTest, ARefusedOpenNamesTheQueuePassedIn) {
  mqi_.RefuseOpen("TOVAN.CSAGNT.MODEL", MQRC_UNKNOWN_OBJECT_NAME);
  char resolved[49] = "untouched";
  EXPECT_EQ(OpenQueue("TOVAN.CSAGNT.MODEL", resolved, 0x82, &Consumer), MQHO_UNUSABLE_HOBJ);
  EXPECT_EQ(Messages(), "CSAG104E MQOPEN of queue 'TOVAN.CSAGNT.MODEL' failed with reason 2085 (" +
                            std::string(ReasonText(MQRC_UNKNOWN_OBJECT_NAME)) + ")\n");
  EXPECT_STREQ(resolved, "untouched");
  EXPECT_TRUE(mqi_.callbacks.empty());
}

TEST_F(OpenQueueTest, AConsumerThatCannotBeRegisteredLeavesTheQueueOpen) {
  mqi_.FailCallback(MQRC_FUNCTION_NOT_SUPPORTED);
  const MQHOBJ hobj = OpenQueue("TOVAN.CSAGNT.COMMAND.QUEUE", nullptr, 0x82, &Consumer);
  EXPECT_NE(hobj, MQHO_UNUSABLE_HOBJ);
  EXPECT_EQ(Messages(),
            "CSAG105E MQCB for queue 'TOVAN.CSAGNT.COMMAND.QUEUE' failed with reason "
            "2298 (" +
                std::string(ReasonText(MQRC_FUNCTION_NOT_SUPPORTED)) + ")\n");
}

class ConsumptionTest : public RelayTest {};

TEST_F(ConsumptionTest, AFailedStartIsReportedAndReturned) {
  mqi_.FailControl(MQOP_START, MQRC_HCONN_ERROR);
  EXPECT_EQ(StartConsumption(), MQRC_HCONN_ERROR);
  EXPECT_EQ(Messages(), "CSAG106E MQCTL on queue manager 'QM1' failed with reason 2018 (" +
                            std::string(ReasonText(MQRC_HCONN_ERROR)) + ")\n");
  StopConsumption();
  EXPECT_EQ(mqi_.controls, (std::vector<MQLONG>{MQOP_START, MQOP_STOP}));
}

TEST_F(ConsumptionTest, AFailedResumeRequestsAStopAndAFailedSuspendDoesNot) {
  mqi_.FailControl(MQOP_SUSPEND, MQRC_HCONN_ERROR);
  EXPECT_FALSE(SuspendConsumption());
  EXPECT_FALSE(IsStopRequested());
  mqi_.FailControl(MQOP_RESUME, MQRC_CONNECTION_BROKEN);
  EXPECT_FALSE(ResumeConsumption());
  EXPECT_TRUE(IsStopRequested());
  EXPECT_EQ(Process.StopExitStatus.load(), kExitFailure);
  EXPECT_EQ(Messages(), "") << "both at level 3";
}

}  // namespace
