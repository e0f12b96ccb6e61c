// Fuzzes the three edits that work in place over arbitrary files and
// parameters. The first byte chooses the edit (its value modulo 3); the
// rest is as follows.
//
// Rotation: two bytes of angle as typed (signed, little-endian), then the
// file. Checks that the copy keeps its length; that only the X and Z sides
// of the box, root offset X and Z and, when keyframe 0 has meshes, mesh 0's
// Y angle of the keyframes in the file change; and, where keyframes do not
// overlap, that nothing changes from the first field that could not be read
// on.
//
// Repositioning: six bytes of X, Y and Z offsets, then the file. Checks that
// only the box and root offset of the keyframes change; where keyframes do
// not overlap, that each word before the first one missing is moved by its
// offset; and that moving back by the negated offsets gives the input.
//
// Mirror: the file. Only a file whose first keyframe has 15 meshes is
// mirrored. Checks that in the keyframes only the box's X pair, root offset
// X, the Y and Z angles and the X angles of the exchanged meshes change;
// that a refused file is not changed at all; and that mirroring twice gives
// the input back when every Y and Z angle lies within -2047..1023.

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "common/working_copy.h"
#include "flipta/mirror.h"
#include "gyrel/rotation.h"
#include "shovan/reposition.h"
#include "tests/fuzz/fuzz_check.h"

