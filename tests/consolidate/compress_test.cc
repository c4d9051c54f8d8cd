// CompressPcf: trailing blanks dropped from strings, everything after a
// trimmed string moved down, types it does not compress left as they are,
// and no byte read or written outside a message that lies about its lengths.
#include "consolidate/compress.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "consolidate/reply_shape.h"
#include "pcf/pcf_cursor.h"
#include "support/pcf_builder.h"
#include "support/relay_fixture.h"

namespace {

class CompressTest : public RelayTest {};

// Identifiers of a group and of a 64-bit integer (any will do).
constexpr MQLONG kGroupParameter = 8001;
constexpr MQLONG kInteger64Parameter = 703;

// Compresses a copy of `message` held in a block of exactly its size.
std::string Compressed(const std::string& message) {
  ExactBuffer buffer(message);
  int32_t length = buffer.size();
  CompressPcf(buffer.data(), &length);
  EXPECT_LE(length, buffer.size());
  return buffer.str(static_cast<size_t>(length));
}

// The parameter structure at `offset` of `message` as its fields.
struct Param {
  MQLONG type, struc_length, parameter, field3, field4;
};
Param ParamAt(const std::string& message, size_t offset) {
  return {FieldAt(message, offset), FieldAt(message, offset + 4), FieldAt(message, offset + 8),
          FieldAt(message, offset + 12), FieldAt(message, offset + 16)};
}

TEST_F(CompressTest, StringsLoseTheirTrailingBlanks) {
  // Four blanks: strings of four characters or fewer stay whole.
  const std::string four = PcfBuilder().String(MQCA_Q_NAME, "    ").Bytes();
  EXPECT_EQ(Compressed(four), four);

  // Ten blanks: nothing is left.
  const std::string ten = PcfBuilder().String(MQCA_Q_NAME, "", 10).Bytes();
  ASSERT_EQ(ParamAt(ten, 36).struc_length, 32);
  const std::string ten_out = Compressed(ten);
  EXPECT_EQ(ten_out.size(), 36u + 20u);
  EXPECT_EQ(ParamAt(ten_out, 36).struc_length, 20);
  EXPECT_EQ(ParamAt(ten_out, 36).field4, 0) << "StringLength";

  // "AB" and three blanks: StringLength 2, StrucLength 24, and the bytes
  // between the string's end and the structure's end keep their blanks.
  const std::string ab = PcfBuilder().String(MQCA_Q_NAME, "AB", 5).Bytes();
  ASSERT_EQ(ParamAt(ab, 36).struc_length, 28);
  const std::string ab_out = Compressed(ab);
  ASSERT_EQ(ab_out.size(), 36u + 24u);
  EXPECT_EQ(ParamAt(ab_out, 36).struc_length, 24);
  EXPECT_EQ(ParamAt(ab_out, 36).field4, 2);
  EXPECT_EQ(ab_out.substr(56, 4), "AB  ");
}

// A StrucLength that is not a multiple of 4 (20 + StringLength exactly) is
// not rounded up past the structure: rounding made the structure longer
// than it was, so the parameters after it were moved up and written past
// the end of the message.
TEST_F(CompressTest, AStructureIsNeverLengthened) {
  for (const int trailing_blanks : {0, 1, 2, 3}) {
    const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ" + std::string(trailing_blanks, ' ');
    const int struc_length = 20 + static_cast<int>(text.size());
    const std::string message =
        PcfBuilder().String(MQCA_Q_NAME, text, 0, struc_length).Integer(MQIA_Q_TYPE, 1).Bytes();
    ASSERT_EQ(message.size(), 36u + struc_length + 16u);
    const std::string out = Compressed(message);
    const Param string = ParamAt(out, 36);
    EXPECT_LE(string.struc_length, struc_length) << trailing_blanks << " blanks";
    EXPECT_EQ(string.field4, 26) << "StringLength";
    EXPECT_EQ(out.substr(56, 26), text.substr(0, 26));
    const Param integer = ParamAt(out, 36 + static_cast<size_t>(string.struc_length));
    EXPECT_EQ(integer.type, MQCFT_INTEGER);
    EXPECT_EQ(integer.parameter, MQIA_Q_TYPE);
    EXPECT_EQ(integer.field3, 1) << "Value";
    EXPECT_EQ(out.size(), 36u + string.struc_length + 16u);
  }
}

TEST_F(CompressTest, ParametersAfterATrimmedStringMoveDown) {
  const std::string name = "SYSTEM.ADMIN.COMMAND.QUEUE";
  ASSERT_EQ(name.size(), 26u);
  const std::string in = PcfBuilder()
                             .String(MQCA_Q_NAME, name, 48)
                             .Integer(MQIA_Q_TYPE, MQQT_LOCAL)
                             .String(MQCA_Q_DESC, "Descr", 64)
                             .Bytes();
  ASSERT_EQ(ParamAt(in, 36).struc_length, 68);
  const std::string out = Compressed(in);

  EXPECT_EQ(out.substr(0, 36), in.substr(0, 36)) << "the MQCFH stays as it was";
  EXPECT_EQ(HeaderOf(out).ParameterCount, 3);
  const Param first = ParamAt(out, 36);
  EXPECT_EQ(first.struc_length, 48);
  EXPECT_EQ(first.field4, 26);
  EXPECT_EQ(out.substr(56, 26), name);
  // The integer stood at 36 + 68 and now stands 20 bytes lower.
  EXPECT_EQ(out.substr(36 + 48, 16), in.substr(36 + 68, 16));
  const Param third = ParamAt(out, 36 + 48 + 16);
  EXPECT_EQ(third.type, MQCFT_STRING);
  EXPECT_EQ(third.struc_length, 28);
  EXPECT_EQ(third.field4, 5);
  EXPECT_EQ(out.size(), 36u + 48 + 16 + 28);
}

TEST_F(CompressTest, ListsAndByteStringsStayWhole) {
  const std::string in = PcfBuilder()
                             .IntegerList(MQIACF_Q_ATTRS, {1, 2, 3})
                             .StringList(MQCACF_Q_NAMES, {"A", "B"}, 48)
                             .ByteString(MQBACF_RESPONSE_ID, "ab   ")
                             .String(MQCA_Q_NAME, "Q", 48)
                             .Bytes();
  const std::string out = Compressed(in);
  const size_t whole = in.size() - 68;  // every byte before the last string
  EXPECT_EQ(out.substr(0, whole), in.substr(0, whole));
  EXPECT_EQ(ParamAt(out, whole).struc_length, 24);
  EXPECT_EQ(out.size(), whole + 24);
  EXPECT_FALSE(Wrote("CSAG301E"));
}

TEST_F(CompressTest, AGroupStopsCompressionAndTheRestMovesUnchanged) {
  const std::string in = PcfBuilder()
                             .String(MQCA_Q_NAME, "Q1", 48)
                             .String(MQCA_Q_DESC, "D", 64)
                             .Group(kGroupParameter, 2)
                             .String(MQCA_Q_NAME, "INSIDE", 48)
                             .Integer(MQIA_Q_TYPE, 1)
                             .String(MQCA_Q_NAME, "AFTER", 48)
                             .Bytes();
  const std::string out = Compressed(in);
  // 68 -> 24 and 84 -> 24: everything from the group on moved down 104 bytes.
  EXPECT_EQ(out.size(), in.size() - 104);
  EXPECT_EQ(ParamAt(out, 36).struc_length, 24);
  EXPECT_EQ(ParamAt(out, 60).struc_length, 24);
  EXPECT_EQ(out.substr(84), in.substr(36 + 68 + 84));
  EXPECT_EQ(Messages(), "CSAG301E Can not compress PCF type 20\n");
}

TEST_F(CompressTest, AnInteger64IsNotCompressedEither) {
  const std::string in =
      PcfBuilder().Integer64(kInteger64Parameter, 5).String(MQCA_Q_NAME, "Q", 48).Bytes();
  EXPECT_EQ(Compressed(in), in);
  EXPECT_EQ(Messages(), "CSAG301E Can not compress PCF type 23\n");
}

// Messages whose lengths do not fit the bytes that are there: whatever does
// not fit is left as it is; nothing outside the block is touched (the block
// is exactly sized, so AddressSanitizer would report it).
TEST_F(CompressTest, LyingLengthsNeitherReadNorWriteOutsideTheMessage) {
  const std::string padded = PcfBuilder().String(MQCA_Q_NAME, "Q", 48).Bytes();

  // More parameters counted than there are: the one there is trimmed.
  std::string more = PcfBuilder().String(MQCA_Q_NAME, "Q", 48).ParameterCount(5).Bytes();
  EXPECT_EQ(Compressed(more).size(), 36u + 24u);

  struct Case {
    const char* what;
    std::string message;
  };
  auto with_field = [&](size_t offset, MQLONG value) {
    std::string m = padded;
    memcpy(m.data() + offset, &value, sizeof value);
    return m;
  };
  const Case cases[] = {
      {"StrucLength beyond the end", with_field(36 + 4, 1000)},
      {"StrucLength 0", with_field(36 + 4, 0)},
      {"StrucLength negative", with_field(36 + 4, -8)},
      {"StrucLength 4", with_field(36 + 4, 4)},
      {"StringLength beyond StrucLength", with_field(36 + 16, 49)},
      {"StringLength huge", with_field(36 + 16, 0x7fffffff)},
      {"StringLength negative", with_field(36 + 16, -20)},
      {"cut inside the structure header", padded.substr(0, 36 + 6)},
      {"cut inside the string", padded.substr(0, 36 + 40)},
      {"shorter than an MQCFH", padded.substr(0, 20)},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compressed(c.message), c.message) << c.what;
  }
}

