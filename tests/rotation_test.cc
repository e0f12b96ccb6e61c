#include "gyrel/rotation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/console_input.h"
#include "common/qmx_format.h"
#include "common/tool.h"
#include "common/working_copy.h"
#include "gyrel/gyrel_tool.h"

namespace qmx {

void PrintTo(const RootAndBox& b, std::ostream* os) {
  *os << "root (" << b.root_x << ", " << b.root_z << ") x " << b.min_x << ".."
      << b.max_x << " z " << b.min_z << ".." << b.max_z;
}

namespace {

using Bytes = std::vector<uint8_t>;

struct Keyframe {
  RootAndBox plan;
  int16_t y_angle = 0;  // mesh 0, when there is one
};

// The keyframe of the worked example: side distances 100, 60, 60, 70.
constexpr RootAndBox kExample = {.root_x = 40,
                                 .root_z = -20,
                                 .min_x = -60,
                                 .max_x = 100,
                                 .min_z = -80,
                                 .max_z = 50};

void PutS16(Bytes& image, int64_t pos, int16_t value) {
  image[pos] = static_cast<uint8_t>(value);
  image[pos + 1] = static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8);
}

// A file whose opaque bytes, untouched fields and trailing data all hold
// distinct filler, so that any stray write shows in a byte comparison.
Bytes MakeAnimation(const std::vector<Keyframe>& keyframes,
                    uint16_t mesh_count = 2, uint16_t header_records = 3) {
  const int64_t t = TableLength(header_records);
  const int64_t stride = KeyframeStride(mesh_count);
  const int64_t start = t + kHeaderSize;
  const int64_t count = static_cast<int64_t>(keyframes.size());
  Bytes image(static_cast<size_t>(start + stride * count + 6));
  for (size_t i = 0; i < image.size(); ++i) image[i] = 0x80 + i % 97;
  PutS16(image, kHeaderRecordCountOffset, header_records);
  PutS16(image, t + kKeyframeCountOffset, count);
  for (int64_t k = 0; k < count; ++k) {
    const int64_t p = start + k * stride;
    const RootAndBox& b = keyframes[static_cast<size_t>(k)].plan;
    PutS16(image, p + kRootXOffset, b.root_x);
    PutS16(image, p + kRootZOffset, b.root_z);
    PutS16(image, p + kMinXOffset, b.min_x);
    PutS16(image, p + kMaxXOffset, b.max_x);
    PutS16(image, p + kMinZOffset, b.min_z);
    PutS16(image, p + kMaxZOffset, b.max_z);
    PutS16(image, p + kMeshCountOffset, mesh_count);
    if (mesh_count > 0) {
      PutS16(image, p + MeshAngleOffset(0, kYAngleOffset),
             keyframes[static_cast<size_t>(k)].y_angle);
    }
  }
  return image;
}

// Runs the edit as the tool does: header reads on the copy, then the walk.
Bytes Rotate(Bytes image, int angle, bool* clamped = nullptr) {
  MemoryStore store(image);
  const EditReport report =
      RotateAnimation(store, *ReadKeyframeArea(store), angle);
  if (clamped != nullptr) *clamped = report.clamped;
  return image;
}

RootAndBox Turn(int angle, const RootAndBox& before) {
  return TurnRootAndBox(MakeRotation(angle), before).turned;
}

TEST(NormaliseAngleTest, MapsEveryEntryInto0To359) {
  const struct {
    int16_t entered;
    int normalised;
  } kCases[] = {{90, 90},   {-90, 270},    {-450, 270}, {450, 90},
                {360, 0},   {-360, 0},     {720, 0},    {0, 0},
                {32767, 7}, {-32768, 352}, {-1, 359}};
  for (const auto& c : kCases) {
    EXPECT_EQ(NormaliseAngle(c.entered), c.normalised) << c.entered;
  }
}

// The worked example, through the whole file path: two copies of the
// keyframe behind a non-empty header record table, with two meshes each.
// Comparing whole images also proves that root Y, the Y extents, the other
// mesh angles, the header and the trailing data are left alone.
TEST(RotateAnimationTest, WorkedExampleAtNineAngles) {
  const struct {
    int angle;
    RootAndBox plan;
    int16_t y_angle;
  } kTable[] = {
      // angle, {root X, root Z, min X, max X, min Z, max Z}, Y angle
      {0, {40, -20, -60, 100, -80, 50}, 1000},
      {1, {40, -21, -60, 100, -81, 49}, 1003},
      {30, {25, -37, -65, 88, -97, 41}, 61},
      {45, {14, -42, -66, 79, -102, 43}, 104},
      {90, {-20, -40, -80, 50, -100, 60}, 232},
      {180, {-40, 20, -100, 60, -50, 80}, 488},
      {270, {20, 40, -50, 80, -60, 100}, 744},
      {286, {30, 33, -42, 90, -64, 94}, 789},
      {359, {40, -19, -60, 100, -79, 51}, 997},
  };
  const Keyframe before = {kExample, 1000};
  for (const auto& row : kTable) {
    SCOPED_TRACE(row.angle);
    const Keyframe after = {row.plan, row.y_angle};
    bool clamped = true;
    EXPECT_EQ(Rotate(MakeAnimation({before, before}), row.angle, &clamped),
              MakeAnimation({after, after}));
    EXPECT_FALSE(clamped);
  }
}

TEST(TurnRootAndBoxTest, Examples) {
  const struct {
    const char* what;
    int angle;
    RootAndBox before;
    RootAndBox after;
    bool clamped;
  } kCases[] = {
      // clang-format off
      // {root X, root Z, min X, max X, min Z, max Z}
      {"+X turns to -Z", 90, {100, 0, 100, 100, 0, 0}, {0, -100, 0, 0, -100, -100}, false},
      {"+Z turns to +X", 90, {0, 100, 0, 0, 100, 100}, {100, 0, 100, 100, 0, 0}, false},
      {"45 degrees", 45, {100, 0, 100, 100, 0, 0}, {71, -71, 71, 71, -71, -71}, false},
      // c and s differ in their last bits: Z is a tiny negative number.
      {"tiny negative", 45, {1, 1, 1, 1, 1, 1}, {1, 0, 1, 1, 0, 0}, false},
      // Side distances 10, 20, 30, 40 become 13, 23, 33, 32; the exact
      // weight 0.25 would give 33 for max Z.
      {"blend at 30", 30, {0, 0, -10, 30, -20, 40}, {0, 0, -13, 33, -23, 32}, false},
      {"far side", 0, {0, 0, 20, 30, -5, 5}, {0, 0, -20, 30, -5, 5}, false},
      // Cases that the precision decides. The exact value of pi, or a
      // double theta, c or s, gives root Z 5039.
      {"root precision", 300, {5818, 0, 5818, 5818, 0, 0}, {2909, 5038, 2909, 2909, 5038, 5038}, false},
      // Pi as the double 3.1416, or a double theta, gives root Z -1642.
      {"pi from single", 10, {9453, 0, 9453, 9453, 0, 0}, {9309, -1641, 9309, 9309, -1641, -1641}, false},
      // The exact value of pi, a double theta or w, a blend in single
      // precision or the exact weight each change one of these sides.
      {"blend precision", 10, {0, 0, -28370, 1741, -713, 0}, {0, 0, -27536, 1688, -744, 855}, false},
      // Root X is exactly -702.5: half to even or floor(v + 0.5) give -702.
      {"exact half", 30, {-1504, 1200, -1504, -1504, 1200, 1200}, {-703, 1791, -703, -703, 1791, 1791}, false},
      {"distance 65535", 0, {32767, 0, -32768, 32767, 0, 0}, {32767, 0, -32768, 32767, 0, 0}, false},
      {"box side clamped", 180, {32767, 0, -32768, 32767, 0, 0}, {-32767, 0, -32767, 32767, 0, 0}, true},
      {"root clamped", 180, {-32768, 0, -32768, -32768, 0, 0}, {32767, 0, 32767, 32767, 0, 0}, true},
      // Root X 46340 is clamped when stored, but min X is built from it
      // unclamped: 46340 - 32767.
      {"root and box clamped", 45, {32767, 32767, 0, 32767, 0, 32767}, {32767, 0, 13573, 32767, -16383, 16384}, true},
      // clang-format on
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const TurnResult result = TurnRootAndBox(MakeRotation(c.angle), c.before);
    EXPECT_EQ(result.turned, c.after);
    EXPECT_EQ(result.clamped, c.clamped);
  }
}

TEST(AdvanceYAngleTest, StepsAndTheOneTurnCorrection) {
  const struct {
    int angle;
    int16_t before;
    int16_t after;
  } kCases[] = {
      // clang-format off
      // The single-precision factor: 1024/360 would give 814 and 942.
      {286, 0, 813}, {331, 0, 941}, {1, 0, 3}, {359, 0, 1021},
      {180, 0, 512}, {270, 0, 768}, {90, 1000, 232},
      {90, 768, 1024},      // exactly 1024 stays
      {90, 3000, 2232},     // one correction only
      {0, 1025, 1}, {90, -300, 980},
      {90, 32767, -31489},  // the sum wraps to -32513 first
      // clang-format on
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.angle << " from " << c.before);
    EXPECT_EQ(AdvanceYAngle(MakeRotation(c.angle), c.before), c.after);
  }
}

