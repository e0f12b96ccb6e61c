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
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "tests/test_files.h"

namespace qmx::platform {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

using test::ListDir;
using test::PathOf;

// Directories in another script and beyond the 260 characters that Windows
// once allowed a whole path, for the tests of names.
const std::string kScriptDir =
    "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0";  // Папка
const std::string kLongDir = std::string(120, 'd') + "/" +
                             std::string(120, 'e') + "/" +
                             "\xE6\xAD\xA9\xE3\x81\x8F";  // 歩く

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
    test::RemoveAll(dir_);
    std::filesystem::create_directory(dir_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    test::RemoveAll(dir_);
  }

 private:
  std::filesystem::path dir_;
  std::filesystem::path previous_;
};

bool Exists(const std::string &name) {
  return std::filesystem::exists(PathOf(name));
}

TEST_F(PlatformTest, CreateNewRefusesAnExistingName) {
  ASSERT_TRUE(WriteNewFile("a.qmx", "first"));
  File again = File::CreateNew("a.qmx");
  EXPECT_FALSE(again.is_open());
  EXPECT_EQ(ReadAll("a.qmx"), "first");
  EXPECT_FALSE(File::OpenForReading("missing.qmx").is_open());
}

TEST_F(PlatformTest, PositionedReadsAndWrites) {
  File file = File::CreateNew("f.qmx");
  // Out of order, to catch a shared file position.
  ASSERT_TRUE(file.WriteAt(4, Bytes("4567")));
  ASSERT_TRUE(file.WriteAt(0, Bytes("0123")));
  std::vector<uint8_t> two(2);
  struct Case {
    int64_t pos;
    bool ok;
  };
  for (const Case c : {Case{0, true}, Case{6, true}, Case{7, false},
                       Case{8, false}, Case{100, false}, Case{-1, false}}) {
    SCOPED_TRACE(c.pos);
    EXPECT_EQ(file.ReadAt(c.pos, two), c.ok);
  }
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(ReadAll("f.qmx"), "01234567");
  EXPECT_FALSE(File::OpenForReading("f.qmx").WriteAt(0, Bytes("x")));
}

// Offsets beyond 4 GiB need the high half of the offset; a file system
// without sparse files would have to write the gap out.
TEST_F(PlatformTest, OffsetsBeyondFourGiB) {
  constexpr int64_t kFar = (int64_t{5} << 30) + 3;
  File file = File::CreateNew("big.qmx");
  ASSERT_TRUE(file.WriteAt(kFar, Bytes("far")));
  EXPECT_EQ(file.Size(), kFar + 3);
  std::vector<uint8_t> got(3);
  ASSERT_TRUE(file.ReadAt(kFar, got));
  EXPECT_EQ(std::string(got.begin(), got.end()), "far");
  // The low 32 bits alone would have put it here.
  ASSERT_TRUE(file.ReadAt(kFar & 0xFFFFFFFF, got));
  EXPECT_EQ(got, std::vector<uint8_t>(3, 0));
}

// The copy keeps every byte at its place, holes included, and tells a
// source that holds fewer bytes than asked for.
TEST_F(PlatformTest, CopyFromCopiesRangesAndSparseFiles) {
  constexpr int64_t kGap = int64_t{3} << 20;
  {
    File sparse = File::CreateNew("sparse.qmx");
    ASSERT_TRUE(sparse.WriteAt(0, Bytes("head")));
    ASSERT_TRUE(sparse.WriteAt(kGap, Bytes("tail")));
  }
  File from = File::OpenForReading("sparse.qmx");
  File whole = File::CreateNew("whole.qmx");
  ASSERT_EQ(whole.CopyFrom(from, 0, 0, kGap + 4), CopyStatus::kDone);
  std::vector<uint8_t> copied(static_cast<size_t>(kGap + 4));
  ASSERT_TRUE(whole.ReadAt(0, copied));
  std::vector<uint8_t> expected(copied.size(), 0);
  std::copy_n("head", 4, expected.begin());
  std::copy_n("tail", 4, expected.end() - 4);
  EXPECT_EQ(copied, expected);

  File part = File::CreateNew("part.qmx");
  ASSERT_EQ(part.CopyFrom(from, 2, 10, 4), CopyStatus::kDone);
  ASSERT_EQ(part.CopyFrom(from, kGap - 8, 0, 10), CopyStatus::kDone);
  EXPECT_EQ(part.Size(), 14);
  std::vector<uint8_t> got(14);
  ASSERT_TRUE(part.ReadAt(0, got));
  EXPECT_EQ(got, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 't', 'a', 'a',
                                       'd', 0, 0}));
  EXPECT_EQ(part.CopyFrom(from, kGap, 0, 5), CopyStatus::kReadFailed);
}