// Sound messages of strings and integers: the compressed message is sound
// and carries the same parameters, each string without its trailing blanks
// (unless it had 4 characters or fewer).
TEST_F(CompressTest, RandomSoundMessagesKeepTheirMeaning) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 2000; ++round) {
    PcfBuilder builder;
    std::vector<std::pair<MQLONG, std::string>> expected;  // type, trimmed value
    const int count = static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) {
      if (random() % 3 == 0) {
        const auto value = static_cast<MQLONG>(random());
        builder.Integer(1000 + i, value);
        expected.emplace_back(MQCFT_INTEGER, std::string(reinterpret_cast<const char*>(&value), 4));
      } else {
        std::string text(random() % 12, 'x');
        for (char& ch : text)
          ch = (random() % 4 == 0) ? ' ' : static_cast<char>('A' + random() % 26);
        const int field = static_cast<int>(text.size() + random() % 50);
        builder.String(2000 + i, text, field);
        std::string value = text;
        value.resize(static_cast<size_t>(field), ' ');
        if (value.size() > 4) value.erase(value.find_last_not_of(' ') + 1);
        expected.emplace_back(MQCFT_STRING, value);
      }
    }
    const std::string out = Compressed(builder.Bytes());
    ASSERT_TRUE(PcfShapeIsSound(out.data(), static_cast<int32_t>(out.size()))) << round;
    PcfReader reader;
    PcfReaderInit(&reader, out.data(), static_cast<int32_t>(out.size()));
    for (const auto& [type, value] : expected) {
      PcfItem item;
      MQLONG comp_code;
      MQLONG reason;
      PcfNextParm(&reader, &item, &comp_code, &reason);
      ASSERT_EQ(comp_code, MQCC_OK) << round;
      ASSERT_EQ(item.type, type);
      EXPECT_EQ(std::string(item.value, static_cast<size_t>(item.value_length)), value) << round;
    }
  }
}

