// What only a running process shows: the terminal around the use-for-all
// key, signals, two runs side by side, another user, another file system,
// and memory on a huge file. POSIX only.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "common/platform.h"
#include "common/qmx_format.h"
#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

std::string ToolPath(const std::string& name) {
  return (fs::path(QMX_TOOL_DIR) / name).string();
}

bool NativeTools() {
  const char* launcher = std::getenv("QMX_TOOL_LAUNCHER");
  return launcher == nullptr || *launcher == '\0';
}

[[noreturn]] void Exec(const std::vector<std::string>& command,
                       const fs::path& dir) {
  std::vector<char*> argv;
  for (const std::string& part : command) {
    argv.push_back(const_cast<char*>(part.c_str()));
  }
  argv.push_back(nullptr);
  if (chdir(dir.c_str()) != 0) _exit(126);
  execv(argv[0], argv.data());
  _exit(127);
}

// A tool running in a directory, its input written and its output read by
// the test as it goes.
class Process {
 public:
  // Standard input and output on pipes, standard error to /dev/null.
  static Process WithPipes(const std::vector<std::string>& command,
                           const fs::path& dir) {
    int in[2], out[2];
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe(out), 0);
    Process process;
    process.pid_ = fork();
    if (process.pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 2);
      close(in[1]);
      close(out[0]);
      Exec(command, dir);
    }
    close(in[0]);
    close(out[1]);
    process.to_ = in[1];
    process.from_ = out[0];
    process.tool_ = process.pid_;
    return process;
  }

  // On a new pseudo-terminal under job control, as a shell runs a job: the
  // tool is the terminal's foreground process group below a session leader
  // that waits for it, so a stop is a real stop.
  static Process OnTerminal(const std::vector<std::string>& command,
                            const fs::path& dir) {
    int told[2];
    EXPECT_EQ(pipe(told), 0);
    Process process;
    process.pid_ = forkpty(&process.to_, nullptr, nullptr, nullptr);
    if (process.pid_ == 0) {
      const pid_t tool = fork();
      if (tool == 0) {
        setpgid(0, 0);
        signal(SIGTTOU, SIG_IGN);
        tcsetpgrp(STDIN_FILENO, getpid());
        signal(SIGTTOU, SIG_DFL);
        Exec(command, dir);
      }
      setpgid(tool, tool);
      if (write(told[1], &tool, sizeof tool) != sizeof tool) _exit(126);
      int status = 0;
      waitpid(tool, &status, 0);
      _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    close(told[1]);
    EXPECT_EQ(read(told[0], &process.tool_, sizeof process.tool_),
              static_cast<ssize_t>(sizeof process.tool_));
    close(told[0]);
    process.from_ = process.to_;
    return process;
  }

  Process(Process&& other) noexcept { *this = std::move(other); }
  Process& operator=(Process&& other) noexcept {
    std::swap(pid_, other.pid_);
    std::swap(tool_, other.tool_);
    std::swap(to_, other.to_);
    std::swap(from_, other.from_);
    seen_ = std::move(other.seen_);
    return *this;
  }
  ~Process() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      if (tool_ != pid_) kill(tool_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (from_ >= 0 && from_ != to_) close(from_);
    if (to_ >= 0) close(to_);
  }

  void Write(std::string_view text) {
    ASSERT_EQ(write(to_, text.data(), text.size()),
              static_cast<ssize_t>(text.size()));
  }
  void CloseInput() {
    close(to_);
    to_ = -1;
  }

  // Everything the tool has written, once `text` is part of it.
  const std::string& ReadUntil(std::string_view text) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (seen_.find(text) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
      pollfd p{from_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[512];
      const ssize_t n = read(from_, buffer, sizeof buffer);
      if (n <= 0) break;
      seen_.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_NE(seen_.find(text), std::string::npos) << seen_;
    return seen_;
  }

  // Waits until the terminal's settings satisfy `wanted`.
  bool TerminalBecomes(bool (*wanted)(const termios&)) const {
    for (int i = 0; i < 400; ++i) {
      termios settings{};
      if (tcgetattr(to_, &settings) == 0 && wanted(settings)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  void Signal(int signal_number) const { kill(tool_, signal_number); }

  // The wait status of the process started (the session leader on a
  // terminal, which reports the tool's end as 128 + signal).
  int Wait(rusage* usage = nullptr) {
    int status = 0;
    EXPECT_EQ(wait4(pid_, &status, 0, usage), pid_);
    pid_ = -1;
    return status;
  }

 private:
  Process() = default;
  pid_t pid_ = -1;
  pid_t tool_ = -1;
  int to_ = -1;
  int from_ = -1;
  std::string seen_;
};

bool Restored(const termios& t) {
  return (t.c_lflag & ECHO) && (t.c_lflag & ICANON) && (t.c_lflag & ISIG);
}
bool SingleKey(const termios& t) {
  return !(t.c_lflag & ECHO) && !(t.c_lflag & ICANON);
}

Bytes Walk(uint32_t seed = 7) {
  return sample::MakeAnimation({.keyframe_count = 3, .seed = seed});
}

class ProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!NativeTools()) GTEST_SKIP() << "runs the native tools only";
    WriteBytes(dir_.path() / "a.qmx", Walk());
    WriteBytes(dir_.path() / "b.qmx", Walk(8));
  }
  // Shovan on a.qmx and b.qmx on a terminal, the first file done and the
  // use-for-all question waiting for its key.
  Process AtTheQuestion() {
    Process shovan =
        Process::OnTerminal({ToolPath("shovan"), "a.qmx", "b.qmx"}, path());
    shovan.ReadUntil("Enter X offset: ");
    shovan.Write("1 2 3\n");
    shovan.ReadUntil("(y/n): ");
    EXPECT_TRUE(shovan.TerminalBecomes(SingleKey));
    return shovan;
  }
  const fs::path& path() const { return dir_.path(); }
  TempDir dir_;
};

TEST_F(ProcessTest, KeyIsTakenWithoutEnterOrEchoAndTheTerminalRestored) {
  Process shovan = AtTheQuestion();
  const size_t question_end = shovan.ReadUntil("(y/n): ").size();
  shovan.Write("y");  // no ENTER
  const std::string& seen = shovan.ReadUntil("(Press ENTER to exit)");
  // The key was not echoed, and the second file needed no answer.
  EXPECT_EQ(seen.substr(question_end),
            "\r\n\r\n'b.qmx': File opened successfully.\r\n"
            "Position change complete.\r\n\r\n(Press ENTER to exit)");
  EXPECT_TRUE(shovan.TerminalBecomes(Restored));
  shovan.Write("\n");
  EXPECT_EQ(shovan.Wait(), 0);
  EXPECT_EQ(ReadBytes(path() / "b_Repositioned(1,2,3).qmx").size(),
            Walk(8).size());
}

// Ended at the question by a signal, sent or typed: the terminal is as it
// was, and nothing but the first result is left.
TEST_F(ProcessTest, SignalAtTheQuestionRestoresTheTerminal) {
  struct Case {
    const char* what;
    int signal_number;
    const char* typed;  // the key that sends it, or nothing
  };
  for (const Case& c :
       {Case{"SIGTERM", SIGTERM, nullptr}, Case{"SIGHUP", SIGHUP, nullptr},
        Case{"Ctrl-C", SIGINT, "\x03"}, Case{"Ctrl-\\", SIGQUIT, "\x1c"}}) {
    SCOPED_TRACE(c.what);
    Process shovan = AtTheQuestion();
    if (c.typed != nullptr) {
      shovan.Write(c.typed);
    } else {
      shovan.Signal(c.signal_number);
    }
    const int status = shovan.Wait();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal_number);
    EXPECT_TRUE(shovan.TerminalBecomes(Restored));
    EXPECT_EQ(ListDir(path()),
              (Names{"a.qmx", "a_Repositioned(1,2,3).qmx", "b.qmx"}));
    fs::remove(path() / "a_Repositioned(1,2,3).qmx");
  }
}

