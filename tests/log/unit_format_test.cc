// FormatBytes and FormatMinutes: the documented examples, signs and limits.
#include "log/unit_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

std::string Bytes(int64_t value) {
  char buffer[kUnitTextSize];
  const int length = FormatBytes(value, buffer);
  EXPECT_EQ(length, static_cast<int>(std::string(buffer).size()));
  return buffer;
}

std::string Minutes(int64_t value) {
  char buffer[kUnitTextSize];
  const int length = FormatMinutes(value, buffer);
  EXPECT_EQ(length, static_cast<int>(std::string(buffer).size()));
  return buffer;
}

TEST(FormatBytesTest, LargestFittingUnitWithoutTrailingZeros) {
  EXPECT_EQ(Bytes(0), "0 B");
  EXPECT_EQ(Bytes(512), "512 B");
  EXPECT_EQ(Bytes(1024), "1 KB");
  EXPECT_EQ(Bytes(1536), "1.5 KB");
  EXPECT_EQ(Bytes(1000000), "976.56 KB");
  EXPECT_EQ(Bytes(1048576), "1 MB");
  EXPECT_EQ(Bytes(123456789), "117.74 MB");
  EXPECT_EQ(Bytes(1073741823), "1024 MB");
  EXPECT_EQ(Bytes(5000000000), "4.66 GB");
  EXPECT_EQ(Bytes(1100), "1.07 KB");
}

TEST(FormatBytesTest, NegativeValuesAndExtremes) {
  EXPECT_EQ(Bytes(-1536), "- 1.5 KB");
  EXPECT_EQ(Bytes(std::numeric_limits<int64_t>::max()), "8589934592 GB");
  EXPECT_EQ(Bytes(std::numeric_limits<int64_t>::min()), "- 8589934592 GB");
}

TEST(FormatMinutesTest, WholeUnitsAndQuarterHourFractions) {
  EXPECT_EQ(Minutes(0), "0 Mins");
  EXPECT_EQ(Minutes(1), "1 Min");
  EXPECT_EQ(Minutes(15), "15 Mins");
  EXPECT_EQ(Minutes(60), "1 Hr");
  EXPECT_EQ(Minutes(65), "1 Hr 5 Mins");
  EXPECT_EQ(Minutes(90), "1.5 Hrs");
  EXPECT_EQ(Minutes(135), "2.25 Hrs");
  EXPECT_EQ(Minutes(145), "2 Hrs 25 Mins");
  EXPECT_EQ(Minutes(1500), "1 Dy 1 Hr");
  EXPECT_EQ(Minutes(1530), "1 Dy 1.5 Hrs");
  EXPECT_EQ(Minutes(20160), "2 Wks");
  EXPECT_EQ(Minutes(10080 + 1440 + 1), "1 Wk 1 Dy 1 Min");
  EXPECT_EQ(Minutes(2880 + 30), "2 Dys 30 Mins");
}

TEST(FormatMinutesTest, NegativeValuesAndExtremes) {
  EXPECT_EQ(Minutes(-90), "- 1.5 Hrs");
  EXPECT_EQ(Minutes(std::numeric_limits<int64_t>::min()),
            "- 915017067148291 Wks 1 Dy 18 Hrs 8 Mins");
}

}  // namespace
