// The edits' own rules on a keyframe or a header, and the one pass that
// applies them to a file, in memory.

#include <gtest/gtest.h>

#include <random>

#include "engine/working_copy.h"
#include "flipta/flipta_edit.h"
#include "flipta/mirror.h"
#include "gyrel/gyrel_edit.h"
#include "gyrel/rotation.h"
#include "shovan/reposition.h"
#include "shovan/shovan_edit.h"
#include "snipla/truncation.h"
#include "tests/one_pass.h"
#include "tools/sample_animation.h"

namespace qmx {
namespace {

using Bytes = std::vector<uint8_t>;
using test::MemoryInput;

// A keyframe's nine moved words in file order: box X, Y, Z, then root X, Y, Z.
using Words = std::array<int16_t, 9>;

// Sums wrap at 16 bits and say so; a keyframe crossing the end of the file
// moves axis by axis (min, max, root) up to its first missing word.
TEST(KeyframeMoveTest, AddsEachOffsetToItsAxis) {
  const Words kBefore = {-10, 10, -20, 20, -30, 30, 1, 2, 3};
  // clang-format off
  const struct { const char* what; Offsets offsets; size_t length; Words after; bool wrapped; } kCases[] = {
      {"each axis its own", {5, -5, 100}, 18, {-5, 15, -25, 15, 70, 130, 6, -3, 103}, false},
      {"past the top", {32767, 0, 0}, 18, {32757, -32759, -20, 20, -30, 30, -32768, 2, 3}, true},
      {"past the bottom", {0, 0, -32768}, 18, {-10, 10, -20, 20, 32738, -32738, 1, 2, -32765}, true},
      {"root X missing", {1, 1, 1}, 13, {-9, 11, -20, 20, -30, 30, 1, 2, 3}, false},
      {"root Z missing", {1, 1, 1}, 17, {-9, 11, -19, 21, -29, 31, 2, 3, 3}, false},
      {"max X wraps before the end", {32767, 0, 0}, 13, {32757, -32759, -20, 20, -30, 30, 1, 2, 3}, true},
      {"max Z and root Z would wrap, but the walk stops at root X", {0, 0, 32767}, 13, {-10, 10, -20, 20, -30, 30, 1, 2, 3}, false},
  };
  // clang-format on
  constexpr int64_t kSecond = kHeaderSize + 20;  // keyframes without meshes
  const auto put = [](Bytes& bytes, int64_t at, const Words& words) {
    for (size_t i = 0; i < 9; ++i)
      sample::PutU16(bytes, at + int64_t(2 * i), uint16_t(words[i]));
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Bytes file(size_t(kSecond) + 18);
    sample::PutU16(file, kKeyframeCountOffset, 2);
    put(file, kSecond, kBefore);
    Bytes expected = file;  // the first keyframe, all zeros, moved whole
    const auto [x, y, z] = c.offsets;
    put(expected, kHeaderSize, {x, x, y, y, z, z, x, y, z});
    put(expected, kSecond, c.after);
    file.resize(size_t(kSecond) + c.length);
    expected.resize(file.size());
    MemoryInput input(file);
    PieceOutput output(&input);
    const ShovanEdit shovan;
    const Bound<Offsets> tool(shovan, c.offsets);
    const auto [edited, result] =
        test::OnePass(tool, input, int64_t(file.size()), output);
    EXPECT_EQ(edited.status, Status::kOk);
    EXPECT_EQ(result, expected);
    EXPECT_EQ(edited.warnings.size(), size_t(c.wrapped + (c.length < 18)));
  }
}

// The angle mirror at the ends of its ranges (a turn back from 1024 on, a
// reflection about -512 below); an entered angle brought into 0 to 359.
TEST(AngleTest, MirroredAndNormalised) {
  // clang-format off
  const std::pair<int16_t, int16_t> kMirrored[] = {{1024, 0}, {1023, -2047}, {0, -1024}, {-1, -1023}, {32767, 31743}, {-32768, 31744}};
  const std::pair<int16_t, int> kNormalised[] = {{90, 90}, {-90, 270}, {-450, 270}, {360, 0}, {-360, 0}, {0, 0}, {32767, 7}, {-32768, 352}, {-1, 359}};
  // clang-format on
  for (const auto& [angle, mirrored] : kMirrored)
    EXPECT_EQ(MirrorAngle(angle), mirrored) << angle;
  for (const auto& [entered, normalised] : kNormalised)
    EXPECT_EQ(NormaliseAngle(entered), normalised) << entered;
}

// Flipta's mirror of a player keyframe, worked out by hand: box X reflected,
// root X negated, each Y and Z angle mirrored, then the rotations of meshes
// 1-3 and 4-6, 8-10 and 11-13 exchanged. X angle 100 + m marks mesh m.
TEST(KeyframeMirrorTest, ReflectsTheBoxAndExchangesThePairs) {
  // clang-format off
  const std::vector<int16_t> kMeshes = {  // X, Y, Z angle of meshes 0 to 14
      100, 0, 1,      101, 10, 1023,      102, 1024, 1025,   103, 2000, -1,  104, -1023, -2047,
      105, 512, -512, 106, 32767, -32768, 107, 300, -300,    108, 20, 21,    109, 30, 31,
      110, 40, 41,    111, 50, 51,        112, 60, -2,       113, 1026, -1024, 114, 1100, -32766};
  const struct { const char* what; std::vector<int16_t> head, after; size_t trailing; } kCases[] = {
      {"whole, data after it", {-120, 340, -5, 6, -7, 8, -33, 44, 55, 15},
       {-340, 120, -5, 6, -7, 8, 33, 44, 55, 15,
        100, -1024, -1025, 104, -1, 1023, 105, -1536, -512, 106, 31743, 31744, 101, -1034, -2047,
        102, 0, 1,         103, 976, -1023, 107, -1324, -724, 111, -1074, -1075, 112, -1084, -1022,
        113, 2, 0,         108, -1044, -1045, 109, -1054, -1055, 110, -1064, -1065, 114, 76, 31742}, 6},
      {"cut before mesh 9's Y angle: no pair exchanged; -32768 negates to itself",
       {-32768, 32767, -5, 6, -7, 8, -32768, 44, 55, 15},
       {-32767, -32768, -5, 6, -7, 8, -32768, 44, 55, 15,
        100, -1024, -1025, 101, -1034, -2047, 102, 0, 1, 103, 976, -1023, 104, -1, 1023,
        105, -1536, -512,  106, 31743, 31744, 107, -1324, -724, 108, -1044, -1045, 109}, 0}};
  // clang-format on
  constexpr int64_t kAt = 8 + kHeaderSize;  // after one header record
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Bytes file(size_t(kAt) + 2 * c.after.size() + c.trailing);
    for (size_t i = 0; i < file.size(); ++i) file[i] = uint8_t(37 * i + 11);
    sample::PutU16(file, kHeaderRecordCountOffset, 1);
    sample::PutU16(file, 8 + kKeyframeCountOffset, 1);
    Bytes expected = file;
    for (size_t i = 0; i < c.after.size(); ++i) {
      const int16_t before = i < 10 ? c.head[i] : kMeshes[i - 10];
      sample::PutU16(file, kAt + int64_t(2 * i), uint16_t(before));
      sample::PutU16(expected, kAt + int64_t(2 * i), uint16_t(c.after[i]));
    }
    MemoryInput input(file);
    PieceOutput output(&input);
    const FliptaEdit flipta;
    const Bound<NoParameters> tool(flipta);
    const auto [edited, result] =
        test::OnePass(tool, input, int64_t(file.size()), output);
    EXPECT_EQ(edited.status, Status::kOk);
    EXPECT_EQ(result, expected);
    EXPECT_EQ(edited.warnings.size(), size_t(c.after.size() < 55));  // cut
  }
}

// Total A wraps at 16 bits, total B at 24 (the byte after kept), range end
// at 16; cuts are valid only when their unwrapped sum is below the count.
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

// The words of a keyframe that a turn moves, and their offsets.
using RootAndBox = std::array<int16_t, 6>;
constexpr int64_t kTurned[] = {kRootXOffset, kRootZOffset, kMinXOffset,
                               kMaxXOffset,  kMinZOffset,  kMaxZOffset};

// Gyrel's turn of one keyframe without meshes holding `words`; whether it
// clamped a value.
std::pair<RootAndBox, bool> Turned(int angle, RootAndBox words) {
  Bytes keyframe(kMeshRotationsOffset);
  for (size_t i = 0; i < 6; ++i)
    sample::PutU16(keyframe, kTurned[i], uint16_t(words[i]));
  const KeyframeTurn turn(KeyframeArea{.stride = KeyframeStride(0)}, angle);
  const bool clamped = turn(keyframe.data(), 1, kAllSteps) != 0;
  for (size_t i = 0; i < 6; ++i)
    words[i] = int16_t(LoadU16(&keyframe[size_t(kTurned[i])]));
  return {words, clamped};
}

TEST(RotationTest, TurnRootAndBox) {
  constexpr RootAndBox kExample = {40, -20, -60, 100, -80, 50};
  // clang-format off
  const struct { const char* what; int angle; RootAndBox before, after; bool clamped; } kCases[] = {
      // {root X, root Z, min X, max X, min Z, max Z}; the example's sides are 100, 60, 60, 70
      {"example", 1, kExample, {40, -21, -60, 100, -81, 49}, false},
      {"example", 30, kExample, {25, -37, -65, 88, -97, 41}, false},
      {"example", 45, kExample, {14, -42, -66, 79, -102, 43}, false},
      {"example", 286, kExample, {30, 33, -42, 90, -64, 94}, false},
      {"example", 359, kExample, {40, -19, -60, 100, -79, 51}, false},
      {"+X turns to -Z", 90, {100, 0, 100, 100, 0, 0}, {0, -100, 0, 0, -100, -100}, false},
      {"+Z turns to +X", 90, {0, 100, 0, 0, 100, 100}, {100, 0, 100, 100, 0, 0}, false},
      {"45 degrees", 45, {100, 0, 100, 100, 0, 0}, {71, -71, 71, 71, -71, -71}, false},
      {"c and s differ in their last bits: Z is a tiny negative number", 45, {1, 1, 1, 1, 1, 1}, {1, 0, 1, 1, 0, 0}, false},
      {"sides 10, 20, 30, 40 become 13, 23, 33, 32; the exact weight 0.25 gives max Z 33", 30, {0, 0, -10, 30, -20, 40}, {0, 0, -13, 33, -23, 32}, false},
      {"far side", 0, {0, 0, 20, 30, -5, 5}, {0, 0, -20, 30, -5, 5}, false},
      {"exact pi, or a double theta, c or s, give root Z 5039", 300, {5818, 0, 5818, 5818, 0, 0}, {2909, 5038, 2909, 2909, 5038, 5038}, false},
      {"pi as the double 3.1416, or a double theta, give root Z -1642", 10, {9453, 0, 9453, 9453, 0, 0}, {9309, -1641, 9309, 9309, -1641, -1641}, false},
      {"exact pi, a double theta or w, a single blend or the exact weight change a side", 10, {0, 0, -28370, 1741, -713, 0}, {0, 0, -27536, 1688, -744, 855}, false},
      {"root X is -702.5: half to even or floor(v + 0.5) give -702", 30, {-1504, 1200, -1504, -1504, 1200, 1200}, {-703, 1791, -703, -703, 1791, 1791}, false},
      {"distance 65535", 0, {32767, 0, -32768, 32767, 0, 0}, {32767, 0, -32768, 32767, 0, 0}, false},
      {"box side clamped", 180, {32767, 0, -32768, 32767, 0, 0}, {-32767, 0, -32767, 32767, 0, 0}, true},
      {"root clamped", 180, {-32768, 0, -32768, -32768, 0, 0}, {32767, 0, 32767, 32767, 0, 0}, true},
      {"root X 46340 clamped when stored, min X built from it unclamped", 45, {32767, 32767, 0, 32767, 0, 32767}, {32767, 0, 13573, 32767, -16383, 16384}, true}};
  // clang-format on
  for (const auto& c : kCases) {
    const auto [turned, clamped] = Turned(c.angle, c.before);
    EXPECT_EQ(turned, c.after) << c.what << " " << c.angle;
    EXPECT_EQ(clamped, c.clamped) << c.what << " " << c.angle;
  }
}

TEST(RotationTest, AdvanceYAngle) {
  // clang-format off
  const struct { int angle; int16_t before, after; } kCases[] = {
      {0, 1000, 1000}, {1, 1000, 1003}, {30, 1000, 61}, {45, 1000, 104}, {90, 1000, 232},  // the worked
      {180, 1000, 488}, {270, 1000, 744}, {286, 1000, 789}, {359, 1000, 997},              // example
      {286, 0, 813}, {331, 0, 941},  // single precision: 1024/360 would give 814 and 942
      {1, 0, 3}, {359, 0, 1021}, {270, 0, 768},
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

// An access outside the bytes (here positions 10 to 13) fails, and from then
// on even those that fit do nothing (the transcripts pin the ones that fit).
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

// Gyrel's one pass over whole files and files cut in the last keyframe, the
// first or the header; overlapping keyframes show any change of order.
TEST(WorkingCopyTest, OnePassIsTheSimplestWalk) {
  // clang-format off
  const struct { const char* what; uint16_t keyframes, meshes; int64_t trailing; int angle; } cases[] = {
      {"one piece", 50, 15, 7, 30},  // the meshes give the stride
      {"several pieces, a quarter turn", 6000, 15, 0, 90},
      {"many pieces, trailing data", 20000, 15, 3, 200},
      {"no root mesh", 100, 0, 0, 315},
      {"keyframes overlap: stride 4", 9000, 10920, 0, 30},
      {"all keyframes in one place: stride 0", 700, 21842, 0, 30},
      {"keyframes far apart: stride 65534", 9, 10919, 0, 30},
      {"no keyframes", 0, 15, 40, 30}};
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
      const GyrelEdit gyrel;
      const Bound<Angle> tool(gyrel, Angle{int16_t(c.angle)});
      EXPECT_TRUE(test::OnePassIsSimplestWalk(tool, cut, stride,
                                              test::ReferenceTurn{c.angle}));
    }
  }
}

// A failed read fails the edit: in the first piece, a later one or the
// keyframe crossing the end of the file.
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
  const Bytes whole = sample::MakeAnimation({.keyframe_count = 6000});
  const Bytes cut(whole.begin(), whole.end() - 100);
  for (const auto& [file, fails_from] : {std::pair{&whole, int64_t{1000}},
                                         {&whole, int64_t(whole.size()) - 100},
                                         {&cut, int64_t(cut.size()) - 1}}) {
    FailingInput input(*file);
    PieceOutput output(&input);
    const GyrelEdit gyrel;
    const Bound<Angle> tool(gyrel, Angle{30});
    const auto set_failing = [&] { input.fails_from = fails_from; };
    const auto [edited, result] =
        test::OnePass(tool, input, int64_t(file->size()), output, set_failing);
    EXPECT_EQ(edited.status, Status::kRead) << fails_from;
  }
}

