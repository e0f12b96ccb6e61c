#ifndef QMX_TESTS_TOOL_RUNNER_H_
#define QMX_TESTS_TOOL_RUNNER_H_

// Files and names as the tests see them: names in UTF-8 on every platform.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qmx::test {

using Bytes = std::vector<uint8_t>;

/// The path a UTF-8 name spells, on every platform.
inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::u8string(utf8.begin(), utf8.end());
}

/// A fresh directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// A test in a fresh working directory of its own.
class InTempDir : public testing::Test {
 protected:
  void SetUp() override { std::filesystem::current_path(dir_.path()); }
  void TearDown() override { std::filesystem::current_path(home_); }
  const std::filesystem::path home_ = std::filesystem::current_path();
  TempDir dir_;
};

Bytes ReadBytes(const std::filesystem::path& path);
/// Everything below `dir`, as UTF-8 paths relative to it, sorted.
std::vector<std::string> ListDir(const std::filesystem::path& dir);

}  // namespace qmx::test

#endif  // QMX_TESTS_TOOL_RUNNER_H_
