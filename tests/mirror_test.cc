#include "flipta/mirror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "common/working_copy.h"

namespace qmx {
namespace {

using Bytes = std::vector<uint8_t>;

// Little-endian words, written here independently of the field access.
void Put16(Bytes& bytes, size_t pos, int value) {
  bytes[pos] = static_cast<uint8_t>(value & 0xFF);
  bytes[pos + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

int16_t Get16(const Bytes& bytes, size_t pos) {
  return static_cast<int16_t>(bytes[pos] | bytes[pos + 1] << 8);
}

struct Rotation {
  int16_t x = 0;
  int16_t y = 0;
  int16_t z = 0;
  bool operator==(const Rotation&) const = default;
};

struct Keyframe {
  std::array<int16_t, 6> box{};  // min X, max X, min Y, max Y, min Z, max Z
  std::array<int16_t, 3> root{};
  uint16_t mesh_count = 15;
  std::array<Rotation, 15> meshes{};
  bool operator==(const Keyframe&) const = default;
};

constexpr size_t kStride = 110;

void PutKeyframe(Bytes& bytes, size_t at, const Keyframe& kf) {
  for (size_t i = 0; i < 6; ++i) Put16(bytes, at + 2 * i, kf.box[i]);
  for (size_t i = 0; i < 3; ++i) Put16(bytes, at + 12 + 2 * i, kf.root[i]);
  Put16(bytes, at + 18, kf.mesh_count);
  for (size_t m = 0; m < 15; ++m) {
    Put16(bytes, at + 20 + 6 * m, kf.meshes[m].x);
    Put16(bytes, at + 22 + 6 * m, kf.meshes[m].y);
    Put16(bytes, at + 24 + 6 * m, kf.meshes[m].z);
  }
}

Keyframe GetKeyframe(const Bytes& bytes, size_t at) {
  Keyframe kf;
  for (size_t i = 0; i < 6; ++i) kf.box[i] = Get16(bytes, at + 2 * i);
  for (size_t i = 0; i < 3; ++i) kf.root[i] = Get16(bytes, at + 12 + 2 * i);
  kf.mesh_count = static_cast<uint16_t>(Get16(bytes, at + 18));
  for (size_t m = 0; m < 15; ++m) {
    kf.meshes[m] = {Get16(bytes, at + 20 + 6 * m),
                    Get16(bytes, at + 22 + 6 * m),
                    Get16(bytes, at + 24 + 6 * m)};
  }
  return kf;
}

struct Animation {
  uint16_t header_record_count = 2;  // T = 16, first keyframe at 82
  std::vector<Keyframe> keyframes;
  Bytes trailing;

  size_t KeyframeAt(size_t k) const {
    return header_record_count * 8u + 66 + k * kStride;
  }
};

// A header of patterned bytes around the two counts, so that any stray
// write into it shows.
Bytes Encode(const Animation& animation) {
  Bytes bytes(animation.KeyframeAt(animation.keyframes.size()));
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  }
  Put16(bytes, 52, animation.header_record_count);
  Put16(bytes, animation.header_record_count * 8u + 62,
        static_cast<int>(animation.keyframes.size()));
  for (size_t k = 0; k < animation.keyframes.size(); ++k) {
    PutKeyframe(bytes, animation.KeyframeAt(k), animation.keyframes[k]);
  }
  bytes.insert(bytes.end(), animation.trailing.begin(),
               animation.trailing.end());
  return bytes;
}

// The file as Flipta leaves it, and what the edit reported.
Bytes Mirrored(Bytes bytes, EditReport* report = nullptr) {
  MemoryStore store(bytes);
  const EditReport edited = MirrorAnimation(store, *ReadKeyframeArea(store));
  if (report != nullptr) *report = edited;
  return bytes;
}

Keyframe SampleKeyframe() {
  Keyframe kf;
  kf.box = {-120, 340, -7, 900, -33, 44};
  kf.root = {75, 512, -256};
  for (int m = 0; m < 15; ++m) {
    kf.meshes[m] = {static_cast<int16_t>(-5000 - m),
                    static_cast<int16_t>(64 * m - 300),
                    static_cast<int16_t>(1030 + 50 * m)};
  }
  return kf;
}

// The rotations of SampleKeyframe with their Y and Z angles mirrored, before
// any exchange.
constexpr std::array<Rotation, 15> kMirroredInPlace = {{
    {-5000, -724, 6},
    {-5001, -788, 56},
    {-5002, -852, 106},
    {-5003, -916, 156},
    {-5004, -980, 206},
    {-5005, -1044, 256},
    {-5006, -1108, 306},
    {-5007, -1172, 356},
    {-5008, -1236, 406},
    {-5009, -1300, 456},
    {-5010, -1364, 506},
    {-5011, -1428, 556},
    {-5012, -1492, 606},
    {-5013, -1556, 656},
    {-5014, -1620, 706},
}};

// The mesh whose rotation ends up in each place.
constexpr std::array<size_t, 15> kSourceOf = {0,  4,  5,  6, 1, 2,  3, 7,
                                              11, 12, 13, 8, 9, 10, 14};

// SampleKeyframe after a complete mirror.
Keyframe MirroredSample() {
  Keyframe kf = SampleKeyframe();
  kf.box[0] = -340;
  kf.box[1] = 120;
  kf.root[0] = -75;
  for (size_t p = 0; p < 15; ++p) kf.meshes[p] = kMirroredInPlace[kSourceOf[p]];
  return kf;
}

TEST(MirrorAngleTest, MapsWorkedValues) {
  const struct {
    int16_t v;
    int16_t expected;
  } kCases[] = {
      {0, -1024},     {256, -1280},    {1023, -2047}, {1024, 0},  {1100, 76},
      {2047, 1023},   {-100, -924},    {-512, -512},  {-1024, 0}, {-2047, 1023},
      {-2048, 1024},  {-32768, 31744},  // -1024 - v just fits, no wrap
      {32767, 31743},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.v);
    EXPECT_EQ(MirrorAngle(c.v), c.expected);
  }
}

TEST(MirrorAngleTest, IsItsOwnInverseFromMinus2047To1023) {
  for (int v = -2047; v <= 1023; ++v) {
    ASSERT_EQ(MirrorAngle(MirrorAngle(static_cast<int16_t>(v))), v);
  }
}

TEST(MirrorAnimationTest, ReflectsBoundingBoxAndRootOffsetX) {
  const struct {
    int16_t min_x, max_x, root_x;
    int16_t expected_min_x, expected_max_x, expected_root_x;
  } kCases[] = {
      {-120, 340, 75, -340, 120, -75},
      {-32768, 5, -32768, -5, -32768, -32768},
      {-9, -9, 0, 9, 9, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.min_x);
    Animation animation;
    animation.keyframes = {SampleKeyframe()};
    animation.keyframes[0].box[0] = c.min_x;
    animation.keyframes[0].box[1] = c.max_x;
    animation.keyframes[0].root[0] = c.root_x;
    const Keyframe kf = GetKeyframe(Mirrored(Encode(animation)), 82);
    EXPECT_EQ(kf.box[0], c.expected_min_x);
    EXPECT_EQ(kf.box[1], c.expected_max_x);
    EXPECT_EQ(kf.root[0], c.expected_root_x);
  }
}

TEST(MirrorAnimationTest, StoresTheSampleKeyframeAsExpectedBytes) {
  Animation animation;
  animation.keyframes = {SampleKeyframe()};
  const Bytes out = Mirrored(Encode(animation));

  // Box X -340, 120 and root X -75, low byte first.
  EXPECT_EQ(Bytes(out.begin() + 82, out.begin() + 86),
            (Bytes{0xAC, 0xFE, 0x78, 0x00}));
  EXPECT_EQ(Bytes(out.begin() + 94, out.begin() + 96), (Bytes{0xB5, 0xFF}));
  // Mesh 1's place holds mesh 4's rotation: -5004, -980, 206.
  EXPECT_EQ(Bytes(out.begin() + 108, out.begin() + 114),
            (Bytes{0x74, 0xEC, 0x2C, 0xFC, 0xCE, 0x00}));

  const Keyframe kf = GetKeyframe(out, 82);
  EXPECT_EQ(kf, MirroredSample());
  for (size_t p = 0; p < 15; ++p) {
    SCOPED_TRACE(p);
    EXPECT_EQ(kf.meshes[p], kMirroredInPlace[kSourceOf[p]]);
  }
  EXPECT_EQ(kf.meshes[4], (Rotation{-5001, -788, 56}));
  for (const size_t kept : {0, 7, 14}) {
    EXPECT_EQ(kf.meshes[kept], kMirroredInPlace[kept]);
  }
}

// Several files with random headers, keyframes and trailing bytes. The later
// keyframes store mesh counts other than 15, which must not change where
// they are found.
TEST(MirrorAnimationTest, GeneratedFilesKeepOtherFieldsAndMirrorBack) {
  std::mt19937 rng(20240611);
  auto any = [&rng](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
  };
  for (int file = 0; file < 25; ++file) {
    SCOPED_TRACE(file);
    Animation animation;
    animation.header_record_count = static_cast<uint16_t>(any(0, 6));
    animation.keyframes.resize(static_cast<size_t>(any(1, 7)));
    for (size_t k = 0; k < animation.keyframes.size(); ++k) {
      Keyframe& kf = animation.keyframes[k];
      for (int16_t& word : kf.box)
        word = static_cast<int16_t>(any(-32768, 32767));
      for (int16_t& word : kf.root)
        word = static_cast<int16_t>(any(-32768, 32767));
      kf.mesh_count = k == 0 ? 15 : static_cast<uint16_t>(any(0, 65535));
      for (Rotation& r : kf.meshes) {
        r = {static_cast<int16_t>(any(-32768, 32767)),
             static_cast<int16_t>(any(-2047, 1023)),
             static_cast<int16_t>(any(-2047, 1023))};
      }
    }
    animation.trailing.resize(static_cast<size_t>(any(0, 40)));
    for (uint8_t& byte : animation.trailing) {
      byte = static_cast<uint8_t>(any(0, 255));
    }

    const Bytes original = Encode(animation);
    const Bytes once = Mirrored(original);
    ASSERT_EQ(once.size(), original.size());
    EXPECT_NE(once, original);
    EXPECT_EQ(Mirrored(once), original);

    const size_t header_end = animation.KeyframeAt(0);
    const size_t area_end = animation.KeyframeAt(animation.keyframes.size());
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + header_end,
                           once.begin()));
    EXPECT_TRUE(std::equal(original.begin() + area_end, original.end(),
                           once.begin() + area_end));
    for (size_t k = 0; k < animation.keyframes.size(); ++k) {
      const Keyframe& before = animation.keyframes[k];
      const Keyframe after = GetKeyframe(once, animation.KeyframeAt(k));
      for (size_t i = 2; i < 6; ++i) EXPECT_EQ(after.box[i], before.box[i]);
      EXPECT_EQ(after.root[1], before.root[1]);
      EXPECT_EQ(after.root[2], before.root[2]);
      EXPECT_EQ(after.mesh_count, before.mesh_count);
      for (size_t p = 0; p < 15; ++p) {
        EXPECT_EQ(after.meshes[p].x, before.meshes[kSourceOf[p]].x);
      }
    }
  }
}

