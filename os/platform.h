#ifndef QMX_OS_PLATFORM_H_
#define QMX_OS_PLATFORM_H_

// The few operating-system services the tools need, among them the system's
// file layer (SystemFiles), behind one interface: platform.cc holds what
// every system shares, posix.cc what POSIX has (with linux.cc for what only
// Linux has, behind posix.h), windows.cc the rest for Windows. File names
// and console text are UTF-8 throughout the program: POSIX systems take the
// bytes as they are, Windows gets them as UTF-16 through its wide functions,
// so that no name depends on the system's ANSI code page.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/file_layer.h"

namespace qmx::platform {

/// An open file, closed when it goes out of scope. Opened for reading, it
/// is an input of the system's file layer.
class File : public InputFile {
 public:
  /// Opens an existing file for reading only. When it cannot be opened,
  /// the File is not open and `failure`, when given, says why.
  static File OpenForReading(const std::string& path,
                             OpenFailure* failure = nullptr);
  /// Creates a new file for reading and writing; fails when the name exists.
  static File CreateNew(const std::string& path);
  /// Opens the existing file `path` for writing when it is neither a
  /// regular file nor a directory (a device such as the null device, a
  /// pipe), waiting for a pipe's reader as a shell's redirection does.
  /// Nothing when `path` is no such file, so that no regular file is ever
  /// written into; a file that is not open when it is one but cannot be
  /// opened. On Windows a name that cannot be opened counts as no such file.
  static std::optional<File> OpenDeviceForWriting(const std::string& path);
  /// The standard stream (input, output or error) that `path` names when
  /// it is the very file the stream is (by device and number, as /dev/stdout
  /// or /proc/self/fd/1 name standard output redirected to a file), as a
  /// File of its own that writes where the stream stands; a file that is not
  /// open when it is one but cannot be taken. Nothing for any other name, and
  /// for a stream that is a device (a terminal, the null device): those are
  /// opened by name. On Windows only a stream that is a disk file counts.
  static std::optional<File> OpenStandardStream(const std::string& path);

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
  ~File() override { Close(); }

  bool is_open() const { return handle_ != -1; }
  /// True for a regular file (not a directory, device or pipe).
  bool IsRegular() const;
  bool IsDirectory() const;
  /// The file's length in bytes, or nothing when it cannot be told.
  std::optional<int64_t> Size() const;
  std::optional<FileVersion> Version() const override;
  Status Read(int64_t pos, std::span<uint8_t> bytes) const override;
  /// A PrivateFile made like this file, which copies from it.
  std::unique_ptr<PrivateOutput> CreateResult(
      const std::string& dir) const override;
  /// Writes all of `bytes` at `pos`; false when any could not be written.
  bool WriteAt(int64_t pos, std::span<const uint8_t> bytes) const;
  /// Writes all of `bytes` where the file stands, as a device or a pipe
  /// takes them; false when any could not be written.
  bool Write(std::span<const uint8_t> bytes) const;
  /// Copies `length` bytes of `from`, starting at `from_pos`, into this file
  /// at `to_pos`, through the system's own copy where it has one and a
  /// bounded buffer otherwise. Where the system can tell them (Linux), holes
  /// of a sparse `from` are not written, so the range copied to must read as
  /// zeros beforehand, as the end of a new file does. Tells a failure to
  /// read `from` (fewer bytes than asked for included), kRead, from a
  /// failure to write, kWrite.
  Status CopyFrom(const File& from, int64_t from_pos, int64_t to_pos,
                  int64_t length) const;
  /// Allocates the space for `length` bytes at `pos` where the file system
  /// can, extending the file to cover them: kWrite when the space is not
  /// there. kOk without doing anything where it cannot be done.
  Status Reserve(int64_t pos, int64_t length) const;
  /// Closes the file; false when the system reports that data may be lost.
  bool Close();

