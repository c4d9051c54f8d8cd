// ReadPcfStructure: every type of the layout table read where its fields
// say, and the refusals: structures cut short, StrucLengths below the fixed
// part or past the end, values and counts beyond the structure. Each
// structure is read from a block of exactly its size.
#include "pcf/pcf_walker.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "support/pcf_builder.h"

namespace {

// The first structure that `builder` holds, without the MQCFH.
std::string FirstStructure(const PcfBuilder& builder) {
  return builder.Bytes().substr(MQCFH_STRUC_LENGTH);
}

std::string Ints(const std::vector<MQLONG>& fields, const std::string& tail = "") {
  return FirstStructure(PcfBuilder().Raw(fields, tail));
}

// Reads the structure at the start of `bytes`; the fault is the result.
PcfFault Read(const std::string& bytes, PcfStructure* out) {
  ExactBuffer buffer(bytes);
  const PcfFault fault = ReadPcfStructure(buffer.data(), buffer.size(), out);
  // Where the value lay in the block, as an offset that outlives it.
  if (out->value != nullptr) out->value = reinterpret_cast<const char*>(out->value - buffer.data());
  return fault;
}

int64_t ValueAt(const PcfStructure& s) {
  return s.value == nullptr ? -1 : reinterpret_cast<intptr_t>(s.value);
}

TEST(PcfWalker, EveryDrawnTypeIsReadWhereItsFieldsSay) {
  const struct {
    std::string bytes;
    MQLONG type, parameter;
    int64_t value_at, value_length, count;
  } cases[] = {
      {FirstStructure(PcfBuilder().Integer(1, 11)), MQCFT_INTEGER, 1, 12, 4, 1},
      {FirstStructure(PcfBuilder().String(2, "text", 6)), MQCFT_STRING, 2, 20, 6, 1},
      {FirstStructure(PcfBuilder().IntegerList(3, {1, 2, 3})), MQCFT_INTEGER_LIST, 3, 16, 12, 3},
      {FirstStructure(PcfBuilder().StringList(4, {"A", "B"}, 8)), MQCFT_STRING_LIST, 4, 24, 16, 2},
      {FirstStructure(PcfBuilder().ByteString(5, "bytes")), MQCFT_BYTE_STRING, 5, 16, 5, 1},
      {FirstStructure(PcfBuilder().Integer64(6, 1)), MQCFT_INTEGER64, 6, 16, 8, 1},
      {Ints({MQCFT_INTEGER64_LIST, 32, 7, 2, 0, 0, 0, 0}), MQCFT_INTEGER64_LIST, 7, 16, 16, 2},
      {Ints({MQCFT_INTEGER_FILTER, 20, 8, 1, 99}), MQCFT_INTEGER_FILTER, 8, 16, 4, 1},
      {Ints({MQCFT_STRING_FILTER, 28, 9, 1, 0, 3}, "abc "), MQCFT_STRING_FILTER, 9, 24, 3, 1},
      {Ints({MQCFT_BYTE_STRING_FILTER, 24, 10, 1, 2}, "ab  "), MQCFT_BYTE_STRING_FILTER, 10, 20, 2,
       1},
      // A group has no value; its count is the members that follow it.
      {FirstStructure(PcfBuilder().Group(11, 3)), MQCFT_GROUP, 11, -1, 0, 3},
      // A type not in the table: Type and StrucLength, nothing assumed.
      {Ints({77, 12, 12}), 77, 0, -1, 0, 0},
  };
  size_t drawn = 0;
  for (const auto& c : cases) {
    PcfStructure s;
    ASSERT_EQ(Read(c.bytes, &s), PcfFault::kNone) << c.type;
    EXPECT_EQ(s.type, c.type);
    EXPECT_EQ(s.layout, &PcfLayoutOf(c.type));
    EXPECT_EQ(s.layout->type, FindPcfLayout(c.type) != nullptr ? c.type : MQCFT_NONE);
    if (FindPcfLayout(c.type) != nullptr) ++drawn;
    EXPECT_EQ(s.struc_length, static_cast<int32_t>(c.bytes.size())) << c.type;
    EXPECT_EQ(s.parameter, c.parameter) << c.type;
    EXPECT_EQ(ValueAt(s), c.value_at) << c.type;
    EXPECT_EQ(s.value_length, c.value_length) << c.type;
    EXPECT_EQ(s.count, c.count) << c.type;
    EXPECT_TRUE(s.value_fits) << c.type;
  }
  EXPECT_EQ(drawn, std::size(kPcfLayouts)) << "a type of the table is not tried";
  // Types between the drawn ones, and Type 0, are not drawn either.
  EXPECT_EQ(FindPcfLayout(MQCFT_NONE), nullptr);
  EXPECT_EQ(FindPcfLayout(MQCFT_REPORT), nullptr);
  EXPECT_EQ(PcfLayoutOf(MQCFT_REPORT).type, MQCFT_NONE);
  EXPECT_EQ(FindPcfLayout(-1), nullptr);
}

// Of each type of the table: its fixed part alone (values empty) is read,
// one byte less of StrucLength or of the message is refused.
TEST(PcfWalker, EachTypeNeedsItsFixedPart) {
  for (const PcfLayout& layout : kPcfLayouts) {
    std::string bytes(static_cast<size_t>(layout.fixed_length), '\0');
    SetField(bytes.data(), 0, layout.type);
    SetField(bytes.data(), 4, layout.fixed_length);
    PcfStructure s;
    ASSERT_EQ(Read(bytes, &s), PcfFault::kNone) << layout.type;
    EXPECT_TRUE(s.value_fits) << layout.type;

    SetField(bytes.data(), 4, layout.fixed_length - 1);
    EXPECT_EQ(Read(bytes, &s), PcfFault::kStrucLength) << layout.type;
    EXPECT_EQ(s.type, layout.type) << "type and StrucLength are still given";
    EXPECT_EQ(s.struc_length, layout.fixed_length - 1);

    SetField(bytes.data(), 4, layout.fixed_length);
    EXPECT_EQ(Read(bytes.substr(0, bytes.size() - 1), &s), PcfFault::kStrucLength) << layout.type;
  }
}

TEST(PcfWalker, LengthsBeyondTheBytesAreRefused) {
  const std::string string = FirstStructure(PcfBuilder().String(1, "ABCD"));
  auto with_field = [](std::string bytes, size_t offset, MQLONG value) {
    return bytes.replace(offset, sizeof value, reinterpret_cast<const char*>(&value), sizeof value);
  };
  const struct {
    const char* what;
    std::string bytes;
    PcfFault fault;
  } cut[] = {
      {"empty", "", PcfFault::kCut},
      {"Type alone", string.substr(0, 4), PcfFault::kCut},
      {"cut before the end of StrucLength", string.substr(0, 7), PcfFault::kCut},
      {"StrucLength 0", with_field(string, 4, 0), PcfFault::kStrucLength},
      {"StrucLength negative", with_field(string, 4, -24), PcfFault::kStrucLength},
      {"StrucLength past the end", with_field(string, 4, 28), PcfFault::kStrucLength},
      {"StrucLength huge", with_field(string, 4, INT_MAX), PcfFault::kStrucLength},
  };
  for (const auto& c : cut) {
    PcfStructure s;
    EXPECT_EQ(Read(c.bytes, &s), c.fault) << c.what;
    EXPECT_EQ(s.value, nullptr) << c.what;
  }

  // The structure fits, its value does not: counts times sizes in 64 bits.
  const std::string list = FirstStructure(PcfBuilder().StringList(1, {"A"}, 4));
  const std::string integers = FirstStructure(PcfBuilder().IntegerList(1, {1}));
  const struct {
    const char* what;
    std::string bytes;
    int64_t value_length;
  } too_long[] = {
      {"StringLength past StrucLength", with_field(string, 16, 5), 5},
      {"StringLength negative", with_field(string, 16, -1), -1},
      {"integer Count past StrucLength", with_field(integers, 12, 2), 8},
      {"integer Count beyond 32 bits of bytes", with_field(integers, 12, 0x40000000),
       int64_t{0x40000000} * 4},
      {"integer Count negative", with_field(integers, 12, -1), -4},
      {"string list Count times StringLength beyond 32 bits",
       with_field(with_field(list, 16, INT_MAX), 20, INT_MAX), int64_t{INT_MAX} * INT_MAX},
      {"string list StringLength negative", with_field(list, 20, -4), -4},
      {"negative Count and StringLength", with_field(with_field(list, 16, -1), 20, -4), 4},
  };
  for (const auto& c : too_long) {
    PcfStructure s;
    ASSERT_EQ(Read(c.bytes, &s), PcfFault::kNone) << c.what;
    EXPECT_FALSE(s.value_fits) << c.what;
    EXPECT_EQ(s.value_length, c.value_length) << c.what;
  }
}

// IBM MQ's escape text has StrucLength 20 + its length, unpadded: the walker
// takes StrucLength as it is, and the value must still end within it.
TEST(PcfWalker, AStrucLengthNeedNotBeAMultipleOfFour) {
  const std::string message = PcfBuilder()
                                  .String(MQCACF_ESCAPE_TEXT, "ABCDE", 0, 25)
                                  .Integer(MQIACF_ESCAPE_TYPE, MQET_MQSC)
                                  .Bytes();
  ExactBuffer buffer(message);
  const char* first = buffer.data() + MQCFH_STRUC_LENGTH;
  const int64_t left = buffer.size() - MQCFH_STRUC_LENGTH;
  PcfStructure s;
  ASSERT_EQ(ReadPcfStructure(first, left, &s), PcfFault::kNone);
  EXPECT_EQ(s.struc_length, 25);
  EXPECT_TRUE(s.value_fits);
  EXPECT_EQ(std::string(s.value, static_cast<size_t>(s.value_length)), "ABCDE");
  ASSERT_EQ(ReadPcfStructure(first + 25, left - 25, &s), PcfFault::kNone);
  EXPECT_EQ(s.type, MQCFT_INTEGER);
  EXPECT_EQ(FieldAt(s.value, 0), MQET_MQSC);

  SetField(buffer.data() + MQCFH_STRUC_LENGTH, offsetof(MQCFST, StringLength), 6);
  ASSERT_EQ(ReadPcfStructure(first, left, &s), PcfFault::kNone);
  EXPECT_FALSE(s.value_fits) << "one byte past the structure";
}

}  // namespace
