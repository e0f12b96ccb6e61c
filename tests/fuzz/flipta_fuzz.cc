// Fuzzes the mirror over arbitrary files, as the tool runs it: only a file
// whose first keyframe has 15 meshes is mirrored.
//
// Checks that the copy keeps its length; that in the keyframes in the file
// only the box's X pair, root offset X, the Y and Z angles and the X angles
// of the exchanged meshes change; that a refused file is not changed at all;
// and that mirroring twice gives the input back when every Y and Z angle in
// the mirrored keyframes lies within -2047..1023.

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/working_copy.h"
#include "flipta/mirror.h"
#include "tests/fuzz/fuzz_check.h"

namespace qmx::fuzz {
namespace {

constexpr int64_t kStride = 110;
constexpr int64_t kMeshes = 15;
// Meshes whose rotations trade places with another mesh's.
constexpr std::array<int64_t, 12> kExchangedMeshes = {1, 2, 3,  4,  5,  6,
                                                      8, 9, 10, 11, 12, 13};

int64_t AngleAt(int64_t keyframe, int64_t mesh, int64_t angle) {
  return keyframe + 20 + 6 * mesh + 2 * angle;
}

// Mirrors `bytes` as Flipta does; false when the file is refused.
bool Mirrored(const Bytes& bytes, Bytes* result, KeyframeArea* area) {
  WorkingCopy copy(bytes);
  *area = ReadKeyframeArea(copy);
  const bool accepted = IsPlayerObject(*area);
  if (accepted) MirrorAnimation(copy, *area);
  *result = Bytes(copy.image().begin(), copy.image().end());
  return accepted;
}

// True when every Y and Z angle of the keyframes in the file lies in the
// range on which the angle mirror is its own inverse.
bool AnglesMirrorBack(const Bytes& bytes, const Header& header) {
  for (int64_t k = 0; k < header.keyframe_count; ++k) {
    const int64_t p = header.table_length + 66 + k * kStride;
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

void Check(const uint8_t* data, size_t size) {
  const Bytes before(data, data + size);
  Bytes after;
  KeyframeArea area;
  const bool accepted = Mirrored(before, &after, &area);
  const std::optional<Header> header = ReadHeader(before);
  QMX_FUZZ_CHECK(accepted == (header && header->first_mesh_count == kMeshes));

  std::vector<bool> allowed(before.size(), false);
  if (accepted) {
    for (int64_t k = 0; k < header->keyframe_count; ++k) {
      const int64_t p = header->table_length + 66 + k * kStride;
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

}  // namespace
}  // namespace qmx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qmx::fuzz::Check(data, size);
  return 0;
}
