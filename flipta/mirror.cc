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

void MirrorAngleAt(WorkingCopy& copy, int64_t pos) {
  copy.WriteS16(pos, MirrorAngle(copy.ReadS16(pos)));
}

// Both reads come before both writes so that a pair whose second word lies
// past the end of the copy leaves the first word as it was.
void ExchangeWords(WorkingCopy& copy, int64_t pos_a, int64_t pos_b) {
  const uint16_t a = copy.ReadU16(pos_a);
  const uint16_t b = copy.ReadU16(pos_b);
  copy.WriteU16(pos_a, b);
  copy.WriteU16(pos_b, a);
}

void MirrorKeyframe(WorkingCopy& copy, int64_t keyframe) {
  // Reflecting the box in X turns its max into its min and the other way.
  const int16_t min_x = copy.ReadS16(keyframe + kMinXOffset);
  const int16_t max_x = copy.ReadS16(keyframe + kMaxXOffset);
  copy.WriteS16(keyframe + kMinXOffset, Negate16(max_x));
  copy.WriteS16(keyframe + kMaxXOffset, Negate16(min_x));

  const int64_t root_x = keyframe + kRootXOffset;
  copy.WriteS16(root_x, Negate16(copy.ReadS16(root_x)));

  for (int64_t m = 0; m < kPlayerMeshCount; ++m) {
    MirrorAngleAt(copy, keyframe + MeshAngleOffset(m, kYAngleOffset));
    MirrorAngleAt(copy, keyframe + MeshAngleOffset(m, kZAngleOffset));
  }

  for (const MeshPair& pair : kMirrorPairs) {
    for (const int64_t angle : kAngleOffsets) {
      ExchangeWords(copy, keyframe + MeshAngleOffset(pair.a, angle),
                    keyframe + MeshAngleOffset(pair.b, angle));
    }
  }
}

}  // namespace

int16_t MirrorAngle(int16_t v) {
  const int32_t wide = v;
  return static_cast<int16_t>(wide - kFullTurn >= 0 ? wide - kFullTurn
                                                    : -kFullTurn - wide);
}

int16_t Negate16(int16_t v) {
  return static_cast<int16_t>(
      static_cast<uint16_t>(0u - static_cast<uint16_t>(v)));
}

bool IsPlayerObject(const KeyframeArea& area) {
  return area.first_mesh_count == kPlayerMeshCount;
}

void MirrorAnimation(WorkingCopy& copy, const KeyframeArea& area) {
  // Once an access has failed every later one does nothing, so the
  // remaining keyframes need not be visited.
  for (int64_t k = 0; k < area.keyframe_count && !copy.failed(); ++k) {
    MirrorKeyframe(copy, KeyframePosition(area.table_length, kPlayerStride, k));
  }
}

}  // namespace qmx
