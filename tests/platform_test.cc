// Exercises the platform layer against the real file system, in a scoped
// directory below the working directory.

#include "common/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace qmx::platform {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// The names in the working directory, as the system spells them in 8 bits.
std::vector<std::string> ListWorkingDirectory() {
  std::vector<std::string> names;
#ifdef _WIN32
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA("*", &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.emplace_back(entry.cFileName);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
#else
  DIR *dir = opendir(".");
  if (dir == nullptr) return names;
  while (const dirent *entry = readdir(dir)) names.emplace_back(entry->d_name);
  closedir(dir);
#endif
  return names;
}

std::string AbsoluteName(const std::string &name) {
#ifdef _WIN32
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(name.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full, n) : std::string();
#else
  char full[PATH_MAX];
  return realpath(name.c_str(), full) ? std::string(full) : std::string();
#endif
}

const char *NullDevice() {
#ifdef _WIN32
  return "NUL";
#else
  return "/dev/null";
#endif
}

bool WriteNewFile(const std::string &name, std::string_view text) {
  File file = File::CreateNew(name);
  return file.is_open() && file.WriteAt(0, Bytes(text)) && file.Close();
}

std::string ReadAll(const std::string &name) {
  File file = File::OpenForReading(name);
  const std::optional<int64_t> size = file.Size();
  if (!size) return "<unreadable>";
  std::vector<uint8_t> bytes(static_cast<size_t>(*size));
  if (!file.ReadAt(0, bytes)) return "<unreadable>";
  return std::string(bytes.begin(), bytes.end());
}

// Runs each test in a fresh directory of its own and leaves no trace.
class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::current_path() /
           (std::string("platform_test_") + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directory(dir_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }

 private:
  std::filesystem::path dir_;
  std::filesystem::path previous_;
};

TEST_F(PlatformTest, CreateNewRefusesAnExistingName) {
  ASSERT_TRUE(WriteNewFile("a.qmx", "first"));
  File again = File::CreateNew("a.qmx");
  EXPECT_FALSE(again.is_open());
  EXPECT_EQ(ReadAll("a.qmx"), "first");
}

TEST_F(PlatformTest, OpeningAMissingFileFails) {
  EXPECT_FALSE(File::OpenForReading("missing.qmx").is_open());
  EXPECT_FALSE(File::OpenForUpdate("missing.qmx").is_open());
  EXPECT_FALSE(IdOfPath("missing.qmx").has_value());
  EXPECT_FALSE(RemoveFile("missing.qmx"));
}

TEST_F(PlatformTest, WritesLandAtTheirOffsetsAndReadBack) {
  ASSERT_TRUE(WriteNewFile("f.qmx", "0123456789"));
  {
    File file = File::OpenForUpdate("f.qmx");
    ASSERT_TRUE(file.is_open());
    // Out of order, to catch a shared file position.
    EXPECT_TRUE(file.WriteAt(7, Bytes("XY")));
    EXPECT_TRUE(file.WriteAt(2, Bytes("ab")));
    std::vector<uint8_t> got(3);
    EXPECT_TRUE(file.ReadAt(1, got));
    EXPECT_EQ(std::string(got.begin(), got.end()), "1ab");
    // Writing past the end grows the file.
    EXPECT_TRUE(file.WriteAt(10, Bytes("!")));
    EXPECT_EQ(file.Size(), 11);
    EXPECT_TRUE(file.Close());
  }
  EXPECT_EQ(ReadAll("f.qmx"), "01ab456XY9!");
}

TEST_F(PlatformTest, ReadAtFailsWhenFewerBytesExist) {
  ASSERT_TRUE(WriteNewFile("f.qmx", "0123"));
  File file = File::OpenForReading("f.qmx");
  std::vector<uint8_t> two(2);
  struct Case {
    int64_t pos;
    bool ok;
  };
  for (const Case c : {Case{0, true}, Case{2, true}, Case{3, false},
                       Case{4, false}, Case{100, false}, Case{-1, false}}) {
    SCOPED_TRACE(c.pos);
    EXPECT_EQ(file.ReadAt(c.pos, two), c.ok);
  }
}

TEST_F(PlatformTest, ReadOnlyFileRefusesWrites) {
  ASSERT_TRUE(WriteNewFile("f.qmx", "0123"));
  File file = File::OpenForReading("f.qmx");
  EXPECT_FALSE(file.WriteAt(0, Bytes("x")));
  EXPECT_EQ(ReadAll("f.qmx"), "0123");
}

// Offsets beyond 4 GiB need the high half of the offset; a file system
// without sparse files would have to write the gap out.
TEST_F(PlatformTest, OffsetsBeyondFourGiB) {
  ASSERT_TRUE(WriteNewFile("big.qmx", ""));
  constexpr int64_t kFar = (int64_t{5} << 30) + 3;
  File file = File::OpenForUpdate("big.qmx");
  ASSERT_TRUE(file.WriteAt(kFar, Bytes("far")));
  EXPECT_EQ(file.Size(), kFar + 3);
  std::vector<uint8_t> got(3);
  ASSERT_TRUE(file.ReadAt(kFar, got));
  EXPECT_EQ(std::string(got.begin(), got.end()), "far");
  // The low 32 bits alone would have put it here.
  ASSERT_TRUE(file.ReadAt(kFar & 0xFFFFFFFF, got));
  EXPECT_EQ(got, std::vector<uint8_t>(3, 0));
}

TEST_F(PlatformTest, ReadersShareWithAnUpdater) {
  ASSERT_TRUE(WriteNewFile("f.qmx", "abc"));
  File updater = File::OpenForUpdate("f.qmx");
  ASSERT_TRUE(updater.is_open());
  File reader = File::OpenForReading("f.qmx");
  ASSERT_TRUE(reader.is_open());
  EXPECT_TRUE(updater.WriteAt(0, Bytes("X")));
  std::vector<uint8_t> got(3);
  ASSERT_TRUE(reader.ReadAt(0, got));
  EXPECT_EQ(std::string(got.begin(), got.end()), "Xbc");
}

TEST_F(PlatformTest, SameFileThroughEveryNameHasOneId) {
  ASSERT_TRUE(WriteNewFile("a.qmx", "a"));
  ASSERT_TRUE(WriteNewFile("b.qmx", "b"));
  File open = File::OpenForReading("a.qmx");
  const std::optional<FileId> id = open.Id();
  ASSERT_TRUE(id.has_value());
  const std::string absolute = AbsoluteName("a.qmx");
  ASSERT_FALSE(absolute.empty());
#ifdef _WIN32
  EXPECT_EQ(absolute.substr(1, 2), ":\\") << absolute;
  EXPECT_EQ(IdOfPath(".\\a.qmx"), id);
#endif
  EXPECT_EQ(IdOfPath("a.qmx"), id);
  EXPECT_EQ(IdOfPath(absolute), id) << absolute;
  EXPECT_EQ(File::OpenForReading(absolute).Id(), id);
  EXPECT_NE(IdOfPath("b.qmx"), id);
}

TEST_F(PlatformTest, RenameNoReplaceMovesToAFreeName) {
  ASSERT_TRUE(WriteNewFile("from.qmx", "data"));
  EXPECT_TRUE(RenameNoReplace("from.qmx", "to.qmx"));
  EXPECT_FALSE(IdOfPath("from.qmx").has_value());
  EXPECT_EQ(ReadAll("to.qmx"), "data");
}

TEST_F(PlatformTest, RenameNoReplaceKeepsAnExistingTarget) {
  ASSERT_TRUE(WriteNewFile("from.qmx", "new"));
  ASSERT_TRUE(WriteNewFile("to.qmx", "old"));
  EXPECT_FALSE(RenameNoReplace("from.qmx", "to.qmx"));
  EXPECT_EQ(ReadAll("to.qmx"), "old");
  EXPECT_EQ(ReadAll("from.qmx"), "new");
}

TEST_F(PlatformTest, RemoveFileDeletes) {
  ASSERT_TRUE(WriteNewFile("f.qmx", "x"));
  EXPECT_TRUE(RemoveFile("f.qmx"));
  EXPECT_FALSE(IdOfPath("f.qmx").has_value());
}

TEST_F(PlatformTest, OnlyPlainFilesAreRegular) {
  ASSERT_TRUE(WriteNewFile("f.qmx", "x"));
  std::filesystem::create_directory("dir.qmx");
  EXPECT_TRUE(File::OpenForReading("f.qmx").IsRegular());
  EXPECT_FALSE(File::OpenForReading("dir.qmx").IsRegular());
  EXPECT_FALSE(File::OpenForReading(NullDevice()).IsRegular());
  EXPECT_FALSE(File().IsRegular());
#ifdef _WIN32
  // A named pipe is no disk file, whatever else the system says about it.
  const char *pipe_name = "\\\\.\\pipe\\platform_test";
  const HANDLE server = CreateNamedPipeA(pipe_name, PIPE_ACCESS_OUTBOUND,
                                         PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  File pipe = File::OpenForReading(pipe_name);
  EXPECT_TRUE(pipe.is_open());
  EXPECT_FALSE(pipe.IsRegular());
  pipe.Close();
  CloseHandle(server);
#endif
  // A directory still has an identity of its own.
  EXPECT_TRUE(IdOfPath("dir.qmx").has_value());
  EXPECT_NE(IdOfPath("dir.qmx"), IdOfPath("f.qmx"));
}

// Standard input taken from `path` while the object lives: the C runtime's
// descriptor 0 and, on Windows, the process's standard input handle.
class StdinFrom {
 public:
  explicit StdinFrom(const char *path) {
#ifdef _WIN32
    saved_ = _dup(0);
    const int fd = _open(path, _O_RDONLY);
    ok_ = fd >= 0 && _dup2(fd, 0) == 0 &&
          SetStdHandle(STD_INPUT_HANDLE,
                       reinterpret_cast<HANDLE>(_get_osfhandle(0)));
    if (fd >= 0) _close(fd);
#else
    saved_ = dup(STDIN_FILENO);
    const int fd = open(path, O_RDONLY);
    ok_ = fd >= 0 && dup2(fd, STDIN_FILENO) >= 0;
    if (fd >= 0) close(fd);
#endif
  }
  ~StdinFrom() {
    if (saved_ < 0) return;
#ifdef _WIN32
    _dup2(saved_, 0);
    _close(saved_);
    SetStdHandle(STD_INPUT_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(0)));
#else
    dup2(saved_, STDIN_FILENO);
    close(saved_);
#endif
  }
  StdinFrom(const StdinFrom &) = delete;
  StdinFrom &operator=(const StdinFrom &) = delete;
  bool ok() const { return ok_; }

 private:
  int saved_ = -1;
  bool ok_ = false;
};

// Answers from the null device or a file are read like every other answer,
// never as a key from a console: a console read would wait for ever.
TEST_F(PlatformTest, NullDeviceAndFilesAreNoConsole) {
  ASSERT_TRUE(WriteNewFile("answers.txt", "y"));
  for (const char *path : {NullDevice(), "answers.txt"}) {
    SCOPED_TRACE(path);
    StdinFrom redirected(path);
    ASSERT_TRUE(redirected.ok());
    EXPECT_FALSE(StdinIsConsole());
  }
#ifdef _WIN32
  // Why the console's own mode decides: NUL is a character device, and the
  // C runtime's _isatty says yes for it.
  StdinFrom nul("NUL");
  ASSERT_TRUE(nul.ok());
  EXPECT_TRUE(_isatty(0));
#endif
}

TEST_F(PlatformTest, DegreeSignNameIsCreatedAndListed) {
  const std::string name =
      "walk_Rotated(90" + std::string(DegreeSign()) + ").qmx";
  ASSERT_TRUE(WriteNewFile("newfile.qmx", "rotated"));
  ASSERT_TRUE(RenameNoReplace("newfile.qmx", name));
  EXPECT_EQ(ReadAll(name), "rotated");
  const std::vector<std::string> listed = ListWorkingDirectory();
  EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end());
  EXPECT_TRUE(RemoveFile(name));
}

