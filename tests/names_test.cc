#include <gtest/gtest.h>

#include "common/batch_driver.h"

namespace qmx {
namespace {

TEST(NamesTest, ExtensionTest) {
  struct Case {
    const char* argument;
    bool passes;
  };
  const Case cases[] = {
      {"walk.qmx", true},
      {"WALK.QMX", true},
      {"walk.qmxbak", true},  // only three characters are compared
      {"C:\\anims.old\\walk.qmx", true},
      {"C:\\dir.qmx\\walk", true},  // the last dot is in a directory
      {"qmxwalk", true},            // no dot: the first three characters
      {"walk.Qmx", false},
      {"walk.qm", false},
      {"walk.", false},
      {"walk", false},
      {"walk.qmx.txt", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    EXPECT_EQ(PassesExtensionTest(c.argument), c.passes);
  }
}

TEST(NamesTest, BaseAndOutputNames) {
  struct Case {
    const char* argument;
    const char* base_name;
    const char* output_name;  // with the suffix "_S"
  };
  const Case cases[] = {
      {"walk.qmx", "walk.qmx", "walk_S.qmx"},
      {"C:\\anims\\walk.qmx", "walk.qmx", "walk_S.qmx"},
      {"C:\\anims.old\\walk.qmx", "walk.qmx", "walk_S.qmx"},
      {"a.b.qmx", "a.b.qmx", "a.b_S.qmx"},
      {"run.left.qmx", "run.left.qmx", "run.left_S.qmx"},
      // A forward slash is an ordinary character: the name keeps its
      // directories and the result lands beside the input.
      {"/tmp/x/walk.qmx", "/tmp/x/walk.qmx", "/tmp/x/walk_S.qmx"},
      {"C:\\dir.qmx\\walk", "walk", "walk_S"},
      {"dir\\", "", "_S"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    EXPECT_EQ(BaseName(c.argument), c.base_name);
    EXPECT_EQ(OutputName(BaseName(c.argument), "_S"), c.output_name);
  }
}

}  // namespace
}  // namespace qmx
