#ifndef QMX_COMMON_WORKING_COPY_H_
#define QMX_COMMON_WORKING_COPY_H_

// The working copy of one file and the edits over it. An edit never holds
// the whole file: it reads a bounded piece, changes its fields as the field
// access of fields.h does, and writes the piece back, in file order. Every
// keyframe that lies wholly inside the file is edited without checks; the
// first one that crosses the end, and any after it, go through the checked
// fields, so the result is exactly that of a walk that checks every access.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "common/fields.h"
#include "common/platform.h"

namespace qmx {

/// Bytes that an edit reads and writes in place: the working copy, or
/// memory in tests. Never grows.
class ByteStore {
 public:
  virtual ~ByteStore() = default;
  virtual int64_t size() const = 0;
  /// Reads exactly `bytes.size()` bytes at `pos`; false on failure.
  virtual bool Read(int64_t pos, std::span<uint8_t> bytes) const = 0;
  /// Writes all of `bytes` at `pos`, inside the store; false on failure.
  virtual bool Write(int64_t pos, std::span<const uint8_t> bytes) = 0;
};

/// A store over bytes in memory.
class MemoryStore : public ByteStore {
 public:
  explicit MemoryStore(std::span<uint8_t> bytes) : bytes_(bytes) {}
  int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
  bool Read(int64_t pos, std::span<uint8_t> bytes) const override;
  bool Write(int64_t pos, std::span<const uint8_t> bytes) override;

 private:
  std::span<uint8_t> bytes_;
};

/// Edits keyframes one at a time, for EditKeyframes. An edit may note
/// something worth a warning (a value clamped, a sum wrapped); that is what
/// the edits return.
class KeyframeVisitor {
 public:
  virtual ~KeyframeVisitor() = default;
  /// Edits `count` keyframes `stride` bytes apart from `first` on, each
  /// lying wholly inside the file as far as the edit reaches into it.
  virtual bool EditWhole(uint8_t* first, int64_t count, int64_t stride) = 0;
  /// Edits the keyframe at `position`, which may cross the end of the file.
  virtual bool EditChecked(CheckedFields& fields, int64_t position) = 0;
};

/// A KeyframeVisitor made of one generic edit, `edit(keyframe)` returning
/// whether it noted anything, called with a KeyframeBytes or a
/// CheckedKeyframe: the same code serves both ways.
template <class Edit>
class KeyframeEditor final : public KeyframeVisitor {
 public:
  explicit KeyframeEditor(const Edit& edit) : edit_(edit) {}
  bool EditWhole(uint8_t* first, int64_t count, int64_t stride) override {
    bool noted = false;
    for (int64_t k = 0; k < count; ++k) {
      KeyframeBytes keyframe(first + k * stride);
      noted |= edit_(keyframe);
    }
    return noted;
  }
  bool EditChecked(CheckedFields& fields, int64_t position) override {
    CheckedKeyframe keyframe(fields, position);
    return edit_(keyframe);
  }

 private:
  const Edit& edit_;
};

/// How an edit of a store ended.
struct WalkResult {
  /// Every read and write of the store succeeded.
  bool stored = true;
  /// A field access failed because the file ends before what its header
  /// describes (a header read included).
  bool ended_early = false;
  /// Some keyframe's edit noted something.
  bool noted = false;
};

/// Visits keyframes 0 to `area.keyframe_count` - 1, `stride` bytes apart
/// from T + 66 on, in file order. `reach` is how many bytes from a
/// keyframe's start the edit may touch. Nothing is visited when the header
/// reads that gave `area` did not all succeed.
WalkResult EditKeyframes(ByteStore& store, const KeyframeArea& area,
                         int64_t stride, int64_t reach,
                         KeyframeVisitor& visitor);

/// EditKeyframes with one generic edit of a keyframe (see KeyframeEditor).
template <class Edit>
WalkResult EditEachKeyframe(ByteStore& store, const KeyframeArea& area,
                            int64_t stride, int64_t reach, const Edit& edit) {
  KeyframeEditor<Edit> editor(edit);
  return EditKeyframes(store, area, stride, reach, editor);
}

/// Reads, without changing anything, the keyframes from the first on that
/// lie wholly inside the store as far as `reach` bytes from their start,
/// `area.stride` bytes apart, in file order and in the same bounded pieces
/// as EditKeyframes: `read(first, count)` gets `count` keyframes at a time.
/// Returns how many were read (none when the header reads that gave `area`
/// did not all succeed), or nothing when the store could not be read.
std::optional<int64_t> ReadKeyframes(
    const ByteStore& store, const KeyframeArea& area, int64_t reach,
    const std::function<void(const uint8_t* first, int64_t count)>& read);

/// Reads the header fields that locate the keyframes. Nothing when the
/// store cannot be read.
std::optional<KeyframeArea> ReadKeyframeArea(const ByteStore& store);

/// Reads the `length` bytes at `pos` (as many as the store holds), lets
/// `edit` change them through checked fields based at `pos`, and writes
/// them back. False when the store could not be read or written.
bool EditFields(ByteStore& store, int64_t pos, int64_t length,
                const std::function<void(CheckedFields&)>& edit);

/// The input of one file, read through a store of its own.
class InputStore : public ByteStore {
 public:
  InputStore(platform::File file, int64_t size)
      : file_(std::move(file)), size_(size) {}
  int64_t size() const override { return size_; }
  bool Read(int64_t pos, std::span<uint8_t> bytes) const override;
  bool Write(int64_t, std::span<const uint8_t>) override { return false; }
  const platform::File& file() const { return file_; }
  void Close() { file_.Close(); }

 private:
  platform::File file_;
  int64_t size_;
};

/// The working copy of one file: a private file in the directory where the
/// result will be saved, removed unless it is given its name.
class WorkingCopy : public ByteStore {
 public:
  /// Creates an empty working copy in `dir` ("" for the current
  /// directory); nothing when it cannot be created.
  static std::optional<WorkingCopy> Create(const std::string& dir);

  int64_t size() const override { return size_; }
  bool Read(int64_t pos, std::span<uint8_t> bytes) const override;
  bool Write(int64_t pos, std::span<const uint8_t> bytes) override;

  /// Copies `length` bytes of `input` from `from` on to `to`.
  platform::CopyStatus Copy(const InputStore& input, int64_t from, int64_t to,
                            int64_t length);

  /// Gives the complete copy the name `path`; never replaces anything.
  platform::PrivateFile::NameResult GiveName(const std::string& path) {
    return file_.GiveName(path);
  }

 private:
  explicit WorkingCopy(platform::PrivateFile file) : file_(std::move(file)) {}

  platform::PrivateFile file_;
  int64_t size_ = 0;
};

}  // namespace qmx

#endif  // QMX_COMMON_WORKING_COPY_H_