 private:
  friend class PrivateFile;
  explicit File(intptr_t handle) : handle_(handle) {}
  /// CopyFrom with both files open and positions and length checked: the
  /// platform's own way.
  Status CopyBySystem(const File& from, int64_t from_pos, int64_t to_pos,
                      int64_t length) const;
  /// CopyFrom through a bounded buffer only, with positions and length
  /// already checked: every byte is read and written.
  Status CopyThroughBuffer(const File& from, int64_t from_pos, int64_t to_pos,
                           int64_t length) const;
  intptr_t handle_ = -1;
};

/// A new file in a directory that no other process, and no later file of
/// this one, can reach by a name until it is complete and given its name.
/// Where the file system can make an unnamed file it is one; elsewhere it
/// has a name of its own that nobody else uses. A file that never gets its
/// name is gone when this object goes, and when the process is ended by a
/// signal (on Windows: by Ctrl-C, Ctrl-Break, the console's closing or
/// any other end of the process). It is the file layer's private file.
class PrivateFile : public PrivateOutput {
 public:
  /// Creates the file in `dir` ("" for the current directory), joined to it
  /// as InDirectory joins a name. Where the system keeps access bits, it is
  /// created with the read, write and execute bits of `like`, as a copy of
  /// it is (the umask or the directory's default access list apply), and
  /// never wider meanwhile; without `like`, as any new file. On Windows it
  /// takes the access its directory passes on. Copy copies from `like`,
  /// which must stay open meanwhile; without it, Copy fails. Nothing when
  /// it cannot be created.
  static std::optional<PrivateFile> Create(const std::string& dir,
                                           const File* like = nullptr);

  PrivateFile(PrivateFile&& other) noexcept
      : file_(std::move(other.file_)),
        directory_(std::move(other.directory_)),
        temporary_name_(std::exchange(other.temporary_name_, {})),
        named_(std::exchange(other.named_, true)),
        input_(other.input_) {}
  PrivateFile& operator=(PrivateFile&& other) noexcept {
    if (this != &other) {
      Discard();
      file_ = std::move(other.file_);
      directory_ = std::move(other.directory_);
      temporary_name_ = std::exchange(other.temporary_name_, {});
      named_ = std::exchange(other.named_, true);
      input_ = other.input_;
    }
    return *this;
  }
  PrivateFile(const PrivateFile&) = delete;
  ~PrivateFile() override { Discard(); }

  const File& file() const { return file_; }

  Status Write(int64_t pos, std::span<const uint8_t> bytes) override;
  /// From the File it was made like, as File::CopyFrom copies.
  Status Copy(int64_t from_pos, int64_t to_pos, int64_t length) override;
  Status Reserve(int64_t pos, int64_t length) override;

  /// Gives the complete file the name `path`, which must lie in the
  /// directory the file was made in. On Linux only its last part counts: it
  /// is given in that directory wherever it has been moved to meanwhile,
  /// since the file holds the directory open. Never replaces anything: kTaken
  /// when the name exists. After kOk the file is closed and kept; when the
  /// close reports that data was lost, the name is removed: kWrite, as for any
  /// other failure.
  Status GiveName(const std::string& path) override;

 private:
  PrivateFile(File file, std::string temporary_name, File directory,
              const File* input)
      : file_(std::move(file)),
        directory_(std::move(directory)),
        temporary_name_(std::move(temporary_name)),
        input_(input) {}
  void Discard();

