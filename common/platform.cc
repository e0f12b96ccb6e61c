// What the platform layer does the same way on every system.

#include "common/platform.h"

#include <algorithm>
#include <vector>

namespace qmx::platform {
namespace {

// The most bytes a copy holds at once, whatever the file's size.
constexpr int64_t kCopyBuffer = int64_t{256} << 10;

class SystemInput : public InputFile {
 public:
  explicit SystemInput(File file) : file_(std::move(file)) {}
  std::optional<FileVersion> Version() const override {
    return file_.Version();
  }
  Status Read(int64_t pos, std::span<uint8_t> bytes) const override {
    return file_.ReadAt(pos, bytes) ? Status::kOk : Status::kRead;
  }
  const File& file() const { return file_; }

 private:
  File file_;
};

class SystemOutput : public PrivateOutput {
 public:
  explicit SystemOutput(PrivateFile file) : file_(std::move(file)) {}
  Status Write(int64_t pos, std::span<const uint8_t> bytes) override {
    return file_.file().WriteAt(pos, bytes) ? Status::kOk : Status::kWrite;
  }
  // Inputs of this layer are all SystemInput.
  Status Copy(const InputFile& from, int64_t from_pos, int64_t to_pos,
              int64_t length) override {
    return file_.file().CopyFrom(static_cast<const SystemInput&>(from).file(),
                                 from_pos, to_pos, length);
  }
  Status Reserve(int64_t pos, int64_t length) override {
    return file_.file().Reserve(pos, length);
  }
  Status GiveName(const std::string& path) override {
    return file_.GiveName(path);
  }

 private:
  PrivateFile file_;
};

class SystemFileLayer : public FileLayer {
 public:
  std::unique_ptr<InputFile> Open(const std::string& path) override {
    File file = File::OpenForReading(path);
    if (!file.is_open() || !file.IsRegular()) return nullptr;
    return std::make_unique<SystemInput>(std::move(file));
  }
  std::unique_ptr<PrivateOutput> CreatePrivate(
      const std::string& dir) override {
    std::optional<PrivateFile> file = PrivateFile::Create(dir);
    if (!file) return nullptr;
    return std::make_unique<SystemOutput>(std::move(*file));
  }
};

}  // namespace

Status File::CopyThroughBuffer(const File& from, int64_t from_pos,
                               int64_t to_pos, int64_t length) const {
  std::vector<uint8_t> buffer(
      static_cast<size_t>(std::min(length, kCopyBuffer)));
  for (int64_t done = 0; done < length;) {
    const size_t n = static_cast<size_t>(std::min(length - done, kCopyBuffer));
    const std::span<uint8_t> piece(buffer.data(), n);
    if (!from.ReadAt(from_pos + done, piece)) return Status::kRead;
    if (!WriteAt(to_pos + done, piece)) return Status::kWrite;
    done += static_cast<int64_t>(n);
  }
  return Status::kOk;
}

FileLayer& SystemFiles() {
  static SystemFileLayer files;
  return files;
}

std::optional<std::vector<std::string>> StartProgram(int argc, char** argv) {
  if (!PrepareProcess()) return std::nullopt;
  UseUtf8Console();
  std::vector<std::string> arguments = ProgramArguments(argc, argv);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return arguments;
}

}  // namespace qmx::platform
