// qmx: its edits against the interactive tools', its exit statuses and
// streams through the real program, its strict numbers, and info.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "qmx/cli.h"
#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

Bytes Sample(const std::string& name) {
  for (const sample::NamedSample& s : sample::BundledSamples()) {
    if (name == s.name) return sample::MakeAnimation(s.shape);
  }
  throw std::invalid_argument(name);
}

Bytes Prefix(const Bytes& bytes, size_t length) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(length));
}

struct QmxRun {
  int status;
  std::string out;
  std::string err;
};

// qmx in this process.
QmxRun Qmx(const std::vector<std::string>& arguments) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunQmx(arguments, out, err);
  return {status, out.str(), err.str()};
}

// A directory with the bundled samples, a file cut inside its keyframes, one
// cut inside its header, and one of another type.
void WriteInputs(const fs::path& dir) {
  for (const char* name : {"walk.qmx", "prop.qmx", "pose.qmx"}) {
    WriteBytes(dir / name, Sample(name));
  }
  WriteBytes(dir / "short.qmx", Prefix(Sample("walk.qmx"), 1000));
  WriteBytes(dir / "header.qmx", Prefix(Sample("walk.qmx"), 40));
  WriteBytes(dir / "notes.txt", {'h', 'i'});
}

class QmxTest : public testing::Test {
 protected:
  void SetUp() override { WriteInputs(dir_.path()); }
  std::string Path(const std::string& name) const {
    return (dir_.path() / name).string();
  }

  TempDir dir_;
};

TEST_F(QmxTest, EditsEqualTheInteractiveTools) {
  struct Case {
    std::vector<std::string> qmx;
    const char* tool;
    const char* typed;
    std::string result;
  };
  const Case cases[] = {
      {{"move", "--by", "256,0,-512"},
       "shovan",
       "256 0 -512\n",
       "walk_Repositioned(256,0,-512).qmx"},
      {{"move", "--by", "010,-0,+32767"},
       "shovan",
       "10 0 32767\n",
       "walk_Repositioned(10,0,32767).qmx"},
      {{"rotate", "--by", "-270"},
       "gyrel",
       "-270\n",
       "walk_Rotated(90" + kDegree + ").qmx"},
      {{"rotate", "--by", "45"},
       "gyrel",
       "45\n",
       "walk_Rotated(45" + kDegree + ").qmx"},
      {{"cut", "--front", "3", "--back", "2"},
       "snipla",
       "3 2\n",
       "walk_Truncated(3; 2).qmx"},
      {{"mirror"}, "flipta", "", "walk_Mirrored.qmx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    TempDir tool_dir;
    WriteBytes(tool_dir.path() / "walk.qmx", Sample("walk.qmx"));
    ASSERT_EQ(RunTool(c.tool, {"walk.qmx"}, c.typed, tool_dir.path()).exit_code,
              0);
    TempDir qmx_dir;
    std::vector<std::string> arguments = c.qmx;
    const std::string out_dir = qmx_dir.path().string();
    // A trailing slash names the same directory.
    arguments.insert(arguments.end(), {"-o", out_dir + "/", Path("walk.qmx")});
    const QmxRun run = Qmx(arguments);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, out_dir + "/" + c.result + "\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ListDir(qmx_dir.path()), Names{c.result});
    EXPECT_EQ(ReadBytes(qmx_dir.path() / c.result),
              ReadBytes(tool_dir.path() / c.result));
  }
}

// The real program in the directory: what each run writes, says and ends
// with. Every file it names on standard output is new, and there is no
// other.
TEST(QmxProgramTest, ExitStatusStreamsAndFiles) {
  const std::string degree = kDegree;
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string out;
    std::string err;
  };
  const Case cases[] = {
      {{"mirror", "walk.qmx", "pose.qmx"},
       0,
       "walk_Mirrored.qmx\npose_Mirrored.qmx\n",
       ""},
      {{"mirror", "prop.qmx", "missing.qmx", "notes.txt", "walk.qmx"},
       1,
       "walk_Mirrored.qmx\n",
       "qmx: 'prop.qmx': Animation doesn't seem to belong to the OBRI object. "
       "Skipping.\n"
       "qmx: 'missing.qmx': File could not be found.\n"
       "qmx: 'notes.txt': Invalid file type, skipping.\n"},
      {{"cut", "--front", "0", "--back", "1", "pose.qmx", "prop.qmx"},
       1,
       "prop_Truncated(0; 1).qmx\n",
       "qmx: 'pose.qmx': Animation has only one frame, none to delete! "
       "Skipping.\n"},
      {{"cut", "--front", "6", "--back", "6", "prop.qmx", "header.qmx"},
       1,
       "",
       "qmx: 'prop.qmx': Total amount of keyframes to be deleted surpasses "
       "length of animation!\n"
       "qmx: 'header.qmx': File is shorter than its header describes, "
       "skipping.\n"},
      {{"move", "--by", "0,0,0", "short.qmx"},
       0,
       "short_Repositioned(0,0,0).qmx\n",
       "qmx: 'short.qmx': Warning: the file is shorter than its header "
       "describes; editing stopped at its end.\n"},
      {{"move", "-q", "--by", "0,0,0", "short.qmx"},
       0,
       "short_Repositioned(0,0,0).qmx\n",
       ""},
      {{"rotate", "--by", "90", "walk.qmx", "walk.qmx"},
       0,
       "walk_Rotated(90" + degree + ").qmx\nwalk_Rotated(90" + degree +
           ") (2).qmx\n",
       "qmx: 'walk.qmx': walk_Rotated(90" + degree +
           ").qmx already exists; the result was saved as walk_Rotated(90" +
           degree + ") (2).qmx.\n"},
      {{"move", "--by", "1,2,x", "walk.qmx"},
       2,
       "",
       "--by: not a whole decimal number: 'x'\n"
       "Run with --help for more information.\n"},
      {{},
       2,
       "",
       "A subcommand is required\nRun with --help for more "
       "information.\n"},
      {{"--version"}, 0, "qmx " QMX_VERSION "\n", ""},
      {{"info", "missing.qmx"},
       1,
       "",
       "qmx: 'missing.qmx': File could not be found.\n"},
      {{"plot", "-o", "notes.txt", "walk.qmx", "missing.qmx"},
       1,
       "notes (2).txt\n",
       "qmx: 'missing.qmx': File could not be found.\n"
       "qmx: notes.txt already exists; the picture was saved as notes "
       "(2).txt.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(
        c.arguments.empty() ? "" : c.arguments[0] + " " + c.arguments.back());
    TempDir dir;
    WriteInputs(dir.path());
    Names expected = ListDir(dir.path());
    const RunResult run = RunTool("qmx", c.arguments, "", dir.path());
    EXPECT_EQ(run.exit_code, c.status);
    EXPECT_EQ(run.output, WithNewlines(c.out));
    EXPECT_EQ(run.errors, WithNewlines(c.err));
    std::istringstream written(c.out);
    for (std::string name; std::getline(written, name);) {
      if (!name.starts_with("qmx ")) expected.push_back(name);  // not --version
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListDir(dir.path()), expected);
  }
}

