#ifndef QMX_ENGINE_FILE_LAYER_H_
#define QMX_ENGINE_FILE_LAYER_H_

// The files a program works with, behind one small interface: the inputs it
// reads, the private files its results are built in, the names it must not
// take, and the devices and streams it writes to. Each program's front end
// makes one layer and hands it down: the system's files (os/platform.h,
// SystemFiles), the page's (page/page_files.h), or files in memory for a
// test.

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

class PrivateOutput;

/// A regular file, open for reading only.
class InputFile {
 public:
  virtual ~InputFile() = default;
  /// The file's version now, or nothing when it cannot be told.
  virtual std::optional<FileVersion> Version() const = 0;
  /// Reads exactly `bytes.size()` bytes at `pos`: kRead when fewer exist or
  /// the read fails.
  virtual Status Read(int64_t pos, std::span<uint8_t> bytes) const = 0;
  /// A new private file in `dir` ("" for the current directory) for a
  /// result made of this file, on the same file layer: its Copy copies from
  /// this file, which must stay open meanwhile, and it is no more open to
  /// others than this file where files have access bits. Null when none can
  /// be made there.
  virtual std::unique_ptr<PrivateOutput> CreateResult(
      const std::string& dir) const = 0;
};

/// A new file that nobody can reach by a name until it is given one, and
/// that is gone unless it is.
class PrivateOutput {
 public:
  virtual ~PrivateOutput() = default;
  /// Writes all of `bytes` at `pos`: kWrite on failure.
  virtual Status Write(int64_t pos, std::span<const uint8_t> bytes) = 0;
  /// Copies `length` bytes of the input the file was made for (see
  /// InputFile::CreateResult) from `from_pos` on to `to_pos`, leaving holes
  /// of the input as holes where the system can, so the range copied to
  /// must read as zeros beforehand, as the end of a new file does. kRead or
  /// kWrite tells which side failed; kRead for a file made without an input.
  virtual Status Copy(int64_t from_pos, int64_t to_pos, int64_t length) = 0;
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

/// A device, a pipe or a standard stream, written from where it stands.
class StreamOutput {
 public:
  virtual ~StreamOutput() = default;
  /// Writes all of `bytes`: false when any could not be written.
  virtual bool Write(std::span<const uint8_t> bytes) = 0;
  /// Closes it: false when the system reports that data may be lost.
  virtual bool Close() = 0;
};

/// What a name that is not to get a new file leads to.
struct OpenedStream {
  /// The name is one of the program's own standard streams (input, output
  /// or error) by the file it is, as /dev/stdout redirected to a file is.
  bool standard = false;
  /// Null when it could not be opened.
  std::unique_ptr<StreamOutput> output;
};

/// Opens inputs, makes private files, tells the names that are taken and
/// opens what is written as it stands. A private file for a result made of
/// an input comes from the input (InputFile::CreateResult), which then
/// copies from it.
class FileLayer {
 public:
  virtual ~FileLayer() = default;
  /// The regular file at `path`, or null, with `failure` set, when there is
  /// none to open.
  virtual std::unique_ptr<InputFile> Open(const std::string& path,
                                          OpenFailure& failure) = 0;
  /// True when `path` names anything a result must not take: a file, a
  /// directory, a device, or a name that cannot be looked up for another
  /// cause than that nothing has it.
  virtual bool Exists(const std::string& path) = 0;
  /// True when `path` names a directory.
  virtual bool IsDirectory(const std::string& path) = 0;
  /// A new private file in `dir` ("" for the current directory) for bytes
  /// that are only written, open to others as any new file; null when none
  /// can be made there.
  virtual std::unique_ptr<PrivateOutput> CreatePrivate(
      const std::string& dir) = 0;
  /// When `path` names a standard stream (by the file it is), or otherwise
  /// something that is neither a regular file nor a directory (a device, a
  /// pipe), that, open for writing; a pipe waits for its reader, as a
  /// shell's redirection does. Nothing for any other name, so that no
  /// regular file is ever written into but a standard stream's own.
  virtual std::optional<OpenedStream> OpenStream(const std::string& path) = 0;
};

}  // namespace qmx

#endif  // QMX_ENGINE_FILE_LAYER_H_
