#ifndef QMX_COMMON_PLATFORM_H_
#define QMX_COMMON_PLATFORM_H_

// The few operating-system services the tools need, behind one interface
// with one implementation per platform. File names are 8-bit strings passed
// to the file system as they are.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qmx::platform {

/// Identifies a file independently of the name it was reached by.
struct FileId {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileId&) const = default;
};

/// An open file, closed when it goes out of scope.
class File {
 public:
  /// Opens an existing file for reading only.
  static File OpenForReading(const std::string& path);
  /// Creates a new file for writing; fails when the name exists.
  static File CreateNew(const std::string& path);
  /// Opens an existing file for reading and writing without truncating it.
  static File OpenForUpdate(const std::string& path);

  File() = default;
  File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = -1;
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { Close(); }

  bool is_open() const;
  /// True for a regular file (not a directory, device or pipe).
  bool IsRegular() const;
  std::optional<FileId> Id() const;
  /// The file's length in bytes, or nothing when it cannot be told.
  std::optional<int64_t> Size() const;
  /// Reads exactly `buffer.size()` bytes at `pos`; false when fewer exist
  /// or the read fails.
  bool ReadAt(int64_t pos, std::span<uint8_t> buffer) const;
  /// Writes all of `bytes` at `pos`; false when any could not be written.
  bool WriteAt(int64_t pos, std::span<const uint8_t> bytes) const;
  /// Closes the file; false when the system reports that data may be lost.
  bool Close();

 private:
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = -1;
};

/// The identity of the file a name refers to, or nothing when there is none.
std::optional<FileId> IdOfPath(const std::string& path);

/// Deletes a file; false when it could not be deleted.
bool RemoveFile(const std::string& path);

/// Gives the file `from` the name `to`. Never replaces an existing `to`:
/// fails instead.
bool RenameNoReplace(const std::string& from, const std::string& to);

/// True when standard input is an interactive console.
bool StdinIsConsole();

/// Reads one key from the console without echo and without waiting for
/// ENTER, after `ask` has shown the question. The console is switched before
/// `ask` runs, so that a key typed the moment the question appears is not
/// echoed either; its settings are restored before this returns. Returns -1
/// when the console has no more input.
int ReadConsoleKey(const std::function<void()>& ask);

/// Memory for a file image of `size` bytes, or nullptr. Large blocks are
/// aligned and marked for huge pages where the system has them.
void* AllocateImageMemory(size_t size);
void FreeImageMemory(void* memory, size_t size);

/// The degree sign as file names on this platform spell it.
std::string_view DegreeSign();

/// Prepares the process: a write beyond a file size limit must fail like
/// any other write instead of ending the program.
void PrepareProcess();

}  // namespace qmx::platform

#endif  // QMX_COMMON_PLATFORM_H_
