#include "snipla/truncation.h"

#include <gtest/gtest.h>

#include <vector>

#include "tools/sample_animation.h"

namespace qmx {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(TruncationTest, CutsMustLeaveAKeyframeWithoutWrapping) {
  struct Case {
    uint16_t keyframe_count;
    Cuts cuts;
    bool valid;
  };
  const Case cases[] = {
      {10, {5, 4}, true},
      {10, {5, 5}, false},  // the sum equals the count
      {10, {0, 10}, false},
      {2, {0, 0}, true},  // what the end of input gives
      {2, {1, 0}, true},
      {2, {0, 2}, false},
      {100, {65535, 1}, false},  // 65536 must not wrap to 0
      {100, {1, 65535}, false},
      {100, {65533, 0}, false},  // a "-3" read as unsigned
      {65535, {65534, 0}, true},
      {65535, {32768, 32767}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.keyframe_count << ": " << c.cuts.front
                                    << " + " << c.cuts.back);
    EXPECT_EQ(CutsAreValid(c.keyframe_count, c.cuts), c.valid);
  }
}

TEST(TruncationTest, RetainedBlockIsComputedIn64Bits) {
  struct Case {
    uint16_t table_length, stride, keyframe_count;
    Cuts cuts;
    int64_t position, length;
  };
  const Case cases[] = {
      {16, 110, 20, {2, 3}, 302, 1650},
      {0, 20, 2, {0, 0}, 66, 40},
      {16, 0, 5, {1, 1}, 82, 0},  // a stride that wrapped to 0
      // 65528 + 66 + 65534 x 65534 lies far beyond 2^32.
      {65528, 65534, 65535, {65534, 0}, 4294770750, 65534},
      {65528, 65534, 65535, {0, 0}, 65594, 4294770690},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    const RetainedBlock block =
        RetainedKeyframes(c.table_length, c.stride, c.keyframe_count, c.cuts);
    EXPECT_EQ(block.position, c.position);
    EXPECT_EQ(block.length, c.length);
  }
}

// A header of T + 66 bytes with every byte distinct from its neighbours, so
// that a stray write shows, and the fields the update reads set as given.
Bytes Header(uint16_t records, uint8_t factor_a, uint8_t factor_b,
             uint16_t range_start, uint16_t keyframe_count) {
  const int64_t t = TableLength(records);
  Bytes header(static_cast<size_t>(t + 66));
  for (size_t i = 0; i < header.size(); ++i) {
    header[i] = static_cast<uint8_t>(i * 7 + 3);
  }
  header[12] = factor_a;
  header[13] = factor_b;
  sample::PutU16(header, 32, range_start);
  sample::PutU16(header, 52, records);
  sample::PutU16(header, t + 62, keyframe_count);
  return header;
}

TEST(TruncationTest, HeaderUpdateGoldenValues) {
  struct Case {
    const char* what;
    uint16_t records;
    uint8_t factor_a, factor_b;
    uint16_t range_start, keyframe_count;
    Cuts cuts;
    uint16_t new_count, total_a, range_end;
    uint8_t total_b[3];  // low byte first
  };
  const Case cases[] = {
      // 200 x 400 = 80000, stored modulo 65536.
      {"total A wraps",
       2,
       200,
       3,
       0,
       402,
       {1, 1},
       400,
       14464,
       399,
       {0xB0, 0x04, 0x00}},
      // 255 x 65534 = 16711170 = 0xFEFE02 still fits three bytes.
      {"total B fills 24 bits",
       0,
       0,
       255,
       65535,
       65535,
       {0, 1},
       65534,
       0,
       65532,
       {0x02, 0xFE, 0xFE}},
      {"one keyframe left, T 65528",
       8191,
       4,
       55,
       10,
       10,
       {5, 4},
       1,
       4,
       10,
       {55, 0, 0}},
      {"range end wraps to 0",
       8192,
       255,
       255,
       65535,
       3,
       {0, 1},
       2,
       510,
       0,
       {0xFE, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes input = Header(c.records, c.factor_a, c.factor_b, c.range_start,
                               c.keyframe_count);
    const int64_t t = TableLength(c.records);
    Bytes expected = input;
    sample::PutU16(expected, t + 62, c.new_count);
    sample::PutU16(expected, t + 58, c.total_a);
    sample::PutU16(expected, 34, c.range_end);
    for (int i = 0; i < 3; ++i) expected[t + 54 + i] = c.total_b[i];

    Bytes out = input;
    CheckedFields header(out);
    EXPECT_EQ(UpdateHeader(header, static_cast<uint16_t>(t), c.cuts),
              c.new_count);
    EXPECT_FALSE(header.failed());
    // Everything else, the byte after total B included, is the input's.
    EXPECT_EQ(out, expected);
  }
}

// The invariants for the sample factors: total A = 4n, total B = 55n,
// range end = 9 + n, each in its field's width.
TEST(TruncationTest, HeaderUpdateKeepsTheInvariants) {
  for (const int n : {1, 2, 15, 1000, 16383, 16384, 65526, 65535}) {
    SCOPED_TRACE(n);
    Bytes out = Header(2, 4, 55, 10, static_cast<uint16_t>(n));
    CheckedFields header(out);
    EXPECT_EQ(UpdateHeader(header, 16, Cuts{}), n);
    EXPECT_EQ(sample::GetU16(out, 16 + 58), (4 * n) % 65536);
    EXPECT_EQ(out[16 + 54] | out[16 + 55] << 8 | out[16 + 56] << 16, 55 * n);
    EXPECT_EQ(sample::GetU16(out, 34), (9 + n) % 65536);
  }
}

}  // namespace
}  // namespace qmx
