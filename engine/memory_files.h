#ifndef QMX_ENGINE_MEMORY_FILES_H_
#define QMX_ENGINE_MEMORY_FILES_H_

// Files in memory behind the file layer's interface, for a program without
// a file system of its own (and for tests): the engine's file work runs on
// them exactly as on the system's files.

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "engine/file_layer.h"

namespace qmx {

/// A file of a known size of which only some ranges are in memory, for a
/// program that leaves the rest where it came from (a page, the file that
/// was dropped on it). A read of bytes that are not held fails.
class PartialInput : public InputFile {
 public:
  explicit PartialInput(int64_t size) : size_(size) {}
  /// Room for the `length` bytes of the file at `pos`, which the caller
  /// fills: null when they lie outside the file or memory is short.
  uint8_t* Hold(int64_t pos, int64_t length);
  std::optional<FileVersion> Version() const override {
    return FileVersion{.size = size_};  // in memory: no time of change
  }
  /// A read of bytes that are not held fails with kRead, or with kMemory
  /// once a Hold found memory short.
  Status Read(int64_t pos, std::span<uint8_t> bytes) const override;
  /// A PieceOutput made for this file.
  std::unique_ptr<PrivateOutput> CreateResult(
      const std::string& dir) const override;

 private:
  struct Range {
    int64_t pos;
    int64_t length;
    std::unique_ptr<uint8_t[]> bytes;
  };
  int64_t size_;
  std::vector<Range> ranges_;
  bool memory_short_ = false;
};

/// A private file in memory that keeps what is copied into it from its
/// input as a reference to the input's bytes and holds only what is
/// written: a result whose unchanged parts stay where they are, however
/// large. It reads as zeros where nothing was written or copied, as a new
/// file does, and reads copied bytes from its input, which must outlive it.
class PieceOutput : public PrivateOutput, public InputFile {
 public:
  /// A file for a result made of `input`; without one, nothing can be
  /// copied into it.
  explicit PieceOutput(const InputFile* input = nullptr) : input_(input) {}

  /// A stretch of the file: bytes written (`bytes`), bytes copied
  /// (`length` bytes of `from` at `from_pos`), or zeros (neither).
  struct Piece {
    int64_t pos{};
    int64_t length{};
    const InputFile* from = nullptr;
    int64_t from_pos{};
    const uint8_t* bytes = nullptr;
  };

  /// kMemory when there is no memory for the bytes.
  Status Write(int64_t pos, std::span<const uint8_t> bytes) override;
  /// kRead when the input does not hold the bytes (or there is none);
  /// nothing of them is read.
  Status Copy(int64_t from_pos, int64_t to_pos, int64_t length) override;
  Status Reserve(int64_t pos, int64_t length) override;
  /// Changes nothing: the owner of the file keeps it under a name.
  Status GiveName(const std::string&) override { return Status::kOk; }

  std::optional<FileVersion> Version() const override {
    return FileVersion{.size = size_};  // in memory: no time of change
  }
  Status Read(int64_t pos, std::span<uint8_t> bytes) const override;
  /// A PieceOutput made for this file.
  std::unique_ptr<PrivateOutput> CreateResult(
      const std::string& dir) const override;

  /// The whole file as pieces in order, without gaps; the bytes stay valid
  /// until the next change.
  std::vector<Piece> Pieces() const;

 private:
  struct Stored {
    int64_t pos;
    int64_t length;
    const InputFile* from{};  // null for bytes written
    int64_t from_pos{};
    // Bytes written: the buffer of the write they came with, which the
    // parts of a piece that a later write splits share, and where in it
    // this piece starts.
    std::shared_ptr<const uint8_t[]> bytes{};
    int64_t bytes_pos{};
  };
  // Puts `piece` in place of whatever lay where it goes.
  void Place(Stored piece);

  const InputFile* input_;
  std::map<int64_t, Stored> pieces_;  // by position, none overlapping
  int64_t size_{};
};

}  // namespace qmx

#endif  // QMX_ENGINE_MEMORY_FILES_H_
