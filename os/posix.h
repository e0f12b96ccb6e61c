#ifndef QMX_OS_POSIX_H_
#define QMX_OS_POSIX_H_

// What the POSIX part of the platform layer (os/posix.cc) takes from the
// system it runs on, beyond POSIX: one small file per system gives it
// (os/linux.cc for Linux), together with File::CopyBySystem and
// File::Reserve. Used by the platform layer only.

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <span>

namespace qmx::platform {

inline int Fd(intptr_t handle) { return static_cast<int>(handle); }

/// Opens `path` with `flags` (and O_CLOEXEC), relative to the directory
/// open as `at` when it is given, again when a signal interrupts it.
int OpenRetrying(const char* path, int flags, mode_t mode = 0,
                 int at = AT_FDCWD);

/// Adds the system's own signals whose default action ends the program.
void AddSystemEndingSignals(sigset_t& set);

/// Opens the directory `path` to make a private file in and to give and
/// remove its names relative to; -1 when it cannot be.
int OpenDirectory(const char* path);

/// What CreateUnnamed returns where no unnamed file can be made, and
/// nameable, in the directory: a file with a name of its own is made then.
inline constexpr int kNoUnnamedFile = -2;

/// A new unnamed file with the access bits `mode` in the directory open as
/// `at`, which only NameUnnamed can give a name: its descriptor; -1 when it
/// cannot be made there for a cause that a named file has too (the
/// directory is not writable, say); kNoUnnamedFile.
int CreateUnnamed(int at, mode_t mode);

/// Gives the unnamed file open as `fd` the name `name` in the directory
/// open as `at`; false, with errno set (EEXIST when the name is taken),
/// when it cannot.
bool NameUnnamed(int fd, int at, const char* name);

/// How RenameBySystem ended.
enum class Renamed {
  kDone,
  kFailed,  // errno says why: EEXIST when `to` exists
  kCannot,  // the system or the file system has no such rename
};

/// Gives the file `from` the name `to`, both in the directory open as `at`,
/// never replacing an existing `to`, where the system can do that at once.
Renamed RenameBySystem(int at, const char* from, const char* to);

/// Fills `bytes` with the system's randomness without waiting for it; false
/// when it has none to give.
bool FillRandom(std::span<unsigned char> bytes);

}  // namespace qmx::platform

#endif  // QMX_OS_POSIX_H_