TEST(MirrorAnimationTest, KeyframeCountZeroChangesNothing) {
  Animation animation;
  // The first mesh count lies in what is trailing data here.
  animation.trailing = Bytes(30, 0x5A);
  Put16(animation.trailing, 18, 15);
  const Bytes original = Encode(animation);

  EditReport report;
  EXPECT_EQ(Mirrored(original, &report), original);
  EXPECT_FALSE(report.ended_early);
}

// Two sample keyframes, the file cut inside the second one (at 192). The
// first is mirrored completely; the second up to the first access that
// does not fit. A cut anywhere inside a keyframe stops the edit before the
// exchange, whose words are all read while the angles are mirrored.
TEST(MirrorAnimationTest, ShortFileIsEditedUpToTheFailedAccess) {
  const struct {
    size_t length;      // bytes of the second keyframe left in the file
    bool box;           // box X reflected
    bool root;          // root offset X negated
    size_t y_mirrored;  // meshes 0 .. n-1 have their Y angle mirrored
    size_t z_mirrored;
  } kCases[] = {
      {0, false, false, 0, 0},
      {1, false, false, 0, 0},
      {3, false, false, 0, 0},  // max X cannot be read: min X stays too
      {13, true, false, 0, 0},  // root offset X cut in half
      {14, true, true, 0, 0},
      {25, true, true, 1, 0},     // mesh 0's Z angle cut in half
      {52, true, true, 5, 5},     // ends before mesh 5's Y angle
      {109, true, true, 15, 14},  // one byte short of the keyframe's end
  };
  Animation animation;
  animation.keyframes = {SampleKeyframe(), SampleKeyframe()};
  const Bytes original = Encode(animation);
  const size_t second = animation.KeyframeAt(1);

  for (const auto& c : kCases) {
    SCOPED_TRACE(c.length);
    const Bytes cut(original.begin(), original.begin() + second + c.length);
    EditReport report;
    const Bytes mirrored = Mirrored(cut, &report);
    EXPECT_TRUE(report.ended_early);

    Keyframe expected = SampleKeyframe();
    if (c.box) expected.box = MirroredSample().box;
    if (c.root) expected.root = MirroredSample().root;
    for (size_t m = 0; m < c.y_mirrored; ++m) {
      expected.meshes[m].y = kMirroredInPlace[m].y;
    }
    for (size_t m = 0; m < c.z_mirrored; ++m) {
      expected.meshes[m].z = kMirroredInPlace[m].z;
    }
    Animation expected_animation = animation;
    expected_animation.keyframes = {MirroredSample(), expected};
    Bytes expected_bytes = Encode(expected_animation);
    expected_bytes.resize(cut.size());
    EXPECT_EQ(mirrored, expected_bytes);
  }
}

