#ifndef QMX_GYREL_ROTATION_H_
#define QMX_GYREL_ROTATION_H_

// Turning an animation about the vertical axis by whole degrees. A positive
// quarter turn takes +X to -Z and +Z to +X. The numerics are fixed to the
// last bit: the angle-derived quantities are single precision, every
// operation on them is double precision, and every conversion to an integer
// rounds half away from zero. Build without floating-point contraction and
// without fast math.

#include <cstdint>
#include <span>

#include "engine/working_copy.h"

namespace qmx {

/// Maps an entered angle in degrees to 0..359: the remainder of a division
/// truncating toward zero, plus 360 when it is negative.
int NormaliseAngle(int16_t degrees);

/// Everything a turn by one normalised angle needs, worked out once per
/// file. `c`, `s` and `w` are single-precision values.
struct Rotation {
  float c = 1;          // cosine of the angle
  float s{};            // sine of the angle
  int quarter_turns{};  // whole quarter turns in the angle, 0..3
  /// Cosine of 180 degrees plus twice the angle past the last quarter turn;
  /// (w + 1) / 2 is how far the box moves toward the next quarter turn.
  float w = -1;
  int y_angle_step{};  // the angle in angle units, 1024 to a full turn
};

/// The quantities for `angle`, a normalised angle in 0..359.
Rotation MakeRotation(int angle);

/// Adds the rotation to the root mesh's Y angle (16-bit sum), then brings
/// the sum back by one turn of 1024 when it is above 1024 or negative.
int16_t AdvanceYAngle(const Rotation& rotation, int16_t y_angle);

/// The turn of keyframes by a normalised angle: in each, the root offset
/// is turned about the origin and the box rebuilt around it from its side
/// distances (the exactly turned box for quarter turns when it contains the
/// root offset; for other angles a blend of the boxes of the neighbouring
/// quarter turns; a side on the far side of the root offset is reflected
/// across it), then the Y angle of mesh 0 advanced, which is skipped when
/// keyframe 0 has no meshes.
class KeyframeTurn {
 public:
  KeyframeTurn(const KeyframeArea& area, int angle);
  /// Bytes from one keyframe's start to the next, and how many of them the
  /// turn touches.
  int64_t stride() const { return stride_; }
  int64_t reach() const { return reach_; }
  /// Turns `count` keyframes from `first` on, `stride()` bytes apart, each
  /// after the one before it; the turn is one step, whatever `step` asks.
  /// Returns the WordBit of each stored value that was clamped into
  /// -32768..32767.
  uint64_t operator()(uint8_t* first, int64_t count, int step) const;
  /// The turn's accesses of one keyframe, in order: the six words of the
  /// root offset and box read, then written, then the Y angle read and
  /// written.
  std::span<const WordAccess> Order() const;

 private:
  Rotation rotation_;
  bool has_root_mesh_;
  int64_t stride_;
  int64_t reach_;
};

}  // namespace qmx

#endif  // QMX_GYREL_ROTATION_H_