// Boxes that contain their root offset, spread over most of the range.
std::vector<RootAndBox> GeneratedKeyframes() {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> root(-12000, 12000);
  std::uniform_int_distribution<int> side(0, 12000);
  std::vector<RootAndBox> keyframes;
  for (int i = 0; i < 200; ++i) {
    RootAndBox b;
    b.root_x = root(random);
    b.root_z = root(random);
    b.min_x = b.root_x - side(random);
    b.max_x = b.root_x + side(random);
    b.min_z = b.root_z - side(random);
    b.max_z = b.root_z + side(random);
    keyframes.push_back(b);
  }
  return keyframes;
}

TEST(TurnRootAndBoxTest, QuarterTurnsAreExact) {
  for (const RootAndBox& b : GeneratedKeyframes()) {
    SCOPED_TRACE(testing::PrintToString(b));
    // A positive quarter turn maps (x, z) to (z, -x).
    const RootAndBox quarter = {b.root_z,
                                static_cast<int16_t>(-b.root_x),
                                b.min_z,
                                b.max_z,
                                static_cast<int16_t>(-b.max_x),
                                static_cast<int16_t>(-b.min_x)};
    const RootAndBox half = {
        static_cast<int16_t>(-b.root_x), static_cast<int16_t>(-b.root_z),
        static_cast<int16_t>(-b.max_x),  static_cast<int16_t>(-b.min_x),
        static_cast<int16_t>(-b.max_z),  static_cast<int16_t>(-b.min_z)};
    EXPECT_EQ(Turn(90, b), quarter);
    EXPECT_EQ(Turn(180, b), half);
    EXPECT_EQ(Turn(270, quarter), b);
    EXPECT_EQ(Turn(90, Turn(90, Turn(90, quarter))), b);
  }
}