// A private file is out of reach until it is named: an unnamed one has no
// name at all, a named one a name of its own that goes with the object.
// Naming never replaces anything.
TEST_F(PlatformTest, PrivateFileIsNamedWhenCompleteOrLeavesNothing) {
  for (const std::string &dir : {std::string("out"), kScriptDir, kLongDir}) {
    for (const PrivateFile::Kind kind :
         {PrivateFile::Kind::kUnnamed, PrivateFile::Kind::kNamed}) {
      SCOPED_TRACE(dir +
                   (kind == PrivateFile::Kind::kNamed ? " named" : " unnamed"));
      std::filesystem::create_directories(PathOf(dir));
      ASSERT_TRUE(WriteNewFile(dir + "/taken.qmx", "old"));
      {
        std::optional<PrivateFile> file = PrivateFile::Create(dir, kind);
        ASSERT_TRUE(file.has_value());
        ASSERT_TRUE(file->file().WriteAt(0, Bytes("new")));
        EXPECT_EQ(file->GiveName(dir + "/taken.qmx"),
                  PrivateFile::NameResult::kTaken);
        EXPECT_EQ(file->GiveName(dir + "/free.qmx"),
                  PrivateFile::NameResult::kNamed);
        EXPECT_EQ(file->GiveName(dir + "/again.qmx"),
                  PrivateFile::NameResult::kFailed);
      }
      EXPECT_EQ(ReadAll(dir + "/taken.qmx"), "old");
      EXPECT_EQ(ReadAll(dir + "/free.qmx"), "new");
      {
        std::optional<PrivateFile> dropped = PrivateFile::Create(dir, kind);
        ASSERT_TRUE(dropped.has_value());
      }
      EXPECT_EQ(ListDir(PathOf(dir)),
                (std::vector<std::string>{"free.qmx", "taken.qmx"}));
      test::RemoveAll(PathOf(dir.substr(0, dir.find('/'))));
    }
  }
  EXPECT_FALSE(PrivateFile::Create("missing-dir").has_value());
}

TEST_F(PlatformTest, RenameNoReplaceKeepsAnExistingTarget) {
  std::filesystem::create_directories(PathOf(kLongDir));
  for (const RenameWay way : {RenameWay::kAny, RenameWay::kLinkFallback}) {
    SCOPED_TRACE(way == RenameWay::kAny ? "any" : "link fallback");
    const std::string from = kScriptDir + ".qmx";
    const std::string to = kLongDir + "/to.qmx";
    const std::string free = kLongDir + "/" + kScriptDir + ".qmx";
    ASSERT_TRUE(WriteNewFile(from, "new"));
    ASSERT_TRUE(WriteNewFile(to, "old"));
    EXPECT_FALSE(RenameNoReplace(from, to, way));
    EXPECT_EQ(ReadAll(to), "old");
    EXPECT_TRUE(RenameNoReplace(from, free, way));
    EXPECT_FALSE(Exists(from));
    EXPECT_EQ(ReadAll(free), "new");
    EXPECT_TRUE(RemoveFile(free));
    EXPECT_TRUE(RemoveFile(to));
    EXPECT_FALSE(RemoveFile(to));
  }
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
}

#ifndef _WIN32
// A signal that ends the program takes a named private file along.
TEST_F(PlatformTest, SignalRemovesANamedPrivateFile) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(signal_number);
    const pid_t child = fork();
    if (child == 0) {
      PrepareProcess();
      std::optional<PrivateFile> file =
          PrivateFile::Create("", PrivateFile::Kind::kNamed);
      if (!file || ListDir(".").size() != 1) _exit(1);
      raise(signal_number);
      _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number);
    EXPECT_EQ(ListDir("."), std::vector<std::string>{});
  }
}
#endif

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

// Names in UTF-8 reach the file system as the characters they spell, and
// are listed back the same, whatever the system's code pages. Bytes that
// are no UTF-8 name no file.
TEST_F(PlatformTest, NamesAreUtf8InEveryScript) {
  const std::string names[] = {
      "walk_Rotated(90\xC2\xB0).qmx",          // the degree sign
      "\xD0\x9B\xD0\xB0\xD1\x80\xD0\xB0.qmx",  // Лара
      "\xE6\xAD\xA9\xE3\x81\x8F.qmx",          // 歩く
      "\xF0\x9F\x8E\xAC.qmx",  // a clapper board, beyond 16 bits
  };
  for (const std::string &name : names) {
    SCOPED_TRACE(name);
    std::optional<PrivateFile> file = PrivateFile::Create("");
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->GiveName(name), PrivateFile::NameResult::kNamed);
    file.reset();
    EXPECT_EQ(ListDir("."), std::vector<std::string>{name});
    EXPECT_TRUE(File::OpenForReading(name).is_open());
    EXPECT_TRUE(RemoveFile(name));
  }
#ifdef _WIN32
  ASSERT_TRUE(WriteNewFile("\xC2\xB0.qmx", "x"));
  EXPECT_FALSE(File::OpenForReading("\xB0.qmx").is_open());
  EXPECT_FALSE(File::CreateNew("\xB0.qmx").is_open());
  EXPECT_EQ(ListDir("."), std::vector<std::string>{"\xC2\xB0.qmx"});
#endif
}

}  // namespace
}  // namespace qmx::platform
