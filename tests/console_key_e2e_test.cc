// The use-for-all key on a real terminal: taken without ENTER and without
// echo, and the terminal's settings restored afterwards.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

// Reads from `fd` until `text` has arrived; returns everything read.
std::string ReadUntil(int fd, const std::string& text, std::string& seen) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (seen.find(text) == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[512];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<size_t>(n));
  }
  return seen;
}

TEST(ConsoleKeyTest, KeyIsTakenWithoutEnterOrEchoAndTheTerminalRestored) {
  if (std::getenv("QMX_TOOL_LAUNCHER") && *std::getenv("QMX_TOOL_LAUNCHER")) {
    GTEST_SKIP() << "runs the native tools only";
  }
  TempDir dir;
  const std::vector<uint8_t> walk =
      sample::MakeAnimation({.keyframe_count = 3});
  WriteBytes(dir.path() / "a.qmx", walk);
  WriteBytes(dir.path() / "b.qmx", walk);
  const std::string tool =
      (std::filesystem::path(QMX_TOOL_DIR) / "shovan").string();

  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(126);
    execl(tool.c_str(), tool.c_str(), "a.qmx", "b.qmx",
          static_cast<char*>(nullptr));
    _exit(127);
  }

  std::string seen;
  ReadUntil(master, "Enter X offset: ", seen);
  ASSERT_EQ(write(master, "1 2 3\n", 6), 6);
  ReadUntil(master, "(y/n): ", seen);
  const size_t question_end = seen.size();
  ASSERT_EQ(write(master, "y", 1), 1);  // no ENTER
  ReadUntil(master, "(Press ENTER to exit)", seen);

  // The key was not echoed, and the second file needed no answer.
  EXPECT_EQ(seen.substr(question_end),
            "\r\n\r\n'b.qmx': File opened successfully.\r\n"
            "Position change complete.\r\n\r\n(Press ENTER to exit)");
  // Echo and line editing are back for the final ENTER.
  termios settings{};
  ASSERT_EQ(tcgetattr(master, &settings), 0);
  EXPECT_TRUE(settings.c_lflag & ECHO);
  EXPECT_TRUE(settings.c_lflag & ICANON);
  EXPECT_TRUE(settings.c_lflag & ISIG);

  ASSERT_EQ(write(master, "\n", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  close(master);
  EXPECT_EQ(ReadBytes(dir.path() / "b_Repositioned(1,2,3).qmx").size(),
            walk.size());
  EXPECT_EQ(ReadBytes(dir.path() / "a.qmx"), walk);
  EXPECT_EQ(ReadBytes(dir.path() / "b.qmx"), walk);
}

}  // namespace
}  // namespace qmx::test
