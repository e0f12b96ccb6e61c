#include "common/working_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "gyrel/gyrel_tool.h"
#include "gyrel/rotation.h"
#include "tests/one_pass.h"
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

// Gyrel's one pass, in pieces, over whole files and files cut inside the
// last keyframe, the first keyframe and the header. Its turn reads before
// it writes, so keyframes that overlap show any change of order.
TEST(WorkingCopyTest, OnePassIsTheSimplestWalk) {
  // clang-format off
  const struct { const char* what; uint16_t keyframes, meshes; int64_t trailing; } cases[] = {
      {"one piece", 50, 15, 7},  // the meshes give the stride
      {"several pieces", 6000, 15, 0},
      {"many pieces, trailing data", 20000, 15, 3},
      {"keyframes overlap: stride 4", 9000, 10920, 0},
      {"all keyframes in one place: stride 0", 700, 21842, 0},
      {"keyframes far apart: stride 65534", 9, 10919, 0},
      {"no keyframes", 0, 15, 40}};
  // clang-format on
  std::mt19937 random(11);
  for (const auto& c : cases) {
    const uint16_t stride = KeyframeStride(c.meshes);
    Bytes file(
        size_t(KeyframePosition(16, stride, c.keyframes) + 24 + c.trailing));
    for (uint8_t& byte : file) byte = uint8_t(random());
    sample::PutU16(file, kHeaderRecordCountOffset, 2);
    sample::PutU16(file, 16 + kKeyframeCountOffset, c.keyframes);
    sample::PutU16(file, 16 + kFirstMeshCountOffset, c.meshes);
    std::vector<int64_t> lengths = {int64_t(file.size()), 70};
    if (c.keyframes > 0)  // inside the last keyframe and the first
      lengths.insert(lengths.end(),
                     {KeyframePosition(16, stride, c.keyframes - 1) + 9, 91});
    for (const int64_t length : lengths) {
      SCOPED_TRACE(std::string(c.what) + ", length " + std::to_string(length));
      const Bytes cut(file.begin(), file.begin() + length);
      MemoryInput input(cut);
      const KeyframeArea area = *ReadKeyframeArea(input, length);
      GyrelTool tool(30);
      EXPECT_TRUE(test::OnePassIsSimplestWalk(tool, cut, stride,
                                              KeyframeTurn(area, 30)));
    }
  }
}

// A read that fails in the walk fails the edit, in the first piece or a
// later one, however far the walk has come.
TEST(WorkingCopyTest, AReadThatFailsFailsTheEdit) {
  struct FailingInput : MemoryInput {
    using MemoryInput::MemoryInput;
    Status Read(int64_t pos, std::span<uint8_t> bytes) const override {
      return pos + int64_t(bytes.size()) > fails_from
                 ? Status::kRead
                 : MemoryInput::Read(pos, bytes);
    }
    int64_t fails_from = INT64_MAX;
  };
  const Bytes file = sample::MakeAnimation({.keyframe_count = 6000});
  const int64_t size = int64_t(file.size());
  for (const int64_t fails_from : {int64_t{1000}, size - 100}) {
    FailingInput input(file);
    MemoryOutput output;
    WorkingCopy copy(input, size, output);
    const KeyframeArea area = *ReadKeyframeArea(input, size);
    GyrelTool tool(30);
    ASSERT_EQ(copy.Prepare(tool.LayOut(area, size)), Status::kOk);
    input.fails_from = fails_from;
    EXPECT_EQ(tool.Edit(copy, area).status, Status::kRead) << fails_from;
  }
}

}  // namespace
}  // namespace qmx
