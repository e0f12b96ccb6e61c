// The registry of the edits against itself.

#include "edits/registry.h"

#include <gtest/gtest.h>

#include <vector>

namespace qmx {
namespace {

// qmx gives every parameter of an edit through exactly one of its options;
// one that none gives would silently be 0.
TEST(RegistryTest, EveryParameterIsGivenByExactlyOneOption) {
  for (const EditEntry& edit : Edits()) {
    SCOPED_TRACE(edit.command);
    std::vector<int> given(edit.parameters.size());
    for (const CommandOption& option : edit.options) {
      ASSERT_GT(option.count, 0u);
      ASSERT_LE(option.first + option.count, edit.parameters.size());
      for (size_t k = 0; k < option.count; ++k) ++given[option.first + k];
    }
    EXPECT_EQ(given, std::vector<int>(edit.parameters.size(), 1));
  }
}

}  // namespace
}  // namespace qmx