TEST(RotateAnimationTest, ClampedFlagCoversTheWholeFile) {
  const Keyframe far = {{-32768, 0, -32768, -32768, 0, 0}, 0};
  bool clamped = false;
  const Bytes rotated =
      Rotate(MakeAnimation({far, {kExample, 0}}), 180, &clamped);
  EXPECT_TRUE(clamped);
  EXPECT_EQ(rotated, MakeAnimation({{{32767, 0, 32767, 32767, 0, 0}, 512},
                                    {{-40, 20, -100, 60, -50, 80}, 512}}));

  Rotate(MakeAnimation({{kExample, 0}, far}), 0, &clamped);
  EXPECT_FALSE(clamped);

  // Cut inside root offset Z of a keyframe that would clamp if its failed
  // reads counted as 0: nothing of it is stored, so nothing was clamped.
  const Bytes whole =
      MakeAnimation({{kExample, 0}, {{32767, 0, 32767, 32767, 0, 0}, 0}}, 1, 0);
  const int64_t cut = kHeaderSize + KeyframeStride(1) + kRootZOffset + 1;
  Rotate(Bytes(whole.begin(), whole.begin() + cut), 0, &clamped);
  EXPECT_FALSE(clamped);
}

TEST(RotateAnimationTest, MeshCountZeroSkipsTheYAngle) {
  // With a stride of 20, offset 22 of keyframe 0 is max X of keyframe 1,
  // and offset 22 of keyframe 1 lies in the trailing data.
  const Keyframe before = {kExample, 0};
  const Keyframe after = {{-20, -40, -80, 50, -100, 60}, 0};
  EXPECT_EQ(Rotate(MakeAnimation({before, before}, 0), 90),
            MakeAnimation({after, after}, 0));
}

