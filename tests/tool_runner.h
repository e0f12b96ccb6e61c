#ifndef QMX_TESTS_TOOL_RUNNER_H_
#define QMX_TESTS_TOOL_RUNNER_H_

// Files and names as the tests see them (names in UTF-8 on every
// platform), and the real programs run as a user runs them.

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

#ifndef _WIN32
struct RunResult {
  std::string output, errors;
  int exit_code;  // -1 when the program did not end normally in time
};
/// Limits on a program's process: the most bytes a file it writes may
/// hold, the most files it may have open, the standard streams (0, 1, 2)
/// it starts without (Windows: any means all) and those on a full device.
struct Limits {
  int64_t file_size = -1, open_files = -1;
  std::vector<int> closed, full;
};
/// Runs program `name` in `dir` with `input` as standard input and no
/// terminal or console: the one built here or, when the environment names
/// a QMX_TOOL_LAUNCHER (wine), the Windows program in QMX_TOOL_DIR.
RunResult RunTool(const std::string& name,
                  const std::vector<std::string>& arguments,
                  const std::string& input, const std::filesystem::path& dir,
                  Limits limits = {});
bool RunsWindowsPrograms();
#endif

}  // namespace qmx::test

#endif  // QMX_TESTS_TOOL_RUNNER_H_
