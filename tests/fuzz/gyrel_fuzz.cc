// Fuzzes the rotation over arbitrary files and angles. The first two bytes
// are the angle as typed (signed, little-endian); the rest is the file.
//
// Checks that the copy keeps its length; that only the X and Z sides of the
// box, root offset X and Z and, when keyframe 0 has meshes, mesh 0's Y angle
// of the keyframes in the file change; that nothing changes when a header
// read fails; and, where keyframes do not overlap, that nothing changes from
// the first field that could not be read on.

#include <cstddef>
#include <cstdint>

#include "common/working_copy.h"
#include "gyrel/rotation.h"
#include "tests/fuzz/fuzz_check.h"

namespace qmx::fuzz {
namespace {

// Bytes of a keyframe a turn reads: the box and the root offset.
constexpr int64_t kBoxAndRoot = 18;
// With the Y angle of mesh 0.
constexpr int64_t kWithRootMesh = 24;

void Check(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const int16_t entered = static_cast<int16_t>(data[0] | data[1] << 8);
  const Bytes before(data + 2, data + size);
  WorkingCopy copy(before);
  const KeyframeArea area = ReadKeyframeArea(copy);
  RotateAnimation(copy, area, NormaliseAngle(entered));
  const Bytes after(copy.image().begin(), copy.image().end());
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

}  // namespace
}  // namespace qmx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qmx::fuzz::Check(data, size);
  return 0;
}