// A number that is not exactly a whole decimal in range, a missing or an
// unknown option: a usage error that names the option, and nothing done.
TEST_F(QmxTest, StrictNumbersAreUsageErrors) {
  struct Case {
    std::vector<std::string> arguments;
    const char* option;
  };
  const Case cases[] = {
      {{"move", "--by", "1,2,x"}, "--by"},
      {{"move", "--by", "1,2"}, "--by"},
      {{"move", "--by", "1,2,3,4"}, "--by"},
      {{"move", "--by", "32768,0,0"}, "--by"},
      {{"move", "--by", "0x10,0,0"}, "--by"},
      {{"move", "--by", " 1,0,0"}, "--by"},
      {{"move"}, "--by"},
      {{"rotate", "--by", "1.5"}, "--by"},
      {{"rotate", "--by", "-32769"}, "--by"},
      {{"cut", "--front", "-1", "--back", "0"}, "--front"},
      {{"cut", "--front", "0", "--back", "65536"}, "--back"},
      {{"cut", "--front", "1"}, "--back"},
      {{"mirror", "--bogus"}, "--bogus"},
      {{"mirror", "-o", "no-such-dir"}, "--output-dir"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = c.arguments;
    arguments.push_back(Path("walk.qmx"));
    SCOPED_TRACE(arguments[1]);
    const Names before = ListDir(dir_.path());
    const QmxRun run = Qmx(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.option), std::string::npos) << run.err;
    EXPECT_EQ(ListDir(dir_.path()), before);
  }
}

