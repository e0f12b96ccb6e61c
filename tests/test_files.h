#ifndef QMX_TESTS_TEST_FILES_H_
#define QMX_TESTS_TEST_FILES_H_

// Files and names as the tests see them: names in UTF-8, as the tools hold
// them, on every platform and at any length.

#include <filesystem>
#include <string>
#include <vector>

namespace qmx::test {

/// `name`, held in UTF-8, as a path. (A plain std::string would be read in
/// the ANSI code page on Windows.)
std::filesystem::path PathOf(const std::string& name);

/// `path` in UTF-8.
std::string Utf8Of(const std::filesystem::path& path);

/// The names of the entries of `dir` in UTF-8, sorted.
std::vector<std::string> ListDir(const std::filesystem::path& dir);

/// Removes `path` with everything in it; nothing when it does not exist.
void RemoveAll(const std::filesystem::path& path);

}  // namespace qmx::test

#endif  // QMX_TESTS_TEST_FILES_H_
