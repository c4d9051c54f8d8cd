// PcfNextParm: every structure type it knows, groups and their ends, the
// nesting limit, the end of the parameters, and messages that lie about
// their lengths, down to thousands of random ones walked under
// AddressSanitizer.
#include "pcf/pcf_cursor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/pcf_builder.h"

namespace {

struct Step {
  PcfItem item;
  MQLONG comp_code;
  MQLONG reason;
  int32_t offset_before;
  int32_t offset_after;
};

// Walks `message` (in a block of exactly its size) until a call fails or
// `limit` calls were made.
class Walk {
 public:
  explicit Walk(const std::string& message) : buffer_(message) {
    PcfReaderInit(&reader_, buffer_.data(), buffer_.size());
  }
  Step Next() {
    Step step{};
    step.offset_before = reader_.offset;
    PcfNextParm(&reader_, &step.item, &step.comp_code, &step.reason);
    step.offset_after = reader_.offset;
    return step;
  }
  // The offset of `p` in the message.
  int64_t At(const char* p) const { return p - buffer_.data(); }
  const PcfReader& reader() const { return reader_; }
  char* data() { return buffer_.data(); }
  MQLONG size() const { return buffer_.size(); }

 private:
  ExactBuffer buffer_;
  PcfReader reader_;
};

void ExpectItem(Walk& walk, MQLONG type, MQLONG parameter, int64_t value_at, int32_t length,
                int32_t count) {
  const Step step = walk.Next();
  ASSERT_EQ(step.comp_code, MQCC_OK) << "type " << type << " reason " << step.reason;
  EXPECT_EQ(step.item.type, type);
  EXPECT_EQ(step.item.parameter, parameter) << "type " << type;
  if (value_at < 0) {
    EXPECT_EQ(step.item.value, nullptr) << "type " << type;
  } else {
    EXPECT_EQ(walk.At(step.item.value), value_at) << "type " << type;
  }
  EXPECT_EQ(step.item.value_length, length) << "type " << type;
  EXPECT_EQ(step.item.count, count) << "type " << type;
}

void ExpectEndGroup(Walk& walk) {
  const Step step = walk.Next();
  EXPECT_EQ(step.comp_code, MQCC_OK);
  EXPECT_EQ(step.item.type, PCF_END_GROUP);
  EXPECT_EQ(step.offset_after, step.offset_before);
}

void ExpectFailure(Walk& walk, MQLONG reason) {
  const Step step = walk.Next();
  EXPECT_EQ(step.comp_code, MQCC_FAILED);
  EXPECT_EQ(step.reason, reason);
  EXPECT_EQ(step.offset_after, step.offset_before) << "a failed call does not move";
}

TEST(PcfCursor, EveryKnownStructureType) {
  const std::string message =
      PcfBuilder()
          .Integer(1, 11)                                             // at 36, 16 bytes
          .String(2, "text")                                          // at 52, 24
          .IntegerList(3, {1, 2, 3})                                  // at 76, 28
          .StringList(4, {"A", "B"}, 8)                               // at 104, 40
          .ByteString(5, "bytes")                                     // at 144, 24
          .Integer64(6, 1)                                            // at 168, 24
          .Raw({1000})                                                // at 192, 4
          .Raw({1001, 28, 7, 0, 5}, std::string("abcde\0\0\0", 8))    // at 196, 28
          .Raw({1002, 32, 8, 0, 2, 3}, std::string("abcdef\0\0", 8))  // at 224, 32
          .Group(9, 0)                                                // at 256, 16
          .Bytes();
  Walk walk(message);
  ExpectItem(walk, MQCFT_INTEGER, 1, 36 + 12, 4, 1);
  ExpectItem(walk, MQCFT_STRING, 2, 52 + 20, 4, 1);
  ExpectItem(walk, MQCFT_INTEGER_LIST, 3, 76 + 16, 12, 3);
  ExpectItem(walk, MQCFT_STRING_LIST, 4, 104 + 24, 16, 2);
  ExpectItem(walk, MQCFT_BYTE_STRING, 5, 144 + 16, 5, 1);
  ExpectItem(walk, MQCFT_INTEGER64, 6, 168 + 16, 8, 1);
  ExpectItem(walk, 1000, 0, -1, 4, 0);
  ExpectItem(walk, 1001, 7, 196 + 20, 5, 1);
  ExpectItem(walk, 1002, 8, 224 + 24, 6, 2);
  ExpectItem(walk, MQCFT_GROUP, 9, 256, 16, 1);
  ExpectEndGroup(walk);
  ExpectFailure(walk, PCF_NO_MORE_PARAMETERS);
  EXPECT_EQ(walk.reader().offset, static_cast<int32_t>(message.size()));
}

TEST(PcfCursor, NoParametersEndsAtOnce) {
  Walk empty(PcfBuilder().Bytes());
  ExpectFailure(empty, PCF_NO_MORE_PARAMETERS);
  // A message shorter than an MQCFH has none either.
  Walk short_message(std::string(20, '\x01'));
  ExpectFailure(short_message, PCF_NO_MORE_PARAMETERS);
}

TEST(PcfCursor, AGroupsParametersComeBeforeItsEnd) {
  Walk walk(PcfBuilder().Group(100, 2).Integer(1, 1).String(2, "in").Integer(3, 3).Bytes());
  ExpectItem(walk, MQCFT_GROUP, 100, 36, 16, 1);
  EXPECT_EQ(walk.reader().depth, 1);
  EXPECT_EQ(walk.reader().group_parameter, 100);
  ExpectItem(walk, MQCFT_INTEGER, 1, 52 + 12, 4, 1);
  ExpectItem(walk, MQCFT_STRING, 2, 68 + 20, 2, 1);
  ExpectEndGroup(walk);
  EXPECT_EQ(walk.reader().depth, 0);
  EXPECT_EQ(walk.reader().group_parameter, 0);
  ExpectItem(walk, MQCFT_INTEGER, 3, 92 + 12, 4, 1);
  ExpectFailure(walk, PCF_NO_MORE_PARAMETERS);
}

TEST(PcfCursor, TenNestedGroupsAreFollowedAndAnEleventhIsNot) {
  PcfBuilder ten;
  for (int i = 1; i <= 10; ++i) ten.Group(i, 1);
  ten.Integer(99, 1);
  Walk walk(ten.Bytes());
  for (int i = 1; i <= 10; ++i) ExpectItem(walk, MQCFT_GROUP, i, 36 + 16 * (i - 1), 16, 1);
  ExpectItem(walk, MQCFT_INTEGER, 99, 36 + 160 + 12, 4, 1);
  for (int i = 10; i >= 1; --i) {
    ExpectEndGroup(walk);
    EXPECT_EQ(walk.reader().depth, i - 1);
  }
  ExpectFailure(walk, PCF_NO_MORE_PARAMETERS);

  PcfBuilder eleven;
  for (int i = 1; i <= 11; ++i) eleven.Group(i, 1);
  eleven.Integer(99, 1);
  Walk deep(eleven.Bytes());
  for (int i = 1; i <= 10; ++i) ExpectItem(deep, MQCFT_GROUP, i, 36 + 16 * (i - 1), 16, 1);
  ExpectFailure(deep, MQRC_FORMAT_NOT_SUPPORTED);
}

TEST(PcfCursor, AStringRunningPastTheEndFails) {
  std::string message = PcfBuilder().String(MQCA_Q_NAME, "ABCD").Bytes();
  const MQLONG lie = 100;
  memcpy(message.data() + 36 + 16, &lie, 4);
  Walk walk(message);
  const Step step = walk.Next();
  EXPECT_EQ(step.comp_code, MQCC_FAILED);
  EXPECT_EQ(step.reason, MQRC_TRUNCATED_MSG_FAILED);
  EXPECT_EQ(step.item.type, MQCFT_STRING) << "the item is still filled in";
  EXPECT_EQ(step.item.value_length, 100);
  EXPECT_EQ(step.offset_after, step.offset_before);
}

TEST(PcfCursor, AnUnknownTypeFails) {
  Walk walk(PcfBuilder().Raw({77, 16, 1, 0}).Bytes());
  ExpectFailure(walk, MQRCCF_CFH_TYPE_ERROR);
}

TEST(PcfCursor, FieldsOutsideTheMessageAreNeverRead) {
  const std::string integer = PcfBuilder().Integer(1, 1).Bytes();
  auto with_field = [](std::string m, size_t offset, MQLONG value) {
    memcpy(m.data() + offset, &value, 4);
    return m;
  };
  const struct {
    const char* what;
    std::string message;
  } cases[] = {
      {"cut inside Type", integer.substr(0, 38)},
      {"cut after Type", integer.substr(0, 40)},
      {"cut inside the integer", integer.substr(0, 48)},
      {"StrucLength below the fixed part", with_field(integer, 40, 12)},
      {"StrucLength 0", with_field(integer, 40, 0)},
      {"StrucLength negative", with_field(integer, 40, -16)},
      {"StrucLength past the end", with_field(integer, 40, 20)},
      {"list Count negative",
       with_field(PcfBuilder().StringList(1, {"A"}, 4).Bytes(), 36 + 16, -1)},
      {"list size negative", with_field(PcfBuilder().StringList(1, {"A"}, 4).Bytes(), 36 + 20, -4)},
      {"list past the end",
       with_field(PcfBuilder().StringList(1, {"A"}, 4).Bytes(), 36 + 16, 0x40000000)},
      {"byte string past the end", with_field(PcfBuilder().ByteString(1, "ab").Bytes(), 48, 5)},
      {"group cut short", PcfBuilder().Group(1, 0).Bytes().substr(0, 48)},
      {"sized value past the end", PcfBuilder().Raw({1001, 20, 1, 0, 1}).Bytes()},
  };
  for (const auto& c : cases) {
    Walk walk(c.message);
    const Step step = walk.Next();
    EXPECT_EQ(step.comp_code, MQCC_FAILED) << c.what;
    EXPECT_EQ(step.reason, MQRC_TRUNCATED_MSG_FAILED) << c.what;
    EXPECT_EQ(step.offset_after, 36) << c.what;
  }
}

// Builds a random sound message of known structures, groups included.
std::string RandomMessage(std::mt19937& random) {
  PcfBuilder builder;
  const int count = static_cast<int>(random() % 12);
  for (int i = 0; i < count; ++i) {
    switch (random() % 9) {
      case 0:
        builder.Integer(i, static_cast<MQLONG>(random()));
        break;
      case 1:
        builder.String(i, std::string(random() % 10, 'S'), static_cast<int>(random() % 20));
        break;
      case 2:
        builder.IntegerList(i, std::vector<MQLONG>(random() % 4, 7));
        break;
      case 3:
        builder.StringList(i, std::vector<std::string>(random() % 3, "L"),
                           static_cast<int>(random() % 6));
        break;
      case 4:
        builder.ByteString(i, std::string(random() % 9, 'B'));
        break;
      case 5:
        builder.Integer64(i, 5);
        break;
      case 6:
        builder.Group(i, static_cast<MQLONG>(random() % 3));
        break;
      case 7:
        builder.Raw({1000});
        break;
      default:
        builder.Raw({1001, 24, i, 0, 3}, "xyz ");
        break;
    }
  }
  return builder.Bytes();
}

// Damages `message`: fields set to small, negative or random values, bytes
// changed, the end cut off.
void Damage(std::string* message, std::mt19937& random) {
  const int hits = static_cast<int>(random() % 4);
  for (int i = 0; i < hits && message->size() >= 4; ++i) {
    const size_t field = (random() % (message->size() / 4)) * 4;
    MQLONG value;
    switch (random() % 4) {
      case 0:
        value = static_cast<MQLONG>(random() % 64) - 8;
        break;
      case 1:
        value = static_cast<MQLONG>(random());
        break;
      case 2:
        value = static_cast<MQLONG>(1000 + random() % 4);
        break;
      default:
        value = static_cast<MQLONG>(random() % 30);
        break;
    }
    memcpy(message->data() + field, &value, 4);
  }
  if (random() % 3 == 0 && !message->empty()) message->resize(random() % message->size());
}

// Every walk ends, every value handed out lies inside the message, and no
// call reads outside it (each message is exactly sized).
TEST(PcfCursor, RandomAndDamagedMessagesAreWalkedInsideTheirBytes) {
  std::mt19937 random(424242);
  int walks = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string message;
    if (round % 5 == 0) {
      message = PcfBuilder().Bytes();
      message.resize(36 + random() % 80);
      for (size_t i = 36; i < message.size(); ++i) message[i] = static_cast<char>(random() % 32);
      const MQLONG count = static_cast<MQLONG>(random() % 20);
      memcpy(message.data() + offsetof(MQCFH, ParameterCount), &count, 4);
    } else {
      message = RandomMessage(random);
      if (round % 5 != 1) Damage(&message, random);
    }
    Walk walk(message);
    const int64_t limit = 2 * (walk.size() / 4) + 2;
    int64_t calls = 0;
    for (;;) {
      const Step step = walk.Next();
      ++calls;
      if (step.comp_code != MQCC_OK) {
        ASSERT_EQ(step.offset_after, step.offset_before);
        break;
      }
      if (step.item.value != nullptr) {
        ASSERT_GE(walk.At(step.item.value), 0);
        ASSERT_LE(walk.At(step.item.value) + step.item.value_length, walk.size()) << round;
      }
      ASSERT_GE(step.item.value_length, 0);
      ASSERT_GE(step.item.count, 0);
      if (step.item.type != PCF_END_GROUP) {
        ASSERT_GT(step.offset_after, step.offset_before);
      }
      ASSERT_LE(step.offset_after, walk.size());
      ASSERT_LE(calls, limit) << "round " << round << ": the walk does not end";
    }
    ++walks;
  }
  EXPECT_EQ(walks, 20000);
}

}  // namespace
