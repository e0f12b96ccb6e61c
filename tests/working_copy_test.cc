#include "common/working_copy.h"

#include <gtest/gtest.h>

#include "tools/sample_animation.h"

namespace qmx {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

TEST(WorkingCopyTest, ReadsAndWritesLittleEndian) {
  WorkingCopy copy(Bytes({0x34, 0x12, 0xFF, 0x80, 0, 0, 0}));
  EXPECT_EQ(copy.ReadU16(0), 0x1234);
  EXPECT_EQ(copy.ReadS16(2), -32513);
  EXPECT_EQ(copy.ReadU8(3), 0x80);
  copy.WriteS16(4, -2);
  copy.WriteU24(1, 0xABCDEF);
  EXPECT_FALSE(copy.failed());
  EXPECT_EQ(std::vector<uint8_t>(copy.image().begin(), copy.image().end()),
            Bytes({0x34, 0xEF, 0xCD, 0xAB, 0xFE, 0xFF, 0}));
}

TEST(WorkingCopyTest, AccessPastTheEndFailsForGood) {
  struct Case {
    const char* what;
    void (*access)(WorkingCopy&);
  };
  const Case cases[] = {
      {"word on the last byte", [](WorkingCopy& c) { c.ReadU16(3); }},
      {"word after the end", [](WorkingCopy& c) { c.ReadU16(4); }},
      {"negative position", [](WorkingCopy& c) { c.ReadU16(-1); }},
      {"byte after the end", [](WorkingCopy& c) { c.ReadU8(4); }},
      {"write on the last byte", [](WorkingCopy& c) { c.WriteU16(3, 1); }},
      {"24 bits over the end", [](WorkingCopy& c) { c.WriteU24(2, 1); }},
      {"far beyond 2^32", [](WorkingCopy& c) { c.ReadU16(int64_t{1} << 40); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WorkingCopy copy(Bytes({1, 2, 3, 4}));
    c.access(copy);
    EXPECT_TRUE(copy.failed());
    // Once failed, even accesses that fit do nothing.
    EXPECT_EQ(copy.ReadU16(0), 0);
    copy.WriteU16(0, 0xFFFF);
    EXPECT_EQ(std::vector<uint8_t>(copy.image().begin(), copy.image().end()),
              Bytes({1, 2, 3, 4}));
    EXPECT_EQ(copy.size(), 4);
  }
}

TEST(WorkingCopyTest, TracksTheWrittenRange) {
  WorkingCopy copy(std::vector<uint8_t>(20));
  EXPECT_TRUE(copy.written().empty());
  copy.WriteU16(10, 1);
  copy.WriteU16(4, 1);
  copy.WriteU24(14, 1);
  EXPECT_EQ(copy.written_begin(), 4);
  EXPECT_EQ(copy.written().size(), 13u);
}

// The three header reads over every prefix of a file: which values are
// known, and whether the file counts as ending early.
TEST(WorkingCopyTest, HeaderReadsOverEveryPrefix) {
  const std::vector<uint8_t> file = sample::MakeAnimation(
      {.header_record_count = 2, .keyframe_count = 3, .mesh_count = 15});
  const int64_t t = 16;
  for (int64_t length = 0; length <= t + 86; ++length) {
    SCOPED_TRACE(length);
    WorkingCopy copy(std::vector<uint8_t>(file.begin(), file.begin() + length));
    const KeyframeArea area = ReadKeyframeArea(copy);
    const bool whole = length >= t + 86;
    EXPECT_EQ(copy.failed(), !whole);
    EXPECT_EQ(area.keyframe_count_read, length >= t + 64);
    EXPECT_EQ(EndedEarly(copy, area), !whole);
    if (whole) {
      EXPECT_EQ(area.table_length, t);
      EXPECT_EQ(area.keyframe_count, 3);
      EXPECT_EQ(area.stride, 110);
      EXPECT_EQ(area.KeyframeAt(2), t + 66 + 220);
    }
  }
}

TEST(WorkingCopyTest, NoKeyframesEndingAfterTheHeaderIsComplete) {
  std::vector<uint8_t> file = sample::MakeAnimation(
      {.header_record_count = 1, .keyframe_count = 0, .mesh_count = 15});
  ASSERT_EQ(file.size(), 8u + 66u);
  WorkingCopy copy(file);
  const KeyframeArea area = ReadKeyframeArea(copy);
  EXPECT_TRUE(copy.failed());  // the mesh count lies beyond the end
  EXPECT_FALSE(EndedEarly(copy, area));
}

TEST(WorkingCopyTest, HeaderRecordCount8192WrapsToNoTable) {
  std::vector<uint8_t> file = sample::MakeAnimation(
      {.header_record_count = 0, .keyframe_count = 5, .mesh_count = 2});
  sample::PutU16(file, kHeaderRecordCountOffset, 8192);
  WorkingCopy copy(file);
  const KeyframeArea area = ReadKeyframeArea(copy);
  EXPECT_EQ(area.table_length, 0);
  EXPECT_EQ(area.keyframe_count, 5);
  EXPECT_EQ(area.stride, 32);
}

}  // namespace
}  // namespace qmx
