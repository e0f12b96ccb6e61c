// The edits' own rules on a keyframe or a header in memory.

#include <gtest/gtest.h>

#include "flipta/mirror.h"
#include "shovan/reposition.h"
#include "snipla/truncation.h"
#include "tools/sample_animation.h"

namespace qmx {
namespace {

using Bytes = std::vector<uint8_t>;

// The nine moved words of a keyframe, in file order: min X, max X, min Y,
// max Y, min Z, max Z, root X, Y, Z.
using Words = std::array<int16_t, 9>;

Bytes KeyframeOf(const Words& words) {
  Bytes bytes(KeyframeMove::kReach);
  for (size_t i = 0; i < words.size(); ++i)
    sample::PutU16(bytes, int64_t(2 * i), uint16_t(words[i]));
  return bytes;
}

// Sums wrap at 16 bits and say so; a keyframe that crosses the end of the
// file is moved word by word in axis order (min, max, root of X, then Y,
// then Z) up to its first missing word.
TEST(KeyframeMoveTest, AddsEachOffsetToItsAxis) {
  const Words kBefore = {-10, 10, -20, 20, -30, 30, 1, 2, 3};
  // clang-format off
  const struct { const char* what; Offsets offsets; size_t length; Words after; bool wrapped; } kCases[] = {
      {"each axis its own", {5, -5, 100}, 18, {-5, 15, -25, 15, 70, 130, 6, -3, 103}, false},
      {"past the top", {32767, 0, 0}, 18, {32757, -32759, -20, 20, -30, 30, -32768, 2, 3}, true},
      {"past the bottom", {0, 0, -32768}, 18, {-10, 10, -20, 20, 32738, -32738, 1, 2, -32765}, true},
      {"root X missing", {1, 1, 1}, 13, {-9, 11, -20, 20, -30, 30, 1, 2, 3}, false},
      {"root Z missing", {1, 1, 1}, 17, {-9, 11, -19, 21, -29, 31, 2, 3, 3}, false},
  };
  // clang-format on
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = KeyframeOf(kBefore);
    bytes.resize(c.length);
    CheckedFields fields(bytes);
    CheckedKeyframe keyframe(fields, 0);
    EXPECT_EQ(KeyframeMove{c.offsets}(keyframe), c.wrapped);
    EXPECT_EQ(fields.failed(), c.length < 18);
    Bytes after = KeyframeOf(c.after);
    after.resize(c.length);
    EXPECT_EQ(bytes, after);
  }
}

// The angle mirror at the ends of its two ranges: a turn back from 1024 on,
// a reflection about -512 below.
TEST(MirrorAngleTest, TurnsBackOrReflects) {
  const std::pair<int16_t, int16_t> kCases[] = {
      {1024, 0},   {1023, -2047},  {0, -1024},
      {-1, -1023}, {32767, 31743}, {-32768, 31744}};
  for (const auto& [angle, mirrored] : kCases)
    EXPECT_EQ(MirrorAngle(angle), mirrored) << angle;
}

// The header fields that follow the keyframe count, the rest kept: total A
// wraps at 16 bits, total B at 24 (the byte after it kept), range end at
// 16; the cuts leave at least one keyframe only when their sum, unwrapped,
// is below the count.
TEST(TruncationTest, BringsTheHeaderUpToDate) {
  // clang-format off
  const struct { const char* what; uint16_t table_length, count; Cuts cuts; uint8_t a, b; uint16_t start, new_count, total_a, end; uint32_t total_b; } kCases[] = {
      {"total A wraps", 0, 402, {0, 2}, 200, 3, 0, 400, 14464, 399, 1200},
      {"total B fills 24 bits, range end wraps", 0, 65535, {0, 1}, 4, 255, 65535, 65534, 65528, 65532, 16711170},
      {"both cuts after a table", 16, 10, {3, 2}, 7, 9, 100, 5, 35, 104, 45},
  };
  // clang-format on
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const int64_t t = c.table_length;
    Bytes header(size_t(t + kHeaderSize), 0xAB);
    header[kFactorAOffset] = c.a;
    header[kFactorBOffset] = c.b;
    sample::PutU16(header, kRangeStartOffset, c.start);
    sample::PutU16(header, t + kKeyframeCountOffset, c.count);
    Bytes expected = header;
    sample::PutU16(expected, t + kKeyframeCountOffset, c.new_count);
    sample::PutU16(expected, t + kTotalAOffset, c.total_a);
    sample::PutU16(expected, kRangeEndOffset, c.end);
    sample::PutU16(expected, t + kTotalBOffset, uint16_t(c.total_b));
    expected[size_t(t + kTotalBOffset + 2)] = uint8_t(c.total_b >> 16);
    CheckedFields fields(header);
    UpdateHeader(fields, c.table_length, c.cuts);
    EXPECT_EQ(header, expected);
    EXPECT_EQ(NewKeyframeCount(c.count, c.cuts), c.new_count);
    EXPECT_TRUE(CutsAreValid(c.count, c.cuts));
    EXPECT_FALSE(CutsAreValid(c.count, {c.count, 0}));
  }
  EXPECT_FALSE(CutsAreValid(65535, {65535, 1}));  // 65536, not 0
}

}  // namespace
}  // namespace qmx
