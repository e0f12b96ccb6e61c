// POSIX implementation of the platform layer.

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "common/platform.h"

namespace qmx::platform {
namespace {

int Fd(intptr_t handle) { return static_cast<int>(handle); }

FileId IdOf(const struct stat& st) {
  return FileId{static_cast<uint64_t>(st.st_dev),
                static_cast<uint64_t>(st.st_ino)};
}

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

// O_NONBLOCK keeps a FIFO from blocking the open; regular files ignore it.
File File::OpenForReading(const std::string& path) {
  return File(OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK));
}

File File::CreateNew(const std::string& path) {
  return File(OpenRetrying(path.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666));
}

File File::OpenForUpdate(const std::string& path) {
  return File(OpenRetrying(path.c_str(), O_RDWR | O_NOFOLLOW));
}

bool File::is_open() const { return handle_ >= 0; }

bool File::IsRegular() const {
  struct stat st;
  return is_open() && ::fstat(Fd(handle_), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<FileId> File::Id() const {
  struct stat st;
  if (!is_open() || ::fstat(Fd(handle_), &st) != 0) return std::nullopt;
  return IdOf(st);
}

std::optional<int64_t> File::Size() const {
  struct stat st;
  if (!is_open() || ::fstat(Fd(handle_), &st) != 0) return std::nullopt;
  return static_cast<int64_t>(st.st_size);
}

bool File::ReadAt(int64_t pos, std::span<uint8_t> buffer) const {
  if (!is_open() || pos < 0) return false;
  size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n =
        ::pread(Fd(handle_), buffer.data() + done, buffer.size() - done,
                static_cast<off_t>(pos + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool File::WriteAt(int64_t pos, std::span<const uint8_t> bytes) const {
  if (!is_open() || pos < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(Fd(handle_), bytes.data() + done, bytes.size() - done,
                 static_cast<off_t>(pos + done));
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

std::optional<FileId> IdOfPath(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return IdOf(st);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameNoReplace(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                  RENAME_NOREPLACE) == 0) {
    return true;
  }
  // Only a file system that cannot rename without replacing falls back;
  // every other failure (the name exists, say) is final.
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // link() never replaces an existing name; the old name goes only once the
  // new one is in place.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

bool StdinIsConsole() { return ::isatty(STDIN_FILENO) == 1; }

int ReadConsoleKey(const std::function<void()>& ask) {
  struct termios saved;
  if (::tcgetattr(STDIN_FILENO, &saved) != 0) {
    ask();
    return -1;
  }
  struct termios raw = saved;
  // No line editing, no echo and no signal keys: the next key arrives as it
  // is typed, Ctrl-C included, as a Windows console's _getch gives it.
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (::tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) {
    ask();
    return -1;
  }
  ask();
  ::fflush(stdout);
  unsigned char key = 0;
  ssize_t n;
  do {
    n = ::read(STDIN_FILENO, &key, 1);
  } while (n < 0 && errno == EINTR);
  ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  return n == 1 ? key : -1;
}

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

size_t RoundUpToHugePage(size_t size) {
  return (size + kHugePage - 1) & ~(kHugePage - 1);
}

}  // namespace

void* AllocateImageMemory(size_t size) {
  if (size < kHugePage) return std::malloc(size == 0 ? 1 : size);
  // Map one huge page more than needed, then cut the mapping down to a
  // huge-page aligned block so that the kernel can back it with huge pages.
  const size_t length = RoundUpToHugePage(size);
  void* mapped = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) ::munmap(mapped, aligned - start);
  const uintptr_t tail = aligned + length;
  const uintptr_t end = start + length + kHugePage;
  if (end > tail) ::munmap(reinterpret_cast<void*>(tail), end - tail);
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}

void FreeImageMemory(void* memory, size_t size) {
  if (size < kHugePage) {
    std::free(memory);
    return;
  }
  ::munmap(memory, RoundUpToHugePage(size));
}

std::string_view DegreeSign() { return "\xC2\xB0"; }

void PrepareProcess() { ::signal(SIGXFSZ, SIG_IGN); }

}  // namespace qmx::platform
