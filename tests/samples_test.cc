#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx {
namespace {

// The committed samples are what the generator makes, so that the demo, the
// tests and the benchmark all see the same files.
TEST(SamplesTest, BundledSamplesMatchTheGenerator) {
  for (const sample::NamedSample& s : sample::BundledSamples()) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(test::ReadBytes(std::filesystem::path(QMX_SOURCE_DIR) /
                              "samples" / s.name),
              sample::MakeAnimation(s.shape));
  }
}

TEST(SamplesTest, LargestAnimationFillsTheFormat) {
  const std::vector<uint8_t> largest = sample::MakeLargestAnimation();
  EXPECT_EQ(largest.size(), 65528u + 66u + 65535u * 110u);
  EXPECT_EQ(sample::GetU16(largest, 52), 8191);
  EXPECT_EQ(sample::GetU16(largest, 65528 + 62), 65535);
  EXPECT_EQ(sample::GetU16(largest, 65528 + 84), 15);
}

}  // namespace
}  // namespace qmx
