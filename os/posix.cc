// The platform layer of every system but Windows, as POSIX has it: files
// read and written by position, private files with a name of their own
// named by a link, signals that undo what must not stay, the terminal. What
// only some systems have (an unnamed file, a rename that never replaces, a
// copy inside the kernel, taking space ahead, randomness) comes from the
// system's own small file behind os/posix.h: os/linux.cc for Linux.

#include "os/posix.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/paths.h"
#include "os/platform.h"

namespace qmx::platform {

int OpenRetrying(const char* path, int flags, mode_t mode, int at) {
  int fd;
  do {
    fd = ::openat(at, path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

namespace {

// What a signal that ends the program must undo first. Only plain data that
// a handler may touch: the console settings to restore while the console is
// switched to single keys, and the name of a private file that has one,
// relative to the directory it was made in, which the file holds open:
// renamed meanwhile, it still loses the name.
volatile sig_atomic_t console_switched = 0;
struct termios console_saved;
struct termios console_single_key;
volatile sig_atomic_t pending_directory = -1;
char pending_name[NAME_MAX + 1] = "";

// Stops removing `name` in `directory` on a signal, when it is the name
// recorded: only the newest named private file is recorded.
void ForgetPendingName(int directory, const std::string& name) {
  if (directory == pending_directory && name == pending_name) {
    pending_name[0] = '\0';
  }
}

// Every signal whose default action ends the program, but SIGKILL and
// SIGSTOP, which cannot be caught, and SIGXFSZ, which the program ignores so
// that a file size limit is a failed write like any other.
const sigset_t& EndingSignals() {
  static const sigset_t signals = [] {
    sigset_t set;
    ::sigemptyset(&set);
    for (const int number :
         {SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE,
          SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU,
          SIGVTALRM, SIGPROF, SIGSYS}) {
      ::sigaddset(&set, number);
    }
    AddSystemEndingSignals(set);
#ifdef SIGRTMIN
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) {
      ::sigaddset(&set, number);
    }
#endif
    return set;
  }();
  return signals;
}

void UndoForExit() {
  if (console_switched) ::tcsetattr(STDIN_FILENO, TCSANOW, &console_saved);
  if (pending_name[0] != '\0') {
    ::unlinkat(pending_directory, pending_name, 0);
  }
}

// Runs with every ending signal held, on a stack of its own, so that a
// stack overflow still gets here.
void EndOnSignal(int signal_number) {
  UndoForExit();
  // Ending by the signal itself keeps the exit status a parent expects: the
  // signal stays pending until the handler returns, then takes its default
  // action (a fault is raised here too, before its instruction runs again).
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

void StopOnSignal(int) {
  const int saved_errno = errno;
  if (console_switched) ::tcsetattr(STDIN_FILENO, TCSANOW, &console_saved);
  ::signal(SIGTSTP, SIG_DFL);
  sigset_t stop;
  ::sigemptyset(&stop);
  ::sigaddset(&stop, SIGTSTP);
  ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  ::raise(SIGTSTP);
  // Continued: back to single keys if the question is still waiting.
  ::signal(SIGTSTP, StopOnSignal);
  if (console_switched) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &console_single_key);
  }
  errno = saved_errno;
}

// Installs `handler` for `signal_number` unless the signal is ignored (as
// nohup and shells without job control leave some of them).
void Handle(int signal_number, void (*handler)(int)) {
  struct sigaction old;
  if (::sigaction(signal_number, nullptr, &old) != 0 ||
      old.sa_handler == SIG_IGN) {
    return;
  }
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_mask = EndingSignals();
  action.sa_flags = SA_RESTART | SA_ONSTACK;
  ::sigaction(signal_number, &action, nullptr);
}

// A closed standard stream would be taken by the next file the program
// opens: console text would go into a result, answers would be read from an
// animation. Each closed one is opened on the null device first, for
// reading (input) or writing (output). False when one could not be.
bool OpenStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is taken, and every one below is open.
    const int opened =
        ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened != fd) {
      if (opened >= 0) ::close(opened);
      return false;
    }
  }
  return true;
}

