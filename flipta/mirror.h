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

#include "common/qmx_format.h"
#include "common/tool.h"
#include "common/working_copy.h"

namespace qmx {

/// The angle mirror: `v - 1024` when that is 0 or more, otherwise
/// `-1024 - v`. The result always fits 16 bits, so it never wraps. For every
/// `v` from -2047 to 1023 the mirror of the mirror is `v`.
int16_t MirrorAngle(int16_t v);

/// Mirrors `count` player keyframes that lie back to back from `first` on,
/// all wholly inside the file.
void MirrorWholeKeyframes(uint8_t* first, int64_t count);

/// Mirrors the player keyframe at `position` one checked field at a time,
/// in the order that decides what a keyframe crossing the end of the file
/// keeps: box X, root offset X, the Y and Z angle of each mesh, then the
/// mirror pairs word by word.
void MirrorCheckedKeyframe(CheckedFields& fields, int64_t position);

/// Mirrors keyframes 0 to `area.keyframe_count` - 1, which start at
/// T + 66 + 110 k, in place. Meant for an `area` that passed
/// IsPlayerObject. When the file ends inside its keyframes, every field
/// before the first access that failed keeps its new value and the rest of
/// the file stays as it was.
EditReport MirrorAnimation(ByteStore& store, const KeyframeArea& area);

}  // namespace qmx

#endif  // QMX_FLIPTA_MIRROR_H_
