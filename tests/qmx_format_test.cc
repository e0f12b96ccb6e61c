#include "common/qmx_format.h"

#include <gtest/gtest.h>

namespace qmx {
namespace {

TEST(QmxFormatTest, TableLengthWrapsAtSixteenBits) {
  struct Case {
    uint16_t records;
    uint16_t table_length;
  };
  for (const Case& c : {Case{0, 0}, Case{1, 8}, Case{2, 16}, Case{8191, 65528},
                        Case{8192, 0}, Case{8193, 8}, Case{65535, 65528}}) {
    SCOPED_TRACE(c.records);
    EXPECT_EQ(TableLength(c.records), c.table_length);
  }
}

TEST(QmxFormatTest, StrideCountsTwentyBytesAndSixPerMesh) {
  EXPECT_EQ(KeyframeStride(0), 20);
  EXPECT_EQ(KeyframeStride(3), 38);
  EXPECT_EQ(KeyframeStride(15), 110);
  // 20 + 6 x 10920 = 65540 wraps to 4.
  EXPECT_EQ(KeyframeStride(10920), 4);
  EXPECT_EQ(KeyframeStride(65535), static_cast<uint16_t>(20 + 6 * 65535));
}

TEST(QmxFormatTest, KeyframePositionsDoNotOverflow) {
  EXPECT_EQ(KeyframePosition(0, 110, 0), 66);
  EXPECT_EQ(KeyframePosition(16, 110, 1), 16 + 66 + 110);
  // The farthest position any header can describe lies beyond 2^32.
  EXPECT_EQ(KeyframePosition(65528, 65535, 65535),
            int64_t{65528} + 66 + int64_t{65535} * 65535);
  EXPECT_EQ(kFirstMeshCountOffset, 84);
}

}  // namespace
}  // namespace qmx
