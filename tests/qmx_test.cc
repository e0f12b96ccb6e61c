// qmx's picture, parsed as XML and rendered as a person sees it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <numbers>
#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "format/qmx_format.h"
#include "look/plot.h"
#include "qmx/cli.h"
#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

using Arguments = std::vector<std::string>;
using QmxTest = InTempDir;

// The ticks of a "facing" path ("M x,y l dx,dy ..."): start and vector.
struct Tick {
  double x, y, dx, dy;
};
std::vector<Tick> Ticks(const pugi::xml_node& track) {
  std::istringstream d(
      track.select_node("path[@class='facing']").node().attribute("d").value());
  std::vector<Tick> ticks;
  Tick t;
  char m, comma, l, comma2;
  while (d >> m >> t.x >> comma >> t.y >> l >> t.dx >> comma2 >> t.dy)
    ticks.push_back(t);
  return ticks;
}

// A track per file, a point and tick per keyframe, bad name bytes as U+FFFD.
TEST_F(QmxTest, PlotShowsEveryKeyframeOfEveryFile) {
  const std::string
      prop = "\x01\"p\"&<co>\xED\xA0\x80\xC0\xAF\xEF\xBF\xBF.qmx",
      shown = "\uFFFD\"p\"&<co>\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD.qmx";
  sample::WriteFile("walk.qmx",
                    *sample::MakeFromDescription("sample walk.qmx"));
  sample::WriteFile(prop, *sample::MakeFromDescription("sample prop.qmx"));
  // A named pipe is written into, "-" is standard output (no name told):
  // each gets a new file's bytes. Opened for reading first, it never blocks.
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  const int reader = ::open("pipe", O_RDONLY | O_NONBLOCK);
  std::ostringstream out, to_standard_output;
  for (const Arguments& arguments : {Arguments{"plot", "walk.qmx", prop},
                                     {"plot", "-o", "pipe", "walk.qmx", prop}})
    EXPECT_EQ(RunQmx(arguments, out, out), 0) << out.str();
  EXPECT_EQ(RunQmx(Arguments{"plot", "-o", "-", "walk.qmx", prop},
                   to_standard_output, out),
            0);
  EXPECT_EQ(out.str(), "plot.svg\npipe\n");
  const Bytes bytes = ReadBytes("plot.svg");
  std::string piped(bytes.size() + 1, ' ');
  piped.resize(
      std::max<ssize_t>(::read(reader, piped.data(), piped.size()), 0));
  ::close(reader);
  EXPECT_EQ(to_standard_output.str(), std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(piped, to_standard_output.str());

  pugi::xml_document picture;
  ASSERT_TRUE(picture.load_file("plot.svg"));
  const auto tracks = picture.select_nodes("/svg/g[@class='animation']");
  ASSERT_EQ(tracks.size(), 2u);
  const std::pair<std::string, size_t> expected[] = {{"walk.qmx", 32},
                                                     {shown, 12}};
  for (size_t i = 0; i < 2; ++i) {
    const pugi::xml_node track = tracks[i].node();
    EXPECT_EQ(track.child_value("title"), expected[i].first);
    EXPECT_EQ(track.select_nodes("path[@class='route']").size(), 1u);
    EXPECT_EQ(track.select_nodes(".//circle").size(), expected[i].second);
    EXPECT_EQ(Ticks(track).size(), expected[i].second);
    EXPECT_EQ(track.select_nodes("rect[@class='first-box']").size(), 1u);
  }
  // walk.qmx alone: its root offsets lie in X -24..24 and Z -15000..-13512,
  // its first box in X -250..250 and Z -15260..-14740, so the grid takes X
  // -1024..1024 and Z -15360..-13312: 2048 units on 640 pixels, Z upward,
  // from the drawing's top left corner (72, 24). Each root offset is there
  // on the route, as a dot, and dark in the rendered picture; its tick
  // shows the root mesh's Y angle (1024 a turn, 0 up the page, 256 right).
  ASSERT_EQ(RunQmx(Arguments{"plot", "-o", "walk.svg", "walk.qmx"}, out, out),
            0);
  ASSERT_TRUE(picture.load_file("walk.svg"));
  const pugi::xml_node track =
      picture.select_node("/svg/g[@class='animation']").node();
  std::istringstream route(
      track.select_node("path[@class='route']").node().attribute("d").value());
  const auto dots = track.select_nodes(".//circle");
  const std::vector<Tick> ticks = Ticks(track);
  ASSERT_EQ(std::system(QMX_RSVG_CONVERT " -o walk.png walk.svg"), 0);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, "walk.png"));
  image.format = PNG_FORMAT_GRAY;
  std::vector<uint8_t> gray(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, gray.data(), 0, nullptr));
  const Bytes walk_file = ReadBytes("walk.qmx");
  ASSERT_TRUE(dots.size() == 32 && ticks.size() == 32);
  for (size_t k = 0; k < 32; ++k) {
    SCOPED_TRACE(k);
    const int64_t at = KeyframePosition(16, kPlayerStride, int64_t(k));
    const auto root = [&](int64_t offset) {
      return int16_t(sample::GetU16(walk_file, at + offset));
    };
    const double x = 72 + (root(kRootXOffset) + 1024) * 0.3125;
    const double y = 24 + (-13312 - root(kRootZOffset)) * 0.3125;
    const double turn = std::numbers::pi * root(kRootYAngleOffset) / 512;
    char command, comma;
    double route_x, route_y;
    route >> command >> route_x >> comma >> route_y;
    EXPECT_EQ(command, k == 0 ? 'M' : 'L');
    EXPECT_NEAR(route_x, x, 0.05);
    EXPECT_NEAR(route_y, y, 0.05);
    EXPECT_NEAR(dots[k].node().attribute("cx").as_double(), x, 0.05);
    EXPECT_NEAR(dots[k].node().attribute("cy").as_double(), y, 0.05);
    EXPECT_NEAR(ticks[k].dx, 9 * std::sin(turn), 0.05);
    EXPECT_NEAR(ticks[k].dy, -9 * std::cos(turn), 0.05);
    ASSERT_TRUE(x >= 0 && y >= 0 && x < image.width && y < image.height);
    EXPECT_LT(gray[size_t(y) * image.width + size_t(x)], 200);
  }
}

