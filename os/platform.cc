// What the platform layer does the same way on every system.

#include "os/platform.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "os/wide_text.h"

namespace qmx::platform {
namespace {

// The most bytes a copy holds at once, whatever the file's size.
constexpr int64_t kCopyBuffer = int64_t{256} << 10;

class SystemFileLayer : public FileLayer {
 public:
  std::unique_ptr<InputFile> Open(const std::string& path,
                                  OpenFailure& failure) override {
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
  // Inputs of the system's file layer are all Files.
  std::unique_ptr<PrivateOutput> CreatePrivate(
      const std::string& dir, const InputFile& input) override {
    std::optional<PrivateFile> file =
        PrivateFile::Create(dir, &static_cast<const File&>(input));
    if (!file) return nullptr;
    return std::make_unique<PrivateFile>(std::move(*file));
  }
};

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

Status PrivateFile::Write(int64_t pos, std::span<const uint8_t> bytes) {
  return file_.WriteAt(pos, bytes) ? Status::kOk : Status::kWrite;
}

// Inputs of the system's file layer are all Files.
Status PrivateFile::Copy(const InputFile& from, int64_t from_pos,
                         int64_t to_pos, int64_t length) {
  return file_.CopyFrom(static_cast<const File&>(from), from_pos, to_pos,
                        length);
}

Status PrivateFile::Reserve(int64_t pos, int64_t length) {
  return file_.Reserve(pos, length);
}

FileLayer& SystemFiles() {
  static SystemFileLayer files;
  return files;
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
