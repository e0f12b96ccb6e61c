// What the platform layer takes from Linux beyond POSIX (os/posix.h):
// unnamed files (O_TMPFILE in a directory open as O_PATH) named by
// descriptor, directly for root and through /proc/self/fd for everyone
// else; renameat2 without replacing; copy_file_range with SEEK_DATA and
// SEEK_HOLE, so that holes stay holes; fallocate; getrandom; and Linux's own
// ending signals. Where a file system lacks one of them, posix.cc takes a
// named file, a link and an unlink, or a buffer.

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/random.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "os/platform.h"
#include "os/posix.h"

namespace qmx::platform {
namespace {

// Errors of copy_file_range that only the target can cause.
bool IsWriteError(int error) {
  return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EROFS;
}

// The least data that a copy reserves the space of before copying it.
constexpr int64_t kReserveBeforeCopying = int64_t{256} << 10;

}  // namespace

void AddSystemEndingSignals(sigset_t& set) {
  for (const int number : {SIGSTKFLT, SIGIO, SIGPWR}) ::sigaddset(&set, number);
}

int OpenDirectory(const char* path) {
  return OpenRetrying(path, O_PATH | O_DIRECTORY);
}

// An unnamed file is named through its descriptor: directly with a
// privilege that only root has, through /proc for everyone else. Without
// either, it could never be given its name.
int CreateUnnamed(int at, mode_t mode) {
  static const bool can_name_unnamed =
      ::geteuid() == 0 || ::access("/proc/self/fd", X_OK) == 0;
  if (!can_name_unnamed) return kNoUnnamedFile;
  const int fd = OpenRetrying(".", O_TMPFILE | O_RDWR, mode, at);
  if (fd >= 0) return fd;
  // Only a file system without unnamed files takes the named way; a
  // directory that is missing or not writable fails the same either way.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
  return kNoUnnamedFile;
}

// The direct way needs a privilege that only root has; everyone else goes
// through /proc.
bool NameUnnamed(int fd, int at, const char* name) {
  int linked = ::linkat(fd, "", at, name, AT_EMPTY_PATH);
  if (linked != 0 && errno != EEXIST) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    linked = ::linkat(AT_FDCWD, self.c_str(), at, name, AT_SYMLINK_FOLLOW);
  }
  return linked == 0;
}

// Only a file system that cannot rename without replacing falls back; every
// other failure (the name exists, say) is final.
Renamed RenameBySystem(int at, const char* from, const char* to) {
  if (::renameat2(at, from, at, to, RENAME_NOREPLACE) == 0) {
    return Renamed::kDone;
  }
  return errno == EINVAL || errno == ENOSYS ? Renamed::kCannot
                                            : Renamed::kFailed;
}

bool FillRandom(std::span<unsigned char> bytes) {
  return ::getrandom(bytes.data(), bytes.size(), GRND_NONBLOCK) ==
         static_cast<ssize_t>(bytes.size());
}

// Copies the data segments of `from` with copy_file_range, which moves the
// bytes inside the kernel, each large one into space reserved for it, and
// leaves its holes as holes; the target is extended over a hole at the end.
// Where the kernel cannot copy between the two files (other file systems, old
// kernels), each data segment goes through a buffer instead, which also
// tells a read failure from a write failure exactly; the holes stay holes.
Status File::CopyBySystem(const File& from, int64_t from_pos, int64_t to_pos,
                          int64_t length) const {
  const int in = Fd(from.handle_);
  const int out = Fd(handle_);
  const int64_t end = from_pos + length;
  int64_t pos = from_pos;
  bool by_buffer = false;
  while (pos < end) {
    off_t data = ::lseek(in, static_cast<off_t>(pos), SEEK_DATA);
    if (data < 0) {
      // No data left before the end of the file: the rest is one hole,
      // unless the file is shorter than what is asked for.
      if (errno == ENXIO) {
        const std::optional<int64_t> size = from.Size();
        if (!size || *size < end) return Status::kRead;
        break;
      }
      data = static_cast<off_t>(pos);  // holes cannot be told: all data
    }
    if (data >= end) break;
    off_t hole = ::lseek(in, data, SEEK_HOLE);
    if (hole < 0 || hole > end) hole = static_cast<off_t>(end);
    // Copied into space taken beforehand, much data costs the file system
    // less than space it takes block by block as the copy goes; for a
    // little, taking it costs more than it saves.
    if (hole - data >= kReserveBeforeCopying) {
      if (const Status reserved =
              Reserve(to_pos + (data - from_pos), hole - data);
          reserved != Status::kOk) {
        return reserved;
      }
    }
    loff_t in_at = data;
    loff_t out_at = static_cast<loff_t>(to_pos + (data - from_pos));
    while (in_at < hole && !by_buffer) {
      const ssize_t n = ::copy_file_range(in, &in_at, out, &out_at,
                                          static_cast<size_t>(hole - in_at), 0);
      if (n > 0) continue;
      if (n == 0) return Status::kRead;  // the input got shorter
      if (errno == EINTR) continue;
      if (IsWriteError(errno)) return Status::kWrite;
      by_buffer = true;  // for this segment's rest and every later one
    }
    if (in_at < hole) {
      if (const Status copied = CopyThroughBuffer(
              from, in_at, to_pos + (in_at - from_pos), hole - in_at);
          copied != Status::kOk) {
        return copied;
      }
    }
    pos = hole;
  }
  // A hole at the end: the target must still reach the full length.
  const int64_t to_end = to_pos + length;
  const std::optional<int64_t> size = Size();
  if (!size) return Status::kWrite;
  if (*size < to_end && ::ftruncate(out, static_cast<off_t>(to_end)) != 0) {
    return Status::kWrite;
  }
  return Status::kOk;
}

// Where the file system cannot allocate ahead, the writes take the space as
// they go.
Status File::Reserve(int64_t pos, int64_t length) const {
  if (length <= 0) return Status::kOk;
  int result;
  do {
    result = ::fallocate(Fd(handle_), 0, static_cast<off_t>(pos),
                         static_cast<off_t>(length));
  } while (result != 0 && errno == EINTR);
  if (result == 0 || errno == EOPNOTSUPP || errno == ENOSYS) {
    return Status::kOk;
  }
  return Status::kWrite;
}

}  // namespace qmx::platform
