// Faults end to end, for every tool: a full disk, an output name that is
// already taken, the working copy or a directory given as input, and a
// sample cut short at every byte through its header and first keyframes.
// Every run must end normally, report each failure in one line, leave no
// working copy behind where a file failed, and change no input.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

const std::string kAnglePrompt = "Enter rotation angle (in degrees): ";
const std::string kOffsetPrompts =
    "Enter X offset: Enter Y offset: Enter Z offset: ";
const std::string kCutPrompts =
    "Enter number of keyframes to delete from beginning: "
    "Enter number of keyframes to delete from end: ";
const std::string kNotPlayer =
    "Animation doesn't seem to belong to the OBRI object. Skipping.\n\n";

std::string EndedEarly(const std::string& base) {
  return "'" + base +
         "': Warning: the file is shorter than its header describes; editing "
         "stopped at its end.\n";
}

std::string ShorterThanHeader(const std::string& base) {
  return "'" + base +
         "': File is shorter than its header describes, skipping.\n\n";
}

std::string KeyframeCount(int count) {
  return "Amount of keyframes in animation: " + std::to_string(count) + "\n";
}

std::string Truncated(int new_count) {
  return "Animation successfully truncated. New keyframe number: " +
         std::to_string(new_count) + "\n\n";
}

// The walk sample's shape: 32 keyframes of 15 meshes (stride 110) and 24
// bytes of trailing data, after `records` header records.
constexpr int kKeyframes = 32;
constexpr int64_t kStride = 110;

Bytes Walk(uint16_t records) {
  return sample::MakeAnimation({.header_record_count = records,
                                .keyframe_count = kKeyframes,
                                .mesh_count = 15,
                                .trailing_bytes = 24,
                                .seed = 7});
}

// How one tool is driven here: its answers for one file, and what it prints
// for a file of `count` keyframes before and after its edit. Snipla is told
// to keep every keyframe.
struct ToolCase {
  std::string tool;
  std::string typed;
  std::string suffix;  // of the output name, for these answers
  std::string (*dialogue)(int count);
  std::string (*done)(int count);
  bool in_place;  // copies the whole input to the working copy first
  /// The use-for-all question after the first of two files, with its line
  /// breaks; empty for a tool that asks none.
  std::string question;
};

void PrintTo(const ToolCase& tool_case, std::ostream* out) {
  *out << tool_case.tool;
}

const ToolCase kTools[] = {
    {.tool = "gyrel",
     .typed = "90\n",
     .suffix = "_Rotated(90" + kDegree + ")",
     .dialogue = [](int) { return kAnglePrompt; },
     .done =
         [](int) { return std::string("Rotating operation complete.\n\n"); },
     .in_place = true,
     .question = "Use current angle for all following (1) files? (y/n): \n\n"},
    {.tool = "shovan",
     .typed = "5 -7 9\n",
     .suffix = "_Repositioned(5,-7,9)",
     .dialogue = [](int) { return kOffsetPrompts; },
     .done = [](int) { return std::string("Position change complete.\n\n"); },
     .in_place = true,
     .question =
         "Use current offsets for all following (1) files? (y/n): \n\n"},
    {.tool = "snipla",
     .typed = "0 0\n",
     .suffix = "_Truncated(0; 0)",
     .dialogue = [](int count) { return KeyframeCount(count) + kCutPrompts; },
     .done = [](int count) { return Truncated(count); },
     .in_place = false,
     .question = ""},
    {.tool = "flipta",
     .typed = "",
     .suffix = "_Mirrored",
     .dialogue = [](int) { return std::string(); },
     .done =
         [](int) { return std::string("Mirroring operation complete.\n\n"); },
     .in_place = true,
     .question = ""},
};

class FaultTest : public ToolTest,
                  public testing::WithParamInterface<ToolCase> {
 protected:
  FaultTest() : ToolTest(GetParam().tool) {}
  const ToolCase& tool_case() const { return GetParam(); }
};

