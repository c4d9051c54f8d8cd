// Filling IBM MQ's fixed-length fields and reading names and texts back.
#include "pcf/mq_field.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr size_t kWidth = 48;

std::string Bytes(const char* field, size_t length) {
  return std::string(field, length);
}

TEST(MqField, FillingCutsToTheFieldAndPadsWithNulsOrBlanks) {
  char field[8];
  FillNulPadded(field, sizeof field, "QM1");
  EXPECT_EQ(Bytes(field, sizeof field), std::string("QM1\0\0\0\0\0", 8));
  FillNulPadded(field, sizeof field, std::string("ABCDEFGHIJ"));
  EXPECT_EQ(Bytes(field, sizeof field), "ABCDEFGH");
  FillBlankPadded(field, sizeof field, "QM1");
  EXPECT_EQ(Bytes(field, sizeof field), "QM1     ");
  FillBlankPadded(field, sizeof field, "");
  EXPECT_EQ(Bytes(field, sizeof field), "        ");
  FillBlankPadded(field, sizeof field, "ABCDEFGHIJ");
  EXPECT_EQ(Bytes(field, sizeof field), "ABCDEFGH");
}

TEST(MqField, FillingFromAnUnterminatedFieldReadsNoFurtherThanTheField) {
  char source[4] = {'A', 'B', 'C', 'D'};  // no NUL: a field of IBM MQ's own
  char field[4];
  FillNulPadded(field, sizeof field, static_cast<const char*>(source));
  EXPECT_EQ(Bytes(field, sizeof field), "ABCD");
}

TEST(MqField, ANameEndsAtItsFirstBlankOrNulATextAtItsFirstNul) {
  const char blank_padded[12] = {'M', 'Y', ' ', 'Q', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  EXPECT_EQ(NameInField(blank_padded, sizeof blank_padded), "MY");
  EXPECT_EQ(TextInField(blank_padded, sizeof blank_padded), "MY Q");
  const char nul_ended[6] = {'A', 'B', '\0', 'C', ' ', ' '};
  EXPECT_EQ(NameInField(nul_ended, sizeof nul_ended), "AB");
  EXPECT_EQ(TextInField(nul_ended, sizeof nul_ended), "AB");
  const char full[4] = {'W', 'X', 'Y', 'Z'};
  EXPECT_EQ(NameInField(full, sizeof full), "WXYZ");
  EXPECT_EQ(TextInField(full, sizeof full), "WXYZ");
  const char empty[4] = {' ', 'X', ' ', ' '};
  EXPECT_EQ(FieldNameLength(empty, sizeof empty), 0u);
  EXPECT_EQ(FieldNameLength("\0X", 2), 0u);
  EXPECT_EQ(TrimTrailingBlanks("   "), "");
  EXPECT_EQ(TrimTrailingBlanks(" A B  "), " A B");
}

TEST(MqField, TerminatedCopiesStopAtTheirWidth) {
  char field[kWidth + 1];
  CopyTerminated(field, kWidth, "A234567890123456789012345678901234567890123456789012345678");
  EXPECT_EQ(strlen(field), 48u);
  CopyNameTerminated(field, kWidth, "QM1     ");
  EXPECT_STREQ(field, "QM1");
  char padded[48];
  memset(padded, 'X', sizeof padded);
  CopyNameTerminated(field, kWidth, padded);
  EXPECT_EQ(strlen(field), 48u);
}

}  // namespace