TEST_F(QmxTest, InfoForPeople) {
  const QmxRun run =
      Qmx({"info", Path("walk.qmx"), Path("short.qmx"), Path("header.qmx")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            Path("walk.qmx") +
                "\n"
                "  length              3626 bytes\n"
                "  header records      2\n"
                "  table length        16 bytes\n"
                "  keyframes           32\n"
                "  first mesh count    15\n"
                "  keyframe stride     110 bytes\n"
                "  keyframe data       complete, followed by 24 bytes of "
                "other data\n"
                "  player object       yes\n"
                "                      X               Y               Z\n"
                "  root offset         -24..24         -70..-10        "
                "-15000..-13512\n"
                "  bounding box        -226..215       -942..22        "
                "-15136..-13381\n"
                "\n" +
                Path("short.qmx") +
                "\n"
                "  length              1000 bytes\n"
                "  header records      2\n"
                "  table length        16 bytes\n"
                "  keyframes           32\n"
                "  first mesh count    15\n"
                "  keyframe stride     110 bytes\n"
                "  keyframe data       incomplete: 2602 bytes missing\n"
                "  player object       yes\n"
                "                      X               Y               Z\n"
                "  root offset         0..24           -70..-10        "
                "-15000..-14616\n"
                "  bounding box        -190..207       -942..20        "
                "-15136..-14465\n"
                "                      (over the 9 keyframes the file "
                "holds)\n"
                "\n" +
                Path("header.qmx") +
                "\n"
                "  length              40 bytes\n"
                "  header records      -\n"
                "  table length        -\n"
                "  keyframes           -\n"
                "  first mesh count    -\n"
                "  keyframe stride     -\n"
                "  keyframe data       incomplete: the file ends inside its "
                "header\n"
                "  player object       no\n"
                "  ranges              none: no keyframe to read\n");
}

TEST_F(QmxTest, InfoAsJson) {
  const QmxRun run = Qmx({"info", "--json", Path("prop.qmx"), Path("walk.qmx"),
                          Path("short.qmx"), Path("header.qmx")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  using nlohmann::json;
  const auto ranges = [](int x0, int x1, int y0, int y1, int z0, int z1) {
    return json{{"x", {{"min", x0}, {"max", x1}}},
                {"y", {{"min", y0}, {"max", y1}}},
                {"z", {{"min", z0}, {"max", z1}}}};
  };
  const auto walk = [&](const char* name, int length, int missing, int trailing,
                        int read, const json& root, const json& box) {
    return json{{"file", Path(name)},          {"length", length},
                {"header_record_count", 2},    {"table_length", 16},
                {"keyframe_count", 32},        {"first_mesh_count", 15},
                {"keyframe_stride", 110},      {"keyframes_end", 3602},
                {"complete", missing == 0},    {"missing_bytes", missing},
                {"trailing_bytes", trailing},  {"player_object", true},
                {"keyframes_in_ranges", read}, {"root_offset", root},
                {"bounding_box", box}};
  };
  const json expected = {
      {{"file", Path("prop.qmx")},
       {"length", 522},
       {"header_record_count", 0},
       {"table_length", 0},
       {"keyframe_count", 12},
       {"first_mesh_count", 3},
       {"keyframe_stride", 38},
       {"keyframes_end", 522},
       {"complete", true},
       {"missing_bytes", 0},
       {"trailing_bytes", 0},
       {"player_object", false},
       {"keyframes_in_ranges", 12},
       {"root_offset", ranges(-22, 24, -70, -10, -15000, -14472)},
       {"bounding_box", ranges(-244, 246, -903, -4, -15178, -14328)}},
      walk("walk.qmx", 3626, 0, 24, 32,
           ranges(-24, 24, -70, -10, -15000, -13512),
           ranges(-226, 215, -942, 22, -15136, -13381)),
      // Over the 9 keyframes the file holds.
      walk("short.qmx", 1000, 2602, 0, 9,
           ranges(0, 24, -70, -10, -15000, -14616),
           ranges(-190, 207, -942, 20, -15136, -14465)),
      {{"file", Path("header.qmx")},
       {"length", 40},
       {"header_record_count", nullptr},
       {"table_length", nullptr},
       {"keyframe_count", nullptr},
       {"first_mesh_count", nullptr},
       {"keyframe_stride", nullptr},
       {"keyframes_end", nullptr},
       {"complete", false},
       {"missing_bytes", 0},
       {"trailing_bytes", 0},
       {"player_object", false},
       {"keyframes_in_ranges", 0},
       {"root_offset", nullptr},
       {"bounding_box", nullptr}},
  };
  EXPECT_EQ(json::parse(run.out), expected);
}

}  // namespace
}  // namespace qmx::test
