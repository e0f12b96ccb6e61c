// Shovan end to end: the real executable in a fresh directory, answers from
// a file, standard output compared byte for byte.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

const std::string kPrompts = "Enter X offset: Enter Y offset: Enter Z offset: ";
const std::string kDone = "Position change complete.\n\n";

// The name a file created as `name` is listed under. Windows drops trailing
// dots and spaces from the names it creates (and opens "dot." as "dot").
std::string Stored(std::string name) {
#ifdef _WIN32
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
    name.pop_back();
  }
#endif
  return name;
}

std::string Question(int following) {
  return "Use current offsets for all following (" + std::to_string(following) +
         ") files? (y/n): \n\n";
}

Bytes Walk(uint32_t seed = 7) {
  return sample::MakeAnimation({.header_record_count = 2,
                                .keyframe_count = 6,
                                .mesh_count = 15,
                                .trailing_bytes = 12,
                                .seed = seed});
}

// The input with every keyframe moved: computed here word by word from the
// layout, independently of the tool.
Bytes Moved(const Bytes& input, int x, int y, int z, int64_t keyframes = 6,
            int64_t first = 16 + 66, int64_t stride = 110) {
  Bytes out = input;
  const std::pair<int64_t, int> words[] = {{0, x}, {2, x},  {12, x},
                                           {4, y}, {6, y},  {14, y},
                                           {8, z}, {10, z}, {16, z}};
  for (int64_t k = 0; k < keyframes; ++k) {
    for (const auto& [offset, delta] : words) {
      const int64_t at = first + k * stride + offset;
      sample::PutU16(out, at,
                     static_cast<uint16_t>(sample::GetU16(input, at) + delta));
    }
  }
  return out;
}

class ShovanTest : public ToolTest {
 protected:
  ShovanTest() : ToolTest("shovan") {}
};

TEST_F(ShovanTest, NoArgumentsShowsTheInstructions) {
  const RunResult result = Run({}, "\n");
  ExpectOutput(result,
               "Animation Repositioning Utility\n\n"
               "Instructions:\n"
               "Drop one or multiple .qmx animation files onto the program "
               "icon. You will be\n"
               "prompted to enter X,Y,Z position offsets (in GALD units, 256 "
               "= 1 click, while\n"
               "1024 = 1 sector, etc.) added to the current position.\n"
               "If you drop more than one file, you will also be asked "
               "whether to use current\n"
               "offsets for all remaining files.\n\n" +
                   kExit);
  EXPECT_EQ(Files(), Names{});
}

TEST_F(ShovanTest, MovesEveryKeyframeAndNamesTheResult) {
  const Bytes walk = Walk();
  Input("walk.qmx", walk);
  const RunResult result = Run({"walk.qmx"}, "256 0 -512\n");
  ExpectOutput(result, Opened("walk.qmx") + kPrompts + kDone + kExit);
  EXPECT_EQ(Files(), (Names{"walk.qmx", "walk_Repositioned(256,0,-512).qmx"}));
  EXPECT_EQ(File("walk_Repositioned(256,0,-512).qmx"),
            Moved(walk, 256, 0, -512));
}

TEST_F(ShovanTest, ZeroOffsetsCopyTheFileExactly) {
  Input("walk.qmx", Walk());
  Run({"walk.qmx"}, "0 0 0\n");
  EXPECT_EQ(File("walk_Repositioned(0,0,0).qmx"), Walk());
}

TEST_F(ShovanTest, EndOfInputAtEachPrompt) {
  struct Case {
    const char* typed;
    int x, y, z;
  };
  for (const Case& c :
       {Case{"", 0, 0, 0}, Case{"5", 5, 0, 0}, Case{"5\n", 5, 0, 0},
        Case{"5 -6", 5, -6, 0}, Case{"word", 0, 0, 0}}) {
    SCOPED_TRACE(c.typed);
    TempDir dir;
    WriteBytes(dir.path() / "walk.qmx", Walk());
    const RunResult result =
        RunTool("shovan", {"walk.qmx"}, c.typed, dir.path());
    EXPECT_EQ(result.output,
              WithNewlines(Opened("walk.qmx") + kPrompts + kDone + kExit));
    const std::string name = "walk_Repositioned(" + std::to_string(c.x) + "," +
                             std::to_string(c.y) + "," + std::to_string(c.z) +
                             ").qmx";
    EXPECT_EQ(ListDir(dir.path()), (Names{"walk.qmx", name}));
    EXPECT_EQ(ReadBytes(dir.path() / name), Moved(Walk(), c.x, c.y, c.z));
  }
}

