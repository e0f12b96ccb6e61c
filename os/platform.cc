// What the platform layer does the same way on every system: the system's
// file layer over File and PrivateFile, the copy through a buffer, the start
// of every program.

#include "os/platform.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "os/wide_text.h"

namespace qmx::platform {
namespace {

// The most bytes a copy holds at once, whatever the file's size.
constexpr int64_t kCopyBuffer = int64_t{256} << 10;

// A device, a pipe or a standard stream, as the system opened it.
class SystemStream : public StreamOutput {
 public:
  explicit SystemStream(File file) : file_(std::move(file)) {}
  bool Write(std::span<const uint8_t> bytes) override {
    return file_.Write(bytes);
  }
  bool Close() override { return file_.Close(); }

 private:
  File file_;
};

std::unique_ptr<StreamOutput> Opened(File file) {
  if (!file.is_open()) return nullptr;
  return std::make_unique<SystemStream>(std::move(file));
}

}  // namespace

Status File::CopyFrom(const File& from, int64_t from_pos, int64_t to_pos,
                      int64_t length) const {
  if (!is_open() || !from.is_open() || from_pos < 0 || to_pos < 0 ||
      length < 0) {
    return Status::kRead;
  }
  return CopyBySystem(from, from_pos, to_pos, length);
}

Status File::CopyThroughBuffer(const File& from, int64_t from_pos,
                               int64_t to_pos, int64_t length) const {
  std::vector<uint8_t> buffer(
      static_cast<size_t>(std::min(length, kCopyBuffer)));
  for (int64_t done = 0; done < length;) {
    const size_t n = static_cast<size_t>(std::min(length - done, kCopyBuffer));
    const std::span<uint8_t> piece(buffer.data(), n);
    if (from.Read(from_pos + done, piece) != Status::kOk) return Status::kRead;
    if (!WriteAt(to_pos + done, piece)) return Status::kWrite;
    done += static_cast<int64_t>(n);
  }
  return Status::kOk;
}

std::unique_ptr<PrivateOutput> File::CreateResult(
    const std::string& dir) const {
  std::optional<PrivateFile> file = PrivateFile::Create(dir, this);
  if (!file) return nullptr;
  return std::make_unique<PrivateFile>(std::move(*file));
}

Status PrivateFile::Write(int64_t pos, std::span<const uint8_t> bytes) {
  return file_.WriteAt(pos, bytes) ? Status::kOk : Status::kWrite;
}

Status PrivateFile::Copy(int64_t from_pos, int64_t to_pos, int64_t length) {
  if (input_ == nullptr) return Status::kRead;
  return file_.CopyFrom(*input_, from_pos, to_pos, length);
}

Status PrivateFile::Reserve(int64_t pos, int64_t length) {
  return file_.Reserve(pos, length);
}

std::unique_ptr<InputFile> SystemFiles::Open(const std::string& path,
                                             OpenFailure& failure) {
  File file = File::OpenForReading(path, &failure);
  if (!file.is_open()) return nullptr;
  if (!file.IsRegular()) {
    failure = {.cause = file.IsDirectory() ? OpenFailure::Cause::kDirectory
                                           : OpenFailure::Cause::kNotRegular,
               .system_words = ""};
    return nullptr;
  }
  return std::make_unique<File>(std::move(file));
}

bool SystemFiles::IsDirectory(const std::string& path) {
  return KindOfPath(path) == PathKind::kDirectory;
}

std::unique_ptr<PrivateOutput> SystemFiles::CreatePrivate(
    const std::string& dir) {
  std::optional<PrivateFile> file = PrivateFile::Create(dir);
  if (!file) return nullptr;
  return std::make_unique<PrivateFile>(std::move(*file));
}

std::optional<OpenedStream> SystemFiles::OpenStream(const std::string& path) {
  if (std::optional<File> stream = File::OpenStandardStream(path)) {
    return OpenedStream{.standard = true, .output = Opened(std::move(*stream))};
  }
  if (std::optional<File> device = File::OpenDeviceForWriting(path)) {
    return OpenedStream{.standard = false,
                        .output = Opened(std::move(*device))};
  }
  return std::nullopt;
}

std::vector<bool> EveryArgumentButHelp(std::span<const std::string> arguments) {
  std::vector<bool> files;
  for (const std::string& argument : arguments)
    files.push_back(argument != "/?");
  return files;
}

std::optional<std::vector<std::string>> StartProgram(
    int argc, char** argv, const FileArguments& files) {
  if (!PrepareProcess()) return std::nullopt;
  UseUtf8Console();
  SetOnTerminal(std::cout, ShowsOnTerminal(1));
  SetOnTerminal(std::cerr, ShowsOnTerminal(2));
  std::vector<std::string> arguments = ProgramArguments(argc, argv, files);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return arguments;
}

}  // namespace qmx::platform