namespace qmx::fuzz {
namespace {

namespace rotation {

// Bytes of a keyframe a turn reads: the box and the root offset.
constexpr int64_t kBoxAndRoot = 18;
// With the Y angle of mesh 0.
constexpr int64_t kWithRootMesh = 24;

void CheckRotation(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const int16_t entered = static_cast<int16_t>(data[0] | data[1] << 8);
  const Bytes before(data + 2, data + size);
  Bytes after = before;
  MemoryStore store(after);
  RotateAnimation(store, *ReadKeyframeArea(store), NormaliseAngle(entered));
  const int64_t length = static_cast<int64_t>(before.size());

  std::vector<bool> allowed(before.size(), false);
  const std::optional<Header> header = ReadHeader(before);
  if (header) {
    const bool has_root_mesh = header->first_mesh_count > 0;
    for (int64_t k = 0; k < header->keyframe_count; ++k) {
      const int64_t p = header->KeyframeAt(k);
      if (p >= length) break;
      Allow(allowed, p + 0, 4);   // min X, max X
      Allow(allowed, p + 8, 6);   // min Z, max Z, root offset X
      Allow(allowed, p + 16, 2);  // root offset Z
      if (has_root_mesh) Allow(allowed, p + 22, 2);  // Y angle of mesh 0
    }
  }
  CheckOnlyAllowedChanged(before, after, allowed);
  if (!header) return;

  // The first keyframe the file does not hold whole. All six reads of its
  // box and root offset come before their writes, and its Y angle is read
  // before it is written, so the file is untouched from the first of them
  // that is missing.
  const int64_t span =
      header->first_mesh_count > 0 ? kWithRootMesh : kBoxAndRoot;
  if (header->stride < span) return;  // keyframes overlap
  for (int64_t k = 0; k < header->keyframe_count; ++k) {
    const int64_t p = header->KeyframeAt(k);
    if (p + span <= length) continue;
    const int64_t untouched_from =
        p + kBoxAndRoot > length ? p : p + kBoxAndRoot;
    for (int64_t i = untouched_from; i < length; ++i) {
      QMX_FUZZ_CHECK(after[static_cast<size_t>(i)] ==
                     before[static_cast<size_t>(i)]);
    }
    break;
  }
}

}  // namespace rotation

namespace repositioning {

// The box and the root offset: the first 18 bytes of a keyframe.
constexpr int64_t kMoved = 18;

int16_t S16(const uint8_t* bytes) {
  return static_cast<int16_t>(bytes[0] | bytes[1] << 8);
}

Bytes Moved(Bytes bytes, const Offsets& offsets, KeyframeArea* area) {
  MemoryStore store(bytes);
  *area = *ReadKeyframeArea(store);
  Reposition(store, *area, offsets);
  return bytes;
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

void CheckRepositioning(const uint8_t* data, size_t size) {
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

}  // namespace repositioning

namespace mirror {

constexpr int64_t kPlayerKeyframe = 110;
constexpr int64_t kMeshes = 15;
// Meshes whose rotations trade places with another mesh's.
constexpr std::array<int64_t, 12> kExchangedMeshes = {1, 2, 3,  4,  5,  6,
                                                      8, 9, 10, 11, 12, 13};

int64_t AngleAt(int64_t keyframe, int64_t mesh, int64_t angle) {
  return keyframe + 20 + 6 * mesh + 2 * angle;
}

// Mirrors `bytes` as Flipta does; false when the file is refused.
bool Mirrored(const Bytes& bytes, Bytes* result, KeyframeArea* area) {
  *result = bytes;
  MemoryStore store(*result);
  *area = *ReadKeyframeArea(store);
  const bool accepted = IsPlayerObject(*area);
  if (accepted) MirrorAnimation(store, *area);
  return accepted;
}

// True when every Y and Z angle of the keyframes in the file lies in the
// range on which the angle mirror is its own inverse.
bool AnglesMirrorBack(const Bytes& bytes, const Header& header) {
  for (int64_t k = 0; k < header.keyframe_count; ++k) {
    const int64_t p = header.table_length + 66 + k * kPlayerKeyframe;
    if (p >= static_cast<int64_t>(bytes.size())) break;
    for (int64_t m = 0; m < kMeshes; ++m) {
      for (const int64_t angle : {1, 2}) {
        const std::optional<uint16_t> word =
            WordAt(bytes, AngleAt(p, m, angle));
        if (!word) continue;
        const int16_t value = static_cast<int16_t>(*word);
        if (value < -2047 || value > 1023) return false;
      }
    }
  }
  return true;
}

void CheckMirror(const uint8_t* data, size_t size) {
  const Bytes before(data, data + size);
  Bytes after;
  KeyframeArea area;
  const bool accepted = Mirrored(before, &after, &area);
  const std::optional<Header> header = ReadHeader(before);
  QMX_FUZZ_CHECK(accepted == (header && header->first_mesh_count == kMeshes));

  std::vector<bool> allowed(before.size(), false);
  if (accepted) {
    for (int64_t k = 0; k < header->keyframe_count; ++k) {
      const int64_t p = header->table_length + 66 + k * kPlayerKeyframe;
      if (p >= static_cast<int64_t>(before.size())) break;
      Allow(allowed, p + 0, 4);   // min X, max X
      Allow(allowed, p + 12, 2);  // root offset X
      for (int64_t m = 0; m < kMeshes; ++m) {
        Allow(allowed, AngleAt(p, m, 1), 4);  // Y and Z angle
      }
      for (const int64_t m : kExchangedMeshes) {
        Allow(allowed, AngleAt(p, m, 0), 2);  // X angle
      }
    }
  }
  CheckOnlyAllowedChanged(before, after, allowed);
  if (!accepted || !AnglesMirrorBack(before, *header)) return;

  Bytes twice;
  KeyframeArea area_twice;
  QMX_FUZZ_CHECK(Mirrored(after, &twice, &area_twice));
  QMX_FUZZ_CHECK(area_twice.keyframe_count == area.keyframe_count &&
                 area_twice.table_length == area.table_length);
  QMX_FUZZ_CHECK(twice == before);
}

}  // namespace mirror

}  // namespace
}  // namespace qmx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  switch (data[0] % 3) {
    case 0:
      qmx::fuzz::rotation::CheckRotation(data + 1, size - 1);
      break;
    case 1:
      qmx::fuzz::repositioning::CheckRepositioning(data + 1, size - 1);
      break;
    default:
      qmx::fuzz::mirror::CheckMirror(data + 1, size - 1);
  }
  return 0;
}
