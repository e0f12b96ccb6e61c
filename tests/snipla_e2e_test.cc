// Snipla end to end: the real executable in a fresh directory, answers from
// a file, standard output compared byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

const std::string kPrompts =
    "Enter number of keyframes to delete from beginning: "
    "Enter number of keyframes to delete from end: ";
const std::string kRefusal =
    "\nTotal amount of keyframes to be deleted surpasses length of "
    "animation!\nPlease enter smaller values.\n\n";

// The keyframe-count line and both prompts: one round of the dialogue.
std::string Round(int keyframe_count) {
  return "Amount of keyframes in animation: " + std::to_string(keyframe_count) +
         "\n" + kPrompts;
}

std::string Done(int new_count) {
  return "Animation successfully truncated. New keyframe number: " +
         std::to_string(new_count) + "\n\n";
}

std::string Short(const std::string& base) {
  return "'" + base +
         "': File is shorter than its header describes, skipping.\n\n";
}

// T = 16, stride 110, factor A 4, factor B 55, range start 10. The fields a
// truncation recomputes hold junk, so an output that copies them is caught.
constexpr int64_t kFirst = 16 + 66;
constexpr int64_t kStride = 110;

Bytes Walk(uint16_t keyframe_count = 10, uint32_t seed = 7) {
  Bytes bytes = sample::MakeAnimation({.header_record_count = 2,
                                       .keyframe_count = keyframe_count,
                                       .mesh_count = 15,
                                       .factor_a = 4,
                                       .factor_b = 55,
                                       .range_start = 10,
                                       .trailing_bytes = 24,
                                       .seed = seed});
  sample::PutU16(bytes, 34, 0xBEEF);       // range end
  sample::PutU16(bytes, 16 + 54, 0xBEEF);  // total B, low two bytes
  bytes[16 + 56] = 0xEE;                   // total B, high byte
  sample::PutU16(bytes, 16 + 58, 0xBEEF);  // total A
  return bytes;
}

// What truncating `input` must give, built by hand from the layout: the
// header with count n, total A 4n, range end 9 + n and total B 55n, then
// keyframes `front` to `front + n - 1`, and nothing after them.
Bytes Truncated(const Bytes& input, int front, int n) {
  Bytes out(input.begin(), input.begin() + kFirst);
  sample::PutU16(out, 16 + 62, static_cast<uint16_t>(n));
  sample::PutU16(out, 16 + 58, static_cast<uint16_t>(4 * n));
  sample::PutU16(out, 34, static_cast<uint16_t>(9 + n));
  sample::PutU16(out, 16 + 54, static_cast<uint16_t>(55 * n));
  out[16 + 56] = static_cast<uint8_t>(55 * n >> 16);
  const auto keyframes = input.begin() + kFirst + front * kStride;
  out.insert(out.end(), keyframes, keyframes + n * kStride);
  return out;
}

Bytes Prefix(const Bytes& bytes, int64_t length) {
  return Bytes(bytes.begin(), bytes.begin() + length);
}

class SniplaTest : public ToolTest {
 protected:
  SniplaTest() : ToolTest("snipla") {}
};

TEST_F(SniplaTest, NoArgumentsShowsTheInstructions) {
  const RunResult result = Run({}, "\n");
  ExpectOutput(result,
               "Animation Truncating Utility\n\n"
               "Instructions:\n"
               "Drop one or multiple .qmx animation files onto the program "
               "icon. You will be\n"
               "prompted to enter two numbers, the amount of keyframes to be "
               "removed from the\n"
               "beginning and amount of keyframes to be removed from the end "
               "of the animation.\n"
               "The program will then create a new file with the trimmed "
               "animation.\n\n" +
                   kExit);
  EXPECT_EQ(Files(), Names{});
}