TEST(IsPlayerObjectTest, AcceptsExactlyFifteenMeshes) {
  const struct {
    const char* name;
    int mesh_count;
    size_t length;  // of the file; 0 keeps the whole first keyframe
    bool expected;
  } kCases[] = {
      {"14 meshes", 14, 0, false},
      {"15 meshes", 15, 0, true},
      {"16 meshes", 16, 0, false},
      {"low byte 15, high byte 1", 15 + 256, 0, false},
      {"ends after the mesh count", 15, 102, true},
      {"ends inside the mesh count", 15, 101, false},
      {"ends inside the keyframe count", 15, 79, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Animation animation;
    animation.keyframes = {SampleKeyframe()};
    Bytes bytes = Encode(animation);
    Put16(bytes, 82 + 18, c.mesh_count);
    if (c.length != 0) bytes.resize(c.length);
    MemoryStore store(bytes);
    EXPECT_EQ(IsPlayerObject(*ReadKeyframeArea(store)), c.expected);
  }
}

// Whole keyframes take a faster way than the keyframe that crosses the end
// of a file; both must leave the same bytes, whatever the keyframe holds.
TEST(MirrorAnimationTest, WholeAndCheckedKeyframesAgree) {
  std::mt19937 random(5);
  Bytes whole(30 * kStride);
  for (uint8_t& byte : whole) byte = static_cast<uint8_t>(random());
  Bytes checked = whole;
  MirrorWholeKeyframes(whole.data(), 30);
  CheckedFields fields(checked);
  for (int64_t k = 0; k < 30; ++k) {
    MirrorCheckedKeyframe(fields, k * static_cast<int64_t>(kStride));
  }
  EXPECT_FALSE(fields.failed());
  EXPECT_EQ(whole, checked);
}

}  // namespace
}  // namespace qmx