// The directory part of a private file's name: "" means the current one.
std::string DirectoryOrCurrent(const std::string& dir) {
  return dir.empty() ? "." : dir;
}

// Gives the file `from` the name `to`, both in the directory open as `at`.
// Never replaces an existing `to`: fails instead, with errno EEXIST.
bool RenameNoReplace(int at, const std::string& from, const std::string& to) {
  switch (RenameBySystem(at, from.c_str(), to.c_str())) {
    case Renamed::kDone:
      return true;
    case Renamed::kFailed:
      return false;
    case Renamed::kCannot:
      break;
  }
  // link() never replaces an existing name; the old name goes only once the
  // new one is in place.
  if (::linkat(at, from.c_str(), at, to.c_str(), 0) != 0) return false;
  ::unlinkat(at, from.c_str(), 0);
  return true;
}

std::string RandomLetters() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char random[6];
  if (!FillRandom(random)) {
    // Without the system's randomness any changing value will do: a name
    // that exists is simply tried again.
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t mixed = static_cast<uint64_t>(now.tv_nsec) ^
                           (static_cast<uint64_t>(::getpid()) << 20);
    for (size_t i = 0; i < sizeof random; ++i) {
      random[i] = static_cast<unsigned char>(mixed >> (8 * i));
    }
  }
  std::string letters;
  for (const unsigned char r : random) letters += kLetters[r % 62];
  return letters;
}

}  // namespace

// O_NONBLOCK keeps a FIFO from blocking the open; regular files ignore it.
File File::OpenForReading(const std::string& path, OpenFailure* failure) {
  const int fd = OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0 && failure != nullptr) {
    using Cause = OpenFailure::Cause;
    const int error = errno;
    switch (error) {
      case ENOENT:
      case ENOTDIR:  // a part of the path before the name is a file
        *failure = {.cause = Cause::kMissing, .system_words = ""};
        break;
      case EACCES:
      case EPERM:
        *failure = {.cause = Cause::kPermission, .system_words = ""};
        break;
      case EISDIR:
        *failure = {.cause = Cause::kDirectory, .system_words = ""};
        break;
      case ENXIO:  // a socket, or a device without its driver
      case ENODEV:
        *failure = {.cause = Cause::kNotRegular, .system_words = ""};
        break;
      default:
        *failure = {.cause = Cause::kOther,
                    .system_words = std::strerror(error)};
    }
  }
  return File(fd);
}

File File::CreateNew(const std::string& path) {
  return File(
      OpenRetrying(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0666));
}

std::optional<File> File::OpenDeviceForWriting(const std::string& path) {
  const auto device = [](const struct stat& st) {
    return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
  };
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !device(st)) return std::nullopt;
  // Without O_TRUNC or O_CREAT, opening changes nothing: a regular file put
  // in the device's place meanwhile is closed untouched.
  File file(OpenRetrying(path.c_str(), O_WRONLY | O_NOCTTY));
  if (file.is_open() && (::fstat(Fd(file.handle_), &st) != 0 || !device(st))) {
    return std::nullopt;
  }
  return file;
}

std::optional<File> File::OpenStandardStream(const std::string& path) {
  // A file or a pipe: a device is shared by far more than the stream.
  const auto streamed = [](const struct stat& st) {
    return S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
  };
  struct stat named;
  if (::stat(path.c_str(), &named) != 0 || !streamed(named)) {
    return std::nullopt;
  }
  for (int stream = 0; stream <= 2; ++stream) {
    struct stat st;
    if (::fstat(stream, &st) == 0 && st.st_dev == named.st_dev &&
        st.st_ino == named.st_ino) {
      return File(::fcntl(stream, F_DUPFD_CLOEXEC, 3));
    }
  }
  return std::nullopt;
}

