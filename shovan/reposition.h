#ifndef QMX_SHOVAN_REPOSITION_H_
#define QMX_SHOVAN_REPOSITION_H_

#include <cstdint>
#include <span>

#include "engine/working_copy.h"

namespace qmx {

/// Position offsets in world units.
struct Offsets {
  int16_t x{};
  int16_t y{};
  int16_t z{};
};

/// The move of keyframes by the offsets: each is added to the bounding
/// box and root offset of its axis, each sum wrapped to 16 bits. Words are
/// visited in the order min X, max X, root X, min Y, max Y, root Y, min Z,
/// max Z, root Z, each read and then written, so a keyframe that crosses
/// the end of the file is moved up to its first missing word.
struct KeyframeMove {
  Offsets offsets;
  /// The bytes of a keyframe that the move touches: up to root offset Z.
  static constexpr int64_t kReach = kCoordinatesReach;
  /// Moves `count` keyframes from `first` on, `stride` bytes apart, each
  /// after the one before it; the move is one step, whatever `step` asks.
  /// Returns the WordBit of each word whose sum wrapped.
  uint64_t operator()(uint8_t* first, int64_t count, int step) const;
  /// The move's accesses of one keyframe, in order.
  static std::span<const WordAccess> Order();
  int64_t stride{};
};

}  // namespace qmx

#endif  // QMX_SHOVAN_REPOSITION_H_
