#include "shovan/reposition.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/tool.h"
#include "shovan/shovan_tool.h"
#include "tools/sample_animation.h"

namespace qmx {
namespace {

using sample::GetS16;

std::vector<uint8_t> Moved(std::vector<uint8_t> bytes, Offsets offsets,
                           EditReport* report = nullptr) {
  MemoryStore store(bytes);
  const EditReport moved = Reposition(store, *ReadKeyframeArea(store), offsets);
  if (report != nullptr) *report = moved;
  return bytes;
}

TEST(RepositionTest, AddsEachOffsetToItsThreeWordsOnly) {
  const std::vector<uint8_t> input =
      sample::MakeAnimation({.header_record_count = 3,
                             .keyframe_count = 4,
                             .mesh_count = 15,
                             .trailing_bytes = 40});
  const std::vector<uint8_t> output = Moved(input, {256, -512, 1000});
  ASSERT_EQ(output.size(), input.size());
  struct Word {
    int64_t offset;
    int delta;
  };
  const Word words[] = {{0, 256},   {2, 256},  {12, 256},  {4, -512}, {6, -512},
                        {14, -512}, {8, 1000}, {10, 1000}, {16, 1000}};
  std::vector<uint8_t> expected = input;
  for (int64_t k = 0; k < 4; ++k) {
    const int64_t at = 24 + 66 + k * 110;
    for (const Word& w : words) {
      sample::PutU16(
          expected, at + w.offset,
          static_cast<uint16_t>(GetS16(input, at + w.offset) + w.delta));
    }
  }
  EXPECT_EQ(output, expected);
}

TEST(RepositionTest, SumsWrapWithoutClampingAndAreReported) {
  struct Case {
    const char* what;
    int16_t root_x, min_y;  // before
    Offsets offsets;
    int16_t moved_root_x, moved_min_y;
    bool wrapped;
  };
  const Case cases[] = {
      {"up past 32767", 32767, 0, {1, 0, 0}, -32768, 0, true},
      {"down past -32768", 0, -32768, {0, -1, 0}, 0, 32767, true},
      {"up to the limits", 32766, -32767, {1, -1, 0}, 32767, -32768, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> input = sample::MakeAnimation(
        {.header_record_count = 0, .keyframe_count = 1, .mesh_count = 0});
    sample::PutU16(input, 66 + kRootXOffset, static_cast<uint16_t>(c.root_x));
    sample::PutU16(input, 66 + kMinYOffset, static_cast<uint16_t>(c.min_y));
    EditReport report;
    const std::vector<uint8_t> output = Moved(input, c.offsets, &report);
    EXPECT_EQ(GetS16(output, 66 + kRootXOffset), c.moved_root_x);
    EXPECT_EQ(GetS16(output, 66 + kMinYOffset), c.moved_min_y);
    EXPECT_EQ(report.wrapped, c.wrapped);
  }
}

TEST(RepositionTest, NoKeyframesOrZeroOffsetsChangeNothing) {
  const std::vector<uint8_t> empty =
      sample::MakeAnimation({.keyframe_count = 0, .trailing_bytes = 30});
  EXPECT_EQ(Moved(empty, {5, 5, 5}), empty);
  const std::vector<uint8_t> walk =
      sample::MakeAnimation({.keyframe_count = 9});
  EXPECT_EQ(Moved(walk, {0, 0, 0}), walk);
}

// A file cut inside its second keyframe: the words are visited X, Y, Z
// triple by triple, and the edit stops for good at the first one missing.
TEST(RepositionTest, ShortFileStopsAtTheFirstMissingWord) {
  const std::vector<uint8_t> full = sample::MakeAnimation(
      {.header_record_count = 0, .keyframe_count = 2, .mesh_count = 15});
  const int64_t second = 66 + 110;
  struct Case {
    int64_t cut;                   // bytes of the second keyframe kept
    std::vector<int64_t> changed;  // its words that move
  };
  const Case cases[] = {
      {0, {}},
      {3, {0}},
      {4, {0, 2}},
      {13, {0, 2}},  // root X is cut, so min Y (present) is never reached
      {14, {0, 2, 12, 4, 6}},
      {16, {0, 2, 12, 4, 6, 14, 8, 10}},
      {18, {0, 2, 12, 4, 6, 14, 8, 10, 16}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cut);
    const std::vector<uint8_t> input(full.begin(),
                                     full.begin() + second + c.cut);
    const std::vector<uint8_t> output = Moved(input, {1, 1, 1});
    ASSERT_EQ(output.size(), input.size());
    EXPECT_EQ(GetS16(output, 66 + kRootZOffset),
              GetS16(input, 66 + kRootZOffset) + 1);  // first keyframe done
    for (int64_t offset = 0; offset + 2 <= c.cut; offset += 2) {
      const bool moves = std::find(c.changed.begin(), c.changed.end(),
                                   offset) != c.changed.end();
      EXPECT_EQ(GetS16(output, second + offset),
                static_cast<int16_t>(GetS16(input, second + offset) +
                                     (moves ? 1 : 0)))
          << "word at +" << offset;
    }
  }
}

TEST(ShovanToolTest, PromptsAndSuffix) {
  struct Case {
    const char* typed;
    const char* suffix;
    const char* left;  // what remains for the next question
  };
  const Case cases[] = {
      {"256 0 -512\ny", "_Repositioned(256,0,-512)", "y"},
      {"1\n2\n3\n", "_Repositioned(1,2,3)", ""},
      {"abc\n4 5\n", "_Repositioned(0,4,5)", ""},
      {"40000 7 8\n9\n10\n", "_Repositioned(0,9,10)", ""},
      {"1 2 abc\ny", "_Repositioned(1,2,0)", "y"},
      {"1 2 3 4\nn", "_Repositioned(1,2,3)", "n"},
      {"", "_Repositioned(0,0,0)", ""},
      {"-256", "_Repositioned(-256,0,0)", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    std::istringstream in(c.typed);
    std::ostringstream out;
    ConsoleReader reader(in);
    Console console{reader, out, [](std::string_view) { return -1; }};
    ShovanTool tool;
    tool.AskParameters(console, KeyframeArea{});
    EXPECT_EQ(out.str(), "Enter X offset: Enter Y offset: Enter Z offset: ");
    EXPECT_EQ(tool.Suffix(), c.suffix);
    std::string left;
    for (int ch = reader.GetChar(); ch != -1; ch = reader.GetChar()) {
      left += static_cast<char>(ch);
    }
    EXPECT_EQ(left, c.left);
  }
}

}  // namespace
}  // namespace qmx