// Ctrl-Z stops the tool with the terminal as it was; continued, it takes
// its key again without echo.
TEST_F(ProcessTest, StopAtTheQuestionAndContinue) {
  Process shovan = AtTheQuestion();
  shovan.Write("\x1a");
  EXPECT_TRUE(shovan.TerminalBecomes(Restored));
  shovan.Signal(SIGCONT);
  EXPECT_TRUE(shovan.TerminalBecomes(SingleKey));
  shovan.Write("y");
  shovan.ReadUntil("(Press ENTER to exit)");
  shovan.Write("\n");
  EXPECT_EQ(shovan.Wait(), 0);
  EXPECT_TRUE(fs::exists(path() / "b_Repositioned(1,2,3).qmx"));
}

// Killed while it waits at a prompt, with its working copy made: nothing of
// it remains.
TEST_F(ProcessTest, KillAtAPromptLeavesNothing) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGKILL}) {
    SCOPED_TRACE(signal_number);
    Process shovan = Process::WithPipes({ToolPath("shovan"), "a.qmx"}, path());
    shovan.ReadUntil("Enter X offset: ");
    shovan.Signal(signal_number);
    const int status = shovan.Wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number);
    EXPECT_EQ(ListDir(path()), (Names{"a.qmx", "b.qmx"}));
  }
}

