// Gyrel end to end: the real executable in a fresh directory.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

const std::string kPrompt = "Enter rotation angle (in degrees): ";
const std::string kDone = "Rotating operation complete.\n\n";

std::string Rotated(const std::string& stem, int angle) {
  return stem + "_Rotated(" + std::to_string(angle) + kDegree + ").qmx";
}

// One keyframe of one mesh, no header records: root offset (40, 7, -20),
// box X -60..100, Y -900..0, Z -80..50, Y angle of the root mesh 1000.
Bytes OneKeyframe() {
  Bytes bytes = sample::MakeAnimation({.header_record_count = 0,
                                       .keyframe_count = 1,
                                       .mesh_count = 1,
                                       .trailing_bytes = 6});
  const std::pair<int, int> fields[] = {
      {0, -60}, {2, 100}, {4, -900}, {6, 0},    {8, -80},
      {10, 50}, {12, 40}, {14, 7},   {16, -20}, {22, 1000}};
  for (const auto& [offset, value] : fields) {
    sample::PutU16(bytes, 66 + offset, static_cast<uint16_t>(value));
  }
  return bytes;
}

// OneKeyframe() turned by 90 degrees: root (-20, 7, -40), box X -80..50,
// Z -100..60, Y angle 1000 + 256 wrapped to 232.
Bytes OneKeyframeQuarterTurned() {
  Bytes bytes = OneKeyframe();
  const std::pair<int, int> fields[] = {
      {0, -80}, {2, 50}, {8, -100}, {10, 60}, {12, -20}, {16, -40}, {22, 232}};
  for (const auto& [offset, value] : fields) {
    sample::PutU16(bytes, 66 + offset, static_cast<uint16_t>(value));
  }
  return bytes;
}

class GyrelTest : public ToolTest {
 protected:
  GyrelTest() : ToolTest("gyrel") {}
};

TEST_F(GyrelTest, NoArgumentsShowsTheInstructions) {
  ExpectOutput(
      Run({}, "\n"),
      "Animation Rotating Utility\n\n"
      "Instructions:\n"
      "Drop one or multiple .qmx animation files onto the program icon. You "
      "will be\n"
      "prompted to enter an angle for the rotating operation (in degrees, "
      "positive\n"
      "rotates clockwise, negative counter-clockwise). If you drop more than "
      "one file\n"
      "you will also be asked whether to use current angle for all remaining "
      "files.\n\n"
      "Note: For arbitrary angles (angles that are not multiples of 90), only "
      "an\n"
      "approximate collision is calculated. You may need to recalculate the "
      "collision\n"
      "in Vandrel Animation Editor yourself for better results.\n\n" +
          kExit);
  EXPECT_EQ(Files(), Names{});
}

TEST_F(GyrelTest, QuarterTurnRebuildsRootBoxAndAngle) {
  Input("walk.qmx", OneKeyframe());
  ExpectOutput(Run({"walk.qmx"}, "90\n"),
               Opened("walk.qmx") + kPrompt + kDone + kExit);
  EXPECT_EQ(Files(), (Names{"walk.qmx", Rotated("walk", 90)}));
  EXPECT_EQ(File(Rotated("walk", 90)), OneKeyframeQuarterTurned());
}

// A result's name, degree sign and all, goes back in as an argument and is
// printed and extended byte for byte.
TEST_F(GyrelTest, ResultCanBeRotatedAgainUnderItsOwnName) {
  const std::string once = Rotated("walk", 0);
  Input(once, OneKeyframe());
  ExpectOutput(Run({once}, "90\n"), Opened(once) + kPrompt + kDone + kExit);
  const std::string twice =
      "walk_Rotated(0" + kDegree + ")_Rotated(90" + kDegree + ").qmx";
  EXPECT_EQ(Files(), (Names{once, twice}));
  EXPECT_EQ(File(twice), OneKeyframeQuarterTurned());
}

#ifdef _WIN32
// A name never depends on the ANSI code page. CMake runs this test under
// the Western (1252), Japanese (932) and UTF-8 (65001) code pages, which
// wine takes from the Unix locale (QMX_WINE_LOCALE, built into LOCPATH by
// tests/make_locales.sh): each time a name with the degree sign is found,
// quoted and extended with U+00B0.
TEST_F(GyrelTest, DegreeNameInTheAnsiCodePage) {
  const char* locale = std::getenv("QMX_WINE_LOCALE");
  const char* locales = std::getenv("LOCPATH");
  const char* code_page = std::getenv("QMX_EXPECT_CODE_PAGE");
  if (locale != nullptr && locales != nullptr &&
      !std::filesystem::exists(
          PathOf(std::string("Z:") + locales + "/" + locale + "/LC_CTYPE"))) {
    GTEST_SKIP() << "the locale " << locale << " could not be built";
  }
  if (code_page != nullptr) {
    EXPECT_EQ(std::to_string(GetACP()), code_page);
  }
  const std::string once = Rotated("walk", 0);
  const std::string twice =
      "walk_Rotated(0" + kDegree + ")_Rotated(90" + kDegree + ").qmx";
  Input(once, OneKeyframe());
  ExpectOutput(Run({once}, "90\n"), Opened(once) + kPrompt + kDone + kExit);
  EXPECT_EQ(Files(), (Names{once, twice}));
  EXPECT_EQ(File(twice), OneKeyframeQuarterTurned());
}
#endif

