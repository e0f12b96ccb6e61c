#include "flipta/mirror.h"

#include <array>

namespace qmx {
namespace {

struct MeshPair {
  int64_t a;
  int64_t b;
};

// Exchanged in this order, after every Y and Z angle has been mirrored, so
// each rotation takes its mirrored angles along to its new place.
constexpr std::array<MeshPair, 6> kMirrorPairs = {
    {{1, 4}, {2, 5}, {3, 6}, {8, 11}, {9, 12}, {10, 13}}};

constexpr std::array<int64_t, 3> kAngleOffsets = {kXAngleOffset, kYAngleOffset,
                                                  kZAngleOffset};

// Two's complement negation of a stored word: -32768 stays -32768.
uint16_t Negated(uint16_t word) { return static_cast<uint16_t>(0u - word); }

}  // namespace

int16_t MirrorAngle(int16_t v) {
  const int32_t wide = v;
  return static_cast<int16_t>(wide - kAngleUnitsPerTurn >= 0
                                  ? wide - kAngleUnitsPerTurn
                                  : -kAngleUnitsPerTurn - wide);
}

template <class Keyframe>
bool KeyframeMirror::operator()(Keyframe& keyframe) const {
  // Reflecting the box in X turns its max into its min and the other way.
  const uint16_t min_x = keyframe.ReadU16(kMinXOffset);
  const uint16_t max_x = keyframe.ReadU16(kMaxXOffset);
  keyframe.WriteU16(kMinXOffset, Negated(max_x));
  keyframe.WriteU16(kMaxXOffset, Negated(min_x));
  keyframe.WriteU16(kRootXOffset, Negated(keyframe.ReadU16(kRootXOffset)));

  for (int64_t m = 0; m < kPlayerMeshCount; ++m) {
    for (const int64_t angle : {kYAngleOffset, kZAngleOffset}) {
      const int64_t offset = MeshAngleOffset(m, angle);
      keyframe.WriteS16(offset, MirrorAngle(keyframe.ReadS16(offset)));
    }
  }
  for (const MeshPair& pair : kMirrorPairs) {
    for (const int64_t angle : kAngleOffsets) {
      const int64_t offset_a = MeshAngleOffset(pair.a, angle);
      const int64_t offset_b = MeshAngleOffset(pair.b, angle);
      const uint16_t a = keyframe.ReadU16(offset_a);
      const uint16_t b = keyframe.ReadU16(offset_b);
      keyframe.WriteU16(offset_a, b);
      keyframe.WriteU16(offset_b, a);
    }
  }
  return false;
}

template bool KeyframeMirror::operator()(KeyframeBytes&) const;
template bool KeyframeMirror::operator()(CheckedKeyframe&) const;

}  // namespace qmx