// A result kept as pieces, read back or assembled as the page does, is the
// flat file of the same writes, copies and reservations in any order; a
// copy of bytes the input lacks fails (it holds two overlapping ranges).
TEST(PieceOutputTest, IsTheFlatFileOfTheSameWork) {
  std::mt19937 random(5);
  Bytes source(300);
  for (uint8_t& byte : source) byte = uint8_t(random());
  PartialInput input(300);
  std::copy_n(source.begin(), 120, input.Hold(0, 120));
  std::copy_n(source.begin() + 100, 200, input.Hold(100, 200));
  for (int run = 0; run < 300; ++run) {
    PieceOutput output(&input);
    Bytes flat;
    for (int step = 0; step < 6; ++step) {
      const int64_t to = random() % 200;
      const int64_t length = 1 + random() % 90;
      const int64_t from = random() % 300;
      const uint32_t kind = random() % 3;
      if (kind == 1 && from + length > 300) {
        EXPECT_EQ(output.Copy(from, to, length), Status::kRead);
        continue;
      }
      flat.resize(std::max(flat.size(), size_t(to + length)));
      const Bytes bytes(static_cast<size_t>(length), uint8_t(run));
      if (kind == 0) output.Write(to, bytes);
      if (kind == 1) output.Copy(from, to, length);
      if (kind == 2) output.Reserve(to, length);
      if (kind < 2)  // a reservation leaves what was there
        std::copy_n(kind == 0 ? bytes.begin() : source.begin() + from, length,
                    flat.begin() + to);
    }
    Bytes read(flat.size(), 0xEE);  // zeros where nothing is
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
