#ifndef QMX_COMMON_WORKING_COPY_H_
#define QMX_COMMON_WORKING_COPY_H_

#include <cstdint>
#include <span>
#include <vector>

#include "common/image.h"
#include "common/qmx_format.h"

namespace qmx {

/// An in-memory image of the working copy "newfile.qmx", edited one field at
/// a time. Every access names its own absolute position. An access that does
/// not lie wholly inside the image puts the copy into a failed state that is
/// never cleared: from then on reads return 0 and writes do nothing. So the
/// image never grows, nothing is written past its end, and a value from a
/// failed read can never reach the image.
class WorkingCopy {
 public:
  WorkingCopy() = default;
  explicit WorkingCopy(Image image) : image_(std::move(image)) {}
  explicit WorkingCopy(const std::vector<uint8_t>& bytes)
      : image_(bytes.begin(), bytes.end()) {}

  /// Reads the unsigned byte at `pos`; 0 on failure.
  uint8_t ReadU8(int64_t pos) {
    if (!Fits(pos, 1)) return 0;
    return image_[static_cast<size_t>(pos)];
  }

  /// Reads the little-endian 16-bit word at `pos`; 0 on failure.
  uint16_t ReadU16(int64_t pos) {
    if (!Fits(pos, 2)) return 0;
    const size_t at = static_cast<size_t>(pos);
    return static_cast<uint16_t>(image_[at] | (image_[at + 1] << 8));
  }

  /// Reads the word at `pos` as a two's complement value; 0 on failure.
  int16_t ReadS16(int64_t pos) { return static_cast<int16_t>(ReadU16(pos)); }

  /// Writes `value` at `pos`, low byte first; nothing on failure.
  void WriteU16(int64_t pos, uint16_t value) {
    if (!Fits(pos, 2)) return;
    const size_t at = static_cast<size_t>(pos);
    image_[at] = static_cast<uint8_t>(value);
    image_[at + 1] = static_cast<uint8_t>(value >> 8);
    MarkWritten(pos, 2);
  }

  void WriteS16(int64_t pos, int16_t value) {
    WriteU16(pos, static_cast<uint16_t>(value));
  }

  /// Writes the low 24 bits of `value` at `pos`, low byte first.
  void WriteU24(int64_t pos, uint32_t value) {
    if (!Fits(pos, 3)) return;
    const size_t at = static_cast<size_t>(pos);
    image_[at] = static_cast<uint8_t>(value);
    image_[at + 1] = static_cast<uint8_t>(value >> 8);
    image_[at + 2] = static_cast<uint8_t>(value >> 16);
    MarkWritten(pos, 3);
  }

  /// True once an access did not fit inside the image.
  bool failed() const { return failed_; }

  int64_t size() const { return static_cast<int64_t>(image_.size()); }
  std::span<const uint8_t> image() const { return image_; }

  /// The bytes from the first to the last one written (empty when nothing
  /// was written), so that only they need to reach the disk.
  int64_t written_begin() const { return written_begin_; }
  std::span<const uint8_t> written() const {
    return std::span<const uint8_t>(image_).subspan(
        static_cast<size_t>(written_begin_),
        static_cast<size_t>(written_end_ - written_begin_));
  }

 private:
  bool Fits(int64_t pos, int64_t width) {
    if (failed_ || pos < 0 || pos > size() - width) failed_ = true;
    return !failed_;
  }

  void MarkWritten(int64_t pos, int64_t width) {
    if (written_end_ == 0) {
      written_begin_ = pos;
      written_end_ = pos + width;
      return;
    }
    if (pos < written_begin_) written_begin_ = pos;
    if (pos + width > written_end_) written_end_ = pos + width;
  }

  Image image_;
  bool failed_ = false;
  int64_t written_begin_ = 0;
  int64_t written_end_ = 0;
};

/// Where the keyframes of a file lie, as read from its header.
struct KeyframeArea {
  uint16_t table_length = 0;
  uint16_t keyframe_count = 0;
  uint16_t first_mesh_count = 0;
  uint16_t stride = 0;
  /// The keyframe count was read from inside the file.
  bool keyframe_count_read = false;

  /// Position of the first byte of keyframe `k`.
  int64_t KeyframeAt(int64_t k) const {
    return KeyframePosition(table_length, stride, k);
  }
};

/// Reads the header record count and the keyframe count: the first two of the
/// three header reads. `first_mesh_count` and `stride` stay 0.
KeyframeArea ReadKeyframeCount(WorkingCopy& copy);

/// Reads the first keyframe's mesh count into `area` and sets the stride
/// from it.
void ReadFirstMeshCount(WorkingCopy& copy, KeyframeArea& area);

/// The three header reads that locate the keyframes, in file order.
KeyframeArea ReadKeyframeArea(WorkingCopy& copy);

/// True when an access failed because the file is shorter than its header
/// describes. A file whose keyframe count was read as 0 has nothing missing,
/// even though its first mesh count lies beyond its end.
bool EndedEarly(const WorkingCopy& copy, const KeyframeArea& area);

}  // namespace qmx

#endif  // QMX_COMMON_WORKING_COPY_H_
