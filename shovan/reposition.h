#ifndef QMX_SHOVAN_REPOSITION_H_
#define QMX_SHOVAN_REPOSITION_H_

#include <cstdint>

#include "common/fields.h"

namespace qmx {

/// Position offsets in world units.
struct Offsets {
  int16_t x{};
  int16_t y{};
  int16_t z{};
};

/// The move of one keyframe by the offsets: each is added to the bounding
/// box and root offset of its axis, each sum wrapped to 16 bits. Words are
/// visited in the order min X, max X, root X, min Y, max Y, root Y, min Z,
/// max Z, root Z, so through checked fields a keyframe that crosses the end
/// of the file is moved up to its first missing word. Returns whether a sum
/// wrapped.
struct KeyframeMove {
  Offsets offsets;
  /// The bytes of a keyframe that the move touches: up to root offset Z.
  static constexpr int64_t kReach = kRootZOffset + 2;
  /// For a KeyframeBytes or a CheckedKeyframe.
  template <class Keyframe>
  bool operator()(Keyframe& keyframe) const;
};

}  // namespace qmx

#endif  // QMX_SHOVAN_REPOSITION_H_
