// qmx's picture, parsed as XML and rendered as a person sees it.

#include <gtest/gtest.h>
#include <png.h>

#include <pugixml.hpp>

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

// One track per file, one point per keyframe, each in its colour on the
// grid once rendered; a name's bytes of no character show as U+FFFD.
TEST(QmxTest, PlotShowsEveryKeyframeOfEveryFile) {
  TempDir dir;
  const std::string prop = "prop & <co>\xED\xA0\x80\xC0\xAF.qmx",
                    shown = "prop & <co>\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD.qmx",
                    turned = "walk_Rotated(90\xC2\xB0).qmx";
  sample::WriteFile(dir.path() / "walk.qmx",
                    *sample::MakeFromDescription("sample walk.qmx"));
  sample::WriteFile(dir.path() / prop,
                    *sample::MakeFromDescription("sample prop.qmx"));
  EXPECT_EQ(RunTool("qmx", {"rotate", "--by", "90", "walk.qmx"}, "", dir.path())
                .output,
            turned + "\n");
  EXPECT_EQ(
      RunTool("qmx", {"plot", "walk.qmx", turned, prop}, "", dir.path()).output,
      "plot.svg\n");

  const std::string svg = dir.path() / "plot.svg", png = svg + ".png";
  pugi::xml_document picture;
  ASSERT_TRUE(picture.load_file(svg.c_str()));
  const auto tracks = picture.select_nodes("/svg/g[@class='animation']");
  ASSERT_EQ(tracks.size(), 3u);
  const std::pair<std::string, size_t> expected[] = {
      {"walk.qmx", 32}, {turned, 32}, {shown, 12}};
  for (size_t i = 0; i < 3; ++i) {
    const pugi::xml_node track = tracks[i].node();
    EXPECT_EQ(track.child_value("title"), expected[i].first);
    EXPECT_EQ(track.select_nodes("path").size(), 1u);
    EXPECT_EQ(track.select_nodes(".//circle").size(), expected[i].second);
    EXPECT_EQ(track.select_nodes("rect[@class='first-box']").size(), 1u);
  }

  // Rendered, the picture is no blank page: its tracks and grid show.
  ASSERT_EQ(
      std::system((QMX_RSVG_CONVERT " -o '" + png + "' '" + svg + "'").c_str()),
      0);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str()));
  image.format = PNG_FORMAT_GRAY;
  std::vector<uint8_t> gray(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, gray.data(), 0, nullptr));
  EXPECT_GT(std::count_if(gray.begin(), gray.end(),
                          [](uint8_t g) { return g < 200; }),
            2000);
}

}  // namespace
}  // namespace qmx::test