// Random damage to sound messages: compression ends, stays inside the
// block, and never makes a message longer.
TEST_F(CompressTest, DamagedMessagesAreHandledInsideTheirBytes) {
  AgentConfig.verbose = -1;  // CSAG301E for every damaged type is not the point here
  std::mt19937 random(7);
  const std::string base = PcfBuilder()
                               .String(MQCA_Q_NAME, "Q.ONE", 48)
                               .Integer(MQIA_Q_TYPE, 1)
                               .String(MQCA_Q_DESC, "a description", 64)
                               .IntegerList(MQIACF_Q_ATTRS, {1, 2})
                               .String(MQCA_Q_NAME, "Q.TWO", 48)
                               .Bytes();
  for (int round = 0; round < 5000; ++round) {
    std::string message = base.substr(0, 36 + random() % (base.size() - 35));
    const int damage = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < damage && message.size() > 36; ++i) {
      const size_t at = 36 + random() % (message.size() - 36);
      if (random() % 2 == 0) {
        message[at] = static_cast<char>(random());
      } else {
        const MQLONG value = static_cast<MQLONG>(random() % 200) - 20;
        const size_t field = at & ~size_t{3};
        if (field + 4 <= message.size()) memcpy(message.data() + field, &value, 4);
      }
    }
    const std::string out = Compressed(message);
    EXPECT_GE(out.size(), 36u);
    EXPECT_EQ(out.substr(0, 36), message.substr(0, 36));
  }
}

}  // namespace
