// qmx plot: the picture parsed as XML, and rendered as a person sees it.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <pugixml.hpp>
#include <sstream>
#include <string_view>

#include "qmx/cli.h"
#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

namespace fs = std::filesystem;

int QmxOut(const std::vector<std::string>& arguments, std::string& out) {
  std::ostringstream out_stream;
  std::ostringstream err_stream;
  const int status = RunQmx(arguments, out_stream, err_stream);
  out = out_stream.str();
  EXPECT_EQ(err_stream.str(), "");
  return status;
}

// Pixels of the picture whose colour is near `rgb`.
int64_t PixelsOfColour(const std::vector<uint8_t>& rgba, uint32_t rgb) {
  int64_t count = 0;
  for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
    const auto near = [&](int channel, int shift) {
      return std::abs(rgba[i + static_cast<size_t>(channel)] -
                      static_cast<int>((rgb >> shift) & 0xFF)) < 24;
    };
    if (near(0, 16) && near(1, 8) && near(2, 0)) ++count;
  }
  return count;
}

TEST(QmxPlotTest, OnePathAndOnePointPerKeyframeOfEachFile) {
  TempDir dir;
  const std::string walk = (dir.path() / "walk.qmx").string();
  const std::string prop = (dir.path() / "prop & <co>.qmx").string();
  WriteBytes(walk, sample::MakeAnimation(sample::BundledSamples()[0].shape));
  WriteBytes(prop, sample::MakeAnimation(sample::BundledSamples()[1].shape));
  std::string turned;
  ASSERT_EQ(QmxOut({"rotate", "--by", "90", walk}, turned), 0);
  turned.pop_back();  // the line break

  const std::string picture = (dir.path() / "plot.svg").string();
  std::string saved;
  ASSERT_EQ(QmxOut({"plot", "-o", picture, walk, turned, prop}, saved), 0);
  EXPECT_EQ(saved, picture + "\n");

  pugi::xml_document svg;
  ASSERT_TRUE(svg.load_file(picture.c_str())) << "not well-formed XML";
  const pugi::xpath_node_set tracks =
      svg.select_nodes("/svg/g[@class='animation']");
  ASSERT_EQ(tracks.size(), 3u);
  const std::string names[] = {walk, turned, prop};
  const size_t keyframes[] = {32, 32, 12};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(names[i]);
    const pugi::xml_node track = tracks[i].node();
    EXPECT_EQ(std::string(track.child_value("title")), names[i]);
    EXPECT_EQ(track.select_nodes("path").size(), 1u);
    EXPECT_EQ(track.select_nodes(".//circle").size(), keyframes[i]);
    const std::string_view d = track.child("path").attribute("d").value();
    EXPECT_EQ(static_cast<size_t>(std::count(d.begin(), d.end(), 'M') +
                                  std::count(d.begin(), d.end(), 'L')),
              keyframes[i]);
    EXPECT_EQ(track.select_nodes("rect[@class='first-box']").size(), 1u);
  }

  // Rendered, the picture shows each track in its colour on the grid.
  const std::string png = (dir.path() / "plot.png").string();
  const std::string command = std::string("'") + QMX_RSVG_CONVERT + "' -o '" +
                              png + "' '" + picture + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str()));
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr));
  EXPECT_GT(image.width, 400u);
  EXPECT_GT(PixelsOfColour(rgba, 0x1f77b4), 100);   // walk.qmx
  EXPECT_GT(PixelsOfColour(rgba, 0xd62728), 100);   // turned
  EXPECT_GT(PixelsOfColour(rgba, 0x2ca02c), 100);   // the prop
  EXPECT_GT(PixelsOfColour(rgba, 0xe4e4e4), 1000);  // the grid
}

}  // namespace
}  // namespace qmx::test
