#include "tests/tool_runner.h"

#include <algorithm>
#include <fstream>
#include <random>

namespace qmx::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
  std::mt19937_64 random(std::random_device{}());
  do {
    path_ = fs::temp_directory_path() / ("qmx-" + std::to_string(random()));
  } while (!fs::create_directory(path_));
  path_ = fs::canonical(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> ListDir(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::u8string name =
        entry.path().lexically_relative(dir).generic_u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace qmx::test
