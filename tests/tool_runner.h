#ifndef QMX_TESTS_TOOL_RUNNER_H_
#define QMX_TESTS_TOOL_RUNNER_H_

// Runs the real tool executables for end-to-end tests.
//
// Where the tools are and how they are started is configurable, so that the
// same cases can run against another build of the tools (for instance
// Windows executables under an emulator): the build passes QMX_TOOL_DIR and
// QMX_TOOL_LAUNCHER, and the environment variables of the same names
// override them.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/test_files.h"

namespace qmx::test {

/// A fresh directory under the system's temporary directory, removed with
/// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

struct RunResult {
  std::string output;  // everything written to standard output
  std::string errors;  // everything written to standard error
  int exit_code = -1;  // -1 when the tool did not end normally
  bool timed_out = false;
};

/// Starts tool `name` ("shovan", ...) in `dir` with `arguments`, standard
/// input read from `input` (not a terminal), and waits for it to end. The
/// tool's environment is the test's, with each "NAME=value" of
/// `environment` set. Expects every file that an argument names to be
/// unchanged afterwards.
RunResult RunTool(const std::string& name,
                  const std::vector<std::string>& arguments,
                  const std::string& input, const std::filesystem::path& dir,
                  const std::vector<std::string>& environment = {});

#ifndef _WIN32
/// As RunTool, with every write of the tool's process limited to the first
/// `max_file_size` bytes of a file (RLIMIT_FSIZE): a write beyond fails as
/// on a full disk. Standard output is a file too, so the limit must leave
/// room for what the tool prints.
RunResult RunToolWithFileSizeLimit(const std::string& name,
                                   const std::vector<std::string>& arguments,
                                   const std::string& input,
                                   const std::filesystem::path& dir,
                                   int64_t max_file_size);
#endif

/// The degree sign in file names and messages, in UTF-8 on every platform.
inline const std::string kDegree = "\xC2\xB0";

/// The last words of every run, before the wait for ENTER.
inline const std::string kExit = "(Press ENTER to exit)";

/// The line a tool prints when it has taken a file.
inline std::string Opened(const std::string& base_name) {
  return "'" + base_name + "': File opened successfully.\n";
}

/// The line break the tools write on this platform.
const std::string& Newline();

/// `text` with every "\n" written as the tools' line break.
std::string WithNewlines(const std::string& text);

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path,
                const std::vector<uint8_t>& bytes);

/// Base of a tool's end-to-end tests: a fresh directory per test, inputs
/// that are checked to be unchanged when the test ends, and runs that must
/// end normally with exit status 0 and nothing on standard error.
class ToolTest : public testing::Test {
 protected:
  explicit ToolTest(std::string tool) : tool_(std::move(tool)) {}

  /// Writes `bytes` as `name` in the test directory; TearDown checks that
  /// the file still holds them.
  void Input(const std::string& name, const std::vector<uint8_t>& bytes);

  /// Runs the tool in the test directory with `typed` as standard input.
  RunResult Run(const std::vector<std::string>& arguments,
                const std::string& typed);

  /// Expects `result`'s standard output to be `expected`, with the tools'
  /// line breaks.
  void ExpectOutput(const RunResult& result, const std::string& expected);

  std::vector<uint8_t> File(const std::string& name) const {
    return ReadBytes(dir_.path() / PathOf(name));
  }
  std::vector<std::string> Files() const { return ListDir(dir_.path()); }

  void TearDown() override;

  std::string tool_;
  TempDir dir_;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs_;
};

}  // namespace qmx::test

#endif  // QMX_TESTS_TOOL_RUNNER_H_