TEST_F(SniplaTest, CutsTwoFromTheFrontAndThreeFromTheBack) {
  const Bytes walk = Walk(20);
  Input("walk.qmx", walk);
  const RunResult result = Run({"walk.qmx"}, "2 3\n");
  ExpectOutput(result, Opened("walk.qmx") + Round(20) + Done(15) + kExit);
  EXPECT_EQ(Files(), (Names{"walk.qmx", "walk_Truncated(2; 3).qmx"}));
  const Bytes out = File("walk_Truncated(2; 3).qmx");
  ASSERT_EQ(out.size(), 16u + 66 + 15 * 110);
  EXPECT_TRUE(std::equal(out.begin() + kFirst, out.begin() + kFirst + kStride,
                         walk.begin() + kFirst + 2 * kStride));
  EXPECT_EQ(sample::GetU16(out, 16 + 62), 15);
  EXPECT_EQ(sample::GetU16(out, 16 + 58), 60);  // total A
  EXPECT_EQ(sample::GetU16(out, 34), 24);       // range end
  EXPECT_EQ(out[16 + 54] | out[16 + 55] << 8 | out[16 + 56] << 16, 825);
  EXPECT_EQ(out, Truncated(walk, 2, 15));
}

TEST_F(SniplaTest, NoCutsRecomputeTheHeaderAndDropTrailingData) {
  const Bytes walk = Walk(10);
  Input("walk.qmx", walk);
  const RunResult result = Run({"walk.qmx"}, "0 0\n");
  ExpectOutput(result, Opened("walk.qmx") + Round(10) + Done(10) + kExit);
  const Bytes out = File("walk_Truncated(0; 0).qmx");
  ASSERT_EQ(out.size(), walk.size() - 24);
  EXPECT_EQ(sample::GetU16(out, 34), 19);
  EXPECT_EQ(sample::GetU16(out, 16 + 58), 40);
  EXPECT_EQ(sample::GetU16(out, 16 + 54), 550);
  EXPECT_EQ(out[16 + 56], 0);
  EXPECT_EQ(out[16 + 57], walk[16 + 57]);
  EXPECT_EQ(out, Truncated(walk, 0, 10));
}

// How the two prompts read a line, and when the pair is refused. Every case
// runs on ten keyframes.
TEST_F(SniplaTest, PromptsAndRefusals) {
  struct Case {
    const char* what;
    const char* typed;
    int refusals;  // refused rounds before the accepted one
    int front, back, new_count;
    const char* output_name;
  };
  const Case cases[] = {
      {"one line answers both", "3 2\n", 0, 3, 2, 5,
       "walk_Truncated(3; 2).qmx"},
      {"one number per line", "3\n2\n", 0, 3, 2, 5, "walk_Truncated(3; 2).qmx"},
      {"a word drops its line", "word 3\n4\n", 0, 0, 4, 6,
       "walk_Truncated(0; 4).qmx"},
      {"sum equal to the count", "5 5\n5 4\n", 1, 5, 4, 1,
       "walk_Truncated(5; 4).qmx"},
      {"sum does not wrap", "65535 1\n1 1\n", 1, 1, 1, 8,
       "walk_Truncated(1; 1).qmx"},
      {"minus is refused by length", "-3 0\n+2 0\n", 1, 2, 0, 8,
       "walk_Truncated(2; 0).qmx"},
      {"above 65535 is no number", "70000 2\n3\n", 0, 0, 3, 7,
       "walk_Truncated(0; 3).qmx"},
      {"end of input", "", 0, 0, 0, 10, "walk_Truncated(0; 0).qmx"},
      {"end of input after a refusal", "9 9", 1, 0, 0, 10,
       "walk_Truncated(0; 0).qmx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const Bytes walk = Walk(10);
    WriteBytes(dir.path() / "walk.qmx", walk);
    const RunResult result =
        RunTool("snipla", {"walk.qmx"}, c.typed, dir.path());
    EXPECT_FALSE(result.timed_out);
    std::string dialogue;
    for (int i = 0; i < c.refusals; ++i) dialogue += Round(10) + kRefusal;
    EXPECT_EQ(result.output,
              WithNewlines(Opened("walk.qmx") + dialogue + Round(10) +
                           Done(c.new_count) + kExit));
    EXPECT_EQ(ListDir(dir.path()), (Names{"walk.qmx", c.output_name}));
    EXPECT_EQ(ReadBytes(dir.path() / c.output_name),
              Truncated(walk, c.front, c.new_count));
  }
}

// Every file asks anew, and what is left of a line after both cuts is
// dropped rather than answering the next file.
TEST_F(SniplaTest, EachFileGetsItsOwnCuts) {
  Input("a.qmx", Walk(10, 1));
  Input("b.qmx", Walk(12, 2));
  const RunResult result = Run({"a.qmx", "b.qmx"}, "1 1 9 9\n2 2\n");
  ExpectOutput(result, Opened("a.qmx") + Round(10) + Done(8) + Opened("b.qmx") +
                           Round(12) + Done(8) + kExit);
  EXPECT_EQ(File("a_Truncated(1; 1).qmx"), Truncated(Walk(10, 1), 1, 8));
  EXPECT_EQ(File("b_Truncated(2; 2).qmx"), Truncated(Walk(12, 2), 2, 8));
}

// Too few keyframes: skipped before any prompt.
TEST_F(SniplaTest, FewerThanTwoKeyframesAreSkipped) {
  Input("none.qmx", Walk(0));  // 24 trailing bytes cover the header reads
  Input("one.qmx", Walk(1));
  const RunResult result = Run({"none.qmx", "one.qmx"}, "0 0\n");
  ExpectOutput(result,
               "'none.qmx': Animation has only one frame, none to delete! "
               "Skipping.\n\n"
               "'one.qmx': Animation has only one frame, none to delete! "
               "Skipping.\n\n" +
                   kExit);
  EXPECT_EQ(Files(), (Names{"none.qmx", "one.qmx"}));
}

// Inputs that end before the first keyframe's mesh count (T + 86 bytes):
// reported before the keyframe count is looked at, nothing created.
TEST_F(SniplaTest, InputShorterThanTheHeaderReads) {
  Bytes many_records = Walk(2);           // 326 bytes
  sample::PutU16(many_records, 52, 100);  // T = 800, past the end
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"empty", {}},
      {"no header record count", Prefix(Walk(), 53)},
      {"one byte short", Prefix(Walk(), 16 + 85)},
      {"one keyframe, one byte short", Prefix(Walk(1), 16 + 85)},
      {"table past the end", many_records},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteBytes(dir.path() / "walk.qmx", c.bytes);
    const RunResult result =
        RunTool("snipla", {"walk.qmx"}, "0 0\n", dir.path());
    EXPECT_EQ(result.output, WithNewlines(Short("walk.qmx") + kExit));
    EXPECT_EQ(ListDir(dir.path()), Names{"walk.qmx"});
  }
}

