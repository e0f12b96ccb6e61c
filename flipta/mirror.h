#ifndef QMX_FLIPTA_MIRROR_H_
#define QMX_FLIPTA_MIRROR_H_

// Mirroring of player-character animations on the X axis.
//
// In every keyframe the bounding box is reflected in X, the root offset's X
// is negated, the Y and Z angles of the 15 meshes go through the angle
// mirror, and then the whole rotations (X, Y and Z angle) of six mirror pairs
// of meshes change places: 1-4, 2-5, 3-6, 8-11, 9-12 and 10-13. Meshes 0, 7
// and 14 keep their places. Nothing else in the file is touched.

#include <cstdint>
#include <span>

#include "engine/working_copy.h"
#include "format/qmx_format.h"

namespace qmx {

/// The angle mirror: `v - 1024` when that is 0 or more, otherwise
/// `-1024 - v`. The result always fits 16 bits, so it never wraps. For every
/// `v` from -2047 to 1023 the mirror of the mirror is `v`.
int16_t MirrorAngle(int16_t v);

/// The mirror of player keyframes. Its accesses of one keyframe, in the
/// order that decides what a keyframe crossing the end of the file keeps:
/// box X, root offset X, the Y and Z angle of each mesh, then the mirror
/// pairs word by word (both words read before either is written). Meant
/// for an animation whose area passed IsPlayerObject: its keyframes lie
/// 110 bytes apart, whatever mesh counts they hold.
struct KeyframeMirror {
  static constexpr int64_t kStride = kPlayerStride;
  static constexpr int64_t kReach = kPlayerStride;
  /// Mirrors `count` keyframes that lie back to back from `first` on: step
  /// 0 (box, root offset and angles), step 1 (the pairs) or kAllSteps.
  /// Notes nothing: returns 0.
  uint64_t operator()(uint8_t* first, int64_t count, int step) const;
  static std::span<const WordAccess> Order();
};

}  // namespace qmx

#endif  // QMX_FLIPTA_MIRROR_H_