// Every page of the block, its last byte included, must be writable and
// keep what was written; an allocation cut short would crash or corrupt.
TEST_F(PlatformTest, ImageMemoryHoldsEveryByteAsked) {
  for (const size_t size : {size_t{1}, size_t{4096}, (size_t{2} << 20) - 1,
                            size_t{2} << 20, (size_t{5} << 20) + 7}) {
    SCOPED_TRACE(size);
    auto *memory = static_cast<uint8_t *>(AllocateImageMemory(size));
    ASSERT_NE(memory, nullptr);
    std::vector<size_t> probes;
    for (size_t i = 0; i < size; i += 4093) probes.push_back(i);
    probes.push_back(size - 1);
    for (const size_t i : probes) memory[i] = static_cast<uint8_t>(i * 7 + 1);
    for (const size_t i : probes) {
      ASSERT_EQ(memory[i], static_cast<uint8_t>(i * 7 + 1)) << i;
    }
    FreeImageMemory(memory, size);
  }
}

TEST(DegreeSignTest, IsOneByteOnWindowsAndUtf8Elsewhere) {
#ifdef _WIN32
  EXPECT_EQ(DegreeSign(), "\xB0");
#else
  EXPECT_EQ(DegreeSign(), "\xC2\xB0");
#endif
}

}  // namespace
}  // namespace qmx::platform
