#include "tests/test_files.h"

#include <algorithm>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace qmx::test {
namespace fs = std::filesystem;

fs::path PathOf(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

#ifdef _WIN32

namespace {

// The MinGW C runtime beneath std::filesystem lists and removes nothing
// beyond 260 characters; the system's wide functions do, given the
// absolute "\\?\" form.
std::wstring LongForm(const fs::path& path) {
  const std::wstring absolute = fs::absolute(path).make_preferred().native();
  return absolute.starts_with(L"\\\\?\\") ? absolute : L"\\\\?\\" + absolute;
}

std::vector<std::wstring> Entries(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return names;
}

void RemoveLongForm(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    for (const std::wstring& name : Entries(path)) {
      RemoveLongForm(path + L"\\" + name);
    }
    RemoveDirectoryW(path.c_str());
  } else {
    DeleteFileW(path.c_str());
  }
}

}  // namespace

std::vector<std::string> ListDir(const fs::path& dir) {
  std::vector<std::string> names;
  for (const std::wstring& name : Entries(LongForm(dir))) {
    names.push_back(Utf8Of(fs::path(name)));
  }
  std::sort(names.begin(), names.end());
  return names;
}

void RemoveAll(const fs::path& path) { RemoveLongForm(LongForm(path)); }

#else

std::vector<std::string> ListDir(const fs::path& dir) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    names.push_back(Utf8Of(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

void RemoveAll(const fs::path& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

#endif

}  // namespace qmx::test
