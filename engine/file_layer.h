#ifndef QMX_ENGINE_FILE_LAYER_H_
#define QMX_ENGINE_FILE_LAYER_H_

// The files an edit works with, behind one small interface: the input it
// reads and the private file its result is built in. The system's files
// implement it (platform.h, SystemFiles); so can files in memory, for a
// program without a file system of its own or for a test.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace qmx {

/// How a piece of file work ended. Each value but kOk is a failure with a
/// message of its own, except kTaken, which only says that a name exists.
enum class Status {
  kOk,
  kShort,    // the input does not hold what its header describes
  kRead,     // the input could not be read
  kWrite,    // the private file could not be made or written
  kChanged,  // the input changed while it was being edited
  kTaken,    // the name to give exists already
  kMemory,   // memory for the file's bytes could not be had
};

/// What tells one state of a file's contents from another: its length and
/// the time of its last change, to the nanosecond where the file system
/// keeps it (in the system's own units). A rewrite that keeps the length
/// within one tick of the file system's clock, or that puts the time back,
/// goes unseen: the time of the inode's last change would tell it, but that
/// also changes on a rename or a replacement under the same name, which are
/// no change of the file being read.
struct FileVersion {
  int64_t size{};
  int64_t modified{};
  bool operator==(const FileVersion&) const = default;
};

/// A regular file, open for reading only.
class InputFile {
 public:
  virtual ~InputFile() = default;
  /// The file's version now, or nothing when it cannot be told.
  virtual std::optional<FileVersion> Version() const = 0;
  /// Reads exactly `bytes.size()` bytes at `pos`: kRead when fewer exist or
  /// the read fails.
  virtual Status Read(int64_t pos, std::span<uint8_t> bytes) const = 0;
};

/// A new file that nobody can reach by a name until it is given one, and
/// that is gone unless it is.
class PrivateOutput {
 public:
  virtual ~PrivateOutput() = default;
  /// Writes all of `bytes` at `pos`: kWrite on failure.
  virtual Status Write(int64_t pos, std::span<const uint8_t> bytes) = 0;
  /// Copies `length` bytes of `from` (an input of the same file layer) from
  /// `from_pos` on to `to_pos`, leaving holes of `from` as holes where the
  /// system can, so the range copied to must read as zeros beforehand, as
  /// the end of a new file does. kRead or kWrite tells which side failed.
  virtual Status Copy(const InputFile& from, int64_t from_pos, int64_t to_pos,
                      int64_t length) = 0;
  /// Takes the space for `length` bytes at `pos` now, where the file system
  /// can, so that no later write there fails for want of space: kWrite when
  /// the space is not there. Does nothing where it cannot be done.
  virtual Status Reserve(int64_t pos, int64_t length) = 0;
  /// Gives the complete file the name `path`, in the directory it was made
  /// in. Never replaces anything: kTaken when the name exists, kWrite when
  /// it could not be given.
  virtual Status GiveName(const std::string& path) = 0;
};

/// Why an input could not be opened.
struct OpenFailure {
  enum class Cause {
    kMissing,     // nothing has that name
    kPermission,  // it may not be read
    kDirectory,
    kNotRegular,  // a device, a pipe or a socket
    kOther,       // `system_words` say what
  };
  Cause cause = Cause::kMissing;
  /// The system's own words for a failure of another kind.
  std::string system_words;
};

/// Opens inputs and makes private files.
class FileLayer {
 public:
  virtual ~FileLayer() = default;
  /// The regular file at `path`, or null, with `failure` set, when there is
  /// none to open.
  virtual std::unique_ptr<InputFile> Open(const std::string& path,
                                          OpenFailure& failure) = 0;
  /// A new private file in `dir` ("" for the current directory) for the
  /// result of `input`, no more open to others than `input` where the
  /// files have access bits; null when none can be made there.
  virtual std::unique_ptr<PrivateOutput> CreatePrivate(
      const std::string& dir, const InputFile& input) = 0;
};

}  // namespace qmx

#endif  // QMX_ENGINE_FILE_LAYER_H_
