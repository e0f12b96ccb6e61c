// The registry of the edits against itself and against the interactive
// programs.

#include "edits/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
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

// Each parameter's prompt is what its interactive program asks, as its
// transcripts show it.
TEST(RegistryTest, PromptsAreThoseOfTheInteractivePrograms) {
  for (const EditEntry& edit : Edits()) {
    std::ifstream file(std::filesystem::path(QMX_SOURCE_DIR) /
                       "tests/transcripts" /
                       (std::string(edit.program) + ".txt"));
    ASSERT_TRUE(file) << edit.program;
    std::stringstream transcript;
    transcript << file.rdbuf();
    for (const Parameter& parameter : edit.parameters) {
      EXPECT_NE(transcript.str().find(parameter.prompt), std::string::npos)
          << edit.command << " " << parameter.name;
    }
  }
}

}  // namespace
}  // namespace qmx
