#include "common/paths.h"

#include <gtest/gtest.h>

namespace qmx {
namespace {

using enum PathStyle;

// How an argument is read: the name its messages quote, whether it is an
// animation by its name (no result when not), and where the mirror of it
// lands, with and without -o; the working copy is made in the directory of
// the result, whatever its form.
TEST(PathsTest, ArgumentToResult) {
  // clang-format off
  const struct { PathStyle style; const char *argument, *output_dir, *quoted, *result; } cases[] = {
      {kPosix, "/walk.qmx", "", "/walk.qmx", "/walk_Mirrored.qmx"},
      {kPosix, "X\\/sub/walk.qmx", "", "/sub/walk.qmx", "X\\/sub/walk_Mirrored.qmx"},
      {kPosix, "sub/X\\walk.qmx", "", "walk.qmx", "walk_Mirrored.qmx"},
      {kPosix, "D:walk.qmx", "out", "D:walk.qmx", "out/D:walk_Mirrored.qmx"},
      {kPosix, "sub/walk.qmx", "out/", "sub/walk.qmx", "out/walk_Mirrored.qmx"},
      {kPosix, "walk.qmx", "out\\", "walk.qmx", "out\\/walk_Mirrored.qmx"},
      {kPosix, "v1./qmxfile", "", "v1./qmxfile", "v1./qmxfile_Mirrored"},
      {kPosix, "x.qmx/walk", "", "x.qmx/walk", nullptr},
      // The type test: the up to three characters after the last dot of
      // the name, or its first three without a dot, exactly qmx or QMX.
      {kPosix, "upper.QMX", "", "upper.QMX", "upper_Mirrored.QMX"},
      {kPosix, "b.qmxbak", "", "b.qmxbak", "b_Mirrored.qmxbak"},
      {kPosix, "mixed.Qmx", "", "mixed.Qmx", nullptr},
      {kPosix, "a.qmx.txt", "", "a.qmx.txt", nullptr},
      {kWindows, "C:/a/walk.qmx", "", "C:/a/walk.qmx", "C:/a/walk_Mirrored.qmx"},
      {kWindows, "/walk.qmx", "", "/walk.qmx", "/walk_Mirrored.qmx"},
      {kWindows, "C:\\a/b\\walk.qmx", "", "walk.qmx", "walk_Mirrored.qmx"},
      {kWindows, "D:walk.qmx", "", "D:walk.qmx", "D:walk_Mirrored.qmx"},
      {kWindows, "D:qmxfile", "out", "D:qmxfile", "out\\qmxfile_Mirrored"},
      {kWindows, "a\\walk.qmx", "out\\", "walk.qmx", "out\\walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "out/", "walk.qmx", "out/walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "C:\\", "walk.qmx", "C:\\walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "C:", "walk.qmx", "C:walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "\\\\?\\C:\\out", "walk.qmx", "\\\\?\\C:\\out\\walk_Mirrored.qmx"},
      {kWindows, "walk.qmx", "\\\\?\\C:\\o/", "walk.qmx", "\\\\?\\C:\\o/\\walk_Mirrored.qmx"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.argument) + " -o " + c.output_dir);
    EXPECT_EQ(BaseName(c.argument), c.quoted);
    const std::string_view file_name = FileName(c.argument, c.style);
    ASSERT_EQ(PassesExtensionTest(file_name), c.result != nullptr);
    if (!c.result) continue;
    const std::string dir = ResultDirectory(c.argument, c.output_dir, c.style);
    const std::string result =
        InDirectory(dir, OutputName(file_name, "_Mirrored", c.style), c.style);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(DirectoryPart(result, c.style), dir);
  }
}

// A colon other than a drive's names a stream on Windows; on POSIX it is a
// character like any other.
TEST(PathsTest, StreamNames) {
  const std::pair<const char*, bool> windows[] = {
      {"walk.qmx:s", true},           {"C:\\a:b\\walk.qmx", true},
      {"D:walk.qmx::$DATA", true},    {"D:walk.qmx", false},
      {"1:walk.qmx", true},  // no drive
      {"\\\\?\\C:\\walk.qmx", false}, {"\\\\.\\c:\\walk.qmx", false}};
  for (const auto& [argument, stream] : windows) {
    EXPECT_EQ(NamesStream(argument, kWindows), stream) << argument;
    EXPECT_FALSE(NamesStream(argument, kPosix)) << argument;
  }
}

// As Windows saves a name: trailing dots and spaces of its last part go,
// except in a "\\?\" path; POSIX keeps every name as it is.
TEST(PathsTest, SavedAndNumberedNames) {
  // clang-format off
  const std::tuple<PathStyle, const char*, const char*> saved[] = {
      {kWindows, "walk_Mirrored.qmx ", "walk_Mirrored.qmx"}, {kWindows, "a. \\walk. .", "a. \\walk"},
      {kWindows, "D:walk ", "D:walk"}, {kWindows, "\\\\?\\C:\\walk.qmx ", "\\\\?\\C:\\walk.qmx "},
      {kWindows, "a\\..", "a\\.."}, {kPosix, "walk_Mirrored.qmx ", "walk_Mirrored.qmx "}};
  // clang-format on
  for (const auto& [style, path, name] : saved)
    EXPECT_EQ(SavedName(path, style), name) << path;
  EXPECT_EQ(NumberedName("C:\\v1.\\plot", 2, kWindows), "C:\\v1.\\plot (2)");
  EXPECT_EQ(NumberedName("v1.\\plot", 2, kPosix), "v1 (2).\\plot");
}

}  // namespace
}  // namespace qmx
