// Reading frames of the stand-in's wire protocol: a field that runs past the
// end of the payload fails, and the reader stays failed.
#include "protocol/frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mqemu {
namespace {

TEST(FrameReader, FieldsPastTheEndFailAndStayFailed) {
  FrameWriter w(Kind::kPut);
  w.I32(7);
  w.Blob("abc");
  std::string frame = w.Finish();
  std::vector<uint8_t> payload(frame.begin() + 8, frame.end());
  FrameReader r(payload);
  int32_t v = 0;
  std::string s;
  ASSERT_TRUE(r.I32(&v));
  EXPECT_EQ(v, 7);
  ASSERT_TRUE(r.Blob(&s));
  EXPECT_EQ(s, "abc");
  EXPECT_FALSE(r.I32(&v));
  EXPECT_FALSE(r.ok());
  std::vector<uint8_t> lying = {0xff, 0xff, 0xff, 0x00, 'a'};
  FrameReader l(lying);
  EXPECT_FALSE(l.Blob(&s));
  EXPECT_FALSE(l.I32(&v));
}

}  // namespace
}  // namespace mqemu