// A full disk, made with a file size limit on the tool's process: a small
// file goes through, then the working copy of a large one cannot be
// written, so the tool says so in one line and leaves neither an output nor
// a working copy. The limits fall in the header, in the keyframes and on the
// last byte of the working copy. Snipla writes its header before the prompts
// and its keyframes after them, so the first limit stops it before the
// prompts and the others after.
TEST_P(FaultTest, FullDiskLeavesNoOutputAndNoWorkingCopy) {
#ifdef _WIN32
  GTEST_SKIP() << "a file size limit per process is a POSIX facility";
#else
  const ToolCase& c = tool_case();
  const Bytes big = Walk(200);  // a header of 1600 + 66 bytes
  const int64_t header = 1600 + 66;
  // Below every limit, and a player figure, so that every tool writes it.
  const Bytes small = sample::MakeAnimation({.header_record_count = 0,
                                             .keyframe_count = 4,
                                             .mesh_count = 15,
                                             .seed = 5});
  const int64_t copy_size = c.in_place ? static_cast<int64_t>(big.size())
                                       : header + kKeyframes * kStride;
  for (const int64_t limit : {int64_t{1024}, header + 1000, copy_size - 1}) {
    SCOPED_TRACE(limit);
    TempDir dir;
    WriteBytes(dir.path() / "big.qmx", big);
    WriteBytes(dir.path() / "small.qmx", small);
    // Gyrel and Shovan are told to reuse their parameters; Snipla asks again.
    const std::string typed = c.typed + (c.question.empty() ? c.typed : "y");
    const RunResult result = RunToolWithFileSizeLimit(
        c.tool, {"small.qmx", "big.qmx"}, typed, dir.path(), limit);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.errors, "");
    const bool after_prompts = !c.in_place && limit >= header;
    EXPECT_EQ(
        result.output,
        WithNewlines(
            Opened("small.qmx") + c.dialogue(4) + c.done(4) + c.question +
            (after_prompts ? Opened("big.qmx") + c.dialogue(kKeyframes) : "") +
            "'big.qmx': Could not write the working copy, skipping.\n\n" +
            kExit));
    EXPECT_EQ(ListDir(dir.path()),
              (Names{"big.qmx", "small.qmx", "small" + c.suffix + ".qmx"}));
    EXPECT_EQ(ReadBytes(dir.path() / "big.qmx"), big);
    EXPECT_EQ(ReadBytes(dir.path() / "small.qmx"), small);
  }
#endif
}

// The earlier file keeps its name and every byte (TearDown checks it); the
// result takes the first free numbered name, exactly as a run without the
// clash would have written it.
TEST_P(FaultTest, TakenOutputNameIsNeverReplaced) {
  const ToolCase& c = tool_case();
  const Bytes walk = Walk(2);
  const std::string taken = "walk" + c.suffix + ".qmx";
  const std::string second = "walk" + c.suffix + " (2).qmx";
  Input("walk.qmx", walk);
  Input(taken, {'e', 'a', 'r', 'l', 'i', 'e', 'r'});
  ExpectOutput(Run({"walk.qmx"}, c.typed),
               Opened("walk.qmx") + c.dialogue(kKeyframes) +
                   c.done(kKeyframes) + "'walk.qmx': " + taken +
                   " already exists; the result was saved as " + second +
                   ".\n\n" + kExit);
  EXPECT_EQ(Files(), (Names{"walk.qmx", second, taken}));

  TempDir clean;
  WriteBytes(clean.path() / "walk.qmx", walk);
  RunTool(c.tool, {"walk.qmx"}, c.typed, clean.path());
  EXPECT_EQ(File(second), ReadBytes(clean.path() / PathOf(taken)));
}

TEST_P(FaultTest, DirectoryGivenAsInputIsNotFound) {
  const ToolCase& c = tool_case();
  fs::create_directory(dir_.path() / "folder.qmx");
  Input("walk.qmx", Walk(2));
  ExpectOutput(Run({"folder.qmx", "walk.qmx"}, c.typed),
               "File could not be found.\n\n" + Opened("walk.qmx") +
                   c.dialogue(kKeyframes) + c.done(kKeyframes) + kExit);
  EXPECT_EQ(Files(),
            (Names{"folder.qmx", "walk.qmx", "walk" + c.suffix + ".qmx"}));
  EXPECT_TRUE(fs::is_empty(dir_.path() / "folder.qmx"));
}

