// Fuzzes the repositioning over arbitrary files and offsets. The first six
// bytes are the X, Y and Z offsets (signed, little-endian); the rest is the
// file.
//
// Checks that the copy keeps its length and that only the box and root
// offset of the keyframes in the file change; where keyframes do not
// overlap, that each word visited before the first one missing is moved by
// its offset and nothing else changes; and that moving the result back by
// the negated offsets gives the input again, 16-bit wrap included.

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "common/working_copy.h"
#include "shovan/reposition.h"
#include "tests/fuzz/fuzz_check.h"

namespace qmx::fuzz {
namespace {

// The box and the root offset: the first 18 bytes of a keyframe.
constexpr int64_t kMoved = 18;

int16_t S16(const uint8_t* bytes) {
  return static_cast<int16_t>(bytes[0] | bytes[1] << 8);
}

Bytes Moved(const Bytes& bytes, const Offsets& offsets, KeyframeArea* area) {
  WorkingCopy copy(bytes);
  *area = ReadKeyframeArea(copy);
  Reposition(copy, *area, offsets);
  return Bytes(copy.image().begin(), copy.image().end());
}

bool SameArea(const KeyframeArea& a, const KeyframeArea& b) {
  return a.table_length == b.table_length &&
         a.keyframe_count == b.keyframe_count &&
         a.first_mesh_count == b.first_mesh_count && a.stride == b.stride &&
         a.keyframe_count_read == b.keyframe_count_read;
}

// The input with the words moved one by one, keyframe by keyframe, in the
// order X, Y, Z (min, max, root offset each), up to the first word missing.
Bytes ExpectedWithoutOverlap(const Bytes& before, const Header& header,
                             const Offsets& offsets) {
  const std::array<std::pair<int64_t, int16_t>, 9> words = {{
      {0, offsets.x},
      {2, offsets.x},
      {12, offsets.x},
      {4, offsets.y},
      {6, offsets.y},
      {14, offsets.y},
      {8, offsets.z},
      {10, offsets.z},
      {16, offsets.z},
  }};
  Bytes expected = before;
  for (int64_t k = 0; k < header.keyframe_count; ++k) {
    for (const auto& [offset, delta] : words) {
      const int64_t pos = header.KeyframeAt(k) + offset;
      const std::optional<uint16_t> word = WordAt(before, pos);
      if (!word) return expected;
      const uint16_t moved = static_cast<uint16_t>(*word + delta);
      expected[static_cast<size_t>(pos)] = static_cast<uint8_t>(moved);
      expected[static_cast<size_t>(pos) + 1] = static_cast<uint8_t>(moved >> 8);
    }
  }
  return expected;
}

void Check(const uint8_t* data, size_t size) {
  if (size < 6) return;
  const Offsets offsets{S16(data), S16(data + 2), S16(data + 4)};
  const Bytes before(data + 6, data + size);
  KeyframeArea area;
  const Bytes after = Moved(before, offsets, &area);
  const int64_t length = static_cast<int64_t>(before.size());

  std::vector<bool> allowed(before.size(), false);
  const std::optional<Header> header = ReadHeader(before);
  if (header) {
    for (int64_t k = 0; k < header->keyframe_count; ++k) {
      const int64_t p = header->KeyframeAt(k);
      if (p >= length) break;
      Allow(allowed, p, kMoved);
    }
  }
  CheckOnlyAllowedChanged(before, after, allowed);
  if (header && header->stride >= kMoved) {
    QMX_FUZZ_CHECK(after == ExpectedWithoutOverlap(before, *header, offsets));
  }

  // The way back reads the header again, as a second run would. A file whose
  // keyframes overlap its own first mesh count can move it; only then may
  // the way back take another route.
  const Offsets back{static_cast<int16_t>(-offsets.x),
                     static_cast<int16_t>(-offsets.y),
                     static_cast<int16_t>(-offsets.z)};
  KeyframeArea area_back;
  const Bytes restored = Moved(after, back, &area_back);
  if (SameArea(area, area_back)) QMX_FUZZ_CHECK(restored == before);
}

}  // namespace
}  // namespace qmx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qmx::fuzz::Check(data, size);
  return 0;
}
