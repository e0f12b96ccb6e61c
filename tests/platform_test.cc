// The platform layer against the real file system, in fresh directories.

#include "os/platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
constexpr const char* kNullDevice = "NUL";
static void SyncStdin() {  // tells the system stdin changed
  SetStdHandle(STD_INPUT_HANDLE, HANDLE(_get_osfhandle(0)));
}
#else
#include <sys/stat.h>
#include <unistd.h>

constexpr const char* kNullDevice = "/dev/null";
static void SyncStdin() {}
#endif

#include "tests/tool_runner.h"

namespace qmx::platform {
namespace {

using test::ListDir;
using Names = std::vector<std::string>;

std::vector<uint8_t> Bytes(std::string_view text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

using PlatformTest = test::InTempDir;

// Out of order, to catch a shared file position; beyond 4 GiB, to catch a
// lost high half of the offset. A plain file is regular.
TEST_F(PlatformTest, PositionedReadsAndWrites) {
  constexpr int64_t kFar = (int64_t{5} << 30) + 3;
  File file = File::CreateNew("f.qmx");
  ASSERT_TRUE(file.WriteAt(kFar, Bytes("far")));
  ASSERT_TRUE(file.WriteAt(0, Bytes("0123")));
  EXPECT_TRUE(file.Size() == kFar + 3 && file.IsRegular());
  std::vector<uint8_t> three(3);
  const std::pair<int64_t, bool> reads[] = {
      {1, true}, {kFar, true}, {kFar + 1, false}, {-1, false}};
  for (const auto& [pos, ok] : reads)
    EXPECT_EQ(file.Read(pos, three) == Status::kOk, ok) << pos;
  ASSERT_EQ(file.Read(kFar & 0xFFFFFFFF, three), Status::kOk);
  EXPECT_EQ(three, std::vector<uint8_t>(3, 0));
  EXPECT_FALSE(File::CreateNew("f.qmx").is_open());
  EXPECT_FALSE(File::OpenForReading("f.qmx").WriteAt(0, Bytes("x")));
  // A copy from a directory, which opens but cannot be read, fails.
  std::filesystem::create_directory(test::PathOf("d"));
  EXPECT_EQ(file.CopyFrom(File::OpenForReading("d"), 0, 0, 3), Status::kRead);
  EXPECT_EQ(file.CopyFrom(File(), 0, 0, 3), Status::kRead);  // nothing open
}

// Out of reach until named, gone unless named, never replacing; as private
// as the file it is like, under the umask as cp would. (The way of file
// systems without unnamed files is a process test's: ProcessTest,
// SignalsLeaveTheTerminalAndNothingElse.)
TEST_F(PlatformTest, PrivateFile) {
  const std::string kFree = "free_Rotated(90\xC2\xB0)\xF0\x9F\x8E\xAC.qmx";
  for (const std::string dir : {"1", "2/\xD0\x9F\xE6\xAD\xA9"}) {
    SCOPED_TRACE(dir);
    std::filesystem::create_directories(test::PathOf(dir));
    ASSERT_TRUE(File::CreateNew(dir + "/taken.qmx").WriteAt(0, Bytes("old")));
#ifndef _WIN32
    const bool first = dir == "1";
    chmod((dir + "/taken.qmx").c_str(), first ? 0600 : 0751);
    const mode_t umask_before = umask(first ? 022 : 027);
#endif
    const File like = File::OpenForReading(dir + "/taken.qmx");
    std::optional<PrivateFile> file = PrivateFile::Create(dir, &like);
#ifndef _WIN32
    umask(umask_before);
#endif
    ASSERT_TRUE(file && file->file().WriteAt(0, Bytes("new")));
    EXPECT_EQ(file->GiveName(dir + "/taken.qmx"), Status::kTaken);
    EXPECT_EQ(file->GiveName(dir + "/" + kFree), Status::kOk);
    EXPECT_EQ(file->GiveName(dir + "/again.qmx"), Status::kWrite);
    file = PrivateFile::Create(dir);  // taken over, then dropped
    ASSERT_TRUE(file && file->file().WriteAt(0, Bytes("gone")));
    file.reset();
    EXPECT_EQ(test::ReadBytes(test::PathOf(dir + "/" + kFree)), Bytes("new"));
    EXPECT_EQ(ListDir(test::PathOf(dir)), (Names{kFree, "taken.qmx"}));
#ifndef _WIN32
    struct stat made {};
    ASSERT_EQ(stat((dir + "/" + kFree).c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, first ? 0600u : 0750u);
#endif
  }
  EXPECT_FALSE(PrivateFile::Create("missing-dir").has_value());
#ifdef _WIN32
  EXPECT_FALSE(File::CreateNew("\xB0.qmx").is_open());  // no UTF-8
#endif
}

// The names a result must not take: anything there, or whatever cannot be
// looked up for another cause than that nothing has it; and what is written
// as it stands: a device, never a file or a directory.
TEST_F(PlatformTest, SystemFilesTellTakenNamesAndDevices) {
  ASSERT_TRUE(File::CreateNew("f.qmx").is_open());
  std::filesystem::create_directory(test::PathOf("d"));
#ifndef _WIN32
  std::filesystem::create_symlink("gone.qmx", test::PathOf("link.qmx"));
  std::filesystem::create_symlink("loop.qmx", test::PathOf("loop.qmx"));
#endif
  const struct {
    const char* name;
    bool exists;
    bool device;
  } cases[] = {
      {"f.qmx", true, false},        {"d", true, false},
      {"missing.qmx", false, false}, {"f.qmx/x.qmx", false, false},
      {kNullDevice, true, true},
#ifndef _WIN32
      {"link.qmx", false, false},    {"loop.qmx", true, false},
#endif
  };
  SystemFiles files;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(files.Exists(c.name), c.exists);
    const std::optional<OpenedStream> stream = files.OpenStream(c.name);
    EXPECT_EQ(stream.has_value(), c.device);
    EXPECT_TRUE(!stream || (!stream->standard && stream->output));
  }
}

// The null device is neither a console (a read would wait) nor a file.
TEST_F(PlatformTest, ConsolesAndRegularFiles) {
  const int saved = dup(0);
  dup2(open(kNullDevice, O_RDONLY), 0);
  SyncStdin();
  EXPECT_FALSE(StdinIsConsole());
  dup2(saved, 0);
  SyncStdin();
  EXPECT_FALSE(File::OpenForReading(kNullDevice).IsRegular());
}

}  // namespace
}  // namespace qmx::platform