// Names in other scripts, and a path longer than the 260 characters that
// Windows once allowed, go through every tool: the inputs are found, the
// results are named after them, beside them for the forward-slash path,
// and the messages quote the names in UTF-8.
TEST_P(FaultTest, NamesInAnyScriptAndOfAnyLength) {
  const ToolCase& c = tool_case();
  const std::string cyrillic = "\xD0\x9B\xD0\xB0\xD1\x80\xD0\xB0";  // Лара
  const std::string cjk = "\xE6\xAD\xA9\xE3\x81\x8F";               // 歩く
  const std::string long_dir =
      std::string(130, 'd') + "/" + std::string(130, 'e');
  const std::string deep = long_dir + "/" + cjk + ".qmx";
  ASSERT_GT(deep.size(), 270u);
  fs::create_directories(dir_.path() / long_dir);
  Input(cyrillic + ".qmx", Walk(2));
  Input(deep, Walk(2));
  const std::string typed = c.typed + (c.question.empty() ? c.typed : "y");
  ExpectOutput(Run({cyrillic + ".qmx", deep}, typed),
               Opened(cyrillic + ".qmx") + c.dialogue(kKeyframes) +
                   c.done(kKeyframes) + c.question + Opened(deep) +
                   (c.question.empty() ? c.dialogue(kKeyframes) : "") +
                   c.done(kKeyframes) + kExit);
  const std::string result = cyrillic + c.suffix + ".qmx";
  EXPECT_EQ(Files(), (Names{std::string(130, 'd'), cyrillic + ".qmx", result}));
  EXPECT_EQ(ListDir(dir_.path() / long_dir),
            (Names{cjk + ".qmx", cjk + c.suffix + ".qmx"}));
  TempDir clean;
  WriteBytes(clean.path() / "walk.qmx", Walk(2));
  RunTool(c.tool, {"walk.qmx"}, c.typed, clean.path());
  const Bytes expected =
      ReadBytes(clean.path() / PathOf("walk" + c.suffix + ".qmx"));
  EXPECT_EQ(File(result), expected);
  EXPECT_EQ(File(long_dir + "/" + cjk + c.suffix + ".qmx"), expected);
}

INSTANTIATE_TEST_SUITE_P(AllTools, FaultTest, testing::ValuesIn(kTools),
                         [](const testing::TestParamInfo<ToolCase>& info) {
                           return info.param.tool;
                         });

// The walk sample with two header records, cut at every length from 0 up
// to the end of its second keyframe: through the header reads, the first
// keyframe and into the second. A few hundred runs per tool.
constexpr int64_t kFirstKeyframe = 16 + 66;
constexpr int64_t kMeshCountEnd = kFirstKeyframe + 20;  // last header read
constexpr int64_t kCutThrough = kFirstKeyframe + 2 * kStride;

// What a run on a cut sample must print and write.
struct Expected {
  std::string output;
  std::optional<Bytes> written;  // nothing when no output may exist
};

// The output `tool` writes for the whole walk sample.
Bytes ResultForWholeSample(const std::string& tool, const std::string& typed,
                           const std::string& suffix) {
  TempDir dir;
  WriteBytes(dir.path() / "walk.qmx", Walk(2));
  const RunResult result = RunTool(tool, {"walk.qmx"}, typed, dir.path());
  EXPECT_EQ(result.exit_code, 0);
  return ReadBytes(dir.path() / PathOf("walk" + suffix + ".qmx"));
}

void CopyWord(const Bytes& from, Bytes& to, int64_t pos) {
  to[static_cast<size_t>(pos)] = from[static_cast<size_t>(pos)];
  to[static_cast<size_t>(pos) + 1] = from[static_cast<size_t>(pos) + 1];
}

bool Holds(const Bytes& bytes, int64_t end) {
  return static_cast<int64_t>(bytes.size()) >= end;
}

// Runs `tool` on every cut of the sample, each in a fresh directory, and
// compares each run with `expect(cut)`: never a crash, a hang, a changed
// input or a longer output.
void SweepCuts(const std::string& tool, const std::string& typed,
               const std::string& suffix,
               const std::function<Expected(const Bytes& cut)>& expect) {
  const Bytes walk = Walk(2);
  const std::string output_name = "cut" + suffix + ".qmx";
  for (int64_t length = 0; length <= kCutThrough; ++length) {
    SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
    const Bytes cut(walk.begin(), walk.begin() + length);
    TempDir dir;
    WriteBytes(dir.path() / "cut.qmx", cut);
    const RunResult result = RunTool(tool, {"cut.qmx"}, typed, dir.path());
    ASSERT_FALSE(result.timed_out);
    ASSERT_EQ(result.exit_code, 0);
    ASSERT_EQ(result.errors, "");
    ASSERT_EQ(ReadBytes(dir.path() / "cut.qmx"), cut);
    const Expected expected = expect(cut);
    ASSERT_EQ(result.output, WithNewlines(expected.output + kExit));
    if (!expected.written) {
      ASSERT_EQ(ListDir(dir.path()), Names{"cut.qmx"});
      continue;
    }
    ASSERT_EQ(ListDir(dir.path()), (Names{"cut.qmx", output_name}));
    const Bytes written = ReadBytes(dir.path() / PathOf(output_name));
    ASSERT_LE(written.size(), cut.size());
    ASSERT_EQ(written, *expected.written);
  }
}

