// The shape check: which replies are sound enough to compress and coalesce.
#include "consolidate/reply_shape.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/pcf_builder.h"

namespace {

bool Sound(const std::string& message) {
  ExactBuffer buffer(message);
  return PcfShapeIsSound(buffer.data(), buffer.size());
}

std::string WithField(std::string message, size_t offset, MQLONG value) {
  memcpy(message.data() + offset, &value, sizeof value);
  return message;
}

TEST(ReplyShape, CommandServerRepliesAreSound) {
  EXPECT_TRUE(Sound(PcfBuilder().Bytes()));
  EXPECT_TRUE(Sound(PcfBuilder()
                        .String(MQCA_Q_NAME, "Q", 48)
                        .Integer(MQIA_Q_TYPE, 1)
                        .IntegerList(MQIACF_Q_ATTRS, {1, 2, 3})
                        .StringList(MQCACF_Q_NAMES, {"A", "B", "C"}, 48)
                        .ByteString(7004, "bytes")
                        .Integer64(703, 1)
                        .Group(8001, 2)
                        .Integer(1, 1)
                        .Group(8002, 1)
                        .String(2, "nested")
                        .Integer(3, 3)
                        .Bytes()));
  // A type the agent does not know is sound when its lengths are.
  EXPECT_TRUE(Sound(PcfBuilder().Raw({13, 20, 1, 0, 7}).Bytes()));
}

TEST(ReplyShape, LengthsThatDoNotAddUpAreNot) {
  const std::string good =
      PcfBuilder().String(MQCA_Q_NAME, "Q", 48).IntegerList(MQIACF_Q_ATTRS, {1, 2}).Bytes();
  ASSERT_TRUE(Sound(good));
  const size_t list = 36 + 68;
  const struct {
    const char* what;
    std::string message;
  } cases[] = {
      {"shorter than an MQCFH", good.substr(0, 35)},
      {"MQCFH StrucLength not 36", WithField(good, 4, 40)},
      {"negative ParameterCount", WithField(good, 32, -1)},
      {"one parameter more than there is", WithField(good, 32, 3)},
      {"one parameter fewer: bytes left over", WithField(good, 32, 1)},
      {"StrucLength past the end", WithField(good, list + 4, 28)},
      {"StrucLength below the fixed part", WithField(good, 36 + 4, 16)},
      {"StringLength past the structure", WithField(good, 36 + 16, 49)},
      {"StringLength negative", WithField(good, 36 + 16, -1)},
      {"list Count past the structure", WithField(good, list + 12, 3)},
      {"list Count negative", WithField(good, list + 12, -1)},
      {"cut inside a parameter", good.substr(0, good.size() - 2)},
      {"group members missing",
       PcfBuilder().Group(8001, 2).Integer(1, 1).ParameterCount(1).Bytes()},
      {"string list too long",
       WithField(PcfBuilder().StringList(MQCACF_Q_NAMES, {"A"}, 8).Bytes(), 36 + 20, 9)},
  };
  for (const auto& c : cases) EXPECT_FALSE(Sound(c.message)) << c.what;
}

TEST(ReplyShape, MqscTextsNeedTheirMessageNumber) {
  EXPECT_FALSE(ReplyShapeIsSound(MQFMT_COMMAND_1, "CSQ9022", 7));
  EXPECT_TRUE(ReplyShapeIsSound(MQFMT_COMMAND_1, "CSQ9022I", 8));
  EXPECT_FALSE(ReplyShapeIsSound(MQFMT_COMMAND_2, "", 0));
  // Other formats are delivered as they came in any case.
  EXPECT_TRUE(ReplyShapeIsSound(MQFMT_NONE, "", 0));
  EXPECT_TRUE(ReplyShapeIsSound(MQFMT_STRING, "x", 1));
  EXPECT_FALSE(ReplyShapeIsSound(MQFMT_ADMIN, "short", 5));
}

// Random damage: the check reads nothing outside the message (exactly
// sized blocks) and always ends.
TEST(ReplyShape, DamagedMessagesAreCheckedInsideTheirBytes) {
  const std::string base = PcfBuilder()
                               .Group(8001, 3)
                               .String(MQCA_Q_NAME, "Q", 48)
                               .IntegerList(MQIACF_Q_ATTRS, {1, 2})
                               .StringList(MQCACF_Q_NAMES, {"A", "B"}, 12)
                               .Integer(1, 1)
                               .Bytes();
  std::mt19937 random(99);
  int sound = 0;
  for (int round = 0; round < 10000; ++round) {
    std::string message = base.substr(0, random() % (base.size() + 1));
    for (int i = 0; i < 3 && message.size() >= 4; ++i) {
      const size_t field = (random() % (message.size() / 4)) * 4;
      const MQLONG value = static_cast<MQLONG>(random() % 3 == 0 ? random() : random() % 100);
      memcpy(message.data() + field, &value, 4);
    }
    if (Sound(message)) ++sound;
  }
  EXPECT_LT(sound, 10000);
}

}  // namespace