  File file_;
  /// On Linux the directory the file was made in, open until the file is
  /// named or removed: every name is given and removed relative to it.
  File directory_;
  /// The file's own name when it has one, until it is named or removed (on
  /// Linux relative to `directory_`).
  std::string temporary_name_;
  bool named_ = false;
  /// What Copy copies from, or null.
  const File* input_ = nullptr;
};

/// The files of the system, through the interface of file_layer.h: what
/// each program's front end hands down. It holds nothing of its own.
class SystemFiles : public FileLayer {
 public:
  /// A File; a directory, device, pipe or socket is no input.
  std::unique_ptr<InputFile> Open(const std::string& path,
                                  OpenFailure& failure) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  /// A PrivateFile made like no file.
  std::unique_ptr<PrivateOutput> CreatePrivate(const std::string& dir) override;
  /// Through File::OpenStandardStream, then File::OpenDeviceForWriting.
  std::optional<OpenedStream> OpenStream(const std::string& path) override;
};

/// What `path` names: nothing that can be reached, a directory, or anything
/// else (a file, a device). On Windows it is looked up through the wide
/// functions like every name the programs open.
enum class PathKind { kNone, kDirectory, kOther };
PathKind KindOfPath(const std::string& path);

/// True when standard input is an interactive console.
bool StdinIsConsole();

/// Reads what standard input has ready into the front of `buffer`, waiting
/// for at least one byte; returns how many, 0 at its end or on a failure.
/// On a terminal an end is Ctrl-D (on a Windows console Ctrl-Z ENTER) and
/// the next read waits again. On Windows the input comes as the C runtime's
/// text mode gives it (CR LF as LF) until ReadStandardInputAsIs.
size_t ReadStandardInput(std::span<char> buffer);

/// From now on standard input is read byte for byte as it is: on Windows it
/// leaves text mode, in which a Ctrl-Z byte would end a file or a pipe;
/// elsewhere it never was in one. The programs call it for answers from a
/// file or a pipe, so that one answer file reads the same on every system;
/// a console's input stays in text mode.
void ReadStandardInputAsIs();

/// Reads one key from the console without echo and without waiting for
/// ENTER, after `ask` has shown the question. The console is switched before
/// `ask` runs, so that a key typed the moment the question appears is not
/// echoed either; its settings are restored before this returns, and before
/// the program ends or stops on a signal meanwhile. Returns -1 when the
/// console has no more input.
int ReadConsoleKey(const std::function<void()>& ask);

/// Prepares the process: a closed standard stream is opened on the null
/// device, so that no file the program opens takes its place; a write
/// beyond a file size limit fails like any other write instead of ending the
/// program; and a signal (on Windows a console event) that ends the program
/// first puts the console back and removes a named private file. False when
/// a closed standard stream could not be opened: the program must then open
/// no file.
bool PrepareProcess();

/// Which of a program's arguments (without its own name) name files: true
/// at the index of each. Only those are expanded as wildcard patterns.
using FileArguments =
    std::function<std::vector<bool>(std::span<const std::string> arguments)>;

/// Every argument but "/?" names a file, as for the four tools.
std::vector<bool> EveryArgumentButHelp(std::span<const std::string> arguments);

/// The program's command line in UTF-8, its own name first. On Windows it
/// is read from the wide command line, since `argv` there holds only what
/// the ANSI code page can spell; elsewhere it is `argv` as it is.
///
/// On Windows, where no shell expands wildcards, a file argument (as
/// `files` tells them) that was not quoted, in any part, and holds '*' or
/// '?' in its last part stands for the files (not folders) whose long names
/// match that part, case ignored, in name order, each after the argument's
/// directory part as written; when none matches, it stays as written. No
/// Windows name holds '*' or '?', so no file is meant by such an argument as
/// it stands.
std::vector<std::string> ProgramArguments(int argc, char** argv,
                                          const FileArguments& files);

/// True when standard output (1) or standard error (2) is shown on a
/// terminal (on Windows: a console).
bool ShowsOnTerminal(int stream);

/// Makes std::cout and std::cerr show UTF-8 text whatever the console: on
/// a Windows console it is written as wide characters, so that any name and
/// the degree sign show in every code page. Redirected, and on other
/// systems, the bytes go out unchanged.
void UseUtf8Console();

/// What every program does first: prepares the process and the console,
/// marks std::cout and std::cerr as shown on a terminal where they are (so
/// that names show as ShownName shows them there), and returns its
/// arguments in UTF-8, without its own name, as ProgramArguments gives them
/// with `files`. Nothing when the process could not be prepared: the
/// program then processes no file.
std::optional<std::vector<std::string>> StartProgram(
    int argc, char** argv, const FileArguments& files = EveryArgumentButHelp);

}  // namespace qmx::platform

#endif  // QMX_OS_PLATFORM_H_