// Each keyframe's box and root offset are turned once all six are there,
// and its root mesh's Y angle once that is there too; a file that ends
// before keyframe 0's mesh count gets no keyframe written at all.
TEST(CutShortTest, Gyrel) {
  const std::string suffix = "_Rotated(90" + kDegree + ")";
  const Bytes whole = ResultForWholeSample("gyrel", "90\n", suffix);
  SweepCuts("gyrel", "90\n", suffix, [&](const Bytes& cut) {
    Bytes written = cut;
    for (int64_t p = kFirstKeyframe; Holds(cut, kMeshCountEnd); p += kStride) {
      if (!Holds(cut, p + 18)) break;
      for (const int64_t offset : {0, 2, 8, 10, 12, 16}) {
        CopyWord(whole, written, p + offset);
      }
      if (!Holds(cut, p + 24)) break;
      CopyWord(whole, written, p + 22);
    }
    return Expected{Opened("cut.qmx") + kAnglePrompt + EndedEarly("cut.qmx") +
                        "Rotating operation complete.\n\n",
                    written};
  });
}

// Words are moved in the order X, Y, Z (min, max, root offset each) up to
// the first one missing.
TEST(CutShortTest, Shovan) {
  const std::string suffix = "_Repositioned(5,-7,9)";
  const Bytes whole = ResultForWholeSample("shovan", "5 -7 9\n", suffix);
  SweepCuts("shovan", "5 -7 9\n", suffix, [&](const Bytes& cut) {
    Bytes written = cut;
    bool ended = !Holds(cut, kMeshCountEnd);
    for (int64_t p = kFirstKeyframe; !ended; p += kStride) {
      for (const int64_t offset : {0, 2, 12, 4, 6, 14, 8, 10, 16}) {
        ended = !Holds(cut, p + offset + 2);
        if (ended) break;
        CopyWord(whole, written, p + offset);
      }
    }
    return Expected{Opened("cut.qmx") + kOffsetPrompts + EndedEarly("cut.qmx") +
                        "Position change complete.\n\n",
                    written};
  });
}

// Keyframe 1 alone is kept: the file is written only when it holds all of
// keyframe 1, and refused before the prompts when it ends before the header
// reads do.
TEST(CutShortTest, Snipla) {
  const std::string suffix = "_Truncated(1; 30)";
  const Bytes whole = ResultForWholeSample("snipla", "1 30\n", suffix);
  ASSERT_EQ(whole.size(), static_cast<size_t>(kFirstKeyframe + kStride));
  SweepCuts("snipla", "1 30\n", suffix, [&](const Bytes& cut) {
    if (!Holds(cut, kMeshCountEnd)) {
      return Expected{ShorterThanHeader("cut.qmx"), std::nullopt};
    }
    const std::string asked =
        Opened("cut.qmx") + KeyframeCount(kKeyframes) + kCutPrompts;
    if (!Holds(cut, kFirstKeyframe + 2 * kStride)) {
      return Expected{asked + ShorterThanHeader("cut.qmx"), std::nullopt};
    }
    return Expected{asked + Truncated(1), whole};
  });
}

int16_t MirrorAngle(int16_t v) {
  return static_cast<int16_t>(v >= 1024 ? v - 1024 : -1024 - v);
}

// A file that ends before keyframe 0's mesh count is no player figure. A
// whole keyframe is mirrored as in the whole file; in a cut one the X pair
// of the box, root offset X and then the Y and Z angles are mirrored up to
// the first one missing, and no rotations are exchanged.
TEST(CutShortTest, Flipta) {
  const Bytes whole = ResultForWholeSample("flipta", "", "_Mirrored");
  SweepCuts("flipta", "", "_Mirrored", [&](const Bytes& cut) {
    if (!Holds(cut, kMeshCountEnd)) {
      return Expected{Opened("cut.qmx") + kNotPlayer, std::nullopt};
    }
    Bytes written = cut;
    const auto put = [&](int64_t pos, int value) {
      sample::PutU16(written, pos, static_cast<uint16_t>(value));
    };
    for (int64_t p = kFirstKeyframe; Holds(cut, p + 4); p += kStride) {
      if (Holds(cut, p + kStride)) {
        std::copy(whole.begin() + p, whole.begin() + p + kStride,
                  written.begin() + p);
        continue;
      }
      put(p + 0, -sample::GetS16(cut, p + 2));
      put(p + 2, -sample::GetS16(cut, p + 0));
      if (!Holds(cut, p + 14)) break;
      put(p + 12, -sample::GetS16(cut, p + 12));
      for (int64_t angle = p + 22; Holds(cut, angle + 2); angle += 2) {
        if ((angle - p - 20) % 6 == 0) continue;  // X angles stay
        put(angle, MirrorAngle(sample::GetS16(cut, angle)));
      }
      break;
    }
    return Expected{Opened("cut.qmx") + EndedEarly("cut.qmx") +
                        "Mirroring operation complete.\n\n",
                    written};
  });
}

}  // namespace
}  // namespace qmx::test
