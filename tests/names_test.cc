#include <gtest/gtest.h>

#include "common/pipeline.h"

namespace qmx {
namespace {

TEST(NamesTest, ExtensionTestOnTheFileName) {
  struct Case {
    const char* argument;
    bool passes;
  };
  const Case cases[] = {
      {"walk.qmx", true},
      {"WALK.QMX", true},
      {"walk.qmxbak", true},  // only three characters are compared
      {"C:\\anims.old\\walk.qmx", true},
      {"anims.old/walk.qmx", true},
      {"qmxwalk", true},             // no dot: the first three characters
      {"C:\\dir.qmx\\walk", false},  // a directory's dot does not count
      {"x.qmx/walk", false},
      {"dir/qmxwalk", true},
      {"walk.Qmx", false},
      {"walk.qm", false},
      {"walk.", false},
      {"walk", false},
      {"walk.qmx.txt", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    EXPECT_EQ(PassesExtensionTest(FileName(c.argument)), c.passes);
  }
}

TEST(NamesTest, BaseOutputAndNumberedNames) {
  struct Case {
    const char* argument;
    const char* base_name;
    const char* output_name;  // with the suffix "_S"
    const char* second;       // the output name's first numbered name
    const char* directory;    // where the result goes
  };
  const Case cases[] = {
      {"walk.qmx", "walk.qmx", "walk_S.qmx", "walk_S (2).qmx", ""},
      {"C:\\anims\\walk.qmx", "walk.qmx", "walk_S.qmx", "walk_S (2).qmx", ""},
      {"a.b.qmx", "a.b.qmx", "a.b_S.qmx", "a.b_S (2).qmx", ""},
      // Forward slashes keep their directories: the result goes beside the
      // input, and messages quote the whole argument.
      {"/tmp/x/walk.qmx", "/tmp/x/walk.qmx", "/tmp/x/walk_S.qmx",
       "/tmp/x/walk_S (2).qmx", "/tmp/x"},
      {"x.y/qmxwalk", "x.y/qmxwalk", "x.y/qmxwalk_S", "x.y/qmxwalk_S (2)",
       "x.y"},
      {"/walk.qmx", "/walk.qmx", "/walk_S.qmx", "/walk_S (2).qmx", "/"},
      {"C:\\x\\qmxwalk", "qmxwalk", "qmxwalk_S", "qmxwalk_S (2)", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    const std::string_view base = BaseName(c.argument);
    EXPECT_EQ(base, c.base_name);
    const std::string output = OutputName(base, "_S");
    EXPECT_EQ(output, c.output_name);
    EXPECT_EQ(NumberedName(output, 2), c.second);
    EXPECT_EQ(DirectoryPart(output), c.directory);
  }
}

}  // namespace
}  // namespace qmx
