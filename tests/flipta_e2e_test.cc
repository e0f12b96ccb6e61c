// Flipta end to end: the real executable in a fresh directory.

#include <gtest/gtest.h>

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

const std::string kDone = "Mirroring operation complete.\n\n";
const std::string kSkip =
    "Animation doesn't seem to belong to the OBRI object. Skipping.\n\n";

Bytes Figure(uint16_t meshes = 15, uint16_t keyframes = 5, uint32_t seed = 3) {
  return sample::MakeAnimation({.header_record_count = 1,
                                .keyframe_count = keyframes,
                                .mesh_count = meshes,
                                .trailing_bytes = 10,
                                .seed = seed});
}

class FliptaTest : public ToolTest {
 protected:
  FliptaTest() : ToolTest("flipta") {}
};

TEST_F(FliptaTest, NoArgumentsShowsTheInstructions) {
  ExpectOutput(Run({}, ""),
               "Animation Mirroring Utility (for OBRI animations only)\n\n"
               "Instructions:\n"
               "Drop one or multiple .qmx animation files onto the program "
               "icon. The program\n"
               "will automatically mirror all animations on the X axis. "
               "Remember that it's only\n"
               "designed for OBRI animations and won't work for animations of "
               "other objects.\n\n" +
                   kExit);
}

TEST_F(FliptaTest, MirrorsAPlayerAnimation) {
  const Bytes walk = Figure();
  Input("walk.qmx", walk);
  ExpectOutput(Run({"walk.qmx"}, ""), Opened("walk.qmx") + kDone + kExit);
  EXPECT_EQ(Files(), (Names{"walk.qmx", "walk_Mirrored.qmx"}));
  const Bytes out = File("walk_Mirrored.qmx");
  ASSERT_EQ(out.size(), walk.size());
  // First keyframe at 8 + 66: the X extents swap sides, root X turns over.
  EXPECT_EQ(sample::GetS16(out, 74), -sample::GetS16(walk, 76));
  EXPECT_EQ(sample::GetS16(out, 76), -sample::GetS16(walk, 74));
  EXPECT_EQ(sample::GetS16(out, 86), -sample::GetS16(walk, 86));
  // Trailing data is carried over.
  EXPECT_TRUE(std::equal(out.end() - 10, out.end(), walk.end() - 10));
}

TEST_F(FliptaTest, MirroringTwiceGivesBackTheAnimation) {
  const Bytes walk = Figure(15, 9, 21);
  Input("run.left.qmx", walk);
  Run({"run.left.qmx"}, "");
  const RunResult second = Run({"run.left_Mirrored.qmx"}, "");
  ExpectOutput(second, Opened("run.left_Mirrored.qmx") + kDone + kExit);
  EXPECT_EQ(File("run.left_Mirrored_Mirrored.qmx"), walk);
  EXPECT_NE(File("run.left_Mirrored.qmx"), walk);
}

TEST_F(FliptaTest, OtherObjectsAreSkippedWithoutOutput) {
  for (uint16_t meshes : {14, 16, 0}) {
    SCOPED_TRACE(meshes);
    TempDir dir;
    WriteBytes(dir.path() / "prop.qmx", Figure(meshes));
    const RunResult result = RunTool("flipta", {"prop.qmx"}, "", dir.path());
    EXPECT_EQ(result.output, WithNewlines(Opened("prop.qmx") + kSkip + kExit));
    // The last argument: its working copy is not left behind.
    EXPECT_EQ(ListDir(dir.path()), Names{"prop.qmx"});
  }
}

TEST_F(FliptaTest, FileEndingBeforeTheMeshCountIsSkipped) {
  const Bytes walk = Figure();
  Input("stub.qmx", Bytes(walk.begin(), walk.begin() + 8 + 84));
  ExpectOutput(Run({"stub.qmx"}, ""), Opened("stub.qmx") + kSkip + kExit);
  EXPECT_EQ(Files(), Names{"stub.qmx"});
}

TEST_F(FliptaTest, SkipThenAcceptedFile) {
  Input("prop.qmx", Figure(3));
  Input("walk.qmx", Figure());
  ExpectOutput(Run({"prop.qmx", "walk.qmx"}, ""),
               Opened("prop.qmx") + kSkip + Opened("walk.qmx") + kDone + kExit);
  EXPECT_EQ(Files(), (Names{"prop.qmx", "walk.qmx", "walk_Mirrored.qmx"}));
}

// A skipped file leaves nothing behind, whatever follows it.
TEST_F(FliptaTest, SkipThenMissingFileLeavesNothing) {
  Input("prop.qmx", Figure(3));
  ExpectOutput(
      Run({"prop.qmx", "gone.qmx"}, ""),
      Opened("prop.qmx") + kSkip + "File could not be found.\n\n" + kExit);
  EXPECT_EQ(Files(), Names{"prop.qmx"});
}

TEST_F(FliptaTest, NoKeyframesIsCopiedUnderItsName) {
  Bytes empty = sample::MakeAnimation(
      {.header_record_count = 1, .keyframe_count = 0, .trailing_bytes = 30});
  // The first keyframe's mesh count lies in the trailing data here.
  sample::PutU16(empty, 8 + 84, 15);
  Input("empty.qmx", empty);
  ExpectOutput(Run({"empty.qmx"}, ""), Opened("empty.qmx") + kDone + kExit);
  EXPECT_EQ(File("empty_Mirrored.qmx"), empty);
}

TEST_F(FliptaTest, FileEndingInsideItsKeyframesIsWarnedAbout) {
  const Bytes walk = Figure();
  const Bytes cut(walk.begin(), walk.begin() + 8 + 66 + 110 * 2 + 40);
  Input("cut.qmx", cut);
  ExpectOutput(Run({"cut.qmx"}, ""),
               Opened("cut.qmx") +
                   "'cut.qmx': Warning: the file is shorter than its header "
                   "describes; editing stopped at its end.\n" +
                   kDone + kExit);
  const Bytes out = File("cut_Mirrored.qmx");
  ASSERT_EQ(out.size(), cut.size());
  EXPECT_EQ(sample::GetS16(out, 74 + 220 + 12),
            -sample::GetS16(cut, 74 + 220 + 12));
}

}  // namespace
}  // namespace qmx::test
