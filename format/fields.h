#ifndef QMX_FORMAT_FIELDS_H_
#define QMX_FORMAT_FIELDS_H_

// Field access to the bytes of an animation file: little-endian words, at
// absolute positions or within one keyframe:
//
//   CheckedFields    bytes that may end before a field does. An access that
//                    does not lie wholly inside them puts the view into a
//                    failed state that is never cleared: from then on reads
//                    give 0 and writes do nothing. So nothing is ever
//                    written past the end, and a value from a failed read
//                    can never reach the bytes.
//   KeyframeBytes    a keyframe in memory as far as the edit reaches: no
//                    access can fail, so none is checked. The keyframe that
//                    crosses the end of the file is edited on a padded copy
//                    (working_copy.h).

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include "format/qmx_format.h"

namespace qmx {

// A word is moved whole where the machine is little-endian, as the file is:
// compilers do not always merge the bytes into one access.
inline uint16_t LoadU16(const uint8_t* at) {
  if constexpr (std::endian::native == std::endian::little) {
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
  } else {
    return static_cast<uint16_t>(at[0] | at[1] << 8);
  }
}

inline void StoreU16(uint8_t* at, uint16_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(at, &value, sizeof value);
  } else {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
  }
}

/// Fields of `bytes`, which hold the file from position `base` on and end
/// where the file ends (or hold all of the file that an edit may reach).
class CheckedFields {
 public:
  explicit CheckedFields(std::span<uint8_t> bytes, int64_t base = 0)
      : bytes_(bytes), base_(base) {}

  /// Reads the unsigned byte at `pos`; 0 on failure.
  uint8_t ReadU8(int64_t pos) {
    return Fits(pos, 1) ? bytes_[Index(pos)] : uint8_t{0};
  }

  /// Reads the little-endian 16-bit word at `pos`; 0 on failure.
  uint16_t ReadU16(int64_t pos) {
    return Fits(pos, 2) ? LoadU16(&bytes_[Index(pos)]) : uint16_t{0};
  }

  /// Reads the word at `pos` as a two's complement value; 0 on failure.
  int16_t ReadS16(int64_t pos) { return static_cast<int16_t>(ReadU16(pos)); }

  /// Writes `value` at `pos`, low byte first; nothing on failure.
  void WriteU16(int64_t pos, uint16_t value) {
    if (Fits(pos, 2)) StoreU16(&bytes_[Index(pos)], value);
  }

  void WriteS16(int64_t pos, int16_t value) {
    WriteU16(pos, static_cast<uint16_t>(value));
  }

  /// Writes the low 24 bits of `value` at `pos`, low byte first.
  void WriteU24(int64_t pos, uint32_t value) {
    if (!Fits(pos, 3)) return;
    uint8_t* at = &bytes_[Index(pos)];
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
  }

  /// True once an access did not fit.
  bool failed() const { return failed_; }

 private:
  bool Fits(int64_t pos, int64_t width) {
    const int64_t at = pos - base_;
    if (failed_ || at < 0 || at > static_cast<int64_t>(bytes_.size()) - width) {
      failed_ = true;
    }
    return !failed_;
  }
  size_t Index(int64_t pos) const { return static_cast<size_t>(pos - base_); }

  std::span<uint8_t> bytes_;
  int64_t base_;
  bool failed_ = false;
};

/// A keyframe that lies wholly inside the file, as far as an edit reaches
/// into it: positions relative to the keyframe, never checked.
class KeyframeBytes {
 public:
  explicit KeyframeBytes(uint8_t* first) : first_(first) {}
  uint16_t ReadU16(int64_t offset) const { return LoadU16(first_ + offset); }
  int16_t ReadS16(int64_t offset) const {
    return static_cast<int16_t>(ReadU16(offset));
  }
  void WriteU16(int64_t offset, uint16_t value) {
    StoreU16(first_ + offset, value);
  }
  void WriteS16(int64_t offset, int16_t value) {
    WriteU16(offset, static_cast<uint16_t>(value));
  }

 private:
  uint8_t* first_;
};

/// Where the keyframes of a file lie, as read from its header.
struct KeyframeArea {
  uint16_t table_length{};
  uint16_t keyframe_count{};
  uint16_t first_mesh_count{};
  uint16_t stride{};
  /// The keyframe count was read from inside the file.
  bool keyframe_count_read = false;
  /// Every header read succeeded: the file reaches the first keyframe's
  /// mesh count.
  bool complete = false;

  /// Position of the first byte of keyframe `k`.
  int64_t KeyframeAt(int64_t k) const {
    return KeyframePosition(table_length, stride, k);
  }
  /// Where the header ends and the keyframes begin: T + 66.
  int64_t HeaderSize() const { return table_length + kHeaderSize; }
  /// True when a failed header read means that something the file
  /// describes is missing. A file of no keyframes that ends right after its
  /// header is complete, although its first mesh count lies past its end.
  bool EndedEarly() const {
    return !complete && !(keyframe_count_read && keyframe_count == 0);
  }
  /// True when the first keyframe has exactly the player-character's mesh
  /// count. A file that ends before that mesh count reads it as 0 and is
  /// no player animation.
  bool IsPlayerObject() const { return first_mesh_count == kPlayerMeshCount; }
};

/// The most header bytes the reads below can reach: a table of 65528 bytes
/// and the first keyframe's mesh count after it.
inline constexpr int64_t kLongestHeaderRead =
    kMaxTableLength + kFirstMeshCountOffset + 2;

/// The three header reads that locate the keyframes, in file order: the
/// header record count, the keyframe count and the first keyframe's mesh
/// count. `header` holds the start of the file.
KeyframeArea ReadKeyframeArea(CheckedFields& header);

}  // namespace qmx

#endif  // QMX_FORMAT_FIELDS_H_
