#include "gyrel/rotation.h"

#include <gtest/gtest.h>

namespace qmx {
namespace {

TEST(RotationTest, NormaliseAngle) {
  // clang-format off
  const std::pair<int16_t, int> cases[] = {{90, 90}, {-90, 270}, {-450, 270}, {360, 0},
      {-360, 0}, {0, 0}, {32767, 7}, {-32768, 352}, {-1, 359}};
  // clang-format on
  for (const auto& [entered, normalised] : cases)
    EXPECT_EQ(NormaliseAngle(entered), normalised) << entered;
}

TEST(RotationTest, TurnRootAndBox) {
  // The worked example: side distances 100, 60, 60, 70.
  constexpr RootAndBox kExample = {40, -20, -60, 100, -80, 50};
  const struct {
    const char* what;
    int angle;
    RootAndBox before, after;
    bool clamped;
  } kCases[] = {
      // clang-format off
      // {root X, root Z, min X, max X, min Z, max Z}
      {"example", 1, kExample, {40, -21, -60, 100, -81, 49}, false},
      {"example", 30, kExample, {25, -37, -65, 88, -97, 41}, false},
      {"example", 45, kExample, {14, -42, -66, 79, -102, 43}, false},
      {"example", 286, kExample, {30, 33, -42, 90, -64, 94}, false},
      {"example", 359, kExample, {40, -19, -60, 100, -79, 51}, false},
      {"+X turns to -Z", 90, {100, 0, 100, 100, 0, 0}, {0, -100, 0, 0, -100, -100}, false},
      {"+Z turns to +X", 90, {0, 100, 0, 0, 100, 100}, {100, 0, 100, 100, 0, 0}, false},
      {"45 degrees", 45, {100, 0, 100, 100, 0, 0}, {71, -71, 71, 71, -71, -71}, false},
      // c and s differ in their last bits: Z is a tiny negative number.
      {"tiny negative", 45, {1, 1, 1, 1, 1, 1}, {1, 0, 1, 1, 0, 0}, false},
      // Side distances 10, 20, 30, 40 become 13, 23, 33, 32; the exact
      // weight 0.25 would give 33 for max Z.
      {"blend at 30", 30, {0, 0, -10, 30, -20, 40}, {0, 0, -13, 33, -23, 32}, false},
      {"far side", 0, {0, 0, 20, 30, -5, 5}, {0, 0, -20, 30, -5, 5}, false},
      // The exact value of pi, or a double theta, c or s, gives root Z 5039.
      {"root precision", 300, {5818, 0, 5818, 5818, 0, 0}, {2909, 5038, 2909, 2909, 5038, 5038}, false},
      // Pi as the double 3.1416, or a double theta, gives root Z -1642.
      {"pi from single", 10, {9453, 0, 9453, 9453, 0, 0}, {9309, -1641, 9309, 9309, -1641, -1641}, false},
      // The exact value of pi, a double theta or w, a blend in single
      // precision or the exact weight each change one of these sides.
      {"blend precision", 10, {0, 0, -28370, 1741, -713, 0}, {0, 0, -27536, 1688, -744, 855}, false},
      // Root X is exactly -702.5: half to even or floor(v + 0.5) give -702.
      {"exact half", 30, {-1504, 1200, -1504, -1504, 1200, 1200}, {-703, 1791, -703, -703, 1791, 1791}, false},
      {"distance 65535", 0, {32767, 0, -32768, 32767, 0, 0}, {32767, 0, -32768, 32767, 0, 0}, false},
      {"box side clamped", 180, {32767, 0, -32768, 32767, 0, 0}, {-32767, 0, -32767, 32767, 0, 0}, true},
      {"root clamped", 180, {-32768, 0, -32768, -32768, 0, 0}, {32767, 0, 32767, 32767, 0, 0}, true},
      // Root X 46340 is clamped when stored, but min X is built from it
      // unclamped: 46340 - 32767.
      {"root and box clamped", 45, {32767, 32767, 0, 32767, 0, 32767}, {32767, 0, 13573, 32767, -16383, 16384}, true},
      // clang-format on
  };
  for (const auto& c : kCases) {
    const TurnResult result = TurnRootAndBox(MakeRotation(c.angle), c.before);
    EXPECT_EQ(result.turned, c.after) << c.what << " " << c.angle;
    EXPECT_EQ(result.clamped, c.clamped) << c.what << " " << c.angle;
  }
}

TEST(RotationTest, AdvanceYAngle) {
  // clang-format off
  const struct { int angle; int16_t before, after; } kCases[] = {
      // The worked example.
      {0, 1000, 1000}, {1, 1000, 1003}, {30, 1000, 61}, {45, 1000, 104}, {90, 1000, 232},
      {180, 1000, 488}, {270, 1000, 744}, {286, 1000, 789}, {359, 1000, 997},
      // The single-precision factor: 1024/360 would give 814 and 942.
      {286, 0, 813}, {331, 0, 941}, {1, 0, 3}, {359, 0, 1021}, {270, 0, 768},
      {90, 768, 1024},  // exactly 1024 stays
      {90, -256, 0}, {90, 3000, 2232},   // one correction only
      {0, 1025, 1}, {90, -300, 980},
      {90, 32767, -31489},  // the sum wraps to -32513 first
  };
  // clang-format on
  for (const auto& c : kCases) {
    EXPECT_EQ(AdvanceYAngle(MakeRotation(c.angle), c.before), c.after)
        << c.angle << " " << c.before;
  }
}

}  // namespace
}  // namespace qmx