bool File::IsRegular() const {
  struct stat st;
  return is_open() && ::fstat(Fd(handle_), &st) == 0 && S_ISREG(st.st_mode);
}

bool File::IsDirectory() const {
  struct stat st;
  return is_open() && ::fstat(Fd(handle_), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<int64_t> File::Size() const {
  struct stat st;
  if (!is_open() || ::fstat(Fd(handle_), &st) != 0) return std::nullopt;
  return static_cast<int64_t>(st.st_size);
}

std::optional<FileVersion> File::Version() const {
  struct stat st;
  if (!is_open() || ::fstat(Fd(handle_), &st) != 0) return std::nullopt;
  return FileVersion{
      .size = static_cast<int64_t>(st.st_size),
      .modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                  st.st_mtim.tv_nsec};
}

Status File::Read(int64_t pos, std::span<uint8_t> buffer) const {
  if (!is_open() || pos < 0) return Status::kRead;
  size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n =
        ::pread(Fd(handle_), buffer.data() + done, buffer.size() - done,
                static_cast<off_t>(pos + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Status::kRead;
    done += static_cast<size_t>(n);
  }
  return Status::kOk;
}

bool File::WriteAt(int64_t pos, std::span<const uint8_t> bytes) const {
  if (!is_open() || pos < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(Fd(handle_), bytes.data() + done, bytes.size() - done,
                 static_cast<off_t>(pos + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool File::Write(std::span<const uint8_t> bytes) const {
  if (!is_open()) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(Fd(handle_), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool File::Close() {
  if (!is_open()) return true;
  const int fd = Fd(handle_);
  handle_ = -1;
  // The descriptor is gone after close() even when it reports EINTR, so it
  // is never retried.
  return ::close(fd) == 0;
}

// The file's names are given and removed relative to its directory, held
// open from the start: a directory renamed meanwhile keeps the working copy
// and gets the result. It is created with its final access bits: a mode
// changed after its creation would leave a moment in which another user
// could open it. Where the system can make an unnamed file there, it is one.
std::optional<PrivateFile> PrivateFile::Create(const std::string& dir,
                                               const File* like) {
  File directory(OpenDirectory(DirectoryOrCurrent(dir).c_str()));
  if (!directory.is_open()) return std::nullopt;
  const int at = Fd(directory.handle_);
  mode_t mode = 0666;
  if (like != nullptr) {
    struct stat st;
    mode = like->is_open() && ::fstat(Fd(like->handle_), &st) == 0
               ? st.st_mode & 0777
               : 0600;  // never wider than the input could be
  }
  if (const int fd = CreateUnnamed(at, mode); fd != kNoUnnamedFile) {
    if (fd < 0) return std::nullopt;
    return PrivateFile(File(fd), "", std::move(directory), like);
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = ".qmx-" + RandomLetters() + ".tmp";
    static_assert(sizeof ".qmx-123456.tmp" <= sizeof pending_name);
    // No signal may end the program between the file's creation and the
    // record that lets the handler remove it.
    sigset_t before;
    ::sigprocmask(SIG_BLOCK, &EndingSignals(), &before);
    File file(OpenRetrying(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW,
                           mode, at));
    const int error = errno;
    if (file.is_open()) {
      pending_directory = at;
      std::memcpy(pending_name, name.c_str(), name.size() + 1);
    }
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    if (file.is_open()) {
      return PrivateFile(std::move(file), name, std::move(directory), like);
    }
    if (error != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

void PrivateFile::Discard() {
  file_.Close();
  if (!named_ && !temporary_name_.empty()) {
    const int at = Fd(directory_.handle_);
    ::unlinkat(at, temporary_name_.c_str(), 0);
    ForgetPendingName(at, temporary_name_);
  }
  temporary_name_.clear();
  directory_.Close();
}

Status PrivateFile::GiveName(const std::string& path) {
  if (named_ || !file_.is_open() || !directory_.is_open()) {
    return Status::kWrite;
  }
  const int at = Fd(directory_.handle_);
  const std::string name(
      path.substr(DirectoryPart(path, PathStyle::kPosix).size()));
  if (temporary_name_.empty()) {
    if (!NameUnnamed(Fd(file_.handle_), at, name.c_str())) {
      return errno == EEXIST ? Status::kTaken : Status::kWrite;
    }
  } else if (!RenameNoReplace(at, temporary_name_, name)) {
    return errno == EEXIST ? Status::kTaken : Status::kWrite;
  }
  named_ = true;
  ForgetPendingName(at, temporary_name_);
  temporary_name_.clear();
  // A write that failed only shows when the file is closed on some file
  // systems: then the result is not what was written, and goes.
  const bool closed = file_.Close();
  if (!closed) ::unlinkat(at, name.c_str(), 0);
  directory_.Close();
  return closed ? Status::kOk : Status::kWrite;
}

// Whatever stat() reaches, or cannot look up for another cause than that
// nothing has the name (as the name of a file that may not be read, or a
// loop of links): as an open for reading would tell.
bool SystemFiles::Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ||
         (errno != ENOENT && errno != ENOTDIR);
}

PathKind KindOfPath(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return PathKind::kNone;
  return S_ISDIR(st.st_mode) ? PathKind::kDirectory : PathKind::kOther;
}

bool StdinIsConsole() { return ::isatty(STDIN_FILENO) == 1; }

size_t ReadStandardInput(std::span<char> buffer) {
  while (true) {
    const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return 0;
  }
}

void ReadStandardInputAsIs() {}

int ReadConsoleKey(const std::function<void()>& ask) {
  if (::tcgetattr(STDIN_FILENO, &console_saved) != 0) {
    ask();
    return -1;
  }
  console_single_key = console_saved;
  // No line editing and no echo: the next key arrives as it is typed. The
  // signal keys keep working: Ctrl-C ends the program and Ctrl-Z stops it,
  // and either way the handlers put the console back first.
  console_single_key.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  console_single_key.c_cc[VMIN] = 1;
  console_single_key.c_cc[VTIME] = 0;
  console_switched = 1;
  if (::tcsetattr(STDIN_FILENO, TCSANOW, &console_single_key) != 0) {
    console_switched = 0;
    ask();
    return -1;
  }
  try {
    ask();
  } catch (...) {  // out of memory: the console goes back first
    ::tcsetattr(STDIN_FILENO, TCSANOW, &console_saved);
    console_switched = 0;
    throw;
  }
  ::fflush(stdout);
  unsigned char key = 0;
  ssize_t n;
  do {
    n = ::read(STDIN_FILENO, &key, 1);
  } while (n < 0 && errno == EINTR);
  ::tcsetattr(STDIN_FILENO, TCSANOW, &console_saved);
  console_switched = 0;
  return n == 1 ? key : -1;
}

bool PrepareProcess() {
  if (!OpenStandardStreams()) return false;
  ::signal(SIGXFSZ, SIG_IGN);
  // The handlers' own stack: the program's may be what ran out.
  static char handler_stack[64 << 10];
  stack_t stack{};
  stack.ss_sp = handler_stack;
  stack.ss_size = sizeof handler_stack;
  ::sigaltstack(&stack, nullptr);
  for (int number = 1; number < NSIG; ++number) {
    if (::sigismember(&EndingSignals(), number) == 1) {
      Handle(number, EndOnSignal);
    }
  }
  Handle(SIGTSTP, StopOnSignal);
  return true;
}

// The shell has expanded every pattern it was meant to.
std::vector<std::string> ProgramArguments(int argc, char** argv,
                                          const FileArguments&) {
  return std::vector<std::string>(argv, argv + argc);
}

bool ShowsOnTerminal(int stream) { return ::isatty(stream) == 1; }

// Terminals take UTF-8 as it is.
void UseUtf8Console() {}

}  // namespace qmx::platform
