// Reply messages taken into an answer, the answer's exit status, and its
// JSON: on crafted messages in the shapes the command server and the agent
// send.
#include "answer.h"

#include <gtest/gtest.h>

#include <cstring>

#include <nlohmann/json.hpp>

#include "pcf/agent_format.h"
#include "pcf/pcf_format.h"
#include "pcf/pcf_writer.h"

namespace query {
namespace {

admin::Message Reply(const char* format, const std::string& data) {
  admin::Message message;
  std::memcpy(message.md.Format, format, MQ_FORMAT_LENGTH);
  message.data = data;
  return message;
}

admin::Message Admin(const std::string& data) {
  return Reply(MQFMT_ADMIN, data);
}

std::string Response(const std::string& queue, MQLONG control, MQLONG comp_code = MQCC_OK,
                     MQLONG reason = MQRC_NONE) {
  pcf::PcfBuilder b(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 1, control, comp_code, reason);
  if (!queue.empty()) b.String(MQCA_Q_NAME, queue, 48);
  return b.Finish();
}

TEST(TakeReply, GathersResponsesUntilTheLastAndCountsWhatCame) {
  Answer answer;
  TakeReply(Admin(Response("A.Q", MQCFC_NOT_LAST)), &answer);
  EXPECT_FALSE(answer.complete);
  EXPECT_EQ(ExitStatusOf(answer), kExitNoAnswer);
  TakeReply(Admin(Response("B.Q", MQCFC_LAST)), &answer);
  EXPECT_TRUE(answer.complete);
  EXPECT_EQ(answer.responses.size(), 2u);
  EXPECT_EQ(answer.messages, 2u);
  EXPECT_EQ(answer.bytes, 2 * (36 + 68u));
  EXPECT_EQ(ExitStatusOf(answer), kExitOk);
}

TEST(TakeReply, CoalescedMessageGivesEachResponse) {
  pcf::PcfBuilder b(MQCFT_RESPONSE, MQCMD_INQUIRE_Q, 2, MQCFC_LAST | CFC_COALESCED);
  b.String(MQCA_Q_NAME, "A.Q");
  b.Integer(TVN_ATTR_RESPONSE_DELIMITER, MQCFT_RESPONSE);
  b.String(MQCA_Q_NAME, "B.Q");
  Answer answer;
  TakeReply(Admin(b.Finish()), &answer);
  EXPECT_TRUE(answer.complete);
  ASSERT_EQ(answer.responses.size(), 2u);
  EXPECT_EQ(answer.responses[1].message.parameters[0].text, "B.Q");
  EXPECT_EQ(answer.messages, 1u);
}

TEST(ExitStatus, AFailedResponseAnAgentErrorAndACutMessage) {
  Answer failed;
  TakeReply(Admin(Response("", MQCFC_LAST, MQCC_FAILED, MQRC_UNKNOWN_OBJECT_NAME)), &failed);
  EXPECT_EQ(ExitStatusOf(failed), kExitFailed);

  // The agent's PCF error reply, after part of an answer.
  Answer aged;
  TakeReply(Admin(Response("A.Q", MQCFC_NOT_LAST)), &aged);
  pcf::PcfBuilder error(MQCFT_COMMAND, MQCMD_INQUIRE_Q, 1, MQCFC_LAST, MQCC_FAILED,
                        MQRCCF_UNEXPECTED_ERROR);
  error.String(TVN_ATTR_ERROR_TEXT, "CSAG501E: No response from IBM MQ Command Server");
  TakeReply(Admin(error.Finish()), &aged);
  EXPECT_TRUE(aged.agent_error);
  EXPECT_EQ(ExitStatusOf(aged), kExitAgentError);

  // Its text form, which comes with Format MQADMIN too.
  Answer text;
  TakeReply(Admin("CSAG501E: No response from IBM MQ Command Server"), &text);
  EXPECT_EQ(ExitStatusOf(text), kExitAgentError);
  ASSERT_EQ(text.texts.size(), 1u);

  // A message cut inside a parameter ends the answer, failed.
  Answer cut;
  std::string data = Response("A.Q", MQCFC_NOT_LAST);
  data.resize(data.size() - 8);
  TakeReply(Admin(data), &cut);
  EXPECT_FALSE(cut.complete);
  EXPECT_TRUE(Ended(cut));
  EXPECT_NE(cut.fault, 0);
  EXPECT_EQ(ExitStatusOf(cut), kExitFailed);
}

TEST(TakeReply, MqscTextsEndWithTheClosingMessage) {
  Answer answer;
  TakeReply(Reply(MQFMT_COMMAND_1, "CSQN205I   COUNT=       3, RETURN=00000000, REASON=00000000"),
            &answer);
  TakeReply(Reply(MQFMT_COMMAND_2,
                  std::string("CSQM409I +QM QUEUE(A)\0CSQ9023E +QM ' DISPLAY' ABNORMAL", 54)),
            &answer);
  EXPECT_TRUE(answer.complete);
  ASSERT_EQ(answer.texts.size(), 3u);
  EXPECT_EQ(answer.texts[1], "CSQM409I +QM QUEUE(A)");
  EXPECT_EQ(ExitStatusOf(answer), kExitFailed);
}

TEST(AnswerJson, ParametersByNameGroupsAndRepeatsApart) {
  pcf::PcfBuilder b(MQCFT_RESPONSE, MQCMD_INQUIRE_Q_MGR, 1, MQCFC_LAST);
  b.String(MQCA_Q_MGR_NAME, "QM1", 48);
  b.IntegerList(MQIACF_Q_ATTRS, {1, 2});
  b.Group(8000, 2);
  b.Integer(MQIA_CURRENT_Q_DEPTH, 5);
  b.String(MQCA_Q_NAME, "IN.GROUP");
  b.Group(8000, 1);
  b.Integer(MQIA_CURRENT_Q_DEPTH, 6);
  b.String(MQCA_Q_NAME, "AFTER.1");
  b.String(MQCA_Q_NAME, "AFTER.2");
  b.ByteString(MQBACF_RESPONSE_ID, std::string("\x01\xAB", 2));
  b.Integer(77777, 7);
  b.Integer(TVN_ATTR_CSAGNT_CMDLEVEL, 930);
  Answer answer;
  TakeReply(Admin(b.Finish()), &answer);
  Request request{true, "INQUIRE_Q_MGR", "TOVAN.CSAGNT.COMMAND.QUEUE", false, "QM1"};
  const nlohmann::ordered_json json = AnswerJson(request, answer);
  ASSERT_EQ(json["responses"].size(), 1u);
  const auto& r = json["responses"][0];
  EXPECT_EQ(r["command"], "INQUIRE_Q_MGR");
  const auto& p = r["parameters"];
  EXPECT_EQ(p["Q_MGR_NAME"], "QM1");  // blanks trimmed
  EXPECT_EQ(p["Q_ATTRS"], nlohmann::ordered_json::array({1, 2}));
  ASSERT_TRUE(p["8000"].is_array());
  EXPECT_EQ(p["8000"][0]["CURRENT_Q_DEPTH"], 5);
  EXPECT_EQ(p["8000"][0]["Q_NAME"], "IN.GROUP");
  EXPECT_EQ(p["8000"][1]["CURRENT_Q_DEPTH"], 6);
  EXPECT_EQ(p["Q_NAME"], nlohmann::ordered_json::array({"AFTER.1", "AFTER.2"}));
  EXPECT_EQ(p["RESPONSE_ID"], "x'01AB'");
  EXPECT_EQ(p["77777"], 7);
  EXPECT_EQ(r["agent"]["CSAGNT_COMMAND_LEVEL"], 930);
  EXPECT_EQ(json["messages"], 1);
  EXPECT_EQ(json["complete"], true);
}

TEST(ReasonLabel, NamesTheReasonFromTheTables) {
  EXPECT_EQ(ReasonLabel(2085), "2085 (MQRC_UNKNOWN_OBJECT_NAME: Unknown object name)");
  EXPECT_EQ(ReasonLabel(123456), "123456");
}

}  // namespace
}  // namespace query
