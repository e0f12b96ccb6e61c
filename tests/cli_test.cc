// qmx's command line in this process, in a fresh working directory, on a
// standard output that takes everything or, as on a full disk, nothing.

#include "qmx/cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx {
namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// Every write fails.
class FullDisk : public std::streambuf {
  int_type overflow(int_type) override { return traits_type::eof(); }
};

using Arguments = std::vector<std::string>;

class CliTest : public testing::Test {
 protected:
  void SetUp() override { std::filesystem::current_path(dir_.path()); }
  void TearDown() override { std::filesystem::current_path(home_); }
  const std::filesystem::path home_ = std::filesystem::current_path();
  test::TempDir dir_;
};

// Output that cannot be written ends the run at once with status 1 and a
// line on standard error, whatever was asked: no further file is read or
// made, what is saved stays. A usage error stays one.
TEST_F(CliTest, OutputThatCannotBeWritten) {
  sample::WriteFile("walk.qmx",
                    *sample::MakeFromDescription("sample walk.qmx"));
  const std::string kFailed = "qmx: could not write to standard output\n";
  const struct {
    Arguments arguments;
    std::string errors;
    int status;
    std::vector<std::string> left;
  } cases[] = {
      {{"mirror", "walk.qmx", "walk.qmx"},
       kFailed,
       1,
       {"walk.qmx", "walk_Mirrored.qmx"}},
      {{"info", "walk.qmx", "missing.qmx"}, kFailed, 1, {"walk.qmx"}},
      {{"info", "--json", "walk.qmx", "missing.qmx"},
       "qmx: 'missing.qmx': File could not be found.\n" + kFailed,
       1,
       {"walk.qmx"}},
      {{"plot", "walk.qmx"}, kFailed, 1, {"plot.svg", "walk.qmx"}},
      {{"--help"}, kFailed, 1, {"walk.qmx"}},
      {{"mirror", "-o", "walk.qmx", "walk.qmx"},
       "--output-dir: Directory is actually a file: walk.qmx\n"
       "Run with --help for more information.\n",
       2,
       {"walk.qmx"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    FullDisk full;
    std::ostream out(&full);
    std::ostringstream errors;
    EXPECT_EQ(RunQmx(c.arguments, out, errors), c.status);
    EXPECT_EQ(errors.str(), c.errors);
    EXPECT_EQ(test::ListDir("."), c.left);
    for (const std::string& name : test::ListDir("."))
      if (name != "walk.qmx") std::filesystem::remove(test::PathOf(name));
  }
}

// "/?" after a subcommand: its help on Windows, where no name can hold a
// '?'; elsewhere a path like any other.
TEST_F(CliTest, SlashQuestionMarkAfterASubcommand) {
  std::ostringstream help, asked, errors;
  RunQmx(Arguments{"mirror", "--help"}, help, errors);
  RunQmx(Arguments{"mirror", "/?"}, asked, errors);
  EXPECT_EQ(asked.str(), kWindows ? help.str() : "");
  EXPECT_EQ(errors.str(),
            kWindows ? "" : "qmx: '/?': File could not be found.\n");
}

}  // namespace
}  // namespace qmx
