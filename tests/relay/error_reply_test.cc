// The agent's error reply converted to the form of each request kind: the
// text comes from the last error-text parameter of a failed reply.
#include "relay/error_reply.h"

#include <gtest/gtest.h>

#include <string>

#include "cs/cs_memory.h"
#include "pcf/agent_format.h"
#include "pcf/names/constant_names.h"
#include "support/error_reply_bytes.h"
#include "support/relay_fixture.h"

namespace {

// ConvertErrorReply on its own: the text comes from the last error-text
// parameter of a failed reply.
class ConvertErrorReplyTest : public RelayTest {
 protected:
  // Converts `message` for a request of `kind`; returns the result and sets
  // *out to the converted bytes.
  int Convert(int32_t kind, const std::string& message, std::string* out) {
    REQUEST request{};
    request.Kind = kind;
    ExactBuffer given(message);
    char* buffer = given.data();
    int32_t length = given.size();
    const int result = ConvertErrorReply(&request, &buffer, &length);
    *out = std::string(buffer, static_cast<size_t>(length));
    if (buffer != given.data()) CSFreeMem(buffer);
    return result;
  }
};

TEST_F(ConvertErrorReplyTest, PcfRequestsKeepThePcfForm) {
  REQUEST request{};
  request.Kind = REQ_PCF;
  char message[104];
  int32_t length = BuildNoResponseReply(MQCMD_INQUIRE_Q, message);
  char* buffer = message;
  EXPECT_EQ(ConvertErrorReply(&request, &buffer, &length), 1);
  EXPECT_EQ(buffer, message);
  EXPECT_EQ(std::string(message, 104), PcfErrorReply(MQCMD_INQUIRE_Q));
}

TEST_F(ConvertErrorReplyTest, TheLastErrorTextOfAFailedReplyWins) {
  const std::string message = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST, MQCC_FAILED, 3238)
                                  .String(TVN_ATTR_ERROR_TEXT, "first")
                                  .Integer(1, 1)
                                  .String(TVN_ATTR_ERROR_TEXT, "second text")
                                  .Bytes();
  std::string out;
  EXPECT_EQ(Convert(REQ_MQSC, message, &out), 1);
  EXPECT_EQ(out, "second text");
  EXPECT_EQ(Convert(REQ_ESCAPE, message, &out), 1);
  EXPECT_EQ(out.size(), 72u + 11);
  EXPECT_EQ(FieldAt(out, 52 + 4), 20 + 11) << "StrucLength not padded";
  EXPECT_EQ(out.substr(72), "second text");
}

TEST_F(ConvertErrorReplyTest, ASuccessfulReplyHasNoErrorText) {
  for (MQLONG comp_code : {MQCC_OK, MQCC_FAILED}) {
    const MQLONG reason = comp_code == MQCC_OK ? 3238 : 0;
    const std::string message = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST, comp_code, reason)
                                    .String(TVN_ATTR_ERROR_TEXT, "not shown")
                                    .Bytes();
    std::string out;
    EXPECT_EQ(Convert(REQ_MQSC, message, &out), 1);
    EXPECT_EQ(out, "");
  }
}

TEST_F(ConvertErrorReplyTest, AnErrorTextLongerThanItsMessageIsNotTaken) {
  std::string message = PcfBuilder(MQCMD_INQUIRE_Q, MQCFC_LAST, MQCC_FAILED, 3238)
                            .String(TVN_ATTR_ERROR_TEXT, "text")
                            .Bytes();
  const MQLONG lie = 4000;
  memcpy(message.data() + 36 + 16, &lie, 4);
  std::string out;
  Convert(REQ_MQSC, message, &out);
  EXPECT_EQ(out, "");
}

TEST_F(ConvertErrorReplyTest, AMessageShorterThanAnMqcfhFails) {
  std::string out;
  EXPECT_EQ(Convert(REQ_MQSC, std::string(20, 'x'), &out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(Messages(), "CSAG405E PCF Message failure 3016 (" +
                            std::string(ReasonText(MQRCCF_MSG_LENGTH_ERROR)) + ")\n");
  EXPECT_EQ(Convert(REQ_ESCAPE, std::string(20, 'x'), &out), 0);
  EXPECT_EQ(out.size(), 72u);
}

}  // namespace