TEST_F(GyrelTest, AngleAsTypedAndTheName) {
  struct Case {
    const char* typed;
    int angle;
  };
  const Case cases[] = {{"90\n", 90},   {"-90\n", 270}, {"450\n", 90},
                        {"720\n", 0},   {"word\n", 0},  {"40000\n", 0},
                        {"45.9\n", 45}, {"", 0},        {"90\r\n", 90}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    TempDir dir;
    WriteBytes(dir.path() / "walk.qmx", OneKeyframe());
    const RunResult result =
        RunTool("gyrel", {"walk.qmx"}, c.typed, dir.path());
    EXPECT_EQ(result.output,
              WithNewlines(Opened("walk.qmx") + kPrompt + kDone + kExit));
    EXPECT_EQ(ListDir(dir.path()),
              (Names{"walk.qmx", Rotated("walk", c.angle)}));
  }
}

TEST_F(GyrelTest, UseForAllAnswers) {
  struct Case {
    const char* typed;
    bool reused;
  };
  for (const Case& c :
       {Case{"30\ny", true}, Case{"30\r\ny", true},
        Case{"30\nY45\n60\n", false}, Case{"30\nn45\n60\n", false}}) {
    SCOPED_TRACE(c.typed);
    TempDir dir;
    for (const char* name : {"a.qmx", "b.qmx", "c.qmx"}) {
      WriteBytes(dir.path() / name, OneKeyframe());
    }
    const RunResult result =
        RunTool("gyrel", {"a.qmx", "b.qmx", "c.qmx"}, c.typed, dir.path());
    const std::string later = c.reused ? "" : kPrompt;
    EXPECT_EQ(result.output,
              WithNewlines(Opened("a.qmx") + kPrompt + kDone +
                           "Use current angle for all following (2) files? "
                           "(y/n): \n\n" +
                           Opened("b.qmx") + later + kDone + Opened("c.qmx") +
                           later + kDone + kExit));
    EXPECT_EQ(ListDir(dir.path()),
              (Names{"a.qmx", Rotated("a", 30), "b.qmx",
                     Rotated("b", c.reused ? 30 : 45), "c.qmx",
                     Rotated("c", c.reused ? 30 : 60)}));
  }
}

TEST_F(GyrelTest, FractionIsNotTakenAsTheAnswer) {
  // ".9" is dropped with the angle's line, so the question sees "y".
  Input("a.qmx", OneKeyframe());
  Input("b.qmx", OneKeyframe());
  ExpectOutput(Run({"a.qmx", "b.qmx"}, "45.9\ny"),
               Opened("a.qmx") + kPrompt + kDone +
                   "Use current angle for all following (1) files? (y/n): "
                   "\n\n" +
                   Opened("b.qmx") + kDone + kExit);
  EXPECT_EQ(File(Rotated("b", 45)), File(Rotated("a", 45)));
}

TEST_F(GyrelTest, ValuesOutsideTheRangeAreClampedWithAWarning) {
  Bytes input = OneKeyframe();
  // Root Z far out, and max Z 1000 below it: after a quarter turn the new
  // max X is 32000 + 1000, beyond the range.
  sample::PutU16(input, 66 + 16, 32000);
  sample::PutU16(input, 66 + 10, 31000);
  Input("edge.qmx", input);
  ExpectOutput(Run({"edge.qmx"}, "90\n"),
               Opened("edge.qmx") + kPrompt +
                   "'edge.qmx': Warning: some values fell outside the "
                   "coordinate range and were clamped.\n" +
                   kDone + kExit);
  const Bytes output = File(Rotated("edge", 90));
  EXPECT_EQ(sample::GetS16(output, 66 + 12), 32000);  // new root X = old Z
  EXPECT_EQ(sample::GetS16(output, 66 + 2), 32767);   // clamped
  EXPECT_EQ(sample::GetS16(output, 66 + 0), -80);     // 32000 - 32080
}

}  // namespace
}  // namespace qmx::test
