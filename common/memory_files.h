#ifndef QMX_COMMON_MEMORY_FILES_H_
#define QMX_COMMON_MEMORY_FILES_H_

// Files in memory behind the file layer's interface, for a program without
// a file system of its own and for tests: the engine's file work runs on
// them exactly as on the system's files.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/file_layer.h"

namespace qmx {

/// A file in memory, read as an input.
class MemoryInput : public InputFile {
 public:
  explicit MemoryInput(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::optional<FileVersion> Version() const override {
    return FileVersion{.size = int64_t(bytes_.size()), .modified = 0};
  }
  Status Read(int64_t pos, std::span<uint8_t> bytes) const override {
    if (pos < 0 || pos + int64_t(bytes.size()) > int64_t(bytes_.size()))
      return Status::kRead;
    std::copy_n(bytes_.begin() + pos, bytes.size(), bytes.begin());
    return Status::kOk;
  }

 private:
  std::vector<uint8_t> bytes_;
};

/// A private file in memory. It reads as zeros where nothing was written,
/// as a new file does. Giving it a name changes nothing: its owner takes
/// the bytes.
class MemoryOutput : public PrivateOutput {
 public:
  Status Write(int64_t pos, std::span<const uint8_t> bytes) override {
    Reserve(pos, int64_t(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + pos);
    return Status::kOk;
  }
  Status Copy(const InputFile& from, int64_t from_pos, int64_t to_pos,
              int64_t length) override {
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    const Status read = from.Read(from_pos, bytes);
    return read == Status::kOk ? Write(to_pos, bytes) : read;
  }
  Status Reserve(int64_t pos, int64_t length) override {
    bytes_.resize(std::max(bytes_.size(), size_t(pos + length)));
    return Status::kOk;
  }
  Status GiveName(const std::string&) override { return Status::kOk; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace qmx

#endif  // QMX_COMMON_MEMORY_FILES_H_