TEST_F(ShovanTest, MissingFileIsReportedBeforeItsType) {
  Input("walk.qmx", Walk());
  fs::create_directory(dir_.path() / "folder.qmx");
  const RunResult result =
      Run({"missing.txt", "missing.qmx", "folder.qmx", "walk.qmx"}, "1 1 1\n");
  ExpectOutput(result,
               "File could not be found.\n\n"
               "File could not be found.\n\n"
               "File could not be found.\n\n" +
                   Opened("walk.qmx") + kPrompts + kDone + kExit);
}

TEST_F(ShovanTest, ExtensionTest) {
  struct Case {
    const char* name;
    bool passes;
    const char* output_name;
  };
  const Case cases[] = {
      {"upper.QMX", true, "upper_Repositioned(0,0,0).QMX"},
      {"backup.qmxbak", true, "backup_Repositioned(0,0,0).qmxbak"},
      {"mixed.Qmx", false, ""},
      {"short.qm", false, ""},
      {"dot.", false, ""},
      {"qmxfile", true, "qmxfile_Repositioned(0,0,0)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir.path() / c.name, Walk());
    const RunResult result = RunTool("shovan", {c.name}, "0 0 0\n", dir.path());
    if (c.passes) {
      EXPECT_EQ(result.output,
                WithNewlines(Opened(c.name) + kPrompts + kDone + kExit));
      EXPECT_EQ(ReadBytes(dir.path() / c.output_name), Walk());
    } else {
      EXPECT_EQ(result.output,
                WithNewlines(std::string(c.name).insert(0, 1, '\'') +
                             "': Invalid file type, skipping.\n\n" + kExit));
      EXPECT_EQ(ListDir(dir.path()), Names{Stored(c.name)});
    }
  }
}

TEST_F(ShovanTest, UseForAllAnswers) {
  struct Case {
    const char* typed;
    bool reused;
  };
  for (const Case& c :
       {Case{"1 2 3\ny", true}, Case{"1 2 3\nY4 5 6\n7 8 9\n", false},
        Case{"1 2 3\nn4 5 6\n7 8 9\n", false}}) {
    SCOPED_TRACE(c.typed);
    TempDir dir;
    for (const char* name : {"a.qmx", "b.qmx", "c.qmx"}) {
      WriteBytes(dir.path() / name, Walk());
    }
    const RunResult result =
        RunTool("shovan", {"a.qmx", "b.qmx", "c.qmx"}, c.typed, dir.path());
    const std::string later = c.reused ? "" : kPrompts;
    EXPECT_EQ(result.output,
              WithNewlines(Opened("a.qmx") + kPrompts + kDone + Question(2) +
                           Opened("b.qmx") + later + kDone + Opened("c.qmx") +
                           later + kDone + kExit));
    const Names expected = c.reused
                               ? Names{"a.qmx", "a_Repositioned(1,2,3).qmx",
                                       "b.qmx", "b_Repositioned(1,2,3).qmx",
                                       "c.qmx", "c_Repositioned(1,2,3).qmx"}
                               : Names{"a.qmx", "a_Repositioned(1,2,3).qmx",
                                       "b.qmx", "b_Repositioned(4,5,6).qmx",
                                       "c.qmx", "c_Repositioned(7,8,9).qmx"};
    EXPECT_EQ(ListDir(dir.path()), expected);
  }
}

TEST_F(ShovanTest, FailedZThenQuestionDropsOnlyOneLine) {
  Input("a.qmx", Walk());
  Input("b.qmx", Walk(8));
  const RunResult result = Run({"a.qmx", "b.qmx"}, "1 2 abc\ny");
  ExpectOutput(result, Opened("a.qmx") + kPrompts + kDone + Question(1) +
                           Opened("b.qmx") + kDone + kExit);
  EXPECT_EQ(File("b_Repositioned(1,2,0).qmx"), Moved(Walk(8), 1, 2, 0));
}

TEST_F(ShovanTest, SkippedFirstFileMeansNoQuestion) {
  Input("a.txt", Walk());
  Input("b.qmx", Walk());
  Input("c.qmx", Walk());
  const RunResult result = Run({"a.txt", "b.qmx", "c.qmx"}, "1 1 1\n2 2 2\n");
  ExpectOutput(result, "'a.txt': Invalid file type, skipping.\n\n" +
                           Opened("b.qmx") + kPrompts + kDone +
                           Opened("c.qmx") + kPrompts + kDone + kExit);
  EXPECT_EQ(File("c_Repositioned(2,2,2).qmx"), Moved(Walk(), 2, 2, 2));
}

// The result of the first of several files takes a numbered name; the
// run goes on as usual, the question included.
TEST_F(ShovanTest, ClashOfTheFirstFileKeepsBoth) {
  Input("a.qmx", Walk());
  Input("b.qmx", Walk(8));
  Input("a_Repositioned(0,0,0).qmx", {'e', 'a', 'r', 'l', 'i', 'e', 'r'});
  const RunResult result = Run({"a.qmx", "b.qmx"}, "0 0 0\ny");
  ExpectOutput(result, Opened("a.qmx") + kPrompts + kDone +
                           "'a.qmx': a_Repositioned(0,0,0).qmx already exists; "
                           "the result was saved as a_Repositioned(0,0,0) "
                           "(2).qmx.\n\n" +
                           Question(1) + Opened("b.qmx") + kDone + kExit);
  EXPECT_EQ(File("a_Repositioned(0,0,0) (2).qmx"), Walk());
  EXPECT_EQ(File("b_Repositioned(0,0,0).qmx"), Walk(8));
}

TEST_F(ShovanTest, WrappedSumsAreReported) {
  Input("walk.qmx", Walk());
  const RunResult result = Run({"walk.qmx"}, "32767 0 0\n");
  ExpectOutput(result, Opened("walk.qmx") + kPrompts +
                           "'walk.qmx': Warning: some values passed the "
                           "coordinate range and wrapped around.\n" +
                           kDone + kExit);
  EXPECT_EQ(File("walk_Repositioned(32767,0,0).qmx"),
            Moved(Walk(), 32767, 0, 0));
}

TEST_F(ShovanTest, ForwardSlashArgumentKeepsItsDirectory) {
  fs::create_directory(dir_.path() / "anims");
  fs::create_directory(dir_.path() / "x.qmx");
  Input("anims/walk.qmx", Walk());
  Input("x.qmx/walk", Walk());
  const RunResult result = Run({"anims/walk.qmx", "x.qmx/walk"}, "0 4 0\n");
  ExpectOutput(result,
               Opened("anims/walk.qmx") + kPrompts + kDone + Question(1) +
                   "'x.qmx/walk': Invalid file type, skipping.\n\n" + kExit);
  EXPECT_EQ(File("anims/walk_Repositioned(0,4,0).qmx"), Moved(Walk(), 0, 4, 0));
  EXPECT_EQ(Files(), (Names{"anims", "x.qmx"}));
  EXPECT_EQ(ListDir(dir_.path() / "x.qmx"), Names{"walk"});
}

TEST_F(ShovanTest, BackslashSeparatesDirectories) {
  // On Windows this names a file in a folder; elsewhere a backslash is part
  // of the file name. Either way the base name is what follows it and the
  // result lands in the working directory.
  const std::string argument = "anims.old\\walk.qmx";
#ifdef _WIN32
  fs::create_directory(dir_.path() / "anims.old");
#endif
  Input(argument, Walk());
  const RunResult result = Run({argument}, "0 0 8\n");
  ExpectOutput(result, Opened("walk.qmx") + kPrompts + kDone + kExit);
  EXPECT_EQ(File("walk_Repositioned(0,0,8).qmx"), Moved(Walk(), 0, 0, 8));
}

#ifdef _WIN32
// A file dropped on the icon arrives as its full path with a drive letter;
// the result lands in the working directory, not beside the input.
TEST_F(ShovanTest, DroppedFullPathLandsInTheWorkingDirectory) {
  fs::create_directory(dir_.path() / "anims");
  Input("anims\\walk.qmx", Walk());
  const std::string dropped = (dir_.path() / "anims" / "walk.qmx").string();
  ASSERT_EQ(dropped.substr(1, 2), ":\\") << dropped;
  const RunResult result = Run({dropped}, "1 2 3\r\n");
  ExpectOutput(result, Opened("walk.qmx") + kPrompts + kDone + kExit);
  EXPECT_EQ(Files(), (Names{"anims", "walk_Repositioned(1,2,3).qmx"}));
  EXPECT_EQ(File("walk_Repositioned(1,2,3).qmx"), Moved(Walk(), 1, 2, 3));
}
#endif

// A file called newfile.qmx is an input like any other, and one that lies
// about is never touched (TearDown checks both).
TEST_F(ShovanTest, NewfileIsAnOrdinaryName) {
  Input("newfile.qmx", Walk());
  Input("walk.qmx", Walk(8));
  const RunResult result = Run({"newfile.qmx", "walk.qmx"}, "1 0 0\ny");
  ExpectOutput(result, Opened("newfile.qmx") + kPrompts + kDone + Question(1) +
                           Opened("walk.qmx") + kDone + kExit);
  EXPECT_EQ(Files(), (Names{"newfile.qmx", "newfile_Repositioned(1,0,0).qmx",
                            "walk.qmx", "walk_Repositioned(1,0,0).qmx"}));
  EXPECT_EQ(File("newfile_Repositioned(1,0,0).qmx"), Moved(Walk(), 1, 0, 0));
}

TEST_F(ShovanTest, NoKeyframesStillGetsItsName) {
  const Bytes empty = sample::MakeAnimation(
      {.header_record_count = 2, .keyframe_count = 0, .trailing_bytes = 0});
  Input("empty.qmx", empty);
  const RunResult result = Run({"empty.qmx"}, "9 9 9\n");
  ExpectOutput(result, Opened("empty.qmx") + kPrompts + kDone + kExit);
  EXPECT_EQ(File("empty_Repositioned(9,9,9).qmx"), empty);
}

// A file cut short: edited up to its end, same length, and a warning.
TEST_F(ShovanTest, ShortFilesAreEditedUpToTheirEnd) {
  const Bytes full = Walk();
  const std::string warning =
      "'cut.qmx': Warning: the file is shorter than its header describes; "
      "editing stopped at its end.\n";
  struct Case {
    size_t length;
    int64_t whole_keyframes;  // moved completely
    bool warns;               // some field the edit needs is missing
  };
  for (const Case& c :
       {Case{0, 0, true}, Case{53, 0, true}, Case{16 + 63, 0, true},
        Case{16 + 85, 0, true}, Case{16 + 66 + 110, 1, true},
        Case{16 + 66 + 110 * 3 + 17, 3, true},
        // Only mesh rotations are missing: everything moved is there.
        Case{16 + 66 + 110 * 6 - 1, 6, false}}) {
    SCOPED_TRACE(c.length);
    TempDir dir;
    const Bytes cut(full.begin(), full.begin() + static_cast<long>(c.length));
    WriteBytes(dir.path() / "cut.qmx", cut);
    const RunResult result =
        RunTool("shovan", {"cut.qmx"}, "3 3 3\n", dir.path());
    EXPECT_EQ(result.output,
              WithNewlines(Opened("cut.qmx") + kPrompts +
                           (c.warns ? warning : "") + kDone + kExit));
    const Bytes output = ReadBytes(dir.path() / "cut_Repositioned(3,3,3).qmx");
    ASSERT_EQ(output.size(), cut.size());
    const Bytes expected = Moved(full, 3, 3, 3, c.whole_keyframes);
    // Whole keyframes are moved; the cut one is checked by the unit tests.
    const size_t checked =
        std::min<size_t>(cut.size(), 16 + 66 + 110 * c.whole_keyframes);
    EXPECT_TRUE(std::equal(output.begin(),
                           output.begin() + static_cast<long>(checked),
                           expected.begin()));
  }
}

}  // namespace
}  // namespace qmx::test
