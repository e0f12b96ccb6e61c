#include "flipta/mirror.h"

#include <gtest/gtest.h>

#include <random>

#include "tools/sample_animation.h"

namespace qmx {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(MirrorTest, MirrorAngle) {
  const std::pair<int16_t, int16_t> cases[] = {
      {0, -1024},    {256, -1280},    {1023, -2047},  {1024, 0},  {1100, 76},
      {2047, 1023},  {-100, -924},    {-512, -512},   {-1024, 0}, {-2047, 1023},
      {-2048, 1024}, {-32768, 31744}, {32767, 31743},
  };
  for (const auto& [v, mirrored] : cases)
    EXPECT_EQ(MirrorAngle(v), mirrored) << v;
  for (int v = -2047; v <= 1023; ++v)
    ASSERT_EQ(MirrorAngle(MirrorAngle(static_cast<int16_t>(v))), v);
}

// A player keyframe with box X -120..340, root X 75 and mesh m's rotation
// (-5000 - m, 64m - 300, 1030 + 50m), angles mirrored by `mirror` and the
// rotations of mesh m from mesh `source[m]`.
Bytes Keyframe(int16_t (*mirror)(int16_t), const int (&source)[15]) {
  Bytes bytes(kPlayerStride, 0x5A);
  const auto put = [&](int64_t pos, int value) {
    sample::PutU16(bytes, pos, static_cast<uint16_t>(value));
  };
  const bool mirrored = mirror != nullptr;
  put(kMinXOffset, mirrored ? -340 : -120);
  put(kMaxXOffset, mirrored ? 120 : 340);
  put(kRootXOffset, mirrored ? -75 : 75);
  const auto angle = [&](int v) { return mirrored ? mirror(int16_t(v)) : v; };
  for (int m = 0; m < 15; ++m) {
    put(MeshAngleOffset(m, 0), -5000 - source[m]);
    put(MeshAngleOffset(m, 2), angle(64 * source[m] - 300));
    put(MeshAngleOffset(m, 4), angle(1030 + 50 * source[m]));
  }
  return bytes;
}

// Box and root offset reflected, Y and Z angles mirrored, and the mirror
// pairs' rotations exchanged: mesh 1's place holds mesh 4's rotation
// (-5004, -980, 206), low byte first.
TEST(MirrorTest, KeyframeBytes) {
  constexpr int kSame[15] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  constexpr int kPairs[15] = {0, 4, 5, 6, 1, 2, 3, 7, 11, 12, 13, 8, 9, 10, 14};
  Bytes keyframe = Keyframe(nullptr, kSame);
  MirrorWholeKeyframes(keyframe.data(), 1);
  EXPECT_EQ(Bytes(keyframe.begin(), keyframe.begin() + 4),
            (Bytes{0xAC, 0xFE, 0x78, 0x00}));  // -340, 120
  EXPECT_EQ(Bytes(keyframe.begin() + 26, keyframe.begin() + 32),
            (Bytes{0x74, 0xEC, 0x2C, 0xFC, 0xCE, 0x00}));
  EXPECT_EQ(keyframe, Keyframe(MirrorAngle, kPairs));
}

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
