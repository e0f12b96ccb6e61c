#ifndef QMX_TESTS_TOOL_RUNNER_H_
#define QMX_TESTS_TOOL_RUNNER_H_

// Files and names as the tests see them: names in UTF-8 on every platform.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
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
  TempDir() {
    std::mt19937_64 random(std::random_device{}());
    do {
      path_ = std::filesystem::temp_directory_path() /
              ("qmx-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
    path_ = std::filesystem::canonical(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
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

inline Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

/// Everything below `dir`, as UTF-8 paths relative to it, sorted.
inline std::vector<std::string> ListDir(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    const std::u8string name =
        entry.path().lexically_relative(dir).generic_u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace qmx::test

#endif  // QMX_TESTS_TOOL_RUNNER_H_