// Two tools in one directory, each waiting at its prompt while the other
// works: each result is its own, as a run alone makes it.
TEST_F(ProcessTest, RunsSideBySideKeepTheirOwnResults) {
  Process shovan = Process::WithPipes({ToolPath("shovan"), "a.qmx"}, path());
  shovan.ReadUntil("Enter X offset: ");
  Process gyrel = Process::WithPipes({ToolPath("gyrel"), "b.qmx"}, path());
  gyrel.ReadUntil("Enter rotation angle (in degrees): ");
  gyrel.Write("90\n");
  gyrel.CloseInput();
  EXPECT_EQ(gyrel.Wait(), 0);
  shovan.Write("100 0 0\n");
  shovan.CloseInput();
  EXPECT_EQ(shovan.Wait(), 0);

  TempDir alone;
  WriteBytes(alone.path() / "a.qmx", Walk());
  WriteBytes(alone.path() / "b.qmx", Walk(8));
  RunTool("shovan", {"a.qmx"}, "100 0 0\n", alone.path());
  RunTool("gyrel", {"b.qmx"}, "90\n", alone.path());
  const std::string rotated = "b_Rotated(90" + kDegree + ").qmx";
  const Names results = {"a.qmx", "a_Repositioned(100,0,0).qmx", "b.qmx",
                         rotated};
  ASSERT_EQ(ListDir(path()), results);
  EXPECT_EQ(ListDir(alone.path()), results);
  for (const std::string& name : results) {
    EXPECT_EQ(ReadBytes(path() / name), ReadBytes(alone.path() / name)) << name;
  }
}

// An ordinary user cannot give an unnamed file its name the way root can;
// the result must reach its name all the same.
TEST_F(ProcessTest, OrdinaryUserGetsItsResult) {
  if (geteuid() != 0 || !fs::exists("/usr/bin/setpriv")) {
    GTEST_SKIP() << "needs root and setpriv to become an ordinary user";
  }
  ASSERT_EQ(chown(path().c_str(), 65534, 65534), 0);
  Process shovan =
      Process::WithPipes({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                          "--clear-groups", ToolPath("shovan"), "a.qmx"},
                         path());
  shovan.Write("0 0 0\n");
  shovan.CloseInput();
  EXPECT_EQ(shovan.Wait(), 0);
  EXPECT_EQ(ReadBytes(path() / "a_Repositioned(0,0,0).qmx"), Walk());
  EXPECT_EQ(ListDir(path()),
            (Names{"a.qmx", "a_Repositioned(0,0,0).qmx", "b.qmx"}));
}

// An input on another file system: beside it for a forward-slash argument,
// and through a link to the working directory's file system.
TEST_F(ProcessTest, InputOnAnotherFileSystem) {
  const fs::path other = path() / "other";
  fs::create_directory(other);
  if (mount("tmpfs", other.c_str(), "tmpfs", 0, "size=8m") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  WriteBytes(other / "c.qmx", Walk(9));
  fs::create_symlink(other / "c.qmx", path() / "link.qmx");
  const RunResult result =
      RunTool("shovan", {"other/c.qmx", "link.qmx"}, "5 0 0\ny", path());
  EXPECT_EQ(result.exit_code, 0);
  const Bytes beside = ReadBytes(other / "c_Repositioned(5,0,0).qmx");
  const Bytes here = ReadBytes(path() / "link_Repositioned(5,0,0).qmx");
  umount2(other.c_str(), MNT_DETACH);
  TempDir alone;
  WriteBytes(alone.path() / "c.qmx", Walk(9));
  RunTool("shovan", {"c.qmx"}, "5 0 0\n", alone.path());
  const Bytes expected = ReadBytes(alone.path() / "c_Repositioned(5,0,0).qmx");
  EXPECT_EQ(beside, expected);
  EXPECT_EQ(here, expected);
}

// The largest animation followed by 2 GiB of data: edited without holding
// it, and the batch goes on.
TEST_F(ProcessTest, HugeFileNeedsLittleMemory) {
  const Bytes largest = sample::MakeLargestAnimation();
  constexpr int64_t kTrailing = int64_t{2} << 30;
  WriteBytes(path() / "huge.qmx", largest);
  fs::resize_file(path() / "huge.qmx", largest.size() + kTrailing);
  Process shovan =
      Process::WithPipes({ToolPath("shovan"), "huge.qmx", "a.qmx"}, path());
  shovan.Write("1 0 0\ny");
  shovan.CloseInput();
  const std::string& seen = shovan.ReadUntil("(Press ENTER to exit)");
  rusage usage{};
  EXPECT_EQ(shovan.Wait(&usage), 0);
  EXPECT_LE(usage.ru_maxrss, 32 * 1024) << "kB at most";
  EXPECT_EQ(seen.find("Warning"), std::string::npos) << seen;
  const fs::path moved = path() / "huge_Repositioned(1,0,0).qmx";
  ASSERT_EQ(fs::file_size(moved), largest.size() + kTrailing);
  platform::File result = platform::File::OpenForReading(moved.string());
  const int64_t last = kMaxTableLength + kHeaderSize + 65534 * 110;
  std::vector<uint8_t> word(2);
  ASSERT_TRUE(result.ReadAt(last + kRootXOffset, word));
  EXPECT_EQ(sample::GetU16(word, 0),
            static_cast<uint16_t>(sample::GetU16(largest, last + 12) + 1));
  EXPECT_TRUE(fs::exists(path() / "a_Repositioned(1,0,0).qmx"));
}

}  // namespace
}  // namespace qmx::test