// The header reads succeed but the keyframes to be kept are not all there:
// reported after the prompts, the working copy is removed and nothing is
// named.
TEST_F(SniplaTest, InputShorterThanTheRetainedKeyframes) {
  const Bytes full = Walk(10);
  // The last keyframe is cut in half; nothing else is missing.
  const Bytes cut = Prefix(full, kFirst + 9 * kStride + 55);
  // A header that promises 65535 keyframes of 60020 bytes (10000 meshes),
  // almost 4 GB, in a file of a few hundred bytes.
  Bytes huge = Walk(2);
  sample::PutU16(huge, 16 + 62, 65535);
  sample::PutU16(huge, kFirst + 18, 10000);
  struct Case {
    const char* what;
    Bytes bytes;
    const char* typed;
    int keyframe_count;
  };
  const Case cases[] = {
      {"last keyframe cut", cut, "0 0\n", 10},
      {"first kept keyframe cut", cut, "9 0\n", 10},
      {"header promises 4 GB", huge, "0 0\n", 65535},
      {"end of that block", huge, "65534 0\n", 65535},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteBytes(dir.path() / "walk.qmx", c.bytes);
    const RunResult result =
        RunTool("snipla", {"walk.qmx"}, c.typed, dir.path());
    EXPECT_EQ(result.output,
              WithNewlines(Opened("walk.qmx") + Round(c.keyframe_count) +
                           Short("walk.qmx") + kExit));
    EXPECT_EQ(ListDir(dir.path()), Names{"walk.qmx"});
  }
}

TEST_F(SniplaTest, ShortInputWhoseKeptKeyframesAreThere) {
  const Bytes full = Walk(10);
  Input("walk.qmx", Prefix(full, kFirst + 9 * kStride + 55));
  const RunResult result = Run({"walk.qmx"}, "0 1\n");
  ExpectOutput(result, Opened("walk.qmx") + Round(10) + Done(9) + kExit);
  EXPECT_EQ(File("walk_Truncated(0; 1).qmx"), Truncated(full, 0, 9));
}

}  // namespace
}  // namespace qmx::test