// A 9-pixel tick shows the Y angle (1024 a turn, 0 up the page, 256 right),
// none without meshes. Twelve tracks, twelve styles, matched in the legend.
TEST_F(QmxTest, PictureShowsFacingInStylesOfTheirOwn) {
  // clang-format off
  const struct { std::optional<int16_t> facing; double dx, dy; } kFacings[] = {
      {0, 0, -9}, {256, 9, 0}, {512, 0, 9}, {768, -9, 0}, {-256, -9, 0},
      {1152, 6.4, -6.4}, {-32768, 0, -9}, {std::nullopt, 0, 0}};
  // clang-format on
  std::vector<Track> tracks;
  for (int i = 0; i < 12; ++i) {
    const Pose pose{.x = int16_t(1024 * i),
                    .z = int16_t(-512 * i),
                    .facing = kFacings[i % std::size(kFacings)].facing};
    tracks.push_back({.name = std::string(1, 't').append(std::to_string(i)),
                      .keyframes = std::vector<Pose>(i % 2 + 1, pose),
                      .first = std::nullopt});
  }
  pugi::xml_document picture;
  ASSERT_TRUE(picture.load_string(PlotSvg(tracks).c_str()));
  const auto drawn = picture.select_nodes("/svg/g[@class='animation']");
  const auto legend = picture.select_nodes("/svg/g[@class='legend']/line");
  const auto names = picture.select_nodes("/svg/g[@class='legend']/text");
  ASSERT_TRUE(drawn.size() == 12 && legend.size() == 12 && names.size() == 12);
  std::set<std::pair<std::string, std::string>> styles;
  for (size_t i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    const pugi::xml_node track = drawn[i].node(), swatch = legend[i].node();
    const std::pair<std::string, std::string> style = {
        track.attribute("stroke").value(),
        track.child("path").attribute("stroke-dasharray").value()};
    styles.insert(style);
    EXPECT_EQ(style.first, swatch.attribute("stroke").value());
    EXPECT_EQ(style.second, swatch.attribute("stroke-dasharray").value());
    EXPECT_EQ(names[i].node().child_value(),
              tracks[i].name + (i % 2 ? " (2 keyframes)" : " (1 keyframe)"));
    const auto& row = kFacings[i % std::size(kFacings)];
    const std::vector<Tick> ticks = Ticks(track);
    ASSERT_EQ(ticks.size(), row.facing ? i % 2 + 1 : 0);
    for (const Tick& tick : ticks) {
      const pugi::xml_node dot = track.select_node(".//circle").node();
      EXPECT_EQ(std::tuple(tick.x, tick.y, tick.dx, tick.dy),
                std::tuple(dot.attribute("cx").as_double(),
                           dot.attribute("cy").as_double(), row.dx, row.dy));
    }
  }
  EXPECT_EQ(styles.size(), 12u);
}

}  // namespace
}  // namespace qmx::test
