// What only a running process shows: terminal, signals, users, files, memory.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>

#include "qmx/cli.h"
#include "tests/tool_runner.h"
#include "tools/sample_animation.h"

namespace qmx::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using namespace std::string_literals;

std::string Tool(const std::string& name) { return QMX_TOOL_DIR "/" + name; }
const std::string kAsUser =
    "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ";
Names AsUser(const std::string& name, const std::string& arguments) {
  return {"/bin/sh", "-c", "exec " + kAsUser + Tool(name) + " " + arguments};
}
// `command` run by bash -o pipefail in `dir`: its exit status, or -1.
int Bash(const fs::path& dir, const std::string& command) {
  const int status =
      std::system(("cd '" + dir.string() +
                   "' && exec /bin/bash -o pipefail -c '" + command + "'")
                      .c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether `done` holds within 4 s.
bool Until(const std::function<bool()>& done) {
  for (int i = 0; i < 400; ++i, usleep(10000))
    if (done()) return true;
  return false;
}

// A program in `dir` on a new pseudo-terminal as a shell's foreground job,
// below a leader that ends as it ends (128 + signal): a stop is a real stop.
class Process {
 public:
  Process(Names command, const fs::path& dir) {
    if (command[0][0] != '/') command[0] = Tool(command[0]);
    leader_ = forkpty(&terminal_, nullptr, nullptr, nullptr);
    if (leader_ != 0) return;
    if (const pid_t tool = fork(); tool != 0) {
      int status = 0;
      waitpid(tool, &status, 0);
      _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    setpgid(0, 0);
    const rlimit no_core{0, 0};  // a fault leaves no core file behind
    setrlimit(RLIMIT_CORE, &no_core);
    signal(SIGTTOU, SIG_IGN);
    tcsetpgrp(0, getpid());
    signal(SIGTTOU, SIG_DFL);
    std::vector<char*> argv;
    for (std::string& part : command) argv.push_back(part.data());
    argv.push_back(nullptr);
    if (chdir(dir.c_str()) == 0) execv(argv[0], argv.data());
    _exit(127);
  }
  ~Process() {
    if (leader_ > 0) Signal(SIGKILL), kill(leader_, SIGKILL), Wait();
    close(terminal_);
  }
  void Write(std::string_view text) {
    ASSERT_EQ(write(terminal_, text.data(), text.size()), ssize_t(text.size()));
  }
  // Everything the program has written, once `text` is part of it.
  const std::string& ReadUntil(std::string_view text) {
    char buffer[512];
    for (int i = 0; i < 200 && seen_.find(text) == std::string::npos; ++i) {
      pollfd p{terminal_, POLLIN, 0};
      const ssize_t n = poll(&p, 1, 100) > 0 ? read(terminal_, buffer, 512) : 0;
      seen_.append(buffer, std::max<ssize_t>(n, 0));
    }
    EXPECT_NE(seen_.find(text), std::string::npos) << seen_;
    return seen_;
  }
  // Waits until the terminal echoes and edits lines, or takes single keys.
  bool TerminalTakesLines(bool lines) const {
    const tcflag_t all = ECHO | ICANON | ISIG;
    termios t{};
    return Until([&] {
      return tcgetattr(terminal_, &t) == 0 &&
             (t.c_lflag & all) == (lines ? all : ISIG);
    });
  }
  // To the tool's group, the terminal's foreground.
  void Signal(int number) const {
    const pid_t group = tcgetpgrp(terminal_);
    if (group > 0 && group != getpgrp()) kill(-group, number);
  }
  int Wait() {
    int status = 0;
    const pid_t leader = std::exchange(leader_, -1);
    EXPECT_EQ(waitpid(leader, &status, 0), leader);
    return WEXITSTATUS(status);
  }
  int Finish() {
    ReadUntil("(Press ENTER to exit)");
    Write("\n");
    return Wait();
  }
  // The tool's (the terminal foreground's) /proc file `name`; the number
  // after `key` in it (LONG_MAX if none).
  std::string Proc(const char* name) const {
    std::ifstream in("/proc/" + std::to_string(tcgetpgrp(terminal_)) + "/" +
                     name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  long Proc(const char* name, const std::string& key) const {
    const std::string text = Proc(name);
    const size_t at = text.find(key);
    return at == text.npos ? LONG_MAX : std::atol(&text[at + key.size()]);
  }

 private:
  pid_t leader_ = -1;
  int terminal_ = -1;
  std::string seen_;
};

class ProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    sample::WriteFile(
        path() / "a.qmx",
        sample::MakeAnimation(
            {.keyframe_count = 3000, .trailing_bytes = 300000, .seed = 3}));
    sample::WriteFile(path() / "b.qmx", sample::MakeAnimation({.seed = 8}));
    for (fs::path p = path(); p != p.root_path(); p = p.parent_path())
      fs::permissions(p, fs::perms::others_exec, fs::perm_options::add);
  }
  void TearDown() override { umount2((path() / "other").c_str(), MNT_DETACH); }
  // Shovan on a.qmx and b.qmx at the use-for-all question.
  std::unique_ptr<Process> AtTheQuestion() {
    auto shovan =
        std::make_unique<Process>(Names{"shovan", "a.qmx", "b.qmx"}, path());
    shovan->ReadUntil("Enter X offset: ");
    shovan->Write("1 2 3\n");
    shovan->ReadUntil("(y/n): ");
    EXPECT_TRUE(shovan->TerminalTakesLines(false));
    return shovan;
  }
  // What qmx `edit` alone makes of the file named by `made`'s first letter.
  Bytes Alone(Names edit, const std::string& made) {
    TempDir alone;
    edit.insert(edit.end(), {"-o", alone.path(), path() / (made[0] + ".qmx"s)});
    std::ostringstream said;
    EXPECT_EQ(RunQmx(edit, said, said), 0) << said.str();
    return ReadBytes(alone.path() / made);
  }
  const fs::path& path() const { return dir_.path(); }
  TempDir dir_;
};

// Ctrl-Z stops the tool, terminal restored; continued, it takes its key
// again without ENTER or echo, and waits for ENTER before it ends.
TEST_F(ProcessTest, KeyAtTheQuestionThroughStopAndContinue) {
  auto shovan = AtTheQuestion();
  const size_t asked = shovan->ReadUntil("(y/n): ").size();
  shovan->Write("\x1a");
  EXPECT_TRUE(shovan->TerminalTakesLines(true));
  EXPECT_TRUE(Until(
      [&] { return shovan->Proc("stat").find(") T ") != std::string::npos; }));
  shovan->Signal(SIGCONT);
  EXPECT_TRUE(shovan->TerminalTakesLines(false));
  shovan->Write("y");
  EXPECT_EQ(shovan->ReadUntil("(Press ENTER to exit)").substr(asked),
            "\r\n\r\n'b.qmx': File opened successfully.\r\n"
            "Position change complete.\r\n\r\n(Press ENTER to exit)");
  EXPECT_TRUE(shovan->TerminalTakesLines(true));
  // It waits in a read (system call 0) of its standard input (0).
  EXPECT_TRUE(
      Until([&] { return shovan->Proc("syscall").starts_with("0 0x0 "); }));
  EXPECT_EQ(shovan->Finish(), 0);
}

// A Ctrl-D ends one read: alone it is a failed answer (0); after digits the
// second one ends the read with them, the discard after it reading no more.
TEST_F(ProcessTest, EndOfInputOnTheTerminalEndsOneRead) {
  Process gyrel(Names{"gyrel", "a.qmx", "b.qmx"}, path());
  gyrel.ReadUntil("Enter rotation angle (in degrees): ");
  gyrel.Write("\x04");
  gyrel.ReadUntil("(y/n): ");
  EXPECT_TRUE(gyrel.TerminalTakesLines(false));
  gyrel.Write("n");
  gyrel.ReadUntil("'b.qmx': File opened successfully.\r\nEnter rotation angle");
  gyrel.Write("4\x04");
  gyrel.Write("5\x04\x04");
  // A discard that waits would take the ENTER meant for the end.
  ASSERT_TRUE(gyrel.ReadUntil("(Press ENTER to exit)").ends_with("exit)"));
  EXPECT_EQ(gyrel.Finish(), 0);
  EXPECT_EQ(ListDir(path()), (Names{"a.qmx", "a_Rotated(0°).qmx", "b.qmx",
                                    "b_Rotated(45°).qmx"}));
}

// A signal leaves the terminal and earlier results only, no working copy,
// unnamed or named, even with its folder renamed, where an answer saves it.
TEST_F(ProcessTest, SignalsLeaveTheTerminalAndNothingElse) {
  const std::pair<int, const char*> kEndings[] = {
      {SIGTERM, ""}, {SIGHUP, ""},  {SIGINT, "\x03"}, {SIGQUIT, "\x1c"},
      {SIGUSR1, ""}, {SIGALRM, ""}, {SIGSEGV, ""}};  // sent, or typed
  for (const auto& [number, key] : kEndings) {
    auto shovan = AtTheQuestion();
    *key ? shovan->Write(key) : shovan->Signal(number);
    EXPECT_EQ(shovan->Wait(), 128 + number);
    EXPECT_TRUE(shovan->TerminalTakesLines(true));
    EXPECT_EQ(ListDir(path()),
              (Names{"a.qmx", "a_Repositioned(1,2,3).qmx", "b.qmx"}));
    fs::remove(path() / "a_Repositioned(1,2,3).qmx");
  }
  const bool named = !std::system(
      "unshare -m sh -c 'mount -t tmpfs none /proc/$$/fd' 2>/dev/null");
  const std::string hide_fd =
      "mount -t tmpfs -o mode=000 none /proc/$$/fd && exec " + kAsUser +
      Tool("gyrel") + " anims/a.qmx";
  const fs::path anims = path() / "anims", renamed = path() / "anims2";
  fs::create_directory(anims);
  for (const fs::path& dir : {path(), anims})
    fs::permissions(dir, fs::perms::all);
  fs::rename(path() / "a.qmx", anims / "a.qmx");
  const std::pair<int, bool> kRuns[] = {
      // signal (0: answered), named
      {SIGKILL, false}, {0, false},      {0, true},       {SIGINT, true},
      {SIGTERM, true},  {SIGUSR1, true}, {SIGALRM, true}, {SIGSEGV, true}};
  for (const auto& [number, named_copy] : kRuns) {
    if (named_copy && !named)
      GTEST_SKIP() << "no mount namespace here for the named working copy";
    Process gyrel(
        named_copy ? Names{"/usr/bin/unshare", "-m", "/bin/sh", "-c", hide_fd}
                   : Names{"gyrel", "anims/a.qmx"},
        path());
    gyrel.ReadUntil("Enter rotation angle (in degrees): ");
    ASSERT_EQ(ListDir(anims).size(), named_copy ? 2u : 1u);
    fs::rename(anims, renamed);
    Names left{"anims2", "anims2/a.qmx", "b.qmx"};
    if (number == 0) {
      gyrel.Write("90\n");
      EXPECT_EQ(gyrel.Finish(), 0);
      left.insert(left.begin() + 2, "anims2/a_Rotated(90\xC2\xB0).qmx");
    } else {
      gyrel.Signal(number);
      EXPECT_EQ(gyrel.Wait(), 128 + number);
    }
    EXPECT_EQ(ListDir(path()), left) << number << named_copy;
    fs::remove(renamed / "a_Rotated(90\xC2\xB0).qmx");
    fs::rename(renamed, anims);
  }
}

// Two tools side by side, one as a user, on another file system: results as
// alone, a hole kept; a full disk shows before the prompt, no access why.
TEST_F(ProcessTest, SideBySideAsAnOrdinaryUserAcrossFileSystems) {
  const fs::path other = path() / "other";
  fs::create_directory(other);
  if (mount("tmpfs", other.c_str(), "tmpfs", 0, "size=8m") != 0)
    GTEST_SKIP() << "root mounts the other file system and makes the user";
  for (const char* name : {"a.qmx", "b.qmx"}) fs::copy(path() / name, other);
  ASSERT_EQ(chown((other / "a.qmx").c_str(), 65534, 65534), 0);
  fs::permissions(other / "a.qmx",
                  fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(other / "a.qmx", path() / "link.qmx");
  fs::permissions(path(), fs::perms::all);
  Process shovan(AsUser("shovan", "link.qmx"), path());
  shovan.ReadUntil("Enter X offset: ");
  EXPECT_EQ(ListDir(path()).size(), 6u);  // no name for its working copy
  Process gyrel({"gyrel", "other/b.qmx"}, path());
  gyrel.ReadUntil("Enter rotation angle (in degrees): ");
  gyrel.Write("90\n");
  EXPECT_EQ(gyrel.Finish(), 0);
  shovan.Write("100 0 0\n");
  EXPECT_EQ(shovan.Finish(), 0);
  const std::string moved = "link_Repositioned(100,0,0).qmx",
                    turned = "b_Rotated(90\xC2\xB0).qmx";
  EXPECT_EQ(ListDir(path()),
            (Names{"a.qmx", "b.qmx", "link.qmx", moved, "other", "other/a.qmx",
                   "other/b.qmx", "other/" + turned}));
  EXPECT_EQ(ReadBytes(path() / moved),
            Alone({"move", "--by", "100,0,0"}, "a_Repositioned(100,0,0).qmx"));
  EXPECT_EQ(ReadBytes(other / turned), Alone({"rotate", "--by", "90"}, turned));
  EXPECT_EQ(int(fs::status(path() / moved).permissions()), 0600);
  // 1 GiB, "end" after the hole: 8 MB hold it, as they hold cp's copy.
  const fs::path sparse = path() / "s.qmx", mirrored = other / "s_Mirrored.qmx";
  sample::WriteFile(sparse, sample::MakeAnimation({.seed = 5}));
  const Bytes alone = Alone({"mirror"}, "s_Mirrored.qmx");
  fs::resize_file(sparse, (uintmax_t{1} << 30) - 3);
  std::ofstream(sparse, std::ios::app) << "end";
  std::ostringstream said;
  ASSERT_EQ(RunQmx(Names{"mirror", "-o", other, sparse}, said, said), 0)
      << said.str();
  std::string head(alone.size(), ' '), end(3, ' ');
  std::ifstream in(mirrored, std::ios::binary);
  in.read(head.data(), alone.size()).seekg((1 << 30) - 3).read(end.data(), 3);
  EXPECT_TRUE(fs::file_size(mirrored) == 1 << 30 && end == "end");
  EXPECT_EQ(Bytes(head.begin(), head.end()), alone);
  // Room for the keyframes is taken before the prompt.
  fs::copy(path() / "a.qmx", other / "c.qmx");
  std::ofstream(other / "full")
      << std::string(fs::space(other).available - 400000, 'x');
  Process full({"gyrel", "other/c.qmx"}, path());
  ASSERT_EQ(full.ReadUntil("(Press ENTER to exit)"),
            "'other/c.qmx': Could not write the working copy, skipping.\r\n"
            "\r\n(Press ENTER to exit)");
  EXPECT_EQ(full.Finish(), 0);
  // Root reads everything: only the user learns why a file cannot be read.
  std::ofstream(path() / "locked.qmx") << "x";
  fs::permissions(path() / "locked.qmx", fs::perms::none);
  Process qmx(AsUser("qmx", "mirror locked.qmx /dev/null"), path());
  EXPECT_EQ(qmx.ReadUntil("regular file, skipping.\r\n"),
            "qmx: 'locked.qmx': File cannot be read (permission denied), "
            "skipping.\r\nqmx: '/dev/null': File is not a regular file, "
            "skipping.\r\n");
  EXPECT_EQ(qmx.Wait(), 1);
}

// A name that would clear the screen shows with '?' for its controls on the
// terminal, and as it is through a pipe (qmx's output, its errors not).
TEST_F(ProcessTest, NamesGiveTheTerminalNoCommands) {
  const std::string clear = "\x1B[2J";
  fs::copy(path() / "b.qmx", path() / (clear + "b.qmx"));
  fs::copy(path() / "b.qmx", path() / (clear + ".txt"));
  Process gyrel({"gyrel", clear + ".txt"}, path());
  EXPECT_EQ(gyrel.ReadUntil("(Press ENTER to exit)"),
            "'?[2J.txt': Invalid file type, skipping.\r\n\r\n"
            "(Press ENTER to exit)");
  EXPECT_EQ(gyrel.Finish(), 0);
  // qmx's names go through a pipe, shown once it has ended.
  Process qmx({"/bin/sh", "-c",
               "\"$0\" rotate --by 90 \"$1\" \"$2\" | cat >out; cat out",
               Tool("qmx"), clear + "b.qmx", clear + ".txt"},
              path());
  EXPECT_EQ(qmx.ReadUntil(".qmx\r\n"),
            "qmx: '?[2J.txt': Invalid file type, skipping.\r\n" + clear +
                "b_Rotated(90\xC2\xB0).qmx\r\n");
  EXPECT_EQ(qmx.Wait(), 0);
}

// A picture named by a standard stream goes through it, no name told: as
// root, who could make a file in /dev, and as an ordinary user.
TEST_F(ProcessTest, PictureThroughAStandardStream) {
  // The names a picture saved as a file in /dev would get; those this run
  // makes are removed again, so that they fail no later run.
  const auto in_dev = [] {
    std::set<std::string> names;
    for (const std::string& name : ListDir("/dev")) {
      if (name.starts_with("stdout (") || name.starts_with("stderr (")) {
        names.insert(name);
      }
    }
    return names;
  };
  const std::set<std::string> before = in_dev();
  ASSERT_EQ(Bash(path(), Tool("qmx") + " plot -o - b.qmx > want.svg"), 0);
  for (const std::string& qmx : {Tool("qmx"), kAsUser + Tool("qmx")}) {
    for (const char* row : {"-o /dev/stdout b.qmx > pic.svg 2> said",
                            "-o /dev/stderr b.qmx 2> pic.svg > said",
                            "-o /proc/self/fd/1 b.qmx 2> said > pic.svg",
                            "-o /dev/stdout b.qmx 2> said | cat > pic.svg"}) {
      SCOPED_TRACE(qmx + row);
      EXPECT_EQ(Bash(path(), qmx + " plot " + row), 0);
      EXPECT_EQ(ReadBytes(path() / "pic.svg"), ReadBytes(path() / "want.svg"));
      EXPECT_EQ(ReadBytes(path() / "said"), Bytes{});
      EXPECT_EQ(ListDir(path()),
                (Names{"a.qmx", "b.qmx", "pic.svg", "said", "want.svg"}));
      fs::remove(path() / "pic.svg");
    }
  }
  // A file it cannot read still fails the run.
  for (const std::string to : {"-", "/dev/stdout"})
    EXPECT_EQ(Bash(path(), Tool("qmx") + " plot b.qmx x -o " + to + " &>p"), 1);
  const std::set<std::string> after = in_dev();
  for (const std::string& name : after) {
    if (!before.contains(name)) fs::remove("/dev/" + name);
  }
  EXPECT_EQ(after, before);
}

// Just above the address space a run on a missing file needs: an edit
// skips its file; a picture or a 1.4 MB command line ends the program.
TEST_F(ProcessTest, OutOfMemory) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizers take address space of their own";
#endif
  sample::WriteFile(path() / "big.qmx", sample::MakeLargestAnimation());
  std::ofstream(path() / "answers") << "90\n";
  std::string said;
  // `command` in `kb` kB, tools on its path, output in `said`; `$a` 120,000 0s.
  const auto run = [&](long kb, const std::string& command) {
    const int status = Bash(
        path(), "printf -v a %0120000d 0 && PATH=" QMX_TOOL_DIR
                ":$PATH exec /usr/bin/prlimit --as=" +
                    std::to_string(kb << 10) + " " + command + " >said 2>&1");
    const Bytes bytes = ReadBytes(path() / "said");
    said.assign(bytes.begin(), bytes.end());
    return status;
  };
  // The least limit, in kB, under which `command` tells a missing file so.
  const auto least = [&](const std::string& command) {
    long fails = 0, works = 256 << 10;
    while (works - fails > 8) {
      const long kb = (fails + works) / 2;
      run(kb, command + " missing.qmx </dev/null");
      (said.find("could not be found") != std::string::npos ? works : fails) =
          kb;
    }
    return works;
  };
  const long qmx = least("qmx mirror");
  EXPECT_EQ(run(qmx + 64, "qmx mirror big.qmx missing.qmx"), 1);
  EXPECT_EQ(said,
            "qmx: 'big.qmx': Out of memory, skipping.\n"
            "qmx: 'missing.qmx': File could not be found.\n");
  EXPECT_EQ(run(qmx + 8192, "qmx plot big.qmx"), 1);
  EXPECT_EQ(said, "qmx: Out of memory.\n");
  const long gyrel = least("gyrel");
  EXPECT_EQ(run(gyrel + 64, "gyrel big.qmx missing.qmx <answers"), 0);
  EXPECT_TRUE(
      said.ends_with("(in degrees): 'big.qmx': Out of memory, skipping.\n\n"
                     "File could not be found.\n\n(Press ENTER to exit)"))
      << said;
  EXPECT_EQ(run(gyrel + 2048, "gyrel {$a,$a,$a,$a,$a,$a}{,} <answers"), 0);
  EXPECT_EQ(said, "Out of memory.\n\n");
  EXPECT_EQ(ListDir(path()),
            (Names{"a.qmx", "answers", "b.qmx", "big.qmx", "said"}));
}

// The largest animation (its 2 GiB hole kept) and 11 more, 12 files open at
// most, a 100 MB answer line: little memory; answers from /dev/zero too.
TEST_F(ProcessTest, HugeFileAndAnswerLinesInLittleMemoryAndFewFiles) {
  const Bytes largest = sample::MakeLargestAnimation();
  const uint64_t size = largest.size() + (uint64_t{2} << 30) + 3;
  sample::WriteFile(path() / "huge.qmx", largest);
  fs::resize_file(path() / "huge.qmx", size - 3);
  std::ofstream(path() / "huge.qmx", std::ios::app) << "end";
  for (int i = 0; i < 11; ++i)
    fs::copy(path() / "a.qmx", path() / (std::to_string(i) + ".qmx"));
  const auto bash = [this](const std::string& command) {
    return std::make_unique<Process>(
        Names{"/bin/bash", "-c", "exec " + command}, path());
  };
  const std::string run = "head -c 50000000 /dev/zero | tr '\\0' ";
  auto shovan =
      bash("/usr/bin/prlimit --nofile=12 " + Tool("shovan") +
           " huge.qmx {0..10}.qmx < <(printf 1; " + run +
           "' '; printf '0 0'; " + run + "x; printf '\\ny'; exec cat)");
  EXPECT_EQ(shovan->ReadUntil("(Press ENTER to exit)").find("Warning"),
            std::string::npos);
  EXPECT_LE(shovan->Proc("status", "VmHWM:"), 32 * 1024) << "kB";
  EXPECT_EQ(shovan->Finish(), 0);
  EXPECT_EQ(ListDir(path()).size(), 2u + 12 + 12);
  const fs::path moved = path() / "huge_Repositioned(1,0,0).qmx";
  ASSERT_EQ(fs::file_size(moved), size);
  const int64_t root_x = largest.size() - 110 + 12;  // of the last keyframe
  Bytes word(2);
  std::string end(3, ' ');
  std::ifstream in(moved, std::ios::binary);
  in.seekg(root_x).read(reinterpret_cast<char*>(word.data()), 2);
  in.seekg(size - 3).read(end.data(), 3);
  EXPECT_EQ(sample::GetU16(word, 0),
            uint16_t(sample::GetU16(largest, root_x) + 1));
  EXPECT_EQ(end, "end");  // the data after the hole, where it was
  struct stat kept {};
  EXPECT_TRUE(stat(moved.c_str(), &kept) == 0 && kept.st_blocks < 1 << 17);
  auto gyrel = bash(Tool("gyrel") + " a.qmx </dev/zero");
  gyrel->ReadUntil("Enter rotation angle (in degrees): ");
  EXPECT_TRUE(Until([&] {  // 100 MB of its answer read, and it goes on
    const long read = gyrel->Proc("io", "rchar:");
    return read > 100 << 20 && read < LONG_MAX;
  }));
#ifdef __SANITIZE_ADDRESS__
  EXPECT_LE(gyrel->Proc("status", "VmHWM:"), 16 * 1024)
      << "kB";  // the sanitizers' own too
#else
  EXPECT_LE(gyrel->Proc("status", "VmHWM:"), 4 * 1024) << "kB";
#endif
}

}  // namespace
}  // namespace qmx::test
