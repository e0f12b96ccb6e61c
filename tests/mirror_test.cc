#include "flipta/mirror.h"

#include <gtest/gtest.h>

#include <random>

namespace qmx {
namespace {

using Bytes = std::vector<uint8_t>;

// Whole keyframes take a faster way than one that crosses the end of the
// file; both must leave the same bytes, whatever the keyframe holds.
TEST(MirrorTest, WholeAndCheckedKeyframesAgree) {
  std::mt19937 random(5);
  Bytes whole(30 * kPlayerStride);
  for (uint8_t& byte : whole) byte = static_cast<uint8_t>(random());
  Bytes checked = whole;
  MirrorWholeKeyframes(whole.data(), 30);
  CheckedFields fields(checked);
  for (int64_t k = 0; k < 30; ++k)
    MirrorCheckedKeyframe(fields, k * kPlayerStride);
  EXPECT_FALSE(fields.failed());
  EXPECT_EQ(whole, checked);
}

}  // namespace
}  // namespace qmx
