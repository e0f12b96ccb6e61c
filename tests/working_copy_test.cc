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
using test::MemoryInput;

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
        size_t(KeyframePosition(16, stride, c.keyframes) + 24 + c.trailing));
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
    PieceOutput output;
    WorkingCopy copy(input, size, output);
    const KeyframeArea area = *ReadKeyframeArea(input, size);
    GyrelTool tool(30);
    ASSERT_EQ(copy.Prepare(tool.LayOut(area, size)), Status::kOk);
    input.fails_from = fails_from;
    EXPECT_EQ(tool.Edit(copy, area).status, Status::kRead) << fails_from;
  }
}

// A result kept as pieces, read back or put together from its pieces as
// the page does, is the flat file that the same writes, copies and
// reservations make, in any order and overlapping; a copy of bytes the
// input does not have fails and changes nothing. The input holds the file
// in two overlapping ranges.
TEST(PieceOutputTest, IsTheFlatFileOfTheSameWork) {
  std::mt19937 random(5);
  Bytes source(300);
  for (uint8_t& byte : source) byte = uint8_t(random());
  PartialInput input(300);
  std::copy_n(source.begin(), 120, input.Hold(0, 120));
  std::copy_n(source.begin() + 100, 200, input.Hold(100, 200));
  for (int run = 0; run < 300; ++run) {
    PieceOutput output;
    Bytes flat;
    for (int step = 0; step < 6; ++step) {
      const int64_t to = random() % 200;
      const int64_t length = 1 + random() % 90;
      const int64_t from = random() % 300;
      const uint32_t kind = random() % 3;
      if (kind == 1 && from + length > 300) {
        EXPECT_EQ(output.Copy(input, from, to, length), Status::kRead);
        continue;
      }
      flat.resize(std::max(flat.size(), size_t(to + length)));
      if (kind == 0) {
        const Bytes bytes(static_cast<size_t>(length),
                          static_cast<uint8_t>(run));
        output.Write(to, bytes);
        std::copy(bytes.begin(), bytes.end(), flat.begin() + to);
      } else if (kind == 1) {
        output.Copy(input, from, to, length);
        std::copy_n(source.begin() + from, length, flat.begin() + to);
      } else {
        output.Reserve(to, length);
      }
    }
    Bytes read(flat.size());
    EXPECT_EQ(output.Read(0, read), Status::kOk);
    Bytes assembled;
    for (const PieceOutput::Piece& piece : output.Pieces()) {
      EXPECT_EQ(piece.pos, int64_t(assembled.size()));
      Bytes part(size_t(piece.length));
      if (piece.from) piece.from->Read(piece.from_pos, part);
      if (piece.bytes) std::copy_n(piece.bytes, piece.length, part.begin());
      assembled.insert(assembled.end(), part.begin(), part.end());
    }
    ASSERT_EQ(read, flat) << "run " << run;
    ASSERT_EQ(assembled, flat) << "run " << run;
  }
  uint8_t byte;
  EXPECT_EQ(PartialInput(300).Read(5, std::span(&byte, 1)), Status::kRead);
}

}  // namespace
}  // namespace qmx