TEST(RotateAnimationTest, NoKeyframesLeaveTheFileAsCopied) {
  const Bytes image = MakeAnimation({});
  EXPECT_EQ(Rotate(image, 90), image);
}

// Every shorter prefix of a good file: a keyframe cut before offset 18
// stays as copied, one cut before 24 gets its root offset and box but not
// its Y angle, and nothing is written once the header reads fail.
TEST(RotateAnimationTest, FileCutShortIsEditedUpToTheCut) {
  const Keyframe before = {kExample, 1000};
  const Keyframe after = {{25, -37, -65, 88, -97, 41}, 61};  // at 30
  const Bytes original = MakeAnimation({before, before}, 1, 0);
  const Bytes full = MakeAnimation({after, after}, 1, 0);
  const int64_t stride = KeyframeStride(1);
  for (size_t n = 0; n < original.size(); ++n) {
    SCOPED_TRACE(n);
    Bytes expected(original.begin(), original.begin() + n);
    const int64_t header_reads_end = kFirstMeshCountOffset + 2;
    for (int64_t k = 0; k < 2 && static_cast<int64_t>(n) >= header_reads_end;
         ++k) {
      const int64_t p = kHeaderSize + k * stride;
      const int64_t present = static_cast<int64_t>(n) - p;
      if (present >= kMeshCountOffset) {
        std::copy(full.begin() + p, full.begin() + p + kMeshCountOffset,
                  expected.begin() + p);
      }
      if (present >= MeshAngleOffset(0, kZAngleOffset)) {
        const int64_t y = p + MeshAngleOffset(0, kYAngleOffset);
        std::copy(full.begin() + y, full.begin() + y + 2, expected.begin() + y);
      }
    }
    EXPECT_EQ(Rotate(Bytes(original.begin(), original.begin() + n), 30),
              expected);
  }
}

TEST(GyrelToolTest, PromptsAndSuffix) {
  struct Case {
    const char* typed;
    const char* angle;  // as the output name shows it
    const char* left;   // what remains for the next question
  };
  const Case cases[] = {
      {"90\ny", "90", "y"},
      {"-90\n", "270", ""},
      {"450\n", "90", ""},
      {"720\n", "0", ""},
      {"45.9\ny", "45", "y"},  // the fraction never reaches the question
      {"\n  \n30 60\nn", "30", "n"},
      {"abc\ny", "0", "y"},
      {"40000\n", "0", ""},
      {"-40000\n", "0", ""},
      {"", "0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    std::istringstream in(c.typed);
    std::ostringstream out;
    ConsoleReader reader(in);
    Console console{reader, out, [](std::string_view) { return -1; }};
    GyrelTool tool;
    tool.AskParameters(console, KeyframeArea{});
    EXPECT_EQ(out.str(), "Enter rotation angle (in degrees): ");
    EXPECT_EQ(tool.Suffix(),
              std::string("_Rotated(") + c.angle + "\xC2\xB0" + ")");
    std::string left;
    for (int ch = reader.GetChar(); ch != -1; ch = reader.GetChar()) {
      left += static_cast<char>(ch);
    }
    EXPECT_EQ(left, c.left);
  }
}

TEST(GyrelToolTest, EditTurnsByTheAngleLastEntered) {
  std::istringstream in("30\n-270\n");
  std::ostringstream out;
  ConsoleReader reader(in);
  Console console{reader, out, [](std::string_view) { return -1; }};
  GyrelTool tool;
  tool.AskParameters(console, KeyframeArea{});
  tool.AskParameters(console, KeyframeArea{});
  EXPECT_EQ(tool.Suffix(), "_Rotated(90\xC2\xB0)");
}

}  // namespace
}  // namespace qmx
