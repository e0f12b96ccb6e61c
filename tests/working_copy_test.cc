#include "common/working_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tools/sample_animation.h"

namespace qmx {
namespace {

using Bytes = std::vector<uint8_t>;

// An access outside the bytes (here positions 10 to 13) fails, and from
// then on even those that fit do nothing. Every edit's values pass through
// the accesses that fit, so the transcripts pin those.
TEST(CheckedFieldsTest, AnAccessOutsideFailsForGood) {
  // clang-format off
  const std::pair<const char*, void (*)(CheckedFields&)> cases[] = {
      {"word on the last byte", [](CheckedFields& f) { f.ReadU16(13); }},
      {"word after the end",    [](CheckedFields& f) { f.ReadU16(14); }},
      {"before the first byte", [](CheckedFields& f) { f.ReadU16(9); }},
      {"byte after the end",    [](CheckedFields& f) { f.ReadU8(14); }},
      {"write on the last byte", [](CheckedFields& f) { f.WriteU16(13, 1); }},
      {"24 bits over the end",  [](CheckedFields& f) { f.WriteU24(12, 1); }},
      {"beyond 2^32", [](CheckedFields& f) { f.ReadU16(int64_t{1} << 40); }}};
  // clang-format on
  for (const auto& [what, access] : cases) {
    Bytes four = {1, 2, 3, 4};
    CheckedFields outside(four, 10);
    access(outside);
    EXPECT_TRUE(outside.failed()) << what;
    EXPECT_EQ(outside.ReadU16(10), 0) << what;
    outside.WriteU16(10, 0xFFFF);
    EXPECT_EQ(four, (Bytes{1, 2, 3, 4})) << what;
  }
}

// An edit whose result depends on the order of its accesses and of the
// keyframes, so that overlapping keyframes show any change of order.
constexpr int64_t kReach = 18;
const auto kOrderedEdit = [](auto& keyframe) {
  const uint16_t first = keyframe.ReadU16(0);
  const uint16_t last = keyframe.ReadU16(kReach - 2);
  keyframe.WriteU16(0, static_cast<uint16_t>(first * 3 + last + 1));
  keyframe.WriteU16(kReach - 2, static_cast<uint16_t>(last ^ 0x5A5A));
  keyframe.WriteU16(8, static_cast<uint16_t>(keyframe.ReadU16(8) + first));
  return !keyframe.failed() && first % 7 == 0;
};

// The plain walk that checks every access: what the pieces and the split
// into whole and crossing keyframes must reproduce.
WalkResult CheckedWalk(Bytes& bytes, int64_t stride) {
  MemoryStore store(bytes);
  const KeyframeArea area = *ReadKeyframeArea(store);
  if (!area.complete) return {.ended_early = area.EndedEarly()};
  CheckedFields fields(bytes);
  WalkResult result;
  for (int64_t k = 0; k < area.keyframe_count && !fields.failed(); ++k) {
    CheckedKeyframe keyframe(fields, KeyframePosition(16, uint16_t(stride), k));
    result.noted |= kOrderedEdit(keyframe);
  }
  result.ended_early = fields.failed();
  return result;
}

// Edits in pieces, over whole files and files cut inside the
// last keyframe, the first keyframe and the header.
TEST(EditKeyframesTest, MatchesAWalkThatChecksEveryAccess) {
  const struct {
    const char* what;
    uint16_t keyframes, meshes;  // the meshes give the stride
    int64_t trailing;
  } cases[] = {
      {"one piece", 50, 15, 7},
      {"several pieces", 6000, 15, 0},
      {"many pieces, trailing data", 20000, 15, 3},
      {"keyframes overlap: stride 4", 9000, 10920, 0},
      {"all keyframes in one place: stride 0", 700, 21842, 0},
      {"keyframes far apart: stride 65534", 9, 10919, 0},
      {"no keyframes", 0, 15, 40},
  };
  std::mt19937 random(11);
  for (const auto& c : cases) {
    const uint16_t stride = KeyframeStride(c.meshes);
    Bytes file(
        size_t(std::max(KeyframePosition(16, stride, c.keyframes) + kReach,
                        16 + kFirstMeshCountOffset + 2) +
               c.trailing));
    for (uint8_t& byte : file) byte = uint8_t(random());
    sample::PutU16(file, kHeaderRecordCountOffset, 2);
    sample::PutU16(file, 16 + kKeyframeCountOffset, c.keyframes);
    sample::PutU16(file, 16 + kFirstMeshCountOffset, c.meshes);
    std::vector<int64_t> lengths = {int64_t(file.size()), 70};
    if (c.keyframes > 0) {
      lengths.push_back(KeyframePosition(16, stride, c.keyframes - 1) + 9);
      lengths.push_back(16 + 66 + 9);
    }
    for (const int64_t length : lengths) {
      SCOPED_TRACE(std::string(c.what) + ", length " + std::to_string(length));
      Bytes expected(file.begin(), file.begin() + length);
      const WalkResult reference = CheckedWalk(expected, stride);
      Bytes edited(file.begin(), file.begin() + length);
      MemoryStore store(edited);
      const WalkResult walk = EditEachKeyframe(store, *ReadKeyframeArea(store),
                                               stride, kReach, kOrderedEdit);
      EXPECT_EQ(edited, expected);
      EXPECT_TRUE(walk.stored);
      EXPECT_EQ(walk.ended_early, reference.ended_early);
      EXPECT_EQ(walk.noted, reference.noted);
    }
  }
}

}  // namespace
}  // namespace qmx
